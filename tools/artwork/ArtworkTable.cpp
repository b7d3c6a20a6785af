// The table of images: each id the editor loads, what paints it and how large
// it is at each size.
#include <cairo.h>

#include <filesystem>

#include "editor/EditorBitmaps.h"
#include "tools/artwork/Artwork.h"
#include "tools/artwork/Painters.h"

namespace artwork {

namespace {

enum class TKind { mainPage, samplePage, backPage, sourcePanel, modFXPanel, icon };

struct TArtworkRow {
    int id;
    TKind kind;
    TSourceForm form;  // source panels only
};

// Ascending ids; extras and unread control images are icons that paint a placeholder.
const std::vector<TArtworkRow>& rows() {
    static const std::vector<TArtworkRow> table{
        {MAIN_BACK_BITMAP, TKind::mainPage, {}},
        {SAMPLE_BACK_BITMAP, TKind::samplePage, {}},
        {BACK_SCREEN_BITMAP, TKind::backPage, {}},
        {EXTRA_BITMAP_3, TKind::icon, {}},
        {EXTRA_BITMAP_4, TKind::icon, {}},
        {EXTRA_BITMAP_5, TKind::icon, {}},
        {EXTRA_BITMAP_6, TKind::icon, {}},
        {EXTRA_BITMAP_7, TKind::icon, {}},
        {EXTRA_BITMAP_8, TKind::icon, {}},
        {EXTRA_BITMAP_14, TKind::icon, {}},
        {SOURCE_WAVE_BITMAP, TKind::sourcePanel, TSourceForm::wave},
        {SOURCE_NOISE_BITMAP, TKind::sourcePanel, TSourceForm::noise},
        {MOD_FX_BACK_BITMAP, TKind::modFXPanel, {}},
        {SOURCE_SAMPLE_BITMAP, TKind::sourcePanel, TSourceForm::sample},
        {CONTROL_BITMAP_30, TKind::icon, {}},
        {CONTROL_BITMAP_31, TKind::icon, {}},
        {CONTROL_BITMAP_32, TKind::icon, {}},
        {CONTROL_BITMAP_33, TKind::icon, {}},
        {CONTROL_BITMAP_34, TKind::icon, {}},
        {RIBBON_CENTRE_BITMAP, TKind::icon, {}},
        {RIBBON_HANDLE_BITMAP, TKind::icon, {}},
        {RIBBON_MOD_BITMAP, TKind::icon, {}},
        {CONTROL_BITMAP_38, TKind::icon, {}},
        {CONTROL_BITMAP_39, TKind::icon, {}},
        {FOLDER_ICON_BITMAP, TKind::icon, {}},
        {FILE_ICON_BITMAP, TKind::icon, {}},
        {PREVIEW_BITMAP, TKind::icon, {}},
        {PREVIEW_STOP_BITMAP, TKind::icon, {}},
    };
    return table;
}

const TArtworkRow* findRow(int id) {
    for (const TArtworkRow& row : rows())
        if (row.id == id)
            return &row;
    return nullptr;
}

bool validSize(int screenSize) {
    return screenSize >= 0 && screenSize < SCREEN_SIZE_COUNT;
}

}  // namespace

const std::vector<int>& getArtworkIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> list;
        for (const TArtworkRow& row : rows())
            list.push_back(row.id);
        return list;
    }();
    return ids;
}

TImageSize getArtworkSize(int id, int screenSize) {
    const TArtworkRow* row = findRow(id);
    if (!row || !validSize(screenSize))
        return {0, 0};
    switch (row->kind) {
    case TKind::mainPage:
    case TKind::samplePage:
    case TKind::backPage:
        return {getScaled(EDITOR_WIDTH, screenSize), getScaled(EDITOR_HEIGHT, screenSize)};
    case TKind::sourcePanel:
        return getSourcePanelSize(screenSize);
    case TKind::modFXPanel:
        return getModFXPanelSize(screenSize);
    case TKind::icon:
        return getIconSize(id, screenSize);
    }
    return {0, 0};
}

cairo_surface_t* renderArtwork(int id, int screenSize) {
    const TArtworkRow* row = findRow(id);
    if (!row || !validSize(screenSize))
        return nullptr;
    const TImageSize size = getArtworkSize(id, screenSize);
    TArtCanvas canvas(size.width, size.height, screenSize);
    switch (row->kind) {
    case TKind::mainPage:
        paintMainPage(canvas);
        break;
    case TKind::samplePage:
        paintSamplePage(canvas);
        break;
    case TKind::backPage:
        paintBackPage(canvas);
        break;
    case TKind::sourcePanel:
        paintSourcePanel(canvas, row->form);
        break;
    case TKind::modFXPanel:
        paintModFXPanel(canvas);
        break;
    case TKind::icon:
        paintIcon(canvas, id);
        break;
    }
    return canvas.takeSurface();
}

bool writeArtwork(const std::string& folder, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    for (int id : getArtworkIds()) {
        for (int screenSize = 0; screenSize < SCREEN_SIZE_COUNT; ++screenSize) {
            cairo_surface_t* image = renderArtwork(id, screenSize);
            const std::filesystem::path path =
                std::filesystem::path(folder) / (std::to_string(getScaledBitmap(id, screenSize)) + ".png");
            const cairo_status_t status = cairo_surface_write_to_png(image, path.c_str());
            cairo_surface_destroy(image);
            if (status != CAIRO_STATUS_SUCCESS) {
                error = "cannot write " + path.string() + ": " + cairo_status_to_string(status);
                return false;
            }
        }
    }
    return true;
}

}  // namespace artwork
