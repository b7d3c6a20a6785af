// One image being painted at one screen size: a cairo image surface with the
// toolkit's draw context on it (so text is set exactly as the controls set
// it), and the few shapes the artwork is made of. Positions are pixels of the
// size being painted; scaled() turns 100 % values into them as the editor does.
#pragma once

#include <string>

#include "editor/MainScreenLayout.h"
#include "toolkit/CDrawContext.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace artwork {

using kgui::CColor;
using kgui::CRect;

class TArtCanvas {
public:
    TArtCanvas(int width, int height, int screenSize);
    ~TArtCanvas();
    TArtCanvas(const TArtCanvas&) = delete;
    TArtCanvas& operator=(const TArtCanvas&) = delete;

    int getScreenSize() const { return screenSize; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // A 100 % position or size, as the editor scales it.
    int scaled(int value) const { return getScaled(value, screenSize); }
    int scaled(const TScaledValue& value) const { return getScaled(value, screenSize); }
    // A 100 % length for decoration that sits on no control (stroke, radius, text).
    double unit(double value) const { return value * SCALE[static_cast<unsigned>(screenSize)]; }
    // The rectangle of a layout row, plus an offset (a container's position).
    CRect boxOf(const TLayoutRow& row, double dx = 0, double dy = 0) const;
    CRect boxOf(const char* member, double dx = 0, double dy = 0) const;
    // Edges of a 100 % rectangle scaled one by one, so neighbours keep their gaps.
    CRect scaledRect(int left, int top, int right, int bottom) const;
    int lineWidth() const;

    void fillRect(const CRect& rect, const CColor& color);
    void fillRoundedRect(const CRect& rect, double radius, const CColor& color);
    // A box with a border of lineWidth() drawn inside rect.
    void box(const CRect& rect, double radius, const CColor& fill, const CColor& border);
    // A square box whose border lies just outside rect, so rect itself keeps the fill.
    void boxAround(const CRect& rect, const CColor& fill, const CColor& border);
    void fillCircle(double cx, double cy, double radius, const CColor& color);
    void fillPolygon(std::initializer_list<kgui::CPoint> points, const CColor& color);
    // Text in Liberation Sans at a 100 % size, aligned in rect, centred vertically.
    void text(const std::string& text, const CRect& rect, const CColor& color, double size, bool bold,
              kgui::CHoriTxtAlign align = kgui::kLeftText);
    // Text with extra space between the letters (the wordmarks).
    void spacedText(const std::string& text, double left, const CRect& rect, const CColor& color, double size,
                    bool bold, double spacing);
    double textWidth(const std::string& text, double size, bool bold);
    // An LED socket under a 13 x 13 switch at rect.
    void socket(const CRect& ledRect);

    cairo_t* getCairo() const { return cr; }
    cairo_surface_t* getSurface() const { return surface; }
    // Hands the surface to the caller, who destroys it.
    cairo_surface_t* takeSurface();

private:
    void setColor(const CColor& color);
    void roundedPath(const CRect& rect, double radius);

    int width;
    int height;
    int screenSize;
    cairo_surface_t* surface;
    cairo_t* cr;
    kgui::CDrawContext* context;
};

}  // namespace artwork
