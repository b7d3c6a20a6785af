// Two quarters of a plain state-variable type filtered eight voices at once
// must leave every frame, every per-frame value and the shared power exactly
// as the two quarters' own calls in a row do, and so as each voice's own
// calls: the block loop takes the eight-voice path wherever the processor
// allows it.
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr int kVoices = 8;
constexpr int kFrames = 2500;

bool sameBits(const void* a, const void* b, std::size_t size) { return std::memcmp(a, b, size) == 0; }

struct EightCase {
    int type;
    int typeAfter;        // the type from frame kFrames / 2 on
    std::array<int, 4> voicesOn;  // patterns of the eight voices (bit i: voice i), each for a stretch of frames
    float spread;         // shared by all voices
    bool inStep;          // every voice under the same modulation
    bool secondFollows;   // the second quarter's voices in step with the first quarter's last voice
    bool alike;           // left and right channels alike bit for bit
    bool bad;             // NaN and infinite samples, offsets, LFO values and frequencies now and then
    bool ownCalls;        // now and then the grouped filters run through their own calls
    const char* reason;
};

// The frame lanes of four voices, a vector per frame lane, as the block loop hands them over.
void lanesOf(const stereoOverStruct* frames, __m128 lanes[4]) {
    for (int i = 0; i < 4; ++i) lanes[i] = _mm_loadu_ps(frames[i].lane);
    _MM_TRANSPOSE4_PS(lanes[0], lanes[1], lanes[2], lanes[3]);
}

// Eight filters bound to two quarters side by side, lane by voice.
struct BoundEight {
    std::unique_ptr<std::array<TFilterQuarter, 2>> quarters = std::make_unique<std::array<TFilterQuarter, 2>>();
    std::array<std::unique_ptr<TFilter>, kVoices> filters;
    TFilter::SharedPower power;
    BoundEight() {
        for (int v = 0; v < kVoices; ++v) {
            filters[v] = std::make_unique<TFilter>();
            filters[v]->bind((*quarters)[v / 4], v % 4);
        }
    }
};

}  // namespace

TEST(FilterGroups, EightVoicesMatchTwoQuartersAndTheirSingleCalls) {
    buildFilterTables();
    // Without AVX2 the two quarters' calls are still held to the voices' own.
    const bool haveEight = TFilter::plainPairKernel != nullptr;
    const EightCase cases[] = {
        {3, 3, {0xFF, 0xFF, 0xFF, 0xFF}, 1.0f, false, false, false, false, false, "low-pass, voices apart"},
        {3, 3, {0xFF, 0xFF, 0xFF, 0xFF}, 1.0f, true, false, true, false, false,
         "voices in step: one power shared across the quarters"},
        {4, 4, {0xFE, 0x7F, 0xEF, 0xF7}, 1.0f, true, true, true, false, false,
         "one voice off in either quarter, alike channels"},
        {5, 5, {0x0F, 0xF0, 0x81, 0x5A}, 1.3f, false, false, false, false, false,
         "a whole quarter off, spread channels"},
        {6, 6, {0xFF, 0xFE, 0x0E, 0xE0}, 0.7f, false, true, true, false, false,
         "the second quarter in step with the first's last voice"},
        {3, 4, {0x3C, 0xFF, 0xC3, 0x01}, 1.0f, false, false, false, true, false,
         "bad samples, offsets and frequencies, and a change of type"},
        {5, 6, {0xFF, 0x6E, 0xFF, 0x80}, 1.0f, true, false, true, true, true,
         "voices switching to their own calls, in step, NaN in alike channels"},
    };
    const float rates[kVoices] = {44100.0f, 48000.0f, 96000.0f, 44100.0f, 48000.0f, 44100.0f, 88200.0f, 44100.0f};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const EightCase& c : cases) {
        SCOPED_TRACE(c.reason);
        BoundEight eight, quarters;
        std::array<std::unique_ptr<TFilter>, kVoices> single;
        for (int v = 0; v < kVoices; ++v) {
            single[v] = std::make_unique<TFilter>();
            for (TFilter* f : {eight.filters[v].get(), quarters.filters[v].get(), single[v].get()}) {
                f->init(rates[v]);
                f->setType(c.type, true);
                f->setTrack(0.5f, static_cast<float>(v % 5) - 1.5f);
                f->setVel(0.3f, 0.1f * static_cast<float>(v));
                f->setMod(-0.2f, 0.05f * static_cast<float>(v));
                f->setEnv(0.02f * static_cast<float>(v % 3));
            }
        }
        TFilter::SharedPower singlePower;
        int type = c.type;
        for (int n = 0; n < kFrames; ++n) {
            if (n == kFrames / 2 && c.typeAfter != type) {
                type = c.typeAfter;
                for (int v = 0; v < kVoices; ++v)
                    for (TFilter* f : {eight.filters[v].get(), quarters.filters[v].get(), single[v].get()})
                        f->setType(type, true);
            }
            const int lanesOn = c.voicesOn[(n / 97) % 4];
            float freq = 0.5f + 0.4f * std::sin(0.003f * static_cast<float>(n));
            if (c.bad && n % 53 == 7) freq = nan;
            const float q = TFilter::coefficientQ(0.9f - 3e-6f * static_cast<float>(n % 7));
            const float vowel = TFilter::coefficientVowel(0.3f);
            const float lfoAmount = 0.3f;
            float lfo[kVoices], offset[kVoices];
            stereoOverStruct in[kVoices];
            for (int v = 0; v < kVoices; ++v) {
                // In step, or the second quarter following the first's last voice.
                const int like = c.inStep ? 0 : (c.secondFollows && v >= 4 ? 3 : v);
                const float phase = static_cast<float>(like);
                // The modulation holds for stretches of frames, so that held powers are found again.
                const float t = static_cast<float>(n / 5);
                lfo[v] = std::sin(0.011f * t + phase);
                offset[v] = like == 0 ? 0.02f : 0.05f * std::sin(0.002f * t * (1.0f + phase));
                for (int lane = 0; lane < 4; ++lane) {
                    const float laneOffset = c.alike ? static_cast<float>(lane / 2) : static_cast<float>(lane);
                    in[v].lane[lane] = 0.8f * std::sin(0.07f * static_cast<float>(n) * (1.0f + 0.3f * static_cast<float>(v)) + laneOffset);
                }
            }
            if (c.bad && n % 97 == 5) in[n % kVoices].lane[n % 4] = nan;
            if (c.bad && n % 89 == 3) in[(n + 1) % kVoices].lane[(n + 1) % 4] = inf;
            if (c.bad && n % 41 == 3) in[(n + 3) % kVoices].lane[1] = in[(n + 3) % kVoices].lane[3] = nan;
            if (c.bad && n % 71 == 9) offset[n % kVoices] = inf;
            if (c.bad && n % 67 == 2) lfo[(n + 2) % kVoices] = nan;
            if (c.bad && n % 31 == 4)
                for (int v = 0; v < kVoices; ++v)
                    for (TFilter* f : {eight.filters[v].get(), quarters.filters[v].get(), single[v].get()})
                        f->setDirect();

            // Each sounding voice through its own calls.
            stereoOverStruct expected[kVoices], viaEight[kVoices], viaQuarters[kVoices];
            for (int v = 0; v < kVoices; ++v) {
                expected[v] = viaEight[v] = viaQuarters[v] = in[v];
                if (!(lanesOn >> v & 1)) continue;
                single[v]->setLFO(lfoAmount, lfo[v]);
                ASSERT_TRUE(single[v]->prepareShared(freq, c.spread, offset[v], q, vowel, singlePower));
                single[v]->process(expected[v], expected[v]);
            }

            if (c.ownCalls && n % 10 < 3) {
                for (BoundEight* group : {&eight, &quarters}) {
                    stereoOverStruct* frames = group == &eight ? viaEight : viaQuarters;
                    for (int v = 0; v < kVoices; ++v) {
                        if (!(lanesOn >> v & 1)) continue;
                        group->filters[v]->setLFO(lfoAmount, lfo[v]);
                        ASSERT_TRUE(
                            group->filters[v]->prepareShared(freq, c.spread, offset[v], q, vowel, group->power));
                        group->filters[v]->process(frames[v], frames[v]);
                    }
                }
            } else {
                TFilter::GroupInput inputs[2];
                __m128 lanes[8], lfoValues[2], offsets[2];
                for (int h = 0; h < 2; ++h) {
                    TFilter::GroupInput& input = inputs[h];
                    input.setFrequency(freq);
                    input.spreadIsOne = c.spread == 1.0f;
                    input.spread = _mm_set1_ps(c.spread);
                    input.q = _mm_set1_ps(q);
                    input.vowel = _mm_set1_ps(vowel);
                    input.lfoAmount = _mm_set1_ps(lfoAmount);
                    input.lfoValue = lfoValues[h] = _mm_loadu_ps(&lfo[4 * h]);
                    input.offset = offsets[h] = _mm_loadu_ps(&offset[4 * h]);
                    lanesOf(&in[4 * h], &lanes[4 * h]);
                }
                for (int h = 0; h < 2; ++h)
                    TFilter::processPlainQuarter((*quarters.quarters)[h], type, lanesOn >> 4 * h & 0xF,
                                                 &viaQuarters[4 * h], &lanes[4 * h], inputs[h], quarters.power);
                if (haveEight)
                    TFilter::plainPairKernel(eight.quarters->data(), type, lanesOn, viaEight, lanes, inputs[0],
                                             lfoValues, offsets, eight.power);
            }

            for (int v = 0; v < kVoices; ++v) {
                ASSERT_TRUE(sameBits(&viaQuarters[v], &expected[v], sizeof expected[v]))
                    << "voice " << v << ", frame " << n;
                ASSERT_EQ(quarters.filters[v]->getCutoff(0), single[v]->getCutoff(0)) << "voice " << v << ", frame " << n;
                ASSERT_EQ(quarters.filters[v]->getCutoff(1), single[v]->getCutoff(1)) << "voice " << v << ", frame " << n;
                ASSERT_EQ(quarters.filters[v]->getFreq(), single[v]->getFreq()) << "voice " << v << ", frame " << n;
                if (lanesOn >> v & 1) {
                    for (int lane = 0; lane < 4; ++lane)
                        ASSERT_TRUE(std::isfinite(viaQuarters[v].lane[lane])) << "voice " << v << ", frame " << n;
                }
            }
            if (!haveEight) continue;
            // Every frame (those of silent voices untouched), every value of
            // both quarters (silent voices' and cached powers among them) and
            // the shared power as the two quarters' calls leave them.
            ASSERT_TRUE(sameBits(viaEight, viaQuarters, sizeof viaEight)) << "frame " << n;
            ASSERT_TRUE(sameBits(eight.quarters.get(), quarters.quarters.get(), sizeof(TFilterQuarter) * 2))
                << "frame " << n;
            ASSERT_TRUE(sameBits(&eight.power, &quarters.power, sizeof eight.power)) << "frame " << n;
        }
    }
    if (!haveEight) GTEST_SKIP() << "the eight-voice half: the processor has no AVX2";
}
