// The Mod FX controls as every mode reads them, worked out at the control
// step: Mod FX 1 to 5 with their modulation, and what the modes share.
#pragma once

struct TModFXValues {
    float f1 = 0.0f;  // Mod FX 1 plus its modulation, not clamped
    float f2 = 0.0f;  // Mod FX 2 to 5 plus their modulation, 0..1
    float f3 = 0.0f;
    float f4 = 0.0f;
    float f5 = 0.0f;
    float feedback = 0.0f;  // Mod FX 5 plus its modulation held to -1..1 (Flanger, Phaser)
    float q = 0.05f;        // "Mod FX Q" as a section q, 0.05..0.95 (Phaser)
    float rate = 0.0f;      // the modulator's cycles per frame, before spread and humanize
    float sampleRate = 44100.0f;
};
// The modulator's output per channel, -1..1, as the modes read it (u = 0.5 x + 0.5).
struct TModFXModulation {
    float left = 0.0f;
    float right = 0.0f;
    float unipolarLeft() const { return 0.5f * left + 0.5f; }
    float unipolarRight() const { return 0.5f * right + 0.5f; }
};
