#include "toolkit/CDrawContext.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <numbers>

namespace kgui {

std::vector<DrawOp> DrawRecorder::texts() const {
    std::vector<DrawOp> result;
    for (const auto& op : ops)
        if (op.kind == DrawOp::kText)
            result.push_back(op);
    return result;
}

const DrawOp* DrawRecorder::findText(const std::string& text) const {
    for (const auto& op : ops)
        if (op.kind == DrawOp::kText && op.text == text)
            return &op;
    return nullptr;
}

namespace {
double toRadians(double degrees) { return degrees * std::numbers::pi / 180.0; }

PangoFontDescription* makeFontDescription(const CFontDesc& font) {
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, resolveFontFamily(font.getName()).c_str());
    double size = font.getSize() > 0 ? font.getSize() : 12;
    pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
    pango_font_description_set_weight(desc, (font.getStyle() & kBoldFace) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, (font.getStyle() & kItalicFace) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return desc;
}

void setTextOptions(PangoContext* pango, bool antialias) {
    cairo_font_options_t* options = cairo_font_options_create();
    // No hinting: glyph positions then depend only on the font files, which
    // keeps rendered text the same across machines and sizes.
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    pango_cairo_context_set_font_options(pango, options);
    cairo_font_options_destroy(options);
}
}  // namespace

CDrawContext::CDrawContext(cairo_t* cr, const CRect& surfaceRect) : cr(cr), surfaceRect(surfaceRect) {
    state.clip = surfaceRect;
    pango = pango_cairo_create_context(cr);
    cairo_save(cr);
}

CDrawContext::~CDrawContext() {
    while (!stack.empty())
        restoreGlobalState();
    cairo_restore(cr);
    if (pango)
        g_object_unref(pango);
}

void CDrawContext::setFont(const CFontDesc* font, double size, int32 style) {
    if (!font)
        return;
    state.font = CFontDesc(font->getName(), size > 0 ? size : font->getSize(), style >= 0 ? style : font->getStyle());
}

void CDrawContext::applyColor(const CColor& color) {
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0,
                          color.alpha / 255.0 * state.globalAlpha);
}

void CDrawContext::applyStrokeState() {
    cairo_set_antialias(cr, state.drawMode == kAntiAliasing ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, state.lineWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
}

double CDrawContext::strokeShift() const {
    long width = std::lround(state.lineWidth);
    return (width % 2 == 1 && std::fabs(state.lineWidth - width) < 1e-6) ? 0.5 : 0.0;
}

DrawOp CDrawContext::makeOp(DrawOp::Kind kind) const {
    DrawOp op;
    op.kind = kind;
    op.frameColor = state.frameColor;
    op.fillColor = state.fillColor;
    op.fontColor = state.fontColor;
    op.lineWidth = state.lineWidth;
    op.drawMode = state.drawMode;
    return op;
}

void CDrawContext::drawLine(const CPoint& start, const CPoint& end) {
    if (recorder) {
        DrawOp op = makeOp(DrawOp::kLine);
        op.points = {start + state.offset, end + state.offset};
        op.rect = CRect(std::fmin(start.x, end.x), std::fmin(start.y, end.y), std::fmax(start.x, end.x),
                        std::fmax(start.y, end.y))
                      .offset(state.offset);
        recorder->ops.push_back(op);
    }
    applyStrokeState();
    applyColor(state.frameColor);
    double s = strokeShift();
    cairo_new_path(cr);
    cairo_move_to(cr, start.x + s, start.y + s);
    cairo_line_to(cr, end.x + s, end.y + s);
    cairo_stroke(cr);
}

void CDrawContext::drawLines(const PointList& points) {
    for (size_t i = 0; i + 1 < points.size(); i += 2)
        drawLine(points[i], points[i + 1]);
}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style) {
    if (recorder) {
        DrawOp op = makeOp(DrawOp::kRect);
        op.rect = CRect(rect).offset(state.offset);
        op.style = style;
        recorder->ops.push_back(op);
    }
    applyStrokeState();
    if (style == kDrawFilled || style == kDrawFilledAndStroked) {
        cairo_new_path(cr);
        cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
        applyColor(state.fillColor);
        cairo_fill(cr);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked) {
        // The outline covers the rectangle's own outer pixels, not the ones beside it.
        double s = strokeShift();
        cairo_new_path(cr);
        cairo_rectangle(cr, rect.left + s, rect.top + s, rect.getWidth() - 2 * s, rect.getHeight() - 2 * s);
        applyColor(state.frameColor);
        cairo_stroke(cr);
    }
}

void CDrawContext::drawEllipse(const CRect& rect, CDrawStyle style) {
    if (recorder) {
        DrawOp op = makeOp(DrawOp::kEllipse);
        op.rect = CRect(rect).offset(state.offset);
        op.style = style;
        recorder->ops.push_back(op);
    }
    if (rect.getWidth() <= 0 || rect.getHeight() <= 0)
        return;
    applyStrokeState();
    auto path = [&] {
        cairo_new_path(cr);
        cairo_save(cr);
        cairo_translate(cr, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        cairo_scale(cr, rect.getWidth() / 2, rect.getHeight() / 2);
        cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
        cairo_restore(cr);
    };
    if (style == kDrawFilled || style == kDrawFilledAndStroked) {
        path();
        applyColor(state.fillColor);
        cairo_fill(cr);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked) {
        path();
        applyColor(state.frameColor);
        cairo_stroke(cr);
    }
}

void CDrawContext::drawArc(const CRect& rect, double startAngle, double endAngle, CDrawStyle style) {
    if (recorder) {
        DrawOp op = makeOp(DrawOp::kArc);
        op.rect = CRect(rect).offset(state.offset);
        op.style = style;
        op.startAngle = startAngle;
        op.endAngle = endAngle;
        recorder->ops.push_back(op);
    }
    if (rect.getWidth() <= 0 || rect.getHeight() <= 0)
        return;
    applyStrokeState();
    auto path = [&](bool pie) {
        cairo_new_path(cr);
        cairo_save(cr);
        cairo_translate(cr, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        cairo_scale(cr, rect.getWidth() / 2, rect.getHeight() / 2);
        if (pie)
            cairo_move_to(cr, 0, 0);
        cairo_arc(cr, 0, 0, 1, toRadians(startAngle), toRadians(endAngle));
        if (pie)
            cairo_close_path(cr);
        cairo_restore(cr);
    };
    if (style == kDrawFilled || style == kDrawFilledAndStroked) {
        path(true);
        applyColor(state.fillColor);
        cairo_fill(cr);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked) {
        path(false);
        applyColor(state.frameColor);
        cairo_stroke(cr);
    }
}

void CDrawContext::drawPolygon(const PointList& points, CDrawStyle style) {
    if (recorder) {
        DrawOp op = makeOp(DrawOp::kPolygon);
        op.style = style;
        CRect bounds;
        bool first = true;
        for (const auto& p : points) {
            op.points.push_back(p + state.offset);
            if (first) {
                bounds = CRect(p.x, p.y, p.x, p.y);
                first = false;
            } else {
                bounds.left = std::fmin(bounds.left, p.x);
                bounds.top = std::fmin(bounds.top, p.y);
                bounds.right = std::fmax(bounds.right, p.x);
                bounds.bottom = std::fmax(bounds.bottom, p.y);
            }
        }
        op.rect = bounds.offset(state.offset);
        recorder->ops.push_back(op);
    }
    if (points.size() < 2)
        return;
    applyStrokeState();
    auto path = [&](double s) {
        cairo_new_path(cr);
        cairo_move_to(cr, points[0].x + s, points[0].y + s);
        for (size_t i = 1; i < points.size(); ++i)
            cairo_line_to(cr, points[i].x + s, points[i].y + s);
    };
    if (style == kDrawFilled || style == kDrawFilledAndStroked) {
        path(0);
        cairo_close_path(cr);
        applyColor(state.fillColor);
        cairo_fill(cr);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked) {
        path(strokeShift());
        applyColor(state.frameColor);
        cairo_stroke(cr);
    }
}

void CDrawContext::fillPolygon(const CPoint* points, long count) {
    PointList list;
    if (points && count > 0)
        list.assign(points, points + count);
    drawPolygon(list, kDrawFilled);
}

// One line of text laid out in the current font; the caller releases it.
PangoLayout* CDrawContext::newTextLayout(const UTF8String& text, bool antialias) {
    setTextOptions(pango, antialias);
    PangoLayout* layout = pango_layout_new(pango);
    PangoFontDescription* desc = makeFontDescription(state.font);
    pango_layout_set_font_description(layout, desc);  // the layout keeps its own copy
    pango_font_description_free(desc);
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    return layout;
}

void CDrawContext::recordText(const UTF8String& text, const CRect& rect, CHoriTxtAlign align, bool antialias) {
    DrawOp op = makeOp(DrawOp::kText);
    op.rect = CRect(rect).offset(state.offset);
    op.text = text;
    op.align = align;
    op.antialias = antialias;
    op.fontName = state.font.getName();
    op.fontSize = state.font.getSize();
    op.fontStyle = state.font.getStyle();
    recorder->ops.push_back(op);
}

// Draws the laid-out text with its baseline at y.
void CDrawContext::showTextLayout(PangoLayout* layout, double x, double baseline) {
    applyColor(state.fontColor);
    cairo_new_path(cr);
    cairo_move_to(cr, x, baseline - pango_layout_get_baseline(layout) / double(PANGO_SCALE));
    pango_cairo_update_layout(cr, layout);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

void CDrawContext::drawString(const UTF8String& text, const CRect& rect, CHoriTxtAlign align, bool antialias) {
    if (recorder)
        recordText(text, rect, align, antialias);
    if (text.empty())
        return;
    PangoLayout* layout = newTextLayout(text, antialias);

    PangoFontMetrics* metrics =
        pango_context_get_metrics(pango, pango_layout_get_font_description(layout), nullptr);
    double ascent = pango_font_metrics_get_ascent(metrics) / double(PANGO_SCALE);
    double descent = pango_font_metrics_get_descent(metrics) / double(PANGO_SCALE);
    pango_font_metrics_unref(metrics);

    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    double width = logical.width / double(PANGO_SCALE);
    double x = rect.left;
    if (align == kCenterText)
        x = rect.left + (rect.getWidth() - width) / 2;
    else if (align == kRightText)
        x = rect.right - width;
    showTextLayout(layout, x, (rect.top + rect.bottom) / 2 + (ascent - descent) / 2);
}

void CDrawContext::drawString(const UTF8String& text, const CPoint& baselineStart, bool antialias) {
    if (text.empty())
        return;
    double width = getStringWidth(text);
    double size = state.font.getSize() > 0 ? state.font.getSize() : 12;
    // A rectangle centred on the baseline's cap line reproduces the baseline.
    if (recorder)
        recordText(text, CRect(baselineStart.x, baselineStart.y - size, baselineStart.x + width, baselineStart.y),
                   kLeftText, antialias);
    showTextLayout(newTextLayout(text, antialias), baselineStart.x, baselineStart.y);
}

double CDrawContext::getStringWidth(const UTF8String& text) {
    if (text.empty())
        return 0;
    PangoLayout* layout = newTextLayout(text, true);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    return logical.width / double(PANGO_SCALE);
}

void CDrawContext::setOffset(const CPoint& offset) {
    state.offset = offset;
    cairo_identity_matrix(cr);
    cairo_translate(cr, offset.x, offset.y);
}

void CDrawContext::setClipRect(const CRect& clip) {
    state.clip.bound(clip);
    applyCairoClip();
}

void CDrawContext::resetClipRect() {
    // Only a saved state can widen the clip again; restore to the last saved one.
    if (!stack.empty()) {
        state.clip = stack.back().clip;
    }
}

void CDrawContext::applyCairoClip() {
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, state.clip.left, state.clip.top, state.clip.getWidth(), state.clip.getHeight());
    cairo_restore(cr);
    cairo_clip(cr);
}

void CDrawContext::saveGlobalState() {
    stack.push_back(state);
    cairo_save(cr);
}

void CDrawContext::restoreGlobalState() {
    if (stack.empty())
        return;
    state = stack.back();
    stack.pop_back();
    cairo_restore(cr);
}

void CDrawContext::recordBitmap(int32 id, const CRect& dest, const CPoint& offset, double alpha) {
    if (!recorder)
        return;
    DrawOp op = makeOp(DrawOp::kBitmap);
    op.rect = CRect(dest).offset(state.offset);
    op.bitmapId = id;
    op.bitmapOffset = offset;
    op.alpha = alpha;
    recorder->ops.push_back(op);
}

}  // namespace kgui
