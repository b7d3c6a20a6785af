#include "toolkit/COptionMenu.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

namespace kgui {

// ---------------------------------------------------------------- CMenuItem

CMenuItem::CMenuItem(const UTF8String& title, const UTF8String& keycode, int32 keyModifiers, CBitmap* icon,
                     int32 flags)
    : title(title), keycode(keycode), keyModifiers(keyModifiers), icon(icon), flags(flags) {
    if (icon)
        icon->remember();
}

CMenuItem::CMenuItem(const UTF8String& title, COptionMenu* submenu, CBitmap* icon)
    : CMenuItem(title, "", 0, icon, kNoFlags) {
    setSubmenu(submenu);
}

CMenuItem::~CMenuItem() {
    if (icon)
        icon->forget();
    if (submenu)
        submenu->forget();
}

void CMenuItem::setEnabled(bool state) {
    if (state)
        flags &= ~kDisabled;
    else
        flags |= kDisabled;
}

void CMenuItem::setChecked(bool state) {
    if (state)
        flags |= kChecked;
    else
        flags &= ~kChecked;
}

void CMenuItem::setSubmenu(COptionMenu* menu) {
    if (menu == submenu)
        return;
    if (menu)
        menu->remember();
    if (submenu)
        submenu->forget();
    submenu = menu;
}

// -------------------------------------------------------------- COptionMenu

COptionMenu::COptionMenu(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                         CBitmap* backgroundWhenClicked, int32 style)
    : CParamDisplay(size, background, style), backgroundWhenClicked(backgroundWhenClicked) {
    setListener(listener);
    setTag(tag);
    if (backgroundWhenClicked)
        backgroundWhenClicked->remember();
    minValue = 0;
    maxValue = 0;
    value = 0;
}

COptionMenu::~COptionMenu() {
    removeAllEntry();
    if (backgroundWhenClicked)
        backgroundWhenClicked->forget();
}

void COptionMenu::updateMax() { maxValue = items.empty() ? 0.f : float(items.size() - 1); }

CMenuItem* COptionMenu::addEntry(CMenuItem* item, int32 index) {
    if (!item)
        return nullptr;
    if (index < 0 || index >= getNbEntries()) {
        items.push_back(item);
    } else {
        items.insert(items.begin() + index, item);
        if (currentIndex >= index)
            ++currentIndex;
    }
    updateMax();
    return item;
}

CMenuItem* COptionMenu::addEntry(COptionMenu* submenu, const UTF8String& title) {
    return addEntry(new CMenuItem(title, submenu));
}

CMenuItem* COptionMenu::addEntry(const UTF8String& title, int32 index, int32 itemFlags) {
    if (title == "-")
        return addSeparator(index);
    if (title.size() >= 2 && title[0] == '-' && title[1] == 'G')
        return addEntry(new CMenuItem(title.substr(2), "", 0, nullptr, itemFlags | CMenuItem::kDisabled), index);
    return addEntry(new CMenuItem(title, "", 0, nullptr, itemFlags), index);
}

CMenuItem* COptionMenu::addSeparator(int32 index) { return addEntry(new CMenuItemSeparator(), index); }

bool COptionMenu::removeEntry(int32 index) {
    if (index < 0 || index >= getNbEntries())
        return false;
    CMenuItem* item = items[static_cast<size_t>(index)];
    items.erase(items.begin() + index);
    if (lastMenu == item->getSubmenu())
        lastMenu = nullptr;
    item->forget();
    if (currentIndex == index)
        currentIndex = -1;
    else if (currentIndex > index)
        --currentIndex;
    updateMax();
    return true;
}

bool COptionMenu::removeAllEntry() {
    for (CMenuItem* item : items)
        item->forget();
    items.clear();
    currentIndex = -1;
    lastMenu = nullptr;
    updateMax();
    return true;
}

CMenuItem* COptionMenu::getEntry(int32 index) const {
    if (index < 0 || index >= getNbEntries())
        return nullptr;
    return items[static_cast<size_t>(index)];
}

void COptionMenu::setEntry(long index, const char* title) {
    if (index < 0 || index >= getNbEntries())
        return;
    CMenuItem* item = items[static_cast<size_t>(index)];
    if (title && title[0] == '-' && title[1] == 'G') {
        item->setEnabled(false);
        item->setTitle(title + 2);
    } else {
        item->setEnabled(true);
        item->setTitle(title ? title : "");
    }
}

bool COptionMenu::checkEntry(int32 index, bool state) {
    CMenuItem* item = getEntry(index);
    if (!item || item->isSeparator())
        return false;
    item->setChecked(state);
    return true;
}

void COptionMenu::setValue(float newValue) {
    if (std::isnan(newValue))
        return;
    if (newValue < 0 || newValue >= float(getNbEntries()))
        return;
    int32 index = static_cast<int32>(newValue);
    if (index != currentIndex)
        setDirty(true);
    currentIndex = index;
    value = float(index);
}

int32 COptionMenu::getCurrentIndex(bool countSeparator) const {
    if (countSeparator || currentIndex < 0)
        return currentIndex;
    int32 separators = 0;
    for (int32 i = 0; i <= currentIndex && i < getNbEntries(); ++i)
        if (items[static_cast<size_t>(i)]->isSeparator())
            ++separators;
    return currentIndex - separators;
}

CMenuItem* COptionMenu::getCurrent() const { return getEntry(currentIndex); }

long COptionMenu::getCurrent(char* text, bool countSeparator) const {
    long index = getCurrentIndex(countSeparator);
    CMenuItem* item = getCurrent();
    if (text && item) {
        constexpr size_t kCallerBufferSize = 256;
        const UTF8String& title = item->getTitle();
        size_t length = std::min(title.size(), kCallerBufferSize - 1);
        std::memcpy(text, title.data(), length);
        text[length] = 0;
    }
    return index;
}

MenuSnapshot COptionMenu::makeSnapshot() const {
    MenuSnapshot snapshot;
    snapshot.anchor = getFrameRect();
    for (int32 i = 0; i < getNbEntries(); ++i) {
        const CMenuItem* item = items[static_cast<size_t>(i)];
        MenuSnapshot::Entry entry;
        entry.title = item->getTitle();
        entry.enabled = item->isEnabled();
        entry.separator = item->isSeparator();
        entry.checked = item->isChecked() || ((style & kCheckStyle) && i == currentIndex);
        if (COptionMenu* submenu = item->getSubmenu())
            entry.submenu = std::make_shared<MenuSnapshot>(submenu->makeSnapshot());
        snapshot.entries.push_back(std::move(entry));
    }
    return snapshot;
}

bool COptionMenu::runPopup(bool resetTopWhenNotHere) {
    CBaseObjectGuard guard(this);
    lastMenu = nullptr;
    lastResult = -1;
    CFrame* frame = getFrame();
    PopupResult result = frame ? frame->runPopupMenu(makeSnapshot()) : PopupResult{};

    // Follow the path; anything that no longer names a choosable entry counts
    // as a dismissal.
    COptionMenu* holder = this;
    int32 chosen = -1;
    for (size_t level = 0; level < result.indexPath.size(); ++level) {
        CMenuItem* item = holder->getEntry(result.indexPath[level]);
        if (!item || item->isSeparator() || !item->isEnabled()) {
            holder = nullptr;
            break;
        }
        if (level + 1 < result.indexPath.size()) {
            holder = item->getSubmenu();
            if (!holder)
                break;
        } else if (item->getSubmenu()) {
            holder = nullptr;
        } else {
            chosen = result.indexPath[level];
        }
    }
    if (!holder || chosen < 0) {
        if (resetTopWhenNotHere)
            currentIndex = -1;
        return false;
    }
    CBaseObjectGuard holderGuard(holder);
    holder->setValue(float(chosen));
    holder->lastResult = chosen;
    lastMenu = holder;
    lastResult = chosen;
    if (holder != this && resetTopWhenNotHere)
        currentIndex = -1;
    if (listener) {
        beginEdit();
        listener->valueChanged(holder);
        endEdit();
    }
    invalid();
    return true;
}

bool COptionMenu::popup() { return runPopup(true); }

bool COptionMenu::doPopup() { return runPopup(false); }

COptionMenu* COptionMenu::getLastItemMenu(int32& index) const {
    index = lastMenu ? lastMenu->lastResult : -1;
    return lastMenu;
}

void COptionMenu::draw(CDrawContext* context) {
    if (!(style & kNoDrawStyle)) {
        drawBack(context);
        if (CMenuItem* item = getCurrent())
            drawText(context, item->getTitle());
    }
    setDirty(false);
}

CMouseEventResult COptionMenu::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!getMouseEnabled())
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (buttons & (kLButton | kRButton | kApple)) {
        lastButton = buttons;
        doPopup();
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

}  // namespace kgui
