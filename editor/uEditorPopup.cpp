#include "editor/uEditorPopup.h"

using namespace kgui;

namespace {

// Half the side of the square the menu stands on, around the mouse.
constexpr double HALF_SQUARE = 8;
constexpr int32 COMMAND_MENU_TAG = 9999;

}  // namespace

TPopupMenu::TPopupMenu(CFrame* frame) : frame(frame) {
    CPoint mouse;
    if (frame)
        frame->getCurrentMouseLocation(mouse);
    square = CRect(mouse.x - HALF_SQUARE, mouse.y - HALF_SQUARE, mouse.x + HALF_SQUARE, mouse.y + HALF_SQUARE);
    menu = new COptionMenu(square, nullptr, COMMAND_MENU_TAG);
}

TPopupMenu::~TPopupMenu() { close(); }

void TPopupMenu::add(std::span<const std::string> titles) {
    for (const std::string& title : titles)
        menu->addEntry(title);
}

COptionMenu* TPopupMenu::makeSubmenu() const { return new COptionMenu(square, nullptr, COMMAND_MENU_TAG); }

void TPopupMenu::attach(COptionMenu& parent, COptionMenu* submenu, const std::string& title) {
    parent.addEntry(submenu, title);
    // The entry holds its own reference.
    submenu->forget();
}

COptionMenu* TPopupMenu::addSubmenu(COptionMenu& parent, const std::string& title,
                                    std::span<const std::string> titles) {
    COptionMenu* submenu = makeSubmenu();
    for (const std::string& entry : titles)
        submenu->addEntry(entry);
    attach(parent, submenu, title);
    return submenu;
}

void TPopupMenu::popup() {
    topTitle.clear();
    lastTitle.clear();
    if (!menu || !frame)
        return;
    // The frame takes the menu's first reference; close gives it back.
    if (!shown)
        shown = frame->addView(menu);
    menu->popup();
    frame->looseFocus();

    char text[256] = {};
    menu->getCurrent(text, false);
    topTitle = text;
    int32 index = -1;
    if (COptionMenu* holder = menu->getLastItemMenu(index))
        if (CMenuItem* item = holder->getCurrent())
            lastTitle = item->getTitle();
}

void TPopupMenu::close() {
    if (!menu)
        return;
    if (shown && frame) {
        frame->removeView(menu, true);
    } else {
        menu->forget();
    }
    menu = nullptr;
    shown = false;
    if (frame) {
        frame->setDirty(true);
        frame->invalidRect(frame->getViewSize());
        frame->setDirty(false);
    }
}
