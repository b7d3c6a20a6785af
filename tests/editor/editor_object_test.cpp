// The editor object: the window size the preferences choose, the "Y"/"N"
// switches, the screen-size command, and the window's life: opened, closed,
// opened again, two at once, never opened, opened without its images.
#include <cstring>
#include <functional>
#include <new>

#include "editor_test_support.h"
#include "process_resources.h"
#include "controls/TKnob.h"
#include "editor/EditorMembers.h"

using namespace editor_test;

namespace {

int windowWidth(APlugin& plugin) {
    vst::ERect* rect = nullptr;
    plugin.dispatcher(vst::effEditGetRect, 0, 0, &rect, 0);
    return rect ? rect->right - rect->left : -1;
}

int windowHeight(APlugin& plugin) {
    vst::ERect* rect = nullptr;
    plugin.dispatcher(vst::effEditGetRect, 0, 0, &rect, 0);
    return rect ? rect->bottom - rect->top : -1;
}

// Every control member the editor holds, counted.
int heldMembers(uEditor& editor) {
    int held = 0;
    for (const TMemberBinding& binding : getEditorMembers())
        held += controlOf(binding.slot(editor)) != nullptr;
    return held;
}

// A plug-in one of whose answers to the editor fails once, as an allocation
// refused on the way would: the call named (a stepped value of the tag, any
// parameter value, the program name) throws the next time it is made, and the
// host sends a program at that moment, as it may from its own thread.
class TFailingPlugin : public APlugin {
public:
    enum class Call { steppedValue, parameter, programName };
    TFailingPlugin() : APlugin(quietHost) {}
    void failNext(Call call, int tag) { watched = call, watchedTag = tag, armed = true, failed = false, made = 0; }

    using APlugin::getSteppedValue;
    int getSteppedValue(int tag) const override {
        check(Call::steppedValue, tag);
        return APlugin::getSteppedValue(tag);
    }
    float getParameter(int32 tag) override {
        check(Call::parameter, -1);
        return APlugin::getParameter(tag);
    }
    void getProgramName(char* name) override {
        check(Call::programName, -1);
        APlugin::getProgramName(name);
    }

    mutable bool armed = false, failed = false, openedWhenItFailed = false;
    mutable int made = 0;  // the call made again after failing

private:
    void check(Call call, int tag) const {
        if (call != watched || tag != watchedTag)
            return;
        if (!armed) {
            ++made;
            return;
        }
        armed = false, failed = true;
        auto* self = const_cast<TFailingPlugin*>(this);
        openedWhenItFailed = TPluginTestAccess::flags(*self).editorOpened;
        self->APlugin::setProgram(0);
        throw std::bad_alloc();
    }
    Call watched = Call::parameter;
    int watchedTag = -1;
};

}  // namespace

TEST(EditorObject, WindowSizeFollowsTheScreenSizePreferences) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> stored;
        int size, width, height;
        const char* reason;
    } cases[] = {
        {{}, 0, 1132, 779, "nothing stored: 100 %"},
        {{{"Big125", "Y"}}, 1, 1415, 973, "125 %"},
        {{{"Big150", "Y"}}, 2, 1698, 1168, "150 %: 1168.5 truncates"},
        {{{"Big200", "Y"}}, 3, 2264, 1558, "200 %"},
        {{{"Big125", "Y"}, {"Big200", "Y"}}, 3, 2264, 1558, "two sizes set: the larger wins"},
        {{{"Big100", "Y"}, {"Big125", "N"}}, 0, 1132, 779, "Big100 itself is never read"},
        {{{"Big150", "YES"}}, 0, 1132, 779, "a value that is not one character is not Y"},
    };
    for (const Case& c : cases) {
        TEditorSettings settings;
        for (auto [key, value] : c.stored)
            saveStringToPrefs(key, value);
        auto plugin = std::make_unique<APlugin>(quietHost);
        auto* editor = dynamic_cast<uEditor*>(plugin->getEditor());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->getBig(), c.size) << c.reason;
        EXPECT_EQ(windowWidth(*plugin), c.width) << c.reason;
        EXPECT_EQ(windowHeight(*plugin), c.height) << c.reason;
    }
}

TEST(EditorObject, PreferenceSwitchesReadOnlyOneCharacter) {
    TEditorSettings settings;
    struct Case {
        const char* stored;  // null: nothing stored
        bool defaultOn, expected;
    } cases[] = {
        {nullptr, true, true},  {nullptr, false, false}, {"Y", false, true}, {"N", true, false},
        {"X", true, true},      {"X", false, false},     {"YES", false, false}, {"NO", true, true},
        {"", true, true},
    };
    for (const Case& c : cases) {
        if (c.stored)
            saveStringToPrefs("ToolTip", c.stored);
        else
            saveStringToPrefs("ToolTip", "");
        EXPECT_EQ(uEditor::getRegValue("ToolTip", c.defaultOn), c.expected)
            << (c.stored ? c.stored : "(none)") << " with default " << c.defaultOn;
    }
    // The output display's speed reads off (slow) while its key is missing.
    auto plugin = std::make_unique<APlugin>(quietHost);
    EXPECT_FALSE(dynamic_cast<uEditor*>(plugin->getEditor())->getOutputDisplaySpeed());
}

TEST(EditorObject, ScreenSizeIsStoredForTheNextOpeningAndTheUserIsTold) {
    TEditorBench bench;
    const int widthBefore = windowWidth(*bench.plugin);
    bench.editor->setScreenSize(2);
    std::string stored[4];
    for (int s = 0; s < 4; ++s)
        loadStringFromPrefs(REG_SCREEN_SIZE[static_cast<size_t>(s)], stored[s], 127);
    EXPECT_EQ(stored[0] + stored[1] + stored[2] + stored[3], "NNYN");
    ASSERT_EQ(bench.settings.requests.size(), 1u);
    EXPECT_EQ(bench.settings.requests[0].text, "When you next open Kolbri, it'll open in 150% Screen Mode");
    EXPECT_EQ(windowWidth(*bench.plugin), widthBefore) << "the open window keeps its size";
    EXPECT_EQ(bench.editor->getBig(), 0);
    // A size outside 0..3 changes nothing.
    bench.editor->setScreenSize(7);
    EXPECT_EQ(bench.settings.requests.size(), 1u);
}

TEST(EditorObject, TagsAreParametersOnlyAndSomeKnobsNeverDragAsASource) {
    for (auto [tag, valid] : {std::pair{-1, false}, {1024, false}, {9999, false}, {1023, true}, {0, true}})
        EXPECT_EQ(uEditor::isValidTag(tag), valid) << tag;
    TEditorBench bench(0, false);
    for (auto [tag, allowed] : {std::pair{1, true}, {57, false}, {18, false}, {26, false}, {27, true}, {77, false},
                                {106, false}, {107, true}, {1024, false}})
        EXPECT_EQ(bench.editor->getDropAllowed(tag), allowed) << tag;
}

TEST(EditorObject, AHostThatNeverOpensTheEditorPaysForTheObjectAlone) {
    TEditorBench bench(0, false);
    EXPECT_NE(bench.plugin->getAeffect()->flags & vst::effFlagsHasEditor, 0);
    uEditor& editor = *bench.editor;
    EXPECT_EQ(editor.getFrame(), nullptr);
    EXPECT_EQ(editor.mainBackBitmap, nullptr);
    EXPECT_EQ(editor.controls.capacity(), 0u) << "no control table until the window opens";
    EXPECT_EQ(heldMembers(editor), 0);
    EXPECT_FALSE(bench.plugin->isEditorOpen());
    // Its hooks before any window: nothing to move, nothing breaks.
    editor.setParameter(1, 0.3f);
    editor.updateIdleVars();
    editor.idle();
}

// The host opens the window again and again, closing it first or not (the
// interface allows an opening over an open editor): each time there is one
// whole editor, the host is told it is open, twenty openings leave nothing
// behind, and the editor left open follows what the host sets.
TEST(EditorObject, OpensClosesAndOpensAgainWithTheWholeWindowEachTime) {
    constexpr int ROUNDS = 22, WARM_UP = 2;
    const struct {
        const char* how;
        bool closedFirst;
    } cases[] = {
        {"closed before each opening", true},
        {"opened again without a close", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        TEditorBench bench(1);
        uEditor& editor = *bench.editor;
        vst::AEffect* effect = bench.plugin->getAeffect();
        const int count = editor.getControlCount();
        const int members = heldMembers(editor);
        EXPECT_GT(count, 300);
        std::size_t bytesAfterWarmUp = 0;
        for (int round = 0; round < ROUNDS; ++round) {
            if (round == WARM_UP)
                bytesAfterWarmUp = liveHeapBytes();
            ASSERT_NE(editor.getFrame(), nullptr);
            EXPECT_TRUE(bench.plugin->isEditorOpen());
            EXPECT_TRUE(editor.getEditorFinishedOpening());
            EXPECT_EQ(editor.getControlCount(), count) << "the table is rebuilt from zero";
            EXPECT_EQ(heldMembers(editor), members);
            EXPECT_EQ(editor.getFrame()->getViewSize().getWidth(), 1415);
            if (c.closedFirst) {
                effect->dispatcher(effect, vst::effEditClose, 0, 0, nullptr, 0);
                EXPECT_EQ(editor.getFrame(), nullptr);
                EXPECT_FALSE(bench.plugin->isEditorOpen());
                EXPECT_EQ(editor.getControlCount(), 0);
                EXPECT_EQ(heldMembers(editor), 0) << "every control released";
                EXPECT_EQ(editor.getTagControl(1), nullptr);
            }
            ASSERT_EQ(effect->dispatcher(effect, vst::effEditOpen, 0, 0, bench.target.parentHandle(), 0), 1);
        }
        // An editor is far larger than this (its controls alone some 480 KB);
        // what may be left is the libraries' own bookkeeping.
        const long grown = static_cast<long>(liveHeapBytes()) - static_cast<long>(bytesAfterWarmUp);
        ASSERT_LT(grown, 64 * 1024) << ROUNDS - WARM_UP << " openings kept " << grown << " bytes";
        EXPECT_TRUE(editor.isOpen());
        EXPECT_TRUE(bench.plugin->isEditorOpen());
        editor.hideBackScreen();
        effect->setParameter(effect, tag::MAIN_VOLUME, 0.3f);
        bench.idle();
        EXPECT_FLOAT_EQ(editor.knobMainVolume->getValue(), 0.3f);
    }
}

TEST(EditorObject, TwoInstancesAtOnceKeepTheirOwnWindows) {
    TEditorBench first;
    TEditorBench second(0, false);
    ASSERT_TRUE(second.open());
    first.plugin->setParameterAutomated(1, 0.25f);
    second.plugin->setParameterAutomated(1, 0.75f);
    // One clock for the process: the second bench's.
    second.clock.advance(60);
    first.editor->idle();
    second.editor->idle();
    EXPECT_FLOAT_EQ(first.editor->knobMainVolume->getValue(), 0.25f);
    EXPECT_FLOAT_EQ(second.editor->knobMainVolume->getValue(), 0.75f);
    first.editor->close();
    second.idle();
    EXPECT_FLOAT_EQ(second.editor->knobMainVolume->getValue(), 0.75f);
    EXPECT_NE(second.editor->getFrame(), nullptr);
    EXPECT_TRUE(second.render(second.settings.root + "/second.png"));
}

TEST(EditorObject, MissingImagesLeaveTheWindowItsSizeAndDrawNothing) {
    TEditorBench bench(0, false);
    const std::string empty = bench.settings.root + "/no-images";
    std::filesystem::create_directories(empty);
    kgui::CBitmap::setResourceFolder(empty);
    ASSERT_TRUE(bench.open());
    uEditor& editor = *bench.editor;
    EXPECT_EQ(editor.getFrame()->getViewSize(), kgui::CRect(0, 0, 1132, 779)) << "the window rectangle stands in";
    EXPECT_EQ(editor.sourceViewContainer->getViewSize(), kgui::CRect(29, 382, 29 + 544, 382 + 78));
    EXPECT_EQ(editor.modFXViewContainer->getViewSize(), kgui::CRect(160, 593, 160 + 277, 593 + 52));
    EXPECT_EQ(editor.previewButton->getViewSize().getWidth(), 0) << "an image button without its image is empty";
    EXPECT_EQ(editor.getControlBitmap(10035)->getWidth(), 0);
    EXPECT_EQ(editor.getControlBitmap(12345), nullptr);
    bench.idle();
    EXPECT_TRUE(bench.render(bench.settings.root + "/no-images.png"));
    editor.showBackScreen();
    editor.hideBackScreen();
    EXPECT_EQ(editor.getScreenMode(), 0);
}

// A failure on the way (here an answer of the plug-in that throws, as an
// allocation refused would) leaves the editor as it was before: an opening
// that fails is answered 0 and leaves no window, no opening state and no held
// program; a screen, a panel or a refresh that fails leaves no guard up, so
// the next one and the idle refresh work.
TEST(EditorObject, AFailureOnTheWayLeavesTheEditorAsItWasBefore) {
    using Call = TFailingPlugin::Call;
    const struct {
        const char* what;
        Call call;
        int tag;
        bool openedFirst;  // the opening state had come down when it failed
        void (uEditor::*step)();  // none: the host's opening
    } cases[] = {
        {"an opening, among the controls", Call::steppedValue, tag::MOD_FX_MODE, false, nullptr},
        {"an opening, in its last refresh", Call::programName, -1, true, nullptr},
        {"resume", Call::parameter, -1, true, &uEditor::resume},
        {"the main screen", Call::steppedValue, tag::MOVE_SNAP_TO, true, &uEditor::showMainScreen},
        {"the sample screen", Call::steppedValue, tag::SAMPLE_LOOP_MODE, true, &uEditor::showSampleScreenControls},
        {"the source panel", Call::steppedValue, tag::SOURCE_MODE, true, &uEditor::redrawSourceViewContainer},
        {"the Mod FX panel", Call::steppedValue, tag::MOD_FX_MODE, true, &uEditor::redrawModFXViewContainer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TEditorBench bench(0, c.step != nullptr, [] { return std::unique_ptr<APlugin>(new TFailingPlugin); });
        auto& plugin = static_cast<TFailingPlugin&>(*bench.plugin);
        uEditor& editor = *bench.editor;
        vst::AEffect* effect = plugin.getAeffect();
        const THandOffFlags& flags = TPluginTestAccess::flags(plugin);
        auto hostOpens = [&] { return effect->dispatcher(effect, vst::effEditOpen, 0, 0, bench.target.parentHandle(), 0); };
        plugin.failNext(c.call, c.tag);
        if (!c.step) {
            EXPECT_EQ(hostOpens(), 0);
            ASSERT_TRUE(plugin.failed) << "the opening did not reach the failure";
            EXPECT_FALSE(flags.editorOpening || flags.editorOpened || editor.getEditorFinishedOpening());
            EXPECT_EQ(editor.getFrame(), nullptr);
            EXPECT_EQ(heldMembers(editor), 0) << "every control released";
            EXPECT_TRUE(flags.presetPending) << "the program the host sent meanwhile is on its way";
            // A window left half open would be opened again over its own
            // control table, whose first refresh never ends.
            ASSERT_FALSE(editor.isOpen());
            bench.applyProgram();
            EXPECT_EQ(hostOpens(), 1);
            editor.hideBackScreen();
        } else {
            EXPECT_THROW((editor.*c.step)(), std::bad_alloc);
            ASSERT_TRUE(plugin.failed);
            (editor.*c.step)();
            EXPECT_GT(plugin.made, 0) << "the next one did its work";
        }
        EXPECT_EQ(plugin.openedWhenItFailed, c.openedFirst);
        // The idle refresh shows what the host sets.
        effect->setParameter(effect, tag::MAIN_VOLUME, 0.3f);
        bench.idle();
        EXPECT_FLOAT_EQ(editor.knobMainVolume->getValue(), 0.3f);
    }
}
