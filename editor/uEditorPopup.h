// One showing of a command menu: built afresh at the mouse, popped up
// modally, read, and taken down again. Every command menu of the editor (the
// parameter, settings, ECS, Movement speed, Gator, Movement, output and sample
// menus) is one of these: no listener, tag 9999, a 16 x 16 square centred on
// the mouse, and the chosen entry recognised by its whole title.
//
// User-interface thread only; the pop-up blocks until the user has chosen.
#pragma once

#include <span>
#include <string>

#include "toolkit/kgui.h"

class TPopupMenu {
public:
    // frame: the editor's open frame. The menu is made at once; nothing is
    // shown until popup().
    explicit TPopupMenu(kgui::CFrame* frame);
    // Takes the menu down (close) when that has not happened yet.
    ~TPopupMenu();
    TPopupMenu(const TPopupMenu&) = delete;
    TPopupMenu& operator=(const TPopupMenu&) = delete;

    kgui::COptionMenu& getMenu() { return *menu; }
    // Appends an entry ("-" a separator, "-G..." a disabled line).
    void add(const std::string& title) { menu->addEntry(title); }
    void add(std::span<const std::string> titles);

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
