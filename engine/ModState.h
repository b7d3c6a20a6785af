// Modulation values of APlugin: one table of rows indexed by source or
// destination number (global sources, the neutral destination row, per-voice
// destination sums, per-voice sources, per-voice MIDI sources), the global
// destination sums beside it, and the per-channel MIDI sources of "Poly MPE".
#pragma once

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>

#include "engine/ModMath.h"
#include "engine/ModTables.h"

// One route as cached at the global control step.
struct TModRoute {
    int dest = 0;       // 0: the route does nothing
    int destType = 0;
    bool bypass = false;
    int src = 0;
};

struct TModState {
    static constexpr int ROW_SIZE = 256;
    static constexpr int NUM_SOURCES = 63;       // 0 = none, 1..62
    static constexpr int NUM_DESTINATIONS = 126;  // 0 = none, 1..125
    static constexpr int GLOBAL_SRC_ROW = 0;
    static constexpr int NEUTRAL_DEST_ROW = 1;
    static constexpr int VOICE_DEST_ROW = 2;
    static constexpr int VOICE_SRC_ROW = 18;
    static constexpr int VOICE_MIDI_SRC_ROW = 34;

    using Row = std::array<float, ROW_SIZE>;

    std::array<Row, 51> modValues{};
    Row globalModDest{};
    std::array<Row, 16> channelModSrc{};

    // Sources that cost work per frame are computed only while a route reads them.
    bool inputInUse = false;        // 50
    bool voiceOutputInUse = false;  // 51
    bool lowFiOutputInUse = false;  // 52
    bool modFXOutputInUse = false;  // 53
    bool delayOutputInUse = false;  // 54
    bool reverbOutputInUse = false;  // 55
    bool outputInUse = false;       // 56
    bool whiteNoiseInUse = false;   // 58 and 59

    // The eight routes as the last global control step found them, and the
    // ones that act (destination set, bypass off), in route order.
    std::array<TModRoute, NUM_MOD_ROUTES> modRoute{};
    std::array<int, NUM_MOD_ROUTES> activeRoutes{};
    int numActiveRoutes = 0;

    // Destinations the last route pass wrote, globally and per voice. Only these
    // can differ from the neutral row, so only these are reset before the next
    // pass (instead of copying the whole row every frame).
    std::array<std::uint8_t, NUM_MOD_ROUTES> globalTouchedDest{};
    int globalTouchedCount = 0;
    std::array<std::array<std::uint8_t, NUM_MOD_ROUTES>, 16> voiceTouchedDest{};
    std::array<int, 16> voiceTouchedCount{};
    // Per voice and route: the last exponent of a rate route and its 2^x, so the
    // exponential is recomputed only when a source or amount moved.
    std::array<std::array<TCachedExp2, NUM_MOD_ROUTES>, 16> voiceRatio{};

    // Envelope times follow one modulated parameter each, per voice.
    std::array<TCachedExp2, 16> fadeTime{}, releaseTime{}, attackTime{};

    // Rest position of the ribbon spring (0 or 0.5), fixed when the spring
    // starts: a "Ribbon BiPolar" change while it moves does not retarget it.
    double ribbonSpringRest = 0;

    // Movement lock: 0 not locked; the editor sets 1 (capture) and 2 (restore).
    std::atomic<int> lockState{0};
    std::atomic<float> lockMoveSpeed{0.0f};
    std::atomic<float> lockMoveSync{0.0f};

    // The state of a new plug-in: every row clear except the neutral row (1.0
    // at the levels and rates), the destination sums neutral, the "Offset"
    // source at 1.0, and no route acting.
    TModState() { startState(); }
    void startState() {
        for (auto& row : channelModSrc) row.fill(0.0f);
        for (auto& row : modValues) row.fill(0.0f);
        Row& neutral = modValues[NEUTRAL_DEST_ROW];
        for (int dest : NEUTRAL_ONE_DESTS) neutral[dest] = 1.0f;
        globalModDest = neutral;
        for (int v = 0; v < 16; ++v) modValues[VOICE_DEST_ROW + v] = neutral;
        modValues[GLOBAL_SRC_ROW][SRC_OFFSET] = 1.0f;
        for (int v = 0; v < 16; ++v) modValues[VOICE_SRC_ROW + v][SRC_OFFSET] = 1.0f;
        modRoute = {};
        for (int r = 0; r < NUM_MOD_ROUTES; ++r) modRoute[r].src = ROUTE_FIXED_SRC[r];
        numActiveRoutes = 0;
        globalTouchedCount = 0;
        voiceTouchedCount.fill(0);
        lockState = 0;
    }

    Row& globalModSrc() { return modValues[GLOBAL_SRC_ROW]; }
    Row& neutralModDest() { return modValues[NEUTRAL_DEST_ROW]; }
    Row& voiceModDest(int voice) { return modValues[VOICE_DEST_ROW + voice]; }
    Row& voiceModSrc(int voice) { return modValues[VOICE_SRC_ROW + voice]; }
    Row& voiceMidiModSrc(int voice) { return modValues[VOICE_MIDI_SRC_ROW + voice]; }
    const Row& neutralModDest() const { return modValues[NEUTRAL_DEST_ROW]; }
};

// The Movement and Free LFO state travels with the modulation state.
#include "engine/MovementState.h"
