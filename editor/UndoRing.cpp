#include "editor/UndoRing.h"

#include <algorithm>

#include "plugin/EditorServices.h"

void TUndoRing::clear() {
    position = -1;
    for (auto& slot : slots)
        slot.fill(0.0f);
}

void TUndoRing::push(TEditorServices& services) {
    ++position;
    if (position == SLOT_COUNT) {
        // Full: the oldest snapshot goes, the others move down one slot.
        std::rotate(slots.begin(), slots.begin() + 1, slots.end());
        position = SLOT_COUNT - 1;
    }
    for (int i = 0; i < count; ++i)
        slots[static_cast<size_t>(position)][static_cast<size_t>(i)] = services.getParameter(first + i);
}

bool TUndoRing::pop(TEditorServices& services) {
    if (position < 0)
        return false;
    for (int i = 0; i < count; ++i)
        services.setParameterAutomated(first + i, slots[static_cast<size_t>(position)][static_cast<size_t>(i)]);
    --position;
    return true;
}

float TUndoRing::getValue(int slot, int tag) const {
    if (slot < 0 || slot >= SLOT_COUNT || tag < first || tag >= first + count)
        return 0.0f;
    return slots[static_cast<size_t>(slot)][static_cast<size_t>(tag - first)];
}
