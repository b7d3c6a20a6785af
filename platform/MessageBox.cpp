#include "platform/MessageBox.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/Desktop.h"
#include "platform/Paths.h"

using platform::TDesktopAnswer;
using platform::TDesktopButton;
using platform::TDesktopKind;
using platform::TDesktopRequest;

namespace {

// Length of the longest prefix of text that holds at most limit bytes and
// does not end inside a UTF-8 character.
size_t utf8PrefixLength(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t length = limit;
    // Step back over continuation bytes (10xxxxxx) to the start of the cut character.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    return length;
}

}  // namespace

int messageBox(const std::string& text, int type) {
    TDesktopRequest request;
    request.kind = TDesktopKind::messageBox;
    request.text = text;
    request.okCancel = type == MESSAGE_BOX_OK_CANCEL;
    switch (platform::runDesktopRequest(request).button) {
    case TDesktopButton::ok: return MESSAGE_BOX_OK;
    case TDesktopButton::cancel: return MESSAGE_BOX_CANCEL;
    case TDesktopButton::closed: break;
    }
    return MESSAGE_BOX_NO_ANSWER;
}

int messageBox(const char* text, int type) { return text ? messageBox(std::string(text), type) : MESSAGE_BOX_NO_ANSWER; }

int messageBox2(const std::string& text, int type) { return text.empty() ? MESSAGE_BOX_NO_ANSWER : messageBox(text, type); }

int messageBoxCancel(const char* text) { return messageBox(text, MESSAGE_BOX_OK_CANCEL); }

void runInputWindow(const char* headline, const char* text, char* buffer) {
    if (!buffer) return;
    TDesktopRequest request;
    request.kind = TDesktopKind::textInput;
    request.headline = headline ? headline : "";
    request.text = text ? text : "";
    request.initialText.assign(buffer, strnlen(buffer, PLATFORM_TEXT_SIZE - 1));
    TDesktopAnswer answer = platform::runDesktopRequest(request);
    if (answer.button != TDesktopButton::ok) {
        buffer[0] = 0;
        return;
    }
    size_t length = utf8PrefixLength(answer.text, PLATFORM_TEXT_SIZE - 1);
    std::memcpy(buffer, answer.text.data(), length);
    buffer[length] = 0;
}

void inputBox(const std::string& text, const std::string& headline, char* buffer) {
    runInputWindow(headline.c_str(), text.c_str(), buffer);
}

void inputBox(const char* text, const char* headline, char* buffer) { runInputWindow(headline, text, buffer); }

void inputBoxStr(const std::string& text, const std::string& headline, std::string& result) {
    char buffer[PLATFORM_TEXT_SIZE] = {};
    runInputWindow(headline.c_str(), text.c_str(), buffer);
    result = buffer;
}

std::string inputBoxStr(const std::string& text, const std::string& headline) {
    std::string result;
    inputBoxStr(text, headline, result);
    return result;
}

bool parseLeadingInt(const std::string& text, int& value) {
    size_t position = 0;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    if (position >= text.size() || text[position] < '0' || text[position] > '9') return false;
    long long number = 0;
    for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position) {
        number = number * 10 + (text[position] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) number = -number;
    if (number < INT_MIN || number > INT_MAX) return false;
    value = static_cast<int>(number);
    return true;
}

bool inputBoxNumStr(const std::string& text, const std::string& headline, std::string& result, int& value) {
    inputBoxStr(text, headline, result);
    stripAllButNum(result);
    value = -1;
    int number = 0;
    if (result.empty() || !parseLeadingInt(result, number)) return false;
    value = number;
    return true;
}

bool inputBoxNumStr(const std::string& text, const std::string& headline, std::string& result, int minimum,
                    int maximum, int& value) {
    if (!inputBoxNumStr(text, headline, result, value)) return false;
    return value >= minimum && value <= maximum;
}

int inputBox2(const char*, const char*, const char*) { return 0; }

// ---------------------------------------------------------------- small helpers

char* itoa(int value, char* buffer, int maxLength) {
    if (!buffer) return buffer;
    if (maxLength < 1) maxLength = 1;
    if (maxLength > PLATFORM_TEXT_SIZE - 1) maxLength = PLATFORM_TEXT_SIZE - 1;
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    size_t length = std::strlen(text);
    if (length > static_cast<size_t>(maxLength)) length = static_cast<size_t>(maxLength);
    std::memcpy(buffer, text, length);
    buffer[length] = 0;
    return buffer;
}

uint32_t GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t milliseconds = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds);
}

void outInt(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    messageBox(text, MESSAGE_BOX_OK_ONLY);
}

void outFloat(float value) {
    double scaled = static_cast<double>(value) * 10000.0;
    // Truncation to int is only defined inside its range; NaN shows as 0.
    if (!(scaled > static_cast<double>(INT_MIN) - 1.0 && scaled < static_cast<double>(INT_MAX) + 1.0)) {
        scaled = scaled > 0 ? INT_MAX : (scaled < 0 ? INT_MIN : 0);
    }
    outInt(static_cast<int>(scaled));
}

void removeSub(const char* prefix, const char* text, char* output) {
    if (!output) return;
    output[0] = 0;
    if (!text) return;
    size_t skip = prefix ? std::strlen(prefix) : 0;
    size_t length = std::strlen(text);
    if (length <= skip || length - skip > PLATFORM_TEXT_SIZE - 1) return;
    std::memcpy(output, text + skip, length - skip + 1);
}
