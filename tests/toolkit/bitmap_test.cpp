// Bitmaps by number: loading from the resource folder and from embedded PNG
// data, missing and damaged images, two-state and alpha-blended drawing.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "test_environment.h"
#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

namespace {
std::vector<unsigned char> encodePNG(cairo_surface_t* surface) {
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* out = static_cast<std::vector<unsigned char>*>(closure);
            out->insert(out->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &bytes);
    return bytes;
}

struct ResourceFolder {
    ResourceFolder() {
        path = test_environment::makeTemporaryFolder("images");
        CBitmap::setResourceFolder(path.string());
    }
    ~ResourceFolder() {
        CBitmap::clearEmbeddedImages();
        CBitmap::setResourceFolder("");
        std::filesystem::remove_all(path);
    }
    void write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream out(path / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::filesystem::path path;
};
}  // namespace

TEST(Bitmap, LoadsByNumberFromFolderAndEmbeddedData) {
    ResourceFolder folder;
    cairo_surface_t* image = twoStateImage(30, 20, kRedCColor, kGreenCColor);
    std::vector<unsigned char> png = encodePNG(image);
    cairo_surface_destroy(image);
    folder.write("10000.png", png);
    folder.write("bmp11000.png", png);
    folder.write("10001.png", std::vector<unsigned char>(png.begin(), png.begin() + png.size() / 2));  // truncated
    folder.write("10002.png", std::vector<unsigned char>(100, 0x42));                                  // garbage
    std::vector<unsigned char> embedded = png;
    CBitmap::registerEmbeddedImage(10003, embedded.data(), embedded.size());
    std::vector<unsigned char> brokenEmbedded(png.begin(), png.begin() + 40);
    CBitmap::registerEmbeddedImage(10004, brokenEmbedded.data(), brokenEmbedded.size());

    struct Case {
        int32 id;
        bool loaded;
        const char* why;
    };
    const Case cases[] = {
        {10000, true, "<id>.png in the resource folder"},
        {11000, true, "bmp<id>.png in the resource folder"},
        {10001, false, "a truncated file is refused"},
        {10002, false, "a file that is no PNG is refused"},
        {10003, true, "an image compiled into the program"},
        {10004, false, "broken embedded data is refused"},
        {10999, false, "no such image"},
    };
    testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        auto* bitmap = new CBitmap(c.id);
        EXPECT_EQ(bitmap->isLoaded(), c.loaded) << c.why;
        EXPECT_EQ(bitmap->getWidth(), c.loaded ? 30 : 0) << c.why;
        EXPECT_EQ(bitmap->getHeight(), c.loaded ? 20 : 0) << c.why;
        EXPECT_EQ(bitmap->getResourceId(), c.id);
        bitmap->forget();
    }
    // Asking again for a missing image does not repeat the message.
    (new CBitmap(10999))->forget();
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("image 10999 is missing"), std::string::npos);
    EXPECT_EQ(messages.find("10999"), messages.rfind("10999")) << "said once";
    EXPECT_NE(messages.find("image 10001 is missing"), std::string::npos);
}

TEST(Bitmap, DrawsUnscaledFromAnOffsetAndBlendsWithAlpha) {
    cairo_surface_t* image = twoStateImage(20, 40, kRedCColor, kGreenCColor);
    auto* bitmap = new CBitmap(image);
    cairo_surface_destroy(image);

    struct Bitmaps : CView {
        explicit Bitmaps(CBitmap* bitmap) : CView(CRect(0, 0, 200, 100)), bitmap(bitmap) {}
        void draw(CDrawContext* c) override {
            bitmap->draw(c, CRect(0, 0, 20, 20));                                // upper half
            bitmap->draw(c, CRect(30, 0, 50, 20), CPoint(0, 20));               // lower half
            bitmap->drawAlphaBlend(c, CRect(60, 0, 80, 20), CPoint(0, 20), 64); // the bypassed switch
            bitmap->draw(c, CRect(90, 0, 150, 60));                             // unscaled: no stretching
            CBitmap missing(-77);
            missing.remember();
            missing.draw(c, CRect(160, 0, 200, 40));                            // nothing
        }
        CBitmap* bitmap;
    };
    OffscreenFrame f(CRect(0, 0, 200, 100));
    f.frame->addView(new Bitmaps(bitmap));
    testing::internal::CaptureStderr();
    f.target.renderAll();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(f.target.getPixel(10, 10), kRedCColor);
    EXPECT_EQ(f.target.getPixel(40, 10), kGreenCColor);
    CColor blended = f.target.getPixel(70, 10);
    EXPECT_EQ(blended.red, 0);
    EXPECT_NEAR(blended.green, 64, 1.5);
    EXPECT_EQ(f.target.getPixel(100, 35), kGreenCColor) << "drawn at its own size";
    EXPECT_EQ(f.target.getPixel(115, 10), CColor(0, 0, 0, 255)) << "not stretched to the rectangle";
    EXPECT_EQ(f.target.getPixel(170, 10), CColor(0, 0, 0, 255));

    const auto& ops = f.target.getRecorder().ops;
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops[1].bitmapOffset, CPoint(0, 20));
    EXPECT_NEAR(ops[2].alpha, 64 / 255.0, 1e-6);
    bitmap->forget();
}

TEST(Bitmap, FrameAndContainerBackgroundsDrawAtTheirTopLeft) {
    cairo_surface_t* back = twoStateImage(100, 100, kBlueCColor, kBlueCColor);
    cairo_surface_t* panelImage = twoStateImage(30, 30, kRedCColor, kRedCColor);
    auto* backBitmap = new CBitmap(back);
    auto* panelBitmap = new CBitmap(panelImage);
    cairo_surface_destroy(back);
    cairo_surface_destroy(panelImage);

    OffscreenFrame f(CRect(0, 0, 150, 120));
    f.frame->setBackground(backBitmap);
    auto* panel = new CViewContainer(CRect(40, 50, 90, 100));
    panel->setBackground(panelBitmap);
    f.frame->addView(panel);
    f.target.renderAll();
    EXPECT_EQ(f.target.getPixel(5, 5), kBlueCColor);
    EXPECT_EQ(f.target.getPixel(120, 5), CColor(0, 0, 0, 255)) << "beyond the background: black";
    EXPECT_EQ(f.target.getPixel(41, 51), kRedCColor);
    EXPECT_EQ(f.target.getPixel(69, 79), kRedCColor);
    EXPECT_EQ(f.target.getPixel(75, 85), kBlueCColor) << "the panel image is not stretched";
    backBitmap->forget();
    panelBitmap->forget();
}
