// The main screen and the sample screen: every control made from its layout
// row by the row's factory, in the order of the rows, and the few that the
// editor makes itself (the grouped menus with their submenus, the displays,
// the ribbon, the sample position fields). Nothing is added to a view here.
#include <algorithm>

#include "controls/ControlLook.h"
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
#include "editor/EditorTables.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

constexpr int32 MENU_STYLE = kCheckStyle;
// Submenus of the program, sample and filter menus draw nothing of their own.
constexpr int32 GROUP_SUBMENU_STYLE = kCheckStyle | kNoDrawStyle | kNoFrame;

constexpr int PROGRAMS_PER_GROUP = 32;
constexpr int CLEAR_PRESET_COMMAND = 9;
constexpr int FIRST_SCREEN_SIZE_COMMAND = 20;
constexpr int USER_SAMPLE = 194;

}  // namespace

CRect uEditor::rowRect(const TLayoutRow& row) const {
    const int x = getScaled(row.x), y = getScaled(row.y);
    return CRect(x, y, x + getScaled(row.width), y + getScaled(row.height));
}

std::span<const std::string> uEditor::entriesOf(TEntryTable table) const {
    switch (table) {
        case TEntryTable::none: break;
        case TEntryTable::playMode: return PLAY_MODE_STR;
        case TEntryTable::portMode: return PORT_MODE_STR;
        case TEntryTable::pitchBend: return PITCH_BEND_STR;
        case TEntryTable::sourceMode: return SOURCE_MODE_STR;
        case TEntryTable::sampleLoopMode: return SAMPLE_LOOP_MODE_STR;
        case TEntryTable::filterDistortType: return FILTER_DISTORT_TYPE_STR;
        case TEntryTable::fxPath: return FX_PATH_STR;
        case TEntryTable::modFXMode: return MOD_FX_MODE_STR;
        case TEntryTable::lfoWave: return LFO_WAVE_STR;
        case TEntryTable::lfoMode: return LFO_MODE_STR;
        case TEntryTable::panMoveMode: return PAN_MOVE_MODE_STR;
        case TEntryTable::moveSnap: return MOVE_SNAP_STR;
        case TEntryTable::lock: return LOCK_STR;
        case TEntryTable::ribbonQuant: return RIBBON_QUANT_STR;
        case TEntryTable::ribbonSpringTime: return RIBBON_SPRING_TIME_STR;
        case TEntryTable::midiInChannel: return MIDI_IN_CHANNEL_STR;
        case TEntryTable::screenSize: return SCREEN_SIZE_STR;
    }
    return {};
}

CControl* uEditor::findMember(std::string_view member) const {
    auto& self = const_cast<uEditor&>(*this);
    for (const TMemberBinding& binding : getEditorMembers())
        if (binding.name == member)
            return controlOf(binding.slot(self));
    return nullptr;
}

// ---------------------------------------------------------------- rows made by their factories

void uEditor::createRows(std::span<const TLayoutRow> rows) {
    for (const TLayoutRow& row : rows)
        createRow(row);
}

void uEditor::createRow(const TLayoutRow& row) {
    const TPixelBox box{getScaled(row.x), getScaled(row.y), getScaled(row.width), getScaled(row.height)};
    // Every row names a member of the right type (a test walks them all);
    // a row that does not is left unmade rather than leaked.
    TLabel** caption = findMemberSlot<TLabel>(*this, row.make.caption ? row.make.caption : "");
    switch (row.make.factory) {
        case TFactory::direct: break;
        case TFactory::label: createCaptionRow(row, box); break;
        case TFactory::knob: createKnobRow(row, box, caption); break;
        case TFactory::onOff: createSwitchRow(row, box, caption); break;
        case TFactory::imageButton:
        case TFactory::textButton:
        case TFactory::ledButton:
        case TFactory::menuButton:
        case TFactory::readout:
        case TFactory::clickArea: createButtonRow(row, box); break;
        case TFactory::menu:
        case TFactory::labelMenu:
        case TFactory::srcMenu:
        case TFactory::destMenu: createMenuRow(row, box, caption); break;
    }
}

void uEditor::createCaptionRow(const TLayoutRow& row, const TPixelBox& box) {
    TLabel** label = findMemberSlot<TLabel>(*this, row.member);
    if (!label)
        return;
    const TMake& make = row.make;
    const auto s = static_cast<size_t>(getBig());
    CFontDesc* font = make.font == TCaptionFont::big ? look::BIG_LABEL_FONT_SIZES[s] : look::LABEL_FONT_SIZES[s];
    const CColor colour = make.colour == TCaptionColour::dark ? look::CAPTION_DARK_COLOR : look::TEXT_COLOR;
    createLabel(*label, box.x, box.y, box.width, box.height, make.text, font, colour, make.align);
}

void uEditor::createKnobRow(const TLayoutRow& row, const TPixelBox& box, TLabel** caption) {
    TKnob** knob = findMemberSlot<TKnob>(*this, row.member);
    if (!knob)
        return;
    if (caption)
        createKnob(*knob, row.tag, box.x, box.y, row.make.style, *caption, row.make.text, row.make.labelWidth);
    else
        createKnob(*knob, row.tag, box.x, box.y, row.make.style);
}

void uEditor::createSwitchRow(const TLayoutRow& row, const TPixelBox& box, TLabel** caption) {
    TOnOff** onOff = findMemberSlot<TOnOff>(*this, row.member);
    if (!onOff)
        return;
    const TMake& make = row.make;
    const int offset = getScaled(row.switchOffset);
    if (caption)
        createOnOff(*onOff, row.tag, box.x, box.y, *caption, make.text, make.side, getScaled(make.labelWidth), offset);
    else
        createOnOff(*onOff, row.tag, box.x + offset, box.y);
}

// The controls that are clicked rather than turned: buttons, readouts and click areas.
void uEditor::createButtonRow(const TLayoutRow& row, const TPixelBox& box) {
    const TMake& make = row.make;
    const auto [x, y, w, h] = box;
    switch (make.factory) {
        case TFactory::imageButton:
            if (CKickButton** button = findMemberSlot<CKickButton>(*this, row.member))
                createKickButton(*button, x, y, row.tag, getControlBitmap(make.style));
            break;
        case TFactory::textButton:
            if (TKickButton** button = findMemberSlot<TKickButton>(*this, row.member))
                createKickButton(*button, x, y, w, h, make.text, make.style);
            break;
        case TFactory::ledButton:
            if (TKickButton** button = findMemberSlot<TKickButton>(*this, row.member))
                createOnOffKick(*button, x, y, false);
            break;
        case TFactory::menuButton:
            if (TMenuButton** button = findMemberSlot<TMenuButton>(*this, row.member))
                createMenuButton(*button, make.style, x, y, w, h, make.text, make.ledLook, make.boxed);
            break;
        case TFactory::readout:
            if (TReadout** readout = findMemberSlot<TReadout>(*this, row.member))
                createReadout(*readout, x, y, w, h, make.text, make.centred, make.boxed);
            break;
        case TFactory::clickArea:
            if (CKickButton** area = findMemberSlot<CKickButton>(*this, row.member))
                createKickButtonArea(*area, x, y, w, h);
            break;
        default: break;
    }
}

// The option menus: plain, captioned, and the modulation menus by slot. A
// menu without a step count of its own has one entry per step of its parameter.
void uEditor::createMenuRow(const TLayoutRow& row, const TPixelBox& box, TLabel** caption) {
    const TMake& make = row.make;
    const auto [x, y, w, h] = box;
    const std::string text = make.text;
    TOptionMenu** menu = findMemberSlot<TOptionMenu>(*this, row.member);
    const std::span<const std::string> entries = entriesOf(make.entries);
    const bool counted = make.entryCount >= 0;
    switch (make.factory) {
        case TFactory::menu:
            if (menu && counted)
                createMenu(*menu, row.tag, x, y, w, h, make.entryCount, entries, make.centred, make.stepButtons);
            else if (menu)
                createMenu(*menu, row.tag, x, y, w, h, entries, make.centred, make.stepButtons);
            break;
        case TFactory::labelMenu:
            if (menu && caption && counted)
                createLabelMenu(*menu, row.tag, x, y, w, h, make.entryCount, entries, *caption, text, make.side,
                                make.labelWidth, make.stepButtons);
            else if (menu && caption)
                createLabelMenu(*menu, row.tag, x, y, w, h, entries, *caption, text, make.side, make.labelWidth,
                                make.stepButtons);
            break;
        case TFactory::srcMenu:
            if (caption)
                createSrcMenu(make.style, row.tag, x, y, w, h, *caption, text, make.labelWidth);
            else
                createSrcMenu(make.style, row.tag, x, y, w, h);
            break;
        case TFactory::destMenu:
            if (caption)
                createDestMenu(make.style, x, y, w, h, *caption, text, make.labelWidth);
            break;
        default: break;
    }
}

// ---------------------------------------------------------------- controls the editor makes itself

void uEditor::createPresetMenus() {
    const CRect presetRect = rowRect(*findLayoutRow("presetMenu"));
    presetMenu = new TOptionMenu(presetRect, this, NO_PARAM_TAG, nullptr, nullptr, MENU_STYLE, false, false);
    presetMenu->setPresetMenu();
    const int programCount = services->getNumBuiltinPrograms();
    int program = 0;
    for (size_t group = 0; group < programMenus.size(); ++group) {
        auto* submenu =
            new TOptionMenu(presetRect, nullptr, NO_PARAM_TAG, nullptr, nullptr, GROUP_SUBMENU_STYLE, true, false);
        for (int slot = 0; slot < PROGRAMS_PER_GROUP && program < programCount; ++slot, ++program)
            submenu->addEntry(services->getDemoName(program), -1, CMenuItem::kNoFlags);
        presetMenu->addEntry(submenu, PRESET_SUB_HEADER_STR[group]);
        // The preset menu holds the submenu from here; the member only names it.
        programMenus[group] = submenu;
        submenu->forget();
    }
    presetMenu->addEntry("-", -1, CMenuItem::kNoFlags);
    presetMenu->addEntry(PRESET_COMMAND_STR[CLEAR_PRESET_COMMAND], -1, CMenuItem::kNoFlags);
    for (int size = 0; size < SCREEN_SIZE_COUNT; ++size)
        presetMenu->addEntry(PRESET_COMMAND_STR[static_cast<size_t>(FIRST_SCREEN_SIZE_COMMAND + size)], -1,
                             CMenuItem::kNoFlags);

    folderMenu = new TOptionMenu(rowRect(*findLayoutRow("folderMenu")), this, NO_PARAM_TAG, nullptr, nullptr,
                                 MENU_STYLE, false, false);
    folderMenu->setFolderMenu();
    folderMenu->addEntry("Introduction Folder", -1, CMenuItem::kNoFlags);
    folderMenu->setString("Introduction Folder");
}

void uEditor::createGroupedMenus() {
    const TLayoutRow& sampleRow = *findLayoutRow("sampleMenu");
    const CRect sampleRect = rowRect(sampleRow);
    sampleMenu = new TOptionMenu(sampleRect, this, sampleRow.tag, nullptr, nullptr, MENU_STYLE, true, true);
    for (size_t group = 0; group < sampleSubMenus.size(); ++group) {
        auto* submenu =
            new TOptionMenu(sampleRect, nullptr, sampleRow.tag, nullptr, nullptr, GROUP_SUBMENU_STYLE, true, true);
        for (int sample = SAMPLE_SUB_START[group]; sample < SAMPLE_SUB_START[group + 1]; ++sample)
            submenu->addEntry(SAMPLE_STR[static_cast<size_t>(sample)], -1, CMenuItem::kNoFlags);
        sampleMenu->addEntry(submenu, SAMPLE_SUB_STR[group]);
        sampleSubMenus[group] = submenu;
        submenu->forget();
    }
    sampleMenu->addEntry(SAMPLE_STR[USER_SAMPLE], -1, CMenuItem::kNoFlags);
    addControl(sampleMenu, OPTION_MENU);

    const TLayoutRow& filterRow = *findLayoutRow("filterMenu");
    const CRect filterRect = rowRect(filterRow);
    filterMenu = new TOptionMenu(filterRect, this, filterRow.tag, nullptr, nullptr, MENU_STYLE, true, true);
    filterMenu->addEntry(FILTER_MODE_STR[0], -1, CMenuItem::kNoFlags);
    for (size_t group = 0; group < filterSubMenus.size(); ++group) {
        auto* submenu =
            new TOptionMenu(filterRect, nullptr, filterRow.tag, nullptr, nullptr, GROUP_SUBMENU_STYLE, true, true);
        for (int mode = FILTER_SUB_START[group]; mode < FILTER_SUB_START[group + 1]; ++mode)
            submenu->addEntry(FILTER_MODE_STR[static_cast<size_t>(mode)], -1, CMenuItem::kNoFlags);
        filterMenu->addEntry(submenu, FILTER_MODE_SUB_STR[group]);
        filterSubMenus[group] = submenu;
        submenu->forget();
    }
    addControl(filterMenu, OPTION_MENU);
}

// ---------------------------------------------------------------- the main screen, step by step

void uEditor::createMainScreenControls() {
    if (!services)
        return;
    const int s = getBig();
    filterModeShown = -1;
    modFXType = std::clamp(services->getSteppedValue(tag::MOD_FX_MODE), 0, MOD_FX_MODE_COUNT - 1);

    // The destination menus are filled from these names.
    updateDestStr();

    createRows(MAIN_CAPTIONS);
    createPresetMenus();
    createRows(MAIN_TOP_BAR);

    // The knobs; the Mod FX panel's knobs, captions and gate displays come
    // between the Low-Fi and the delay knobs.
    auto delay = std::find_if(MAIN_KNOBS.begin(), MAIN_KNOBS.end(),
                              [](const TLayoutRow& row) { return std::string_view(row.member) == "knobDelayMix"; });
    const auto beforeDelay = static_cast<size_t>(delay - MAIN_KNOBS.begin());
    createRows(std::span(MAIN_KNOBS).first(beforeDelay));
    createRows(MOD_FX_PANEL);
    for (size_t side = 0; side < gatorDisplays.size(); ++side) {
        const TLayoutRow& row = *findLayoutRow(side == 0 ? "gatorDisplays[0]" : "gatorDisplays[1]");
        gatorDisplays[side] = new TGatorDisplay(rowRect(row), this, row.tag);
    }
    createRows(std::span(MAIN_KNOBS).subspan(beforeDelay));

    createRows(MAIN_SWITCHES);
    createRows(MAIN_SOURCE_ROW);
    createGroupedMenus();
    createRows(MAIN_MENUS);
    createRows(MAIN_MODULATION_MENUS);

    // Unlike the other caches, none of the wave's looks is set here: the
    // first idle pass must find the wave changed and set them.
    movementWaveShown = -1;
    lfoSelector = new TLFOSelector(rowRect(*findLayoutRow("lfoSelector")), this);
    lfoScreen =
        new TLFOScreen(rowRect(*findLayoutRow("lfoScreen")), this, displayMovePos, displayMoveMid, displayMovePan);

    createRows(MAIN_MOVEMENT_AND_RIBBON);
    if (lockMenu)
        lockMenu->setDeltaOff();
    const TPixelBox ribbon = RIBBON_RECTS[static_cast<size_t>(s)];
    ribbonSlider = new THSlider(CRect(CPoint(ribbon.x, ribbon.y), CPoint(ribbon.width, ribbon.height)), this,
                                tag::RIBBON_VALUE, s, true);
    addControl(ribbonSlider, RIBBON);

    createRows(SOURCE_PANEL);
    waveScreen = new TWaveScreen(rowRect(*findLayoutRow("waveScreen")), this, outputDisplayOn);
    sampleLoopModeShown = services->getSteppedValue(tag::SAMPLE_LOOP_MODE);

    createRows(SAMPLE_SCREEN);
    for (size_t i = 0; i < samplePositionFields.size(); ++i) {
        static constexpr const char* FIELDS[] = {"samplePositionFields[0]", "samplePositionFields[1]",
                                                 "samplePositionFields[2]"};
        auto* field = new CTextEdit(rowRect(*findLayoutRow(FIELDS[i])), this, NO_PARAM_TAG, "0123", nullptr, 0);
        field->setFont(look::FONT_SIZES[static_cast<size_t>(s)]);
        field->setTransparency(true);
        field->setFontColor(look::SAMPLE_TEXT_COLOR);
        samplePositionFields[i] = field;
    }
    sampleFileDisplay = new TSampleFileDisplay(rowRect(*findLayoutRow("sampleFileDisplay")), s);
    sampleDisplay = new TSampleDisplay(rowRect(*findLayoutRow("sampleDisplay")), s);
}
