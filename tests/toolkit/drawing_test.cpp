// Drawing through cairo: each primitive checked on the pixels it must and must
// not touch; text placement; the recording context.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <functional>

#include "toolkit/DrawHelpers.h"
#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

namespace {
const CColor kInk(255, 255, 255, 255);
const CColor kNone(0, 0, 0, 255);

// Renders one paint function on a black 120 x 120 frame.
struct Canvas {
    explicit Canvas(std::function<void(CDrawContext*, const CRect&)> paint, CRect rect = CRect(0, 0, 120, 120))
        : f(CRect(0, 0, 120, 120)) {
        f.frame->addView(new PaintView(rect, std::move(paint)));
        f.target.renderAll();
    }
    CColor at(int x, int y) const { return f.target.getPixel(x, y); }
    bool inked(int x, int y) const { return at(x, y).red > 100; }
    // The bounds of all pixels brighter than the threshold.
    CRect inkBounds(int threshold = 60) const {
        CRect bounds(1e9, 1e9, -1e9, -1e9);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x)
                if (at(x, y).red > threshold || at(x, y).green > threshold || at(x, y).blue > threshold) {
                    bounds.left = std::fmin(bounds.left, x);
                    bounds.top = std::fmin(bounds.top, y);
                    bounds.right = std::fmax(bounds.right, x + 1);
                    bounds.bottom = std::fmax(bounds.bottom, y + 1);
                }
        return bounds;
    }
    OffscreenFrame f;
};
}  // namespace

TEST(Drawing, RectanglesAndLinesCoverExactlyTheirPixels) {
    Canvas filled([](CDrawContext* c, const CRect&) {
        c->setFillColor(kInk);
        c->drawRect(CRect(10, 10, 20, 20), kDrawFilled);
    });
    Canvas stroked([](CDrawContext* c, const CRect&) {
        c->setFrameColor(kInk);
        c->setLineWidth(1);
        c->drawRect(CRect(10, 10, 20, 20), kDrawStroked);
    });
    Canvas line([](CDrawContext* c, const CRect&) {
        c->setDrawMode(kAliasing);
        c->setFrameColor(kInk);
        c->drawLine(CPoint(5, 30), CPoint(40, 30));
        c->drawLine(CPoint(50, 5), CPoint(50, 40));
    });
    // The platform layer's shorthands, with the context's settings.
    Canvas helpers([](CDrawContext* c, const CRect&) {
        c->setDrawMode(kAliasing);
        c->setFrameColor(kInk);
        c->setFillColor(kInk);
        c->setLineWidth(1);
        drawRectExt(CRect(60, 10, 80, 30), c);
        fillRectExt(CRect(60, 40, 70, 50), c);
        lineAA(5, 100, 100, 100, c);
        lineAA(85, 55, 115, 65, c);  // four different numbers: a swapped pair draws another line
        CDrawContext* none = nullptr;
        drawRectExt(CRect(0, 0, 120, 120), none);
        fillRectExt(CRect(0, 0, 120, 120), none);
        lineAA(0, 0, 119, 119, none);
    });
    struct Case {
        const Canvas& canvas;
        int x, y;
        bool inked;
        const char* why;
    };
    const Case cases[] = {
        {filled, 10, 10, true, "fill starts at the top-left pixel"},
        {filled, 19, 19, true, "fill ends at right - 1, bottom - 1"},
        {filled, 20, 15, false, "the right edge is not filled"},
        {filled, 15, 20, false, "the bottom edge is not filled"},
        {filled, 9, 15, false, "nothing left of it"},
        {stroked, 10, 15, true, "outline on the first column"},
        {stroked, 19, 15, true, "outline on the last column inside"},
        {stroked, 15, 10, true, "outline on the first row"},
        {stroked, 15, 19, true, "outline on the last row inside"},
        {stroked, 15, 15, false, "hollow"},
        {stroked, 20, 15, false, "no pixel outside the rectangle"},
        {line, 20, 30, true, "a 1-px horizontal line lies on its row"},
        {line, 20, 29, false, "not above"},
        {line, 20, 31, false, "not below"},
        {line, 50, 20, true, "a vertical line lies on its column"},
        {line, 49, 20, false, "not left of it"},
        {line, 51, 20, false, "not right of it"},
        {helpers, 60, 20, true, "drawRectExt: the outline's first column"},
        {helpers, 70, 20, false, "drawRectExt: hollow"},
        {helpers, 80, 20, false, "drawRectExt: nothing outside"},
        {helpers, 65, 45, true, "fillRectExt: filled inside"},
        {helpers, 70, 45, false, "fillRectExt: not the right edge"},
        {helpers, 50, 100, true, "lineAA: on its row"},
        {helpers, 50, 99, false, "lineAA: not above"},
        {helpers, 110, 100, false, "lineAA: ends where it is told"},
        {helpers, 100, 60, true, "lineAA: (x1, y1) to (x2, y2), through the middle of a slanting line"},
        {helpers, 88, 56, true, "lineAA: near (x1, y1) the line lies low, rising to the right"},
        {helpers, 30, 30, false, "nothing drawn without a context"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.canvas.inked(c.x, c.y), c.inked) << c.why << " (" << c.x << "," << c.y << ")";
    EXPECT_EQ(filled.at(15, 15), kInk) << "a solid fill is exactly the fill colour";
}

TEST(Drawing, EllipsesArcsAndPolygons) {
    Canvas ellipse([](CDrawContext* c, const CRect&) {
        c->setDrawMode(kAntiAliasing);
        c->setFillColor(kInk);
        c->drawEllipse(CRect(20, 20, 60, 40), kDrawFilled);
    });
    EXPECT_TRUE(ellipse.inked(40, 30));
    EXPECT_TRUE(ellipse.inked(22, 30)) << "reaches the left end";
    EXPECT_FALSE(ellipse.inked(21, 21)) << "corners stay empty";
    EXPECT_FALSE(ellipse.inked(40, 41));

    // 0 degrees is three o'clock and angles turn clockwise on screen: a quarter
    // arc from 0 to 90 is the lower right quarter.
    Canvas quarter([](CDrawContext* c, const CRect&) {
        c->setDrawMode(kAntiAliasing);
        c->setFrameColor(kInk);
        c->setLineWidth(3);
        c->drawArc(CRect(10, 10, 110, 110), 0, 90, kDrawStroked);
    });
    double r = 50, cx = 60, cy = 60;
    auto onCircle = [&](double degrees) {
        double a = degrees * M_PI / 180;
        return CPoint(cx + r * std::cos(a), cy + r * std::sin(a));
    };
    for (double degrees : {10.0, 45.0, 80.0}) {
        CPoint p = onCircle(degrees);
        EXPECT_TRUE(quarter.inked(int(p.x), int(p.y))) << degrees;
    }
    for (double degrees : {-45.0, 135.0, 225.0}) {
        CPoint p = onCircle(degrees);
        EXPECT_FALSE(quarter.inked(int(p.x), int(p.y))) << degrees;
    }

    // The knob's track: from -216 to 39.6 covers the top and leaves the bottom open.
    Canvas knob([](CDrawContext* c, const CRect&) {
        c->setDrawMode(kAntiAliasing);
        c->setFrameColor(kInk);
        c->setLineWidth(3);
        c->drawArc(CRect(10, 10, 110, 110), -216, 39.6, kDrawStroked);
    });
    for (double degrees : {-200.0, -90.0, 0.0, 30.0}) {
        CPoint p = onCircle(degrees);
        EXPECT_TRUE(knob.inked(int(std::lround(p.x)), int(std::lround(p.y)))) << degrees;
    }
    for (double degrees : {60.0, 90.0, 120.0}) {
        CPoint p = onCircle(degrees);
        EXPECT_FALSE(knob.inked(int(std::lround(p.x)), int(std::lround(p.y)))) << degrees;
    }

    Canvas triangle([](CDrawContext* c, const CRect&) {
        c->setDrawMode(kAntiAliasing);
        c->setFillColor(kInk);
        const CPoint points[] = {{10, 60}, {50, 40}, {50, 80}};  // tip on the left
        c->fillPolygon(points, 3);
        c->fillPolygon(points, 0);  // nothing visible
        c->fillPolygon(nullptr, -4);
    });
    EXPECT_TRUE(triangle.inked(40, 60));
    EXPECT_TRUE(triangle.inked(14, 60));
    EXPECT_FALSE(triangle.inked(14, 50)) << "outside the slanted side";
    EXPECT_FALSE(triangle.inked(55, 60));
    const auto& ops = triangle.f.target.getRecorder().ops;
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, DrawOp::kPolygon);
    EXPECT_EQ(ops[0].style, kDrawFilled);
    EXPECT_EQ(ops[0].rect, CRect(10, 40, 50, 80));
    EXPECT_TRUE(ops[1].points.empty());
    EXPECT_TRUE(ops[2].points.empty());
}

TEST(Drawing, AlphaAndDrawModes) {
    Canvas dimmed([](CDrawContext* c, const CRect&) {
        c->setFillColor(CColor(55, 208, 255, 63));  // the bypassed look
        c->drawRect(CRect(0, 0, 50, 50), kDrawFilled);
    });
    CColor p = dimmed.at(25, 25);
    EXPECT_NEAR(p.red, 55 * 63 / 255.0, 1.5);
    EXPECT_NEAR(p.green, 208 * 63 / 255.0, 1.5);
    EXPECT_NEAR(p.blue, 255 * 63 / 255.0, 1.5);

    // Aliased diagonal: every pixel fully on or off; antialiased: partial ones.
    auto countPartial = [](const Canvas& canvas) {
        int partial = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x) {
                int v = canvas.at(x, y).red;
                partial += v > 10 && v < 245;
            }
        return partial;
    };
    Canvas aliased([](CDrawContext* c, const CRect&) {
        c->setDrawMode(kAliasing);
        c->setFrameColor(kInk);
        c->drawLine(CPoint(0, 0), CPoint(59, 31));
    });
    Canvas smooth([](CDrawContext* c, const CRect&) {
        c->setDrawMode(kAntiAliasing);
        c->setFrameColor(kInk);
        c->drawLine(CPoint(0, 0), CPoint(59, 31));
    });
    EXPECT_EQ(countPartial(aliased), 0);
    EXPECT_GT(countPartial(smooth), 20);
}

TEST(Drawing, TextAlignmentAndVerticalCentre) {
    struct Case {
        CHoriTxtAlign align;
        const char* why;
    };
    const CRect box(10, 40, 110, 54);  // font size + 2 high, as the controls make them
    for (const auto& c : {Case{kLeftText, "left"}, Case{kCenterText, "centre"}, Case{kRightText, "right"}}) {
        Canvas canvas([&](CDrawContext* ctx, const CRect&) {
            ctx->setFont(kNormalFont);
            ctx->setFontColor(kInk);
            ctx->drawString("HELLO", box, c.align, true);
        });
        CRect ink = canvas.inkBounds();
        ASSERT_LT(ink.left, ink.right) << c.why << ": text was drawn";
        // Cap height of 12-px Liberation Sans is about 8.6 px.
        EXPECT_NEAR(ink.getHeight(), 9, 1.5) << c.why;
        EXPECT_NEAR((ink.top + ink.bottom) / 2, (box.top + box.bottom) / 2, 1.5) << c.why << ": vertically centred";
        if (c.align == kLeftText) {
            EXPECT_NEAR(ink.left, box.left, 2) << c.why;
        } else if (c.align == kRightText) {
            EXPECT_NEAR(ink.right, box.right, 2) << c.why;
        } else {
            EXPECT_NEAR(ink.left - box.left, box.right - ink.right, 2) << c.why;
        }
    }

    // Text is not clipped to its rectangle (only to the view).
    Canvas overflow([&](CDrawContext* ctx, const CRect&) {
        ctx->setFont(kNormalFontBig);
        ctx->setFontColor(kInk);
        ctx->drawString("WIDE TEXT HERE", CRect(50, 50, 60, 60), kLeftText, true);
    });
    EXPECT_GT(overflow.inkBounds().right, 90);
}

TEST(Drawing, StandardFontsAndFontOverrides) {
    struct Case {
        CFontRef font;
        double size;
    };
    const Case cases[] = {{kNormalFontVerySmall, 9}, {kNormalFontSmall, 11}, {kNormalFont, 12},
                          {kNormalFontBig, 14},      {kNormalFontVeryBig, 18}};
    OffscreenFrame f;
    double previousWidth = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(c.font->getSize(), c.size);
        EXPECT_EQ(c.font->getName(), "Arial");
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
        cairo_t* cr = cairo_create(surface);
        {
            CDrawContext context(cr, CRect(0, 0, 10, 10));
            context.setFont(c.font);
            EXPECT_EQ(context.getFontSize(), c.size);
            double width = context.getStringWidth("Kolbri 123");
            EXPECT_GT(width, previousWidth) << "bigger fonts set wider text";
            previousWidth = width;
            context.setFont(c.font, 0, kBoldFace);
            EXPECT_GT(context.getStringWidth("Kolbri 123"), width) << "bold is wider";
            EXPECT_EQ(context.getFont()->getStyle(), kBoldFace);
            context.setFont(c.font, 20);
            EXPECT_EQ(context.getFontSize(), 20);
            EXPECT_EQ(context.getFont()->getStyle(), 0) << "style -1 keeps the font's own";
        }
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    EXPECT_EQ(resolveFontFamily("Arial"), "Liberation Sans");
    EXPECT_EQ(resolveFontFamily("Liberation Mono"), "Liberation Mono");
    // Liberation Sans matches Arial's advance widths: "Arial" is 4097 units of 2048 per em, 200 px at 100 px.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
    cairo_t* cr = cairo_create(surface);
    {
        CDrawContext context(cr, CRect(0, 0, 10, 10));
        CFontDesc big("Arial", 100);
        context.setFont(&big);
        EXPECT_NEAR(context.getStringWidth("Arial"), 200, 1) << "the font is the metric-compatible one";
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

TEST(Drawing, RecordingListsTextsInFrameCoordinates) {
    OffscreenFrame f(CRect(0, 0, 300, 200));
    auto* panel = new CViewContainer(CRect(29, 100, 229, 180));
    panel->addView(new PaintView(CRect(10, 5, 110, 20), [](CDrawContext* c, const CRect& size) {
        c->setFont(kNormalFontSmall, 0, kBoldFace);
        c->setFontColor(CColor(55, 208, 255, 63));
        c->drawString("SEMI", size, kCenterText, true);
    }));
    f.frame->addView(panel);
    f.target.renderAll();
    const DrawOp* text = f.target.getRecorder().findText("SEMI");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->rect, CRect(39, 105, 139, 120));
    EXPECT_EQ(text->fontColor, CColor(55, 208, 255, 63));
    EXPECT_EQ(text->align, kCenterText);
    EXPECT_EQ(text->fontSize, 11);
    EXPECT_EQ(text->fontStyle, kBoldFace);
    EXPECT_EQ(f.target.getRecorder().texts().size(), 1u);
    EXPECT_EQ(f.target.getRecorder().findText("MISSING"), nullptr);
}

TEST(Drawing, ViewsAreClippedToTheirRectangles) {
    Canvas spill(
        [](CDrawContext* c, const CRect&) {
            c->setFillColor(kInk);
            c->drawRect(CRect(0, 0, 120, 120), kDrawFilled);
        },
        CRect(30, 30, 60, 60));
    EXPECT_TRUE(spill.inked(30, 30));
    EXPECT_TRUE(spill.inked(59, 59));
    EXPECT_FALSE(spill.inked(60, 45));
    EXPECT_FALSE(spill.inked(29, 45));
}
