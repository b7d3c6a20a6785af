#include "toolkit/showcase.h"

#include <cairo.h>

#include <cmath>

#include "toolkit/toolkit_test_support.h"

namespace kgui::test {

namespace {

// A background: a diagonal gradient with a 10-unit grid, so misplaced or
// scaled drawing shows.
void writeBackground(const std::filesystem::path& file, int width, int height, double scale) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, width, height);
    cairo_pattern_add_color_stop_rgb(gradient, 0, 0.02, 0.10, 0.13);
    cairo_pattern_add_color_stop_rgb(gradient, 1, 0.05, 0.22, 0.27);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);
    cairo_set_source_rgb(cr, 0.08, 0.30, 0.36);
    cairo_set_line_width(cr, 1);
    double step = 10 * scale;
    for (double x = 0.5; x < width; x += step) {
        cairo_move_to(cr, std::floor(x) + 0.5, 0);
        cairo_line_to(cr, std::floor(x) + 0.5, height);
    }
    for (double y = 0.5; y < height; y += step) {
        cairo_move_to(cr, 0, std::floor(y) + 0.5);
        cairo_line_to(cr, width, std::floor(y) + 0.5);
    }
    cairo_stroke(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface, file.c_str());
    cairo_surface_destroy(surface);
}

// A switch image: the off state above the on state.
void writeSwitch(const std::filesystem::path& file, int size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, 2 * size);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.08, 0.39, 0.56);
    cairo_arc(cr, size / 2.0, size / 2.0, size * 0.4, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.12, 0.77, 0.97);
    cairo_arc(cr, size / 2.0, size * 1.5, size * 0.4, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.5);
    cairo_arc(cr, size / 2.0, size * 1.5, size * 0.15, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface, file.c_str());
    cairo_surface_destroy(surface);
}
}  // namespace

void writeShowcaseImages(const std::filesystem::path& folder) {
    for (int size = 0; size < 4; ++size) {
        int w = int(320 * kShowcaseScale[size]), h = int(220 * kShowcaseScale[size]);
        writeBackground(folder / (std::to_string(30000 + 1000 * size) + ".png"), w - int(20 * kShowcaseScale[size]),
                        h, kShowcaseScale[size]);
        writeSwitch(folder / (std::to_string(30001 + 1000 * size) + ".png"), int(24 * kShowcaseScale[size]));
    }
}

void Showcase::build(CFrame* frame) const {
    auto* background = new CBitmap(30000 + 1000 * sizeIndex);
    frame->setBackground(background);
    background->forget();
    auto* switchImage = new CBitmap(30001 + 1000 * sizeIndex);

    const CColor cyan(55, 208, 255, 255);
    const CColor dim(55, 208, 255, 63);
    const CColor box(14, 44, 52, 255);
    const CColor arrow(8, 81, 102, 255);
    const CColor disc(12, 56, 69, 255);
    CFontRef labelFont[4] = {kNormalFontVerySmall, kNormalFontSmall, kNormalFont, kNormalFontVeryBig};
    CFontRef font = labelFont[sizeIndex];

    // Lines: aliased 1 px, 2 px, antialiased 3 px, a polyline.
    frame->addView(new PaintView(r(10, 10, 110, 60), [=, this](CDrawContext* c, const CRect& v) {
        c->setDrawMode(kAliasing);
        c->setFrameColor(cyan);
        c->setLineWidth(1);
        c->drawLine(CPoint(v.left, v.top + s(5)), CPoint(v.right - 1, v.top + s(5)));
        c->setLineWidth(2);
        c->drawLine(CPoint(v.left, v.top + s(15)), CPoint(v.right - 1, v.top + s(25)));
        c->setDrawMode(kAntiAliasing);
        c->setLineWidth(3);
        c->drawLine(CPoint(v.left + s(5), v.bottom - s(5)), CPoint(v.left + s(45), v.top + s(30)));
        c->setLineWidth(1);
        CDrawContext::PointList wave;
        for (int i = 0; i <= 10; ++i)
            wave.push_back(CPoint(v.left + s(50 + 5 * i), v.top + s(40 + ((i % 2) ? -8 : 8))));
        for (size_t i = 0; i + 1 < wave.size(); ++i)
            c->drawLine(wave[i], wave[i + 1]);
        c->setDrawMode(kAliasing);
    }));
    // Rectangles, stroked and filled, and the bypassed fill.
    frame->addView(new PaintView(r(120, 10, 220, 60), [=, this](CDrawContext* c, const CRect& v) {
        c->setFillColor(box);
        c->drawRect(CRect(v.left, v.top, v.left + s(30), v.top + s(30)), kDrawFilled);
        c->setFrameColor(cyan);
        c->drawRect(CRect(v.left + s(35), v.top, v.left + s(65), v.top + s(30)), kDrawStroked);
        c->setFillColor(dim);
        c->drawRect(CRect(v.left + s(70), v.top, v.right, v.top + s(30)), kDrawFilled);
        c->setFillColor(arrow);
        c->setFrameColor(cyan);
        c->drawRect(CRect(v.left, v.top + s(35), v.right, v.bottom), kDrawFilledAndStroked);
    }));
    // Ellipses: the LED look (ring of width 2 and a dot).
    frame->addView(new PaintView(r(230, 10, 260, 40), [=, this](CDrawContext* c, const CRect& v) {
        double w = v.getWidth();
        c->setDrawMode(kAntiAliasing);
        c->setFrameColor(CColor(30, 197, 247, 255));
        c->setFillColor(CColor(30, 197, 247, 255));
        c->setLineWidth(2);
        c->drawEllipse(CRect(v).inset(int(0.1 * w), int(0.1 * w)), kDrawStroked);
        c->setLineWidth(1);
        c->drawEllipse(CRect(v).inset(int(0.25 * w), int(0.25 * w)), kDrawFilled);
        c->setDrawMode(kAliasing);
    }));
    // A knob: disc, track arc from -216 to 39.6, hub and a filled pie.
    frame->addView(new PaintView(r(270, 10, 310, 50), [=](CDrawContext* c, const CRect& v) {
        c->setDrawMode(kAntiAliasing);
        c->setFillColor(disc);
        c->drawEllipse(v, kDrawFilled);
        c->setFrameColor(CColor(61, 239, 255, 127));
        c->setLineWidth(3);
        c->drawArc(CRect(v).inset(3, 3), -216, 39.6, kDrawStroked);
        c->setFillColor(cyan);
        c->drawArc(CRect(v).inset(10, 10), -90, 0, kDrawFilled);
        c->setLineWidth(1);
        c->setDrawMode(kAliasing);
    }));
    // Polygons: a stroked pentagon and the menu's filled triangles.
    frame->addView(new PaintView(r(10, 70, 110, 110), [=, this](CDrawContext* c, const CRect& v) {
        c->setDrawMode(kAntiAliasing);
        c->setFrameColor(cyan);
        CDrawContext::PointList pentagon;
        for (int i = 0; i < 5; ++i) {
            double a = -M_PI / 2 + i * 2 * M_PI / 5;
            pentagon.push_back(CPoint(v.left + s(20) + s(15) * std::cos(a), v.top + s(20) + s(15) * std::sin(a)));
        }
        pentagon.push_back(pentagon.front());
        c->drawPolygon(pentagon, kDrawStroked);
        c->setFillColor(cyan);
        double my = (v.top + v.bottom) / 2;
        int h = s(8);
        const CPoint right[] = {{v.right, my}, {v.right - h, my + h}, {v.right - h, my - h}};
        c->fillPolygon(right, 3);
        const CPoint left[] = {{v.right - s(4) - h, my + h}, {v.right - s(4) - h, my - h}, {v.right - s(4) - 2 * h, my}};
        c->fillPolygon(left, 3);
        c->setDrawMode(kAliasing);
    }));
    // Text in each alignment, in the size's label font, on menu boxes.
    const CHoriTxtAlign aligns[3] = {kLeftText, kCenterText, kRightText};
    const char* alignNames[3] = {"Left", "Centre", "Right"};
    for (int i = 0; i < 3; ++i) {
        frame->addView(new PaintView(r(120, 70 + 15 * i, 220, 83 + 15 * i), [=](CDrawContext* c, const CRect& v) {
            c->setFillColor(box);
            c->drawRect(v, kDrawFilled);
            c->setFont(font);
            c->setFontColor(cyan);
            c->drawString(alignNames[i], v, aligns[i], true);
        }));
    }
    // Each standard font, regular and bold.
    CFontRef fonts[5] = {kNormalFontVerySmall, kNormalFontSmall, kNormalFont, kNormalFontBig, kNormalFontVeryBig};
    for (int i = 0; i < 5; ++i) {
        frame->addView(new PaintView(r(10, 120 + 18 * i, 230, 136 + 18 * i), [=](CDrawContext* c, const CRect& v) {
            c->setFont(fonts[i]);
            c->setFontColor(i % 2 ? CColor(255, 255, 255, 255) : cyan);
            c->drawString("Kolbri Arial " + std::to_string(int(fonts[i]->getSize())), v, kLeftText, true);
            c->setFont(fonts[i], 0, kBoldFace);
            c->drawString("BOLD", v, kRightText, i != 2);
        }));
    }
    // A panel container with two-state switches: off, on, and on bypassed.
    auto* panel = new CViewContainer(r(240, 70, 310, 210));
    panel->setBackgroundColor(CColor(14, 44, 52, 200));
    for (int i = 0; i < 3; ++i) {
        auto* button = new CKickButton(r(5, 5 + 30 * i, 5 + 24, 5 + 30 * i + 24), nullptr, 9999, switchImage);
        if (i > 0)
            button->setValue(1);
        if (i == 2) {
            panel->addView(new PaintView(button->getViewSize(), [=](CDrawContext* c, const CRect& v) {
                switchImage->drawAlphaBlend(c, v, CPoint(0, switchImage->getHeight() / 2), 64);
            }));
            button->forget();
        } else {
            panel->addView(button);
        }
    }
    auto* label = new CTextLabel(r(2, 100, 68, 118), "Panel");
    label->setFont(font);
    label->setFontColor(cyan);
    label->setBackColor(box);
    label->setFrameColor(arrow);
    panel->addView(label);
    frame->addView(panel);
    switchImage->forget();
}

ImageCompare compareImages(const std::string& a, const std::string& b) {
    ImageCompare result;
    cairo_surface_t* one = cairo_image_surface_create_from_png(a.c_str());
    cairo_surface_t* two = cairo_image_surface_create_from_png(b.c_str());
    if (cairo_surface_status(one) == CAIRO_STATUS_SUCCESS && cairo_surface_status(two) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_width(one) == cairo_image_surface_get_width(two) &&
        cairo_image_surface_get_height(one) == cairo_image_surface_get_height(two)) {
        result.width = cairo_image_surface_get_width(one);
        result.height = cairo_image_surface_get_height(one);
        long different = 0;
        double total = 0;
        for (int y = 0; y < result.height; ++y) {
            const unsigned char* rowA = cairo_image_surface_get_data(one) + y * cairo_image_surface_get_stride(one);
            const unsigned char* rowB = cairo_image_surface_get_data(two) + y * cairo_image_surface_get_stride(two);
            for (int x = 0; x < result.width * 4; x += 4) {
                int worst = 0;
                for (int k = 0; k < 4; ++k) {
                    int d = std::abs(int(rowA[x + k]) - int(rowB[x + k]));
                    worst = std::max(worst, d);
                    total += d;
                }
                different += worst > 48;
            }
        }
        double pixels = double(result.width) * result.height;
        result.fractionDifferent = different / pixels;
        result.meanDifference = total / (pixels * 4);
    }
    cairo_surface_destroy(one);
    cairo_surface_destroy(two);
    return result;
}

}  // namespace kgui::test
