#include "showcase_window.h"

#include "toolkit/showcase.h"

namespace showcase {

using namespace kgui;

namespace {
const CColor kCyan(55, 208, 255, 255);
const CColor kBox(14, 44, 52, 255);
const CColor kEdge(8, 81, 102, 255);

// Takes files: shows how many arrived and records their paths.
class DropZone : public CView, public IDropTarget {
public:
    DropZone(const CRect& size, Record* record) : CView(size), record(record) {}

    IDropTarget* getDropTarget() override { return this; }
    DragOperation onDragEnter(DragEventData data) override {
        hovering = hasFiles(data.drag);
        invalid();
        return hovering ? DragOperation::Copy : DragOperation::None;
    }
    DragOperation onDragMove(DragEventData data) override {
        return hasFiles(data.drag) ? DragOperation::Copy : DragOperation::None;
    }
    void onDragLeave(DragEventData) override {
        hovering = false;
        invalid();
    }
    bool onDrop(DragEventData data) override {
        hovering = false;
        std::vector<std::string> paths;
        CDragContainerHelper items(data.drag);
        int32 size = 0, type = 0;
        for (void* item = items.first(size, type); item; item = items.next(size, type))
            if (type == CDragContainerHelper::kFile)
                paths.emplace_back(static_cast<const char*>(item));
        {
            std::lock_guard lock(record->mutex);
            record->droppedPaths = paths;
            ++record->drops;
            shown = std::to_string(paths.size()) + (paths.size() == 1 ? " file dropped" : " files dropped");
        }
        invalid();
        return !paths.empty();
    }

    void draw(CDrawContext* context) override {
        context->setFillColor(hovering ? kEdge : kBox);
        context->drawRect(size, kDrawFilled);
        context->setFrameColor(kCyan);
        context->drawRect(CRect(size).inset(1, 1), kDrawStroked);
        context->setFont(kNormalFontSmall);
        context->setFontColor(kCyan);
        context->drawString(shown, size, kCenterText);
        setDirty(false);
    }

private:
    static bool hasFiles(IDataPackage* package) {
        CDragContainerHelper items(package);
        return items.getCount() > 0 && items.getType(0) == CDragContainerHelper::kFile;
    }

    Record* record;
    bool hovering = false;
    std::string shown = "Drop files here";
};
}  // namespace

void buildShowcaseFrame(CFrame* frame, IControlListener* listener, Record* record) {
    // The showcase's views draw through the object that built them: it lives
    // as long as the program.
    static const kgui::test::Showcase atFullSize(0);
    atFullSize.build(frame);

    auto* switchImage = new CBitmap(30001);
    auto* sound = new COnOffButton(kSwitchRect, listener, kSoundTag, switchImage);
    const char tip[] = "Sound on or off";
    sound->setAttribute(kCViewTooltipAttribute, sizeof tip, tip);
    frame->addView(sound);
    frame->addView(new CKickButton(kCloseRect, listener, kCloseTag, switchImage));
    switchImage->forget();

    auto* menu = new COptionMenu(kMenuRect, listener, kWaveTag);
    for (const std::string& title : kMenuTitles) {
        if (title == "More") {
            auto* more = new COptionMenu(CRect(0, 0, 0, 0), listener, kWaveTag);
            for (const std::string& inner : kSubmenuTitles)
                more->addEntry(inner);
            menu->addEntry(more, title);
            more->forget();
        } else {
            menu->addEntry(title);
        }
    }
    menu->setValue(0);
    menu->setFont(kNormalFontSmall);
    menu->setFontColor(kCyan);
    menu->setBackColor(kBox);
    menu->setFrameColor(kEdge);
    frame->addView(menu);

    frame->addView(new DropZone(kDropRect, record));
}

}  // namespace showcase
