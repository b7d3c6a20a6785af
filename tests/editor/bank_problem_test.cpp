// A missing or damaged sample bank is told to the user in the editor: one box
// the first time the window is opened (never while a host builds or scans
// the plug-in), and the text in the hint readouts whenever the pointer rests
// on no control.
#include <gtest/gtest.h>

#include "editor_test_support.h"
#include "controls/TKnob.h"
#include "controls/TLabel.h"
#include "controls/TReadout.h"

namespace editor_test {
namespace {

int messageBoxes(const TEditorSettings& settings, const std::string& text) {
    int count = 0;
    for (const platform::TDesktopRequest& request : settings.requests)
        if (request.kind == platform::TDesktopKind::messageBox && request.text == text) {
            EXPECT_FALSE(request.okCancel) << "OK only";
            ++count;
        }
    return count;
}

TEST(BankProblem, TheEditorShowsItOnceAsABoxAndKeepsItInTheReadouts) {
    const std::string problem = "Problem with Kolbri.raw file";
    struct Case {
        const char* what;
        std::string bankFile;  // "" keeps the bundle's bank
        std::string line1, line2;  // the readouts when nothing is hovered
        int boxes;                 // after the first and the second opening
    } cases[] = {
        {"the bundle's bank", "", "Orventa", "Kolbri", 0},
        {"no bank", "/nonexistent/folder/Kolbri.raw", problem, "Built-in samples may be silent", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TEditorBench bench(0, false);
        if (!c.bankFile.empty())
            TPluginTestAccess::engine(*bench.plugin).setSampleBank(TSampleBank::acquire(c.bankFile));
        EXPECT_EQ(messageBoxes(bench.settings, problem), 0) << "nothing before the window opens";
        ASSERT_TRUE(bench.open());
        uEditor& e = *bench.editor;
        e.hideBackScreen();
        EXPECT_EQ(e.hintReadout1->getString(), c.line1);
        EXPECT_EQ(e.hintReadout2->getString(), c.line2);
        bench.idle();
        bench.idle();
        EXPECT_EQ(messageBoxes(bench.settings, problem), c.boxes) << "shown at the first opening";

        // A hint replaces it while the pointer rests on a control; off the
        // controls the readouts return to the problem (or keep the hint).
        bench.target.mouseMoved(centreOf(e.knobMainVolume));
        for (int pass = 0; pass < 5; ++pass)
            bench.idle();
        EXPECT_EQ(e.hintReadout1->getString(), bench.plugin->getParameterNameStr(1));
        bench.target.mouseMoved(centreOf(e.labelMain));
        for (int pass = 0; pass < 5; ++pass)
            bench.idle();
        const bool problemShown = c.boxes > 0;
        EXPECT_EQ(e.hintReadout1->getString(), problemShown ? c.line1 : bench.plugin->getParameterNameStr(1));

        e.close();
        ASSERT_TRUE(bench.open());
        bench.idle();
        bench.idle();
        EXPECT_EQ(messageBoxes(bench.settings, problem), c.boxes) << "once for the instance";
        EXPECT_EQ(e.hintReadout1->getString(), c.line1) << "opened again";
    }
}

}  // namespace
}  // namespace editor_test
