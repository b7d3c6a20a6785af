// The panels behind the two containers. A panel lies inside a band of the main
// page and carries the band's fill, so it joins the band without a seam.
#include <cmath>

#include "controls/PanelLook.h"
#include "tools/artwork/Painters.h"

namespace artwork {

using namespace look;

namespace {
// Panel sizes at 100 % are the containers' (editor/MainScreenLayout.h): each
// ends inside its section, before the next section's divider and above the next band.
constexpr int SOURCE_PANEL_WIDTH = SOURCE_VIEW_CONTAINER_WIDTH, SOURCE_PANEL_HEIGHT = SOURCE_VIEW_CONTAINER_HEIGHT;
constexpr int MOD_FX_PANEL_WIDTH = MOD_FX_VIEW_CONTAINER_WIDTH, MOD_FX_PANEL_HEIGHT = MOD_FX_VIEW_CONTAINER_HEIGHT;
// The "SUB" knob belongs to every source form; a line sets it apart.
constexpr int SUB_DIVIDER_X = 471;
}  // namespace

TImageSize getSourcePanelSize(int screenSize) {
    return {getScaled(SOURCE_PANEL_WIDTH, screenSize), getScaled(SOURCE_PANEL_HEIGHT, screenSize)};
}

TImageSize getModFXPanelSize(int screenSize) {
    return {getScaled(MOD_FX_PANEL_WIDTH, screenSize), getScaled(MOD_FX_PANEL_HEIGHT, screenSize)};
}

void paintSourcePanel(TArtCanvas& c, TSourceForm form) {
    c.fillRect(CRect(0, 0, c.getWidth(), c.getHeight()), PANEL_FILL_COLOR);
    const double inset = c.scaled(8);
    const double x = c.scaled(SUB_DIVIDER_X);
    c.fillRect(CRect(x, inset, x + c.lineWidth(), c.getHeight() - inset), PANEL_DIVIDER_COLOR);
    switch (form) {
    case TSourceForm::noise:
        // No socket for "TRK": the first noise source hides it on this same panel.
        c.boxAround(c.boxOf("waveScreen"), DISPLAY_FILL_COLOR, DISPLAY_BORDER_COLOR);
        break;
    case TSourceForm::wave:
        c.socket(c.boxOf("onOffKeyTrackOnOff2"));
        break;
    case TSourceForm::sample: {
        c.socket(c.boxOf("onOffKeyTrackOnOff3"));
        // The grain switch heads a bracket over the three grain knobs.
        const CRect grain = c.boxOf("onOffGrainOnOff");
        c.socket(grain);
        const CRect last = c.boxOf("knobGrainRandom");
        const double y = std::floor((grain.top + grain.bottom) / 2);
        const double w = c.lineWidth();
        const double left = grain.right + c.scaled(SOCKET_MARGIN) + c.scaled(3);
        c.fillRect(CRect(left, y, last.right, y + w), PANEL_DIVIDER_COLOR);
        c.fillRect(CRect(last.right - w, y, last.right, last.top - c.scaled(2)), PANEL_DIVIDER_COLOR);
        break;
    }
    }
}

// One panel serves every Mod FX mode; the Gator's gate displays draw their own
// cells, so nothing marks their place behind the other modes' knobs.
void paintModFXPanel(TArtCanvas& c) {
    c.fillRect(CRect(0, 0, c.getWidth(), c.getHeight()), PANEL_FILL_COLOR);
}

}  // namespace artwork
