// The frames that travel through the engine's DSP units.
#pragma once

// One left/right pair at the host's sample rate.
struct stereoStruct {
    float left = 0.0f;
    float right = 0.0f;
};

// One host frame of a voice, rendered at twice the host's rate: the left and
// right values of the first sub-sample, then those of the second. The four
// lanes are worked on together wherever the processing is the same per lane.
struct stereoOverStruct {
    static constexpr int LEFT0 = 0;
    static constexpr int RIGHT0 = 1;
    static constexpr int LEFT1 = 2;
    static constexpr int RIGHT1 = 3;

    float lane[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
