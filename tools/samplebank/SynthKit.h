// The small synthesis kit the bank's sounds are made with: a seeded random
// source, oscillators, filters, envelopes, a plate-like reverb and the
// buffer helpers. Everything is deterministic: the same calls give the same
// samples on every run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace bank {

constexpr double RATE = 48000.0;
constexpr double TWO_PI = 2.0 * std::numbers::pi;

inline int frames(double seconds) { return static_cast<int>(seconds * RATE + 0.5); }

// splitmix64: tiny, fast and the same everywhere.
class TRng {
public:
    explicit TRng(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double bipolar() { return 2.0 * uniform() - 1.0; }
    double range(double low, double high) { return low + (high - low) * uniform(); }
    // A roughly normal value from the sum of four uniforms.
    double gauss() { return (uniform() + uniform() + uniform() + uniform() - 2.0) * 1.7320508; }
    int below(int n) { return static_cast<int>(uniform() * n) % std::max(n, 1); }

private:
    std::uint64_t state;
};

// A stereo buffer.
struct TStereo {
    std::vector<float> left, right;
    explicit TStereo(int n = 0) : left(static_cast<std::size_t>(n)), right(static_cast<std::size_t>(n)) {}
    int size() const { return static_cast<int>(left.size()); }
    void add(int i, double l, double r) {
        left[static_cast<std::size_t>(i)] += static_cast<float>(l);
        right[static_cast<std::size_t>(i)] += static_cast<float>(r);
    }
    void mix(const TStereo& other, double gain) {
        const int n = std::min(size(), other.size());
        for (int i = 0; i < n; ++i) add(i, other.left[i] * gain, other.right[i] * gain);
    }
};

// Equal-power pan, 0 left .. 1 right.
inline void panGains(double pan, double& l, double& r) {
    l = std::cos(pan * std::numbers::pi * 0.5);
    r = std::sin(pan * std::numbers::pi * 0.5);
}

// A sine partial that decays exponentially, advanced by complex rotation
// (no sine per sample): amplitude, frequency, decay time to -60 dB.
struct TPartial {
    double re, im, cr, ci;
    TPartial(double frequency, double amplitude, double decaySeconds, double phase = 0.0) {
        const double w = TWO_PI * frequency / RATE;
        const double g = decaySeconds > 0.0 ? std::exp(-6.907755 / (decaySeconds * RATE)) : 1.0;
        cr = std::cos(w) * g;
        ci = std::sin(w) * g;
        re = amplitude * std::sin(phase);
        im = amplitude * std::cos(phase);
    }
    double step() {
        const double r = re * cr - im * ci;
        im = re * ci + im * cr;
        re = r;
        return re;
    }
};

// Sums partials into a buffer channel with an onset delay each.
inline void addPartials(std::vector<float>& out, std::vector<TPartial> partials, int start = 0) {
    const int n = static_cast<int>(out.size());
    for (auto& p : partials)
        for (int i = start; i < n; ++i) out[static_cast<std::size_t>(i)] += static_cast<float>(p.step());
}

// RBJ biquad, transposed direct form II.
struct TBiquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, z1 = 0, z2 = 0;
    enum Kind { LOW, HIGH, BAND, PEAK, NOTCH };
    void set(Kind kind, double frequency, double q, double gainDb = 0.0) {
        frequency = std::clamp(frequency, 10.0, RATE * 0.49);
        const double w = TWO_PI * frequency / RATE, cw = std::cos(w), sw = std::sin(w);
        const double alpha = sw / (2.0 * std::max(q, 0.05));
        const double a = std::pow(10.0, gainDb / 40.0);
        double a0 = 1;
        switch (kind) {
        case LOW: b0 = (1 - cw) / 2; b1 = 1 - cw; b2 = b0; a0 = 1 + alpha; a1 = -2 * cw; a2 = 1 - alpha; break;
        case HIGH: b0 = (1 + cw) / 2; b1 = -(1 + cw); b2 = b0; a0 = 1 + alpha; a1 = -2 * cw; a2 = 1 - alpha; break;
        case BAND: b0 = alpha; b1 = 0; b2 = -alpha; a0 = 1 + alpha; a1 = -2 * cw; a2 = 1 - alpha; break;
        case PEAK:
            b0 = 1 + alpha * a; b1 = -2 * cw; b2 = 1 - alpha * a;
            a0 = 1 + alpha / a; a1 = -2 * cw; a2 = 1 - alpha / a;
            break;
        case NOTCH: b0 = 1; b1 = -2 * cw; b2 = 1; a0 = 1 + alpha; a1 = -2 * cw; a2 = 1 - alpha; break;
        }
        b0 /= a0; b1 /= a0; b2 /= a0; a1 /= a0; a2 /= a0;
    }
    double run(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// Topology-preserving state-variable filter: stays stable while its
// frequency sweeps every sample.
struct TSvf {
    double s1 = 0, s2 = 0, low = 0, band = 0, high = 0;
    void run(double x, double frequency, double q) {
        const double g = std::tan(std::numbers::pi * std::clamp(frequency, 5.0, RATE * 0.45) / RATE);
        const double k = 1.0 / std::max(q, 0.1);
        high = (x - (k + g) * s1 - s2) / (1.0 + g * (k + g));
        band = g * high + s1;
        s1 = g * high + band;
        low = g * band + s2;
        s2 = g * band + low;
    }
};

struct TOnePole {
    double z = 0;
    double lowpass(double x, double frequency) {
        const double a = std::exp(-TWO_PI * frequency / RATE);
        z = x * (1 - a) + z * a;
        return z;
    }
};

// Pink noise (three-stage filter of white noise), about -10 dB below white.
struct TPink {
    double b0 = 0, b1 = 0, b2 = 0;
    double run(double white) {
        b0 = 0.99765 * b0 + white * 0.0990460;
        b1 = 0.96300 * b1 + white * 0.2965164;
        b2 = 0.57000 * b2 + white * 1.0526913;
        return (b0 + b1 + b2 + white * 0.1848) * 0.25;
    }
};

// Naive waveforms with a one-sample polyBLEP at their steps, for sweeps.
inline double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}
struct TOsc {
    double phase = 0;
    double saw(double frequency) {
        const double dt = std::clamp(frequency / RATE, 0.0, 0.49);
        double y = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return y;
    }
    double square(double frequency, double width = 0.5) {
        const double dt = std::clamp(frequency / RATE, 0.0, 0.49);
        double y = phase < width ? 1.0 : -1.0;
        y += polyBlep(phase, dt);
        double shifted = phase - width;
        if (shifted < 0.0) shifted += 1.0;
        y -= polyBlep(shifted, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return y;
    }
    double sine(double frequency) {
        const double y = std::sin(TWO_PI * phase);
        phase += frequency / RATE;
        phase -= std::floor(phase);
        return y;
    }
};

// Envelope shapes over time t in seconds.
inline double decay(double t, double seconds) { return std::exp(-6.907755 * t / seconds); }  // -60 dB at `seconds`
inline double attackDecay(double t, double attack, double seconds) {
    return t < attack ? std::sin(t / attack * std::numbers::pi * 0.5) : decay(t - attack, seconds);
}
inline double smoothStep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

// A stereo plate-like reverb: four modulation-free comb feedback lines per
// side, mixed through a Householder matrix, with damping.
class TReverb {
public:
    TReverb(double seconds, double damping, std::uint64_t seed) {
        static constexpr int BASE[8] = {1433, 1601, 1867, 2053, 2251, 2399, 2617, 2797};
        TRng rng(seed);
        for (int i = 0; i < 8; ++i) {
            const int length = BASE[i] + rng.below(97);
            lines[i].assign(static_cast<std::size_t>(length), 0.0);
            gains[i] = std::pow(10.0, -3.0 * length / (seconds * RATE));
        }
        damp = damping;
    }
    void run(double inLeft, double inRight, double& outLeft, double& outRight) {
        double taps[8];
        for (int i = 0; i < 8; ++i) taps[i] = lines[i][positions[i]];
        double sum = 0;
        for (double t : taps) sum += t;
        sum *= 0.25;  // Householder: x - 2/N sum
        outLeft = taps[0] - taps[2] + taps[4] - taps[6];
        outRight = taps[1] - taps[3] + taps[5] - taps[7];
        for (int i = 0; i < 8; ++i) {
            double x = (taps[i] - sum) * gains[i] + (i % 2 == 0 ? inLeft : inRight) * 0.35;
            lowState[i] = x * (1.0 - damp) + lowState[i] * damp;
            lines[i][positions[i]] = lowState[i];
            if (++positions[i] >= lines[i].size()) positions[i] = 0;
        }
        outLeft *= 0.35;
        outRight *= 0.35;
    }
    // Adds the reverb of a buffer to itself, wet by `mix`.
    void apply(TStereo& s, double mix) {
        for (int i = 0; i < s.size(); ++i) {
            double l, r;
            run(s.left[i], s.right[i], l, r);
            s.add(i, l * mix, r * mix);
        }
    }

private:
    std::vector<double> lines[8];
    std::size_t positions[8] = {};
    double gains[8] = {};
    double lowState[8] = {};
    double damp = 0.3;
};

// Soft saturation that leaves small values alone.
inline double saturate(double x, double drive) { return std::tanh(x * drive) / std::tanh(drive); }

}  // namespace bank
