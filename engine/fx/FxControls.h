// What the effects chain reads of the engine: the values of the effect
// parameters (tags 75..106), the global modulation sums of the effect
// destinations (37..80), the tempo and the two menu steps, copied by the
// engine at its control step. Plus the helpers the units read them with.
#pragma once

#include <array>
#include <cmath>
#include <cstring>

#include "engine/dsp/ParameterTags.h"

// 0 below 0, 1 above 1; NaN gives 0.
inline float clamp01(float x) {
    if (!(x > 0.0f)) return 0.0f;
    return x < 1.0f ? x : 1.0f;
}

// lo below lo, hi above hi; NaN gives lo.
inline float clampTo(float x, float lo, float hi) {
    if (!(x > lo)) return lo;
    return x < hi ? x : hi;
}

// The fractional part, 0 <= result < 1; 0 for values past 2^53 (which have
// none), infinities and NaN. Through the integer conversion: on the baseline
// instruction set the library floor is a call, and the phases of the
// effects take several of these a frame.
inline double fraction(double x) {
    constexpr double WHOLE_ONLY = 9007199254740992.0;  // 2^53
    if (!(x > -WHOLE_ONLY && x < WHOLE_ONLY)) return 0.0;
    double f = x - static_cast<double>(static_cast<long long>(x));
    if (f < 0.0) f += 1.0;
    return f < 1.0 ? f : 0.0;
}

// fraction() of a phase that has taken a step, at once while it lies below 2.
inline double wrappedPhase(double x) {
    const double y = x - (x >= 1.0 ? 1.0 : 0.0);
    return y >= 0.0 && y < 1.0 ? y : fraction(x);
}

// 2^x with x held where the power stays a normal, finite float.
inline float exp2Limited(float x) { return std::exp2(clampTo(x, -100.0f, 100.0f)); }

// Where the effect controls lie and how the chain reads them, shared by the
// controls held by value (TFxControls) and a view of controls held elsewhere
// (TFxView). Self is the one or the other; it gives parameterData(),
// modulationData() and its tempo.
template <class Self>
struct TFxReadings {
    static constexpr int FIRST_TAG = tag::FX_PATH;
    static constexpr int TAG_COUNT = tag::REVERB_HIGHPASS_FILTER_FREQUENCY - FIRST_TAG + 1;
    static constexpr int FIRST_DEST = destination::LOWFI_MIX;
    static constexpr int DEST_COUNT = destination::REVERB_HIGH_PASS - FIRST_DEST + 1;
    // Modulation sums are held here, far past any audible change; powers
    // of them taken in double (the Gator's 2^(2 m)) stay finite.
    static constexpr float MODULATION_LIMIT = 64.0f;

    // A value that is not a number reads as 0; parameters read as 0..1.
    float param(int tag) const { return clamp01(self().parameterData()[tag - FIRST_TAG]); }
    float mod(int dest) const {
        const float m = self().modulationData()[dest - FIRST_DEST];
        return m == m ? clampTo(m, -MODULATION_LIMIT, MODULATION_LIMIT) : 0.0f;
    }
    // A switch is on from 0.5.
    bool on(int tag) const { return param(tag) >= 0.5f; }
    // The stepped reading of a value: steps stored as (s + 0.1) / range.
    static int steppedValue(float value, float range, int count) {
        const int s = static_cast<int>(clamp01(value) * range + 0.1f);
        return s < count ? s : count - 1;
    }
    int step(int tag, float range, int count) const { return steppedValue(param(tag), range, count); }
    // A parameter with its modulation added, held to 0..1.
    float clamped(int tag, int dest) const { return clamp01(param(tag) + mod(dest)); }
    // Beats per minute as the engine holds it (1..30000); anything else reads as 120.
    float beatsPerMinute() const {
        const float t = self().tempo;
        return t >= 1.0f && t <= 30000.0f ? t : 120.0f;
    }

private:
    const Self& self() const { return static_cast<const Self&>(*this); }
};

struct TFxControls : TFxReadings<TFxControls> {
    std::array<float, TAG_COUNT> parameters{};  // tags 75..106, 0..1 as the store holds them
    std::array<float, DEST_COUNT> modulation{};  // destinations 37..80
    float tempo = 120.0f;                        // beats per minute
    // "FX Path" and "Mod FX Mode" as the parameter store steps them (its
    // step ranges are the parameter table's, read by the engine).
    int path = 0;
    int modFXMode = 0;

    const float* parameterData() const { return parameters.data(); }
    const float* modulationData() const { return modulation.data(); }
};

// The controls of one frame where they lie: the engine's modulation sums are
// read in place, without a copy a frame. Any TFxControls gives one.
struct TFxView : TFxReadings<TFxView> {
    const float* parameters;  // TAG_COUNT values from tag FIRST_TAG on
    const float* modulation;  // DEST_COUNT values from destination FIRST_DEST on
    float tempo;
    int path;

    TFxView(const float* parameterValues, const float* modulationSums, float beats, int pathStep)
        : parameters(parameterValues), modulation(modulationSums), tempo(beats), path(pathStep) {}
    // Controls held by value read as a view of themselves.
    TFxView(const TFxControls& c)
        : TFxView(c.parameters.data(), c.modulation.data(), c.tempo, c.path) {}

    const float* parameterData() const { return parameters; }
    const float* modulationData() const { return modulation; }
};

// The values a group of settings is worked out from: parameters FIRST_TAG to
// LAST_TAG, destinations FIRST_DEST to LAST_DEST and, with TEMPO, the tempo,
// as they were the last time. A group asks moved() every frame and works its
// settings out again only when it answers true, which gives the settings of
// working them out every frame. Values are compared bit for bit.
template <int FIRST_TAG, int LAST_TAG, int FIRST_DEST, int LAST_DEST, bool TEMPO>
class TFxWatch {
public:
    // True when a value differs from the last call's, and on the first call
    // after forget(); the values are kept for the next call.
    bool moved(const TFxView& c) {
        const float* tags = c.parameters + (FIRST_TAG - TFxControls::FIRST_TAG);
        const float* dests = c.modulation + (FIRST_DEST - TFxControls::FIRST_DEST);
        if (known && std::memcmp(tags, lastTags.data(), sizeof lastTags) == 0 &&
            std::memcmp(dests, lastDests.data(), sizeof lastDests) == 0 &&
            (!TEMPO || std::memcmp(&c.tempo, &lastTempo, sizeof lastTempo) == 0))
            return false;
        std::memcpy(lastTags.data(), tags, sizeof lastTags);
        std::memcpy(lastDests.data(), dests, sizeof lastDests);
        lastTempo = c.tempo;
        known = true;
        return true;
    }
    // The settings were changed by other means (a reset, a new rate or mode):
    // the next call answers true.
    void forget() { known = false; }

private:
    std::array<float, LAST_TAG - FIRST_TAG + 1> lastTags{};
    std::array<float, LAST_DEST - FIRST_DEST + 1> lastDests{};
    float lastTempo = 0.0f;
    bool known = false;
};
