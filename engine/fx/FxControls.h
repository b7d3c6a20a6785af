// What the effects chain reads of the engine: the values of the effect
// parameters (tags 75..106), the global modulation sums of the effect
// destinations (37..80), the tempo and the two menu steps, copied by the
// engine at its control step. Plus the tag and destination numbers the
// engine and the chain share, and the helpers the units read them with.
#pragma once

#include <array>
#include <cmath>
#include <cstring>

namespace fxtag {
constexpr int FX_PATH = 75;
constexpr int BYPASS_ALL = 76;
constexpr int LOW_FI_ON = 77;
constexpr int LOW_FI_MIX = 78;
constexpr int LOW_FI_SAMPLE_RATE = 79;
constexpr int LOW_FI_BITS = 80;
constexpr int MOD_FX_ON = 81;
constexpr int MOD_FX_MODE = 82;
constexpr int MOD_FX_TEMPO_SYNC = 83;
constexpr int MOD_FX_MIX = 84;
constexpr int MOD_FX_1 = 85;  // Mod FX 1 to 5 are 85 to 89
constexpr int MOD_FX_2 = 86;
constexpr int MOD_FX_3 = 87;
constexpr int MOD_FX_4 = 88;
constexpr int MOD_FX_5 = 89;
constexpr int DELAY_ON = 90;
constexpr int DELAY_TEMPO_SYNC = 91;
constexpr int DELAY_EQUAL_FEEDBACK = 92;
constexpr int DELAY_MIX = 93;
constexpr int DELAY_LEFT = 94;
constexpr int DELAY_RIGHT = 95;
constexpr int DELAY_FEED = 96;
constexpr int DELAY_CROSS = 97;
constexpr int DELAY_LOW_PASS = 98;
constexpr int DELAY_HIGH_PASS = 99;
constexpr int REVERB_ON = 100;
constexpr int REVERB_MIX = 101;
constexpr int REVERB_PRE_DELAY = 102;
constexpr int REVERB_SIZE = 103;
constexpr int REVERB_LENGTH = 104;
constexpr int REVERB_DAMP = 105;
constexpr int REVERB_HIGH_PASS = 106;
}  // namespace fxtag

namespace fxdest {
constexpr int LOW_FI_MIX = 37;
constexpr int LOW_FI_PAN = 38;
constexpr int LOW_FI_SAMPLE_RATE = 39;
constexpr int LOW_FI_BITS = 40;
constexpr int LOW_FI_NOISE = 41;
constexpr int LOW_FI_LOW_PASS = 42;
constexpr int LOW_FI_HIGH_PASS = 43;
constexpr int MOD_FX_MIX = 44;
constexpr int MOD_FX_PAN = 45;
constexpr int MOD_FX_1 = 46;  // Mod FX 1 to 5 are 46 to 50
constexpr int MOD_FX_SPREAD = 51;
constexpr int MOD_FX_SEPARATION = 52;
constexpr int MOD_FX_PHASE = 53;
constexpr int MOD_FX_SYMMETRY = 54;
constexpr int MOD_FX_BIAS = 55;
constexpr int MOD_FX_BITS = 56;
constexpr int MOD_FX_SAMPLE_HOLD = 57;
constexpr int MOD_FX_HUMANIZE = 58;
constexpr int MOD_FX_LOW_PASS = 59;
constexpr int MOD_FX_HIGH_PASS = 60;
constexpr int MOD_FX_Q = 61;
constexpr int DELAY_MIX = 62;
constexpr int DELAY_PAN = 63;
constexpr int DELAY_LEFT = 64;
constexpr int DELAY_RIGHT = 65;
constexpr int DELAY_LENGTH = 66;
constexpr int DELAY_FINE = 67;
constexpr int DELAY_FEED = 68;
constexpr int DELAY_CROSS = 69;
constexpr int DELAY_LOW_PASS = 70;
constexpr int DELAY_HIGH_PASS = 71;
constexpr int REVERB_MIX = 72;
constexpr int REVERB_PAN = 73;
constexpr int REVERB_PRE_DELAY = 74;
constexpr int REVERB_PRE_FEED = 75;
constexpr int REVERB_PRE_WIDEN = 76;
constexpr int REVERB_SIZE = 77;
constexpr int REVERB_LENGTH = 78;
constexpr int REVERB_DAMP = 79;
constexpr int REVERB_HIGH_PASS = 80;
}  // namespace fxdest

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
    static constexpr int FIRST_TAG = fxtag::FX_PATH;
    static constexpr int TAG_COUNT = fxtag::REVERB_HIGH_PASS - FIRST_TAG + 1;
    static constexpr int FIRST_DEST = fxdest::LOW_FI_MIX;
    static constexpr int DEST_COUNT = fxdest::REVERB_HIGH_PASS - FIRST_DEST + 1;
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
