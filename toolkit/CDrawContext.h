// Drawing for views: a thin state machine (colours, line width, font, draw
// mode, offset) over a cairo context, with text set by Pango.
#pragma once

#include <string>
#include <vector>

#include "toolkit/CBase.h"
#include "toolkit/CFont.h"

typedef struct _cairo cairo_t;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;

namespace kgui {

// One drawing call as a test sees it: positions in frame coordinates.
struct DrawOp {
    enum Kind { kLine, kRect, kEllipse, kArc, kPolygon, kText, kBitmap };
    Kind kind = kLine;
    CRect rect;                   // bounds of the shape, the text rectangle or the bitmap destination
    std::vector<CPoint> points;   // line ends and polygon corners
    CDrawStyle style = kDrawStroked;
    CColor frameColor;
    CColor fillColor;
    CColor fontColor;
    double lineWidth = 1;
    CDrawMode drawMode = kAliasing;
    double startAngle = 0;        // arcs, degrees
    double endAngle = 0;
    std::string text;             // texts
    CHoriTxtAlign align = kLeftText;
    bool antialias = true;
    std::string fontName;
    double fontSize = 0;
    int32 fontStyle = 0;
    int32 bitmapId = -1;          // bitmaps: resource id, or -1
    CPoint bitmapOffset;
    double alpha = 1;             // bitmaps: 0..1
};

// Collects what was drawn, for tests that read a control's texts and colours.
struct DrawRecorder {
    std::vector<DrawOp> ops;
    void clear() { ops.clear(); }
    std::vector<DrawOp> texts() const;
    // The first text op whose text equals the argument, or null.
    const DrawOp* findText(const std::string& text) const;
};

class CDrawContext {
public:
    using PointList = std::vector<CPoint>;

    // Draws into cr, whose origin is the frame's top-left corner. The context
    // does not own cr.
    CDrawContext(cairo_t* cr, const CRect& surfaceRect);
    ~CDrawContext();
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    void setDrawMode(CDrawMode mode) { state.drawMode = mode; }
    CDrawMode getDrawMode() const { return state.drawMode; }
    void setLineWidth(double width) { state.lineWidth = width; }
    double getLineWidth() const { return state.lineWidth; }
    void setFrameColor(const CColor& color) { state.frameColor = color; }
    const CColor& getFrameColor() const { return state.frameColor; }
    void setFillColor(const CColor& color) { state.fillColor = color; }
    const CColor& getFillColor() const { return state.fillColor; }
    void setFontColor(const CColor& color) { state.fontColor = color; }
    const CColor& getFontColor() const { return state.fontColor; }
    // size 0 keeps the font's own size, style -1 its own style.
    void setFont(const CFontDesc* font, double size = 0, int32 style = -1);
    CFontRef getFont() { return &state.font; }
    double getFontSize() const { return state.font.getSize(); }
    // Multiplies every colour's alpha (0..1).
    void setGlobalAlpha(float alpha) { state.globalAlpha = alpha; }
    float getGlobalAlpha() const { return state.globalAlpha; }

    void drawLine(const CPoint& start, const CPoint& end);
    void moveTo(const CPoint& point) { penPosition = point; }
    void lineTo(const CPoint& point) {
        drawLine(penPosition, point);
        penPosition = point;
    }
    void drawLines(const PointList& points);  // consecutive pairs
    void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
    void fillRect(const CRect& rect) { drawRect(rect, kDrawFilled); }
    void drawEllipse(const CRect& rect, CDrawStyle style = kDrawStroked);
    void fillEllipse(const CRect& rect) { drawEllipse(rect, kDrawFilled); }
    // Angles in degrees: 0 is three o'clock, positive turns clockwise on screen;
    // the arc runs clockwise from start to end.
    void drawArc(const CRect& rect, double startAngle, double endAngle, CDrawStyle style = kDrawStroked);
    void drawPolygon(const PointList& points, CDrawStyle style = kDrawStroked);
    void fillPolygon(const CPoint* points, long count);
    // Aligned horizontally in rect and centred on it vertically; not clipped.
    void drawString(const UTF8String& text, const CRect& rect, CHoriTxtAlign align = kCenterText,
                    bool antialias = true);
    void drawString(const UTF8String& text, const CPoint& baselineStart, bool antialias = true);
    double getStringWidth(const UTF8String& text);

    // Translation applied to everything drawn: the position of the current
    // view's parent in frame coordinates.
    void setOffset(const CPoint& offset);
    const CPoint& getOffset() const { return state.offset; }
    // Clip in frame coordinates, intersected with the current clip.
    void setClipRect(const CRect& clip);
    const CRect& getClipRect() const { return state.clip; }
    void resetClipRect();

    void saveGlobalState();
    void restoreGlobalState();

    void setRecorder(DrawRecorder* newRecorder) { recorder = newRecorder; }
    DrawRecorder* getRecorder() const { return recorder; }
    cairo_t* getCairo() const { return cr; }
    const CRect& getSurfaceRect() const { return surfaceRect; }

    // For CBitmap: records a bitmap draw.
    void recordBitmap(int32 id, const CRect& dest, const CPoint& offset, double alpha);

private:
    struct State {
        CDrawMode drawMode = kAliasing;
        double lineWidth = 1;
        CColor frameColor = kBlackCColor;
        CColor fillColor = kWhiteCColor;
        CColor fontColor = kBlackCColor;
        CFontDesc font{"Arial", 12, 0};
        float globalAlpha = 1;
        CPoint offset;
        CRect clip;
    };

    void applyColor(const CColor& color);
    void applyStrokeState();
    void applyCairoClip();
    // Half-pixel shift that puts odd-width strokes on pixel centres.
    double strokeShift() const;
    DrawOp makeOp(DrawOp::Kind kind) const;
    PangoLayout* newTextLayout(const UTF8String& text, bool antialias);
    void recordText(const UTF8String& text, const CRect& rect, CHoriTxtAlign align, bool antialias);
    void showTextLayout(PangoLayout* layout, double x, double baseline);

    cairo_t* cr;
    CRect surfaceRect;
    State state;
    std::vector<State> stack;
    CPoint penPosition;
    PangoContext* pango = nullptr;
    DrawRecorder* recorder = nullptr;
};

}  // namespace kgui
