// The waveform view over a real WAV file: the zoom's limits, which loop
// marker a click picks and where a drag puts it, the sample too short to have
// a length, the scroll band, the shading and colours, and dropped files.
#include <gtest/gtest.h>

#include <cmath>

#include "display_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TSampleDisplay.h"

using namespace kgui;

namespace {
const CRect VIEW(480, 104, 480 + 624, 104 + 206);  // at 100 %: a wave band of 195, a thumb of 10
constexpr double BAND_Y = 104 + 100;
constexpr int LOOP_MODE = 244, START = 246, LOOP_START = 247, LOOP_END = 248;

struct WaveBench : TDisplayBench<TDisplayServices> {
    explicit WaveBench(long frames = 48000, bool stereo = true) {
        writeToneWav(folder.path / "tone.wav", frames, stereo);
        services.setRoot(folder.path);
        services.loadSample(folder.path / "tone.wav");
        view = host.add(new TSampleDisplay(VIEW, 0));
    }
    CPoint at(double fraction) const { return CPoint(VIEW.left + fraction * 624, BAND_Y); }
    int verticalLines(const CColor& colour) {
        int count = 0;
        for (const DrawOp& op : draw())
            count += op.kind == DrawOp::kLine && op.frameColor == colour && op.points[0].x == op.points[1].x &&
                     op.points[0].y == VIEW.top && op.points[1].y == VIEW.top + view->getWaveHeight();
        return count;
    }
    int shadings() {
        int count = 0;
        for (const DrawOp& op : draw())
            count += op.kind == DrawOp::kRect && op.fillColor == look::SAMPLE_TRANS_COLOR;
        return count;
    }
    TTempFolder folder;
    TSampleDisplay* view;
};
}  // namespace

TEST(Waveform, ZoomStopsAtOneFramePerPixelAndAtTheWholeSample) {
    WaveBench bench;
    EXPECT_FALSE(bench.view->getCanZoom(false)) << "the whole sample is shown";
    bench.view->setZoom(TSampleDisplay::ZOOM_IN);
    bench.view->setScrollPos(300);
    const int firstFrame = static_cast<int>((1 - 0.75) * 48000 * 300 / 614.0);
    bench.view->setZoom(TSampleDisplay::ZOOM_IN);
    EXPECT_NEAR(bench.view->markerOffset(firstFrame), 0, 1) << "the first frame shown stays in place";
    for (int i = 0; i < 40 && bench.view->getCanZoom(true); ++i)
        bench.view->setZoom(TSampleDisplay::ZOOM_IN);
    const float limit = 624.0f / 48000;
    EXPECT_LT(bench.view->getZoom() - limit, 0.001f) << "zooming in is done within 0.001 of one frame per pixel";
    bench.view->setZoom(TSampleDisplay::ZOOM_IN);
    EXPECT_NEAR(bench.view->getZoom(), limit, 1e-6) << "and never passes it";
    EXPECT_FALSE(bench.view->getCanZoom(true));
    for (int i = 0; i < 40 && bench.view->getCanZoom(false); ++i)
        bench.host.target.wheel(bench.at(0.5), 0, kControl);  // Ctrl with no distance zooms out
    EXPECT_EQ(bench.view->getZoom(), 1.0f);
    EXPECT_EQ(bench.view->getScrollPos(), 0) << "back at the whole sample the thumb is home";

    WaveBench shortOne(200);  // shorter than the view is wide
    shortOne.view->setZoom(TSampleDisplay::ZOOM_IN);
    EXPECT_EQ(shortOne.view->getZoom(), 1.0f) << "never more than the whole sample";
    EXPECT_FALSE(shortOne.view->getCanZoom(true));
}

TEST(Waveform, ClicksPickTheNearerLoopMarkerAndDragIt) {
    struct Case {
        double at, to;
        CButtonState buttons;
        int marker, tag;
        const char* why;
    } cases[] = {
        {0.3, 0.1, kLButton, 0, LOOP_START, "nearer the loop start"},
        {0.7, 0.9, kLButton, 1, LOOP_END, "nearer the loop end"},
        {0.5, 0.4, kLButton, 0, LOOP_START, "halfway: the loop start"},
        {0.7, 0.6, kLButton | kShift, 1, START, "Shift drags the sample start whichever was picked"},
    };
    for (const Case& c : cases) {
        WaveBench bench(62400);  // 100 frames a pixel: the markers lie on whole pixels
        bench.services.put(LOOP_START, 0.25f);
        bench.services.put(LOOP_END, 0.75f);
        bench.press(bench.at(c.at), c.buttons);
        EXPECT_EQ(bench.view->getDragMarker(), c.marker) << c.why;
        EXPECT_NEAR(bench.services.getParameter(c.tag), c.at, 2e-3) << c.why << ": the marker jumps to the pointer";
        bench.host.target.mouseMoved(bench.at(c.to), c.buttons);
        bench.host.target.mouseUp(bench.at(c.to));
        EXPECT_NEAR(bench.services.getParameter(c.tag), c.to, 2e-3) << c.why;
        EXPECT_TRUE(bench.host.logged("setSampleScreenDirty"));
    }
}

TEST(Waveform, ASampleWithoutALengthHasNoMarkersToDraw) {
    WaveBench bench(50);  // under the 100 frames a length needs
    ASSERT_TRUE(bench.services.getSampleLoaded());
    ASSERT_EQ(bench.services.getSampleLength(194), 0);
    bench.services.setSteppedValue(LOOP_MODE, 1);
    EXPECT_EQ(bench.verticalLines(look::SAMPLE_TEXT_LIGHT_COLOR), 0);
    EXPECT_EQ(bench.shadings(), 0);
    bench.click(bench.at(0.3));
    bench.drag(bench.at(0.3), bench.at(0.6));
    EXPECT_FALSE(bench.services.called("setSampleLoopStart"));
    EXPECT_FALSE(bench.services.called("setSampleLoopEnd"));
    for (int tag : {START, LOOP_START, LOOP_END})
        EXPECT_TRUE(std::isfinite(bench.services.getParameter(tag))) << tag;
    EXPECT_FALSE(bench.view->getCanZoom(true));
    EXPECT_FALSE(bench.view->getCanZoom(false));
    EXPECT_EQ(bench.view->markerOffset(10), -1);
}

TEST(Waveform, LoopShadingMarkersAndTheFaintStart) {
    WaveBench bench;
    bench.services.put(LOOP_START, 0.25f);
    bench.services.put(LOOP_END, 0.75f);
    struct Case {
        int mode, shadings;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 0}};
    for (const Case& c : cases) {
        bench.services.setSteppedValue(LOOP_MODE, c.mode);
        EXPECT_EQ(bench.shadings(), c.shadings) << "loop mode " << c.mode;
        EXPECT_EQ(bench.verticalLines(look::SAMPLE_TEXT_LIGHT_COLOR), 2) << "both lines in every mode";
    }
    // Zoomed in on the middle, the loop markers lie outside: nothing is drawn beyond the view.
    bench.view->setZoom(0.1f);
    bench.view->setScrollPos(307);
    for (const DrawOp& op : bench.draw()) {
        if (op.kind != DrawOp::kText) {
            EXPECT_TRUE(op.rect.left >= VIEW.left && op.rect.right <= VIEW.right) << op.rect.left;
        }
    }

    bench.view->setZoom(-1);
    bench.services.put(START, 0.5f);
    int faint = 0, plain = 0;
    for (const DrawOp& op : bench.draw()) {
        if (op.kind != DrawOp::kLine || op.points[0].x != op.points[1].x || op.points[0].y == VIEW.top)
            continue;
        const bool beforeStart = op.points[0].x < VIEW.left + 312;
        faint += beforeStart && op.frameColor == look::SAMPLE_TRANS_COLOR;
        plain += !beforeStart && op.frameColor == look::SAMPLE_COLOR;
    }
    EXPECT_EQ(faint, 2 * 2 * 312) << "two channels, two lines, every column before the start";
    EXPECT_EQ(plain, 2 * 2 * 312);
}

TEST(Waveform, ScrollBandPreviewMenuAndDrops) {
    WaveBench bench;
    bench.view->setZoom(0.5f);
    const double bandY = VIEW.top + 200;
    bench.click(CPoint(VIEW.left + 100, bandY), kLButton | kShift);
    EXPECT_EQ(bench.view->getScrollPos(), 0);
    bench.click(CPoint(VIEW.left + 400, bandY), kLButton | kShift);
    EXPECT_EQ(bench.view->getScrollPos(), 614);
    bench.click(CPoint(VIEW.left + 250, bandY));
    EXPECT_EQ(bench.view->getScrollPos(), 250) << "a plain click moves the thumb to the mouse";

    bench.press(bench.at(0.5), kLButton | kAlt);
    EXPECT_TRUE(bench.services.called("previewSample"));
    EXPECT_FALSE(bench.services.called("releasePreviewSample"));
    bench.host.target.mouseUp(bench.at(0.5));
    EXPECT_TRUE(bench.services.called("releasePreviewSample"));
    bench.click(bench.at(0.5), kRButton);
    EXPECT_TRUE(bench.host.logged("showSampleCommandMenu"));
    bench.click(bench.at(0.5), kLButton | kControl | kShift);
    EXPECT_EQ(bench.view->getZoom(), 1.0f);
    EXPECT_TRUE(bench.services.called("updateLoadedSamples"));

    TTempFolder elsewhere;
    std::vector<std::string> paths;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        writeToneWav(elsewhere.path / name, 300, false);
        paths.push_back((elsewhere.path / name).string());
    }
    EXPECT_TRUE(bench.host.target.dropFiles(paths, bench.at(0.5)));
    EXPECT_EQ(bench.services.files.size(), 4u) << "three copied beside the loaded file";
    EXPECT_EQ(bench.services.loadedFile.filename(), "tone.wav") << "and none loaded";
}
