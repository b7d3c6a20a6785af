// Basic types every part of the toolkit shares: reference counting, points,
// rectangles, colours, mouse button states and the toolkit clock.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

namespace kgui {

using int32 = std::int32_t;
using uint32 = std::uint32_t;
using UTF8String = std::string;
using UTF8StringPtr = const char*;

// Objects shared between the editor, containers and menus. A new object holds
// one reference (its creator's); the last forget() deletes it.
class CBaseObject {
public:
    CBaseObject() = default;
    CBaseObject(const CBaseObject&) : CBaseObject() {}
    CBaseObject& operator=(const CBaseObject&) { return *this; }
    virtual ~CBaseObject() = default;

    void remember() { ++nbReference; }
    void forget() {
        if (--nbReference == 0)
            delete this;
    }
    int32 getNbReference() const { return nbReference; }

private:
    int32 nbReference = 1;
};

// Keeps an object alive for the length of a scope (event dispatch).
class CBaseObjectGuard {
public:
    explicit CBaseObjectGuard(CBaseObject* object) : object(object) {
        if (object)
            object->remember();
    }
    ~CBaseObjectGuard() {
        if (object)
            object->forget();
    }
    CBaseObjectGuard(const CBaseObjectGuard&) = delete;
    CBaseObjectGuard& operator=(const CBaseObjectGuard&) = delete;

private:
    CBaseObject* object;
};

struct CPoint {
    double x = 0;
    double y = 0;

    CPoint() = default;
    CPoint(double x, double y) : x(x), y(y) {}

    CPoint& offset(double dx, double dy) {
        x += dx;
        y += dy;
        return *this;
    }
    CPoint& offset(const CPoint& p) { return offset(p.x, p.y); }
    CPoint operator+(const CPoint& p) const { return {x + p.x, y + p.y}; }
    CPoint operator-(const CPoint& p) const { return {x - p.x, y - p.y}; }
    bool operator==(const CPoint& p) const { return x == p.x && y == p.y; }
    bool operator!=(const CPoint& p) const { return !(*this == p); }
};

struct CRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    CRect() = default;
    CRect(double left, double top, double right, double bottom)
        : left(left), top(top), right(right), bottom(bottom) {}
    CRect(const CPoint& origin, const CPoint& size)
        : left(origin.x), top(origin.y), right(origin.x + size.x), bottom(origin.y + size.y) {}

    double getWidth() const { return right - left; }
    double getHeight() const { return bottom - top; }
    double width() const { return getWidth(); }
    double height() const { return getHeight(); }
    CPoint getTopLeft() const { return {left, top}; }
    CPoint getBottomRight() const { return {right, bottom}; }
    CPoint getSize() const { return {getWidth(), getHeight()}; }
    CPoint getCenter() const { return {(left + right) / 2, (top + bottom) / 2}; }
    bool isEmpty() const { return right <= left || bottom <= top; }

    CRect& setWidth(double w) {
        right = left + w;
        return *this;
    }
    CRect& setHeight(double h) {
        bottom = top + h;
        return *this;
    }
    CRect& setSize(const CPoint& size) {
        right = left + size.x;
        bottom = top + size.y;
        return *this;
    }
    CRect& offset(double dx, double dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& offset(const CPoint& p) { return offset(p.x, p.y); }
    // Moves the rectangle so that its top-left corner is at (x, y).
    CRect& moveTo(double x, double y) { return offset(x - left, y - top); }
    CRect& moveTo(const CPoint& p) { return moveTo(p.x, p.y); }
    CRect& inset(double dx, double dy) {
        left += dx;
        right -= dx;
        top += dy;
        bottom -= dy;
        return *this;
    }
    CRect& extend(double dx, double dy) { return inset(-dx, -dy); }

    // All four edges included: what a control means by "the pointer is on me".
    bool pointInside(const CPoint& p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
    // The right and bottom edges belong to the neighbouring rectangle, as
    // pixels do: hit testing, so that views side by side never both claim a point.
    bool containsPixel(const CPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool rectOverlap(const CRect& r) const {
        return r.left < right && r.right > left && r.top < bottom && r.bottom > top;
    }
    CRect& bound(const CRect& r) {
        left = std::fmax(left, r.left);
        top = std::fmax(top, r.top);
        right = std::fmin(right, r.right);
        bottom = std::fmin(bottom, r.bottom);
        if (right < left)
            right = left;
        if (bottom < top)
            bottom = top;
        return *this;
    }
    CRect& unite(const CRect& r) {
        if (r.isEmpty())
            return *this;
        if (isEmpty()) {
            *this = r;
            return *this;
        }
        left = std::fmin(left, r.left);
        top = std::fmin(top, r.top);
        right = std::fmax(right, r.right);
        bottom = std::fmax(bottom, r.bottom);
        return *this;
    }
    bool operator==(const CRect& r) const {
        return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
    }
    bool operator!=(const CRect& r) const { return !(*this == r); }
};

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;

    constexpr CColor() = default;
    constexpr CColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) : red(r), green(g), blue(b), alpha(a) {}
    constexpr bool operator==(const CColor& c) const {
        return red == c.red && green == c.green && blue == c.blue && alpha == c.alpha;
    }
    constexpr bool operator!=(const CColor& c) const { return !(*this == c); }
};

inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};
inline constexpr CColor kTransparentCColor{0, 0, 0, 0};
inline constexpr CColor kRedCColor{255, 0, 0, 255};
inline constexpr CColor kGreenCColor{0, 255, 0, 255};
inline constexpr CColor kBlueCColor{0, 0, 255, 255};
inline constexpr CColor kGreyCColor{127, 127, 127, 255};

// Mouse buttons and modifier keys of one event. On Linux kControl is the Ctrl
// key, kApple the Super key and kAlt the Alt key.
enum CButton : int32 {
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kApple = 1 << 7,
    kDoubleClick = 1 << 8,
};

class CButtonState {
public:
    CButtonState(int32 state = 0) : state(state) {}
    int32 getButtonState() const { return state; }
    int32 getModifierState() const { return state & (kShift | kControl | kAlt | kApple); }
    bool isLeftButton() const { return state & kLButton; }
    bool isRightButton() const { return state & kRButton; }
    bool isDoubleClick() const { return state & kDoubleClick; }
    operator int32() const { return state; }
    int32 operator&(int32 mask) const { return state & mask; }
    int32 operator|(int32 mask) const { return state | mask; }
    CButtonState& operator|=(int32 mask) {
        state |= mask;
        return *this;
    }
    bool operator==(int32 s) const { return state == s; }
    bool operator!=(int32 s) const { return state != s; }

private:
    int32 state;
};

// The axis of a wheel turn: vertical wheels and the sideways tilt of a wheel
// or a touchpad's horizontal scroll.
enum CMouseWheelAxis : int32 { kMouseWheelAxisX = 0, kMouseWheelAxisY };

enum CMouseEventResult : int32 {
    kMouseEventNotImplemented = 0,
    kMouseEventHandled = 1,
    kMouseEventNotHandled = 2,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents = 3,
};

enum CHoriTxtAlign : int32 { kLeftText = 0, kCenterText = 1, kRightText = 2 };

enum CDrawMode : int32 { kAliasing = 0, kAntiAliasing = 1 };

enum CDrawStyle : int32 { kDrawStroked = 0, kDrawFilled = 1, kDrawFilledAndStroked = 2 };

enum CCursorType : int32 {
    kCursorDefault = 0,
    kCursorWait,
    kCursorHSize,
    kCursorVSize,
    kCursorSizeAll,
    kCursorNESWSize,
    kCursorNWSESize,
    kCursorCopy,
    kCursorNotAllowed,
    kCursorHand,
};

// Milliseconds on a monotonic clock. Tests replace the clock so that time-based
// behaviour (idle gates, double clicks, tooltips) runs without waiting.
uint32 getPlatformTicks();
void setTicksSourceForTesting(std::function<uint32()> source);

}  // namespace kgui
