// A frame with every drawing primitive, text in each alignment and standard
// font, a background bitmap and two-state and alpha-blended bitmaps, rendered
// at the four screen sizes and compared with stored images.
// Set KOLBRI_UPDATE_GOLDEN=1 to rewrite the stored images after a deliberate change.
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "test_environment.h"
#include "toolkit_test_support.h"
#include "toolkit/stored_pictures.h"

using namespace kgui;
using namespace kgui::test;

namespace {
constexpr const double* kScale = kShowcaseScale;
constexpr const int* kPercent = kShowcasePercent;

struct GoldenFolders {
    GoldenFolders() {
        work = test_environment::makeTemporaryFolder("golden");
        writeShowcaseImages(work);
        CBitmap::setResourceFolder(work.string());
    }
    ~GoldenFolders() {
        CBitmap::setResourceFolder("");
        if (!::testing::Test::HasFailure())
            std::filesystem::remove_all(work);
    }
    std::filesystem::path work;
};
}  // namespace

TEST(GoldenImage, ShowcaseAtTheFourSizes) {
    GoldenFolders folders;
    for (int size = 0; size < 4; ++size) {
        Showcase showcase(size);
        OffscreenFrame f(CRect(0, 0, int(320 * kScale[size]), int(220 * kScale[size])));
        showcase.build(f.frame);
        std::string name = "showcase_" + std::to_string(kPercent[size]) + ".png";
        std::string rendered = (folders.work / name).string();
        ASSERT_TRUE(f.target.renderToPNG(rendered));

        // Every text the showcase draws was recorded with its font.
        const DrawOp* label = f.target.getRecorder().findText("Centre");
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->align, kCenterText);

        const auto compared = compareWithStored(rendered, "toolkit/" + name);
        if (!compared) continue;
        const ImageCompare& result = *compared;
        EXPECT_EQ(result.width, int(320 * kScale[size])) << name;
        // Text rasterisation may shift by a shade between library versions;
        // anything misplaced, recoloured or missing changes far more.
        EXPECT_LT(result.fractionDifferent, 0.005) << name << " differs; rendered: " << rendered;
        EXPECT_LT(result.meanDifference, 1.5) << name << " differs; rendered: " << rendered;
    }
}

TEST(GoldenImage, RedrawingADirtyRegionMatchesAFullRender) {
    GoldenFolders folders;
    Showcase showcase(1);
    OffscreenFrame f(CRect(0, 0, 400, 275));
    showcase.build(f.frame);
    std::string full = (folders.work / "full.png").string();
    std::string partial = (folders.work / "partial.png").string();
    ASSERT_TRUE(f.target.renderToPNG(full));

    // Dirty views on top of the background, a transparent one among them,
    // redrawn through the dirty-region path: same pixels as a full render.
    for (int32 i = 0; i < f.frame->getNbViews(); i += 3)
        f.frame->getView(i)->setDirty(true);
    f.target.idle();
    ASSERT_TRUE(f.target.writePNG(partial));
    ImageCompare same = compareImages(full, partial);
    EXPECT_EQ(same.fractionDifferent, 0.0);
    EXPECT_EQ(same.meanDifference, 0.0);

    // A view region redrawn after overdrawing it with junk comes back clean.
    f.frame->drawRegion({CRect(0, 0, 400, 275)});
    f.frame->invalidRect(CRect(10, 10, 200, 100));
    f.target.idle();
    ASSERT_TRUE(f.target.writePNG(partial));
    EXPECT_EQ(compareImages(full, partial).fractionDifferent, 0.0);
}
