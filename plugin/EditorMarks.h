// What the plug-in leaves for its editor instead of calling it: a mark per
// parameter tag stored since the editor's last idle pass, and the requests of
// TEditorRequests. Any thread raises them (the audio thread applies 1,024
// values per program); the editor's idle pass takes them on its own thread.
// Raising neither allocates nor locks: one atomic or per mark.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "plugin/EditorServices.h"

class TEditorMarks {
public:
    static constexpr int TAG_COUNT = 1024;

    // A tag outside 0..1023 is ignored.
    void markTag(int tag) {
        if (static_cast<unsigned>(tag) >= static_cast<unsigned>(TAG_COUNT)) return;
        std::atomic<std::uint64_t>& word = changedTags[static_cast<std::size_t>(tag) / 64];
        const std::uint64_t bit = std::uint64_t{1} << (tag % 64);
        // A mark already raised needs no write: the host's automation of one
        // tag, block after block, then only reads the shared word.
        if ((word.load(std::memory_order_relaxed) & bit) == 0) word.fetch_or(bit, std::memory_order_release);
    }

    // Appends the marked tags in ascending order and clears their marks. A tag
    // marked while this runs is either taken now or stays for the next pass.
    void takeTags(std::vector<int>& tags) {
        for (std::size_t w = 0; w < changedTags.size(); ++w) {
            if (changedTags[w].load(std::memory_order_relaxed) == 0) continue;
            std::uint64_t bits = changedTags[w].exchange(0, std::memory_order_acquire);
            while (bits != 0) {
                const int bit = __builtin_ctzll(bits);
                tags.push_back(static_cast<int>(w) * 64 + bit);
                bits &= bits - 1;
            }
        }
    }

    void raise(const TEditorRequests& request) {
        const unsigned bits = (request.redraw ? REDRAW : 0u) | (request.modFXModeTaken ? MOD_FX_MODE_TAKEN : 0u) |
                              (request.clearUndos ? CLEAR_UNDOS : 0u);
        if (bits != 0) requests.fetch_or(bits, std::memory_order_release);
    }

    // Takes every request at once: one raised during the take stays for the next.
    TEditorRequests takeRequests() {
        const unsigned bits = requests.exchange(0, std::memory_order_acquire);
        TEditorRequests taken;
        taken.redraw = (bits & REDRAW) != 0;
        taken.modFXModeTaken = (bits & MOD_FX_MODE_TAKEN) != 0;
        taken.clearUndos = (bits & CLEAR_UNDOS) != 0;
        return taken;
    }

    // Whether a request is waiting, without taking it (tests and start-up).
    bool redrawRequested() const { return (requests.load(std::memory_order_relaxed) & REDRAW) != 0; }

private:
    static constexpr unsigned REDRAW = 1, MOD_FX_MODE_TAKEN = 2, CLEAR_UNDOS = 4;

    std::array<std::atomic<std::uint64_t>, TAG_COUNT / 64> changedTags{};
    std::atomic<unsigned> requests{0};
};
