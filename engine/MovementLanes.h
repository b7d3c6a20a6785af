// The plain Movement and Free LFO chains of four voices at a time. Their
// double-precision steps are compiled twice: for the baseline processor (two
// doubles per vector) and, where the processor has it, for AVX2 (four per
// vector); the library picks one when it loads. What both share lives here
// and is compiled for the baseline alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/MovementState.h"
#include "engine/VoiceState.h"

// Four voices of a padded lane list.
struct TVoiceGroup {
    const int* voice;
    TLfoState* lfo[4];
    float* const* sources;
    bool consecutive;  // voice[i] = voice[0] + i: the per-voice arrays are read as vectors
    TVoiceGroup(const TMovementState::LaneVoices& list, int first, int which)
        : voice(&list.voice[static_cast<std::size_t>(first)]),
          sources(&list.sources[static_cast<std::size_t>(first)]),
          // The list rises but for the repeats that pad it.
          consecutive(voice[3] - voice[0] == 3 && voice[3] != voice[2]) {
        for (int i = 0; i < 4; ++i) lfo[i] = list.lfo[static_cast<std::size_t>(first + i)] + which;
    }
    // Every lane's symmetry leaves the cycle unwarped (see TLfoState::unwarped).
    bool unwarped() const { return lfo[0]->unwarped & lfo[1]->unwarped & lfo[2]->unwarped & lfo[3]->unwarped; }
};

// The Movement's pan wave and fold are shared by the voices and set by their
// control steps; a voice's Movement takes them as the steps of the voices up
// to it left them. The history holds them as the frame began and after each
// step that moved them, with the voice of that step.
struct TPanShape {
    int wave;
    float foldOffset, foldScale;
    TPanShape() = default;
    explicit TPanShape(const TMovementState& movement)
        : wave(movement.panWave), foldOffset(movement.panFoldOffset), foldScale(movement.panFoldScale) {}
    bool operator==(const TPanShape&) const = default;
    void setInto(TMovementState& movement) const {
        movement.panWave = wave;
        movement.panFoldOffset = foldOffset;
        movement.panFoldScale = foldScale;
    }
};

struct TPanHistory {
    TPanShape start;
    int changes = 0;
    std::array<int, NUM_VOICES> changedAt;
    std::array<TPanShape, NUM_VOICES> after;
    explicit TPanHistory(const TMovementState& movement) : start(movement) {}
    void record(int voice, const TPanShape& shape) {
        changedAt[static_cast<std::size_t>(changes)] = voice;
        after[static_cast<std::size_t>(changes)] = shape;
        ++changes;
    }
    const TPanShape& of(int voice) const {
        const TPanShape* shape = &start;
        for (int i = 0; i < changes && changedAt[static_cast<std::size_t>(i)] <= voice; ++i)
            shape = &after[static_cast<std::size_t>(i)];
        return *shape;
    }
};

// The scalar chain's steps the lanes fall back on for a lane outside their
// common case (rare): the cycle position of a shifted phase outside [10, 11)
// and the quantised level of a negative, huge or NaN quantiser input.
double laneCyclePosition(double shifted);
double laneQuantisedLevel(double x);

// The voices whose Movement and whose Free LFO phase left [0, 1).
struct TLaneEnds {
    std::uint32_t movement = 0, freeLFO = 0;
};

// The lane chains of one instruction set, up to the phase step. The Movement
// takes the voices' speed control as settled; all answer the voices whose
// phase left [0, 1), for the ends of the cycles in voice order.
struct TMovementLaneKernels {
    std::uint32_t (*movement)(TMovementState& movement, TVoiceState& voices, const TMovementState::LaneVoices& list,
                              const TPanHistory& pan);
    std::uint32_t (*freeLFO)(TMovementState& movement, const TMovementState::LaneVoices& list);
    // Both chains of the listed voices, as movement then freeLFO would run them.
    TLaneEnds (*both)(TMovementState& movement, TVoiceState& voices, const TMovementState::LaneVoices& list,
                      const TPanHistory& pan);
};

extern const TMovementLaneKernels SSE2_MOVEMENT_LANES;
extern const TMovementLaneKernels AVX2_MOVEMENT_LANES;

// The set for this processor, chosen once when the library loads.
const TMovementLaneKernels& movementLaneKernels();
