// One sheet to look at everything: on the left every image at 100 %, on the
// right the three pages at 150 %, the main and sample pages with their panels
// in place. With outlines, the rectangle of every control that stands on a
// page is drawn over it.
#include <cairo.h>

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "editor/BackScreenLayout.h"
#include "editor/EditorBitmaps.h"
#include "tools/artwork/Artwork.h"
#include "tools/artwork/Painters.h"

namespace artwork {

namespace {

constexpr int MARGIN = 24;
constexpr int LABEL_HEIGHT = 22;
constexpr int SHEET_WIDTH = MARGIN * 3 + 1132 + 1698;
const CColor SHEET_COLOR{44, 46, 48, 255};
const CColor LABEL_COLOR{220, 224, 226, 255};
const CColor OUTLINE_COLOR{255, 0, 200, 200};
// The source panel shown on the sheet is the wave form; these are its controls.
constexpr std::array<const char*, 8> WAVE_FORM_CONTROLS{
    "knobWaveMix", "knobWaveSampleNoiseMix", "knobSourceSemi2", "knobSourceFine", "knobWaveSymmetry",
    "knobWaveFeedback", "onOffKeyTrackOnOff2", "knobSubVolume"};

void place(cairo_t* cr, cairo_surface_t* image, double x, double y) {
    cairo_set_source_surface(cr, image, x, y);
    cairo_paint(cr);
}

void outline(cairo_t* cr, const TPixelBox& b, double dx, double dy) {
    if (b.width <= 0 || b.height <= 0)
        return;
    cairo_set_source_rgba(cr, OUTLINE_COLOR.red / 255.0, OUTLINE_COLOR.green / 255.0, OUTLINE_COLOR.blue / 255.0,
                          OUTLINE_COLOR.alpha / 255.0);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, dx + b.x + 0.5, dy + b.y + 0.5, b.width - 1, b.height - 1);
    cairo_stroke(cr);
}

// Controls on the sample screen: the sample screen's own, the top bar, and the
// panels below the Movement band.
bool onSampleScreen(const TLayoutRow& row) {
    return isBelowMovementBand(row);
}

void outlineRows(cairo_t* cr, std::span<const TLayoutRow> rows, int screenSize, double x, double y,
                 bool (*keep)(const TLayoutRow&) = nullptr) {
    for (const TLayoutRow& row : rows)
        if (!keep || keep(row))
            outline(cr, getScaledBox(row, screenSize), x, y);
}

// A page, with the panels in place where the editor shows them.
void placePage(cairo_t* cr, int id, int screenSize, double x, double y, bool outlines) {
    cairo_surface_t* page = renderArtwork(id, screenSize);
    place(cr, page, x, y);
    cairo_surface_destroy(page);
    if (id == BACK_SCREEN_BITMAP) {
        if (outlines)
            outlineRows(cr, std::span(BACK_SCREEN).subspan(1), screenSize, x, y);
        return;
    }
    const double sourceX = x + getScaled(SOURCE_VIEW_CONTAINER_X, screenSize);
    const double sourceY = y + getScaled(SOURCE_VIEW_CONTAINER_Y, screenSize);
    const double modX = x + getScaled(MOD_FX_VIEW_CONTAINER_X, screenSize);
    const double modY = y + getScaled(MOD_FX_VIEW_CONTAINER_Y, screenSize);
    cairo_surface_t* source = renderArtwork(SOURCE_WAVE_BITMAP, screenSize);
    place(cr, source, sourceX, sourceY);
    cairo_surface_destroy(source);
    cairo_surface_t* modFX = renderArtwork(MOD_FX_BACK_BITMAP, screenSize);
    place(cr, modFX, modX, modY);
    cairo_surface_destroy(modFX);
    // The preview buttons, up.
    for (int button : {PREVIEW_STOP_BITMAP, PREVIEW_BITMAP}) {
        const TLayoutRow* row = findLayoutRow(button == PREVIEW_BITMAP ? "previewButton" : "previewStopButton");
        const TPixelBox b = getScaledBox(*row, screenSize);
        const TImageSize size = getArtworkSize(button, screenSize);
        cairo_surface_t* image = renderArtwork(button, screenSize);
        cairo_save(cr);
        cairo_rectangle(cr, x + b.x, y + b.y, size.width, size.height / 2);
        cairo_clip(cr);
        place(cr, image, x + b.x, y + b.y);
        cairo_restore(cr);
        cairo_surface_destroy(image);
    }
    if (!outlines)
        return;
    const bool sample = id == SAMPLE_BACK_BITMAP;
    outlineRows(cr, MAIN_TOP_BAR, screenSize, x, y);
    for (std::span<const TLayoutRow> table :
         {std::span<const TLayoutRow>(MAIN_CAPTIONS), std::span<const TLayoutRow>(MAIN_KNOBS),
          std::span<const TLayoutRow>(MAIN_SWITCHES), std::span<const TLayoutRow>(MAIN_SOURCE_ROW),
          std::span<const TLayoutRow>(MAIN_MENUS), std::span<const TLayoutRow>(MAIN_MODULATION_MENUS),
          std::span<const TLayoutRow>(MAIN_MOVEMENT_AND_RIBBON)})
        outlineRows(cr, table, screenSize, x, y, sample ? onSampleScreen : nullptr);
    if (sample)
        outlineRows(cr, SAMPLE_SCREEN, screenSize, x, y);
    for (const char* member : WAVE_FORM_CONTROLS)
        outline(cr, getScaledBox(*findLayoutRow(member), screenSize), sourceX, sourceY);
    outlineRows(cr, MOD_FX_PANEL, screenSize, modX, modY);
    outline(cr, RIBBON_RECTS[static_cast<unsigned>(screenSize)], x, y);
}

void label(TArtCanvas& sheet, const std::string& text, double x, double y) {
    sheet.text(text, CRect(x, y, x + 1000, y + LABEL_HEIGHT - 6), LABEL_COLOR, 13, true);
}

std::string idLabel(int id) {
    return std::to_string(id);
}

}  // namespace

bool writeContactSheet(const std::string& path, bool outlines, std::string& error) {
    const int pageWidth100 = getScaled(EDITOR_WIDTH, 0), pageHeight100 = getScaled(EDITOR_HEIGHT, 0);
    const int pageWidth150 = getScaled(EDITOR_WIDTH, 2), pageHeight150 = getScaled(EDITOR_HEIGHT, 2);
    const int smallHeight = 520;
    const int leftHeight = 3 * (pageHeight100 + LABEL_HEIGHT + MARGIN) + smallHeight;
    const int rightHeight = 3 * (pageHeight150 + LABEL_HEIGHT + MARGIN);
    const int height = MARGIN + std::max(leftHeight, rightHeight);

    TArtCanvas sheet(SHEET_WIDTH, height, 0);
    cairo_t* cr = sheet.getCairo();
    sheet.fillRect(CRect(0, 0, SHEET_WIDTH, height), SHEET_COLOR);

    // Left: the pages at 100 %, plain, then every other image.
    double y = MARGIN;
    const std::array<std::pair<int, const char*>, 3> pages{
        {{MAIN_BACK_BITMAP, "main screen"}, {SAMPLE_BACK_BITMAP, "sample screen"}, {BACK_SCREEN_BITMAP, "back screen"}}};
    for (auto [id, name] : pages) {
        label(sheet, idLabel(id) + "  " + name + " (100 %)", MARGIN, y);
        cairo_surface_t* page = renderArtwork(id, 0);
        place(cr, page, MARGIN, y + LABEL_HEIGHT);
        cairo_surface_destroy(page);
        y += LABEL_HEIGHT + pageHeight100 + MARGIN;
    }
    double x = MARGIN;
    double rowHeight = 0;
    for (int id : getArtworkIds()) {
        if (id == MAIN_BACK_BITMAP || id == SAMPLE_BACK_BITMAP || id == BACK_SCREEN_BITMAP)
            continue;
        const TImageSize size = getArtworkSize(id, 0);
        const double cell = std::max(size.width, 64);
        if (x + cell > MARGIN + pageWidth100) {
            x = MARGIN;
            y += rowHeight + MARGIN;
            rowHeight = 0;
        }
        label(sheet, idLabel(id), x, y);
        cairo_surface_t* image = renderArtwork(id, 0);
        place(cr, image, x, y + LABEL_HEIGHT);
        cairo_surface_destroy(image);
        x += cell + MARGIN;
        rowHeight = std::max(rowHeight, double(LABEL_HEIGHT + size.height));
    }

    // Right: the pages at 150 %.
    x = 2 * MARGIN + pageWidth100;
    y = MARGIN;
    for (auto [id, name] : pages) {
        label(sheet, idLabel(id + 2 * BITMAP_ID_SIZE_STEP) + "  " + name + " (150 %)" +
                         (id == BACK_SCREEN_BITMAP ? "" : ", panels in place"),
              x, y);
        placePage(cr, id, 2, x, y + LABEL_HEIGHT, outlines);
        y += LABEL_HEIGHT + pageHeight150 + MARGIN;
    }
    (void)pageWidth150;

    cairo_surface_t* surface = sheet.getSurface();
    cairo_surface_flush(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

}  // namespace artwork
