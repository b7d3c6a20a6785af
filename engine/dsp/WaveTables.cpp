#include "engine/dsp/WaveTables.h"

#include <cmath>
#include <mutex>

namespace {

constexpr double roundToFiveDecimals(double x) {
    // Only non-negative values are rounded here.
    const double scaled = x * 100000.0 + 0.5;
    return static_cast<double>(static_cast<int64_t>(scaled)) / 100000.0;
}

// The factory harmonic data, stored to five decimals like the original
// hand-made tables: saw 1/h up to h = 255 with phases 0.25 - h/8192 (the
// h/8192 term moves each cycle by half an entry, so the ramp crosses zero
// between entries 2047 and 2048); square the odd harmonics of the saw with
// the same phases; triangle 1/h^2 on odd h with phase 0; sine one harmonic
// at phase 0.75. Unused (even) harmonics carry phase 0.5.
constexpr std::array<float, WAVE_SHAPES * WAVE_HARMONIC_ROW> makeAmplitudes() {
    std::array<float, WAVE_SHAPES * WAVE_HARMONIC_ROW> a{};
    for (int h = 1; h < WAVE_HARMONIC_ROW; ++h) {
        const bool odd = (h & 1) != 0;
        const double sawAmplitude = h <= 255 ? roundToFiveDecimals(1.0 / h) : 0.0;
        a[WAVE_SINE * WAVE_HARMONIC_ROW + h] = h == 1 ? 1.0f : 0.0f;
        a[WAVE_SAW * WAVE_HARMONIC_ROW + h] = static_cast<float>(sawAmplitude);
        a[WAVE_SQUARE * WAVE_HARMONIC_ROW + h] = odd ? static_cast<float>(sawAmplitude) : 0.0f;
        a[WAVE_TRIANGLE * WAVE_HARMONIC_ROW + h] =
            odd ? static_cast<float>(roundToFiveDecimals(1.0 / (static_cast<double>(h) * h))) : 0.0f;
    }
    return a;
}

constexpr std::array<float, WAVE_SHAPES * WAVE_HARMONIC_ROW> makePhases() {
    std::array<float, WAVE_SHAPES * WAVE_HARMONIC_ROW> p{};
    for (int h = 1; h < WAVE_HARMONIC_ROW; ++h) {
        const bool odd = (h & 1) != 0;
        const float sawPhase = static_cast<float>(roundToFiveDecimals(0.25 - h / 8192.0));
        p[WAVE_SINE * WAVE_HARMONIC_ROW + h] = h == 1 ? 0.75f : 0.0f;
        p[WAVE_SAW * WAVE_HARMONIC_ROW + h] = sawPhase;
        p[WAVE_SQUARE * WAVE_HARMONIC_ROW + h] = odd ? sawPhase : 0.5f;
        p[WAVE_TRIANGLE * WAVE_HARMONIC_ROW + h] = odd ? 0.0f : 0.5f;
    }
    return p;
}

constexpr std::array<int32_t, WAVE_BAND_TABLE_SIZE> makeBandTable() {
    std::array<int32_t, WAVE_BAND_TABLE_SIZE> bands{};
    for (int i = 0; i < WAVE_BAND_TABLE_SIZE; ++i) {
        if (i < 60) {
            bands[i] = 0;
        } else {
            const int band = (i - 60) / 2 + 1;
            bands[i] = band < 33 ? band : 33;
        }
    }
    return bands;
}

std::once_flag waveTablesOnce;

void fillWaveTables() {
    float levelReference[WAVE_SHAPES];
    for (int s = 0; s < WAVE_SHAPES; ++s) {
        buildPlainWave(s, waveTables[s][0]);
        levelReference[s] = waveLevelReference(waveTables[s][0]);
    }
    // 33 KB of scratch: kept off the stack of whichever thread builds.
    static TFourierTransform transform;
    for (int s = 0; s < WAVE_SHAPES; ++s) {
        for (int b = 1; b < WAVE_BANDS; ++b) {
            buildBandLimitedWave(transform, s, b, levelReference[s], waveTables[s][b]);
        }
    }
    // The entries come out within a few units; this makes certain that no
    // entry is outside +-WAVE_ENTRY_LIMIT, so that a morph of two entries
    // (weights adding up to 1) plus noise in -1..1 is always a finite number,
    // which the voice source relies on.
    for (auto& shape : waveTables)
        for (auto& band : shape)
            for (float& entry : band)
                if (!(std::fabs(entry) <= WAVE_ENTRY_LIMIT)) entry = 0.0f;
}

}  // namespace

const std::array<float, WAVE_SHAPES * WAVE_HARMONIC_ROW> ADDA_WAVE = makeAmplitudes();
const std::array<float, WAVE_SHAPES * WAVE_HARMONIC_ROW> ADDP_WAVE = makePhases();

const std::array<int32_t, WAVE_BANDS> harmonicCount = {
    0,
    149, 133, 118, 105, 94, 83, 74, 66,  // bands 1-8
    59, 52, 47, 41, 37, 33, 29, 26,      // bands 9-16
    23, 20, 18, 16, 14, 13, 11, 10,      // bands 17-24
    9, 8, 7, 6, 5, 5, 4, 4, 3,           // bands 25-33
};

const std::array<int32_t, WAVE_BAND_TABLE_SIZE> waveBandTable = makeBandTable();

float waveTables[WAVE_SHAPES][WAVE_BANDS][WAVE_TABLE_SIZE];

int TFourierTransform::numberOfBitsNeeded(int n) {
    for (int bit = 0; bit < 16; ++bit) {
        if ((n & (1 << bit)) != 0) return bit;
    }
    return 16;
}

int TFourierTransform::reverseBits(int index, int bits) {
    int reversed = 0;
    for (int i = 0; i < bits; ++i) {
        reversed = (reversed << 1) | (index & 1);
        index >>= 1;
    }
    return reversed;
}

bool TFourierTransform::fourierTransform(double angle, int n) {
    if (n < 2 || n > WAVE_TABLE_SIZE || (n & (n - 1)) != 0) return false;
    const int bits = numberOfBitsNeeded(n);
    for (int i = 0; i < n; ++i) {
        const int j = reverseBits(i, bits);
        fftRealOut[j] = fftRealIn[i];
        fftImagOut[j] = fftImagIn[i];
    }
    float* re = fftRealOut;
    float* im = fftImagOut;
    for (int len = 2; len <= n; len <<= 1) {
        // The twiddle factor advances by a rotation computed from half-angle
        // sines, which loses less precision than cos(theta) - 1 would.
        const double theta = angle / len;
        const double halfSine = std::sin(0.5 * theta);
        const double alpha = (halfSine + halfSine) * halfSine;
        const double beta = std::sin(theta);
        const int half = len / 2;
        for (int j = 0; j < n; j += len) {
            double wr = 1.0;
            double wi = 0.0;
            for (int k = 0; k < half; ++k) {
                const int u = j + k;
                const int v = u + half;
                const double tr = wr * re[v] - wi * im[v];
                const double ti = wr * im[v] + wi * re[v];
                re[v] = re[u] - static_cast<float>(tr);
                im[v] = im[u] - static_cast<float>(ti);
                re[u] = re[u] + static_cast<float>(tr);
                im[u] = im[u] + static_cast<float>(ti);
                const double nextWr = wr - (alpha * wr + beta * wi);
                const double nextWi = wi - (alpha * wi - beta * wr);
                wr = nextWr;
                wi = nextWi;
            }
        }
    }
    return true;
}

bool TFourierTransform::ifft(int n) {
    return fourierTransform(-6.283185307179586, n);
}

bool TFourierTransform::fft(int n) {
    return fourierTransform(6.283185307179586, n);
}

void buildPlainWave(int shape, float* table) {
    // A step a hair above 1/4096 puts entry 2048 just past the half cycle, so
    // the square switches exactly there.
    constexpr float kStep = 0.00024414124f;
    constexpr float kPi = 3.1415925f;
    for (int i = 0; i < WAVE_TABLE_SIZE; ++i) {
        const float x = static_cast<float>(i) * kStep;
        float value = 0.0f;
        switch (shape) {
            case WAVE_SINE: value = std::sin((x + x) * kPi); break;
            case WAVE_SAW: value = (x + x) - 1.0f; break;
            case WAVE_SQUARE: value = x < 0.5f ? -1.0f : 1.0f; break;
            case WAVE_TRIANGLE: value = 1.0f - std::fabs(2.0f - 4.0f * x); break;
            default: break;
        }
        table[i] = value;
    }
}

float waveLevelReference(const float* plainWave) {
    float sum = 0.0f;
    for (int i = 0; i < WAVE_TABLE_SIZE; ++i) sum += std::fabs(plainWave[i]);
    return sum;
}

void buildBandLimitedWave(TFourierTransform& transform, int shape, int band, float levelReference, float* table) {
    if (shape < 0 || shape >= WAVE_SHAPES || band < 1 || band >= WAVE_BANDS) {
        for (int n = 0; n < WAVE_TABLE_SIZE; ++n) table[n] = 0.0f;
        return;
    }
    constexpr float kTwoPi = 6.283185f;
    const int harmonics = harmonicCount[band];
    const float* amplitudes = ADDA_WAVE.data() + shape * WAVE_HARMONIC_ROW;
    const float* phases = ADDP_WAVE.data() + shape * WAVE_HARMONIC_ROW;

    transform.fftRealIn[0] = 0.0f;
    transform.fftImagIn[0] = 0.0f;
    float largest = 0.0f;
    for (int h = 1; h <= harmonics; ++h) {
        const float a = amplitudes[h];
        const float phi = (phases[h] - 0.5f) * kTwoPi;
        transform.fftRealIn[h] = a * std::cos(phi);
        transform.fftImagIn[h] = a * std::sin(phi);
        if (a > largest) largest = a;
    }
    for (int h = harmonics + 1; h < WAVE_TABLE_SIZE; ++h) {
        transform.fftRealIn[h] = 0.0f;
        transform.fftImagIn[h] = 0.0f;
    }
    const float gain = largest < 0.0001f ? 0.0f : largest;
    transform.ifft(WAVE_TABLE_SIZE);

    float sum = 0.0f;
    for (int n = 0; n < WAVE_TABLE_SIZE; ++n) sum += std::fabs(transform.fftRealOut[n]);

    // Scaling to band 0's level divides by the band's own level: a silent band
    // (no harmonic above the floor, or a sum that vanished) stays silent
    // rather than turning into a table of NaNs.
    if (gain == 0.0f || !(sum > 0.0f) || !std::isfinite(sum)) {
        for (int n = 0; n < WAVE_TABLE_SIZE; ++n) table[n] = 0.0f;
        return;
    }
    const float scale = levelReference / sum;
    for (int n = 0; n < WAVE_TABLE_SIZE; ++n) table[n] = (transform.fftRealOut[n] * gain) * scale;
}

void buildWaveTables() {
    std::call_once(waveTablesOnce, fillWaveTables);
}
