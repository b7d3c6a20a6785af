#include "tools/artwork/ArtCanvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "controls/PanelLook.h"

namespace artwork {

TArtCanvas::TArtCanvas(int width, int height, int screenSize)
    : width(width),
      height(height),
      screenSize(std::clamp(screenSize, 0, SCREEN_SIZE_COUNT - 1)),
      surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr(cairo_create(surface)),
      context(new kgui::CDrawContext(cr, CRect(0, 0, width, height))) {}

TArtCanvas::~TArtCanvas() {
    delete context;
    cairo_destroy(cr);
    if (surface)
        cairo_surface_destroy(surface);
}

cairo_surface_t* TArtCanvas::takeSurface() {
    cairo_surface_flush(surface);
    cairo_surface_t* taken = surface;
    surface = nullptr;
    return taken;
}

CRect TArtCanvas::boxOf(const TLayoutRow& row, double dx, double dy) const {
    TPixelBox b = getScaledBox(row, screenSize);
    return CRect(b.x + dx, b.y + dy, b.x + dx + b.width, b.y + dy + b.height);
}

CRect TArtCanvas::boxOf(const char* member, double dx, double dy) const {
    const TLayoutRow* row = findLayoutRow(member);
    return row ? boxOf(*row, dx, dy) : CRect();
}

CRect TArtCanvas::scaledRect(int left, int top, int right, int bottom) const {
    return CRect(scaled(left), scaled(top), scaled(right), scaled(bottom));
}

int TArtCanvas::lineWidth() const {
    return scaled(look::LINE_WIDTH);
}

void TArtCanvas::setColor(const CColor& c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void TArtCanvas::roundedPath(const CRect& r, double radius) {
    radius = std::min({radius, r.getWidth() / 2, r.getHeight() / 2});
    cairo_new_path(cr);
    if (radius <= 0) {
        cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
        return;
    }
    cairo_arc(cr, r.right - radius, r.top + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, r.right - radius, r.bottom - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, r.left + radius, r.bottom - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, r.left + radius, r.top + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void TArtCanvas::fillRect(const CRect& r, const CColor& color) {
    fillRoundedRect(r, 0, color);
}

void TArtCanvas::fillRoundedRect(const CRect& r, double radius, const CColor& color) {
    if (r.isEmpty())
        return;
    setColor(color);
    roundedPath(r, radius);
    cairo_fill(cr);
}

void TArtCanvas::box(const CRect& r, double radius, const CColor& fill, const CColor& border) {
    const double w = lineWidth();
    fillRoundedRect(r, radius, border);
    fillRoundedRect(CRect(r).inset(w, w), std::max(0.0, radius - w), fill);
}

void TArtCanvas::boxAround(const CRect& r, const CColor& fill, const CColor& border) {
    // Square: the control on top fills or frames exactly this rectangle.
    const double w = lineWidth();
    box(CRect(r).inset(-w, -w), 0, fill, border);
}

void TArtCanvas::fillCircle(double cx, double cy, double radius, const CColor& color) {
    setColor(color);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    cairo_fill(cr);
}

void TArtCanvas::fillPolygon(std::initializer_list<kgui::CPoint> points, const CColor& color) {
    setColor(color);
    cairo_new_path(cr);
    for (const kgui::CPoint& p : points)
        cairo_line_to(cr, p.x, p.y);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void TArtCanvas::text(const std::string& string, const CRect& rect, const CColor& color, double size, bool bold,
                      kgui::CHoriTxtAlign align) {
    kgui::CFontDesc font("Arial", unit(size), bold ? kgui::kBoldFace : kgui::kNormalFace);
    context->setFont(&font);
    context->setFontColor(color);
    context->drawString(string, rect, align, true);
}

double TArtCanvas::textWidth(const std::string& string, double size, bool bold) {
    kgui::CFontDesc font("Arial", unit(size), bold ? kgui::kBoldFace : kgui::kNormalFace);
    context->setFont(&font);
    return context->getStringWidth(string);
}

void TArtCanvas::spacedText(const std::string& string, double left, const CRect& rect, const CColor& color,
                            double size, bool bold, double spacing) {
    double x = left;
    for (char letter : string) {
        std::string one(1, letter);
        double w = textWidth(one, size, bold);
        text(one, CRect(x, rect.top, x + w, rect.bottom), color, size, bold, kgui::kLeftText);
        x += w + unit(spacing);
    }
}

void TArtCanvas::socket(const CRect& led) {
    // Only the picture paints sockets: an LED draws its ring and dot inside
    // its own rectangle. So a page or panel paints one only under an LED it
    // always shows; under one that some state hides it would stay as an
    // empty well.
    const look::TSocketCircle s = look::socketCircle(led, screenSize, width, height);
    fillCircle(s.cx, s.cy, s.rimRadius, look::SOCKET_RIM_COLOR);
    fillCircle(s.cx, s.cy, s.wellRadius, look::SOCKET_FILL_COLOR);
}

}  // namespace artwork
