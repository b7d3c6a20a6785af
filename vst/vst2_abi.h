// The VST 2.4 binary interface as a host and a plug-in see it on x86-64 Linux:
// records, callback types, opcode numbers, flag bits and constants.
// Written from the published description of the interface; layouts are pinned
// by the static_asserts at the end of this file and by tests/vst.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst {

using int16 = std::int16_t;
using int32 = std::int32_t;
using int64 = std::int64_t;
using intptr = std::intptr_t;

struct AEffect;

// Every call in either direction carries these six arguments.
using audioMasterCallback = intptr (*)(AEffect* effect, int32 opcode, int32 index, intptr value, void* ptr,
                                       float opt);
using AEffectDispatcherProc = intptr (*)(AEffect* effect, int32 opcode, int32 index, intptr value, void* ptr,
                                         float opt);
using AEffectProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs, int32 sampleFrames);
using AEffectProcessDoubleProc = void (*)(AEffect* effect, double** inputs, double** outputs,
                                          int32 sampleFrames);
using AEffectSetParameterProc = void (*)(AEffect* effect, int32 index, float parameter);
using AEffectGetParameterProc = float (*)(AEffect* effect, int32 index);

constexpr int32 fourCharCode(char a, char b, char c, char d) {
    return static_cast<int32>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                              static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32 kEffectMagic = fourCharCode('V', 's', 't', 'P');
constexpr int32 kVstVersion = 2400;

struct AEffect {
    int32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;  // accumulating process, deprecated but still in the record
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32 numPrograms;
    int32 numParams;
    int32 numInputs;
    int32 numOutputs;
    int32 flags;
    intptr resvd1;
    intptr resvd2;
    int32 initialDelay;
    int32 realQualities;  // deprecated
    int32 offQualities;   // deprecated
    float ioRatio;        // deprecated
    void* object;
    void* user;
    int32 uniqueID;
    int32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

// AEffect::flags
enum VstAEffectFlags : int32 {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,  // deprecated
    effFlagsHasVu = 1 << 2,    // deprecated
    effFlagsCanMono = 1 << 3,  // deprecated
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,    // deprecated
    effFlagsExtHasBuffer = 1 << 11,  // deprecated
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Opcodes the host sends to the plug-in's dispatcher.
enum AEffectOpcodes : int32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    __effGetVuDeprecated,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    __effEditDrawDeprecated,
    __effEditMouseDeprecated,
    __effEditKeyDeprecated,
    effEditIdle,
    __effEditTopDeprecated,
    __effEditSleepDeprecated,
    __effIdentifyDeprecated,
    effGetChunk,
    effSetChunk,
    // 2.x extensions
    effProcessEvents,  // 25
    effCanBeAutomated,
    effString2Parameter,
    __effGetNumProgramCategoriesDeprecated,
    effGetProgramNameIndexed,
    __effCopyProgramDeprecated,  // 30
    __effConnectInputDeprecated,
    __effConnectOutputDeprecated,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,  // 35
    __effGetCurrentPositionDeprecated,
    __effGetDestinationBufferDeprecated,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,  // 40
    effProcessVarIo,
    effSetSpeakerArrangement,
    __effSetBlockSizeAndSampleRateDeprecated,
    effSetBypass,
    effGetEffectName,  // 45
    __effGetErrorTextDeprecated,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,  // 50
    effCanDo,
    effGetTailSize,
    __effIdleDeprecated,
    __effGetIconDeprecated,
    __effSetViewPositionDeprecated,  // 55
    effGetParameterProperties,
    __effKeysRequiredDeprecated,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,  // 60
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,  // 65
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,  // 70
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,  // 75
    effBeginLoadProgram,
    effSetProcessPrecision,
    effGetNumMidiInputChannels,
    effGetNumMidiOutputChannels,  // 79
};

// Opcodes the plug-in sends to the host's audioMaster callback.
enum AudioMasterOpcodes : int32 {
    audioMasterAutomate = 0,
    audioMasterVersion,
    audioMasterCurrentId,
    audioMasterIdle,
    __audioMasterPinConnectedDeprecated,
    __audioMasterUnused5,
    __audioMasterWantMidiDeprecated,  // 6
    audioMasterGetTime,
    audioMasterProcessEvents,
    __audioMasterSetTimeDeprecated,
    __audioMasterTempoAtDeprecated,  // 10
    __audioMasterGetNumAutomatableParametersDeprecated,
    __audioMasterGetParameterQuantizationDeprecated,
    audioMasterIOChanged,
    __audioMasterNeedIdleDeprecated,
    audioMasterSizeWindow,  // 15
    audioMasterGetSampleRate,
    audioMasterGetBlockSize,
    audioMasterGetInputLatency,
    audioMasterGetOutputLatency,
    __audioMasterGetPreviousPlugDeprecated,  // 20
    __audioMasterGetNextPlugDeprecated,
    __audioMasterWillReplaceOrAccumulateDeprecated,
    audioMasterGetCurrentProcessLevel,
    audioMasterGetAutomationState,
    audioMasterOfflineStart,  // 25
    audioMasterOfflineRead,
    audioMasterOfflineWrite,
    audioMasterOfflineGetCurrentPass,
    audioMasterOfflineGetCurrentMetaPass,
    __audioMasterSetOutputSampleRateDeprecated,  // 30
    __audioMasterGetOutputSpeakerArrangementDeprecated,
    audioMasterGetVendorString,
    audioMasterGetProductString,
    audioMasterGetVendorVersion,
    audioMasterVendorSpecific,  // 35
    __audioMasterSetIconDeprecated,
    audioMasterCanDo,
    audioMasterGetLanguage,
    __audioMasterOpenWindowDeprecated,
    __audioMasterCloseWindowDeprecated,  // 40
    audioMasterGetDirectory,
    audioMasterUpdateDisplay,
    audioMasterBeginEdit,
    audioMasterEndEdit,
    audioMasterOpenFileSelector,  // 45
    audioMasterCloseFileSelector,
    __audioMasterEditFileDeprecated,
    __audioMasterGetChunkFileDeprecated,
    __audioMasterGetInputSpeakerArrangementDeprecated,  // 49
};

// Text limits the interface names; hosts on Linux give more room (see vst/TextCopy.h).
enum VstStringConstants : int32 {
    kVstMaxProgNameLen = 24,
    kVstMaxParamStrLen = 8,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
    kVstMaxEffectNameLen = 32,
    kVstMaxNameLen = 64,
    kVstMaxLabelLen = 64,
    kVstMaxShortLabelLen = 8,
    kVstMaxCategLabelLen = 24,
    kVstMaxFileNameLen = 100,
};

// ---------------------------------------------------------------- events

enum VstEventTypes : int32 {
    kVstMidiType = 1,
    __kVstAudioTypeDeprecated,
    __kVstVideoTypeDeprecated,
    __kVstParameterTypeDeprecated,
    __kVstTriggerTypeDeprecated,
    kVstSysExType,
};

struct VstEvent {
    int32 type;
    int32 byteSize;
    int32 deltaFrames;
    int32 flags;
    char data[16];
};

enum VstMidiEventFlags : int32 { kVstMidiEventIsRealtime = 1 << 0 };

struct VstMidiEvent {
    int32 type;  // kVstMidiType
    int32 byteSize;
    int32 deltaFrames;  // frames into the current block
    int32 flags;
    int32 noteLength;
    int32 noteOffset;
    char midiData[4];  // 1 to 3 MIDI bytes, the fourth is reserved (zero)
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    int32 type;  // kVstSysExType
    int32 byteSize;
    int32 deltaFrames;
    int32 flags;
    int32 dumpBytes;
    intptr resvd1;
    char* sysexDump;
    intptr resvd2;
};

// A host passes a record whose events array really holds numEvents pointers.
struct VstEvents {
    int32 numEvents;
    intptr reserved;
    VstEvent* events[2];
};

// ---------------------------------------------------------------- time

struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    int32 smpteOffset;
    int32 smpteFrameRate;
    int32 samplesToNextClock;
    int32 flags;
};

enum VstTimeInfoFlags : int32 {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

// ---------------------------------------------------------------- editor

struct ERect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
};

struct VstKeyCode {
    int32 character;
    unsigned char virt;      // one of VstVirtualKey
    unsigned char modifier;  // VstModifierKey bits
};

enum VstVirtualKey : unsigned char {
    VKEY_BACK = 1,
    VKEY_TAB,
    VKEY_CLEAR,
    VKEY_RETURN,
    VKEY_PAUSE,
    VKEY_ESCAPE,
    VKEY_SPACE,
    VKEY_NEXT,
    VKEY_END,
    VKEY_HOME,
    VKEY_LEFT,
    VKEY_UP,
    VKEY_RIGHT,
    VKEY_DOWN,
    VKEY_PAGEUP,
    VKEY_PAGEDOWN,
    VKEY_SELECT,
    VKEY_PRINT,
    VKEY_ENTER,
    VKEY_SNAPSHOT,
    VKEY_INSERT,
    VKEY_DELETE,
    VKEY_HELP,
    VKEY_NUMPAD0,
    VKEY_NUMPAD1,
    VKEY_NUMPAD2,
    VKEY_NUMPAD3,
    VKEY_NUMPAD4,
    VKEY_NUMPAD5,
    VKEY_NUMPAD6,
    VKEY_NUMPAD7,
    VKEY_NUMPAD8,
    VKEY_NUMPAD9,
    VKEY_MULTIPLY,
    VKEY_ADD,
    VKEY_SEPARATOR,
    VKEY_SUBTRACT,
    VKEY_DECIMAL,
    VKEY_DIVIDE,
    VKEY_F1,
    VKEY_F2,
    VKEY_F3,
    VKEY_F4,
    VKEY_F5,
    VKEY_F6,
    VKEY_F7,
    VKEY_F8,
    VKEY_F9,
    VKEY_F10,
    VKEY_F11,
    VKEY_F12,
    VKEY_NUMLOCK,
    VKEY_SCROLL,
    VKEY_SHIFT,
    VKEY_CONTROL,
    VKEY_ALT,
    VKEY_EQUALS,
};

enum VstModifierKey : unsigned char {
    MODIFIER_SHIFT = 1 << 0,
    MODIFIER_ALTERNATE = 1 << 1,
    MODIFIER_COMMAND = 1 << 2,
    MODIFIER_CONTROL = 1 << 3,
};

// ---------------------------------------------------------------- pins, parameters, speakers

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    int32 flags;
    int32 arrangementType;
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

enum VstPinPropertiesFlags : int32 {
    kVstPinIsActive = 1 << 0,
    kVstPinIsStereo = 1 << 1,
    kVstPinUseSpeaker = 1 << 2,
};

enum VstPlugCategory : int32 {
    kPlugCategUnknown = 0,
    kPlugCategEffect,
    kPlugCategSynth,
    kPlugCategAnalysis,
    kPlugCategMastering,
    kPlugCategSpacializer,
    kPlugCategRoomFx,
    kPlugSurroundFx,
    kPlugCategRestoration,
    kPlugCategOfflineProcess,
    kPlugCategShell,
    kPlugCategGenerator,
    kPlugCategMaxCount,
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[kVstMaxLabelLen];
    int32 flags;
    int32 minInteger;
    int32 maxInteger;
    int32 stepInteger;
    int32 largeStepInteger;
    char shortLabel[kVstMaxShortLabelLen];
    int16 displayIndex;
    int16 category;
    int16 numParametersInCategory;
    int16 reserved;
    char categoryLabel[kVstMaxCategLabelLen];
    char future[16];
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[kVstMaxNameLen];
    int32 type;
    char future[28];
};

// A host passes a record whose speakers array really holds numChannels entries.
struct VstSpeakerArrangement {
    int32 type;
    int32 numChannels;
    VstSpeakerProperties speakers[8];
};

enum VstProcessPrecision : int32 { kVstProcessPrecision32 = 0, kVstProcessPrecision64 };

// Records that this plug-in never reads or fills; the operations that take them
// only pass their addresses on.
struct VstFileSelect;
struct VstOfflineTask;
struct VstAudioFile;
struct VstVariableIo;
struct VstPatchChunkInfo;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
enum VstAudioFileFlags : int32 {};

// ---------------------------------------------------------------- entry

// The exported entry point of a plug-in library.
using PluginEntryProc = AEffect* (*)(audioMasterCallback host);

// ---------------------------------------------------------------- x86-64 layout

static_assert(sizeof(void*) == 8, "this interface layer is written for 64-bit targets");
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);
static_assert(sizeof(VstEvent) == 32);
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(offsetof(VstMidiEvent, reserved1) == 30);
static_assert(sizeof(VstMidiSysexEvent) == 48);
static_assert(offsetof(VstEvents, events) == 16);
static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, flags) == 84);
static_assert(sizeof(ERect) == 8);
static_assert(sizeof(VstKeyCode) == 8);
static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, flags) == 64);
static_assert(sizeof(VstParameterProperties) == 152);
static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(sizeof(VstSpeakerArrangement) == 904);

}  // namespace vst
