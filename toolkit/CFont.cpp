#include "toolkit/CFont.h"

#include <algorithm>
#include <cctype>

namespace kgui {

namespace {
// Held by the program itself: the extra reference keeps a stray forget() from
// deleting a static object.
struct StandardFont : CFontDesc {
    StandardFont(const char* name, double size) : CFontDesc(name, size, 0) { remember(); }
};

StandardFont systemFont("Arial", 12);
StandardFont normalFontVeryBig("Arial", 18);
StandardFont normalFontBig("Arial", 14);
StandardFont normalFont("Arial", 12);
StandardFont normalFontSmall("Arial", 11);
StandardFont normalFontSmaller("Arial", 10);
StandardFont normalFontVerySmall("Arial", 9);
StandardFont symbolFont("Symbol", 12);
}  // namespace

CFontDesc* const kSystemFont = &systemFont;
CFontDesc* const kNormalFontVeryBig = &normalFontVeryBig;
CFontDesc* const kNormalFontBig = &normalFontBig;
CFontDesc* const kNormalFont = &normalFont;
CFontDesc* const kNormalFontSmall = &normalFontSmall;
CFontDesc* const kNormalFontSmaller = &normalFontSmaller;
CFontDesc* const kNormalFontVerySmall = &normalFontVerySmall;
CFontDesc* const kSymbolFont = &symbolFont;

std::string resolveFontFamily(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    // Pinning the metric-compatible family keeps text layout the same on every
    // machine that has fonts-liberation2, whatever fontconfig would pick.
    if (lower.empty() || lower == "arial" || lower == "helvetica" || lower == "verdana" || lower == "sans" ||
        lower == "sans-serif" || lower == "lucida grande")
        return "Liberation Sans";
    if (lower == "times" || lower == "times new roman" || lower == "serif")
        return "Liberation Serif";
    if (lower == "courier" || lower == "courier new" || lower == "monospace")
        return "Liberation Mono";
    return name;
}

}  // namespace kgui
