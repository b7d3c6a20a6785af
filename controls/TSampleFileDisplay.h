// The sample browser of the sample page: on the left a header with "HOME",
// "UP", "REFRESH" and "MENU", the sub-folders of the current sample folder and
// the folder's name; on the right the folder's sample files, each with a
// preview icon; a square scroll thumb beside each column. A click on a folder
// enters it, on a file name loads the file, on a file's icon previews it
// while the button is held; the wheel scrolls or steps through the files;
// files dropped on the browser are imported into the current folder. Every
// count and name comes from the plug-in at each draw and click.
#pragma once

#include "toolkit/CControl.h"
#include "toolkit/DragAndDrop.h"

class TSampleFileDisplay : public kgui::CControl, public kgui::DropTargetAdapter {
public:
    // size: the screen size index.
    TSampleFileDisplay(const kgui::CRect& rect, int size);

    // First folder and first file shown for the thumbs where they are now.
    int firstFolderShown(int folderCount) const;
    int firstFileShown(int fileCount) const;
    int getRowCount() const { return rowCount; }
    int getFolderRowCount() const { return folderRowCount; }
    int getTrackLength() const { return trackLength; }
    int getFolderScrollPos() const { return folderScrollPos; }
    int getFileScrollPos() const { return fileScrollPos; }
    bool isPreviewActive() const { return previewActive; }

    void draw(kgui::CDrawContext* context) override;
    kgui::CMouseEventResult onMouseDown(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseUp(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    kgui::CMouseEventResult onMouseMoved(kgui::CPoint& where, const kgui::CButtonState& buttons) override;
    bool onWheel(const kgui::CPoint& where, const float& distance, const kgui::CButtonState& buttons) override;

    kgui::IDropTarget* getDropTarget() override { return this; }
    kgui::DragOperation onDragEnter(kgui::DragEventData data) override;
    kgui::DragOperation onDragMove(kgui::DragEventData data) override;
    void onDragLeave(kgui::DragEventData data) override;
    bool onDrop(kgui::DragEventData data) override;

private:
    // Takes the file icon's size from the editor's image once it has one.
    void takeFileIconSize();
    // The file thumb where the current file is in view.
    int fileThumbForCurrent(int current, int fileCount) const;

    bool previewActive = false;
    bool folderScrollDragActive = false;
    bool fileScrollDragActive = false;
    int sizeIndex;
    int folderScrollPos = 0;
    int fileScrollPos = 0;
    int folderRowCount;
    int rowCount;
    int previewIconOffset;
    int fileIconWidth;
    int fileIconHeight;
    int homeX, upX, refreshX, menuX;
    int trackLength;
    float trackLengthF;
};
