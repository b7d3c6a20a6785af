// The eight fonts shared by the controls and the editor, as plain data: a face
// name, a size in points and a style (0 = regular). The toolkit turns each into
// a font object when it draws; nothing here depends on the toolkit.
//
// Every source unit that includes this header gets its own copy of the eight
// descriptions (internal linkage), built when the module is loaded.
#pragma once

#include <array>
#include <string_view>

struct TFontDescription {
    std::string_view name;
    float size;  // points
    int style;
};

static constexpr TFontDescription gVerdanaSmall{"Verdana", 10, 0};
static constexpr TFontDescription gVerdanaLarge{"Verdana", 14, 0};
static constexpr TFontDescription gNormalFontVerySmaller{"Verdana", 9, 0};
static constexpr TFontDescription gNormalFontVerySmallerBig{"Verdanaial", 12, 0};
static constexpr TFontDescription gNormalFontManagerSmall{"Verdana", 10, 0};
static constexpr TFontDescription gNormalFontManagerBig{"Verdanaial", 13, 0};
static constexpr TFontDescription gNormalFontManagerVeryBigger{"Verdanaial", 18, 0};
static constexpr TFontDescription gNormalFontManagerVeryBiggest{"Verdanaial", 22, 0};

// The same eight in their declared order, for code that walks them all.
static constexpr std::array<TFontDescription, 8> SHARED_FONT_DESCRIPTIONS{
    gVerdanaSmall,           gVerdanaLarge,         gNormalFontVerySmaller,       gNormalFontVerySmallerBig,
    gNormalFontManagerSmall, gNormalFontManagerBig, gNormalFontManagerVeryBigger, gNormalFontManagerVeryBiggest,
};
