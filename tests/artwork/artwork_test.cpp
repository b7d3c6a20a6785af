// The editor's images: the scaling every layout position goes through, every
// image id present in the bundle at every size with the size the editor needs,
// the panels holding their controls inside their sections, the boxes and
// sockets painted exactly under their controls, and the three pages at 100 %
// against stored images (KOLBRI_UPDATE_GOLDEN=1 rewrites them after a
// deliberate change).
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <span>
#include <string>

#include "controls/PanelLook.h"
#include "editor/BackScreenLayout.h"
#include "editor/EditorBitmaps.h"
#include "editor/MainScreenLayout.h"
#include "test_environment.h"
#include "toolkit/CBitmap.h"
#include "tools/artwork/Artwork.h"

using artwork::TImageSize;

namespace {

struct TScaleCase {
    TScaledValue value;
    int expected[SCREEN_SIZE_COUNT];
    const char* reason;
};

TEST(ArtworkScaling, TruncatesAndCorrectsAsTheEditorDoes) {
    const TScaleCase cases[] = {
        {{1132}, {1132, 1415, 1698, 2264}, "window width"},
        {{779}, {779, 973, 1168, 1558}, "window height: 1168.5 truncates to 1168"},
        {{42, 1, 1, 0}, {42, 53, 64, 84}, "52.5 and 63 plus their corrections"},
        {{23, 2, 1, 1}, {23, 30, 35, 47}, "a top-bar caption"},
        {{574, 1, 0, 0}, {574, 718, 861, 1148}, "a panel title row"},
        {{822, -5, 0, -26}, {822, 1022, 1233, 1618}, "the largest correction"},
        {{-1, 2, 0, -2}, {-1, 1, -1, -4}, "negative values truncate toward zero"},
        {{13}, {13, 16, 19, 26}, "an LED switch"},
        {{44}, {44, 55, 66, 88}, "a middle-sized knob"},
    };
    for (const TScaleCase& c : cases)
        for (int s = 0; s < SCREEN_SIZE_COUNT; ++s)
            EXPECT_EQ(getScaled(c.value, s), c.expected[s]) << c.reason << " at size " << s;
    // An index outside 1..3 leaves the value as it stands.
    EXPECT_EQ(getScaled(TScaledValue{574, 1, 0, 0}, 4), 574);
    EXPECT_EQ(getScaled(TScaledValue{574, 1, 0, 0}, -1), 574);
    EXPECT_EQ(getScaled(10.75f, 0), 10);
    EXPECT_EQ(getScaledBitmap(10036, 3), 13036);
}

// The sockets the pictures paint under the LEDs have their margin and line
// width scaled as the editor scales them.
TEST(ArtworkSockets, SocketSizesFollowTheEditorsScalingAtEverySize) {
    for (int size = 0; size < SCREEN_SIZE_COUNT; ++size) {
        const size_t i = static_cast<size_t>(size);
        EXPECT_EQ(look::SOCKET_SPREAD[i], getScaled(look::SOCKET_MARGIN, size)) << size;
        EXPECT_EQ(look::SOCKET_RIM_WIDTH[i], getScaled(look::LINE_WIDTH, size)) << size;
    }
}

TEST(ArtworkLayout, EveryMemberHasOneRowThatTheLookupFinds) {
    const std::span<const TLayoutRow> tables[] = {MAIN_CAPTIONS, MAIN_TOP_BAR, MAIN_KNOBS, MAIN_SWITCHES,
                                                  MAIN_SOURCE_ROW, MAIN_MENUS, MAIN_MODULATION_MENUS,
                                                  MAIN_MOVEMENT_AND_RIBBON, SOURCE_PANEL, MOD_FX_PANEL, SAMPLE_SCREEN};
    std::set<std::string> members;
    for (std::span<const TLayoutRow> table : tables)
        for (const TLayoutRow& row : table) {
            EXPECT_TRUE(members.insert(row.member).second) << row.member << " has two rows";
            EXPECT_EQ(findLayoutRow(row.member), &row) << row.member;
            EXPECT_TRUE(row.tag == NO_PARAM_TAG || (row.tag >= 0 && row.tag < 1024)) << row.member;
        }
    EXPECT_EQ(findLayoutRow("noSuchControl"), nullptr);
}

// Resources are read exactly as the editor will read them: by number, through
// the toolkit, from the bundle the build made.
class ArtworkBundle : public ::testing::Test {
protected:
    void SetUp() override { kgui::CBitmap::setResourceFolder(KOLBRI_RESOURCES_DIR); }
    void TearDown() override { kgui::CBitmap::setResourceFolder(""); }

    static TImageSize loadedSize(int id, int screenSize) {
        kgui::CBitmap bitmap(getScaledBitmap(id, screenSize));
        return {static_cast<int>(bitmap.getWidth()), static_cast<int>(bitmap.getHeight())};
    }
};

TEST_F(ArtworkBundle, EveryLoadedIdExistsAtEverySize) {
    const std::set<int> loaded(EDITOR_BITMAP_LOAD_ORDER.begin(), EDITOR_BITMAP_LOAD_ORDER.end());
    const std::set<int> painted(artwork::getArtworkIds().begin(), artwork::getArtworkIds().end());
    EXPECT_EQ(loaded, painted) << "every id the editor loads is painted, and nothing else";
    for (int id : loaded) {
        for (int s = 0; s < SCREEN_SIZE_COUNT; ++s) {
            const TImageSize expected = artwork::getArtworkSize(id, s);
            const TImageSize found = loadedSize(id, s);
            EXPECT_GT(found.width, 0) << id << " at size " << s << " is missing from the bundle";
            EXPECT_EQ(found.width, expected.width) << id << " at size " << s;
            EXPECT_EQ(found.height, expected.height) << id << " at size " << s;
        }
    }
}

TEST_F(ArtworkBundle, PagesAreTheWindowExactly) {
    const TImageSize window[SCREEN_SIZE_COUNT] = {{1132, 779}, {1415, 973}, {1698, 1168}, {2264, 1558}};
    for (int id : {MAIN_BACK_BITMAP, SAMPLE_BACK_BITMAP, BACK_SCREEN_BITMAP})
        for (int s = 0; s < SCREEN_SIZE_COUNT; ++s) {
            const TImageSize found = loadedSize(id, s);
            EXPECT_EQ(found.width, window[s].width) << id << " at size " << s;
            EXPECT_EQ(found.height, window[s].height) << id << " at size " << s;
        }
}

TEST(ArtworkSizes, SmallImagesFitWhereTheControlsDrawThem) {
    for (int s = 0; s < SCREEN_SIZE_COUNT; ++s) {
        const unsigned u = static_cast<unsigned>(s);
        const int ribbonHeight = RIBBON_RECTS[u].height;
        for (int handle : {RIBBON_HANDLE_BITMAP, RIBBON_MOD_BITMAP}) {
            const TImageSize size = artwork::getArtworkSize(handle, s);
            EXPECT_EQ(size.height, ribbonHeight) << "a handle spans the ribbon, size " << s;
            EXPECT_LE(size.width, look::SLIDER_WIDTH[u]) << "a handle stays inside the ribbon at its ends, size " << s;
        }
        EXPECT_LT(artwork::getArtworkSize(RIBBON_CENTRE_BITMAP, s).height, ribbonHeight / 2)
            << "the centre mark leaves the handle's middle free, size " << s;
        const TImageSize file = artwork::getArtworkSize(FILE_ICON_BITMAP, s);
        EXPECT_EQ(file.height + 2 * look::SAMPLE_PREVIEW_OFF[u], look::SAMPLE_ROW_HEIGHT[u])
            << "the preview icon sits centred in its file row, size " << s;
        EXPECT_EQ(artwork::getArtworkSize(FOLDER_ICON_BITMAP, s).height, look::SAMPLE_ROW_HEIGHT[u]) << s;
        // The two preview buttons hold their two states stacked and end on
        // the same x beside the program and folder captions.
        const TImageSize play = artwork::getArtworkSize(PREVIEW_BITMAP, s);
        const TImageSize stop = artwork::getArtworkSize(PREVIEW_STOP_BITMAP, s);
        EXPECT_EQ(play.height % 2, 0);
        EXPECT_EQ(stop.height % 2, 0);
        const TPixelBox playBox = getScaledBox(*findLayoutRow("previewButton"), s);
        const TPixelBox stopBox = getScaledBox(*findLayoutRow("previewStopButton"), s);
        EXPECT_NEAR(playBox.x + play.width, stopBox.x + stop.width, 1) << s;
        EXPECT_LE(stopBox.x + stop.width, getScaledBox(*findLayoutRow("labelPreset"), s).x + 2) << s;
    }
}

struct TPanelCase {
    int id;
    std::span<const TLayoutRow> rows;
    TScaledValue containerX;
    TScaledValue containerY;
    const char* rightLimit;   // the next section's title: the panel ends before it
    const char* bottomLimit;  // the first control of the next row of panels
};

TEST(ArtworkSizes, PanelsHoldTheirControlsAndEndInsideTheirSection) {
    const TPanelCase cases[] = {
        {SOURCE_WAVE_BITMAP, SOURCE_PANEL, SOURCE_VIEW_CONTAINER_X, SOURCE_VIEW_CONTAINER_Y, "labelFilter",
         "knobFreeLFOAmount1"},
        {MOD_FX_BACK_BITMAP, MOD_FX_PANEL, MOD_FX_VIEW_CONTAINER_X, MOD_FX_VIEW_CONTAINER_Y, "labelDelay",
         "srcMenus[1]"},
    };
    for (const TPanelCase& c : cases) {
        for (int s = 0; s < SCREEN_SIZE_COUNT; ++s) {
            const TImageSize size = artwork::getArtworkSize(c.id, s);
            // The three source forms share one container, so they share one size.
            if (c.id == SOURCE_WAVE_BITMAP)
                for (int form : {SOURCE_NOISE_BITMAP, SOURCE_SAMPLE_BITMAP}) {
                    EXPECT_EQ(artwork::getArtworkSize(form, s).width, size.width);
                    EXPECT_EQ(artwork::getArtworkSize(form, s).height, size.height);
                }
            for (const TLayoutRow& row : c.rows) {
                const TPixelBox b = getScaledBox(row, s);
                // A knob's caption hangs below it.
                const bool knob = std::string_view(row.member).starts_with("knob");
                const int bottom = b.y + b.height + (knob ? getScaled(9, s) : 0);
                EXPECT_GE(b.x, 0) << row.member << " at size " << s;
                EXPECT_GE(b.y, 0) << row.member << " at size " << s;
                EXPECT_LE(b.x + b.width, size.width) << row.member << " at size " << s;
                EXPECT_LE(bottom, size.height) << row.member << " at size " << s;
            }
            const int right = getScaled(c.containerX, s) + size.width;
            const int bottom = getScaled(c.containerY, s) + size.height;
            EXPECT_LT(right, getScaledBox(*findLayoutRow(c.rightLimit), s).x) << c.id << " at size " << s;
            EXPECT_LT(bottom, getScaledBox(*findLayoutRow(c.bottomLimit), s).y) << c.id << " at size " << s;
        }
    }
}

kgui::CColor pixel(cairo_surface_t* surface, int x, int y) {
    const unsigned char* p = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + 4 * x;
    // ARGB32 in native (little-endian) order, opaque here.
    return {p[2], p[1], p[0], p[3]};
}

struct TProbeCase {
    int page;
    const char* member;
    bool corners;  // the box fills the control's whole rectangle
    kgui::CColor colour;
    const char* reason;
};

const TLayoutRow& anyRow(const char* member) {
    if (const TLayoutRow* row = findLayoutRow(member))
        return *row;
    for (const TLayoutRow& row : BACK_SCREEN)
        if (std::string_view(row.member) == member)
            return row;
    ADD_FAILURE() << member << " is in no layout table";
    return BACK_SCREEN.front();
}

TEST(ArtworkPages, BoxesAndSocketsLieUnderTheirControlsAtEverySize) {
    const TProbeCase cases[] = {
        {MAIN_BACK_BITMAP, "presetMenu", true, look::MENU_INNER_COLOR, "the program menu draws no box of its own"},
        {MAIN_BACK_BITMAP, "folderMenu", true, look::MENU_INNER_COLOR, "nor does the folder menu"},
        {MAIN_BACK_BITMAP, "hintReadout2", true, look::DISPLAY_FILL_COLOR, "the hint readouts are unboxed"},
        {MAIN_BACK_BITMAP, "lfoScreen", true, look::DISPLAY_FILL_COLOR, "the Movement display fills nothing"},
        {MAIN_BACK_BITMAP, "onOffReverbOnOff", false, look::SOCKET_FILL_COLOR, "its x has the largest correction"},
        {MAIN_BACK_BITMAP, "onOffBypassAllFXOnOff", false, look::SOCKET_FILL_COLOR, "a switch with an offset"},
        {MAIN_BACK_BITMAP, "manualButton", false, look::SOCKET_FILL_COLOR, "an LED button"},
        {SAMPLE_BACK_BITMAP, "samplePositionFields[1]", false, look::MENU_INNER_COLOR, "a transparent text field"},
        {SAMPLE_BACK_BITMAP, "sampleZoomButtons[2]", false, look::MENU_INNER_COLOR, "a text button"},
        {SAMPLE_BACK_BITMAP, "sampleDisplay", false, look::DISPLAY_FILL_COLOR, "the waveform paints no background"},
        {SAMPLE_BACK_BITMAP, "sampleScreenButton", false, look::SOCKET_FILL_COLOR, "always shown on the sample screen"},
        {BACK_SCREEN_BITMAP, "screenSizeMenu", true, look::MENU_INNER_COLOR, "a menu box"},
        {BACK_SCREEN_BITMAP, "brickFilterReadout", false, look::MENU_INNER_COLOR, "a readout, corrected on y"},
        {BACK_SCREEN_BITMAP, "midiCaptureSwitch", false, look::SOCKET_FILL_COLOR, "a settings switch"},
    };
    for (int s = 0; s < SCREEN_SIZE_COUNT; ++s) {
        for (int page : {MAIN_BACK_BITMAP, SAMPLE_BACK_BITMAP, BACK_SCREEN_BITMAP}) {
            cairo_surface_t* image = artwork::renderArtwork(page, s);
            ASSERT_NE(image, nullptr);
            for (const TProbeCase& c : cases) {
                if (c.page != page)
                    continue;
                const TPixelBox b = getScaledBox(anyRow(c.member), s);
                EXPECT_EQ(pixel(image, b.x + b.width / 2, b.y + b.height / 2), c.colour)
                    << c.member << " at size " << s << ": " << c.reason;
                if (c.corners) {
                    EXPECT_EQ(pixel(image, b.x, b.y), c.colour) << c.member << " top left, size " << s;
                    EXPECT_EQ(pixel(image, b.x + b.width - 1, b.y + b.height - 1), c.colour)
                        << c.member << " bottom right, size " << s;
                }
            }
            cairo_surface_destroy(image);
        }
    }
}

// One image serves every state of its screen or panel, so nothing may be
// painted under a control that some state hides: it would stay behind as an
// empty socket or a stray block.
TEST(ArtworkPages, NothingIsPaintedUnderControlsThatAModeHides) {
    struct TBareCase {
        int image;
        const char* member;
        const char* reason;
    };
    const TBareCase cases[] = {
        {MAIN_BACK_BITMAP, "onOffSampleRevOnOff", "shown only while the source plays a sample"},
        {MAIN_BACK_BITMAP, "sampleScreenButton", "shown on the main screen only for a sample source"},
        {SAMPLE_BACK_BITMAP, "onOffSampleRevOnOff", "the sample screen hides it as the main screen does"},
        {SOURCE_NOISE_BITMAP, "onOffKeyTrackOnOff", "the first noise source has no key tracking"},
        {MOD_FX_BACK_BITMAP, "gatorDisplays[0]", "the other nine modes put knobs where the gates are"},
        {MOD_FX_BACK_BITMAP, "gatorDisplays[1]", "the same for the right gate"},
    };
    for (int s = 0; s < SCREEN_SIZE_COUNT; ++s) {
        for (const TBareCase& c : cases) {
            cairo_surface_t* image = artwork::renderArtwork(c.image, s);
            ASSERT_NE(image, nullptr);
            const TPixelBox b = getScaledBox(anyRow(c.member), s);
            // The centre and the corners, where a socket's rim or a well's edge would show.
            const std::pair<int, int> probes[] = {{b.x + b.width / 2, b.y + b.height / 2},
                                                  {b.x + 1, b.y + b.height / 2},
                                                  {b.x + b.width / 2, b.y + b.height - 2}};
            for (const auto& [x, y] : probes)
                EXPECT_EQ(pixel(image, x, y), look::PANEL_FILL_COLOR)
                    << c.member << " in image " << c.image << " at size " << s << ": " << c.reason;
            cairo_surface_destroy(image);
        }
    }
}

struct TImageCompare {
    bool sameSize = false;
    long pixelsDifferent = -1;
    double meanDifference = 255;
};

TImageCompare compareImages(const std::string& a, const std::string& b) {
    TImageCompare result;
    cairo_surface_t* one = cairo_image_surface_create_from_png(a.c_str());
    cairo_surface_t* two = cairo_image_surface_create_from_png(b.c_str());
    if (cairo_surface_status(one) == CAIRO_STATUS_SUCCESS && cairo_surface_status(two) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_width(one) == cairo_image_surface_get_width(two) &&
        cairo_image_surface_get_height(one) == cairo_image_surface_get_height(two)) {
        result.sameSize = true;
        const int width = cairo_image_surface_get_width(one), height = cairo_image_surface_get_height(one);
        long different = 0;
        double total = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const kgui::CColor p = pixel(one, x, y), q = pixel(two, x, y);
                const int d[4] = {std::abs(p.red - q.red), std::abs(p.green - q.green), std::abs(p.blue - q.blue),
                                  std::abs(p.alpha - q.alpha)};
                different += *std::max_element(d, d + 4) > 48;
                total += d[0] + d[1] + d[2] + d[3];
            }
        result.pixelsDifferent = different;
        result.meanDifference = total / (double(width) * height * 4);
    }
    cairo_surface_destroy(one);
    cairo_surface_destroy(two);
    return result;
}

TEST(ArtworkPages, MatchTheGoldenImagesAtFullSize) {
    const bool update = std::getenv("KOLBRI_UPDATE_GOLDEN") != nullptr;
    const std::filesystem::path work = test_environment::makeTemporaryFolder("artwork");
    const std::pair<int, const char*> pages[] = {
        {MAIN_BACK_BITMAP, "main_100.png"}, {SAMPLE_BACK_BITMAP, "sample_100.png"}, {BACK_SCREEN_BITMAP, "back_100.png"}};
    for (auto [id, name] : pages) {
        const std::string rendered = (work / name).string();
        cairo_surface_t* image = artwork::renderArtwork(id, 0);
        ASSERT_EQ(cairo_surface_write_to_png(image, rendered.c_str()), CAIRO_STATUS_SUCCESS);
        cairo_surface_destroy(image);
        const std::string golden = std::string(KOLBRI_TEST_DATA_DIR) + "/artwork/" + name;
        if (update) {
            std::filesystem::copy_file(rendered, golden, std::filesystem::copy_options::overwrite_existing);
            continue;
        }
        ASSERT_TRUE(std::filesystem::exists(golden)) << golden << " is missing; run with KOLBRI_UPDATE_GOLDEN=1";
        const TImageCompare result = compareImages(rendered, golden);
        EXPECT_TRUE(result.sameSize) << name;
        // Text rasterisation may shift a shade between library versions; a
        // missing word, a moved box or a changed colour differs in hundreds
        // of pixels.
        EXPECT_GE(result.pixelsDifferent, 0) << name;
        EXPECT_LT(result.pixelsDifferent, 40) << name << " differs; rendered: " << rendered;
        EXPECT_LT(result.meanDifference, 0.05) << name << " differs; rendered: " << rendered;
    }
    if (!::testing::Test::HasFailure())
        std::filesystem::remove_all(work);
}

}  // namespace
