// The extended base layer: opcodes 25..79, the host callbacks of the 2.x
// interface and the defaults of every extended operation.
#pragma once

#include "vst/AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(vst::audioMasterCallback audioMaster, int32 numPrograms, int32 numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    intptr dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) override;
    void resume() override;

    virtual bool canParameterBeAutomated(int32) { return true; }
    virtual bool string2parameter(int32, char*) { return false; }
    virtual bool getParameterProperties(int32, vst::VstParameterProperties*) { return false; }
    virtual bool beginEdit(int32 index);
    virtual bool endEdit(int32 index);
    virtual bool getProgramNameIndexed(int32, int32, char*) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual int32 beginLoadBank(vst::VstPatchChunkInfo*) { return 0; }
    virtual int32 beginLoadProgram(vst::VstPatchChunkInfo*) { return 0; }
    virtual bool ioChanged();
    virtual double updateSampleRate();
    virtual int32 updateBlockSize();
    virtual int32 getInputLatency();
    virtual int32 getOutputLatency();
    virtual bool getInputProperties(int32, vst::VstPinProperties*) { return false; }
    virtual bool getOutputProperties(int32, vst::VstPinProperties*) { return false; }
    virtual bool setSpeakerArrangement(vst::VstSpeakerArrangement*, vst::VstSpeakerArrangement*) { return false; }
    virtual bool getSpeakerArrangement(vst::VstSpeakerArrangement** input, vst::VstSpeakerArrangement** output);
    virtual bool setBypass(bool) { return false; }
    virtual bool setPanLaw(int32, float) { return false; }
    virtual bool setProcessPrecision(int32) { return false; }
    virtual int32 getNumMidiInputChannels() { return 0; }
    virtual int32 getNumMidiOutputChannels() { return 0; }
    virtual vst::VstTimeInfo* getTimeInfo(int32 filter);
    virtual int32 getCurrentProcessLevel();
    virtual int32 getAutomationState();
    virtual int32 processEvents(vst::VstEvents*) { return 0; }
    virtual int32 startProcess() { return 0; }
    virtual int32 stopProcess() { return 0; }
    virtual bool processVariableIo(vst::VstVariableIo*) { return false; }
    virtual int32 setTotalSampleToProcess(int32 value) { return value; }
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual int32 getHostVendorVersion();
    virtual intptr hostVendorSpecific(int32 lArg1, intptr lArg2, void* ptrArg, float floatArg);
    virtual int32 canHostDo(char* text);
    virtual int32 getHostLanguage();
    virtual void isSynth(bool state = true) { setFlag(vst::effFlagsIsSynth, state); }
    virtual void noTail(bool state = true) { setFlag(vst::effFlagsNoSoundInStop, state); }
    virtual int32 getGetTailSize() { return 0; }
    virtual void* getDirectory();
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual int32 getVendorVersion() { return 0; }
    virtual intptr vendorSpecific(int32, intptr, void*, float) { return 0; }
    virtual int32 canDo(char*) { return 0; }
    virtual int32 getVstVersion() { return vst::kVstVersion; }
    virtual vst::VstPlugCategory getPlugCategory();
    virtual int32 getMidiProgramName(int32, vst::MidiProgramName*) { return 0; }
    virtual int32 getCurrentMidiProgram(int32, vst::MidiProgramName*) { return -1; }
    virtual int32 getMidiProgramCategory(int32, vst::MidiProgramCategory*) { return 0; }
    virtual bool hasMidiProgramsChanged(int32) { return false; }
    virtual bool getMidiKeyName(int32, vst::MidiKeyName*) { return false; }
    virtual bool updateDisplay();
    virtual bool sizeWindow(int32 width, int32 height);
    virtual bool openFileSelector(vst::VstFileSelect* select);
    virtual bool closeFileSelector(vst::VstFileSelect* select);
    virtual int32 getNextShellPlugin(char*) { return 0; }
    virtual bool allocateArrangement(vst::VstSpeakerArrangement** arrangement, int32 nbChannels);
    virtual bool deallocateArrangement(vst::VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(vst::VstSpeakerProperties* to, vst::VstSpeakerProperties* from);
    virtual bool matchArrangement(vst::VstSpeakerArrangement** to, vst::VstSpeakerArrangement* from);
    virtual bool offlineRead(vst::VstOfflineTask* offline, int32 option, bool readSource = true);
    virtual bool offlineWrite(vst::VstOfflineTask* offline, int32 option);
    virtual bool offlineStart(vst::VstAudioFile* ptr, int32 numAudioFiles, int32 numNewAudioFiles);
    virtual int32 offlineGetCurrentPass();
    virtual int32 offlineGetCurrentMetaPass();
    virtual bool offlineNotify(vst::VstAudioFile*, int32, bool) { return false; }
    virtual bool offlinePrepare(vst::VstOfflineTask*, int32) { return false; }
    virtual bool offlineRun(vst::VstOfflineTask*, int32) { return false; }
    virtual int32 offlineGetNumPasses() { return 0; }
    virtual int32 offlineGetNumMetaPasses() { return 0; }

    virtual void __wantEventsDeprecated(int32 filter = 1);
    virtual int32 __tempoAtDeprecated(int32 pos);
    virtual int32 __getNumAutomatableParametersDeprecated();
    virtual int32 __getParameterQuantizationDeprecated();
    virtual int32 __getNumCategoriesDeprecated() { return 1; }
    virtual bool __copyProgramDeprecated(int32) { return false; }
    virtual bool __needIdleDeprecated();
    virtual vst::AEffect* __getPreviousPlugDeprecated(int32 input);
    virtual vst::AEffect* __getNextPlugDeprecated(int32 output);
    virtual void __inputConnectedDeprecated(int32, bool) {}
    virtual void __outputConnectedDeprecated(int32, bool) {}
    virtual int32 __willProcessReplacingDeprecated();
    virtual void __wantAsyncOperationDeprecated(bool state = true) { setFlag(vst::effFlagsExtIsAsync, state); }
    virtual void __hasExternalBufferDeprecated(bool state = true) { setFlag(vst::effFlagsExtHasBuffer, state); }
    virtual int32 __reportCurrentPositionDeprecated() { return 0; }
    virtual float* __reportDestinationBufferDeprecated() { return nullptr; }
    virtual void __setOutputSamplerateDeprecated(float samplerate);
    virtual vst::VstSpeakerArrangement* __getInputSpeakerArrangementDeprecated();
    virtual vst::VstSpeakerArrangement* __getOutputSpeakerArrangementDeprecated();
    virtual void* __openWindowDeprecated(void* window);
    virtual bool __closeWindowDeprecated(void* window);
    virtual void __setBlockSizeAndSampleRateDeprecated(int32 size, float rate) {
        blockSize = size;
        sampleRate = rate;
    }
    virtual bool __getErrorTextDeprecated(char*) { return false; }
    virtual void* __getIconDeprecated() { return nullptr; }
    virtual bool __setViewPositionDeprecated(int32, int32) { return false; }
    virtual int32 __fxIdleDeprecated() { return 0; }
    virtual bool __keysRequiredDeprecated() { return false; }
    virtual bool __getChunkFileDeprecated(void* nativePath);

    bool sendVstEventsToHost(vst::VstEvents* events);
};
