#include "engine/fx/TBasicReverb.h"

#include <emmintrin.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstring>

#include "engine/fx/FxControls.h"

namespace {

// Floats in a cache line.
constexpr std::uint32_t PREFETCH_LINE = 16;

constexpr float TUNING_RATE = 44100.0f;
constexpr float ALLPASS_FEEDBACK = 0.5f;
constexpr float OUTPUT_SCALE = 0.025f;

enum Lane { LA, RA, LB, RB };

// A length in samples held to 1..longest; NaN gives 1.
int heldLength(double samples, int longest) {
    if (!(samples >= 1.0)) return 1;
    return samples < longest ? static_cast<int>(samples) : longest;
}

}  // namespace

TBasicReverb::TBasicReverb() { create(); }

void TBasicReverb::create() {
    sampleRate = TUNING_RATE;
    roomSize = 0.9099097f;
    damp = 0.275f;
    undamp = 0.725f;
    init();
    widenPos = 0;
    widenLength.fill(MAX_TAP_LENGTH);
}

void TBasicReverb::setSampleRate(float rate) {
    if (!(rate >= 1.0f) || std::fabs(rate - sampleRate) <= 0.0001f) return;
    sampleRate = rate;
    init();
}

void TBasicReverb::init() {
    for (auto& scale : combScale) scale.fill(1.0f);
    setCombLengths(1.0f, 1.0f);
    outCoef[0] = 1.0f;
    outCoef[1] = 0.0f;
    const double s = sampleRate / TUNING_RATE;
    for (int k = 0; k < REVERB_ALLPASS_STAGES; ++k) {
        const int left = REVERB_ALLPASS_TUNING[k];
        allpass[0][k].size = heldLength(left * s + 0.5, ALLPASS_CAPACITY);
        allpass[1][k].size = heldLength((left + REVERB_STEREO_SPREAD) * s + 0.5, ALLPASS_CAPACITY);
    }
    mute();
}

void TBasicReverb::mute() {
    for (TCombRing& ring : combRing) std::memset(ring.lane, 0, sizeof ring.lane);
    for (auto& comb : filterStore) comb.fill(0.0f);
    outState1.fill(0.0f);
    outState2.fill(0.0f);
    for (auto& side : allpass)
        for (TAllpass& stage : side) {
            std::memset(stage.buffer, 0, sizeof stage.buffer);
            stage.pos = 0;
        }
    widenPos = 0;
    widenRingL.fill(0.0f);
    widenRingR.fill(0.0f);
}

void TBasicReverb::setRoomSize(float x) {
    roomSize = std::log10(20.0f * clamp01(x) + 1.0f) * 0.249579f + 0.65f;
}

void TBasicReverb::setDamp(float x) {
    damp = 0.55f * clamp01(x);
    undamp = 1.0f - damp;
}

void TBasicReverb::setFilter(float low, float high) {
    float c[2];
    const float xs[2] = {low, high};
    for (int i = 0; i < 2; ++i) {
        const float f = 20.0f * std::exp2(10.0f * clamp01(xs[i])) / sampleRate;
        c[i] = f <= 0.3f ? 2.0f * f : 0.6f;
    }
    outCoef[0] = c[0] > 0.59f ? 1.0f : c[0];  // low-pass open
    outCoef[1] = c[1] < 0.01f ? 0.0f : c[1];  // high-pass off
}

void TBasicReverb::setWiden(int t0, int t1, int t2, int t3) {
    const int taps[LANES] = {t0, t1, t2, t3};
    for (int i = 0; i < LANES; ++i) widenLength[i] = taps[i] < 0 ? 0 : (taps[i] > MAX_TAP_LENGTH ? MAX_TAP_LENGTH : taps[i]);
}

void TBasicReverb::setMod(float a, float b, float c, float d) {
    for (int comb = 0; comb < REVERB_COMBS; ++comb) {
        combScale[0][comb] = comb % 2 == 0 ? a : b;
        combScale[1][comb] = comb % 2 == 0 ? c : d;
    }
}

void TBasicReverb::setSize(float size1, float size2) { setCombLengths(size1, size2); }

void TBasicReverb::setCombLengths(float size1, float size2) {
    const float s = sampleRate / TUNING_RATE;
    for (int comb = 0; comb < REVERB_COMBS; ++comb) {
        const float left = static_cast<float>(REVERB_COMB_TUNING[comb]);
        const float right = left + static_cast<float>(REVERB_STEREO_SPREAD);
        const float first = size1 * s * combScale[0][comb];
        const float second = size2 * s * combScale[1][comb];
        combLength[comb][LA] = heldLength(first * left + 0.5f, MAX_COMB_LENGTH);
        combLength[comb][RA] = heldLength(first * right + 0.5f, MAX_COMB_LENGTH);
        combLength[comb][LB] = heldLength(second * left + 0.5f, MAX_COMB_LENGTH);
        combLength[comb][RB] = heldLength(second * right + 0.5f, MAX_COMB_LENGTH);
    }
}

void TBasicReverb::process(float inL, float inR, float& o1, float& o2, float& o3, float& o4) {
    widenPos = (widenPos + 1) & RING_MASK;
    widenRingL[widenPos] = inL;
    widenRingR[widenPos] = inR;
    // A tap of length t reads the sample written t + 1 frames ago.
    const float d0 = widenRingL[(widenPos - 1 - widenLength[0]) & RING_MASK];
    const float d1 = widenRingR[(widenPos - 1 - widenLength[1]) & RING_MASK];
    const float d2 = widenRingL[(widenPos - 1 - widenLength[2]) & RING_MASK];
    const float d3 = widenRingR[(widenPos - 1 - widenLength[3]) & RING_MASK];
    // Inputs of the first, third, ... comb and of the second, fourth, ...
    // comb, lanes LA, RA, LB, RB.
    const __m128 evenInput = _mm_setr_ps(inL, d1, inL, d3);
    const __m128 oddInput = _mm_setr_ps(d0, inR, d2, inR);
    const __m128 dampVec = _mm_set1_ps(damp), undampVec = _mm_set1_ps(undamp), feedbackVec = _mm_set1_ps(roomSize);

    combPos = (combPos + 1) & RING_MASK;
    // Forty reads and forty writes walk their rings a float a frame, more
    // streams than the processor follows by itself: every sixteen frames (a
    // cache line) each ring's line two lines ahead is asked for.
    if ((combPos & (PREFETCH_LINE - 1)) == 0) {
        for (int comb = 0; comb < REVERB_COMBS; ++comb)
            for (int lane = 0; lane < LANES; ++lane) {
                float* ring = combRing[comb].lane[lane];
                const std::uint32_t ahead = combPos + 2 * PREFETCH_LINE;
                _mm_prefetch(reinterpret_cast<const char*>(&ring[(ahead - combLength[comb][lane]) & RING_MASK]), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(&ring[ahead & RING_MASK]), _MM_HINT_T0);
            }
    }
    __m128 sum = _mm_setzero_ps();
    for (int comb = 0; comb < REVERB_COMBS; ++comb) {
        float (*ring)[RING_SIZE + 16] = combRing[comb].lane;
        const int* length = combLength[comb].data();
        // Each lane reads the value its comb wrote `length` frames ago.
        const __m128 y = _mm_setr_ps(ring[0][(combPos - length[0]) & RING_MASK], ring[1][(combPos - length[1]) & RING_MASK],
                                     ring[2][(combPos - length[2]) & RING_MASK], ring[3][(combPos - length[3]) & RING_MASK]);
        float* store = filterStore[comb].data();
        const __m128 filtered = _mm_add_ps(_mm_mul_ps(_mm_load_ps(store), dampVec), _mm_mul_ps(y, undampVec));
        _mm_store_ps(store, filtered);
        alignas(16) float written[LANES];
        _mm_store_ps(written, _mm_add_ps(_mm_mul_ps(filtered, feedbackVec), comb % 2 == 0 ? evenInput : oddInput));
        for (int lane = 0; lane < LANES; ++lane) ring[lane][combPos] = written[lane];
        sum = _mm_add_ps(sum, y);
    }
    const __m128 c1 = _mm_set1_ps(outCoef[0]), c2 = _mm_set1_ps(outCoef[1]);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 s1 = _mm_add_ps(_mm_mul_ps(_mm_load_ps(outState1.data()), _mm_sub_ps(one, c1)), _mm_mul_ps(sum, c1));
    const __m128 s2 = _mm_add_ps(_mm_mul_ps(_mm_load_ps(outState2.data()), _mm_sub_ps(one, c2)), _mm_mul_ps(s1, c2));
    _mm_store_ps(outState1.data(), s1);
    _mm_store_ps(outState2.data(), s2);

    // The all-passes take the lanes as LA, LB (left side), RA, RB (right side).
    __m128 x = _mm_sub_ps(s1, s2);
    x = _mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128 half = _mm_set1_ps(ALLPASS_FEEDBACK), guard = _mm_set1_ps(1e-8f);
    for (int k = 0; k < REVERB_ALLPASS_STAGES; ++k) {
        TAllpass& left = allpass[0][k];
        TAllpass& right = allpass[1][k];
        if (++left.pos >= left.size) left.pos = 0;
        if (++right.pos >= right.size) right.pos = 0;
        float* leftEntry = left.buffer[left.pos];
        float* rightEntry = right.buffer[right.pos];
        const __m128 buffered = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(leftEntry)),
                                             reinterpret_cast<const __m64*>(rightEntry));
        const __m128 written = _mm_add_ps(_mm_add_ps(_mm_mul_ps(half, buffered), x), guard);
        _mm_storel_pi(reinterpret_cast<__m64*>(leftEntry), written);
        _mm_storeh_pi(reinterpret_cast<__m64*>(rightEntry), written);
        x = _mm_sub_ps(buffered, x);
    }
    alignas(16) float out[LANES];
    _mm_store_ps(out, _mm_mul_ps(x, _mm_set1_ps(OUTPUT_SCALE)));
    o1 = out[0];  // LA
    o2 = out[2];  // RA
    o3 = out[1];  // LB
    o4 = out[3];  // RB
}
