// The editor's three screens drawn off screen at 100 and 150 % with the
// bundle's images, compared with the stored pictures in tests/data/editor/.
// Set KOLBRI_UPDATE_GOLDEN=1 to store new pictures after a deliberate change
// (and look at them before committing).
#include "EditorTestSupport.h"
#include "toolkit/Showcase.h"

using namespace editor_test;

namespace {

// Draws one screen of an editor opened at a size: 0 main, 1 sample, 3 back.
std::string renderScreen(TEditorBench& bench, int screen, const std::string& name) {
    uEditor& editor = *bench.editor;
    if (screen == 1)
        editor.showSampleScreenControls();
    else if (screen == 3)
        editor.showBackScreen();
    bench.idle();
    bench.idle();
    const std::string path = bench.settings.root + "/" + name;
    EXPECT_TRUE(bench.render(path));
    return path;
}

}  // namespace

TEST(EditorPictures, ScreensMatchTheStoredPictures) {
    const bool update = std::getenv("KOLBRI_UPDATE_GOLDEN") != nullptr;
    const std::string kept = std::filesystem::temp_directory_path() / ("kolbri-editor-" + std::to_string(::getpid()));
    std::filesystem::create_directories(kept);
    struct Case {
        int size, screen;
        const char* name;
    } cases[] = {
        {0, 0, "main_100.png"}, {0, 1, "sample_100.png"}, {0, 3, "back_100.png"},
        {2, 0, "main_150.png"}, {2, 1, "sample_150.png"}, {2, 3, "back_150.png"},
    };
    for (const Case& c : cases) {
        TEditorBench bench(c.size);
        const std::string rendered = kept + "/" + c.name;
        std::filesystem::copy_file(renderScreen(bench, c.screen, c.name), rendered,
                                   std::filesystem::copy_options::overwrite_existing);
        const std::string golden = std::string(KOLBRI_TEST_DATA_DIR) + "/editor/" + c.name;
        if (update) {
            std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
            std::filesystem::copy_file(rendered, golden, std::filesystem::copy_options::overwrite_existing);
            continue;
        }
        ASSERT_TRUE(std::filesystem::exists(golden)) << golden << " is missing; run with KOLBRI_UPDATE_GOLDEN=1";
        const kgui::test::ImageCompare result = kgui::test::compareImages(rendered, golden);
        const int width = c.size == 0 ? 1132 : 1698;
        EXPECT_EQ(result.width, width) << c.name;
        // Text may shift a shade between library versions; a moved control,
        // a missing caption or a changed colour differs in far more pixels.
        EXPECT_LT(result.fractionDifferent, 0.0005) << c.name << " differs; rendered: " << rendered;
        EXPECT_LT(result.meanDifference, 0.05) << c.name << " differs; rendered: " << rendered;
    }
    if (!::testing::Test::HasFailure())
        std::filesystem::remove_all(kept);
}
