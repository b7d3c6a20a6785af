// Programs from the editor against the real plug-in: the arrows and keys step
// through the built-in bank, the program menus choose from it, the compare
// buttons switch between the applied and the edited sound, and the preset
// menu shows the name of the program that plays.
#include <functional>

#include "editor_test_support.h"
#include "controls/TOptionMenu.h"
#include "plugin/BuiltinPrograms.h"

using namespace editor_test;

namespace {

constexpr int PAN = 3;

TEST(ProgramsEditor, StepsAndCompareReachTheSoundAndTheMenuShowsTheName) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    const vst::VstKeyCode down{0, vst::VKEY_DOWN, 0}, up{0, vst::VKEY_UP, 0};
    auto settle = [&] {
        bench.applyProgram();
        bench.idle();
        bench.idle();
    };
    // The bench plays the plain sound; stepping starts from the first program, as the plug-in does.
    plugin.setDemoProgram(0);
    settle();
    const struct {
        const char* what;
        std::function<void()> act;
        int program;
    } cases[] = {
        {"the down key: the next program", [&] { e.onKeyDown(down, e.getFrame()); }, 1},
        {"again, 300 ms later", [&] { e.onKeyDown(down, e.getFrame()); }, 2},
        {"the up key", [&] { e.onKeyDown(up, e.getFrame()); }, 1},
        {"the up key at the first program stays", [&] { e.onKeyDown(up, e.getFrame()), settle(), bench.clock.advance(400), e.onKeyDown(up, e.getFrame()); }, 0},
        {"a program of the menu", [&] { plugin.setDemoProgram(BUILTIN_PROGRAM_COUNT - 1); }, BUILTIN_PROGRAM_COUNT - 1},
    };
    for (const auto& c : cases) {
        bench.clock.advance(400);
        c.act();
        settle();
        EXPECT_EQ(plugin.getCurBuiltinProgram(), c.program) << c.what;
        EXPECT_EQ(e.presetMenu->getString(), builtinProgramName(c.program)) << c.what;
        EXPECT_FALSE(plugin.getIsSettingPreset()) << c.what;
    }

    // Compare: the applied sound and back to the edit, with the editor redrawn.
    const float applied = plugin.getParameter(PAN);
    plugin.setParameter(PAN, applied < 0.5f ? 0.9f : 0.1f);
    const float edited = plugin.getParameter(PAN);
    bench.idle();
    plugin.origProgram();
    EXPECT_TRUE(plugin.takeEditorRequests().redraw) << "an open editor redraws everything";
    EXPECT_FLOAT_EQ(plugin.getParameter(PAN), applied);
    plugin.editProgram();
    EXPECT_FLOAT_EQ(plugin.getParameter(PAN), edited);
    EXPECT_TRUE(plugin.getEditChanged());
}

}  // namespace
