// The three page backgrounds. They carry what the controls do not draw: the
// top bar with its boxes, logo and icon, the panel bands and their section
// dividers, the dark displays, the LED sockets, the ribbon's track, the sample
// page's browser and waveform panes, and the back screen's captions. Every box
// that sits under a control takes its rectangle from the layout rows.
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include <cairo.h>

#include "controls/PanelLook.h"
#include "editor/BackScreenLayout.h"
#include "tools/artwork/Painters.h"

namespace artwork {

using namespace look;

namespace {

// The bands of the main screen at 100 %: edges, and the x of the lines that
// divide a band into its sections. They fill the gaps between the rows of
// controls, so their edges are chosen between those rows.
struct TBand {
    int left;
    int top;
    int right;
    int bottom;
    std::array<int, 4> dividers;  // 0: none
};
const std::array<TBand, 6> MAIN_BANDS{{
    {14, 84, 1118, 357, {}},                      // Movement; the sample area on the sample screen
    {14, 361, 1118, 463, {578}},                  // Source | Filter
    {14, 466, 1118, 562, {682}},                  // LFO | Main
    {14, 566, 1118, 649, {156, 440, 763, 1035}},  // Low-Fi | Mod FX | Delay | Reverb | Path
    {14, 653, 1118, 727, {299, 569, 839}},        // Mod 1 | 2 | 3 | 4
    {14, 731, 1118, 770, {}},                     // Ribbon
}};
constexpr int TOP_BAR_BOTTOM = 74;
constexpr int DIVIDER_INSET = 8;

// LEDs of the main screen outside the switch table. The "Sample Rev" switch
// and the sample screen's button are hidden unless the source plays a sample;
// a socket under them would stay behind as an empty well, so the page carries
// none (the sample page does carry the button's, which is always shown there).
constexpr std::array<const char*, 5> MAIN_LEDS{"revertEditedButton", "revertOriginalButton", "ecsMenuButton",
                                               "manualButton", "onOffRibbonBiPolarOnOff"};
// Switches of the Movement panel, which the sample screen does not show.
constexpr std::array<std::string_view, 2> MOVEMENT_SWITCHES{"onOffMovementLoopOnOff",
                                                            "onOffMovementTempoSyncOnOff"};

CRect unite(CRect a, const CRect& b) {
    a.left = std::min(a.left, b.left);
    a.top = std::min(a.top, b.top);
    a.right = std::max(a.right, b.right);
    a.bottom = std::max(a.bottom, b.bottom);
    return a;
}

void paintBand(TArtCanvas& c, const TBand& band) {
    const CRect r = c.scaledRect(band.left, band.top, band.right, band.bottom);
    c.box(r, c.unit(PANEL_CORNER_RADIUS), PANEL_FILL_COLOR, PANEL_BORDER_COLOR);
    const double inset = c.scaled(DIVIDER_INSET);
    for (int x : band.dividers)
        if (x)
            c.fillRect(CRect(c.scaled(x), r.top + inset, c.scaled(x) + c.lineWidth(), r.bottom - inset),
                       PANEL_DIVIDER_COLOR);
}

void paintWindowBack(TArtCanvas& c) {
    c.fillRect(CRect(0, 0, c.getWidth(), c.getHeight()), WINDOW_BACK_COLOR);
}

void paintTopBarBand(TArtCanvas& c) {
    const int bottom = c.scaled(TOP_BAR_BOTTOM);
    c.fillRect(CRect(0, 0, c.getWidth(), bottom), TOP_BAR_COLOR);
    c.fillRect(CRect(0, bottom - c.lineWidth(), c.getWidth(), bottom), PANEL_BORDER_COLOR);
}

// A round emblem (a ring holding one cycle of a wave) and the wordmark, centred
// in rect.
void paintLogo(TArtCanvas& c, const CRect& r, double wordSize) {
    const double ratio = wordSize / LOGO_TEXT_SIZE;
    const double emblem = r.getHeight() * 0.8;
    const double gap = c.unit(12 * ratio);
    const double spacing = 4 * ratio;
    const double wordWidth = c.textWidth("KOLBRI", wordSize, true) + 5 * c.unit(spacing);
    const double left = r.left + (r.getWidth() - (emblem + gap + wordWidth)) / 2;
    const double cx = left + emblem / 2, cy = (r.top + r.bottom) / 2;

    c.fillCircle(cx, cy, emblem / 2, TEXT_COLOR);
    c.fillCircle(cx, cy, emblem / 2 - std::max(1.0, c.unit(2.5 * ratio)), TOP_BAR_COLOR);
    cairo_t* cr = c.getCairo();
    cairo_new_path(cr);
    const double waveWidth = emblem * 0.56, waveHeight = emblem * 0.2;
    for (int i = 0; i <= 48; ++i) {
        double t = i / 48.0;
        cairo_line_to(cr, cx - waveWidth / 2 + t * waveWidth, cy - waveHeight * std::sin(2 * M_PI * t));
    }
    cairo_set_source_rgba(cr, TEXT_COLOR.red / 255.0, TEXT_COLOR.green / 255.0, TEXT_COLOR.blue / 255.0, 1);
    cairo_set_line_width(cr, std::max(1.0, c.unit(2.5 * ratio)));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);

    const double wordLeft = left + emblem + gap;
    const double wordTop = r.top + r.getHeight() * 0.06;
    c.spacedText("KOLBRI", wordLeft, CRect(wordLeft, wordTop, r.right, wordTop + r.getHeight() * 0.62), TEXT_COLOR,
                 wordSize, true, spacing);
    const double subTop = wordTop + r.getHeight() * 0.62;
    c.text("SOUND EFFECTS SYNTHESIZER", CRect(wordLeft, subTop, wordLeft + wordWidth, r.bottom),
           CAPTION_DARK_COLOR, 8.5 * ratio, true, kgui::kLeftText);
}

// A gear: the settings menu.
void paintSettingsIcon(TArtCanvas& c, const CRect& r) {
    const double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const double outer = r.getWidth() * 0.46, inner = r.getWidth() * 0.34;
    cairo_t* cr = c.getCairo();
    cairo_new_path(cr);
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        double a = (i - 0.5) * M_PI / (teeth * 2);
        double radius = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        cairo_line_to(cr, cx + radius * std::cos(a), cy + radius * std::sin(a));
    }
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, SELECTED_LFO_COLOR.red / 255.0, SELECTED_LFO_COLOR.green / 255.0,
                          SELECTED_LFO_COLOR.blue / 255.0, 1);
    cairo_fill(cr);
    c.fillCircle(cx, cy, r.getWidth() * 0.14, TOP_BAR_COLOR);
}

// The tab that switches between the main and the sample screen; on the sample
// screen it is lit and leads back.
void paintSampleTab(TArtCanvas& c, bool onSampleScreen) {
    const CRect r = c.boxOf("sampleScreenArea");
    const double radius = c.unit(BOX_CORNER_RADIUS);
    if (onSampleScreen)
        c.box(r, radius, MENU_ARROW_COLOR, TEXT_COLOR);
    else
        c.box(r, radius, PANEL_FILL_COLOR, PANEL_BORDER_COLOR);
    const double arrow = c.unit(3), cy = (r.top + r.bottom) / 2;
    const double textSize = 10;
    const char* label = onSampleScreen ? "MAIN" : "SAMPLE";
    const double textWidth = c.textWidth(label, textSize, true);
    const double gap = c.unit(5);
    const double left = r.left + (r.getWidth() - (textWidth + gap + arrow)) / 2;
    if (onSampleScreen) {
        c.fillPolygon({{left, cy}, {left + arrow, cy - arrow * 1.4}, {left + arrow, cy + arrow * 1.4}}, TEXT_COLOR);
        c.text(label, CRect(left + arrow + gap, r.top, r.right, r.bottom), TEXT_COLOR, textSize, true);
    } else {
        c.text(label, CRect(left, r.top, r.right, r.bottom), TEXT_COLOR, textSize, true);
        const double x = left + textWidth + gap;
        c.fillPolygon({{x + arrow, cy}, {x, cy - arrow * 1.4}, {x, cy + arrow * 1.4}}, TEXT_COLOR);
    }
}

void paintTopBar(TArtCanvas& c, bool onSampleScreen) {
    paintTopBarBand(c);
    const double radius = c.unit(BOX_CORNER_RADIUS);
    // The program and folder menus draw only their text and arrows.
    for (const char* menu : {"presetMenu", "folderMenu"})
        c.boxAround(c.boxOf(menu), MENU_INNER_COLOR, DISPLAY_BORDER_COLOR);
    // One display holds both hint lines.
    CRect hint = unite(c.boxOf("hintReadout1"), c.boxOf("hintReadout2"));
    hint.inset(-c.scaled(5), -c.scaled(3));
    c.box(hint, radius, DISPLAY_FILL_COLOR, DISPLAY_BORDER_COLOR);
    paintSampleTab(c, onSampleScreen);
    paintLogo(c, c.boxOf("backScreenButton"), LOGO_TEXT_SIZE);
    paintSettingsIcon(c, c.boxOf("controlMenuButton"));
}

void paintDisplay(TArtCanvas& c, const CRect& r) {
    c.boxAround(r, DISPLAY_FILL_COLOR, DISPLAY_BORDER_COLOR);
}

void paintMovementDisplays(TArtCanvas& c) {
    const CRect selector = c.boxOf("lfoSelector");
    paintDisplay(c, selector);
    // The selector's four cells start where it computes them.
    const float width = static_cast<float>(selector.getWidth());
    for (int i = 1; i < 4; ++i) {
        const double x = selector.left + static_cast<int>(width * i * 0.25f);
        c.fillRect(CRect(x, selector.top, x + c.lineWidth(), selector.bottom), DISPLAY_BORDER_COLOR);
    }
    paintDisplay(c, c.boxOf("lfoScreen"));
}

void paintRibbonTrack(TArtCanvas& c) {
    const int s = c.getScreenSize();
    const TPixelBox b = RIBBON_RECTS[static_cast<unsigned>(s)];
    const CRect r(b.x, b.y, b.x + b.width, b.y + b.height);
    paintDisplay(c, r);
    // The handle's centre travels between these two points.
    const int half = SLIDER_WIDTH[static_cast<unsigned>(s)] / 2;
    const double left = static_cast<int>(r.left + half), right = static_cast<int>(r.right - half);
    const double cy = std::floor((r.top + r.bottom) / 2);
    const double w = c.lineWidth();
    c.fillRect(CRect(left, cy - w, right + w, cy + w), PANEL_DIVIDER_COLOR);
    for (int i = 0; i <= 8; ++i) {
        const double x = left + std::floor(i * (right - left) / 8);
        const double length = c.scaled(i % 4 == 0 ? 5 : 3);
        c.fillRect(CRect(x, r.top + c.scaled(2), x + w, r.top + c.scaled(2) + length), DISPLAY_BORDER_COLOR);
        c.fillRect(CRect(x, r.bottom - c.scaled(2) - length, x + w, r.bottom - c.scaled(2)), DISPLAY_BORDER_COLOR);
    }
}

void paintSockets(TArtCanvas& c, bool onSampleScreen) {
    for (const TLayoutRow& row : MAIN_SWITCHES) {
        const bool movement =
            std::find(MOVEMENT_SWITCHES.begin(), MOVEMENT_SWITCHES.end(), row.member) != MOVEMENT_SWITCHES.end();
        if (!(onSampleScreen && movement))
            c.socket(c.boxOf(row));
    }
    for (const char* led : MAIN_LEDS)
        c.socket(c.boxOf(led));
    if (onSampleScreen)
        c.socket(c.boxOf("sampleScreenButton"));
}

void paintPanels(TArtCanvas& c, bool onSampleScreen) {
    paintWindowBack(c);
    paintTopBar(c, onSampleScreen);
    for (const TBand& band : MAIN_BANDS)
        paintBand(c, band);
    paintRibbonTrack(c);
    paintSockets(c, onSampleScreen);
}

// A box under a control that draws only its text or arrows.
void paintControlBox(TArtCanvas& c, const char* member) {
    c.box(c.boxOf(member), c.unit(BOX_CORNER_RADIUS), MENU_INNER_COLOR, DISPLAY_BORDER_COLOR);
}

// The sample page's three panes: the browser's folder column, its file column
// and the waveform view, each a dark display reaching a little past its view.
void paintSamplePanes(TArtCanvas& c) {
    const unsigned s = static_cast<unsigned>(c.getScreenSize());
    const CRect browser = c.boxOf("sampleFileDisplay");
    const CRect wave = c.boxOf("sampleDisplay");
    const double margin = c.scaled(4);
    // The captions above the panes end two pixels above the views.
    const double top = std::min(browser.top, wave.top) - c.scaled(2);
    const double bottom = std::max(browser.bottom, wave.bottom) + margin;
    const double radius = c.unit(BOX_CORNER_RADIUS);
    const int rowHeight = SAMPLE_ROW_HEIGHT[s];
    const int scroll = SAMPLE_SCROLL_WIDTH[s];
    const CColor stripe{6, 15, 18, 255};

    // Folder column: commands on top, the folder's name at the bottom.
    const double columnRight = browser.left + SAMPLE_FILE_COL_WIDTH[s];
    c.box(CRect(browser.left - margin, top, columnRight + scroll + margin, bottom), radius, DISPLAY_FILL_COLOR,
          DISPLAY_BORDER_COLOR);
    c.fillRect(CRect(browser.left, browser.top, columnRight, browser.top + c.scaled(16)), PANEL_FILL_COLOR);
    const int rowCount = static_cast<int>(browser.getHeight() / rowHeight);
    for (int i = 1; i < rowCount - 2; i += 2) {
        const double y = browser.top + SAMPLE_ROW_OFF[s] + rowHeight * i;
        c.fillRect(CRect(browser.left - margin + c.lineWidth(), y, columnRight, y + rowHeight), stripe);
    }
    const double nameBottom = browser.bottom - getScaled(0, static_cast<int>(s), 1, 0, 0);
    c.fillRect(CRect(browser.left, nameBottom - c.scaled(12) - c.scaled(2), columnRight, nameBottom),
               PANEL_FILL_COLOR);
    c.fillRect(CRect(columnRight, browser.top + 1, columnRight + scroll, browser.bottom), WELL_FILL_COLOR);

    // File column: rows from the top, a preview icon at the start of each.
    const double filesLeft = browser.left + SAMPLE_FILE_START_X[s] - c.scaled(10);
    const double filesTrack = browser.left + SAMPLE_FILE_SCROLL_OFFSET[s];
    c.box(CRect(filesLeft, top, filesTrack + scroll + margin, bottom), radius, DISPLAY_FILL_COLOR,
          DISPLAY_BORDER_COLOR);
    for (int i = 1; i < rowCount; i += 2) {
        const double y = browser.top + rowHeight * i;
        c.fillRect(CRect(filesLeft + c.lineWidth(), y, filesTrack, y + rowHeight), stripe);
    }
    c.fillRect(CRect(filesTrack, browser.top + 1, filesTrack + scroll, browser.bottom), WELL_FILL_COLOR);

    // Waveform: the scroll thumb runs along the bottom edge.
    c.box(CRect(wave.left - c.scaled(5), top, wave.right + margin, bottom), radius, DISPLAY_FILL_COLOR,
          DISPLAY_BORDER_COLOR);
    c.fillRect(CRect(wave.left, wave.bottom - scroll, wave.right, wave.bottom), WELL_FILL_COLOR);
}

void paintSampleControls(TArtCanvas& c) {
    for (const TLayoutRow& row : SAMPLE_SCREEN) {
        std::string_view member = row.member;
        if (member.starts_with("sampleNudgeButtons") || member.starts_with("sampleZoomButtons") ||
            member.starts_with("samplePositionFields"))
            paintControlBox(c, row.member);
    }
}

// The back screen: each control's caption, right-aligned before it.
struct TBackCaption {
    const char* member;
    const char* text;
};
constexpr std::array<TBackCaption, 11> BACK_CAPTIONS{{
    {"midiChannelMenu", "MIDI Channel"},
    {"midiPresetSwitch", "MIDI Preset Change"},
    {"midiBankSwitch", "MIDI Bank Change"},
    {"midiCaptureSwitch", "MIDI Capture Mode"},
    {"keyboardSwitch", "Computer Keyboard"},
    {"presetWarningSwitch", "Preset Warning"},
    {"screenSizeMenu", "Screen Size"},
    {"a4TuningReadout", "A4 Pitch"},
    {"tuningReadout", "Tuning"},
    {"brickFilterSwitch", "Brick Filter"},
    {"brickFilterReadout", "Frequency"},
}};
// Group names in the settings card's left column, beside the group's first row.
constexpr std::array<TBackCaption, 4> BACK_GROUPS{{
    {"midiChannelMenu", "MIDI"},
    {"keyboardSwitch", "EDITOR"},
    {"a4TuningReadout", "TUNING"},
    {"brickFilterSwitch", "OUTPUT"},
}};
// Lines between the groups, at 100 %.
constexpr std::array<int, 3> BACK_GROUP_LINES{489, 557, 598};
constexpr int BACK_CARD_LEFT = 24, BACK_CARD_TOP = 384, BACK_CARD_RIGHT = 608, BACK_CARD_BOTTOM = 648;
constexpr int ABOUT_CARD_LEFT = 632, ABOUT_CARD_RIGHT = 1108;
constexpr int CAPTION_GAP = 8;

const TLayoutRow& backRow(std::string_view member) {
    for (const TLayoutRow& row : BACK_SCREEN)
        if (member == row.member)
            return row;
    return BACK_SCREEN.front();
}

void paintBackCard(TArtCanvas& c) {
    const CRect card = c.scaledRect(BACK_CARD_LEFT, BACK_CARD_TOP, BACK_CARD_RIGHT, BACK_CARD_BOTTOM);
    c.box(card, c.unit(PANEL_CORNER_RADIUS), PANEL_FILL_COLOR, PANEL_BORDER_COLOR);
    for (int y : BACK_GROUP_LINES)
        c.fillRect(CRect(card.left + c.scaled(16), c.scaled(y), card.right - c.scaled(16), c.scaled(y) + c.lineWidth()),
                   PANEL_DIVIDER_COLOR);
    for (const TBackCaption& group : BACK_GROUPS) {
        const CRect row = c.boxOf(backRow(group.member));
        c.text(group.text, CRect(card.left + c.scaled(16), row.top, card.right, row.bottom), CAPTION_DARK_COLOR,
               CAPTION_TEXT_SIZE, true);
    }
    const double radius = c.unit(BOX_CORNER_RADIUS);
    for (const TLayoutRow& row : BACK_SCREEN) {
        std::string_view member = row.member;
        const CRect r = c.boxOf(row);
        if (member.ends_with("Menu"))
            c.boxAround(r, MENU_INNER_COLOR, DISPLAY_BORDER_COLOR);
        else if (member.ends_with("Readout"))
            c.box(r, radius, MENU_INNER_COLOR, DISPLAY_BORDER_COLOR);
        else if (member != "backScreenCloseButton")
            c.socket(r);
    }
    for (const TBackCaption& caption : BACK_CAPTIONS) {
        const CRect r = c.boxOf(backRow(caption.member));
        const double right = r.left - c.scaled(CAPTION_GAP);
        c.text(caption.text, CRect(right - c.scaled(200), r.top, right, r.bottom), TEXT_COLOR, CAPTION_TEXT_SIZE,
               false, kgui::kRightText);
    }
    // The reset button follows the tuning it resets.
    const CRect reset = c.boxOf(backRow("tuningResetButton"));
    c.text("Reset", CRect(reset.right + c.scaled(CAPTION_GAP), reset.top, card.right, reset.bottom), TEXT_COLOR,
           CAPTION_TEXT_SIZE, false);
    const CRect size = c.boxOf(backRow("screenSizeMenu"));
    c.text("from the next opening", CRect(size.right + c.scaled(CAPTION_GAP), size.top, card.right, size.bottom),
           CAPTION_DARK_COLOR, CAPTION_TEXT_SIZE, false);
}

void paintAboutCard(TArtCanvas& c) {
    const CRect card = c.scaledRect(ABOUT_CARD_LEFT, BACK_CARD_TOP, ABOUT_CARD_RIGHT, BACK_CARD_BOTTOM);
    c.box(card, c.unit(PANEL_CORNER_RADIUS), PANEL_FILL_COLOR, PANEL_BORDER_COLOR);
    c.text("ABOUT", CRect(card.left + c.scaled(16), card.top + c.scaled(6), card.right, card.top + c.scaled(24)),
           TEXT_COLOR, HEADING_TEXT_SIZE, true);
    constexpr std::array<const char*, 6> lines{
        "A sound-effects synthesizer",
        "16 voices of noise, waves and samples",
        "Filter, distortion, Movement, LFO and four modulation slots",
        "Low-Fi, Mod FX, delay and reverb in any order",
        "A VST 2.4 instrument for Linux",
        "Orventa",
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double y = card.top + c.scaled(40 + 24 * static_cast<int>(i));
        c.text(lines[i], CRect(card.left + c.scaled(16), y, card.right - c.scaled(16), y + c.scaled(16)),
               i + 1 == lines.size() ? CAPTION_DARK_COLOR : TEXT_COLOR, CAPTION_TEXT_SIZE, i + 1 == lines.size());
    }
}

}  // namespace

void paintMainPage(TArtCanvas& c) {
    paintPanels(c, false);
    paintMovementDisplays(c);
}

void paintSamplePage(TArtCanvas& c) {
    paintPanels(c, true);
    paintSamplePanes(c);
    paintSampleControls(c);
}

void paintBackPage(TArtCanvas& c) {
    paintWindowBack(c);
    paintTopBarBand(c);
    c.text("SETTINGS", c.scaledRect(32, 20, 400, 54), TEXT_COLOR, 18, true);
    // A large wordmark over the cards, where the main screen has its panels.
    paintLogo(c, c.scaledRect(316, 170, 816, 290), 72);
    paintBackCard(c);
    paintAboutCard(c);
    const CRect hint = c.scaledRect(0, 690, EDITOR_WIDTH, 710);
    c.text("click anywhere else to return", hint, CAPTION_DARK_COLOR, HEADING_TEXT_SIZE, false, kgui::kCenterText);
}

}  // namespace artwork
