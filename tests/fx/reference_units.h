// Slow, plain versions of the delay line and the reverb, written one step at
// a time with no caching, blocks or vectors, for the tests to hold the real
// units against frame by frame.
#pragma once

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "engine/fx/FxTables.h"

namespace fxtest {

// The delay line as two queues of (stamp, value) per channel, read 100 clock
// units behind the write clock.
struct ReferenceDelay {
    bool equal = false, filterOn = false;
    float baseLen[2] = {100, 100}, delayLen[2] = {1, 1};
    float feedDirect[2] = {0, 0}, feedCross[2] = {0, 0};
    float coef[2] = {0, 0}, keep[2] = {1, 1}, state1[2] = {0, 0}, state2[2] = {0, 0};
    float invRate = 1.0f / 44100.0f;
    double clockStep[2] = {0, 0}, writeClock[2] = {0, 0};
    std::deque<double> stamp[2], value[2];

    explicit ReferenceDelay(float rate) {
        invRate = 1.0f / rate;
        for (int i = 0; i < 2; ++i) {
            stamp[i].assign(51, 0.0);
            value[i].assign(51, 0.0);
        }
    }
    void setDelayLenDirect(float left, float right) {
        const float lengths[2] = {left, right};
        for (int i = 0; i < 2; ++i) {
            baseLen[i] = delayLen[i] = std::min(std::max(lengths[i], 5.0f), 262143.0f);
            clockStep[i] = 100.0 / static_cast<double>(delayLen[i]);
        }
    }
    void setFeed(float direct, float cross) {
        const float a = std::min(std::max(direct, -0.999f), 0.999f);
        const float b = std::min(std::max(cross, -0.999f), 0.999f);
        feedDirect[0] = feedDirect[1] = a;
        if (std::fabs(b) <= 0.001f && equal) {
            feedCross[0] = feedCross[1] = 0;
            const float g = std::log(std::fabs(a) + 0.0001f);
            const float s = a < 0 ? -1.0f : (a > 1e-15f ? 1.0f : 0.0f);
            if (baseLen[0] <= baseLen[1])
                feedDirect[0] = s * std::exp(g * baseLen[0] / (baseLen[1] + 1));
            else
                feedDirect[1] = s * std::exp(g * baseLen[1] / (baseLen[0] + 1));
            return;
        }
        const float n = std::max(1.0f, std::fabs(a) + std::fabs(b) + 0.0001f);
        feedDirect[0] = feedDirect[1] = a / n + 1e-15f;
        feedCross[0] = feedCross[1] = b / n + 1e-15f;
    }
    void setFeed(float x) {
        feedDirect[0] = feedDirect[1] = std::min(std::max(x, -0.999f), 0.999f);
        feedCross[0] = feedCross[1] = 0;
    }
    void setFeedFilter(float low, float high) {
        filterOn = !(low > 0.999f && high < 0.0001f);
        if (!filterOn) return;
        const float xs[2] = {low, high};
        for (int i = 0; i < 2; ++i) {
            const float f = std::min(std::max(20.0f * std::exp2(10.0f * xs[i]) * invRate, 20.0f * invRate), 0.2f);
            coef[i] = 2 * f;
            keep[i] = 1 - 2 * f;
        }
    }
    float bandPass(int i, float x) {
        if (!filterOn) return x;
        state1[i] = x * coef[0] + keep[0] * state1[i] + 1e-15f;
        state2[i] = coef[1] * state1[i] + keep[1] * state2[i] + 1e-15f;
        return state1[i] - state2[i];
    }
    void process(float inL, float inR, float& outL, float& outR) {
        const float in[2] = {inL, inR};
        float y[2] = {0, 0};
        for (int i = 0; i < 2; ++i) writeClock[i] += clockStep[i];
        for (int i = 0; i < 2; ++i) {
            if (writeClock[i] >= 100) {
                const double target = writeClock[i] - 100;
                while (stamp[i].size() >= 3) {
                    if (target < stamp[i][1]) {
                        y[i] = static_cast<float>(value[i][0] + (target - stamp[i][0]) * (value[i][1] - value[i][0]) /
                                                                    (stamp[i][1] - stamp[i][0]));
                        break;
                    }
                    stamp[i].pop_front();
                    value[i].pop_front();
                }
            } else {
                stamp[i].push_back(writeClock[i]);
                value[i].push_back(bandPass(i, in[i]));
            }
        }
        float w[2] = {in[0] + feedDirect[0] * y[0] + feedCross[0] * y[1] + 1e-15f,
                      in[1] + feedDirect[1] * y[1] + feedCross[1] * y[0] + 1e-15f};
        for (int i = 0; i < 2; ++i) {
            if (!(w[i] > -100 && w[i] < 100)) w[i] = w[i] < -100 ? -100 : 100;
            w[i] = bandPass(i, w[i]);
            stamp[i].push_back(writeClock[i]);
            value[i].push_back(w[i]);
        }
        outL = y[0];
        outR = y[1];
    }
};

// The reverb: ten combs in each of four lanes (LA, RA, LB, RB) on one ring,
// the comb sums' filter and the all-pass chains.
struct ReferenceReverb {
    static constexpr int RING = 16384;
    float rate = 44100, roomSize = 0.9099097f, damp = 0.275f;
    int widenPos = 0, widenOffset[4] = {0, 0, 0, 0};
    std::vector<float> widenL = std::vector<float>(RING), widenR = std::vector<float>(RING);
    float combScale[2][REVERB_COMBS];
    int combOffset[4][REVERB_COMBS];
    int pos = 0;
    std::vector<float> ring = std::vector<float>(static_cast<size_t>(RING) * 4 * REVERB_COMBS);
    float store[4][REVERB_COMBS] = {};
    float c1 = 1, c2 = 0, state1[4] = {}, state2[4] = {};
    struct Allpass {
        int size = 1, position = 0;
        std::vector<float> a, b;
    };
    Allpass allpass[2][REVERB_ALLPASS_STAGES];  // left side: LA in a, LB in b; right side: RA, RB

    explicit ReferenceReverb(float sampleRate) : rate(sampleRate) {
        const float s = rate / 44100.0f;
        for (int set = 0; set < 2; ++set) std::fill(combScale[set], combScale[set] + REVERB_COMBS, 1.0f);
        for (int c = 0; c < REVERB_COMBS; ++c)
            for (int lane = 0; lane < 4; ++lane) {
                const int tuning = REVERB_COMB_TUNING[c] + (lane % 2 == 1 ? REVERB_STEREO_SPREAD : 0);
                combOffset[lane][c] = RING - static_cast<int>(static_cast<float>(tuning) * s + 0.5f);
            }
        for (int side = 0; side < 2; ++side)
            for (int k = 0; k < REVERB_ALLPASS_STAGES; ++k) {
                const int tuning = REVERB_ALLPASS_TUNING[k] + (side == 1 ? REVERB_STEREO_SPREAD : 0);
                Allpass& stage = allpass[side][k];
                stage.size = static_cast<int>(static_cast<float>(tuning) * s + 0.5f);
                stage.a.assign(static_cast<size_t>(stage.size), 0.0f);
                stage.b.assign(static_cast<size_t>(stage.size), 0.0f);
            }
    }
    void setRoomSize(float x) { roomSize = std::log10(20 * x + 1) * 0.249579f + 0.65f; }
    void setDamp(float x) { damp = 0.55f * x; }
    void setFilter(float low, float high) {
        float c[2];
        const float xs[2] = {low, high};
        for (int i = 0; i < 2; ++i) {
            const float f = 20.0f * std::exp2(10.0f * xs[i]) / rate;
            c[i] = f <= 0.3f ? 2 * f : 0.6f;
        }
        c1 = c[0] > 0.59f ? 1.0f : c[0];
        c2 = c[1] < 0.01f ? 0.0f : c[1];
        // A high-pass that is off holds no state (it would stay as an offset).
        if (c2 == 0.0f) std::fill(state2, state2 + 4, 0.0f);
    }
    void setWiden(int t0, int t1, int t2, int t3) {
        const int t[4] = {t0, t1, t2, t3};
        for (int i = 0; i < 4; ++i) widenOffset[i] = 16383 - t[i];
    }
    void setMod(float a, float b, float c, float d) {
        for (int k = 0; k < REVERB_COMBS; ++k) {
            combScale[0][k] = k % 2 == 0 ? a : b;
            combScale[1][k] = k % 2 == 0 ? c : d;
        }
    }
    void setSize(float size1, float size2) {
        for (int k = 0; k < REVERB_COMBS; ++k)
            for (int lane = 0; lane < 4; ++lane) {
                const float size = lane < 2 ? size1 : size2;
                const float tuning = static_cast<float>(REVERB_COMB_TUNING[k] + (lane % 2 == 1 ? 23 : 0));
                const int length =
                    static_cast<int>(size * rate / 44100.0f * tuning * combScale[lane < 2 ? 0 : 1][k] + 0.5f);
                combOffset[lane][k] = RING - std::min(std::max(length, 1), 16383);
            }
    }
    void process(float inL, float inR, float out[4]) {
        widenPos = (widenPos + 1) % RING;
        widenL[static_cast<size_t>(widenPos)] = inL;
        widenR[static_cast<size_t>(widenPos)] = inR;
        const float d[4] = {widenL[static_cast<size_t>((widenPos + widenOffset[0]) % RING)],
                            widenR[static_cast<size_t>((widenPos + widenOffset[1]) % RING)],
                            widenL[static_cast<size_t>((widenPos + widenOffset[2]) % RING)],
                            widenR[static_cast<size_t>((widenPos + widenOffset[3]) % RING)]};
        // Even combs (the 1st, 3rd, ...) of LA and LB read the left input, of
        // RA and RB a tap; odd combs the other way round.
        const float evenInput[4] = {inL, d[1], inL, d[3]}, oddInput[4] = {d[0], inR, d[2], inR};
        pos = pos + 1 == RING ? 0 : pos + 1;
        float lane[4];
        for (int l = 0; l < 4; ++l) {
            float sum = 0;
            for (int k = 0; k < REVERB_COMBS; ++k) {
                const auto at = [&](int p) { return static_cast<size_t>((p * 4 + l) * REVERB_COMBS + k); };
                const float y = ring[at((pos + combOffset[l][k]) % RING)];
                store[l][k] = store[l][k] * damp + y * (1 - damp);
                ring[at(pos)] = store[l][k] * roomSize + (k % 2 == 0 ? evenInput[l] : oddInput[l]);
                sum += y;
            }
            state1[l] = state1[l] * (1 - c1) + sum * c1;
            state2[l] = state2[l] * (1 - c2) + state1[l] * c2;
            lane[l] = state1[l] - state2[l];
        }
        for (int k = 0; k < REVERB_ALLPASS_STAGES; ++k)
            for (int side = 0; side < 2; ++side) {
                Allpass& stage = allpass[side][k];
                stage.position = stage.position + 1 == stage.size ? 0 : stage.position + 1;
                const size_t p = static_cast<size_t>(stage.position);
                // Lanes LA (0) and LB (2) on the left side, RA (1) and RB (3) on the right.
                for (int half = 0; half < 2; ++half) {
                    float& x = lane[side + 2 * half];
                    std::vector<float>& buffer = half == 0 ? stage.a : stage.b;
                    const float b = buffer[p];
                    buffer[p] = 0.5f * b + x + 1e-8f;
                    x = b - x;
                }
            }
        for (int l = 0; l < 4; ++l) out[l] = lane[l] * 0.025f;
    }
};

}  // namespace fxtest
