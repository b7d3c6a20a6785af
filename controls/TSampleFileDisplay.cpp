#include "controls/TSampleFileDisplay.h"

#include <algorithm>

#include "controls/ControlHost.h"
#include "controls/DisplayLook.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

using namespace kgui;

namespace {
// Header command boxes (100 % values): the top at 4 with the layout's
// corrections, 12 high (the folder-name line too), 50 wide.
constexpr int32 HEADER_TOP = 4, HEADER_TOP_C125 = 1, HEADER_TOP_C150 = 2, HEADER_TOP_C200 = 0;
constexpr int32 HEADER_WIDTH = 50;
constexpr int32 TEXT_LINE_HEIGHT = 12;
// A folder row without the editor's icon keeps room for one of this size.
constexpr int32 FALLBACK_FOLDER_ICON_SIDE = 10;
// One wheel notch moves a thumb this many pixels.
constexpr int32 WHEEL_SCROLL_PIXELS = 10;

size_t at(int sizeIndex) { return static_cast<size_t>(sizeIndex); }

TSampleServices* servicesOf(const CView* view) { return sampleServicesOf(controlHostOf(view)); }
}  // namespace

TSampleFileDisplay::TSampleFileDisplay(const CRect& rect, int size)
    : CControl(rect, nullptr, NO_PARAM_TAG), sizeIndex(look::clampScreenSize(size)) {
    const size_t s = at(sizeIndex);
    rowCount = std::max(1, static_cast<int>(rect.getHeight() / look::SAMPLE_ROW_HEIGHT[s]));
    folderRowCount = std::max(0, rowCount - 2);
    previewIconOffset = look::SAMPLE_PREVIEW_OFF[s];
    fileIconWidth = fileIconHeight = look::SAMPLE_SCROLL_WIDTH[s];
    homeX = static_cast<int>(rect.left + 2);
    upX = static_cast<int>(rect.left + look::SAMPLE_UP_START[s]);
    refreshX = static_cast<int>(rect.left + look::SAMPLE_REFRESH_START[s]);
    menuX = static_cast<int>(rect.left + look::SAMPLE_MENU_START[s]);
    // Both thumbs travel this far; at least a pixel, as it divides.
    trackLength = std::max(1, static_cast<int>(rect.getHeight() - look::SAMPLE_SCROLL_WIDTH[s] - 2));
    trackLengthF = static_cast<float>(trackLength);
}

int TSampleFileDisplay::firstFolderShown(int folderCount) const {
    const float shown = static_cast<float>(folderScrollPos) *
                        static_cast<float>(folderCount - folderRowCount + 1) / trackLengthF;
    return std::max(0, static_cast<int>(shown));
}

int TSampleFileDisplay::firstFileShown(int fileCount) const {
    const float shown = static_cast<float>(fileScrollPos) * static_cast<float>(fileCount - rowCount) / trackLengthF;
    return std::max(0, static_cast<int>(shown));
}

int TSampleFileDisplay::fileThumbForCurrent(int current, int fileCount) const {
    const int d = fileCount - rowCount >= 2 ? fileCount - rowCount : 1;
    const float thumb = static_cast<float>(current) / static_cast<float>(d) * trackLengthF;
    return std::clamp(look::pixelOf(thumb), 0, trackLength);
}

void TSampleFileDisplay::takeFileIconSize() {
    TControlHost* host = controlHostOf(this);
    CBitmap* icon = host ? host->getControlBitmap(look::FILE_ICON_IMAGE) : nullptr;
    if (icon && icon->getWidth() != 0)
        fileIconWidth = static_cast<int>(icon->getWidth());
    if (icon && icon->getHeight() != 0)
        fileIconHeight = static_cast<int>(icon->getHeight());
}

void TSampleFileDisplay::draw(CDrawContext* context) {
    TControlHost* host = controlHostOf(this);
    TSampleServices* services = sampleServicesOf(host);
    if (!services)
        return;
    const size_t s = at(sizeIndex);
    const double left = size.left, top = size.top;
    const int32 rowHeight = look::SAMPLE_ROW_HEIGHT[s];
    const int32 columnWidth = look::SAMPLE_FILE_COL_WIDTH[s];
    const int32 scrollWidth = look::SAMPLE_SCROLL_WIDTH[s];
    const int32 lineHeight = look::scaled(TEXT_LINE_HEIGHT, sizeIndex);

    context->setFont(look::FONT_SIZES[s]);
    context->setFontColor(look::SAMPLE_TEXT_COLOR);
    const double headerTop =
        top + look::scaledWithCorrections(HEADER_TOP, sizeIndex, HEADER_TOP_C125, HEADER_TOP_C150, HEADER_TOP_C200);
    const int headerX[4] = {homeX, upX, refreshX, menuX};
    const char* headerText[4] = {"HOME", "UP", "REFRESH", "MENU"};
    for (int i = 0; i < 4; ++i)
        context->drawString(headerText[i],
                            CRect(headerX[i], headerTop, headerX[i] + look::scaled(HEADER_WIDTH, sizeIndex),
                                  top + lineHeight),
                            kLeftText, true);

    const double nameBottom = size.bottom - look::scaledWithCorrections(0, sizeIndex, 1, 0, 0);
    look::drawFittedString(context, services->getCurSampleFolderDisplayNameStr(),
                           CRect(left + 2, nameBottom - lineHeight, left + columnWidth, nameBottom), kLeftText);

    const int folders = std::max(0, services->getNumOfSubFoldersInSampleFolder());
    const double firstRowTop = top + look::SAMPLE_ROW_OFF[s];
    if (folders < 1) {
        context->drawString("No Sub-Directories",
                            CRect(left + 2, firstRowTop, left + columnWidth, firstRowTop + rowHeight), kLeftText, true);
    } else {
        CBitmap* folderIcon = host->getControlBitmap(look::FOLDER_ICON_IMAGE);
        const int iconWidth = folderIcon ? static_cast<int>(folderIcon->getWidth()) : FALLBACK_FOLDER_ICON_SIDE;
        const int iconHeight = folderIcon ? static_cast<int>(folderIcon->getHeight()) : FALLBACK_FOLDER_ICON_SIDE;
        const int f0 = firstFolderShown(folders);
        for (int i = 0; i < folderRowCount && f0 + i < folders; ++i) {
            const double y = top + static_cast<int32>(look::SAMPLE_ROW_OFF[s] + rowHeight * i);
            if (folderIcon)
                folderIcon->draw(context, CRect(left + 2, y, left + 2 + iconWidth, y + iconHeight));
            look::drawFittedString(context, services->getSampleSubFolderDisplayNameStr(f0 + i),
                                   CRect(left + iconWidth, y, left + columnWidth, y + rowHeight), kLeftText);
        }
    }

    context->setFillColor(look::SCROLL_BAR_COLOR);
    context->setFrameColor(look::SCROLL_BAR_COLOR);
    const double folderThumbTop = top + folderScrollPos + 1;
    context->fillRect(
        CRect(left + columnWidth, folderThumbTop, left + columnWidth + scrollWidth, folderThumbTop + scrollWidth));

    takeFileIconSize();
    CBitmap* fileIcon = host->getControlBitmap(look::FILE_ICON_IMAGE);
    const int files = std::max(0, services->getNumOfSamplesInSampleFolder());
    const int current = services->getSampleNo();
    const int g0 = firstFileShown(files);
    const double fileX = left + look::SAMPLE_FILE_START_X[s];
    for (int i = 0; i < rowCount && g0 + i < files; ++i) {
        const double iconTop = top + previewIconOffset + rowHeight * i;
        if (fileIcon)
            fileIcon->draw(context, CRect(fileX, iconTop, fileX + fileIconWidth, iconTop + fileIconHeight));
        const double nameLeft = fileX + fileIconWidth + 2;
        const double rowTop = top + rowHeight * i;
        const CRect name(nameLeft, rowTop, nameLeft + columnWidth - (fileIconWidth + scrollWidth), rowTop + rowHeight);
        context->setFontColor(look::SAMPLE_TEXT_COLOR);
        if (g0 + i == current) {
            context->setFillColor(look::SAMPLE_TEXT_COLOR);
            context->fillRect(name);
            context->setFontColor(look::SAMPLE_TEXT_DARK_COLOR);
        }
        look::drawFittedString(context, services->getSampleNoDisplayNameStr(g0 + i), name, kLeftText);
    }

    context->setFillColor(look::SCROLL_BAR_COLOR);
    const double fileThumbLeft = left + look::SAMPLE_FILE_SCROLL_OFFSET[s];
    const double fileThumbTop = top + fileScrollPos + 1;
    context->fillRect(CRect(fileThumbLeft, fileThumbTop, fileThumbLeft + scrollWidth, fileThumbTop + scrollWidth));
    setDirty(false);
}

CMouseEventResult TSampleFileDisplay::onMouseDown(CPoint& where, const CButtonState& buttons) {
    TControlHost* host = controlHostOf(this);
    TSampleServices* services = sampleServicesOf(host);
    if (!getMouseEnabled() || !services)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    previewActive = folderScrollDragActive = fileScrollDragActive = false;

    if (buttons.isRightButton()) {
        host->showSampleFileMenu();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (!buttons.isLeftButton()) {
        setDirty(true);
        return kMouseEventHandled;
    }

    const size_t s = at(sizeIndex);
    const double x = where.x - size.left;
    const double y = where.y - size.top;
    const int fileStart = look::SAMPLE_FILE_START_X[s];
    const int rowHeight = look::SAMPLE_ROW_HEIGHT[s];
    if (x >= fileStart && x > look::SAMPLE_FILE_SCROLL_OFFSET[s]) {
        const int files = std::max(0, services->getNumOfSamplesInSampleFolder());
        if (buttons == (kLButton | kControl)) {
            fileScrollPos = fileThumbForCurrent(services->getSampleNo(), files);
        } else if (buttons == (kLButton | kShift)) {
            fileScrollPos = y >= trackLength / 2 ? trackLength - 1 : 0;
        } else {
            fileScrollDragActive = true;
            return onMouseMoved(where, buttons);
        }
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (x >= fileStart) {
        const int row = std::clamp(look::pixelOf(y / rowHeight), 0, rowCount - 1);
        const int file = firstFileShown(std::max(0, services->getNumOfSamplesInSampleFolder())) + row;
        if (x - fileStart < fileIconWidth) {
            // Sounds until the release.
            previewActive = true;
            services->previewSampleFromFile(file);
            return kMouseEventHandled;
        }
        services->loadSelectedSample(file);
        host->resetSampleScreen();
        host->setSampleScreenDirty();
        setDirty(true);
        return kMouseEventHandled;
    }
    if (x > look::SAMPLE_FILE_COL_WIDTH[s]) {
        if (buttons == (kLButton | kShift)) {
            folderScrollPos = y >= trackLength / 2 ? trackLength - 1 : 0;
            setDirty(true);
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        folderScrollDragActive = true;
        return onMouseMoved(where, buttons);
    }
    if (y < look::SAMPLE_ROW_OFF[s]) {
        // A click exactly on a boundary between two commands does nothing.
        const double frameX = where.x;
        if (frameX < upX)
            services->gotoHomeSampleFolder();
        else if (frameX > upX && frameX < refreshX)
            services->goUpAFolder();
        else if (frameX > refreshX && frameX < menuX)
            services->scanSampleFolder();
        else if (frameX > menuX)
            host->showSampleFileMenu();
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    // Only the rows that show a folder enter one: the rows below them and
    // the folder-name line would pick folders that are not on the screen.
    const int row = look::pixelOf((y - look::SAMPLE_ROW_OFF[s]) / rowHeight);
    if (row >= 0 && row < folderRowCount)
        services->setSampleCurFolder(
            firstFolderShown(std::max(0, services->getNumOfSubFoldersInSampleFolder())) + row);
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult TSampleFileDisplay::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton() || !(folderScrollDragActive || fileScrollDragActive))
        return kMouseEventHandled;
    // The thumb's top follows the pointer.
    const int thumb = std::clamp(look::pixelOf(where.y - size.top), 0, trackLength);
    int& pos = folderScrollDragActive ? folderScrollPos : fileScrollPos;
    if (thumb != pos) {
        pos = thumb;
        setDirty(true);
    }
    return kMouseEventHandled;
}

CMouseEventResult TSampleFileDisplay::onMouseUp(CPoint&, const CButtonState&) {
    TSampleServices* services = servicesOf(this);
    if (services && previewActive)
        services->releasePreviewSample();
    previewActive = folderScrollDragActive = fileScrollDragActive = false;
    return kMouseEventHandled;
}

bool TSampleFileDisplay::onWheel(const CPoint& where, const float& distance, const CButtonState&) {
    TSampleServices* services = servicesOf(this);
    if (!services)
        return false;
    const size_t s = at(sizeIndex);
    const double x = where.x - size.left;
    const int notches = look::pixelOf(distance * WHEEL_SCROLL_PIXELS);
    if (x < look::SAMPLE_FILE_START_X[s]) {
        folderScrollPos = std::clamp(folderScrollPos - notches, 0, trackLength);
    } else if (x > look::SAMPLE_FILE_SCROLL_OFFSET[s]) {
        fileScrollPos = std::clamp(fileScrollPos - notches, 0, trackLength);
    } else {
        // Over the names the wheel steps to the neighbouring file and keeps it in view.
        services->changeSampleDelta(distance > 0 ? -1 : (distance < 0 ? 1 : 0));
        fileScrollPos =
            fileThumbForCurrent(services->getSampleNo(), std::max(0, services->getNumOfSamplesInSampleFolder()));
    }
    setDirty(true);
    return true;
}

// A drop copies the files into the sample folder: the drag is answered as a
// copy throughout, so that no file manager takes it as a move and deletes
// the user's originals.
DragOperation TSampleFileDisplay::onDragEnter(DragEventData) {
    if (CFrame* frame = getFrame())
        frame->setCursor(kCursorCopy);
    return DragOperation::Copy;
}

DragOperation TSampleFileDisplay::onDragMove(DragEventData) { return DragOperation::Copy; }

void TSampleFileDisplay::onDragLeave(DragEventData) {
    if (CFrame* frame = getFrame())
        frame->setCursor(kCursorNotAllowed);
}

bool TSampleFileDisplay::onDrop(DragEventData data) {
    TControlHost* host = controlHostOf(this);
    TEditorServices* services = host ? host->getServices() : nullptr;
    if (!services)
        return false;
    if (CFrame* frame = getFrame())
        frame->setCursor(kCursorDefault);
    const bool handed = look::importDroppedFiles(*services, data.drag);
    setDirty(true);
    return handed;
}
