// The parameter store's rules, as the plug-in's store and the engine tests'
// store both follow them: a write is refused, clamped, snapped or stepped
// alike wherever it lands.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>

#include "engine_test_support.h"
#include "plugin/uPlugin.h"
#include "tests/plugin/plugin_test_access.h"

namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float denormal = std::numeric_limits<float>::denorm_min() * 64;

struct Rig {
    std::unique_ptr<APlugin> plugin = std::make_unique<APlugin>(nullptr);
    std::unique_ptr<enginetest::EnginePlugin> engine = std::make_unique<enginetest::EnginePlugin>();
    float pluginValue(int tag) { return TPluginTestAccess::values(*plugin).curValue[tag]; }
    float engineValue(int tag) { return engine->values.curValue[tag]; }
};

TEST(ParameterRules, EveryStoreKeepsWhatTheRulesSay) {
    const struct {
        int tag;
        float written;
        std::optional<float> kept;  // nothing: refused
        const char* why;
    } cases[] = {
        {tag::MAIN_VOLUME, 0.37f, 0.37f, "a value inside the range is kept"},
        {tag::MAIN_VOLUME, 1.7f, 1.0f, "above the range: 1"},
        {tag::MAIN_VOLUME, -3.0f, 0.0f, "below the range: 0"},
        {tag::MAIN_VOLUME, denormal, 0.0f, "a denormal is kept as 0"},
        {tag::MAIN_VOLUME, -denormal, 0.0f, "a negative denormal too, however the thread compares it"},
        {tag::MAIN_VOLUME, nan, std::nullopt, "NaN is refused"},
        {tag::MAIN_VOLUME, inf, std::nullopt, "+infinity is refused"},
        {tag::MAIN_VOLUME, -inf, std::nullopt, "-infinity is refused"},
        {tag::KEY_TRACK, 0.49f, 0.0f, "a switch below one half is off"},
        {tag::KEY_TRACK, 0.5f, 1.0f, "a switch at one half is on"},
        {tag::KEY_TRACK, 7.0f, 1.0f, "a switch above the range is on"},
        {tag::KEY_TRACK, nan, std::nullopt, "NaN on a switch is refused"},
        {-1, 0.5f, std::nullopt, "a tag below the range"},
        {PARAMETER_COUNT, 0.5f, std::nullopt, "a tag above the range"},
    };
    for (const auto& c : cases) {
        Rig rig;
        const std::optional<float> kept =
            storableParameterValue(TPluginTestAccess::attr(*rig.plugin), c.tag, c.written);
        ASSERT_EQ(kept.has_value(), c.kept.has_value()) << c.why;
        if (kept) {
            EXPECT_EQ(*kept, *c.kept) << c.why;
            EXPECT_FALSE(std::signbit(*kept)) << c.why;
        }
        if (!isValidParameterTag(c.tag)) continue;
        // Both stores start from 0.25 (off, for a switch), then take the write.
        rig.plugin->setParameter(c.tag, 0.25f);
        rig.engine->setParameter(c.tag, 0.25f);
        const float before = rig.pluginValue(c.tag);
        rig.plugin->setParameter(c.tag, c.written);
        rig.engine->setParameter(c.tag, c.written);
        EXPECT_EQ(rig.pluginValue(c.tag), c.kept.value_or(before)) << "plug-in: " << c.why;
        EXPECT_EQ(rig.engineValue(c.tag), c.kept.value_or(before)) << "engine tests: " << c.why;
    }
}

// A step is held to the tag's steps and stored as the value that reads back
// as that step; a continuous tag takes no step.
TEST(ParameterRules, StepsAreHeldToTheTagsSteps) {
    Rig rig;
    const TParameterAttributes& attr = TPluginTestAccess::attr(*rig.plugin);
    const int steps = attr.steppedNum[tag::SOURCE_MODE];
    ASSERT_GT(steps, 2);
    const struct {
        int tag, step, readBack;
        bool refused;
        const char* why;
    } cases[] = {
        {tag::SOURCE_MODE, 2, 2, false, "a step inside the range"},
        {tag::SOURCE_MODE, -4, 0, false, "below the first step: the first"},
        {tag::SOURCE_MODE, steps + 5, steps - 1, false, "beyond the last step: the last"},
        {tag::MAIN_VOLUME, 1, 0, true, "a continuous tag takes no step"},
        {PARAMETER_COUNT, 1, 0, true, "a tag out of range"},
    };
    for (const auto& c : cases) {
        const std::optional<float> value = storableStepValue(attr, c.tag, c.step);
        ASSERT_EQ(!value, c.refused) << c.why;
        if (c.refused) continue;
        EXPECT_EQ(parameterStepOf(attr, c.tag, *value), c.readBack) << c.why;
        rig.plugin->setSteppedValue(c.tag, c.step);
        rig.engine->setSteppedValue(c.tag, c.step);
        EXPECT_EQ(rig.plugin->getSteppedValue(c.tag), c.readBack) << "plug-in: " << c.why;
        EXPECT_EQ(rig.engine->paramStep(c.tag), c.readBack) << "engine tests: " << c.why;
    }
}

}  // namespace
