#include "engine/dsp/Distortion.h"

#include "engine/dsp/SampleMath.h"
#include "engine/dsp/VectorLanes.h"

#include <emmintrin.h>

#include <cmath>

namespace {

constexpr float DENORMAL_GUARD = 1e-15f;
constexpr float PI = 3.1415925f;

using namespace distortionlanes;

using Shape = TDistortion::Shape;

template <int K>
Shape makeShape(float d) {
    Shape s{d, 0.99f * d, 0.0f, 0.0f};
    const float c = s.c;
    switch (K) {
    case TDistortion::ATAN:
        s.k = std::exp2(5.0f * c) - 0.99f;
        s.g = 1.0f / std::atan(s.k);
        break;
    case TDistortion::BITS:
        s.k = std::exp2(16.5f - 16.0f * d);  // steps per unit: 2^16.5 at no drive, 2^0.5 at full
        break;
    case TDistortion::COS:
        s.k = (std::exp2(5.0f * c) - 1.0f) * PI;
        break;
    case TDistortion::CROSS:
        s.k = 0.2f * c;
        break;
    case TDistortion::FOLD:
        s.k = 1.0f - 0.99f * c;
        break;
    case TDistortion::LIMIT:
        s.k = std::exp2(-6.0f * c);
        break;
    case TDistortion::NOISE:
        s.k = d * d * d;
        break;
    case TDistortion::OCTAVE:
        s.k = 1.0f - 0.99f * d;
        break;
    case TDistortion::OVER:
        s.k = std::exp2(6.0f * c) - 1.0f;
        break;
    case TDistortion::POWER:
        s.k = 2.0f * c / (1.0f - c);
        break;
    case TDistortion::RATE:
        s.k = std::exp2(5.0f * d);  // hold period in frames
        break;
    case TDistortion::RECTIFY:
        s.k = 1.0f - 2.0f * c;
        break;
    case TDistortion::SATURATE:
        // Shaped four voices at a time by saturateFour(): (x + z) / (|z| + 1) with z = k x.
        s.k = std::exp2(4.0f * c);
        break;
    case TDistortion::VALVE:
        s.k = std::exp2(5.0f * c) - 0.99f;
        break;
    default:
        break;
    }
    return s;
}

// One float through kind K. r is the noise value of the lane (kind 7 only);
// memory the lane's remembered sign (kind 14 only).
template <int K>
float shapeValue(float x, const Shape& s, float r, float& memory) {
    switch (K) {
    case TDistortion::ATAN:
        return std::fabs(x) > 0.001f ? std::atan(s.k * x) * s.g + DENORMAL_GUARD : x;
    case TDistortion::BITS:
        return sign(x) * std::floor(std::fabs(x) * s.k) / s.k;
    case TDistortion::COS:
        return x * std::cos(s.k * x);
    case TDistortion::CROSS: {
        const float v = std::fabs(x) - s.k;
        return v >= 0.0f ? sign(x) * v : sign(x) * 2.0f * v;
    }
    case TDistortion::FOLD: {
        const float t = s.k;
        const float period = 4.0f * t;
        const float u = x - t;
        return (std::fabs(std::fabs(u - std::floor(u / period) * period) - 2.0f * t) - t) / t;
    }
    case TDistortion::LIMIT: {
        const float y = x / s.k;
        return y > 1.0f ? 1.0f : (y < -1.0f ? -1.0f : y);
    }
    case TDistortion::NOISE:
        return x * ((1.0f - s.k) + s.k * r);
    case TDistortion::OCTAVE: {
        const float w = 2.0f * std::fabs(x);
        const float folded = w > 1.0f ? 2.0f - w : w;
        return s.k * x - (1.0f - s.k) * folded;
    }
    case TDistortion::OVER: {
        const float a = std::fabs(x);
        return (s.k + a) * x / (x * x + (s.k - 1.0f) * a + 1.0f);
    }
    case TDistortion::POWER:
        return (s.k + 1.0f) * x / (s.k * std::fabs(x) + 1.0f);
    case TDistortion::RECTIFY:
        return x < 0.0f ? x * s.k : x;
    case TDistortion::SQUARE: {
        if (std::fabs(x) > 0.001f) memory = sign(x);
        return x * (1.0f - s.c) + s.c * memory;
    }
    case TDistortion::VALVE: {
        const float a = std::fabs(x);
        const float m = (s.k + a) * a;
        const float level = m / (m + 1.0f);
        return sign(x) * (level > 1.0f ? 1.0f : (level < 0.0f ? 0.0f : level));
    }
    default:
        return x;
    }
}

}  // namespace

void TDistortion::init(float sampleRate) {
    setSampleRate(sampleRate);
    for (int v = 0; v < NUM_VOICES; ++v) {
        smoothedDrive[v] = lastDrive[v] = rateCounter[v] = 0.0f;
        rateHold[v] = stereoOverStruct{};
        dcState[0][v] = dcState[1][v] = 0.0f;
        for (float& s : squareSign[v]) s = 0.0f;
    }
}

void TDistortion::setSampleRate(float sampleRate) {
    const float rate = (sampleRate >= 1.0f && std::isfinite(sampleRate)) ? sampleRate : 44100.0f;
    dcCoef = 30.0f / (2.0f * rate);
}

void TDistortion::setType(int kind) { distortType = (kind > OFF && kind < NUM_KINDS) ? kind : OFF; }


void TDistortion::updateDrives(const bool voiceOn[NUM_VOICES], const bool voiceJustStarted[NUM_VOICES], float amount,
                               const float destAmount[NUM_VOICES]) {
    for (int first = 0; first < NUM_VOICES; first += 4)
        updateDriveGroup(first, _mm_castsi128_ps(laneMask(voiceOn + first)),
                         _mm_castsi128_ps(laneMask(voiceJustStarted + first)), amount, destAmount);
}

void TDistortion::refreshSaturateShapes(int first, int moved) {
    for (int lane = 0; lane < 4; ++lane) {
        if (!(moved & (1 << lane))) continue;
        const int v = first + lane;
        const float d = lastDrive[v];
        shapeMain[v] = makeShape<SATURATE>(d).k;
        shapeDrive[v] = d;
        shapeKind[v] = SATURATE;
    }
}

void TDistortion::processSaturate(stereoOverStruct frames[NUM_VOICES], const bool voiceOn[NUM_VOICES],
                                  const bool voiceJustStarted[NUM_VOICES], float amount,
                                  const float destAmount[NUM_VOICES]) {
    for (int first = 0; first < NUM_VOICES; first += 4) {
        const __m128 on = _mm_castsi128_ps(laneMask(voiceOn + first));
        const int onBits = _mm_movemask_ps(on);
        if (onBits == 0) continue;  // silent voices keep their drives and state
        // One vector per frame lane (left and right of each sub-sample),
        // four voices across.
        __m128 lanes[4];
        for (int i = 0; i < 4; ++i) lanes[i] = _mm_loadu_ps(frames[first + i].lane);
        _MM_TRANSPOSE4_PS(lanes[0], lanes[1], lanes[2], lanes[3]);
        saturateFour(first, on, onBits, _mm_castsi128_ps(laneMask(voiceJustStarted + first)), amount, destAmount, lanes);
        _MM_TRANSPOSE4_PS(lanes[0], lanes[1], lanes[2], lanes[3]);
        if (onBits == 0xF)
            for (int lane = 0; lane < 4; ++lane) _mm_storeu_ps(frames[first + lane].lane, lanes[lane]);
        else
            for (int lane = 0; lane < 4; ++lane)
                if (onBits & (1 << lane)) _mm_storeu_ps(frames[first + lane].lane, lanes[lane]);
    }
}

template <int K>
void TDistortion::processKind(stereoOverStruct frames[NUM_VOICES], const bool voiceOn[NUM_VOICES],
                              const bool voiceJustStarted[NUM_VOICES], float amount,
                              const float destAmount[NUM_VOICES], TRandSeed& seed) {
    updateDrives(voiceOn, voiceJustStarted, amount, destAmount);
    const __m128 guard = load(GUARD_LANES);
    const __m128 k = _mm_set1_ps(dcCoef);
    for (int v = 0; v < NUM_VOICES; ++v) {
        if (!voiceOn[v]) continue;
        const float d = lastDrive[v];

        stereoOverStruct& frame = frames[v];
        // A non-number enters as silence. The four lanes go through the same
        // operations as one vector, which gives every lane its scalar result.
        const __m128 dry = finiteOnly(_mm_loadu_ps(frame.lane));

        if (shapeKind[v] != K || shapeDrive[v] != d) {
            shapeOf[v] = makeShape<K>(d);
            shapeDrive[v] = d;
            shapeKind[v] = K;
        }
        // Copies: the frames are written through a pointer the compiler cannot
        // tell apart from these members, which it would otherwise reload.
        const Shape shape = shapeOf[v];
        __m128 y;
        if constexpr (K == RATE) {
            // Sample-and-hold of the whole frame once per period of 2^(5d) frames.
            rateCounter[v] += 1.0f;
            if (rateCounter[v] > shape.k) {
                rateCounter[v] -= shape.k;
                _mm_storeu_ps(rateHold[v].lane, dry);
            }
            y = _mm_loadu_ps(rateHold[v].lane);
        } else {
            float x[4];
            _mm_storeu_ps(x, dry);
            float noise[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            if constexpr (K == NOISE)
                for (float& r : noise) r = (static_cast<float>(seed.step()) * 4.656613e-10f + 1.0f) * 0.5f;
            float shaped[4];
            for (int i = 0; i < 4; ++i) shaped[i] = shapeValue<K>(x[i], shape, noise[i], squareSign[v][i]);
            y = _mm_loadu_ps(shaped);
        }

        // Shaping can add DC (rectification above all); a one-pole high-pass per
        // channel takes it out, first sub-sample then second. Lanes 0 and 1
        // carry the two channels through the blocker.
        __m128 blocker = _mm_setr_ps(dcState[0][v], dcState[1][v], 0.0f, 0.0f);
        blocker = _mm_add_ps(_mm_add_ps(blocker, _mm_mul_ps(_mm_sub_ps(y, blocker), k)), guard);
        const __m128 first = _mm_sub_ps(y, blocker);
        const __m128 secondIn = _mm_movehl_ps(y, y);
        blocker = _mm_add_ps(_mm_add_ps(blocker, _mm_mul_ps(_mm_sub_ps(secondIn, blocker), k)), guard);
        const __m128 second = _mm_sub_ps(secondIn, blocker);
        _mm_store_ss(&dcState[0][v], blocker);
        _mm_store_ss(&dcState[1][v], _mm_shuffle_ps(blocker, blocker, _MM_SHUFFLE(1, 1, 1, 1)));
        const __m128 wetFrame = _mm_movelh_ps(first, second);

        if (d <= 0.0f) {
            _mm_storeu_ps(frame.lane, dry);
        } else if (d < BLEND_RANGE) {
            const float wet = d / BLEND_RANGE;
            _mm_storeu_ps(frame.lane, _mm_add_ps(_mm_mul_ps(_mm_set1_ps(1.0f - wet), dry),
                                                 _mm_mul_ps(_mm_set1_ps(wet), wetFrame)));
        } else {
            _mm_storeu_ps(frame.lane, wetFrame);
        }
    }
}

void TDistortion::process(stereoOverStruct frames[NUM_VOICES], const bool voiceOn[NUM_VOICES],
                          const bool voiceJustStarted[NUM_VOICES], float amount,
                          const float destAmount[NUM_VOICES], TRandSeed& seed) {
    amount = finiteOrZero(amount);
    switch (distortType) {
    case ATAN: processKind<ATAN>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case BITS: processKind<BITS>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case COS: processKind<COS>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case CROSS: processKind<CROSS>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case FOLD: processKind<FOLD>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case LIMIT: processKind<LIMIT>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case NOISE: processKind<NOISE>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case OCTAVE: processKind<OCTAVE>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case OVER: processKind<OVER>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case POWER: processKind<POWER>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case RATE: processKind<RATE>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case RECTIFY: processKind<RECTIFY>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case SATURATE: processSaturate(frames, voiceOn, voiceJustStarted, amount, destAmount); break;
    case SQUARE: processKind<SQUARE>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    case VALVE: processKind<VALVE>(frames, voiceOn, voiceJustStarted, amount, destAmount, seed); break;
    default: break;  // Off: the frames pass untouched, without the DC blocker
    }
}

bool TDistortion::hasSubnormalState() const {
    for (int v = 0; v < NUM_VOICES; ++v) {
        if (isSubnormal(smoothedDrive[v]) || isSubnormal(dcState[0][v]) || isSubnormal(dcState[1][v])) return true;
        for (float x : rateHold[v].lane)
            if (isSubnormal(x)) return true;
    }
    return false;
}
