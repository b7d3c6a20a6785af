// The editor's guard flags ("resume is running", "the main screen is being
// shown"...) are raised for the length of one piece of work. They come down
// however the work ends, an exception on its way to the host included: a flag
// left up would make the idle refresh and resume skip their work until the
// next opening.
#pragma once

class TRaisedFlag {
public:
    explicit TRaisedFlag(bool& flag) noexcept : flag(flag) { flag = true; }
    ~TRaisedFlag() { flag = false; }
    TRaisedFlag(const TRaisedFlag&) = delete;
    TRaisedFlag& operator=(const TRaisedFlag&) = delete;

private:
    bool& flag;
};
