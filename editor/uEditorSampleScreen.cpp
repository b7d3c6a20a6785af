// The sample screen's controls: the buttons and the click area that lead to
// it and back, the loop mode menu, which moves the reverse switch with it, the
// nudge and zoom buttons and the typed positions. The display is redrawn at
// the next idle pass after each of them.
#include "editor/uEditor.h"

#include <array>
#include <optional>

#include "controls/TKickButton.h"
#include "controls/TOptionMenu.h"
#include "controls/TSampleDisplay.h"
#include "editor/TypedNumbers.h"

using namespace kgui;

namespace {

constexpr int SAMPLE_LOOP_REVERSED = 3;

// Sample nudges by button index mod 4: coarse and fine, left and right; the
// first four move the start, the next four the loop start, the last four its end.
constexpr std::array<float, 4> NUDGE_DELTAS{-0.05f, -0.002f, 0.002f, 0.05f};
constexpr int NUDGES_PER_POINT = 4;
constexpr std::array<float, 3> ZOOM_FACTORS{TSampleDisplay::ZOOM_IN, TSampleDisplay::ZOOM_OUT, -1.0f};

}  // namespace

void uEditor::bindSampleScreen() {
    onChange(sampleScreenArea, &uEditor::sampleScreenPressed);
    onChange(sampleScreenButton, &uEditor::sampleScreenPressed);
    onChange(menuSampleLoopMode, &uEditor::sampleLoopModeChosen);
    for (size_t nudge = 0; nudge < sampleNudgeButtons.size(); ++nudge)
        onChange(sampleNudgeButtons[nudge], &uEditor::sampleNudgePressed, static_cast<int>(nudge));
    for (size_t zoom = 0; zoom < sampleZoomButtons.size(); ++zoom)
        onChange(sampleZoomButtons[zoom], &uEditor::sampleZoomPressed, static_cast<int>(zoom));
    for (size_t field = 0; field < samplePositionFields.size(); ++field)
        onChange(samplePositionFields[field], &uEditor::samplePositionTyped, static_cast<int>(field));
}

// The way in and out: like the back screen's buttons, they leave the frame
// while pressed and let go here.
void uEditor::sampleScreenPressed(const TControlReport& report) {
    if (!report.pressed)
        return;
    report.control->setValue(0);
    if (screenMode != 1)
        showSampleScreenControls();
    else
        showMainScreen();
}

void uEditor::sampleLoopModeChosen(const TControlReport& report) {
    setChosenStep(tag::SAMPLE_LOOP_MODE, report.chosen);
    if (services->getSteppedValue(tag::SAMPLE_LOOP_MODE) == SAMPLE_LOOP_REVERSED)
        services->setOn(tag::SAMPLE_REV);
    else
        services->setOff(tag::SAMPLE_REV);
}

void uEditor::sampleNudgePressed(const TControlReport& report) {
    if (!report.pressed)
        return;
    const float delta = NUDGE_DELTAS[static_cast<size_t>(report.slot % NUDGES_PER_POINT)];
    TSampleServices& samples = services->getSampleServices();
    if (report.slot < NUDGES_PER_POINT)
        samples.setSampleStartDelta(delta);
    else if (report.slot < 2 * NUDGES_PER_POINT)
        samples.setSampleLoopStartDelta(delta);
    else
        samples.setSampleLoopEndDelta(delta);
    sampleScreenDirty = true;
}

void uEditor::sampleZoomPressed(const TControlReport& report) {
    if (!report.pressed)
        return;
    if (sampleDisplay)
        sampleDisplay->setZoom(ZOOM_FACTORS[static_cast<size_t>(report.slot)]);
    sampleScreenDirty = true;
}

// A text that is not a frame number changes nothing; the refresh shows the
// position as it stands again.
void uEditor::samplePositionTyped(const TControlReport& report) {
    if (const auto frameNumber = parseTypedInteger(samplePositionFields[static_cast<size_t>(report.slot)]->getText())) {
        TSampleServices& samples = services->getSampleServices();
        if (report.slot == 0)
            samples.setSampleStartBySample(*frameNumber);
        else if (report.slot == 1)
            samples.setSampleLoopStartBySample(*frameNumber);
        else
            samples.setSampleLoopEndBySample(*frameNumber);
    }
    sampleScreenDirty = true;
}
