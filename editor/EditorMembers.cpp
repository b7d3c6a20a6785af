// One entry per control member of uEditor, in the order of declaration.
#include "editor/EditorMembers.h"

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

namespace {

#define MEMBER(m) TMemberBinding{#m, [](uEditor& e) { return TMemberSlot(&e.m); }}

const TMemberBinding EDITOR_MEMBERS[] = {
    MEMBER(labelPreset), MEMBER(labelBank), MEMBER(labelEdit), MEMBER(labelOrig), MEMBER(labelECS),
    MEMBER(labelHelp), MEMBER(labelMovement), MEMBER(labelSource), MEMBER(labelFilter), MEMBER(labelLFO),
    MEMBER(labelMain), MEMBER(labelLowFi), MEMBER(labelModFX), MEMBER(labelDelay), MEMBER(labelReverb),
    MEMBER(labelPath), MEMBER(labelMod1), MEMBER(labelMod2), MEMBER(labelMod3), MEMBER(labelMod4),
    MEMBER(labelBiPolar), MEMBER(labelSpringBack), MEMBER(labelQuant), MEMBER(presetMenu), MEMBER(folderMenu),
    MEMBER(previewStopButton), MEMBER(previewButton), MEMBER(revertEditedButton), MEMBER(revertOriginalButton),
    MEMBER(ecsMenuButton), MEMBER(manualButton), MEMBER(hintReadout1), MEMBER(hintReadout2),
    MEMBER(sampleScreenArea), MEMBER(backScreenButton), MEMBER(controlMenuButton), MEMBER(knobMovementSpeed),
    MEMBER(labelMovementSpeed), MEMBER(knobMovementSpeedControlAmount), MEMBER(labelMovementSpeedControlAmount),
    MEMBER(knobMovementFilterFrequency), MEMBER(labelMovementFilterFrequency), MEMBER(labelMovementFrequency),
    MEMBER(knobMovementPitch), MEMBER(labelMovementPitch), MEMBER(knobMovementVolume), MEMBER(labelMovementVolume),
    MEMBER(knobMovementPan), MEMBER(labelMovementPan), MEMBER(knobMovementAmount1), MEMBER(labelMovementAmount1),
    MEMBER(knobMovementAmount2), MEMBER(labelMovementAmount2), MEMBER(knobMovementKeyTracking),
    MEMBER(labelMovementKeyTracking), MEMBER(knobMovementVelocityTracking), MEMBER(labelMovementVelocityTracking),
    MEMBER(knobMovementShapeUp), MEMBER(labelMovementShapeUp), MEMBER(knobMovementShapeDown),
    MEMBER(labelMovementShapeDown), MEMBER(knobAttack), MEMBER(labelAttack), MEMBER(knobRelease),
    MEMBER(labelRelease), MEMBER(knobFilterFrequency), MEMBER(labelFilterFrequency), MEMBER(knobFilterQAmount),
    MEMBER(labelFilterQAmount), MEMBER(knobFilterSpread), MEMBER(labelFilterSpread), MEMBER(knobFilterVowelMix),
    MEMBER(labelFilterVowelMix), MEMBER(knobFilterKeyTrack), MEMBER(labelFilterKeyTrack),
    MEMBER(knobVelocityFilterFrequency), MEMBER(labelVelocityFilterFrequency), MEMBER(knobModWheelFilterFrequency),
    MEMBER(labelModWheelFilterFrequency), MEMBER(knobLFOFilterFrequency), MEMBER(labelLFOFilterFrequency),
    MEMBER(knobFilterDistortionAmount), MEMBER(labelFilterDistortionAmount), MEMBER(knobFreeLFOSpeed),
    MEMBER(labelFreeLFOSpeed), MEMBER(knobFreeLFOSymmetry), MEMBER(labelFreeLFOSymmetry), MEMBER(knobFreeLFOShape),
    MEMBER(labelFreeLFOShape), MEMBER(knobFreeLFOSmooth), MEMBER(labelFreeLFOSmooth), MEMBER(knobFreeLFOKeyTrack),
    MEMBER(labelFreeLFOKeyTrack), MEMBER(knobFreeLFOAmount1), MEMBER(labelFreeLFOAmount1),
    MEMBER(knobFreeLFOAmount2), MEMBER(labelFreeLFOAmount2), MEMBER(knobStereoSpread), MEMBER(labelStereoSpread),
    MEMBER(knobPan), MEMBER(labelPan), MEMBER(knobVelocityVolume), MEMBER(labelVelocityVolume),
    MEMBER(knobMainVolume), MEMBER(labelMainVolume), MEMBER(knobPortamentoAmount), MEMBER(knobLowFiMix),
    MEMBER(labelLowFiMix), MEMBER(knobLowFiSampleRate), MEMBER(labelLowFiSampleRate), MEMBER(knobLowFiBits),
    MEMBER(labelLowFiBits), MEMBER(knobDelayMix), MEMBER(labelDelayMix), MEMBER(knobDelayLeft),
    MEMBER(labelDelayLeft), MEMBER(knobDelayRight), MEMBER(labelDelayRight), MEMBER(knobDelayFeed),
    MEMBER(labelDelayFeed), MEMBER(knobDelayCross), MEMBER(labelDelayCross),
    MEMBER(knobDelayLowPassFilterFrequency), MEMBER(labelDelayLowPassFilterFrequency),
    MEMBER(knobDelayHighPassFilterFrequency), MEMBER(labelDelayHighPassFilterFrequency), MEMBER(knobReverbMix),
    MEMBER(labelReverbMix), MEMBER(knobReverbPreDelay), MEMBER(labelReverbPreDelay), MEMBER(knobReverbSize),
    MEMBER(labelReverbSize), MEMBER(knobReverbLength), MEMBER(labelReverbLength), MEMBER(knobReverbDamp),
    MEMBER(labelReverbDamp), MEMBER(knobReverbHighPassFilterFrequency), MEMBER(labelReverbHighPassFilterFrequency),
    MEMBER(knobModulationSlot1Amount), MEMBER(labelModulationSlot1Amount), MEMBER(knobModulationSlot2Amount),
    MEMBER(labelModulationSlot2Amount), MEMBER(knobModulationSlot3Amount), MEMBER(labelModulationSlot3Amount),
    MEMBER(knobModulationSlot4Amount), MEMBER(labelModulationSlot4Amount), MEMBER(knobModFXMix),
    MEMBER(labelModFXMix), MEMBER(knobModFX1), MEMBER(knobModFX2), MEMBER(knobModFX3), MEMBER(knobModFX4),
    MEMBER(knobModFX5), MEMBER(labelModFX1), MEMBER(labelModFX2), MEMBER(labelModFX3), MEMBER(labelModFX4),
    MEMBER(labelModFX5), MEMBER(labelGatorLeft), MEMBER(labelGatorRight), MEMBER(gatorDisplays[0]),
    MEMBER(gatorDisplays[1]), MEMBER(onOffMovementLoopOnOff), MEMBER(labelMovementLoopOnOff),
    MEMBER(onOffMovementTempoSyncOnOff), MEMBER(labelMovementTempoSyncOnOff), MEMBER(onOffPrePostFilterDistortion),
    MEMBER(labelPrePostFilterDistortion), MEMBER(onOffFreeLFOTempoSyncOnOff), MEMBER(labelFreeLFOTempoSyncOnOff),
    MEMBER(onOffFreeLFOBypass1OnOff), MEMBER(labelFreeLFOBypass1OnOff), MEMBER(onOffFreeLFOBypass2OnOff),
    MEMBER(labelFreeLFOBypass2OnOff), MEMBER(onOffLowFiOnOff), MEMBER(onOffModFXOnOff), MEMBER(onOffDelayOnOff),
    MEMBER(onOffReverbOnOff), MEMBER(onOffModFXTempoSyncOnOff), MEMBER(labelModFXTempoSyncOnOff),
    MEMBER(onOffDelayEqualFeedbackOnOff), MEMBER(labelDelayEqualFeedbackOnOff), MEMBER(onOffDelayTempoSyncOnOff),
    MEMBER(labelDelayTempoSyncOnOff), MEMBER(onOffBypassAllFXOnOff), MEMBER(labelBypassAllFXOnOff),
    MEMBER(onOffModulationSlot1BypassOnOff), MEMBER(labelModulationSlot1BypassOnOff),
    MEMBER(onOffModulationSlot2BypassOnOff), MEMBER(labelModulationSlot2BypassOnOff),
    MEMBER(onOffModulationSlot3BypassOnOff), MEMBER(labelModulationSlot3BypassOnOff),
    MEMBER(onOffModulationSlot4BypassOnOff), MEMBER(labelModulationSlot4BypassOnOff),
    MEMBER(menuMovementPanSingleMode), MEMBER(labelMovementPanSingleMode), MEMBER(menuSourceMode),
    MEMBER(labelSampleMenu), MEMBER(labelSampleRev), MEMBER(onOffSampleRevOnOff), MEMBER(labelEditor),
    MEMBER(sampleScreenButton), MEMBER(sampleMenu), MEMBER(filterMenu), MEMBER(menuFilterDistortionMode),
    MEMBER(labelFilterDistortionMode), MEMBER(menuFreeLFOWave), MEMBER(labelFreeLFOWave), MEMBER(menuFreeLFOMode),
    MEMBER(labelFreeLFOMode), MEMBER(menuPlayMode), MEMBER(labelPlayMode), MEMBER(menuPortamentoMode),
    MEMBER(labelPortamentoMode), MEMBER(menuPitchBendDown), MEMBER(labelPitchBendDown), MEMBER(menuPitchBendUp),
    MEMBER(labelPitchBendUp), MEMBER(labelPort), MEMBER(menuModFXMode), MEMBER(menuFXPath), MEMBER(srcMenus[0]),
    MEMBER(srcMenus[1]), MEMBER(srcMenus[2]), MEMBER(srcMenus[3]), MEMBER(srcMenus[4]), MEMBER(destMenus[0]),
    MEMBER(destMenus[1]), MEMBER(destMenus[2]), MEMBER(destMenus[3]), MEMBER(destMenus[4]), MEMBER(destMenus[5]),
    MEMBER(destMenus[6]), MEMBER(destMenus[7]), MEMBER(labelSourceMenu1), MEMBER(labelSourceMenu2),
    MEMBER(labelSourceMenu3), MEMBER(labelSourceMenu4), MEMBER(labelDestMenu0), MEMBER(labelDestMenu1),
    MEMBER(labelDestMenu2), MEMBER(labelDestMenu3), MEMBER(labelDestMenu4), MEMBER(labelDestMenu5),
    MEMBER(labelDestMenu6), MEMBER(labelDestMenu7), MEMBER(moveSpeedMenuButton), MEMBER(lfoSelector),
    MEMBER(lfoScreen), MEMBER(lockMenu), MEMBER(labelLock), MEMBER(menuMoveSnapTo), MEMBER(labelMoveSnapTo),
    MEMBER(onOffRibbonBiPolarOnOff), MEMBER(menuRibbonSpringTime), MEMBER(menuRibbonQuantization),
    MEMBER(ribbonSlider), MEMBER(knobNoiseMix), MEMBER(labelNoiseMix), MEMBER(knobSourceSemi),
    MEMBER(labelSourceSemi), MEMBER(knobWaveMix), MEMBER(labelWaveMix), MEMBER(knobWaveSampleNoiseMix),
    MEMBER(labelWaveSampleNoiseMix), MEMBER(knobSourceSemi2), MEMBER(labelSourceSemi2), MEMBER(knobSourceFine),
    MEMBER(labelSourceFine), MEMBER(knobWaveSymmetry), MEMBER(labelWaveSymmetry), MEMBER(knobWaveFeedback),
    MEMBER(labelWaveFeedback), MEMBER(knobSourceSemi3), MEMBER(labelSourceSemi3), MEMBER(knobSourceFine2),
    MEMBER(labelSourceFine2), MEMBER(knobWaveSampleNoiseMix2), MEMBER(labelWaveSampleNoiseMix2),
    MEMBER(knobSampleOffset), MEMBER(labelSampleOffset), MEMBER(knobGrainLength), MEMBER(labelGrainLength),
    MEMBER(knobGrainSize), MEMBER(labelGrainSize), MEMBER(knobGrainRandom), MEMBER(labelGrainRandom),
    MEMBER(knobSubVolume), MEMBER(labelSubVolume), MEMBER(onOffKeyTrackOnOff), MEMBER(labelKeyTrackOnOff),
    MEMBER(onOffKeyTrackOnOff2), MEMBER(labelKeyTrackOnOff2), MEMBER(onOffKeyTrackOnOff3),
    MEMBER(labelKeyTrackOnOff3), MEMBER(onOffGrainOnOff), MEMBER(labelGrainOnOff), MEMBER(waveScreen),
    MEMBER(labelSampleFolder), MEMBER(labelSampleName), MEMBER(labelSampleTitle), MEMBER(labelSamplePlayMode),
    MEMBER(labelSampleStart), MEMBER(labelLoopStart), MEMBER(labelLoopEnd), MEMBER(menuSampleLoopMode),
    MEMBER(sampleNudgeButtons[0]), MEMBER(sampleNudgeButtons[1]), MEMBER(sampleNudgeButtons[2]),
    MEMBER(sampleNudgeButtons[3]), MEMBER(sampleNudgeButtons[4]), MEMBER(sampleNudgeButtons[5]),
    MEMBER(sampleNudgeButtons[6]), MEMBER(sampleNudgeButtons[7]), MEMBER(sampleNudgeButtons[8]),
    MEMBER(sampleNudgeButtons[9]), MEMBER(sampleNudgeButtons[10]), MEMBER(sampleNudgeButtons[11]),
    MEMBER(sampleZoomButtons[0]), MEMBER(sampleZoomButtons[1]), MEMBER(sampleZoomButtons[2]),
    MEMBER(samplePositionFields[0]), MEMBER(samplePositionFields[1]), MEMBER(samplePositionFields[2]),
    MEMBER(sampleFileDisplay), MEMBER(sampleDisplay), MEMBER(backScreenCloseButton), MEMBER(midiChannelMenu),
    MEMBER(midiPresetSwitch), MEMBER(midiBankSwitch), MEMBER(midiCaptureSwitch), MEMBER(keyboardSwitch),
    MEMBER(presetWarningSwitch), MEMBER(screenSizeMenu), MEMBER(a4TuningReadout), MEMBER(tuningReadout),
    MEMBER(tuningResetButton), MEMBER(brickFilterSwitch), MEMBER(brickFilterReadout),
};

#undef MEMBER

}  // namespace

std::span<const TMemberBinding> getEditorMembers() { return EDITOR_MEMBERS; }

kgui::CControl* controlOf(const TMemberSlot& slot) {
    return std::visit([](auto member) -> kgui::CControl* { return *member; }, slot);
}
