#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "engine/dsp/FilterTables.h"

namespace {

struct FilterEntryCase {
    const char* name;
    const float* table;
    int index;
    float expected;
    float tolerance;
    const char* why;
};

TEST(FilterTables, SpecialEntriesAndSampledValues) {
    buildFilterTables();
    const double pi = 3.14159265358979;
    const int mid = FILTER_TABLE_SIZE / 2;      // a = 0.5
    const int quarter = FILTER_TABLE_SIZE / 4;  // a = 0.25
    const FilterEntryCase cases[] = {
        {"FilterSine", FilterSine, 0, 1e-15f, 0.0f, "keeps a zero-frequency section non-singular"},
        {"FilterSine", FilterSine, mid, 2.0f, 1e-6f, "2 sin(pi/2)"},
        {"Filter2Sine", Filter2Sine, 0, 0.0f, 0.0f, "sin 0"},
        {"Filter2Sine", Filter2Sine, quarter, 1.0f, 1e-6f, "sin(pi/2)"},
        {"Filter2Cos", Filter2Cos, 0, 1.0f, 0.0f, "cos 0"},
        {"Filter2Cos", Filter2Cos, mid, -1.0f, 1e-6f, "cos(pi)"},
        {"Filter12Lo2", Filter12Lo2, 0, 666.6667f, 0.0f, "1 / 0.0015 at a = 0"},
        {"Filter12Lo2", Filter12Lo2, mid, 0.0f, 1e-5f, "cos(pi/2) is zero"},
        {"Filter12Hi2", Filter12Hi2, 0, 0.0f, 0.0f, "sin 0 over 1.0015"},
        {"Filter12Hi2", Filter12Hi2, quarter, float(std::sin(pi / 4) / (std::cos(pi / 4) + 0.0015)), 1e-5f,
         "sampled mid-range"},
        {"FilterZTan", FilterZTan, 0, 0.0f, 0.0f, "tan 0"},
        {"FilterZTan", FilterZTan, quarter, 1.0f, 1e-5f, "tan(pi/4)"},
        {"FilterTanBP", FilterTanBP, 0, 1.0f, 0.0f, "replaces the infinite cotangent at 0"},
        {"FilterTanBP", FilterTanBP, quarter, 1.0f, 1e-5f, "cot(pi/4)"},
        {"FilterMFF", FilterMFF, 0, -1.0f, 0.0f, "2u - 1 with u = 0"},
        {"FilterMFF", FilterMFF, quarter, 0.5f, 1e-6f, "u = 0.75 at a = 0.25"},
        {"FilterMFP", FilterMFP, 0, 1e-15f, 0.0f, "u = 0"},
        {"FilterMFP", FilterMFP, mid, 1.0f, 1e-6f, "u = 1 at a = 0.5"},
        {"FilterMFQ", FilterMFQ, 0, 3.8f, 0.0f, "5.6 * 0.5 + 1"},
        {"FilterMFQ", FilterMFQ, mid, 1.0f, 1e-6f, "(1 - 2a) vanishes at a = 0.5"},
        {"FilterVoxC", FilterVoxC, 0, 999.99994f, 0.0f, "1 / 0.001 in single precision"},
        {"FilterVoxC", FilterVoxC, quarter, float(1.0 / 1.001), 1e-5f, "tan(pi/4) = 1"},
        {"FilterVoxD", FilterVoxD, 0, 2.0f, 0.0f, "2 cos 0"},
        {"FilterVoxD", FilterVoxD, quarter, 0.0f, 1e-6f, "2 cos(pi/2)"},
        {"FilterZQ", FilterZQ, 0, 0.5f, 0.0f, "0.5 * 2^0"},
        {"FilterZQ", FilterZQ, 131072, 0.015625f, 1e-9f, "y = 1: 0.5 * 2^-5"},
        {"FilterTmpqs", FilterTmpqs, 0, 1.7320508f, 0.0f, "sqrt(2 + 1)"},
        {"FilterTmpqs", FilterTmpqs, 131072, float(std::sqrt(std::pow(2.0, 4.98) + 1.0)), 1e-4f, "y = 1"},
        {"FilterInvTmpq", FilterInvTmpq, 0, 0.5f, 0.0f, "1 / 2"},
        {"FilterInvTmpq", FilterInvTmpq, 131072, float(std::pow(2.0, -4.98)), 1e-7f, "y = 1"},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(c.table[c.index], c.expected, c.tolerance) << c.name << "[" << c.index << "]: " << c.why;
    }
}

TEST(FilterTables, EveryEntryIsFinite) {
    buildFilterTables();
    const float* tables[] = {FilterSine, Filter2Sine, Filter2Cos, Filter12Lo2, Filter12Hi2,
                             FilterZTan, FilterTanBP, FilterMFF, FilterMFP, FilterMFQ,
                             FilterVoxC, FilterVoxD, FilterZQ, FilterTmpqs, FilterInvTmpq};
    for (int t = 0; t < 15; ++t) {
        for (int i = 0; i < FILTER_TABLE_SIZE; ++i) {
            ASSERT_TRUE(std::isfinite(tables[t][i])) << "table " << t << " entry " << i;
        }
    }
}

// Every table against its formula evaluated in double precision, across the range.
TEST(FilterTables, EntriesFollowTheirFormulas) {
    buildFilterTables();
    struct Formula {
        const char* name;
        const float* table;
        double (*value)(double a, double y);
    } formulas[] = {
        {"FilterSine", FilterSine, [](double a, double) { return 2.0 * std::sin(M_PI * a); }},
        {"Filter2Sine", Filter2Sine, [](double a, double) { return std::sin(2.0 * M_PI * a); }},
        {"Filter2Cos", Filter2Cos, [](double a, double) { return std::cos(2.0 * M_PI * a); }},
        {"Filter12Lo2", Filter12Lo2, [](double a, double) { return std::cos(M_PI * a) / (std::sin(M_PI * a) + 0.0015); }},
        {"Filter12Hi2", Filter12Hi2, [](double a, double) { return std::sin(M_PI * a) / (std::cos(M_PI * a) + 0.0015); }},
        {"FilterZTan", FilterZTan, [](double a, double) { return std::tan(M_PI * a); }},
        {"FilterTanBP", FilterTanBP, [](double a, double) { return 1.0 / std::tan(M_PI * a); }},
        {"FilterMFF", FilterMFF, [](double a, double) { return 2.0 * (2 * a * (1 - 2 * a) + 2 * a) - 1.0; }},
        {"FilterMFP", FilterMFP, [](double a, double) { return 2 * a * (1 - 2 * a) + 2 * a; }},
        {"FilterMFQ", FilterMFQ,
         [](double a, double) { return (5.6 * (1 - 2 * a) * (1 - 2 * a) + 2 * a) * 0.5 * (1 - 2 * a) + 1.0; }},
        {"FilterVoxC", FilterVoxC, [](double a, double) { return 1.0 / (std::tan(M_PI * a) + 0.001); }},
        {"FilterVoxD", FilterVoxD, [](double a, double) { return 2.0 * std::cos(2.0 * M_PI * a); }},
        {"FilterZQ", FilterZQ, [](double, double y) { return 0.5 * std::pow(2.0, -5.0 * y); }},
        {"FilterTmpqs", FilterTmpqs, [](double, double y) { return std::sqrt(std::pow(2.0, 3.98 * y + 1.0) + 1.0); }},
        {"FilterInvTmpq", FilterInvTmpq, [](double, double y) { return 1.0 / std::pow(2.0, 3.98 * y + 1.0); }},
    };
    for (const auto& f : formulas) {
        // Away from the poles of the tangent tables, where a float argument cannot match a double one.
        for (int i = 1; i < FILTER_TABLE_SIZE - 2000; i += 997) {
            const double a = i / 262144.0;
            const double y = i / 131072.0;
            const double expected = f.value(a, y);
            ASSERT_NEAR(f.table[i], expected, 2e-4 * std::max(1.0, std::fabs(expected))) << f.name << "[" << i << "]";
        }
    }
}

// Two instances starting at once must both see complete tables.
TEST(FilterTables, ConcurrentBuildsSeeCompleteTables) {
    std::vector<float> seen(8, 0.0f);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&seen, t] {
            buildFilterTables();
            seen[t] = FilterInvTmpq[FILTER_TABLE_SIZE - 1];
        });
    }
    for (auto& thread : threads) thread.join();
    const float last = float(1.0 / std::pow(2.0, 3.98 * (262143.0 / 131072.0) + 1.0));
    for (float value : seen) EXPECT_NEAR(value, last, 1e-7f);
}

}  // namespace
