#include "vst/AudioEffectX.h"

#include <cstdlib>
#include <cstring>

using namespace vst;

namespace {
char receiveVstMidiEventText[] = "receiveVstMidiEvent";
}

intptr AudioEffectX::dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effProcessEvents: return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
        case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
        case effString2Parameter: return ptr && string2parameter(index, text) ? 1 : 0;
        case effGetProgramNameIndexed:
            return ptr && getProgramNameIndexed(static_cast<int32>(value), index, text) ? 1 : 0;
        case effGetInputProperties:
            return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        case effGetOutputProperties:
            return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        case effGetPlugCategory: return getPlugCategory();
        case effOfflineNotify: return offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<int32>(value), index != 0);
        case effOfflinePrepare: return offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<int32>(value));
        case effOfflineRun: return offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<int32>(value));
        case effProcessVarIo: return processVariableIo(static_cast<VstVariableIo*>(ptr));
        case effSetSpeakerArrangement:
            return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                         static_cast<VstSpeakerArrangement*>(ptr));
        case effSetBypass: return setBypass(value != 0);
        case effGetEffectName: return ptr && getEffectName(text) ? 1 : 0;
        case effGetVendorString: return ptr && getVendorString(text) ? 1 : 0;
        case effGetProductString: return ptr && getProductString(text) ? 1 : 0;
        case effGetVendorVersion: return getVendorVersion();
        case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
        case effCanDo: return ptr ? canDo(text) : 0;
        case effGetTailSize: return getGetTailSize();
        case effGetParameterProperties:
            return ptr && getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
        case effGetVstVersion: return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            if (!editor) return 0;
            VstKeyCode key{index, static_cast<unsigned char>(value & 0xff),
                           static_cast<unsigned char>(static_cast<int32>(opt) & 0xff)};
            return (opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key)) ? 1 : 0;
        }
        case effSetEditKnobMode: return editor ? (editor->setKnobMode(static_cast<int32>(value)) ? 1 : 0) : 0;
        case effGetMidiProgramName: return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case effGetMidiProgramCategory:
            return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        case effHasMidiProgramsChanged: return hasMidiProgramsChanged(index) ? 1 : 0;
        case effGetMidiKeyName: return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
        case effBeginSetProgram: return beginSetProgram() ? 1 : 0;
        case effEndSetProgram: return endSetProgram() ? 1 : 0;
        case effGetSpeakerArrangement:
            return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                         static_cast<VstSpeakerArrangement**>(ptr))
                       ? 1
                       : 0;
        case effShellGetNextPlugin: return ptr ? getNextShellPlugin(text) : 0;
        case effStartProcess: return startProcess();
        case effStopProcess: return stopProcess();
        case effSetTotalSampleToProcess: return setTotalSampleToProcess(static_cast<int32>(value));
        case effSetPanLaw: return setPanLaw(static_cast<int32>(value), opt) ? 1 : 0;
        case effBeginLoadBank: return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
        case effBeginLoadProgram: return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
        case effSetProcessPrecision: return setProcessPrecision(static_cast<int32>(value)) ? 1 : 0;
        case effGetNumMidiInputChannels: return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
        default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::resume() {
    if ((cEffect.flags & effFlagsIsSynth) || canDo(receiveVstMidiEventText) == 1) __wantEventsDeprecated(1);
}

VstPlugCategory AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
    if (input) *input = nullptr;
    if (output) *output = nullptr;
    return false;
}

// ---------------------------------------------------------------- host callbacks

void AudioEffectX::__wantEventsDeprecated(int32 filter) { callHost(__audioMasterWantMidiDeprecated, 0, filter); }

VstTimeInfo* AudioEffectX::getTimeInfo(int32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
    return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

int32 AudioEffectX::__tempoAtDeprecated(int32 pos) {
    return static_cast<int32>(callHost(__audioMasterTempoAtDeprecated, 0, pos));
}

int32 AudioEffectX::__getNumAutomatableParametersDeprecated() {
    return static_cast<int32>(callHost(__audioMasterGetNumAutomatableParametersDeprecated));
}

int32 AudioEffectX::__getParameterQuantizationDeprecated() {
    return static_cast<int32>(callHost(__audioMasterGetParameterQuantizationDeprecated));
}

bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }
bool AudioEffectX::__needIdleDeprecated() { return callHost(__audioMasterNeedIdleDeprecated) != 0; }
bool AudioEffectX::sizeWindow(int32 width, int32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

double AudioEffectX::updateSampleRate() {
    intptr answer = callHost(audioMasterGetSampleRate);
    if (answer > 0) sampleRate = static_cast<float>(answer);
    return sampleRate;
}

int32 AudioEffectX::updateBlockSize() {
    intptr answer = callHost(audioMasterGetBlockSize);
    if (answer > 0) blockSize = static_cast<int32>(answer);
    return blockSize;
}

int32 AudioEffectX::getInputLatency() { return static_cast<int32>(callHost(audioMasterGetInputLatency)); }
int32 AudioEffectX::getOutputLatency() { return static_cast<int32>(callHost(audioMasterGetOutputLatency)); }

AEffect* AudioEffectX::__getPreviousPlugDeprecated(int32) {
    return reinterpret_cast<AEffect*>(callHost(__audioMasterGetPreviousPlugDeprecated));
}
AEffect* AudioEffectX::__getNextPlugDeprecated(int32) {
    return reinterpret_cast<AEffect*>(callHost(__audioMasterGetNextPlugDeprecated));
}
int32 AudioEffectX::__willProcessReplacingDeprecated() {
    return static_cast<int32>(callHost(__audioMasterWillReplaceOrAccumulateDeprecated));
}
int32 AudioEffectX::getCurrentProcessLevel() {
    return static_cast<int32>(callHost(audioMasterGetCurrentProcessLevel));
}
int32 AudioEffectX::getAutomationState() { return static_cast<int32>(callHost(audioMasterGetAutomationState)); }

bool AudioEffectX::offlineStart(VstAudioFile* ptr, int32 numAudioFiles, int32 numNewAudioFiles) {
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr) != 0;
}
bool AudioEffectX::offlineRead(VstOfflineTask* offline, int32 option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}
bool AudioEffectX::offlineWrite(VstOfflineTask* offline, int32 option) {
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}
int32 AudioEffectX::offlineGetCurrentPass() { return callHost(audioMasterOfflineGetCurrentPass) != 0; }
int32 AudioEffectX::offlineGetCurrentMetaPass() { return callHost(audioMasterOfflineGetCurrentMetaPass) != 0; }

void AudioEffectX::__setOutputSamplerateDeprecated(float samplerate) {
    callHost(__audioMasterSetOutputSampleRateDeprecated, 0, 0, nullptr, samplerate);
}
VstSpeakerArrangement* AudioEffectX::__getOutputSpeakerArrangementDeprecated() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(__audioMasterGetOutputSpeakerArrangementDeprecated));
}
VstSpeakerArrangement* AudioEffectX::__getInputSpeakerArrangementDeprecated() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(__audioMasterGetInputSpeakerArrangementDeprecated));
}

bool AudioEffectX::getHostVendorString(char* text) {
    return audioMaster && callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}
bool AudioEffectX::getHostProductString(char* text) {
    return audioMaster && callHost(audioMasterGetProductString, 0, 0, text) != 0;
}
int32 AudioEffectX::getHostVendorVersion() { return static_cast<int32>(callHost(audioMasterGetVendorVersion)); }
intptr AudioEffectX::hostVendorSpecific(int32 lArg1, intptr lArg2, void* ptrArg, float floatArg) {
    return callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}
int32 AudioEffectX::canHostDo(char* text) { return callHost(audioMasterCanDo, 0, 0, text) != 0; }
int32 AudioEffectX::getHostLanguage() { return static_cast<int32>(callHost(audioMasterGetLanguage)); }

void* AudioEffectX::__openWindowDeprecated(void* window) {
    return reinterpret_cast<void*>(callHost(__audioMasterOpenWindowDeprecated, 0, 0, window));
}
bool AudioEffectX::__closeWindowDeprecated(void* window) {
    return callHost(__audioMasterCloseWindowDeprecated, 0, 0, window) != 0;
}
void* AudioEffectX::getDirectory() { return reinterpret_cast<void*>(callHost(audioMasterGetDirectory)); }
bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
bool AudioEffectX::beginEdit(int32 index) { return callHost(audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::endEdit(int32 index) { return callHost(audioMasterEndEdit, index) != 0; }

bool AudioEffectX::openFileSelector(VstFileSelect* select) {
    return select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}
bool AudioEffectX::closeFileSelector(VstFileSelect* select) {
    return select && callHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}
bool AudioEffectX::__getChunkFileDeprecated(void* nativePath) {
    return nativePath && callHost(__audioMasterGetChunkFileDeprecated, 0, 0, nativePath) != 0;
}

// ---------------------------------------------------------------- speaker arrangements

namespace {
size_t arrangementBytes(int32 channels) {
    // The record declares room for eight speakers; a larger arrangement extends it.
    int32 extra = channels > 8 ? channels - 8 : 0;
    return sizeof(VstSpeakerArrangement) + static_cast<size_t>(extra) * sizeof(VstSpeakerProperties);
}
}  // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, int32 nbChannels) {
    if (!arrangement || nbChannels < 0) return false;
    deallocateArrangement(arrangement);
    auto* record = static_cast<VstSpeakerArrangement*>(std::calloc(1, arrangementBytes(nbChannels)));
    if (!record) return false;
    record->numChannels = nbChannels;
    *arrangement = record;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement && *arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (!to || !from) return false;
    std::memcpy(to, from, sizeof(VstSpeakerProperties));
    to->name[kVstMaxNameLen - 1] = 0;
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (!from || !to) return false;
    if (!deallocateArrangement(to) || !allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    for (int32 i = 0; i < from->numChannels; ++i)
        if (!copySpeaker(&(*to)->speakers[i], &from->speakers[i])) return false;
    return true;
}
