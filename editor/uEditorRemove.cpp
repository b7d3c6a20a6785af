// Releasing what an opening made: the images and every control member, each
// exactly once (the frame and the containers have let go of them before).
#include "controls/TGatorDisplay.h"
#include "controls/THSlider.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TLFOScreen.h"
#include "controls/TLFOSelector.h"
#include "controls/TLabel.h"
#include "controls/TMenuButton.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "controls/TSampleDisplay.h"
#include "controls/TSampleFileDisplay.h"
#include "controls/TWaveScreen.h"
#include "editor/EditorMembers.h"

using namespace kgui;

void uEditor::removeBitmaps() {
    removeBitmap(mainBackBitmap);
    removeBitmap(sampleBackBitmap);
    for (CBitmap*& bitmap : extraBitmaps)
        removeBitmap(bitmap);
    for (CBitmap*& bitmap : sourceBackBitmaps)
        removeBitmap(bitmap);
    removeBitmap(modFXBackBitmap);
    removeBitmap(backScreenBitmap);
    for (CBitmap*& bitmap : controlBitmaps)
        removeBitmap(bitmap);
}

void uEditor::removeControls() {
    for (const TMemberBinding& binding : getEditorMembers())
        std::visit([](auto member) { removeControl(*member); }, binding.slot(*this));
    for (auto& submenus : srcSubMenus)
        for (TOptionMenu*& submenu : submenus)
            removeControl(submenu);
    for (auto& submenus : destSubMenus)
        for (TOptionMenu*& submenu : submenus)
            removeControl(submenu);
    // Their menus released these with themselves; the members only named them.
    programMenus.fill(nullptr);
    sampleSubMenus.fill(nullptr);
    filterSubMenus.fill(nullptr);
}
