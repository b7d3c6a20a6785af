// The command menus of the knobs, the ribbon and the top bar's menu buttons:
// the parameter menu (values, musical lists, MIDI learn, modulation), the ECS
// menu, the Movement speed menu and the settings menu. Each is built afresh
// from the plug-in's state at every opening, shown at the mouse, recognised by
// the title the user chose, and followed by resume, which brings the editor in
// line with whatever the command changed. The panels' menus and their undo
// rings are in uEditorPanelMenus.cpp.
#include "editor/uEditor.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "controls/TWaveScreen.h"
#include "editor/EditorTables.h"
#include "editor/MenuTables.h"
#include "editor/uEditorPopup.h"
#include "engine/dsp/FilterTypes.h"
#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/Preferences.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

// ---- parameters whose menu offers a list of their own
constexpr int MOD_FX_SPEED_TAG = tag::MOD_FX_1;

// Chorus up to Tremolo run an LFO whose speed "Mod FX 1" sets; AutoPan and
// Ring have no synced speed.
constexpr int LAST_LFO_MOD_FX_MODE = 6;

// Stepped lists store step s as (s + 0.1) / range.
constexpr float VOWEL_RANGE = 4.99f;
constexpr float DELAY_LENGTH_RANGE = 14.99f;
constexpr float STEP_OFFSET = 0.1f;

// ---- the modulation matrix: four slots of bypass, source, destination, amount
constexpr int MOD_SLOT_COUNT = 4;
// A route made from the menu starts halfway, where the slot's amount knob starts.
constexpr float NEW_ROUTE_AMOUNT = 0.5f;

constexpr int MIDI_CONTROLLERS = 128;
constexpr int LAST_MIDI_CHANNEL = 16;

// The one list of musical values a parameter's menu offers, if any.
enum class TSpecialList { none, waveShapes, semitones, vowels, lpHp, lpBpHp, lfoPeriods, gatorPeriods };

// What the parameter menu offered this time: a title such as "Off" or
// "LP Filter" means something only in the list that holds it.
struct TOfferedLists {
    TSpecialList special = TSpecialList::none;
    bool delayLengths = false;
    bool ribbonDestinations = false;
};

TSpecialList specialListOf(TEditorServices& services, int tag) {
    switch (tag) {
        case tag::WAVE_MIX: return TSpecialList::waveShapes;
        case tag::SOURCE_SEMI: return TSpecialList::semitones;
        case tag::FILTER_VOWEL_MIX:
            switch (services.getSteppedValue(tag::FILTER_MODE)) {
                case filtertype::VOCAL: return TSpecialList::vowels;
                // "Filter Vowel/Mix" blends the zero filters' outputs.
                case filtertype::ZERO_LOW_HIGH_PASS_12DB:
                case filtertype::ZERO_LOW_HIGH_PASS_24DB: return TSpecialList::lpHp;
                case filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB:
                case filtertype::ZERO_LOW_BAND_HIGH_PASS_24DB: return TSpecialList::lpBpHp;
                default: return TSpecialList::none;
            }
        case tag::MOVEMENT_SPEED:
            return services.getOnOff(tag::MOVEMENT_TEMPO_SYNC) ? TSpecialList::lfoPeriods : TSpecialList::none;
        case tag::FREE_LFO_SPEED:
            return services.getOnOff(tag::FREE_LFO_TEMPO_SYNC) ? TSpecialList::lfoPeriods : TSpecialList::none;
        case MOD_FX_SPEED_TAG: {
            // The Gator's speed is always a note length; the LFO modes' only while synced.
            const int mode = services.getSteppedValue(tag::MOD_FX_MODE);
            if (mode == MOD_FX_GATOR_MODE)
                return TSpecialList::gatorPeriods;
            if (mode >= 0 && mode <= LAST_LFO_MOD_FX_MODE && services.getOnOff(tag::MOD_FX_TEMPO_SYNC))
                return TSpecialList::lfoPeriods;
            return TSpecialList::none;
        }
        default: return TSpecialList::none;
    }
}

template <typename Entries>
std::vector<std::string> titlesOf(const Entries& entries) {
    std::vector<std::string> titles;
    for (const TValueEntry& entry : entries)
        titles.emplace_back(entry.title);
    return titles;
}

void addSpecialList(TPopupMenu& popup, TSpecialList list) {
    COptionMenu& menu = popup.getMenu();
    switch (list) {
        case TSpecialList::none: break;
        case TSpecialList::waveShapes:
            popup.add("-");
            popup.add(titlesOf(WAVE_SHAPE_ENTRIES));
            break;
        case TSpecialList::semitones:
            popup.add("-");
            for (const TSemitoneGroup& group : SEMITONE_GROUPS) {
                if (group.first == group.last) {
                    popup.add(semitoneTitle(group.first));
                    continue;
                }
                std::vector<std::string> titles;
                for (int semitones = group.first; semitones <= group.last; ++semitones)
                    titles.push_back(semitoneTitle(semitones));
                popup.addSubmenu(menu, group.title, titles);
            }
            break;
        case TSpecialList::vowels: popup.addSubmenu(menu, "Set to Vowel", FILTER_VOWEL_STR); break;
        case TSpecialList::lpHp: popup.addSubmenu(menu, "Set to LP/HP Filter", titlesOf(LP_HP_ENTRIES)); break;
        case TSpecialList::lpBpHp:
            popup.addSubmenu(menu, "Set to LP/BP/HP Filter", titlesOf(LP_BP_HP_ENTRIES));
            break;
        case TSpecialList::lfoPeriods: popup.addSubmenu(menu, "Set Speed", LFO_PERIOD_STR); break;
        case TSpecialList::gatorPeriods: popup.addSubmenu(menu, "Set Speed", GATER_PERIOD_STR); break;
    }
}

int firstFreeSlot(TEditorServices& services) {
    for (int slot = 0; slot < MOD_SLOT_COUNT; ++slot)
        if (services.getModSlotDest(slot) == 0)
            return slot;
    return -1;
}

// Value and MIDI commands, chosen at the top level. Every value reaches the
// host but the typed one ("Set to Value"): the plug-in stores typed values
// without telling the host, and no control's gesture reports it here.
void runTopLevelCommand(TEditorServices& services, int tag, const std::string& title) {
    switch (titleIndex(VALUE_COMMAND_STR, title)) {
        case SET_TO_DEFAULT: services.setToDefault(tag); break;
        case SET_TO_ORIGINAL: services.setToOrig(tag); break;
        case SET_TO_ZERO: services.setParameterAutomated(tag, services.getZeroValue(tag)); break;
        case SET_TO_MINIMUM: services.setParameterAutomated(tag, 0.0f); break;
        case SET_TO_MAXIMUM: services.setParameterAutomated(tag, 1.0f); break;
        case SET_TO_MID: services.setParameterAutomated(tag, 0.5f); break;
        case SET_TO_VALUE: services.setNumValue(tag); break;
        case SET_TO_RANDOM:
            services.setParameterAutomated(tag, static_cast<float>(std::rand() & 32767) / 32767.0f);
            break;
        case INCREASE_VALUE: services.changeDelta(tag, 1, false, 1.0f); break;
        case DECREASE_VALUE: services.changeDelta(tag, -1, false, 1.0f); break;
        default: break;
    }
    switch (titleIndex(MIDI_COMMAND_STR, title)) {
        case LATCH_TO_MIDI: services.setMIDILatch(tag, true); break;
        case UNLATCH_MIDI: services.setMIDILatch(tag, false); break;
        case SET_MIDI_CC: services.setMIDICCNum(tag); break;
        case CLEAR_ALL_MIDI: services.resetMIDI(); break;
        default: break;
    }
}

// Modulation and list commands, chosen at any depth. The lists' values are
// the parameter's own settings, stored without telling the host; the slots
// change through the plug-in's matrix operations.
void runListCommand(TEditorServices& services, int tag, int destination, const TOfferedLists& offered,
                    const std::array<std::string, 126>& destStr, const std::string& title) {
    if (title.empty())
        return;
    // A source for the parameter, from "Modulate by": the first free slot.
    if (destination != 0)
        if (const int source = titleIndex(SRC_STR, title); source >= 1 && source < MOD_SOURCE_COUNT)
            if (const int slot = firstFreeSlot(services); slot >= 0)
                services.setModSlotVar(slot, false, NEW_ROUTE_AMOUNT, source, destination);

    // The slots aimed at the parameter (destination 0 would be the free ones).
    if (const int command = titleIndex(MOD_COMMAND_STR, title); command >= 0 && destination != 0)
        for (int slot = 0; slot < MOD_SLOT_COUNT; ++slot) {
            if (services.getModSlotDest(slot) != destination)
                continue;
            switch (command) {
                case CLEAR_MODULATION: services.setModSlotVar(slot, false, NEW_ROUTE_AMOUNT, 0, 0); break;
                case DEFAULT_MODULATION_AMOUNT: services.setToDefault(tag::MODULATION_SLOT_1_AMOUNT + slot); break;
                case BYPASS_MODULATION: services.setOn(tag::MODULATION_SLOT_1_BYPASS + slot); break;
                case UNBYPASS_MODULATION: services.setOff(tag::MODULATION_SLOT_1_BYPASS + slot); break;
                default: break;
            }
        }

    if (const int shape = findValueEntry(WAVE_SHAPE_ENTRIES, title); shape >= 0)
        services.setParameter(tag::WAVE_MIX, WAVE_SHAPE_ENTRIES[static_cast<size_t>(shape)].value);

    switch (offered.special) {
        case TSpecialList::semitones:
            for (int semitones = -SEMITONE_LIMIT; semitones <= SEMITONE_LIMIT; ++semitones)
                if (title == semitoneTitle(semitones))
                    services.setParameter(tag, static_cast<float>(semitones) / SEMITONE_SPAN + 0.5f);
            break;
        case TSpecialList::vowels:
            if (const int vowel = titleIndex(FILTER_VOWEL_STR, title); vowel >= 0)
                services.setParameter(tag, (static_cast<float>(vowel) + STEP_OFFSET) / VOWEL_RANGE);
            break;
        case TSpecialList::lpHp:
            if (const int blend = findValueEntry(LP_HP_ENTRIES, title); blend >= 0)
                services.setParameter(tag, LP_HP_ENTRIES[static_cast<size_t>(blend)].value);
            break;
        case TSpecialList::lpBpHp:
            if (const int blend = findValueEntry(LP_BP_HP_ENTRIES, title); blend >= 0)
                services.setParameter(tag, LP_BP_HP_ENTRIES[static_cast<size_t>(blend)].value);
            break;
        case TSpecialList::lfoPeriods:
        case TSpecialList::gatorPeriods: {
            const auto& periods = offered.special == TSpecialList::lfoPeriods ? LFO_PERIOD_STR : GATER_PERIOD_STR;
            if (const int period = titleIndex(periods, title); period >= 0)
                services.setParameter(tag, (static_cast<float>(period) + STEP_OFFSET) / SYNCED_SPEED_RANGE);
            break;
        }
        case TSpecialList::none:
        case TSpecialList::waveShapes: break;
    }

    if (offered.delayLengths)
        if (const int length = titleIndex(DELAY_LEN_STR, title); length >= 0)
            services.setParameter(tag, (static_cast<float>(length) + STEP_OFFSET) / DELAY_LENGTH_RANGE);

    // The ribbon as the source of a new route. "None" sets up no route: a
    // slot filled with it would modulate nothing and only use the slot up.
    if (offered.ribbonDestinations)
        if (const int target = titleIndex(destStr, title); target >= 1 && target < MOD_DEST_COUNT)
            if (const int slot = firstFreeSlot(services); slot >= 0) {
                services.setToDefault(tag::MODULATION_SLOT_1_AMOUNT + slot);
                services.setSteppedValue(tag::MODULATION_SLOT_1_SOURCE + slot, source::RIBBON);
                services.setSteppedValue(tag::MODULATION_SLOT_1_DESTINATION + slot, target);
            }
}

// The menu's greyed head: the parameter with its value, the controller it is
// latched to and what modulates it. True when anything does.
bool addParameterHeadings(TPopupMenu& popup, TEditorServices& plugin, int tag, int destination) {
    popup.add("-GControl and MIDI Command Menu");
    popup.add("-G" + plugin.getParameterNameStr(tag) + ": " + plugin.getParameterDisplayStr(tag));

    // A stored 0 means an unbound controller, so no parameter 0 is latched.
    std::string latch = "-GNot MIDI Latched";
    for (int controller = 0; controller < MIDI_CONTROLLERS && tag != 0; ++controller)
        if (getMIDICC(controller) == tag) {
            latch = "-GLatched to MIDI CC: " + std::to_string(controller);
            break;
        }
    popup.add(latch);

    bool modulated = false;
    if (destination != 0) {
        for (size_t route = 0; route < MOD_MENU_DEST_TAGS.size(); ++route)
            if (plugin.getModDest(MOD_MENU_DEST_TAGS[route]) == destination) {
                popup.add("-GModulated by " + plugin.getModSrcByModStr(static_cast<int>(route)));
                modulated = true;
            }
        if (!modulated)
            popup.add("-GNot Modulated by Anything");
        popup.add("-");
    }
    return modulated;
}

// The lists of values the parameter offers besides the plain commands: its
// musical list, the delay lengths, the ribbon's destinations.
TOfferedLists addValueLists(TPopupMenu& popup, TEditorServices& plugin, int tag,
                            const std::array<std::string, 126>& destStr) {
    COptionMenu& menu = popup.getMenu();
    TOfferedLists offered;
    offered.special = specialListOf(plugin, tag);
    addSpecialList(popup, offered.special);
    offered.delayLengths =
        (tag == tag::DELAY_LEFT || tag == tag::DELAY_RIGHT) && plugin.getOnOff(tag::DELAY_TEMPO_SYNC);
    if (offered.delayLengths)
        popup.addSubmenu(menu, "Set Length", DELAY_LEN_STR);
    offered.ribbonDestinations = tag == tag::RIBBON_VALUE;
    if (offered.ribbonDestinations) {
        COptionMenu* destinations = popup.makeSubmenu();
        destinations->addEntry(destStr[0]);
        for (size_t group = 0; group < DEST_SUB_STR.size(); ++group) {
            const std::span<const std::string> names(destStr.begin() + DEST_SUB_START[group],
                                                      destStr.begin() + DEST_SUB_START[group + 1]);
            popup.addSubmenu(*destinations, DEST_SUB_STR[group], names);
        }
        TPopupMenu::attach(menu, destinations, "Set To Destination");
    }
    return offered;
}

// For a parameter that can be modulated: the sources a new route can take
// (while a slot is free) and the commands on its routes (greyed without one).
void addModulationEntries(TPopupMenu& popup, TEditorServices& plugin, int destination, bool modulated) {
    if (destination == 0)
        return;
    if (firstFreeSlot(plugin) >= 0) {
        popup.add("-");
        for (int group = 0; group < static_cast<int>(SRC_SUB_STR.size()); ++group) {
            std::vector<std::string> sources;
            for (const TRange& range : SRC_SUB_RANGES)
                if (range.group == group)
                    for (int source = range.first; source <= range.last; ++source)
                        sources.push_back(SRC_STR[static_cast<size_t>(source)]);
            popup.addSubmenu(popup.getMenu(), "Modulate by " + SRC_SUB_STR[static_cast<size_t>(group)], sources);
        }
    }
    popup.add("-");
    for (const std::string& command : MOD_COMMAND_STR)
        popup.add(modulated ? command : "-G" + command);
}

}  // namespace

// ---------------------------------------------------------------- the parameter menu

void uEditor::showMIDIMenu(CControl* control, bool ribbon) {
    if (!frame || !services || !control)
        return;
    const int tag = control->getTag();
    if (!isValidTag(tag))
        return;
    TEditorServices& plugin = *services;
    const int destination = plugin.getTagDest(tag);

    TPopupMenu popup(frame);
    const bool modulated = addParameterHeadings(popup, plugin, tag, destination);
    popup.addSubmenu(popup.getMenu(), ribbon ? "Slider Control Information" : "Dial Control Information",
                     DIAL_INFO_STR);
    popup.add("-");
    popup.add(VALUE_COMMAND_STR);
    const TOfferedLists offered = addValueLists(popup, plugin, tag, destStr);
    popup.add("-");
    popup.add(MIDI_COMMAND_STR);
    addModulationEntries(popup, plugin, destination, modulated);

    popup.popup();
    runTopLevelCommand(plugin, tag, popup.getTopTitle());
    runListCommand(plugin, tag, destination, offered, destStr, popup.getLastTitle());
    popup.close();
    resume();
}

// ---------------------------------------------------------------- the ECS and Movement speed menus

void uEditor::showECSMenu() {
    if (!frame || !services)
        return;
    TPopupMenu popup(frame);
    popup.add(ECS_MENU_STR);
    popup.popup();
    switch (titleIndex(ECS_MENU_STR, popup.getTopTitle())) {
        case LOAD_ECS: services->loadECS(); break;
        case SAVE_ECS: services->saveECS(); break;
        case ECS_CLEAR_ALL_MIDI: services->resetMIDI(); break;
        default: break;
    }
    popup.close();
    resume();
}

void uEditor::showMoveSpeedMenu() {
    if (!frame || !services)
        return;
    // Without tempo sync the speed is free: typed, not chosen from note lengths.
    if (!services->getOnOff(tag::MOVEMENT_TEMPO_SYNC)) {
        services->setNumValue(tag::MOVEMENT_SPEED);
        return;
    }
    TPopupMenu popup(frame);
    popup.add("-GMovement Speed Menu");
    popup.addSubmenu(popup.getMenu(), "Movement Speed Menu Information", MOVE_SPEED_INFO_STR);
    popup.add("-");
    popup.add(LFO_PERIOD_STR);
    popup.popup();
    if (const int period = titleIndex(LFO_PERIOD_STR, popup.getTopTitle()); period >= 0)
        services->setSteppedValue(tag::MOVEMENT_SPEED, period, SYNCED_SPEED_RANGE, SYNCED_SPEED_STEPS);
    popup.close();
    resume();
}

// ---------------------------------------------------------------- the settings menu

namespace {

// The editor's own switches: each is written back whenever the menu closes,
// chosen or not. Four show what the preferences hold, two the editor's state.
struct TEditorSwitch {
    TSetting setting;
    const std::string& key;
    bool& member;
    bool shown;
};

// The plug-in's MIDI switches live in the preferences alone.
struct TMIDISwitch {
    TSetting setting;
    const std::string& key;
};
const TMIDISwitch MIDI_SWITCHES[] = {
    {MIDI_PRESET, REG_MIDI_PRESET_STR},
    {MIDI_BANK, REG_MIDI_BANK_STR},
    {MIDI_CAPTURE, REG_MIDI_CAPTURE_STR},
    {MIDI_SPRING_BACK, REG_MIDI_SPRING_CHANNEL_STR},
};

void addSwitch(TPopupMenu& popup, TSetting setting, bool on) {
    popup.addSwitch(SETTING_TEXTS[static_cast<size_t>(setting)], on);
    popup.add("-");
}

void addMIDISwitch(TPopupMenu& popup, const TMIDISwitch& midiSwitch) {
    addSwitch(popup, midiSwitch.setting, getRegisterIsOn(midiSwitch.key, true));
}

void addSettingsEntries(TPopupMenu& popup, int screenSize, std::span<const TEditorSwitch> editorSwitches) {
    popup.add(CONTROL_MENU_TITLE_STR);
    popup.add("-");
    popup.add(SCREEN_SIZE_HEADING_STR + SCREEN_SIZE_STR[static_cast<size_t>(screenSize)]);
    popup.add(SET_SCREEN_SIZE_STR);
    popup.add("-");
    for (const TEditorSwitch& editorSwitch : editorSwitches)
        addSwitch(popup, editorSwitch.setting, editorSwitch.shown);
    addMIDISwitch(popup, MIDI_SWITCHES[0]);
    addMIDISwitch(popup, MIDI_SWITCHES[1]);
    // A channel stored by other means may lie outside the names.
    const int channel = std::clamp(loadIntFromPrefs(REG_MIDI_IN_CHANNEL_STR), 0, LAST_MIDI_CHANNEL);
    popup.add(MIDI_CHANNEL_HEADING_STR + MIDI_IN_CHANNEL_STR[static_cast<size_t>(channel)]);
    popup.add(SET_MIDI_CHANNEL_STR);
    popup.add("-");
    addMIDISwitch(popup, MIDI_SWITCHES[2]);
    addMIDISwitch(popup, MIDI_SWITCHES[3]);
    popup.add(RESET_EVERYTHING_STR);
    popup.add(ABOUT_STR);
    popup.add(WEB_PAGE_STR);
    popup.add(DOWNLOAD_LATEST_STR);
}

void takeMIDISwitchChoice(TEditorServices& plugin, const std::string& chosen) {
    for (const TMIDISwitch& midiSwitch : MIDI_SWITCHES) {
        const TSettingTexts& texts = SETTING_TEXTS[static_cast<size_t>(midiSwitch.setting)];
        if (chosen != texts.onText && chosen != texts.offText)
            continue;
        saveBoolToPrefs(midiSwitch.key, chosen == texts.offText);
        // Capture starts afresh from the values as they stand now.
        if (midiSwitch.setting == MIDI_CAPTURE)
            plugin.resetMIDICapture();
    }
}

// The commands that ask, reset or leave for the desktop.
void runSettingsCommand(TEditorServices& plugin, const std::string& chosen) {
    if (chosen == SET_MIDI_CHANNEL_STR) {
        std::string answer;
        int typed = -1;
        if (inputBoxNumStr(MIDI_CHANNEL_PROMPT_STR, MIDI_CHANNEL_HEADLINE_STR, answer, 0, LAST_MIDI_CHANNEL, typed)) {
            saveIntToPrefs(REG_MIDI_IN_CHANNEL_STR, typed);
            plugin.updateMIDIChannel(false);
        }
    }
    if (chosen == RESET_EVERYTHING_STR)
        plugin.doHardReset();
    if (chosen == WEB_PAGE_STR)
        platform::openWithDesktop(WEB_PAGE_ADDRESS_STR);
    if (chosen == ABOUT_STR)
        messageBox(ABOUT_TEXT_STR, MESSAGE_BOX_OK_ONLY);
    // "Download Latest" does nothing: there is no download to offer.
}

}  // namespace

void uEditor::showControlMenu() {
    if (!frame || !services)
        return;
    const TEditorSwitch editorSwitches[] = {
        {DIAL_ANIMATION, REG_DIAL_ANIMATION_STR, dialAnimationOn, getRegValue(REG_DIAL_ANIMATION_STR, true)},
        {OUTPUT_DISPLAY, REG_OUTPUT_DISPLAY_STR, outputDisplayOn, getRegValue(REG_OUTPUT_DISPLAY_STR, true)},
        {OUTPUT_DISPLAY_SPEED, REG_OUTPUT_DISPLAY_SPEED_STR, outputDisplaySpeed,
         getRegValue(REG_OUTPUT_DISPLAY_SPEED_STR, OUTPUT_DISPLAY_SPEED_DEFAULT)},
        {TOOL_TIPS, REG_TOOL_TIP_STR, toolTipOn, getRegValue(REG_TOOL_TIP_STR, true)},
        {COMPUTER_KEYBOARD, REG_KEYBOARD_STR, keyboardOn, keyboardOn},
        {DRAG_AND_DROP, REG_DRAG_AND_DROP_STR, dragAndDropOn, dragAndDropOn},
    };
    TPopupMenu popup(frame);
    addSettingsEntries(popup, getBig(), editorSwitches);
    popup.popup();
    const std::string& chosen = popup.getTopTitle();

    if (const int size = titleIndex(SET_SCREEN_SIZE_STR, chosen); size >= 0)
        setScreenSize(size);
    for (const TEditorSwitch& editorSwitch : editorSwitches) {
        takeSwitchChoice(SETTING_TEXTS[static_cast<size_t>(editorSwitch.setting)], chosen, editorSwitch.member);
        saveBoolToPrefs(editorSwitch.key, editorSwitch.member);
        if (editorSwitch.setting == OUTPUT_DISPLAY && waveScreen)
            waveScreen->setOn(outputDisplayOn);
    }
    takeMIDISwitchChoice(*services, chosen);
    runSettingsCommand(*services, chosen);

    popup.close();
    resume();
}
