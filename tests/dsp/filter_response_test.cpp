// Frequency response of every linear filter type, measured with sines through
// TFilter and compared with the transfer function of its recursion.
#include "filter_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <string>

using namespace filtertest;
using cd = std::complex<double>;

namespace {

constexpr double HOST_RATE = 48000.0;
constexpr double OVER_RATE = 2.0 * HOST_RATE;

// Normalised frequency as the filter forms it, and the table entry it lands on.
double normalised(double cutoffHz) {
    const double limited = std::min(cutoffHz, 0.4 * HOST_RATE);
    return (limited + 0.001) / OVER_RATE + 1e-15;
}
double tableArgument(double w) { return std::floor(w * 262143.0) / 262144.0; }

struct Responses {
    cd low, band, high;
};

// Chamberlin state-variable filter: high = x - low[n-1] - d band[n-1],
// band = f high + band[n-1], low = f band + low[n-1].
Responses stateVariable(cd zinv, double f, double d) {
    const cd u = 1.0 - zinv;
    const cd den = u * u + f * f * zinv + d * f * zinv * u;
    return {f * f / den, f * u / den, u * u / den};
}

// Trapezoidal (zero-delay) state-variable filter: the bilinear image of
// 1 / (s^2 + 2Rs + 1) with s prewarped by g = tan(pi fc / fs).
Responses trapezoidal(cd zinv, double g, double r) {
    const cd s = (1.0 - zinv) / ((1.0 + zinv) * g);
    const cd den = s * s + 2.0 * r * s + 1.0;
    return {1.0 / den, s / den, s * s / den};
}

cd biquad(cd zinv, double b0, double b1, double b2, double a1, double a2) {
    return (b0 + b1 * zinv + b2 * zinv * zinv) / (1.0 + a1 * zinv + a2 * zinv * zinv);
}

// The fixed biquad ahead of the 24 and 36 dB types.
cd fixedBiquad(cd zinv, double a, bool lowPass) {
    const double s = std::sin(PI * a), c = std::cos(PI * a);
    const double twoRoot2 = 2.0 * std::sqrt(2.0);
    if (lowPass) {
        const double K = a == 0.0 ? 666.6667 : c / (s + 0.0015);
        const double a0 = 1.0 / (K * K + twoRoot2 * K + 1.001);
        return biquad(zinv, a0, 2.0 * a0, a0, 2.0 * (1.0 - K * K) * a0, (1.0 - twoRoot2 * K + K * K) * a0);
    }
    const double K = s / (c + 0.0015);
    const double a0 = 1.0 / (K * K + twoRoot2 * K + 1.0001);
    return biquad(zinv, a0, -2.0 * a0, a0, 2.0 * (K * K - 1.0) * a0, (1.0 - twoRoot2 * K + K * K) * a0);
}

// Four-pole cascade with feedback from the last stage of the previous step:
// returns (b3, b4) per unit cascade input.
std::pair<cd, cd> cascade(cd zinv, double a, double prevQ) {
    const double u = 2.0 * a * (1.0 - 2.0 * a) + 2.0 * a;
    const double p = u, f = 2.0 * u - 1.0;
    const double oneMinus = 1.0 - 2.0 * a;
    const double k = prevQ * ((5.6 * oneMinus * oneMinus + 2.0 * a) * 0.5 * oneMinus + 1.0);
    const cd stage = p * (1.0 + zinv) / (1.0 + f * zinv);
    const cd g3 = stage * stage * stage, g4 = g3 * stage;
    const cd input = 1.0 / (1.0 + k * zinv * g4);
    return {g3 * input, g4 * input};
}

cd formantSection(cd zinv, double b0, double a1, double a2) {
    return b0 * (1.0 - zinv * zinv) / (1.0 + a1 * zinv + a2 * zinv * zinv);
}

// The two-pole band-pass of the formant types 28 and 29 at normalised ws.
cd formantBandPass(cd zinv, double ws, double prevQ) {
    const int wi = ws > 0.4 ? 104857 : static_cast<int>(ws * 262143.0);
    const double a = wi / 262144.0;
    const double y = static_cast<int>(prevQ * 131071.0) / 131072.0;
    const double e = std::exp2(3.98 * y + 1.0);
    const double t = std::sin(2.0 * PI * a) / e;
    const double n = 1.0 + t;
    return formantSection(zinv, std::sqrt(e + 1.0) * 2.0 * t / n, -2.0 * std::cos(2.0 * PI * a) / n, (1.0 - t) / n);
}

// Transfer function of a type at the tone frequency hz.
cd response(const FilterSetting& s, double hz) {
    const cd zinv = std::polar(1.0, -2.0 * PI * hz / OVER_RATE);
    const double w = normalised(s.cutoffHz);
    const double a = tableArgument(w);
    const double prevQ = std::clamp(static_cast<double>(s.q), 0.0, 1.0) * 0.95f;
    const double m = s.vowel;
    const double root2 = std::sqrt(2.0);

    double weightLow = 0, weightBand = 0, weightHigh = 0;
    if (s.type == 11 || s.type == 23) {
        weightLow = 1.0 - m;
        weightHigh = m;
    } else if (m < 0.5) {
        weightLow = 1.0 - 2.0 * m;
        weightBand = 2.0 * m;
    } else {
        weightBand = 2.0 - 2.0 * m;
        weightHigh = 2.0 * m - 1.0;
    }

    const cd onePoleLow = 2.0 * w / (1.0 - (1.0 - 2.0 * w) * zinv);
    const Responses svf = stateVariable(zinv, 2.0 * std::sin(PI * a), 1.0 - prevQ);
    const double zq = 0.5 * std::exp2(-5.0 * static_cast<int>(prevQ * 0.995 * 131071.0) / 131072.0);
    const Responses zdf = trapezoidal(zinv, std::tan(PI * a), zq);
    const Responses zdf24 = trapezoidal(zinv, std::tan(PI * a), 0.5 * std::exp2(-3.0 * 0.995 * prevQ));

    switch (s.type) {
    case 1: return onePoleLow;
    case 2: return 1.0 - onePoleLow;
    case 3: return svf.low * root2;
    case 4: return svf.high * root2;
    case 5: return svf.band * 2.0;
    case 6: return (svf.low - svf.high) * root2;
    case 7: return zdf.low;
    case 8: return zdf.high;
    case 9: return 2.0 * zdf.band;
    case 10: return zdf.high + zdf.low;
    case 11:
    case 12: return zdf.low * weightLow + 2.0 * zdf.band * weightBand + zdf.high * weightHigh;
    case 13: return onePoleLow * svf.low * root2;
    case 14: return (1.0 - onePoleLow) * svf.high * root2;
    case 15: return fixedBiquad(zinv, a, true) * svf.low * root2;
    case 16: return fixedBiquad(zinv, a, false) * svf.high * root2;
    case 17:
    case 18: {
        const auto [b3, b4] = cascade(zinv, a, prevQ);
        return s.type == 17 ? (b3 - b4) * 6.0 : 1.0 - 3.0 * (b3 - b4);
    }
    case 19: return zdf24.low * zdf24.low;
    case 20: return zdf24.high * zdf24.high;
    case 21: return zdf24.band * 2.0 * zdf24.band;
    case 22: return (zdf24.high + zdf24.low) * (zdf24.high + zdf24.low);
    case 23:
    case 24:
        return (zdf24.low * weightLow + zdf24.band * weightBand + zdf24.high * weightHigh) *
               (zdf24.low * weightLow + 2.0 * zdf24.band * weightBand + zdf24.high * weightHigh);
    case 25:
    case 26: {
        const cd bq = fixedBiquad(zinv, a, s.type == 25);
        const cd b4 = cascade(zinv, a, prevQ).second;
        return s.type == 25 ? 2.0 * bq * b4 : bq * (1.0 - b4);
    }
    case 27: {
        static const double formants[5][4] = {{650, 1080, 2650, 2900}, {400, 1700, 2600, 3200},
                                              {290, 1870, 2800, 3250}, {400, 800, 2800, 3000},
                                              {350, 600, 2700, 2900}};
        // In single precision, as the filter forms it: vowel 0 lands just above 0 (pure A).
        const double position = std::fmod(s.vowel * 4.99f + 1996.0f, 4.99f);
        const int row = std::min(static_cast<int>(position), 4);
        const double fraction = position - std::floor(position);
        const double r = prevQ * 0.399 + 0.2;
        cd sum = 0.0;
        for (int k = 0; k < 4; ++k) {
            const double f = formants[row][k] * (1 - fraction) + formants[(row + 1) % 5][k] * fraction;
            const double ws = std::min(f * (s.cutoffHz / 440.0) / OVER_RATE, 0.4);
            const double aC = static_cast<int>(r * 262143.0 * ws) / 262144.0;
            const double C = aC == 0.0 ? 999.99994 : 1.0 / (std::tan(PI * aC) + 0.001);
            const double D = 2.0 * std::cos(2.0 * PI * static_cast<int>(ws * 262143.0) / 262144.0);
            const double g = 1.0 / (C + 1.0);
            sum += formantSection(zinv, g, -D * C * g, (C - 1.0) * g);
        }
        return sum;
    }
    case 28:
    case 29: {
        cd sum = 0.0;
        for (int k = 0; k < 4; ++k) {
            const double octaves = s.type == 29 ? 2.0 * (k * 0.6666667 * m - m) : (k < 2 ? -2.0 * m : 2.0 * m);
            sum += formantBandPass(zinv, std::exp2(octaves) * (s.cutoffHz + 0.001) / OVER_RATE, prevQ);
        }
        return sum;
    }
    case 30:
    case 31: {
        const double limited = std::min(static_cast<double>(s.cutoffHz), 0.4 * HOST_RATE);
        const double delay = std::clamp(std::floor(HOST_RATE * 512.0 / limited), 513.0, 8191.0 * 256.0);
        const int entries = static_cast<int>(std::ceil(delay / 256.0));
        const double g = (s.type == 31 ? -1.0 : 1.0) * std::sqrt(std::sqrt(prevQ));
        const cd zn = std::pow(zinv, entries);
        return zn / (1.0 - g * zn);
    }
    default: return 1.0;
    }
}

struct ResponseCase {
    FilterSetting setting;
    std::string name;
};

std::vector<ResponseCase> responseCases() {
    std::vector<ResponseCase> cases;
    for (int type = 1; type <= 31; ++type) {
        const bool morphs = type == 11 || type == 12 || type == 23 || type == 24 || (type >= 27 && type <= 29);
        const std::vector<float> vowels = morphs ? std::vector<float>{0.0f, 0.3f, 0.8f} : std::vector<float>{0.0f};
        const std::vector<float> cutoffs = type == 27 ? std::vector<float>{440.0f, 1000.0f}
                                                      : std::vector<float>{1000.0f, 6000.0f};
        for (float cutoff : cutoffs)
            for (float q : {0.0f, 0.7f})
                for (float vowel : vowels) {
                    ResponseCase c{{type, cutoff, q, vowel}, ""};
                    c.name = "type" + std::to_string(type) + "_fc" + std::to_string(static_cast<int>(cutoff)) + "_q" +
                             std::to_string(static_cast<int>(q * 10)) + "_v" +
                             std::to_string(static_cast<int>(vowel * 10));
                    cases.push_back(c);
                }
    }
    return cases;
}

class FilterResponse : public ::testing::TestWithParam<ResponseCase> {};

// Gains at and around the cutoff (and at the formants for the vowel filter)
// agree with the transfer function: 2 % where the gain is above -40 dB,
// 0.002 absolute below, where only the stop band's depth is at stake.
TEST_P(FilterResponse, MatchesTransferFunction) {
    const FilterSetting& s = GetParam().setting;
    std::vector<double> tones;
    for (double factor : {0.25, 0.5, 0.9, 1.0, 1.1, 2.0, 4.0}) tones.push_back(s.cutoffHz * factor);
    if (s.type == 27) tones = {300, 400, 650, 800, 1080, 1700, 2650, 2900};
    for (double hz : tones) {
        hz = std::round(hz / 5.0) * 5.0;  // whole cycles in the 0.2 s window
        if (hz >= 0.45 * OVER_RATE) continue;
        const double expected = std::abs(response(s, hz));
        const double measured = measureGain(s, static_cast<float>(HOST_RATE), hz);
        const double tolerance = expected > 0.01 ? 0.02 * expected : 0.002;
        EXPECT_NEAR(measured, expected, tolerance) << GetParam().name << " at " << hz << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(AllLinearTypes, FilterResponse, ::testing::ValuesIn(responseCases()),
                         [](const ::testing::TestParamInfo<ResponseCase>& info) { return info.param.name; });

// Properties a listener knows each type by, measured without the model above:
// pass-band level, slope per octave, notch depth and resonance peak.
TEST(FilterLandmarks, SlopesNotchesAndPeaks) {
    struct Landmark {
        FilterSetting setting;
        double toneA, toneB;    // Hz
        double minDb, maxDb;    // allowed range of gain(toneA) / gain(toneB) in dB
        const char* why;
    };
    const Landmark landmarks[] = {
        {{1, 1000, 0, 0}, 8000, 16000, 4.0, 8.0, "6 dB low-pass falls about 6 dB per octave"},
        {{3, 1000, 0, 0}, 4000, 8000, 10.0, 14.0, "12 dB low-pass falls about 12 dB per octave"},
        {{4, 4000, 0, 0}, 1000, 500, 10.0, 14.0, "12 dB high-pass rises about 12 dB per octave"},
        {{7, 1000, 0, 0}, 4000, 8000, 10.0, 14.5, "12 dB zero-delay low-pass slope"},
        {{13, 1000, 0, 0}, 4000, 8000, 15.5, 21.5, "18 dB low-pass slope"},
        {{15, 1000, 0, 0}, 4000, 8000, 21.0, 28.0, "24 dB low-pass slope"},
        {{19, 1000, 0, 0}, 4000, 8000, 21.0, 28.0, "24 dB zero-delay low-pass slope"},
        {{20, 4000, 0, 0}, 1000, 500, 21.0, 28.0, "24 dB zero-delay high-pass slope"},
        {{25, 1000, 0, 0}, 4000, 8000, 31.0, 42.0, "36 dB low-pass slope"},
        {{10, 2000, 0, 0}, 2000, 200, -200.0, -30.0, "zero-delay notch is deep at the cutoff"},
        {{22, 2000, 0, 0}, 2000, 200, -200.0, -30.0, "24 dB notch is deep at the cutoff"},
        {{9, 2000, 0, 0}, 2000, 500, 10.0, 14.0, "band-pass peaks at the cutoff"},
        {{7, 2000, 1, 0}, 2000, 200, 24.0, 32.0, "full resonance raises a peak of about 28 dB"},
        {{3, 2000, 1, 0}, 2000, 200, 20.0, 32.0, "12 dB state-variable resonance peak"},
        {{27, 440, 0, 0}, 650, 850, 3.0, 60.0, "vowel A has a formant at 650 Hz"},
        {{30, 1000, 1, 0}, 1000, 1500, 20.0, 60.0, "positive comb peaks at multiples of the cutoff"},
        {{31, 1000, 1, 0}, 1500, 1000, 20.0, 60.0, "negative comb peaks between them"},
    };
    for (const Landmark& l : landmarks) {
        const double ratio = decibels(measureGain(l.setting, static_cast<float>(HOST_RATE), l.toneA)) -
                             decibels(measureGain(l.setting, static_cast<float>(HOST_RATE), l.toneB));
        EXPECT_GE(ratio, l.minDb) << l.why;
        EXPECT_LE(ratio, l.maxDb) << l.why;
    }
}

}  // namespace
