#include "controls/DisplayLook.h"

#include <cmath>
#include <cstring>

#include "plugin/EditorServices.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/DragAndDrop.h"

namespace look {

namespace {
constexpr double PIXEL_LIMIT = 1.0e6;
constexpr const char* ELLIPSIS = "\xE2\x80\xA6";

// Drops the last whole UTF-8 character of text.
void popCharacter(std::string& text) {
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.back());
        text.pop_back();
        if ((byte & 0xC0) != 0x80)
            break;
    }
}
}  // namespace

int32 scaledWithCorrections(int32 value, int size, int32 c125, int32 c150, int32 c200) {
    size = clampScreenSize(size);
    if (size == 0)
        return value;
    const int32 corrections[SCREEN_SIZE_COUNT] = {0, c125, c150, c200};
    return scaled(value, size) + corrections[size];
}

int32 pixelOf(double coordinate) {
    if (!std::isfinite(coordinate))
        return 0;
    if (coordinate > PIXEL_LIMIT)
        return static_cast<int32>(PIXEL_LIMIT);
    if (coordinate < -PIXEL_LIMIT)
        return static_cast<int32>(-PIXEL_LIMIT);
    return static_cast<int32>(coordinate);
}

void drawFittedString(kgui::CDrawContext* context, const std::string& text, const CRect& rect,
                      kgui::CHoriTxtAlign align) {
    const double room = rect.getWidth();
    if (room <= 0 || context->getStringWidth(text) <= room) {
        context->drawString(text, rect, align, true);
        return;
    }
    std::string cut = text;
    while (!cut.empty() && context->getStringWidth(cut + ELLIPSIS) > room)
        popCharacter(cut);
    context->drawString(cut + ELLIPSIS, rect, align, true);
}

bool importDroppedFiles(TEditorServices& services, kgui::IDataPackage* package) {
    kgui::CDragContainerHelper items(package);
    const int32 count = items.getCount();
    if (count < 1)
        return false;
    bool handed = false;
    int32 size = 0;
    int32 type = 0;
    for (void* item = items.first(size, type); item; item = items.next(size, type)) {
        if (type != kgui::CDragContainerHelper::kFile)
            continue;
        // A path is the item's bytes up to its terminator, and never past its size.
        const char* path = static_cast<const char*>(item);
        services.getSampleServices().importSampleFromDrag(
            std::string(path, ::strnlen(path, static_cast<size_t>(size < 0 ? 0 : size))), count);
        handed = true;
    }
    services.requestEditorRedraw();
    return handed;
}

}  // namespace look
