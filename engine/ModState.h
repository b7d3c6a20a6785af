// Modulation values of the sound engine: one table of rows indexed by source or
// destination number (global sources, the neutral destination row, per-voice
// destination sums, per-voice sources, per-voice MIDI sources), the global
// destination sums beside it, and the per-channel MIDI sources of "Poly MPE".
#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
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

// How a route combines into a voice's destination, decided once when the
// routes are rebuilt instead of per voice and frame.
enum TVoiceRouteKind : std::uint8_t {
    VOICE_ROUTE_ADDED,
    VOICE_ROUTE_RATE,
    VOICE_ROUTE_SEMITONES,
    VOICE_ROUTE_LEVEL,
    VOICE_ROUTE_LEVEL_BIPOLAR,  // a level route fed by a -1..1 source
};

// An acting route as the voices apply it, in route order.
struct TVoiceRoute {
    int src = 0;
    int dest = 0;
    int amountDest = 0;  // the destination that modulates this route's amount
    int route = 0;       // index into the eight routes (amount tag, rate cache)
    float neutral = 0;   // the destination's neutral value
    float neutralAmountModulation = 0;
    TVoiceRouteKind kind = VOICE_ROUTE_ADDED;
    // An earlier acting route writes the same destination: this one builds on
    // its result instead of starting from the neutral value.
    bool continuesDest = false;
};

// An amount modulated by its own destination can feed back on itself through
// two slots and grow without end; beyond this nothing changes audibly, and
// the rows stay finite.
constexpr float AMOUNT_LIMIT = 16.0f;
// 2^±60 is far past anything a rate consumer can use, and far from overflow.
constexpr float RATE_EXPONENT_LIMIT = 60.0f;
// int(s * 3600) must stay inside an int.
constexpr float SEMITONE_SOURCE_LIMIT = 500000.0f;

inline float routeAmountLimit(float amount) { return clampFinite(amount, -AMOUNT_LIMIT, AMOUNT_LIMIT); }

// One route on a voice's destination value d, from source value s at amount a.
inline float applyVoiceRoute(float d, TVoiceRouteKind kind, float s, float a, TCachedExp2& ratio) {
    switch (kind) {
    case VOICE_ROUTE_RATE:
        return d * static_cast<float>(ratio(clampFinite(4.0f * a * s, -RATE_EXPONENT_LIMIT, RATE_EXPONENT_LIMIT)));
    case VOICE_ROUTE_SEMITONES: {
        const int cents = static_cast<int>(clampFinite(s, -SEMITONE_SOURCE_LIMIT, SEMITONE_SOURCE_LIMIT) * 3600.0f);
        return d + (static_cast<float>(cents) * 0.01f * a) / 12.0f;
    }
    case VOICE_ROUTE_LEVEL_BIPOLAR:
        s = s * 0.5f + 0.5f;
        [[fallthrough]];
    case VOICE_ROUTE_LEVEL:
        if (a <= 1e-6f) return d * ((1.0f - std::fabs(s)) * std::fabs(a) + (1.0f - std::fabs(a)));
        return d * (s * a + (1.0f - a));
    default:
        return d + a * s;
    }
}

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

    // The route parameters the routes were last worked out from: the four
    // slot sources, then the eight destinations, then the eight bypasses.
    using RouteParameters = std::array<float, NUM_MOD_SLOTS + 2 * NUM_MOD_ROUTES>;
    RouteParameters routeParameters{};
    bool routeParametersKnown = false;

    // The eight routes as the last global control step found them, and the
    // ones that act (destination set, bypass off), in route order.
    std::array<TModRoute, NUM_MOD_ROUTES> modRoute{};
    std::array<int, NUM_MOD_ROUTES> activeRoutes{};
    int numActiveRoutes = 0;
    // The acting routes compiled for the voices, and per frame the parameter
    // part of their amounts (2 x amount - 1), read once for all voices.
    std::array<TVoiceRoute, NUM_MOD_ROUTES> voiceRoutes{};
    int voiceRouteCount = 0;
    std::array<float, NUM_MOD_ROUTES> voiceRouteAmountBase{};
    // Each acting route's whole amount for the frame with its amount
    // destination at neutral: what every voice uses while no acting route
    // writes an amount destination.
    std::array<float, NUM_MOD_ROUTES> voiceRouteAmount{};
    // How a voice whose row is in step with the routes can take them.
    enum TSteadyRoutes : std::uint8_t {
        STEADY_ROUTES_NONE,   // a route writes an amount destination: the full pass, always
        STEADY_ROUTES_ADDED,  // every route adds to a destination of its own (the common case)
        STEADY_ROUTES_ANY,    // the frame's amounts, each route by its kind
    };
    TSteadyRoutes steadyRoutes = STEADY_ROUTES_ADDED;
    // Destinations some acting route writes. Once a voice's routes have run,
    // every other destination of its row holds the neutral value.
    std::array<bool, ROW_SIZE> destRouted{};
    // Counts changes of the acting routes' destinations. A voice whose row was
    // last written under the current count has exactly those destinations
    // away from neutral, so it can skip the reset and write them afresh.
    std::uint64_t routeGeneration = 0;
    std::array<std::uint64_t, 16> voiceRouteGeneration{};
    // Voices (bit v for voice v) whose row was found in step with the steady
    // passes while steadyRouteGeneration was knownSteadyGeneration. A row
    // leaves that step only when it is reset (forgetSteadyVoice) or the
    // routes change (a new steadyRouteGeneration), so the voices' counts need
    // not be compared every frame.
    std::uint32_t knownSteadyVoices = 0;
    std::uint64_t knownSteadyGeneration = NO_ROUTE_GENERATION;
    void forgetSteadyVoice(int voice) { knownSteadyVoices &= ~(1u << voice); }
    // The sounding voices' row offsets (from the first voice's row), in voice
    // order, for the voices of steadyRowsVoices.
    std::array<int, 16> steadyRowOffsets{};
    int steadyRowsCount = 0;
    std::uint32_t steadyRowsVoices = 0;
    static constexpr std::uint64_t NO_ROUTE_GENERATION = ~std::uint64_t{0};
    // routeGeneration while the steady passes may run, otherwise a count that
    // no voice's row holds: one comparison tells a voice which pass it takes.
    std::uint64_t steadyRouteGeneration = NO_STEADY_ROUTE_GENERATION;
    static constexpr std::uint64_t NO_STEADY_ROUTE_GENERATION = ~std::uint64_t{1};
    void updateSteadyRouteGeneration() {
        steadyRouteGeneration = steadyRoutes == STEADY_ROUTES_NONE ? NO_STEADY_ROUTE_GENERATION : routeGeneration;
    }

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
    // The same for the global pass.
    std::array<TCachedExp2, NUM_MOD_ROUTES> globalRatio{};

    // Envelope times follow one modulated parameter each, per voice.
    std::array<TCachedExp2, 16> fadeTime{}, releaseTime{}, attackTime{};

    // The "Ribbon" source as last written to every voice's row; while it holds
    // still the voices' rows are left alone. Only the ribbon writes that
    // entry of the voice rows.
    float voiceRibbonSource = 0.0f;
    bool voiceRibbonSourceKnown = false;

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
        modValues[GLOBAL_SRC_ROW][source::OFFSET] = 1.0f;
        for (int v = 0; v < 16; ++v) modValues[VOICE_SRC_ROW + v][source::OFFSET] = 1.0f;
        voiceRibbonSourceKnown = false;
        modRoute = {};
        for (int r = 0; r < NUM_MOD_ROUTES; ++r) modRoute[r].src = ROUTE_FIXED_SRC[r];
        numActiveRoutes = 0;
        voiceRouteCount = 0;
        routeParametersKnown = false;
        ++routeGeneration;
        voiceRouteGeneration.fill(NO_ROUTE_GENERATION);
        knownSteadyVoices = 0;
        updateSteadyRouteGeneration();
        globalTouchedCount = 0;
        voiceTouchedCount.fill(0);
        lockState = 0;
    }

    // The routes of one voice when its row was last written under the current
    // routes and no route modulates an amount: every destination a route
    // writes is then rebuilt from neutral with the frame's amounts, and the
    // others are neutral already. False when the full pass must run.
    bool applySteadyVoiceRoutes(int voice) {
        if (voiceRouteGeneration[voice] != steadyRouteGeneration) return false;
        Row& dest = voiceModDest(voice);
        const Row& sources = voiceModSrc(voice);
        auto& ratio = voiceRatio[voice];
        const int count = voiceRouteCount;
        if (steadyRoutes == STEADY_ROUTES_ADDED) {
            for (int k = 0; k < count; ++k) {
                const TVoiceRoute& route = voiceRoutes[k];
                dest[route.dest] = route.neutral + voiceRouteAmount[k] * sources[route.src];
            }
            return true;
        }
        for (int k = 0; k < count; ++k) {
            const TVoiceRoute& route = voiceRoutes[k];
            float& d = dest[route.dest];
            d = applyVoiceRoute(route.continuesDest ? d : route.neutral, route.kind, sources[route.src],
                                voiceRouteAmount[k], ratio[route.route]);
        }
        return true;
    }

    // applySteadyVoiceRoutes for the voices of a mask (bit v for voice v),
    // route by route; answers the voices that need the full pass. Each
    // voice's routes still run in route order, and no voice reads another's rows.
    std::uint32_t applySteadyVoiceRoutes(std::uint32_t voices) {
        if (steadyRoutes != STEADY_ROUTES_ADDED) {
            std::uint32_t full = 0;
            for (std::uint32_t pending = voices; pending != 0; pending &= pending - 1) {
                const int v = std::countr_zero(pending);
                if (!applySteadyVoiceRoutes(v)) full |= 1u << v;
            }
            return full;
        }
        std::uint32_t full = 0;
        if (knownSteadyGeneration != steadyRouteGeneration || (voices & ~knownSteadyVoices) != 0) {
            // Some voice may have left step with the routes: find those that did.
            for (std::uint32_t pending = voices; pending != 0; pending &= pending - 1) {
                const int v = std::countr_zero(pending);
                if (voiceRouteGeneration[static_cast<std::size_t>(v)] != steadyRouteGeneration) full |= 1u << v;
            }
            if (knownSteadyGeneration != steadyRouteGeneration) {
                knownSteadyGeneration = steadyRouteGeneration;
                knownSteadyVoices = 0;
            }
            knownSteadyVoices |= voices & ~full;
        }
        applyAddedRoutes(voices & ~full);
        return full;
    }

    // The added steady routes on the voices of a mask, all in step with the
    // routes. The list of their rows is kept while the same voices sound,
    // instead of being gathered each frame.
    void applyAddedRoutes(std::uint32_t voices) {
        // A voice's source row lies a fixed number of rows after its destination row.
        static_assert(VOICE_SRC_ROW - VOICE_DEST_ROW == 16);
        constexpr std::ptrdiff_t SOURCES = (VOICE_SRC_ROW - VOICE_DEST_ROW) * ROW_SIZE;
        if (steadyRowsVoices != voices) {
            steadyRowsVoices = voices;
            steadyRowsCount = 0;
            for (std::uint32_t pending = voices; pending != 0; pending &= pending - 1)
                steadyRowOffsets[static_cast<std::size_t>(steadyRowsCount++)] = std::countr_zero(pending) * ROW_SIZE;
        }
        float* const rows = voiceModDest(0).data();
        const int rowCount = steadyRowsCount;
        // Routes in pairs, each pair in one pass over the rows: a route
        // writes a destination row and reads a source row, so the pair's
        // writes never feed its reads, and each voice still takes its
        // routes in order.
        int k = 0;
        for (; k + 1 < voiceRouteCount; k += 2) {
            const TVoiceRoute& route0 = voiceRoutes[static_cast<std::size_t>(k)];
            const TVoiceRoute& route1 = voiceRoutes[static_cast<std::size_t>(k + 1)];
            const float neutral0 = route0.neutral, amount0 = voiceRouteAmount[static_cast<std::size_t>(k)];
            const float neutral1 = route1.neutral, amount1 = voiceRouteAmount[static_cast<std::size_t>(k + 1)];
            const std::ptrdiff_t dest0 = route0.dest, dest1 = route1.dest;
            const std::ptrdiff_t src0 = SOURCES + route0.src, src1 = SOURCES + route1.src;
#pragma GCC unroll 4
            for (int i = 0; i < rowCount; ++i) {
                float* const row = rows + steadyRowOffsets[static_cast<std::size_t>(i)];
                const float s0 = row[src0], s1 = row[src1];
                row[dest0] = neutral0 + amount0 * s0;
                row[dest1] = neutral1 + amount1 * s1;
            }
        }
        for (; k < voiceRouteCount; ++k) {
            const TVoiceRoute& route = voiceRoutes[static_cast<std::size_t>(k)];
            const float neutral = route.neutral, amount = voiceRouteAmount[static_cast<std::size_t>(k)];
            const std::ptrdiff_t dest = route.dest, src = SOURCES + route.src;
            for (int i = 0; i < rowCount; ++i) {
                float* const row = rows + steadyRowOffsets[static_cast<std::size_t>(i)];
                row[dest] = neutral + amount * row[src];
            }
        }
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
