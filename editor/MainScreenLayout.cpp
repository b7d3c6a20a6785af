// Columns: member, tag, x, y (with corrections at 125/150/200 %), width,
// height, switch offset. Rows in the order the editor creates the controls.
#include "editor/MainScreenLayout.h"

#include <initializer_list>
#include <span>

const std::array<TLayoutRow, 23> MAIN_CAPTIONS{{
    {"labelPreset", 9999, {60}, {23, 2, 1, 1}, 50, 9},
    {"labelBank", 9999, {61}, {46, 0, 0, 1}, 50, 9},
    {"labelEdit", 9999, {265}, {23, 2, 1, 1}, 50, 9},
    {"labelOrig", 9999, {264}, {46, 0, 0, 1}, 50, 9},
    {"labelECS", 9999, {343}, {23, 2, 1, 1}, 24, 9},
    {"labelHelp", 9999, {336}, {46, 0, 0, 1}, 30, 9},
    {"labelMovement", 9999, {32}, {99, 1, 0, 0}, 100, 10},
    {"labelSource", 9999, {32}, {367}, 100, 10},
    {"labelFilter", 9999, {585}, {367}, 100, 10},
    {"labelLFO", 9999, {32}, {471}, 100, 10},
    {"labelMain", 9999, {688}, {471}, 100, 10},
    {"labelLowFi", 9999, {32}, {574, 1, 0, 0}, 100, 10},
    {"labelModFX", 9999, {166, 0, 1, -4}, {574, 1, 0, 0}, 100, 10},
    {"labelDelay", 9999, {446, 0, 0, -3}, {574, 1, 0, 0}, 100, 10},
    {"labelReverb", 9999, {767, 0, 0, -3}, {574, 1, 0, 0}, 100, 10},
    {"labelPath", 9999, {1041, 0, 0, -3}, {574, 1, 0, 0}, 50, 10},
    {"labelMod1", 9999, {42}, {680}, 50, 10},
    {"labelMod2", 9999, {312}, {680}, 50, 10},
    {"labelMod3", 9999, {583}, {680}, 50, 10},
    {"labelMod4", 9999, {852}, {680}, 50, 10},
    {"labelBiPolar", 9999, {839, 0, 0, 1}, {741, -1, 1, 1}, 40, 9},
    {"labelSpringBack", 9999, {901}, {737}, 38, 18},
    {"labelQuant", 9999, {1012}, {743, -1, 0, 0}, 40, 9},
}};

const std::array<TLayoutRow, 13> MAIN_TOP_BAR{{
    {"presetMenu", 9999, {116}, {18, 2, 1, 1}, 161, 18},
    {"folderMenu", 9999, {116}, {41, 0, 1, 1}, 161, 18},
    {"previewStopButton", 9999, {37}, {20, -1, 0, 0}, 0, 0},
    {"previewButton", 9999, {42, 1, 1, 0}, {44}, 0, 0},
    {"revertEditedButton", 9999, {318}, {21, 1, 1, 0}, 13, 13},
    {"revertOriginalButton", 9999, {318}, {44, -1, 0, 0}, 13, 13},
    {"ecsMenuButton", 9999, {369}, {21, 1, 1, 0}, 13, 13},
    {"manualButton", 9999, {369}, {44, -1, 0, 0}, 13, 13},
    {"hintReadout1", 9999, {393}, {19, 2, 1, 1}, 222, 16},
    {"hintReadout2", 9999, {393}, {42, 0, 0, 1}, 222, 16},
    {"sampleScreenArea", 9999, {630}, {43}, 68, 21},
    {"backScreenButton", 9999, {789}, {14}, 303, 52},
    {"controlMenuButton", 9999, {1099}, {11}, 25, 25},
}};

const std::array<TLayoutRow, 56> MAIN_KNOBS{{
    {"knobMovementSpeed", 41, {42}, {276}, 60, 60},
    {"knobMovementSpeedControlAmount", 48, {250}, {266}, 44, 44},
    {"knobMovementFilterFrequency", 50, {339}, {266}, 44, 44},
    {"labelMovementFrequency", 9999, {330}, {328}, 60, 9},
    {"knobMovementPitch", 51, {428}, {266}, 44, 44},
    {"knobMovementVolume", 52, {517}, {266}, 44, 44},
    {"knobMovementPan", 53, {611}, {266}, 44, 44},
    {"knobMovementAmount1", 57, {725}, {266}, 44, 44},
    {"knobMovementAmount2", 58, {840}, {266}, 44, 44},
    {"knobMovementKeyTracking", 46, {946}, {265}, 30, 30},
    {"knobMovementVelocityTracking", 47, {946}, {313}, 30, 30},
    {"knobMovementShapeUp", 44, {1003}, {265}, 30, 30},
    {"knobMovementShapeDown", 45, {1003}, {313}, 30, 30},
    {"knobAttack", 957, {1060}, {265}, 30, 30},
    {"knobRelease", 127, {1060}, {313}, 30, 30},
    {"knobFilterFrequency", 28, {599}, {396}, 44, 44},
    {"knobFilterQAmount", 30, {656}, {396}, 44, 44},
    {"knobFilterSpread", 29, {712}, {396}, 44, 44},
    {"knobFilterVowelMix", 31, {768}, {404}, 30, 30},
    {"knobFilterKeyTrack", 35, {808}, {396}, 44, 44},
    {"knobVelocityFilterFrequency", 36, {867}, {396}, 44, 44},
    {"knobModWheelFilterFrequency", 37, {925}, {396}, 44, 44},
    {"knobLFOFilterFrequency", 38, {985}, {396}, 44, 44},
    {"knobFilterDistortionAmount", 33, {1042}, {396}, 44, 44},
    {"knobFreeLFOSpeed", 63, {155}, {498}, 44, 44},
    {"knobFreeLFOSymmetry", 65, {241}, {504}, 30, 30},
    {"knobFreeLFOShape", 66, {276}, {504}, 30, 30},
    {"knobFreeLFOSmooth", 67, {311}, {504}, 30, 30},
    {"knobFreeLFOKeyTrack", 68, {346}, {504}, 30, 30},
    {"knobFreeLFOAmount1", 71, {561}, {477}, 44, 44},
    {"knobFreeLFOAmount2", 72, {624}, {477}, 44, 44},
    {"knobStereoSpread", 4, {883}, {500}, 30, 30},
    {"knobPan", 3, {922}, {494}, 44, 44},
    {"knobVelocityVolume", 2, {977}, {494}, 44, 44},
    {"knobMainVolume", 1, {1033}, {485}, 60, 60},
    {"knobPortamentoAmount", 7, {798}, {522}, 30, 30},
    {"knobLowFiMix", 78, {40}, {596}, 30, 30},
    {"knobLowFiSampleRate", 79, {78}, {596}, 30, 30},
    {"knobLowFiBits", 80, {116}, {596}, 30, 30},
    {"knobDelayMix", 93, {454}, {596}, 30, 30},
    {"knobDelayLeft", 94, {498}, {596}, 30, 30},
    {"knobDelayRight", 95, {542}, {596}, 30, 30},
    {"knobDelayFeed", 96, {586}, {596}, 30, 30},
    {"knobDelayCross", 97, {630}, {596}, 30, 30},
    {"knobDelayLowPassFilterFrequency", 98, {674}, {596}, 30, 30},
    {"knobDelayHighPassFilterFrequency", 99, {718}, {596}, 30, 30},
    {"knobReverbMix", 101, {774}, {596}, 30, 30},
    {"knobReverbPreDelay", 102, {818}, {596}, 30, 30},
    {"knobReverbSize", 103, {864}, {596}, 30, 30},
    {"knobReverbLength", 104, {908}, {596}, 30, 30},
    {"knobReverbDamp", 105, {952}, {596}, 30, 30},
    {"knobReverbHighPassFilterFrequency", 106, {996}, {596}, 30, 30},
    {"knobModulationSlot1Amount", 119, {221}, {664}, 44, 44},
    {"knobModulationSlot2Amount", 120, {491}, {664}, 44, 44},
    {"knobModulationSlot3Amount", 121, {760}, {664}, 44, 44},
    {"knobModulationSlot4Amount", 122, {1030}, {664}, 44, 44},
}};

const std::array<TLayoutRow, 18> MAIN_SWITCHES{{
    {"onOffMovementLoopOnOff", 40, {150}, {97}, 13, 13, {0, 3, -2, 0}},
    {"onOffMovementTempoSyncOnOff", 42, {188}, {305}, 13, 13},
    {"onOffPrePostFilterDistortion", 34, {960}, {365}, 13, 13, {0, 0, 0, 2}},
    {"onOffFreeLFOTempoSyncOnOff", 64, {207}, {514}, 13, 13},
    {"onOffFreeLFOBypass1OnOff", 69, {577, -1, 0, 0}, {532}, 13, 13},
    {"onOffFreeLFOBypass2OnOff", 70, {640, -1, 0, 0}, {532}, 13, 13},
    {"onOffLowFiOnOff", 77, {78, 1, 3, -16}, {572}, 13, 13},
    {"onOffModFXOnOff", 81, {218, -1, 2, -24}, {572}, 13, 13},
    {"onOffDelayOnOff", 90, {491, -1, 3, -20}, {572}, 13, 13},
    {"onOffReverbOnOff", 100, {822, -5, 0, -26}, {572}, 13, 13},
    {"onOffModFXTempoSyncOnOff", 83, {406, 0, 1, 2}, {572}, 13, 13},
    {"onOffDelayEqualFeedbackOnOff", 92, {595, -2, 0, 2}, {572}, 13, 13, {-1, 2, 0, -2}},
    {"onOffDelayTempoSyncOnOff", 91, {726, 0, 1, 2}, {572}, 13, 13},
    {"onOffBypassAllFXOnOff", 76, {1004, 1, 3, 2}, {572}, 13, 13, {-1, 0, -2, 0}},
    {"onOffModulationSlot1BypassOnOff", 107, {270}, {679}, 13, 13},
    {"onOffModulationSlot2BypassOnOff", 108, {540}, {679}, 13, 13},
    {"onOffModulationSlot3BypassOnOff", 109, {809}, {679}, 13, 13},
    {"onOffModulationSlot4BypassOnOff", 110, {1079}, {679}, 13, 13},
}};

const std::array<TLayoutRow, 9> MAIN_SOURCE_ROW{{
    {"menuMovementPanSingleMode", 54, {582}, {330}, 103, 15},
    {"menuSourceMode", 10, {128}, {364}, 103, 15},
    {"labelSampleMenu", 9999, {248}, {365}, 100, 14},
    {"labelSampleRev", 9999, {470, 0, 3, 0}, {365}, 40, 14},
    {"onOffSampleRevOnOff", 20, {494}, {365, 0, 1, 0}, 13, 13},
    {"labelEditor", 9999, {515, 0, 1, 0}, {365}, 40, 14},
    {"sampleScreenButton", 9999, {557}, {365, 0, 1, 0}, 13, 13},
    {"sampleMenu", 19, {292}, {364}, 166, 15},
    {"filterMenu", 27, {650}, {364}, 166, 15},
}};

const std::array<TLayoutRow, 10> MAIN_MENUS{{
    {"menuFilterDistortionMode", 32, {988}, {364}, 103, 15},
    {"menuFreeLFOWave", 61, {41}, {493}, 103, 15},
    {"menuFreeLFOMode", 62, {41}, {525}, 103, 15},
    {"menuPlayMode", 5, {762}, {469}, 103, 15},
    {"menuPortamentoMode", 6, {762}, {502}, 103, 15},
    {"menuPitchBendDown", 8, {696}, {493}, 51, 15},
    {"menuPitchBendUp", 9, {696}, {526}, 51, 15},
    {"labelPort", 9999, {765}, {533}, 50, 9},
    {"menuModFXMode", 82, {256}, {571}, 103, 15},
    {"menuFXPath", 75, {1042}, {587}, 56, 54},
}};

const std::array<TLayoutRow, 14> MAIN_MODULATION_MENUS{{
    {"srcMenus[0]", 49, {128}, {330}, 103, 15},
    {"srcMenus[1]", 111, {44}, {659}, 164, 15},
    {"srcMenus[2]", 112, {314}, {659}, 164, 15},
    {"srcMenus[3]", 113, {584}, {659}, 164, 15},
    {"srcMenus[4]", 114, {854}, {659}, 164, 15},
    {"destMenus[4]", 59, {697}, {330}, 103, 15},
    {"destMenus[5]", 60, {811}, {330}, 103, 15},
    {"destMenus[6]", 73, {382}, {493}, 164, 15},
    {"destMenus[7]", 74, {382}, {525}, 164, 15},
    {"destMenus[0]", 115, {44}, {694}, 164, 15},
    {"destMenus[1]", 116, {314}, {694}, 164, 15},
    {"destMenus[2]", 117, {584}, {694}, 164, 15},
    {"destMenus[3]", 118, {854}, {694}, 164, 15},
    {"moveSpeedMenuButton", 9999, {128}, {278}, 103, 15},
}};

const std::array<TLayoutRow, 7> MAIN_MOVEMENT_AND_RIBBON{{
    {"lockMenu", 9999, {851}, {96}, 93, 15},
    {"menuMoveSnapTo", 958, {1003}, {96}, 93, 15},
    {"onOffRibbonBiPolarOnOff", 124, {883}, {739}, 13, 13},
    {"menuRibbonSpringTime", 125, {944}, {738}, 59, 15},
    {"menuRibbonQuantization", 126, {1054}, {739}, 47, 15},
    {"lfoSelector", 9999, {414}, {95}, 304, 18},
    {"lfoScreen", 9999, {37}, {119}, 1057, 132},
}};

const std::array<TLayoutRow, 21> SOURCE_PANEL{{
    {"knobNoiseMix", 14, {20}, {14}, 44, 44},
    {"knobSourceSemi", 12, {97}, {14}, 44, 44},
    {"knobWaveMix", 15, {20}, {14}, 44, 44},
    {"knobWaveSampleNoiseMix", 16, {97}, {14}, 44, 44},
    {"knobSourceSemi2", 12, {174}, {14}, 44, 44},
    {"knobSourceFine", 13, {251}, {14}, 44, 44},
    {"knobWaveSymmetry", 17, {328}, {14}, 44, 44},
    {"knobWaveFeedback", 18, {404}, {14}, 44, 44},
    {"knobSourceSemi3", 12, {20}, {14}, 44, 44},
    {"knobSourceFine2", 13, {86}, {14}, 44, 44},
    {"knobWaveSampleNoiseMix2", 16, {152}, {14}, 44, 44},
    {"knobSampleOffset", 21, {218}, {14}, 44, 44},
    {"knobGrainLength", 23, {284}, {14}, 44, 44},
    {"knobGrainSize", 24, {349}, {14}, 44, 44},
    {"knobGrainRandom", 25, {416}, {14}, 44, 44},
    {"knobSubVolume", 26, {483}, {14}, 44, 44},
    {"onOffKeyTrackOnOff", 11, {151}, {30}, 13, 13},
    {"onOffKeyTrackOnOff2", 11, {228}, {30}, 13, 13},
    {"onOffKeyTrackOnOff3", 11, {70}, {30}, 13, 13},
    {"onOffGrainOnOff", 22, {299, 1, 1, 0}, {0}, 13, 13},
    {"waveScreen", 9999, {178}, {3}, 268, 65},
}};

const std::array<TLayoutRow, 10> MOD_FX_PANEL{{
    {"knobModFXMix", 84, {13}, {3}, 30, 30},
    {"knobModFX1", 85, {60}, {3}, 30, 30},
    {"knobModFX2", 86, {103}, {3}, 30, 30},
    {"knobModFX3", 87, {148}, {3}, 30, 30},
    {"knobModFX4", 88, {193}, {3}, 30, 30},
    {"knobModFX5", 89, {238}, {3}, 30, 30},
    {"labelGatorLeft", 9999, {137}, {8}, 10, 10},
    {"labelGatorRight", 9999, {137}, {28}, 10, 10},
    {"gatorDisplays[0]", 88, {148}, {4}, 128, 16},
    {"gatorDisplays[1]", 89, {148}, {24}, 128, 16},
}};

const std::array<TLayoutRow, 28> SAMPLE_SCREEN{{
    {"labelSampleFolder", 9999, {23, 0, 3, 4}, {87}, 120, 14},
    {"labelSampleName", 9999, {250, 0, 0, 2}, {87}, 100, 14},
    {"labelSampleTitle", 9999, {475, 0, 2, 4}, {87}, 100, 14},
    {"labelSamplePlayMode", 9999, {27}, {339, 1, 0, 0}, 108, 10},
    {"labelSampleStart", 9999, {154}, {339, 1, 0, 0}, 173, 10},
    {"labelLoopStart", 9999, {348}, {339, 1, 0, 0}, 173, 10},
    {"labelLoopEnd", 9999, {543}, {339, 1, 0, 0}, 173, 10},
    {"menuSampleLoopMode", 244, {27}, {320}, 108, 15},
    {"sampleNudgeButtons[0]", 9999, {154}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[1]", 9999, {177}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[2]", 9999, {282}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[3]", 9999, {305}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[4]", 9999, {348}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[5]", 9999, {371}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[6]", 9999, {476}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[7]", 9999, {499}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[8]", 9999, {543}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[9]", 9999, {566}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[10]", 9999, {671}, {319, 0, 0, -1}, 22, 17},
    {"sampleNudgeButtons[11]", 9999, {694}, {319, 0, 0, -1}, 22, 17},
    {"sampleZoomButtons[0]", 9999, {745}, {320, 1, 1, 1}, 103, 15},
    {"sampleZoomButtons[1]", 9999, {863}, {320, 1, 1, 1}, 103, 15},
    {"sampleZoomButtons[2]", 9999, {982}, {320, 1, 1, 1}, 103, 15},
    {"samplePositionFields[0]", 9999, {200}, {320, 1, 1, 1}, 82, 15},
    {"samplePositionFields[1]", 9999, {394}, {320, 1, 1, 1}, 82, 15},
    {"samplePositionFields[2]", 9999, {589}, {320, 1, 1, 1}, 82, 15},
    {"sampleFileDisplay", 9999, {27}, {103}, 439, 206},
    {"sampleDisplay", 9999, {480}, {104}, 624, 206},
}};

const TLayoutRow* findLayoutRow(std::string_view member) {
    const std::initializer_list<std::span<const TLayoutRow>> tables{
        MAIN_CAPTIONS, MAIN_TOP_BAR, MAIN_KNOBS, MAIN_SWITCHES, MAIN_SOURCE_ROW, MAIN_MENUS,
        MAIN_MODULATION_MENUS, MAIN_MOVEMENT_AND_RIBBON, SOURCE_PANEL, MOD_FX_PANEL, SAMPLE_SCREEN};
    for (std::span<const TLayoutRow> table : tables)
        for (const TLayoutRow& row : table)
            if (member == row.member)
                return &row;
    return nullptr;
}

TPixelBox getScaledBox(const TLayoutRow& row, int screenSize) {
    return {getScaled(row.x, screenSize) + getScaled(row.switchOffset, screenSize), getScaled(row.y, screenSize),
            getScaled(row.width, screenSize), getScaled(row.height, screenSize)};
}
