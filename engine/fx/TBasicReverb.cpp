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
    lengthsKnown = false;
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
    std::memset(tapHistory.tap, 0, sizeof tapHistory.tap);
    blockFrames = blockTaken = 0;
    // The comb rings are indexed by the widen ring's position: the undelayed
    // inputs' history is the widen rings.
    combPos = 0;
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
    const float room = std::log10(20.0f * clamp01(x) + 1.0f) * 0.249579f + 0.65f;
    if (room != roomSize) settleBlock();
    roomSize = room;
}

void TBasicReverb::setDamp(float x) {
    const float newDamp = 0.55f * clamp01(x);
    if (newDamp != damp) settleBlock();
    damp = newDamp;
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
    // A high-pass that is off holds nothing: at a coefficient of 0 its state
    // would stand where it was left, and the lanes would keep its negative
    // as an offset that never decays, holding the silence gate open. From 0
    // it stays 0, and a high-pass switched on again starts from silence.
    if (outCoef[1] == 0.0f) outState2.fill(0.0f);
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

void TBasicReverb::setSize(float size1, float size2) {
    // The stage sends its sizes every 16 frames; the lengths are worked out
    // again only when they, or the length factors, moved.
    const std::array<float, 6> inputs = {size1, size2, combScale[0][0], combScale[0][1], combScale[1][0],
                                         combScale[1][1]};
    if (lengthsKnown && std::memcmp(inputs.data(), lengthInputs.data(), sizeof inputs) == 0) return;
    lengthInputs = inputs;
    lengthsKnown = true;
    setCombLengths(size1, size2);
}

void TBasicReverb::setCombLengths(float size1, float size2) {
    // The size times the rate over the tuning's rate, then the comb's tuned
    // length, then its modulation: the float products in this order decide
    // which way a length near a half rounds.
    const float first = size1 * sampleRate / TUNING_RATE;
    const float second = size2 * sampleRate / TUNING_RATE;
    for (int comb = 0; comb < REVERB_COMBS; ++comb) {
        const float left = static_cast<float>(REVERB_COMB_TUNING[comb]);
        const float right = left + static_cast<float>(REVERB_STEREO_SPREAD);
        const std::array<int, LANES> was = combLength[comb];
        combLength[comb][LA] = heldLength(first * left * combScale[0][comb] + 0.5f, MAX_COMB_LENGTH);
        combLength[comb][RA] = heldLength(first * right * combScale[0][comb] + 0.5f, MAX_COMB_LENGTH);
        combLength[comb][LB] = heldLength(second * left * combScale[1][comb] + 0.5f, MAX_COMB_LENGTH);
        combLength[comb][RB] = heldLength(second * right * combScale[1][comb] + 0.5f, MAX_COMB_LENGTH);
        if (combLength[comb] != was) settleBlock();
    }
}

void TBasicReverb::settleBlock() {
    if (blockFrames == 0) return;
    for (int comb = 0; comb < REVERB_COMBS; ++comb)
        _mm_store_ps(filterStore[comb].data(), _mm_load_ps(blockStore[blockTaken - 1][comb]));
    blockFrames = blockTaken = 0;
}

// Lanes LA, RA, LB, RB of the first, third, ... comb read the input, the
// second tap's, the input and the fourth tap's; of the second, fourth, ...
// comb the first tap's, the right input, the third tap's and the right input.
const float* TBasicReverb::inputHistory(int comb, int lane) const {
    if (comb % 2 == 0) return lane == LA || lane == LB ? widenRingL.data() : tapHistory.tap[lane];
    return lane == RA || lane == RB ? widenRingR.data() : tapHistory.tap[lane];
}

namespace {

// n floats of a ring from a position on (taken by the mask), into out.
inline void readRing(const float* ring, std::uint32_t from, int n, float* out) {
    from &= TBasicReverb::RING_MASK;
    if (n == 16 && from + 16 <= static_cast<std::uint32_t>(TBasicReverb::RING_SIZE)) {
        for (int k = 0; k < 16; k += 4) _mm_store_ps(out + k, _mm_loadu_ps(ring + from + k));
        return;
    }
    for (int k = 0; k < n; ++k) out[k] = ring[(from + static_cast<std::uint32_t>(k)) & TBasicReverb::RING_MASK];
}

inline void writeRing(float* ring, std::uint32_t from, int n, const float* values) {
    from &= TBasicReverb::RING_MASK;
    if (n == 16 && from + 16 <= static_cast<std::uint32_t>(TBasicReverb::RING_SIZE)) {
        for (int k = 0; k < 16; k += 4) _mm_storeu_ps(ring + from + k, _mm_load_ps(values + k));
        return;
    }
    for (int k = 0; k < n; ++k) ring[(from + static_cast<std::uint32_t>(k)) & TBasicReverb::RING_MASK] = values[k];
}

}  // namespace

// The comb bank for the frames from this one (combPos) on, as many as the
// shortest comb allows: every read lies before this frame.
void TBasicReverb::computeBlock() {
    settleBlock();
    int frames = BLOCK_FRAMES;
    for (const auto& lengths : combLength)
        for (int length : lengths) frames = length < frames ? length : frames;
    const std::uint32_t start = combPos;
    const __m128 dampVec = _mm_set1_ps(damp), undampVec = _mm_set1_ps(undamp), feedbackVec = _mm_set1_ps(roomSize);
    for (int j = 0; j < BLOCK_FRAMES; ++j) _mm_store_ps(blockSum[j], _mm_setzero_ps());

    // The lines the next block reads and writes are asked for now.
    const std::uint32_t ahead = start + static_cast<std::uint32_t>(frames) + 2 * PREFETCH_LINE;
    // A whole block whose writes wrap nowhere reads and writes the rings in
    // place; a lane whose reads wrap, or a short block, goes through copies.
    const bool whole = frames == BLOCK_FRAMES && (start & RING_MASK) + BLOCK_FRAMES <= RING_SIZE;
    for (int comb = 0; comb < REVERB_COMBS; ++comb) {
        alignas(16) float feedbackCopy[LANES][BLOCK_FRAMES];
        alignas(16) float inputCopy[LANES][BLOCK_FRAMES];
        alignas(16) float written[LANES][BLOCK_FRAMES];
        const float* feedbackAt[LANES];
        const float* inputAt[LANES];
        float* writeAt[LANES];
        for (int lane = 0; lane < LANES; ++lane) {
            float* ring = combRing[comb].lane[lane];
            const float* input = inputHistory(comb, lane);
            const std::uint32_t from = (start - static_cast<std::uint32_t>(combLength[comb][lane])) & RING_MASK;
            if (whole && from + BLOCK_FRAMES <= static_cast<std::uint32_t>(RING_SIZE)) {
                feedbackAt[lane] = ring + from;
                inputAt[lane] = input + from;
            } else {
                if (frames < BLOCK_FRAMES) {
                    std::memset(feedbackCopy[lane], 0, sizeof feedbackCopy[lane]);
                    std::memset(inputCopy[lane], 0, sizeof inputCopy[lane]);
                }
                readRing(ring, from, frames, feedbackCopy[lane]);
                readRing(input, from, frames, inputCopy[lane]);
                feedbackAt[lane] = feedbackCopy[lane];
                inputAt[lane] = inputCopy[lane];
            }
            writeAt[lane] = whole ? ring + (start & RING_MASK) : written[lane];
            _mm_prefetch(reinterpret_cast<const char*>(&ring[(ahead - combLength[comb][lane]) & RING_MASK]), _MM_HINT_T0);
            _mm_prefetch(reinterpret_cast<const char*>(&input[(ahead - combLength[comb][lane]) & RING_MASK]), _MM_HINT_T0);
            _mm_prefetch(reinterpret_cast<const char*>(&ring[ahead & RING_MASK]), _MM_HINT_T0);
        }
        // Frame by frame, the four lanes as one vector.
        __m128 store = _mm_load_ps(filterStore[comb].data());
        // One frame: the damping, the feedback written and the sum.
        auto frame = [&](int j, __m128 row) {
            store = _mm_add_ps(_mm_mul_ps(store, dampVec), _mm_mul_ps(row, undampVec));
            _mm_store_ps(blockStore[j][comb], store);
            _mm_store_ps(blockSum[j], _mm_add_ps(_mm_load_ps(blockSum[j]), row));
            return _mm_mul_ps(store, feedbackVec);
        };
        // What the comb wrote then: its feedback plus its input.
        auto wrote = [&](int lane, int j0) {
            return _mm_add_ps(_mm_loadu_ps(feedbackAt[lane] + j0), _mm_loadu_ps(inputAt[lane] + j0));
        };
        for (int j0 = 0; j0 < frames; j0 += 4) {
            __m128 r0 = wrote(0, j0), r1 = wrote(1, j0), r2 = wrote(2, j0), r3 = wrote(3, j0);
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            const __m128 zero = _mm_setzero_ps();
            const int count = frames - j0;
            __m128 w0 = frame(j0, r0);
            __m128 w1 = count > 1 ? frame(j0 + 1, r1) : zero;
            __m128 w2 = count > 2 ? frame(j0 + 2, r2) : zero;
            __m128 w3 = count > 3 ? frame(j0 + 3, r3) : zero;
            _MM_TRANSPOSE4_PS(w0, w1, w2, w3);
            _mm_storeu_ps(writeAt[0] + j0, w0);
            _mm_storeu_ps(writeAt[1] + j0, w1);
            _mm_storeu_ps(writeAt[2] + j0, w2);
            _mm_storeu_ps(writeAt[3] + j0, w3);
        }
        if (!whole)
            for (int lane = 0; lane < LANES; ++lane) writeRing(combRing[comb].lane[lane], start, frames, written[lane]);
    }
    blockFrames = frames;
    blockTaken = 0;
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
    // The comb rings and the tap history share the widen ring's position.
    combPos = widenPos;
    tapHistory.tap[0][combPos] = d0;
    tapHistory.tap[1][combPos] = d1;
    tapHistory.tap[2][combPos] = d2;
    tapHistory.tap[3][combPos] = d3;
    if (blockTaken == blockFrames) computeBlock();
    const __m128 sum = _mm_load_ps(blockSum[blockTaken]);
    ++blockTaken;
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
