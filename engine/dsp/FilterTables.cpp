#include "engine/dsp/FilterTables.h"

#include <cmath>
#include <mutex>

float FilterSine[FILTER_TABLE_SIZE];
float Filter2Sine[FILTER_TABLE_SIZE];
float Filter2Cos[FILTER_TABLE_SIZE];
float Filter12Lo2[FILTER_TABLE_SIZE];
float Filter12Hi2[FILTER_TABLE_SIZE];
float FilterZTan[FILTER_TABLE_SIZE];
float FilterTanBP[FILTER_TABLE_SIZE];
float FilterMFF[FILTER_TABLE_SIZE];
float FilterMFP[FILTER_TABLE_SIZE];
float FilterMFQ[FILTER_TABLE_SIZE];
float FilterVoxC[FILTER_TABLE_SIZE];
float FilterVoxD[FILTER_TABLE_SIZE];
float FilterZQ[FILTER_TABLE_SIZE];
float FilterTmpqs[FILTER_TABLE_SIZE];
float FilterInvTmpq[FILTER_TABLE_SIZE];

namespace {

// One unit in the last place below the float nearest pi; the tables were
// tuned with this value, so it is kept rather than the nearest float.
constexpr float kPi = 3.1415925f;
constexpr float kTwoPi = 6.283185f;

// Powers of two are taken in double on the float exponent and rounded back,
// which keeps the resonance curves identical on every machine.
float powerOfTwo(float exponent) {
    return static_cast<float>(std::pow(2.0, static_cast<double>(exponent)));
}

void fillFilterTables() {
    // Entry 0 is the limit at a = 0, except FilterTanBP, whose limit is infinite.
    FilterSine[0] = 1e-15f;
    Filter2Sine[0] = 0.0f;
    Filter2Cos[0] = 1.0f;
    Filter12Lo2[0] = 666.6667f;
    Filter12Hi2[0] = 0.0f;
    FilterZTan[0] = 0.0f;
    FilterTanBP[0] = 1.0f;
    FilterMFF[0] = -1.0f;
    FilterMFP[0] = 1e-15f;
    FilterMFQ[0] = 3.8f;
    FilterVoxC[0] = 999.99994f;
    FilterVoxD[0] = 2.0f;
    FilterZQ[0] = 0.5f;
    FilterTmpqs[0] = 1.7320508f;
    FilterInvTmpq[0] = 0.5f;

    for (int i = 1; i < FILTER_TABLE_SIZE; ++i) {
        const float a = static_cast<float>(i) / 262144.0f;
        const float s = std::sin(kPi * a);
        const float c = std::cos(kPi * a);
        FilterSine[i] = 2.0f * s + 1e-15f;
        Filter2Sine[i] = std::sin(kTwoPi * a);
        Filter2Cos[i] = std::cos(kTwoPi * a);
        Filter12Lo2[i] = c / (s + 0.0015f);
        Filter12Hi2[i] = s / (c + 0.0015f);
        const float tangent = std::tan(kPi * a);
        FilterZTan[i] = tangent;
        FilterTanBP[i] = 1.0f / tangent;

        const float twoA = 2.0f * a;
        const float oneMinusTwoA = 1.0f - twoA;
        const float u = twoA * oneMinusTwoA + twoA;
        FilterMFF[i] = 2.0f * u - 1.0f + 1e-15f;
        FilterMFP[i] = u + 1e-15f;
        FilterMFQ[i] = (5.6f * oneMinusTwoA * oneMinusTwoA + twoA) * 0.5f * oneMinusTwoA + 1.0f;

        FilterVoxC[i] = 1.0f / (s / c + 0.001f);
        FilterVoxD[i] = 2.0f * std::cos(kTwoPi * a);

        const float y = static_cast<float>(i) / 131072.0f;
        FilterZQ[i] = 0.5f * powerOfTwo(-5.0f * y);
        const float e = powerOfTwo(3.98f * y + 1.0f);
        FilterTmpqs[i] = std::sqrt(e + 1.0f);
        FilterInvTmpq[i] = 1.0f / e;
    }
}

std::once_flag filterTablesOnce;

}  // namespace

void buildFilterTables() {
    std::call_once(filterTablesOnce, fillFilterTables);
}
