// The numbers of the VST 2.4 interface that every host and plug-in agree on.
// Layouts are pinned by static_asserts in vst/vst2_abi.h; an enumerator that
// slips by one (a missing deprecated entry) shows only here.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "vst/vst2_abi.h"

TEST(InterfaceNumbers, MatchThePublishedValues) {
    struct Case {
        const char* name;
        long long actual, published;
    };
    const std::vector<Case> cases = {
        {"magic 'VstP'", vst::kEffectMagic, 0x56737450},
        {"kVstVersion", vst::kVstVersion, 2400},
        {"effOpen", vst::effOpen, 0},
        {"effSetSampleRate", vst::effSetSampleRate, 10},
        {"effMainsChanged", vst::effMainsChanged, 12},
        {"effEditIdle", vst::effEditIdle, 19},
        {"effGetChunk", vst::effGetChunk, 23},
        {"effProcessEvents", vst::effProcessEvents, 25},
        {"effGetProgramNameIndexed", vst::effGetProgramNameIndexed, 29},
        {"effGetOutputProperties", vst::effGetOutputProperties, 34},
        {"effGetPlugCategory", vst::effGetPlugCategory, 35},
        {"effSetBypass", vst::effSetBypass, 44},
        {"effGetEffectName", vst::effGetEffectName, 45},
        {"effGetVendorString", vst::effGetVendorString, 47},
        {"effVendorSpecific", vst::effVendorSpecific, 50},
        {"effCanDo", vst::effCanDo, 51},
        {"effGetTailSize", vst::effGetTailSize, 52},
        {"effGetParameterProperties", vst::effGetParameterProperties, 56},
        {"effGetVstVersion", vst::effGetVstVersion, 58},
        {"effEditKeyDown", vst::effEditKeyDown, 59},
        {"effGetMidiKeyName", vst::effGetMidiKeyName, 66},
        {"effShellGetNextPlugin", vst::effShellGetNextPlugin, 70},
        {"effStartProcess", vst::effStartProcess, 71},
        {"effStopProcess", vst::effStopProcess, 72},
        {"effSetProcessPrecision", vst::effSetProcessPrecision, 77},
        {"effGetNumMidiOutputChannels", vst::effGetNumMidiOutputChannels, 79},
        {"audioMasterAutomate", vst::audioMasterAutomate, 0},
        {"audioMasterVersion", vst::audioMasterVersion, 1},
        {"audioMasterIdle", vst::audioMasterIdle, 3},
        {"audioMasterWantMidi", vst::__audioMasterWantMidiDeprecated, 6},
        {"audioMasterGetTime", vst::audioMasterGetTime, 7},
        {"audioMasterProcessEvents", vst::audioMasterProcessEvents, 8},
        {"audioMasterIOChanged", vst::audioMasterIOChanged, 13},
        {"audioMasterSizeWindow", vst::audioMasterSizeWindow, 15},
        {"audioMasterGetSampleRate", vst::audioMasterGetSampleRate, 16},
        {"audioMasterGetCurrentProcessLevel", vst::audioMasterGetCurrentProcessLevel, 23},
        {"audioMasterGetVendorString", vst::audioMasterGetVendorString, 32},
        {"audioMasterGetProductString", vst::audioMasterGetProductString, 33},
        {"audioMasterVendorSpecific", vst::audioMasterVendorSpecific, 35},
        {"audioMasterCanDo", vst::audioMasterCanDo, 37},
        {"audioMasterUpdateDisplay", vst::audioMasterUpdateDisplay, 42},
        {"audioMasterBeginEdit", vst::audioMasterBeginEdit, 43},
        {"audioMasterEndEdit", vst::audioMasterEndEdit, 44},
        {"effFlagsHasEditor", vst::effFlagsHasEditor, 1},
        {"effFlagsCanReplacing", vst::effFlagsCanReplacing, 16},
        {"effFlagsProgramChunks", vst::effFlagsProgramChunks, 32},
        {"effFlagsIsSynth", vst::effFlagsIsSynth, 256},
        {"effFlagsCanDoubleReplacing", vst::effFlagsCanDoubleReplacing, 4096},
        {"kVstMidiType", vst::kVstMidiType, 1},
        {"kVstSysExType", vst::kVstSysExType, 6},
        {"kVstTransportChanged", vst::kVstTransportChanged, 1},
        {"kVstTransportPlaying", vst::kVstTransportPlaying, 2},
        {"kVstNanosValid", vst::kVstNanosValid, 256},
        {"kVstPpqPosValid", vst::kVstPpqPosValid, 512},
        {"kVstTempoValid", vst::kVstTempoValid, 1024},
        {"kVstBarsValid", vst::kVstBarsValid, 2048},
        {"kVstTimeSigValid", vst::kVstTimeSigValid, 8192},
        {"kVstPinIsActive", vst::kVstPinIsActive, 1},
        {"kVstPinIsStereo", vst::kVstPinIsStereo, 2},
        {"kPlugCategSynth", vst::kPlugCategSynth, 2},
        {"kPlugCategShell", vst::kPlugCategShell, 10},
        {"kPlugCategGenerator", vst::kPlugCategGenerator, 11},
        {"kVstMaxProgNameLen", vst::kVstMaxProgNameLen, 24},
        {"kVstMaxParamStrLen", vst::kVstMaxParamStrLen, 8},
        {"kVstMaxVendorStrLen", vst::kVstMaxVendorStrLen, 64},
        {"kVstMaxEffectNameLen", vst::kVstMaxEffectNameLen, 32},
        {"VKEY_ESCAPE", vst::VKEY_ESCAPE, 6},
        {"VKEY_F1", vst::VKEY_F1, 40},
        {"VKEY_EQUALS", vst::VKEY_EQUALS, 57},
        {"MODIFIER_CONTROL", vst::MODIFIER_CONTROL, 8},
        // Offsets a host reads without a header of ours.
        {"VstTimeInfo::ppqPos", static_cast<long long>(offsetof(vst::VstTimeInfo, ppqPos)), 24},
        {"VstTimeInfo::barStartPos", static_cast<long long>(offsetof(vst::VstTimeInfo, barStartPos)), 40},
        {"VstMidiEvent::deltaFrames", static_cast<long long>(offsetof(vst::VstMidiEvent, deltaFrames)), 8},
        {"VstMidiEvent::noteOffVelocity", static_cast<long long>(offsetof(vst::VstMidiEvent, noteOffVelocity)), 29},
        {"AEffect::setParameter", static_cast<long long>(offsetof(vst::AEffect, setParameter)), 24},
        {"AEffect::numParams", static_cast<long long>(offsetof(vst::AEffect, numParams)), 44},
        {"AEffect::user", static_cast<long long>(offsetof(vst::AEffect, user)), 104},
        {"AEffect::version", static_cast<long long>(offsetof(vst::AEffect, version)), 116},
        {"VstPinProperties::shortLabel", static_cast<long long>(offsetof(vst::VstPinProperties, shortLabel)), 72},
        {"VstParameterProperties::categoryLabel",
         static_cast<long long>(offsetof(vst::VstParameterProperties, categoryLabel)), 112},
    };
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.published) << c.name;
}
