// The toolkit's showcase: a frame with every drawing primitive, text in each
// alignment and standard font, a background bitmap and two-state and
// alpha-blended bitmaps. The golden-image tests render it off screen; the
// windowed tests show the same frame in a host's window.
#pragma once

#include <filesystem>
#include <string>

#include "toolkit/kgui.h"

namespace kgui::test {

inline constexpr double kShowcaseScale[4] = {1.0, 1.25, 1.5, 2.0};
inline constexpr int kShowcasePercent[4] = {100, 125, 150, 200};
inline constexpr double kShowcaseWidth = 320;
inline constexpr double kShowcaseHeight = 220;

// The showcase's images at the four sizes (ids 30000 and 30001, plus 1000 per
// size), as PNG files in folder.
void writeShowcaseImages(const std::filesystem::path& folder);

struct Showcase {
    explicit Showcase(int sizeIndex) : sizeIndex(sizeIndex), scale(kShowcaseScale[sizeIndex]) {}

    int s(double v) const { return static_cast<int>(v * scale); }
    CRect r(double l, double t, double rr, double b) const { return CRect(s(l), s(t), s(rr), s(b)); }

    // Builds the frame's views; the images come from the resource folder by number.
    void build(CFrame* frame) const;

    int sizeIndex;
    double scale;
};

struct ImageCompare {
    int width = 0, height = 0;
    double fractionDifferent = 1;  // pixels with a channel off by more than 48
    double meanDifference = 255;   // per channel
};

// Two PNG files of one size compared pixel by pixel; a size mismatch or an
// unreadable file gives the worst result.
ImageCompare compareImages(const std::string& a, const std::string& b);

}  // namespace kgui::test
