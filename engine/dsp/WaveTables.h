// Band-limited single-cycle tables of the four wave shapes, shared by every
// plug-in instance in the process. Each shape has 34 bands: band 0 is the
// plain shape, bands 1..33 carry fewer and fewer harmonics (149 down to 3) so
// that a note one whole tone higher reads a table with fewer partials and
// nothing folds back above half the rate.
#pragma once

#include <array>
#include <cstdint>

constexpr int WAVE_SHAPES = 4;
constexpr int WAVE_BANDS = 34;
constexpr int WAVE_TABLE_SIZE = 4096;
constexpr int WAVE_TABLE_MASK = WAVE_TABLE_SIZE - 1;
constexpr int WAVE_BAND_TABLE_SIZE = 128;
constexpr int WAVE_HARMONIC_ROW = 2048;  // harmonics 0..2047 per shape
// No built entry is larger in size (none comes anywhere near).
constexpr float WAVE_ENTRY_LIMIT = 1.0e30f;

// Shapes in the order of the wave names.
enum WaveShape { WAVE_SINE, WAVE_SAW, WAVE_SQUARE, WAVE_TRIANGLE };

// Harmonic amplitudes and phases (in cycles) per shape: entry
// [shape * 2048 + h] belongs to harmonic h; entry h = 0 is not used.
extern const std::array<float, WAVE_SHAPES * WAVE_HARMONIC_ROW> ADDA_WAVE;
extern const std::array<float, WAVE_SHAPES * WAVE_HARMONIC_ROW> ADDP_WAVE;

// Harmonics in bands 1..33; entry 0 is unused (band 0 is the plain shape).
extern const std::array<int32_t, WAVE_BANDS> harmonicCount;

// Band for a wave index (0..127) or a sub-oscillator index (0..115): band 0
// below index 60, then one band more every two indices (a whole tone), 33 at
// the top.
extern const std::array<int32_t, WAVE_BAND_TABLE_SIZE> waveBandTable;

// Table number = shape * 34 + band, one cycle of 4096 floats each. Written by
// buildWaveTables(), read-only afterwards.
extern float waveTables[WAVE_SHAPES][WAVE_BANDS][WAVE_TABLE_SIZE];

// Builds every band of every shape the first time it is called in the
// process; safe to call from several threads at once. Start-up only.
void buildWaveTables();

// Radix-2 transform over the first n entries of the input arrays (n a power
// of two, 2..4096), without 1/n scaling: out[m] = sum in[k] e^(i angle k m / n).
// The inputs are left unchanged.
class TFourierTransform {
public:
    float fftRealIn[WAVE_TABLE_SIZE + 1] = {};
    float fftRealOut[WAVE_TABLE_SIZE + 1] = {};
    float fftImagIn[WAVE_TABLE_SIZE + 1] = {};
    float fftImagOut[WAVE_TABLE_SIZE + 1] = {};

    // Returns false and leaves the outputs alone when n is not a power of two in 2..4096.
    bool fourierTransform(double angle, int n);
    bool ifft(int n);  // angle -2 pi
    bool fft(int n);   // angle +2 pi

    // Position of the lowest set bit of n (0..15), or 16 when bits 0..15 are clear.
    static int numberOfBitsNeeded(int n);
    // index with its lowest `bits` bits reversed; 0 when bits < 1.
    static int reverseBits(int index, int bits);
};

// The pieces of the build, exposed for tests: band 0 of a shape, the sum of
// its absolute values, and one band 1..33 from its harmonics (all zeros when
// the band has no audible harmonic or its transform sums to zero).
void buildPlainWave(int shape, float* table);
float waveLevelReference(const float* plainWave);
void buildBandLimitedWave(TFourierTransform& transform, int shape, int band, float levelReference, float* table);
