// The control table and the factories: every row of the layout made at its
// place and registered for its tag, the sizes the factories scale themselves,
// the captions by side and size, the modulation menus and the table's limits.
#include <map>

#include "editor_test_support.h"
#include "controls/ControlLook.h"
#include "controls/THSlider.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TLabel.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TRadioButton.h"
#include "editor/BackScreenLayout.h"
#include "editor/EditorMembers.h"

using namespace editor_test;
using kgui::CRect;

namespace {

using Rows = std::span<const TLayoutRow>;

// Rows in the order the editor makes them; each table's container offset.
struct TTable {
    Rows rows;
    const TScaledValue* x;
    const TScaledValue* y;
};

std::vector<TTable> allTables() {
    return {{MAIN_CAPTIONS, nullptr, nullptr},
            {MAIN_TOP_BAR, nullptr, nullptr},
            {MAIN_KNOBS, nullptr, nullptr},
            {MOD_FX_PANEL, &MOD_FX_VIEW_CONTAINER_X, &MOD_FX_VIEW_CONTAINER_Y},
            {MAIN_SWITCHES, nullptr, nullptr},
            {MAIN_SOURCE_ROW, nullptr, nullptr},
            {MAIN_MENUS, nullptr, nullptr},
            {MAIN_MODULATION_MENUS, nullptr, nullptr},
            {MAIN_MOVEMENT_AND_RIBBON, nullptr, nullptr},
            {SOURCE_PANEL, &SOURCE_VIEW_CONTAINER_X, &SOURCE_VIEW_CONTAINER_Y},
            {SAMPLE_SCREEN, nullptr, nullptr},
            {Rows(BACK_SCREEN).subspan(1), nullptr, nullptr}};
}

}  // namespace

TEST(ControlTable, EveryRowIsMadeWhereTheLayoutPutsItAtEverySize) {
    for (int size : {0, 2, 3}) {
        TEditorBench bench(size);
        uEditor& editor = *bench.editor;
        for (const TTable& table : allTables())
            for (const TLayoutRow& row : table.rows) {
                kgui::CControl* control = editor.findMember(row.member);
                ASSERT_NE(control, nullptr) << row.member << " at size " << size;
                if (row.make.factory == TFactory::imageButton)
                    continue;  // as large as its image
                const TPixelBox box = getScaledBox(row, size);
                EXPECT_EQ(control->getViewSize(), CRect(box.x, box.y, box.x + box.width, box.y + box.height))
                    << row.member << " at size " << size;
                if (row.make.caption) {
                    EXPECT_NE(editor.findMember(row.make.caption), nullptr) << row.make.caption;
                }
            }
        const TPixelBox ribbon = RIBBON_RECTS[static_cast<size_t>(size)];
        EXPECT_EQ(editor.ribbonSlider->getViewSize(),
                  CRect(ribbon.x, ribbon.y, ribbon.x + ribbon.width, ribbon.y + ribbon.height));
    }
}

TEST(ControlTable, EveryParameterTagReachesTheLastControlMadeForIt) {
    TEditorBench bench;
    uEditor& editor = *bench.editor;
    std::map<int, std::string> lastForTag;
    for (const TTable& table : allTables())
        for (const TLayoutRow& row : table.rows)
            if (uEditor::isValidTag(row.tag) && row.make.factory != TFactory::direct)
                lastForTag[row.tag] = row.member;
    lastForTag[19] = "sampleMenu";
    lastForTag[27] = "filterMenu";
    EXPECT_EQ(lastForTag[12], "knobSourceSemi3") << "the sample form's controls are made last";
    EXPECT_EQ(lastForTag[11], "onOffKeyTrackOnOff3");
    for (auto [tag, member] : lastForTag) {
        kgui::CControl* control = editor.getTagControl(tag);
        ASSERT_EQ(control, editor.findMember(member)) << "tag " << tag << " should reach " << member;
        EXPECT_EQ(control->getTag(), tag);
        EXPECT_FLOAT_EQ(control->getDefaultValue(), bench.plugin->getDefaultValue(tag)) << member;
    }
    EXPECT_EQ(editor.getTagControl(123), static_cast<kgui::CControl*>(editor.ribbonSlider));
    EXPECT_EQ(editor.getTagType(123), uEditor::RIBBON);
    EXPECT_EQ(editor.getTagType(1), uEditor::KNOB);
    EXPECT_EQ(editor.getTagType(82), uEditor::OPTION_MENU);
    EXPECT_EQ(editor.getTagType(40), uEditor::ON_OFF);
    EXPECT_EQ(editor.getTagControl(9999), nullptr);
    // Controls without a parameter carry 9999 and the value 0.
    for (kgui::CControl* control : {static_cast<kgui::CControl*>(editor.labelPreset),
                                    static_cast<kgui::CControl*>(editor.revertEditedButton),
                                    static_cast<kgui::CControl*>(editor.sampleNudgeButtons[3])}) {
        EXPECT_EQ(control->getTag(), 9999);
        EXPECT_EQ(control->getValue(), 0.0f);
    }
    // A stored value reaches its control through the table.
    bench.plugin->setParameterAutomated(30, 0.625f);
    bench.idle();
    EXPECT_FLOAT_EQ(editor.knobFilterQAmount->getValue(), 0.625f);
}

TEST(ControlTable, FactoriesScaleTheirOwnSizesAndPlaceCaptionsBySideAndSize) {
    struct Case {
        int size;
        int led, knobStyle3, knobStyle7;
    } cases[] = {{0, 13, 44, 30}, {1, 16, 55, 37}, {2, 19, 66, 45}, {3, 26, 88, 60}};
    for (const Case& c : cases) {
        TEditorBench bench(c.size);
        uEditor& e = *bench.editor;
        // Made here, not members: released by the test.
        std::vector<kgui::CBaseObject*> made;
        auto keep = [&](auto* control) { made.push_back(control); };
        TOnOff* onOff = nullptr;
        TKickButton* led = nullptr;
        TRadioButton* radio = nullptr;
        TKnob* knob3 = nullptr;
        TKnob* knob7 = nullptr;
        e.createOnOff(onOff, 40, 100, 100);
        e.createOnOffKick(led, 100, 100, false);
        e.createRadio(radio, 100, 100, 0, 1);
        e.createKnob(knob3, 48, 100, 100, 3);
        e.createKnob(knob7, 48, 100, 100, 7);
        for (kgui::CBaseObject* control : std::initializer_list<kgui::CBaseObject*>{onOff, led, radio, knob3, knob7})
            keep(control);
        EXPECT_EQ(onOff->getViewSize(), CRect(100, 100, 100 + c.led, 100 + c.led)) << c.size;
        EXPECT_EQ(led->getViewSize(), onOff->getViewSize());
        EXPECT_EQ(radio->getViewSize(), onOff->getViewSize());
        EXPECT_EQ(knob3->getViewSize().getWidth(), c.knobStyle3);
        EXPECT_EQ(knob7->getViewSize().getWidth(), c.knobStyle7);
        EXPECT_EQ(e.getTagControl(48), knob7) << "a later control with the same tag replaces the earlier";

        // Captions: a knob's margin stays in pixels, a menu's width is scaled.
        TLabel* knobCaption = nullptr;
        TLabel* menuCaption = nullptr;
        TLabel* twoLines = nullptr;
        TKnob* knob = nullptr;
        TOptionMenu* menu = nullptr;
        e.createKnob(knob, 50, 200, 200, 2, knobCaption, "FREQ", 10);
        keep(knob);
        e.createLabelMenu(menu, 5, 200, 200, 100, 15, PLAY_MODE_STR, menuCaption, "PLAY MODE", 0, 10, true);
        keep(menu);
        e.createKnob(knob, 50, 200, 200, 2, twoLines, "MOVEMENT!>FILTER", 10);
        keep(knob);
        for (kgui::CBaseObject* caption : std::initializer_list<kgui::CBaseObject*>{knobCaption, menuCaption, twoLines})
            keep(caption);
        const int knobSize = uEditor::getKnobSize(2) * (c.size == 3 ? 2 : 1);
        EXPECT_EQ(knobCaption->getViewSize().left, 190) << c.size;
        EXPECT_EQ(menuCaption->getViewSize().left, 200 - getScaled(10, c.size)) << c.size;
        EXPECT_EQ(twoLines->getViewSize().getHeight(), 2 * getScaled(9, c.size)) << "one line per '!' part";
        if (c.size == 0 || c.size == 3) {
            EXPECT_EQ(knobCaption->getViewSize(),
                      CRect(190, 200 + knobSize, 190 + knobSize + 20, 200 + knobSize + getScaled(9, c.size)));
        }

        // A switch caption to the left and a menu caption above, with the per-size nudges.
        TLabel* left = nullptr;
        TLabel* above = nullptr;
        e.createOnOff(onOff, 42, 300, 300, left, "SYNC", 2, 40, 0);
        e.createLabelMenu(menu, 6, 300, 300, 103, 15, PORT_MODE_STR, above, "PORT", 1, 20, true);
        for (kgui::CBaseObject* control : std::initializer_list<kgui::CBaseObject*>{onOff, left, menu, above})
            keep(control);
        const int leftNudge[4] = {0, 1, 0, 1};
        EXPECT_EQ(left->getViewSize(), CRect(300 - getScaled(2, c.size) - 40, 300 + leftNudge[c.size],
                                             300 - getScaled(2, c.size), 300 + leftNudge[c.size] + c.led));
        EXPECT_EQ(above->getViewSize().top, 300 - getScaled(13, c.size));
        // The window closes with these in its table: the table only points at them.
        bench.editor->close();
        for (kgui::CBaseObject* control : made)
            control->forget();
    }
}

TEST(ControlTable, ModulationMenusOfferTheirGroups) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    auto counts = [](TOptionMenu* menu) {
        std::vector<int> sizes;
        for (int i = 1; i < menu->getNbEntries(); ++i)
            sizes.push_back(menu->getEntry(i)->getSubmenu()->getNbEntries());
        return sizes;
    };
    for (TOptionMenu* menu : e.srcMenus) {
        EXPECT_EQ(menu->getEntry(0)->getTitle(), "None");
        EXPECT_EQ(counts(menu), (std::vector<int>{38, 14, 10}));
    }
    EXPECT_EQ(e.srcSubMenus[1][1]->getEntry(11)->getTitle(), SRC_STR[60]) << "sources 60..62 follow 49";
    for (TOptionMenu* menu : e.destMenus)
        EXPECT_EQ(counts(menu), (std::vector<int>{6, 21, 9, 7, 18, 10, 9, 24, 14, 4, 3}));
    const std::vector<int> tags{115, 116, 117, 118, 59, 60, 73, 74};
    for (size_t k = 0; k < tags.size(); ++k)
        EXPECT_EQ(e.destMenus[k]->getTag(), tags[k]);
    // The grouped menus: every sample and every filter mode, the user sample last.
    EXPECT_EQ(e.sampleMenu->getNbEntries(), 9);
    EXPECT_EQ(e.sampleMenu->getEntry(8)->getTitle(), SAMPLE_STR[194]);
    EXPECT_EQ(e.filterMenu->getNbEntries(), 7);
    EXPECT_EQ(e.lockMenu->getNbEntries(), 3);
    EXPECT_FALSE(e.lockMenu->hasDeltaButtons());
    EXPECT_EQ(e.menuFXPath->getNbEntries(), 24);
    // The preset menu: eight groups, then the commands.
    EXPECT_EQ(e.presetMenu->getNbEntries(), 8 + 1 + 1 + 4);
    EXPECT_EQ(e.presetMenu->getEntry(9)->getTitle(), "Clear Preset");
    EXPECT_EQ(e.presetMenu->getEntry(13)->getTitle(), "Set To 200% Screen Size");
}

TEST(ControlTable, HoldsTenThousandControlsAndRefusesTheNext) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    std::vector<TLabel*> made;
    while (e.getControlCount() < uEditor::MAX_CONTROLS) {
        TLabel* label = nullptr;
        e.createLabel(label, 0, 0, 10, 10, "x", nullptr, look::TEXT_COLOR, 0);
        made.push_back(label);
    }
    TKnob* extra = nullptr;
    e.createKnob(extra, 3, 0, 0, 4);
    EXPECT_EQ(e.getControlCount(), uEditor::MAX_CONTROLS);
    EXPECT_NE(e.getTagControl(3), extra) << "not registered";
    EXPECT_EQ(extra->getValue(), 0.0f) << "value and default untouched";
    EXPECT_EQ(extra->getDefaultValue(), 0.5f);
    extra->forget();
    for (TLabel* label : made)
        label->forget();
}
