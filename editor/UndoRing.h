// A short history of one panel's parameters: up to 16 snapshots of a fixed
// run of tags, taken before a command or a mouse edit rewrites several of them
// at once, and written back newest first. The 17th snapshot drops the oldest;
// there is no redo.
//
// User-interface thread only. The audio thread never touches a ring: when it
// applies a program it only asks for the rings to be emptied, and the editor
// honours that before its next push or pop (uEditor::takeUndoClears).
#pragma once

#include <algorithm>
#include <array>

class TEditorServices;

class TUndoRing {
public:
    static constexpr int SLOT_COUNT = 16;
    // The longest run a ring covers: the user sample's 244..314.
    static constexpr int MAX_SPAN = 71;

    // The ring of tags first..last (a longer run keeps its first MAX_SPAN), empty.
    constexpr TUndoRing(int first, int last) : first(first), count(std::clamp(last - first + 1, 0, MAX_SPAN)) {}

    // Empty, every stored value 0.
    void clear();
    // Stores the current values of the run as the newest snapshot, identical
    // to the last one or not.
    void push(TEditorServices& services);
    // Writes the newest snapshot back through automation, lowest tag first,
    // and forgets it. False (and nothing written) when the ring is empty.
    bool pop(TEditorServices& services);

    bool empty() const { return position < 0; }
    // The slot of the newest snapshot, -1 when empty; never beyond 15.
    int getPosition() const { return position; }
    int getFirstTag() const { return first; }
    int getLastTag() const { return first + count - 1; }
    // The value of tag in slot (0 for anything outside the ring).
    float getValue(int slot, int tag) const;

private:
    int first;
    int count;
    int position = -1;
    std::array<std::array<float, MAX_SPAN>, SLOT_COUNT> slots{};
};
