// A filter keeps the zero-delay coefficients while the cutoff stays on its
// table entry: it must give bit for bit what a filter that works them out
// every frame gives, through slow sweeps, held cutoffs, resonance moving under
// a still cutoff, unlike channels and type changes that write over them.
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

TEST(FilterKeptCoefficients, EqualCoefficientsWorkedOutEachFrame) {
    buildFilterTables();
    struct Case {
        const char* why;
        int type, otherType;  // otherType: taken for a stretch without a reset (0: none)
        float rate;
        bool pairCall;  // separate left and right cutoffs, else the single-cutoff call with spread
    };
    const Case cases[] = {
        {"low-pass", filtertype::ZERO_DELAY_LOWPASS_12DB, 0, 48000.0f, true},
        {"high-pass", filtertype::ZERO_DELAY_HIGHPASS_12DB, 0, 44100.0f, false},
        {"band-pass", filtertype::ZERO_DELAY_BANDPASS_12DB, 0, 96000.0f, true},
        {"notch", filtertype::ZERO_DELAY_NOTCH_12DB, 0, 44100.0f, false},
        {"low to high", filtertype::ZERO_LOW_HIGH_PASS_12DB, 0, 48000.0f, true},
        {"low to band to high (the Wah-Wah)", filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB, 0, 44100.0f, true},
        {"the 24 dB pair writes the same coefficients", filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB,
         filtertype::ZERO_LOW_BAND_HIGH_PASS_24DB, 44100.0f, true},
        {"the vocal type between", filtertype::ZERO_DELAY_LOWPASS_12DB, filtertype::VOCAL, 48000.0f, false},
    };
    for (const Case& c : cases) {
        auto kept = std::make_unique<TFilter>(), remade = std::make_unique<TFilter>();
        for (TFilter* f : {kept.get(), remade.get()}) {
            f->init(c.rate);
            f->setType(c.type, true);
        }
        for (int frame = 0; frame < 12000; ++frame) {
            // Stretches of 2000 frames: a slow sweep (several frames to a table
            // entry), a held cutoff with the resonance stepping, a sweep with the
            // right channel apart, jumps, and the sweep again with the vowel moving.
            const int stretch = frame / 2000;
            float left = 0.5f + 0.2f * std::sin(static_cast<float>(frame) * 0.00005f);
            float right = left;
            float resonance = 0.3f, vowel = 0.4f;
            if (stretch == 1) {
                left = right = 0.55f;
                resonance = 0.2f + 0.1f * static_cast<float>(frame / 300 % 4);
            } else if (stretch == 2) {
                right = left + 0.05f;
            } else if (stretch == 3) {
                left = frame % 400 < 200 ? 0.3f : 0.7f;
                right = frame % 300 < 150 ? 0.3f : 0.7f;
            } else if (stretch == 5) {
                vowel = 0.5f + 0.5f * std::sin(static_cast<float>(frame) * 0.01f);
            }
            // The other type for a while in the held stretch, between two resonance steps.
            const int type = c.otherType != 0 && frame >= 3320 && frame < 3580 ? c.otherType : c.type;
            const float x = std::sin(static_cast<float>(frame) * 0.37f) + 0.5f * std::sin(static_cast<float>(frame) * 0.051f);
            const stereoOverStruct in{{x, -0.5f * x, 0.8f * x, x}};
            stereoOverStruct out[2];
            remade->forgetKeptCoefficients();
            TFilter* filters[2] = {kept.get(), remade.get()};
            for (int k = 0; k < 2; ++k) {
                filters[k]->setType(type, false);
                if (c.pairCall)
                    filters[k]->process(stereoStruct{left, right}, stereoStruct{}, resonance, vowel, in, out[k]);
                else
                    filters[k]->process(left, 1.0f + (right - left), stereoStruct{}, resonance, vowel, in, out[k]);
            }
            ASSERT_EQ(std::memcmp(out[0].lane, out[1].lane, sizeof(out[0].lane)), 0)
                << c.why << ", frame " << frame << ": " << out[0].lane[0] << " against " << out[1].lane[0];
        }
    }
}
