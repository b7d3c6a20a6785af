// Pop-up menus: entries, separators and submenus; the value is the index of
// the current entry (separators counted).
#pragma once

#include <vector>

#include "toolkit/CTextLabel.h"
#include "toolkit/PlatformFrame.h"

namespace kgui {

class COptionMenu;

class CMenuItem : public CBaseObject {
public:
    enum Flags : int32 {
        kNoFlags = 0,
        kDisabled = 1 << 0,
        kTitle = 1 << 1,
        kChecked = 1 << 2,
        kSeparator = 1 << 3,
    };

    CMenuItem(const UTF8String& title, const UTF8String& keycode = "", int32 keyModifiers = 0,
              CBitmap* icon = nullptr, int32 flags = kNoFlags);
    CMenuItem(const UTF8String& title, COptionMenu* submenu, CBitmap* icon = nullptr);
    ~CMenuItem() override;

    void setTitle(const UTF8String& newTitle) { title = newTitle; }
    const UTF8String& getTitle() const { return title; }
    void setEnabled(bool state = true);
    bool isEnabled() const { return !(flags & kDisabled); }
    void setChecked(bool state = true);
    bool isChecked() const { return flags & kChecked; }
    bool isSeparator() const { return flags & kSeparator; }
    bool isTitle() const { return flags & kTitle; }
    int32 getFlags() const { return flags; }
    const UTF8String& getKeycode() const { return keycode; }
    int32 getKeyModifiers() const { return keyModifiers; }
    CBitmap* getIcon() const { return icon; }
    // The item holds its own reference to the submenu.
    void setSubmenu(COptionMenu* menu);
    COptionMenu* getSubmenu() const { return submenu; }

private:
    UTF8String title;
    UTF8String keycode;
    int32 keyModifiers;
    CBitmap* icon;
    int32 flags;
    COptionMenu* submenu = nullptr;
};

class CMenuItemSeparator : public CMenuItem {
public:
    CMenuItemSeparator() : CMenuItem("", "", 0, nullptr, kSeparator) {}
};

class COptionMenu : public CParamDisplay {
public:
    COptionMenu(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background = nullptr,
                CBitmap* backgroundWhenClicked = nullptr, int32 style = 0);
    ~COptionMenu() override;

    // Takes over the caller's reference to item; index -1 appends.
    virtual CMenuItem* addEntry(CMenuItem* item, int32 index = -1);
    // An entry that opens submenu; the menu keeps its own reference to it.
    virtual CMenuItem* addEntry(COptionMenu* submenu, const UTF8String& title);
    // "-" adds a separator; "-G<name>" a disabled entry titled <name>.
    virtual CMenuItem* addEntry(const UTF8String& title, int32 index = -1, int32 itemFlags = CMenuItem::kNoFlags);
    CMenuItem* addEntry(const char* title, int32 index = -1, int32 itemFlags = CMenuItem::kNoFlags) {
        return addEntry(UTF8String(title ? title : ""), index, itemFlags);
    }
    virtual CMenuItem* addSeparator(int32 index = -1);
    virtual bool removeEntry(int32 index);
    virtual bool removeAllEntry();
    CMenuItem* getEntry(int32 index) const;
    int32 getNbEntries() const { return static_cast<int32>(items.size()); }
    // "-G<name>" disables and retitles the entry, any other title enables it.
    virtual void setEntry(long index, const char* title);
    bool checkEntry(int32 index, bool state);

    // Selects the entry at int(value); an index outside the menu changes nothing.
    void setValue(float newValue) override;
    // countSeparator false: the separators up to the current entry are not counted.
    int32 getCurrentIndex(bool countSeparator = false) const;
    CMenuItem* getCurrent() const;
    // The current index; copies the current title into text (at most 255 bytes
    // and a zero) when text is not null and there is a current entry.
    virtual long getCurrent(char* text, bool countSeparator = false) const;

    // Shows the menu modally. Afterwards the current index is the chosen entry
    // when it was chosen here, else -1; getLastItemMenu names the menu that
    // holds the choice. True when something was chosen.
    bool popup();
    // Shows the menu under the view: the menu holding the choice takes its index
    // as value and the listener hears valueChanged with that menu.
    bool doPopup();
    COptionMenu* getLastItemMenu(int32& index) const;
    int32 getLastResult() const { return lastResult; }

    // The entries as shown by a pop-up.
    MenuSnapshot makeSnapshot() const;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

    // The mouse buttons of the click that opened the menu.
    CButtonState lastButton;

protected:
    void updateMax();
    // Runs the pop-up and applies the choice; the menu that holds it and its index.
    bool runPopup(bool resetTopWhenNotHere);

    std::vector<CMenuItem*> items;
    int32 currentIndex = -1;
    CBitmap* backgroundWhenClicked;
    COptionMenu* lastMenu = nullptr;
    int32 lastResult = -1;
};

}  // namespace kgui
