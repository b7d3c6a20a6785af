// One showing of a command menu: built afresh at the mouse, popped up
// modally, read, and taken down again. Every command menu of the editor (the
// parameter, settings, ECS, Movement speed, Gator, Movement, output and sample
// menus) is one of these: no listener, NO_PARAM_TAG, a 16 x 16 square centred on
// the mouse, and the chosen entry recognised by its whole title.
//
// User-interface thread only; the pop-up blocks until the user has chosen.
#pragma once

#include <algorithm>
#include <span>
#include <string>

#include "editor/MenuTables.h"
#include "toolkit/kgui.h"

class TPopupMenu {
public:
    // frame: the editor's open frame. The menu is made at once; nothing is
    // shown until popup(). halfSide: half the side of the square it stands on.
    explicit TPopupMenu(kgui::CFrame* frame, double halfSide = 8);
    // Takes the menu down (close) when that has not happened yet.
    ~TPopupMenu();
    TPopupMenu(const TPopupMenu&) = delete;
    TPopupMenu& operator=(const TPopupMenu&) = delete;

    kgui::COptionMenu& getMenu() { return *menu; }
    // Appends an entry ("-" a separator, "-G..." a disabled line).
    void add(const std::string& title) { menu->addEntry(title); }
    void add(std::span<const std::string> titles);
    // A switch: its heading, then the entry that shows its state.
    void addSwitch(const TSettingTexts& texts, bool on);

    // A new, empty submenu made like the menu itself; attach hands it over.
    kgui::COptionMenu* makeSubmenu() const;
    // Adds submenu as an entry titled title to parent; the caller's
    // reference goes to parent.
    static void attach(kgui::COptionMenu& parent, kgui::COptionMenu* submenu, const std::string& title);
    // A submenu of these titles, attached to parent.
    kgui::COptionMenu* addSubmenu(kgui::COptionMenu& parent, const std::string& title,
                                  std::span<const std::string> titles);

    // Shows the menu and waits for the choice.
    void popup();
    // The title of the chosen entry when it lies at the top level, else empty.
    const std::string& getTopTitle() const { return topTitle; }
    // The title of the chosen entry at whatever depth; empty when dismissed.
    const std::string& getLastTitle() const { return lastTitle; }

    // Removes the menu from the frame, releases it with its submenus and has
    // the whole frame drawn again.
    void close();

private:
    kgui::CFrame* frame;
    kgui::CRect square;
    kgui::COptionMenu* menu;
    bool shown = false;
    std::string topTitle;
    std::string lastTitle;
};

// Turns state the other way when chosen is the switch's entry (the entry
// names the state as it was); true when it did.
bool takeSwitchChoice(const TSettingTexts& texts, const std::string& chosen, bool& state);

// The index of title in a table of titles, or -1.
template <typename Table>
int titleIndex(const Table& table, const std::string& title) {
    const auto found = std::find(table.begin(), table.end(), title);
    return found == table.end() ? -1 : static_cast<int>(found - table.begin());
}

// The index of the entry titled title, or -1.
int findValueEntry(std::span<const TValueEntry> entries, const std::string& title);
