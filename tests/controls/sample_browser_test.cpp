// The sample browser over a real folder: its rows, entering and leaving
// folders, loading and previewing files, the thumbs and the wheel, and files
// dropped on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "display_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TSampleFileDisplay.h"

using namespace kgui;
namespace fs = std::filesystem;

namespace {
const CRect BROWSER(27, 103, 27 + 439, 103 + 206);  // at 100 %: rows of 19, the file column at 233

// A folder of twelve WAV files (names in mixed case), a text file and three sub-folders.
struct BrowserBench : TDisplayBench<TDisplayServices> {
    BrowserBench() {
        for (const char* folder : {"Voices", "drums", "Fx"})
            fs::create_directories(tree.path / folder);
        for (int i = 0; i < 12; ++i)
            writeToneWav(tree.path / ((i % 2 ? "Hit " : "hit ") + std::to_string(10 + i) + ".wav"), 200, i % 3 == 0);
        writeToneWav(tree.path / "drums" / "Kick.wav", 400, false);
        std::ofstream(tree.path / "readme.txt") << "not a sample";
        services.setRoot(tree.path);
        browser = host.add(new TSampleFileDisplay(BROWSER, 0));
    }
    CPoint row(int i, double x = 60) const { return CPoint(BROWSER.left + x, BROWSER.top + 19 * i + 9); }
    CPoint folderRow(int i) const { return CPoint(BROWSER.left + 40, BROWSER.top + 24 + 19 * i + 9); }
    std::vector<std::string> texts() {
        draw();
        std::vector<std::string> shown;
        for (const DrawOp& op : host.target.getRecorder().texts())
            shown.push_back(op.text);
        return shown;
    }
    bool shows(const std::string& text) {
        const auto shown = texts();
        return std::find(shown.begin(), shown.end(), text) != shown.end();
    }
    TTempFolder tree;
    TSampleFileDisplay* browser;
};
}  // namespace

TEST(SampleBrowser, RowsFitTheHeightAtEverySize) {
    struct Case {
        int size, height, rows, folderRows, track;
    } cases[] = {{0, 206, 10, 8, 194}, {1, 257, 11, 9, 243}, {3, 412, 10, 8, 390}};
    for (const Case& c : cases) {
        TSampleFileDisplay browser(CRect(0, 0, 439, c.height), c.size);
        EXPECT_EQ(browser.getRowCount(), c.rows) << c.size;
        EXPECT_EQ(browser.getFolderRowCount(), c.folderRows) << c.size;
        EXPECT_EQ(browser.getTrackLength(), c.track) << c.size;
    }
}

TEST(SampleBrowser, ShowsTheFolderSortedAndItsFirstRows) {
    BrowserBench bench;
    const auto shown = bench.texts();
    for (const char* text : {"HOME", "UP", "REFRESH", "MENU", "drums", "Fx", "Voices"})
        EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end()) << text;
    // Names sorted without regard to case; ten rows of twelve files.
    const std::vector<std::string> firstFiles(bench.services.files.begin(), bench.services.files.begin() + 10);
    std::vector<std::string> fileTexts;
    for (const std::string& text : shown)
        if (text.find(".wav") != std::string::npos)
            fileTexts.push_back(text);
    EXPECT_EQ(fileTexts, firstFiles);
    EXPECT_EQ(firstFiles.front(), "hit 10.wav");
    EXPECT_EQ(firstFiles[1], "Hit 11.wav");
    EXPECT_EQ(bench.services.files.size(), 12u) << "the text file is not a sample";

    // A folder row shows the folder icon (image 10040), a file row the preview icon (10041).
    int folderIcons = 0, fileIcons = 0;
    for (const DrawOp& op : bench.draw()) {
        folderIcons += op.kind == DrawOp::kBitmap && op.bitmapId == 10040;
        fileIcons += op.kind == DrawOp::kBitmap && op.bitmapId == 10041;
    }
    EXPECT_EQ(folderIcons, 3);
    EXPECT_EQ(fileIcons, 10);
}

TEST(SampleBrowser, FoldersAreEnteredAndLeft) {
    BrowserBench bench;
    bench.click(bench.folderRow(0));
    EXPECT_EQ(bench.services.getCurSampleFolderDisplayNameStr(), "drums");
    EXPECT_TRUE(bench.shows("No Sub-Directories"));
    EXPECT_TRUE(bench.shows("Kick.wav"));
    bench.click(CPoint(BROWSER.left + 60, BROWSER.top + 8));  // "UP"
    EXPECT_EQ(bench.services.folder, bench.tree.path);
    bench.click(bench.folderRow(2));
    EXPECT_EQ(bench.services.getCurSampleFolderDisplayNameStr(), "Voices");
    bench.click(CPoint(BROWSER.left + 10, BROWSER.top + 8));  // "HOME"
    EXPECT_EQ(bench.services.folder, bench.tree.path);

    bench.services.calls.clear();
    bench.click(CPoint(BROWSER.left + 50, BROWSER.top + 8));  // exactly on "UP"'s edge
    bench.click(CPoint(BROWSER.left + 110, BROWSER.top + 8));  // "REFRESH"
    EXPECT_EQ(bench.services.calls, std::vector<std::string>{"scanSampleFolder"});
    bench.click(CPoint(BROWSER.left + 170, BROWSER.top + 8));  // "MENU"
    bench.click(CPoint(BROWSER.left + 40, BROWSER.top + 120), kRButton);
    EXPECT_EQ(std::count(bench.host.log.begin(), bench.host.log.end(), "showSampleFileMenu"), 2);

    // Below the folder rows, and on the folder-name line, no folder is shown: nothing is entered.
    bench.click(CPoint(BROWSER.left + 40, BROWSER.top + 180));
    bench.click(CPoint(BROWSER.left + 40, BROWSER.top + 200));
    EXPECT_EQ(bench.services.folder, bench.tree.path);
    EXPECT_FALSE(bench.services.called("setSampleCurFolder 8"));
}

TEST(SampleBrowser, FileClicksLoadAndIconsPreview) {
    BrowserBench bench;
    bench.click(bench.row(2, 233 + 40));
    EXPECT_EQ(bench.services.loadedFile.filename(), bench.services.files[2]);
    EXPECT_EQ(bench.services.getSampleNo(), 2);
    EXPECT_TRUE(bench.host.logged("resetSampleScreen"));
    EXPECT_TRUE(bench.host.logged("setSampleScreenDirty"));

    bench.press(bench.row(4, 233 + 3));
    EXPECT_TRUE(bench.services.called("previewSampleFromFile 4"));
    EXPECT_TRUE(bench.browser->isPreviewActive());
    EXPECT_FALSE(bench.services.called("releasePreviewSample")) << "it sounds while the button is held";
    bench.host.target.mouseUp(bench.row(4, 233 + 3));
    EXPECT_TRUE(bench.services.called("releasePreviewSample"));
    EXPECT_EQ(bench.services.getSampleNo(), 2) << "a preview loads nothing";

    // The current file is drawn dark on a lit row.
    bool lit = false;
    for (const DrawOp& op : bench.draw())
        lit = lit || (op.kind == DrawOp::kText && op.text == bench.services.files[2] &&
                      op.fontColor == look::SAMPLE_TEXT_DARK_COLOR);
    EXPECT_TRUE(lit);
}

TEST(SampleBrowser, ThumbsAndWheelKeepTheCurrentFileInView) {
    BrowserBench bench;
    const CPoint fileTrack(BROWSER.left + 435, BROWSER.top + 150);
    bench.click(fileTrack, kLButton | kShift);
    EXPECT_EQ(bench.browser->getFileScrollPos(), 193);
    EXPECT_EQ(bench.browser->firstFileShown(12), 1) << "the last ten of twelve";
    bench.click(fileTrack, kLButton | kControl);
    EXPECT_EQ(bench.browser->getFileScrollPos(), 0) << "no file loaded: the top";

    bench.click(bench.row(9, 233 + 40));
    for (int i = 0; i < 4; ++i)
        bench.host.target.wheel(bench.row(5, 300), -1);
    EXPECT_EQ(bench.services.getSampleNo(), 11) << "stepped on and held at the last file";
    EXPECT_EQ(bench.browser->firstFileShown(12), 2);
    bench.host.target.wheel(bench.row(5, 300), 1);
    EXPECT_EQ(bench.services.getSampleNo(), 10);

    bench.host.target.wheel(bench.row(5, 40), -2);
    EXPECT_EQ(bench.browser->getFolderScrollPos(), 20) << "ten pixels a notch";
    bench.drag(CPoint(BROWSER.left + 208, BROWSER.top + 30), CPoint(BROWSER.left + 208, BROWSER.top + 900));
    EXPECT_EQ(bench.browser->getFolderScrollPos(), 194) << "the folder thumb follows, held to its track";
    EXPECT_EQ(bench.browser->firstFolderShown(3), 0) << "three folders do not scroll";
}

TEST(SampleBrowser, DroppedFilesAreImported) {
    BrowserBench bench;
    TTempFolder elsewhere;
    std::vector<std::string> paths;
    for (const char* name : {"one.wav", "two.wav", "three.wav"}) {
        writeToneWav(elsewhere.path / name, 300, true);
        paths.push_back((elsewhere.path / name).string());
    }
    EXPECT_EQ(bench.host.target.dragFilesOver(paths, BROWSER.getCenter()), DragOperation::Copy)
        << "a copy: the originals stay where they are";
    EXPECT_TRUE(bench.host.target.dropFiles(paths, BROWSER.getCenter()));
    for (const char* name : {"one.wav", "two.wav", "three.wav"}) {
        EXPECT_TRUE(fs::exists(bench.tree.path / name)) << name;
        EXPECT_TRUE(fs::exists(elsewhere.path / name)) << name;
        EXPECT_TRUE(bench.services.called(std::string("importSampleFromDrag ") + name + " 3"));
    }
    EXPECT_FALSE(bench.services.getSampleLoaded()) << "three files are imported, none loaded";
    EXPECT_EQ(bench.services.files.size(), 15u);
    EXPECT_EQ(bench.services.redrawRequests, 1);

    writeToneWav(elsewhere.path / "four.wav", 300, true);
    EXPECT_TRUE(bench.host.target.dropFiles({(elsewhere.path / "four.wav").string()}, BROWSER.getCenter()));
    EXPECT_EQ(bench.services.loadedFile, bench.tree.path / "four.wav") << "one file is loaded";
    EXPECT_FALSE(bench.host.target.dropFiles({}, BROWSER.getCenter())) << "an empty drop";
}
