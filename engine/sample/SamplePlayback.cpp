#include "engine/sample/SamplePlayback.h"

#include <algorithm>
#include <cmath>

namespace {

// A step larger than this is no pitch any more; it only keeps the position finite.
constexpr double MAX_STEP = 1.0e7;
// Grains not yet started wait far before the sample; at -100 and below they weigh nothing.
constexpr double GRAIN_WAITING = -100000000.0;
constexpr double GRAIN_ENDED = -100000.0;
constexpr double GRAIN_SILENT_BELOW = -100.0;
constexpr double GRAIN_START_PHASES[GRAINS_PER_VOICE] = {0.5, 0.75, 1.0, 0.25};
constexpr float GRAIN_GAIN = 1.5f;

bool loops(int mode) { return mode == SAMPLE_LOOP || mode == SAMPLE_PING_PONG || mode == SAMPLE_REVERSE_LOOP; }

double finiteStep(double step) { return step >= 0.0 ? std::min(step, MAX_STEP) : 0.0; }  // NaN gives 0

bool reachesLoopPoint(double pos, double dir, double loopStart, double loopEnd) {
    return (dir < 0.0 && pos <= loopStart) || (dir > 0.0 && pos >= loopEnd);
}

// Where a ping-pong move of step frames lands when it is folded into the
// loop: the loop unfolded into a line twice its length on which the position
// only rises, the first half the way up, the second the way down.
double foldIntoPingPong(double pos, double& dir, double step, double loopStart, double loopEnd) {
    const double span = loopEnd - loopStart;
    const double period = 2.0 * span;
    const double unfolded = (dir > 0.0 ? pos : 2.0 * loopEnd - pos) + step;
    double t = std::fmod(unfolded - loopStart, period);
    if (t < 0.0) t += period;
    if (t < span) {
        dir = 1.0;
        return loopStart + t;
    }
    dir = -1.0;
    return loopStart + period - t;
}

}  // namespace

void TSampleSlotFrame::read(double pos, float& left, float& right) const {
    if (user) {
        user->getSample(pos, left, right);
        left *= userGain;
        right *= userGain;
        return;
    }
    left = right = 0.0f;
    if (!bank || !(pos >= 0.0) || pos >= static_cast<double>(bankFrames)) return;
    const auto i = static_cast<std::int64_t>(pos);
    const float f = static_cast<float>(pos) - static_cast<float>(i);
    float cLeft, cRight, xLeft, xRight;
    bank->readFrame(bankStart + i, cLeft, cRight);
    if (i + 1 < bankFrames) {
        bank->readFrame(bankStart + i + 1, xLeft, xRight);
    } else {
        xLeft = cLeft;
        xRight = cRight;
    }
    left = cLeft + (xLeft - cLeft) * f;
    right = cRight + (xRight - cRight) * f;
}

TSampleSlotFrame builtInSlotFrame(const TSampleBank* bank, int n, bool reverse, double hostRate) {
    TSampleSlotFrame slot;
    if (!bank || n < 0 || n >= BANK_SAMPLES || !(hostRate > 0.0)) return slot;
    const TSampleBankTables& t = bank->tables();
    const bool hasLoop = t.sampleHasLoop[n] == 1;
    slot.mode = reverse ? (hasLoop ? SAMPLE_REVERSE_LOOP : SAMPLE_REVERSE) : (hasLoop ? SAMPLE_LOOP : SAMPLE_ONE_SHOT);
    slot.length = t.sampleLength[n];
    slot.loopStart = t.sampleLoopStart[n];
    slot.loopEnd = t.sampleLoopEnd[n];
    slot.rateStep = BANK_RATE / hostRate * t.samplePitchFactor[n];
    slot.bank = bank;
    slot.bankStart = t.sampleStartFrame[n];
    slot.bankFrames = t.sampleEndFrame[n] - t.sampleStartFrame[n];
    return slot;
}

double userSampleLength(const TSampleData* data, bool usable) {
    if (!data || !usable || data->getNumFrames() < MIN_USER_SAMPLE_FRAMES) return 0.0;
    return data->getLen();
}

TSampleSlotFrame userSlotFrame(const TSampleData* data, const TUserSampleSettings& settings, double hostRate) {
    TSampleSlotFrame slot;
    const double length = userSampleLength(data, settings.usable);
    if (length <= 0.0 || !(hostRate > 0.0)) return slot;
    slot.mode = std::clamp(settings.loopMode, 0, 3);
    slot.length = length;
    slot.loopStart = userLoopPoint(settings.loopStart, slot.mode, length);
    slot.loopEnd = userLoopPoint(settings.loopEnd, slot.mode, length);
    slot.rateStep = data->getSamplePitch(hostRate);
    slot.user = data;
    slot.userGain = std::isfinite(settings.gain) ? settings.gain : 0.0f;
    return slot;
}

double userLoopPoint(float fraction, int loopMode, double length) {
    if (loopMode != SAMPLE_LOOP && loopMode != SAMPLE_PING_PONG) return length;
    const double f = std::isfinite(fraction) ? std::clamp(static_cast<double>(fraction), 0.0, 1.0) : 0.0;
    return f * length;
}

float sampleVolumeGain(float value) {
    const double v = std::isfinite(value) ? std::clamp(static_cast<double>(value), 0.0, 1.0) : 0.5;
    return static_cast<float>(std::pow(10.0, (v * 80.0 - 40.0) / 20.0));
}

TSampleSlotFrame effectiveSlot(const TSampleSlotFrame& slot) {
    TSampleSlotFrame played = slot;
    if (loops(slot.mode) && !(slot.loopEnd - slot.loopStart > 0.0)) {
        played.mode = slot.mode == SAMPLE_REVERSE_LOOP ? SAMPLE_REVERSE : SAMPLE_ONE_SHOT;
        played.loopStart = played.loopEnd = slot.length;
    }
    return played;
}

double advanceSamplePosition(double pos, double& dir, double step, int mode, double loopStart, double loopEnd) {
    const double span = loopEnd - loopStart;
    if (mode == SAMPLE_LOOP || mode == SAMPLE_REVERSE_LOOP) {
        const bool pastTheEnd = pos >= loopEnd;
        pos += step;
        if (pos < loopEnd || !(span > 0.0)) return pos;
        // A position past the loop end (a start beyond it, or a loop end moved
        // below a sounding voice) walks back by one loop per move and reads
        // nothing until it is inside. A step of a whole loop or more would
        // never bring it back, nor keep one inside the loop: such a move
        // wraps by its remainder, so that the voice sounds at any pitch.
        if (pastTheEnd && step < span) return pos - span;
        return loopStart + std::fmod(pos - loopStart, span);
    }
    if (mode == SAMPLE_PING_PONG) {
        if (!reachesLoopPoint(pos + dir * step, dir, loopStart, loopEnd)) return pos + dir * step;
        dir = -dir;
        return pos;
    }
    return pos + step;
}

void pingPongFrame(double p, double& dir, double step, double loopStart, double loopEnd, double& q, double& next) {
    const double from = dir;
    q = p + dir * step;
    const bool turnedFirst = reachesLoopPoint(q, dir, loopStart, loopEnd);
    if (turnedFirst) {
        q = p - dir;
        dir = -dir;
    }
    next = q + dir * step;
    if (!reachesLoopPoint(next, dir, loopStart, loopEnd)) return;
    next = q - dir * step;
    dir = -dir;
    // Turned at both points and still outside, as a step over half the loop
    // can leave it: the turns do not run away, they go on cycling, but partly
    // outside the loop, where reads give the sample around the loop or
    // silence. Folded, every read stays inside the loop at the voice's step.
    if (turnedFirst && (next < loopStart || next > loopEnd) && loopEnd - loopStart > 0.0) {
        dir = from;
        q = foldIntoPingPong(p, dir, step, loopStart, loopEnd);
        next = foldIntoPingPong(q, dir, step, loopStart, loopEnd);
    }
}

void TSamplePlayback::startVoice(int v, bool on, double startPos, float grainSize) {
    if (!validVoice(v)) return;
    voiceSampleOn[v] = on;
    voiceSamplePos[v] = std::isfinite(startPos) && startPos > 0.0 ? startPos : 0.0;
    voiceSampleDir[v] = 1.0;
    const double size = std::isfinite(grainSize) && grainSize >= 1.0f ? grainSize : 1.0;
    for (int k = 0; k < GRAINS_PER_VOICE; ++k) {
        grainPhase[v][k] = GRAIN_START_PHASES[k];
        grainInc[v][k] = 1.0 / size;
        grainDir[v][k] = 1.0;
        grainPos[v][k] = k == 0 ? 0.0 : GRAIN_WAITING;  // one grain plays at first
        grainFullWeight[v][k] = true;
    }
}

stereoOverStruct TSamplePlayback::renderVoice(int v, const TSampleSlotFrame& slot, const TSampleVoiceInput& input) {
    if (!validVoice(v) || (!slot.bank && !slot.user)) return {};
    const TSampleSlotFrame played = effectiveSlot(slot);
    return input.grainOn ? renderGrains(v, played, played.mode, input) : renderPlain(v, played, played.mode, input);
}

stereoOverStruct TSamplePlayback::renderPlain(int v, const TSampleSlotFrame& slot, int mode,
                                              const TSampleVoiceInput& input) {
    const double length = slot.length, loopStart = slot.loopStart, loopEnd = slot.loopEnd;
    double offset = static_cast<double>(input.offset) * length;
    if (offset > length) offset = length - 1.0;
    if (!(offset >= 0.0)) offset = 0.0;  // before the sample there is nothing to read
    const double step = finiteStep(slot.rateStep * input.pitchRatio);

    double dir = voiceSampleDir[v];
    const double p = voiceSamplePos[v];
    double q, next;
    if (mode == SAMPLE_PING_PONG) {
        pingPongFrame(p, dir, step, loopStart, loopEnd, q, next);
    } else {
        q = advanceSamplePosition(p, dir, step, mode, loopStart, loopEnd);
        next = advanceSamplePosition(q, dir, step, mode, loopStart, loopEnd);
    }
    if ((mode == SAMPLE_ONE_SHOT || mode == SAMPLE_REVERSE) && (q >= length || next >= length))
        voiceSampleOn[v] = false;
    voiceSamplePos[v] = next;
    voiceSampleDir[v] = dir;

    stereoOverStruct out;
    if (!voiceSampleOn[v]) return out;
    const double a = p + offset, b = q + offset;
    const double end = mode == SAMPLE_REVERSE ? length : loopEnd;
    const bool backwards = mode == SAMPLE_REVERSE || mode == SAMPLE_REVERSE_LOOP;
    if (a < loopEnd) slot.read(backwards ? end - a : a, out.lane[0], out.lane[1]);
    if (b < loopEnd) slot.read(backwards ? end - b : b, out.lane[2], out.lane[3]);
    return out;
}

stereoOverStruct TSamplePlayback::renderGrains(int v, const TSampleSlotFrame& slot, int mode,
                                               const TSampleVoiceInput& input) {
    const double length = slot.length, loopStart = slot.loopStart, loopEnd = slot.loopEnd;
    const bool looping = loops(mode);

    // The voice's own position moves at the grain step whatever the pitch.
    const double grainLength = std::isfinite(input.grainLength) ? std::clamp(input.grainLength, 0.0f, 1.0f) : 0.5;
    double voiceDir = voiceSampleDir[v];
    const double voicePos = advanceSamplePosition(voiceSamplePos[v], voiceDir, std::exp2(4.0 - 8.0 * grainLength),
                                                  mode, loopStart, loopEnd);
    voiceSamplePos[v] = voicePos;
    voiceSampleDir[v] = voiceDir;
    if (!looping && voicePos >= length) voiceSampleOn[v] = false;
    if (!voiceSampleOn[v]) return {};

    double offset = std::min(static_cast<double>(input.offset) * length, length - 1.0);
    if (!(offset >= 0.0)) offset = 0.0;
    const double move = 2.0 * finiteStep(slot.rateStep * input.pitchRatio);  // a grain moves once per frame
    const double size = std::isfinite(input.grainSize) && input.grainSize >= 1.0f ? input.grainSize : 1.0;
    const double spread = std::isfinite(input.grainRandom) ? std::clamp(input.grainRandom, 0.0f, 1.0f) : 0.0;

    float sumLeft = 0.0f, sumRight = 0.0f;
    double weights = 0.0001;
    for (int k = 0; k < GRAINS_PER_VOICE; ++k) {
        double& phase = grainPhase[v][k];
        double& pos = grainPos[v][k];
        double& dir = grainDir[v][k];
        double weight = grainFullWeight[v][k] && phase < 0.5 ? 1.0 : 1.0 - std::fabs(2.0 * phase - 1.0);
        const double at = pos >= length ? -1.0 : pos;
        float left = 0.0f, right = 0.0f;
        if (at >= 0.0) {
            double p = offset + at;
            if (p < length) {
                if (mode == SAMPLE_REVERSE_LOOP) p = loopEnd - (length - p);
                slot.read(p, left, right);
                left *= static_cast<float>(weight) * GRAIN_GAIN;
                right *= static_cast<float>(weight) * GRAIN_GAIN;
            }
        } else if (at <= GRAIN_SILENT_BELOW) {
            weight = 0.0;
        }
        phase += grainInc[v][k];

        // A grain that has ended (or not yet started) stays where it is until
        // its phase restarts it. Moved on like the others, an ended grain of a
        // long size at a high pitch would climb back into the sample long
        // before its restart and play the sample's start again: a note whose
        // sample has run out would start over, again and again.
        if (pos > GRAIN_SILENT_BELOW) {
            pos = advanceSamplePosition(pos, dir, move, mode, loopStart, loopEnd);
            if (!looping && pos >= length) {
                // The grain has run out: it falls silent from this frame on;
                // the other grains of the frame sound on.
                pos = GRAIN_ENDED;
                left = right = 0.0f;
            }
        }
        sumLeft += left;
        sumRight += right;

        if (phase > 1.0) {
            phase -= 1.0;
            grainInc[v][k] = 1.0 / size;
            grainFullWeight[v][k] = false;
            const double r = static_cast<double>(grainSeed.step() & 0x7FFF) / 32767.0;
            double restart = std::min(voicePos, loopEnd) + (2.0 * r - 1.0) * size * 0.1 * spread;
            restart = std::clamp(restart, 0.0, std::max(length - 1.0, 0.0));
            if (mode != SAMPLE_LOOP) restart = std::min(restart, loopEnd);
            pos = restart;
        }
        weights += weight;
    }
    const float scale = static_cast<float>(1.0 / weights);
    stereoOverStruct out;
    out.lane[0] = out.lane[2] = sumLeft * scale;
    out.lane[1] = out.lane[3] = sumRight * scale;
    return out;
}

bool renderPreviewFrame(const TSampleData* data, double length, float gain, double& pos, float& left, float& right) {
    left = right = 0.0f;
    if (!data || !(pos >= 0.0) || !(pos < length)) return false;
    data->getSample(pos, left, right);
    left *= gain;
    right *= gain;
    pos += 1.0;
    return pos < length;
}
