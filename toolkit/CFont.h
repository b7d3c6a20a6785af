// Font descriptions and the toolkit's standard fonts.
#pragma once

#include <string>

#include "toolkit/CBase.h"

namespace kgui {

enum CTxtFace : int32 {
    kNormalFace = 0,
    kBoldFace = 1 << 1,
    kItalicFace = 1 << 2,
    kUnderlineFace = 1 << 3,
};

// A font by family name, pixel size and style bits. "Arial" and the other
// common sans families are drawn with Liberation Sans, which has the same metrics.
class CFontDesc : public CBaseObject {
public:
    CFontDesc(const UTF8String& name = "", double size = 0, int32 style = 0)
        : name(name), size(size), style(style) {}

    const UTF8String& getName() const { return name; }
    double getSize() const { return size; }
    int32 getStyle() const { return style; }
    void setName(const UTF8String& newName) { name = newName; }
    void setSize(double newSize) { size = newSize; }
    void setStyle(int32 newStyle) { style = newStyle; }

    bool operator==(const CFontDesc& f) const { return name == f.name && size == f.size && style == f.style; }

private:
    UTF8String name;
    double size;
    int32 style;
};

using CFontRef = CFontDesc*;

// The standard fonts (sizes in pixels). They live for the whole program; the
// pointers are constant-initialised, so other units may copy them in their own
// static initialisers.
extern CFontDesc* const kSystemFont;
extern CFontDesc* const kNormalFontVeryBig;
extern CFontDesc* const kNormalFontBig;
extern CFontDesc* const kNormalFont;
extern CFontDesc* const kNormalFontSmall;
extern CFontDesc* const kNormalFontSmaller;
extern CFontDesc* const kNormalFontVerySmall;
extern CFontDesc* const kSymbolFont;

// The fontconfig family used to draw a requested family name.
std::string resolveFontFamily(const std::string& name);

}  // namespace kgui
