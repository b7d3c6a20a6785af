// The small images: the ribbon's marks and handles, the sample browser's
// icons, the two preview buttons (up above pressed) and the placeholders for
// ids that are loaded but never drawn.
#include <cmath>

#include "controls/PanelLook.h"
#include "editor/EditorBitmaps.h"
#include "tools/artwork/Painters.h"

namespace artwork {

using namespace look;

namespace {
constexpr int RIBBON_HANDLE_WIDTH = 12;
constexpr int CENTRE_MARK_WIDTH = 9, CENTRE_MARK_HEIGHT = 5;
constexpr int FOLDER_ICON_WIDTH = 16;
constexpr int FILE_ICON_SIDE = 11;  // a row less its two preview offsets
constexpr int PREVIEW_BUTTON_WIDTH = 15, PREVIEW_STOP_BUTTON_WIDTH = 20, PREVIEW_BUTTON_HEIGHT = 16;
constexpr int PLACEHOLDER_SIDE = 8;

int ribbonHeight(int screenSize) {
    return RIBBON_RECTS[static_cast<unsigned>(screenSize)].height;
}

void paintHandle(TArtCanvas& c, bool modulation) {
    const CRect r(0, 0, c.getWidth(), c.getHeight());
    const double radius = c.unit(3);
    if (modulation) {
        c.fillRoundedRect(r, radius, {55, 208, 255, 160});
        c.fillRoundedRect(CRect(r).inset(c.lineWidth(), c.lineWidth()), radius, MOD_HANDLE_COLOR);
        return;
    }
    c.fillRoundedRect(r, radius, TEXT_COLOR);
    const double w = c.lineWidth(), cx = std::floor(c.getWidth() / 2.0);
    for (double x : {cx - c.scaled(2), cx + c.scaled(2) - w})
        c.fillRect(CRect(x, c.scaled(5), x + w, c.getHeight() - c.scaled(5)), MENU_INNER_COLOR);
}

void paintFolderIcon(TArtCanvas& c) {
    const double w = c.unit(12), h = c.unit(9);
    const double top = std::floor((c.getHeight() - h) / 2), left = c.unit(1);
    const double tab = c.unit(2);
    c.fillRoundedRect(CRect(left, top - tab, left + w * 0.45, top + tab), c.unit(1), SELECTED_LFO_COLOR);
    c.fillRoundedRect(CRect(left, top, left + w, top + h), c.unit(1.5), SELECTED_LFO_COLOR);
}

void paintFileIcon(TArtCanvas& c) {
    const CRect r(0, 0, c.getWidth(), c.getHeight());
    c.fillRoundedRect(r, c.unit(2), MENU_ARROW_COLOR);
    const double cx = c.getWidth() / 2.0, cy = c.getHeight() / 2.0, a = c.getWidth() * 0.22;
    c.fillPolygon({{cx - a * 0.8, cy - a * 1.1}, {cx + a * 1.2, cy}, {cx - a * 0.8, cy + a * 1.1}}, TEXT_COLOR);
}

// Up above pressed; pressed is lit.
void paintPreviewButton(TArtCanvas& c, bool stop) {
    const double half = c.getHeight() / 2.0;
    for (int pressed = 0; pressed < 2; ++pressed) {
        const CRect r(0, pressed * half, c.getWidth(), (pressed + 1) * half);
        const CColor mark = pressed ? MENU_INNER_COLOR : TEXT_COLOR;
        c.box(r, c.unit(BOX_CORNER_RADIUS), pressed ? TEXT_COLOR : MENU_INNER_COLOR,
              pressed ? TEXT_COLOR : DISPLAY_BORDER_COLOR);
        const double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2, a = c.unit(3.5);
        if (stop)
            c.fillRect(CRect(std::round(cx - a), std::round(cy - a), std::round(cx + a), std::round(cy + a)), mark);
        else
            c.fillPolygon({{cx - a * 0.8, cy - a * 1.15}, {cx + a * 1.2, cy}, {cx - a * 0.8, cy + a * 1.15}}, mark);
    }
}
}  // namespace

TImageSize getIconSize(int id, int s) {
    switch (id) {
    case RIBBON_CENTRE_BITMAP:
        return {getScaled(CENTRE_MARK_WIDTH, s), getScaled(CENTRE_MARK_HEIGHT, s)};
    case RIBBON_HANDLE_BITMAP:
    case RIBBON_MOD_BITMAP:
        return {getScaled(RIBBON_HANDLE_WIDTH, s), ribbonHeight(s)};
    case FOLDER_ICON_BITMAP:
        return {getScaled(FOLDER_ICON_WIDTH, s), SAMPLE_ROW_HEIGHT[static_cast<unsigned>(s)]};
    case FILE_ICON_BITMAP:
        return {getScaled(FILE_ICON_SIDE, s), getScaled(FILE_ICON_SIDE, s)};
    case PREVIEW_BITMAP:
        return {getScaled(PREVIEW_BUTTON_WIDTH, s), 2 * getScaled(PREVIEW_BUTTON_HEIGHT, s)};
    case PREVIEW_STOP_BITMAP:
        return {getScaled(PREVIEW_STOP_BUTTON_WIDTH, s), 2 * getScaled(PREVIEW_BUTTON_HEIGHT, s)};
    default:
        return {getScaled(PLACEHOLDER_SIDE, s), getScaled(PLACEHOLDER_SIDE, s)};
    }
}

void paintIcon(TArtCanvas& c, int id) {
    switch (id) {
    case RIBBON_CENTRE_BITMAP:
        c.fillPolygon({{0, 0}, {double(c.getWidth()), 0}, {c.getWidth() / 2.0, double(c.getHeight())}},
                      SELECTED_LFO_COLOR);
        break;
    case RIBBON_HANDLE_BITMAP:
        paintHandle(c, false);
        break;
    case RIBBON_MOD_BITMAP:
        paintHandle(c, true);
        break;
    case FOLDER_ICON_BITMAP:
        paintFolderIcon(c);
        break;
    case FILE_ICON_BITMAP:
        paintFileIcon(c);
        break;
    case PREVIEW_BITMAP:
        paintPreviewButton(c, false);
        break;
    case PREVIEW_STOP_BITMAP:
        paintPreviewButton(c, true);
        break;
    default:
        // Loaded by the editor, drawn by nothing: a plain panel swatch.
        c.box(CRect(0, 0, c.getWidth(), c.getHeight()), 0, PANEL_FILL_COLOR, PANEL_BORDER_COLOR);
        break;
    }
}

}  // namespace artwork
