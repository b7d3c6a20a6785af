// The editor's control members by name: the layout rows name the member that
// holds each control ("knobMainVolume", "srcMenus[2]"), and this table leads
// from the name to the member, typed. The factories store into it, the
// lookups read it and closing releases every member through it.
#pragma once

#include <span>
#include <string_view>
#include <variant>

#include "editor/uEditor.h"

using TMemberSlot = std::variant<TLabel**, TKnob**, TOnOff**, TOptionMenu**, TKickButton**, kgui::CKickButton**,
                                 TMenuButton**, TReadout**, kgui::CTextEdit**, TGatorDisplay**, THSlider**,
                                 TLFOSelector**, TLFOScreen**, TWaveScreen**, TSampleFileDisplay**,
                                 TSampleDisplay**>;

struct TMemberBinding {
    std::string_view name;
    TMemberSlot (*slot)(uEditor& editor);
};

// Every control member the editor holds a reference to, in the order of
// their declaration (the submenus of the source and destination menus are
// released with their arrays; the program, sample and filter submenus belong
// to their menus and are not here).
std::span<const TMemberBinding> getEditorMembers();

// The member of that name and type, or null.
template <typename T>
T** findMemberSlot(uEditor& editor, std::string_view name) {
    if (name.empty())
        return nullptr;
    for (const TMemberBinding& binding : getEditorMembers())
        if (binding.name == name) {
            TMemberSlot slot = binding.slot(editor);
            T*** typed = std::get_if<T**>(&slot);
            return typed ? *typed : nullptr;
        }
    return nullptr;
}

// The control held by a slot (null while the member is empty).
kgui::CControl* controlOf(const TMemberSlot& slot);
