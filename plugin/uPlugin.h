// APlugin: the one object that holds the whole instrument. Its state is grouped
// per subsystem in plain structs held by value; its member functions are split
// across one source file per subsystem (uPlugin*.cpp in plugin/, engine/).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/MidiState.h"
#include "vst/AudioEffectX.h"
#include "plugin/EditorMarks.h"
#include "plugin/EditorServices.h"
#include "plugin/ParameterModel.h"
#include "plugin/StartupState.h"

class uEditor;

// What the host's product and vendor strings told us at construction; fixed
// for the object's life.
struct THostFlags {
    bool hostIsReaper = false;
    bool hostIsSibling = false;  // the maker's own host
    bool hostIsProp = false;
    bool hostIsKore = false;
    bool hostIsNKS = false;
};

// Rate members: written only by setSampleRate, read by every engine unit.
struct TRates {
    float curSampleRate = 0;
    double curSampleRateD = 0;
    float invSampleRate = 0;
    float overSampleRate = 0;  // voices run at twice the host rate
    float invOverSampleRate = 0;
    float dcCoef = 0;
    double lfoBaseInc = 0;
    float barFactor = 0;
    float rateOverTempo = 0;
    float samplesPerBar = 0;
    float tempo = 120;  // host tempo in BPM; 120 until the host tells us otherwise
};

// Flags that pass work between the audio thread and the user-interface thread.
// Each is written by one side and polled by the other, never locked.
struct THandOffFlags {
    std::atomic<bool> presetPending{false};
    std::atomic<bool> settingPreset{false};
    std::atomic<bool> previewPlaying{false};
    std::atomic<bool> screenUpdatePending{false};
    std::atomic<bool> editorOpening{false};
    std::atomic<bool> editorOpened{false};
    std::atomic<bool> popupActive{false};
};

class APlugin : public AudioEffectX, public TEditorServices {
public:
    static constexpr int32 NUM_PARAMS = 1024;
    static constexpr int32 NUM_PROGRAMS = 1;
    static constexpr int32 MIDI_QUEUE_SIZE = 250;
    static constexpr int32 MIDI_EVENT_RECORDS = 251;
    static constexpr int32 MIDI_SLOT_FREE = -99;
    static constexpr float START_SAMPLE_RATE = 44099.0f;

    explicit APlugin(vst::audioMasterCallback audioMaster);
    ~APlugin() override;

    // ---- host operations (uPlugin.cpp)
    intptr dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) override;
    void suspend() override {}
    void setSampleRate(float rate) override;
    int32 canDo(char* text) override;
    intptr vendorSpecific(int32 index, intptr value, void* ptr, float opt) override;
    bool getOutputProperties(int32 index, vst::VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32 getVendorVersion() override { return 65536; }
    bool beginEdit(int32 index) override;
    bool endEdit(int32 index) override;
    void setParameterAutomated(int32 index, float value) override { AudioEffectX::setParameterAutomated(index, value); }
    virtual float getVu() { return 0; }

    // NKS property queries, answered only to hosts recognised as NKS hosts.
    intptr getVendorSpecificPropertyInfo(int32 id, void* ptr);
    intptr getVendorSpecificProperty(int32 id, void* ptr);
    intptr setVendorSpecificProperty(int32, void*) { return 0; }
    bool notifyNKSHost(int32 propertyIndex, void* data, intptr size);

    // ---- state chunk (plugin/uPluginChunk.cpp)
    int32 getChunk(void** data, bool isPreset = false) override;
    int32 setChunk(void* data, int32 byteSize, bool isPreset = false) override;

    // ---- start-up and the program (plugin/uPluginInit.cpp)
    void initVariables();
    void setProgram(int32 program) override;
    // Pitch of a MIDI note in semitones, through the tuning table when one is on.
    float getTuning(int note) const;

    // ---- block loop (engine/uPluginProcess.cpp)
    void processReplacing(float** inputs, float** outputs, int32 sampleFrames) override;

    // ==== parameters: begin
    // ---- parameter table (ParameterTable.cpp)
    // One unsigned comparison: negative tags wrap to large values and fail too.
    static bool isValidTag(int32 tag) { return static_cast<std::uint32_t>(tag) < std::uint32_t{NUM_PARAMS}; }
    void setParameterVars(int32 tag, float defaultValue, bool isOnOff, float steppedRange, int32 steppedNum,
                          int32 tagDest, int32 paramType, const std::string& name, float zeroValue);
    // Start-up: zeroes the value arrays, fills every attribute of the 1024 tags,
    // the editor's has-control flags and the modulation type tables.
    void initParameters();
    int32 getTagDest(int32 tag) const;
    int32 getParamType(int32 tag) const;

    // ---- parameter store (uPluginParameters.cpp)
    void setParameter(int32 index, float value) override;
    float getParameter(int32 index) override;

    // The stepped getters and setters take exactly the types below: a call
    // with any other argument types (a double value or range, a float tag)
    // would be converted silently, so it is refused at compile time.
    int getSteppedValue(float value, float range, int num) const;
    int getSteppedValue(int tag) const;
    int getSteppedValue(int tag, float value) const;
    int getSteppedValue(int tag, float range, int num) const;
    template <typename... Arguments>
    int getSteppedValue(Arguments...) const = delete;
    void setSteppedValue(int tag, int step);
    void setSteppedValue(int tag, int step, float range, int num);
    template <typename... Arguments>
    void setSteppedValue(Arguments...) = delete;
    void setSteppedValueMax(int tag);
    float getSteppedRange(int tag) const;
    int getSteppedNum(int tag) const;

    bool getOnOff(float value) const { return value >= 0.5f; }
    bool getOnOff(int tag) const;
    bool getOnOff(double) const = delete;
    void setOnOff(int tag, bool on);
    void setOn(int tag);
    void setOff(int tag);
    void toggleValue(int tag);
    void setToDefault(int tag);
    void setToDefaultRange(int first, int last);
    float getDefaultValue(int tag) const;
    float getOrigValue(int tag) const;
    void setToOrig(int tag);
    void setZeroValue(int tag);

    void copyParameter(int from, int to);
    void copyParameterRange(int from, int to, int count);
    void copyParameterToRange(int from, int first, int last);
    void swapParameter(int a, int b);
    void swapParameterRange(int a, int b, int count);

    // Text kept one character per parameter. This reader skips empty slots.
    std::string getStringFromParamStr(int firstTag, int count, bool fromCurrent, bool fromSpare) const;
    void setStringFromParam(const std::string& text, int firstTag, int count, bool toSpare);
    // The program-name reader: stops at the first empty slot, characters
    // saturated to a signed byte, as the built-in names are compared.
    static std::string getPresetNameFromProgram(const TProgram& program);

    // The host-visible program record. There is one program, so any other
    // program number (the base layer stores whatever a host sends) still
    // addresses it rather than memory beyond it.
    TProgram& programRecord() {
        return values.programs[static_cast<std::uint32_t>(curProgram) < std::size(values.programs) ? curProgram : 0];
    }
    const TProgram& programRecord() const {
        return values.programs[static_cast<std::uint32_t>(curProgram) < std::size(values.programs) ? curProgram : 0];
    }

    bool isEditorOpen();
    void updateEditorScreen();
    bool getEditChanged() const { return values.editChanged.load(std::memory_order_relaxed); }

    // ---- display texts (uPluginDisplay.cpp)
    void getParameterDisplay(int32 index, char* text) override;  // bounded for the host
    void getParameterName(int32 index, char* text) override;     // bounded for the host
    void getParameterLabel(int32 index, char* text) override;
    std::string getParameterDisplayStr(int32 tag);  // whole text, for the editor
    std::string getParameterNameStr(int32 tag);     // whole text, for the editor

    std::string getFloatStr(float x, int places) const;
    std::string getDBStr(int tag, float mul, float offset, bool offBelow) const;
    std::string getFilterFreqStr(float x);
    std::string getFilterFreqStr(int tag);
    std::string getFilterFreqStr(double) = delete;
    std::string getLFOSpeedStr(float x, bool synced, bool asPeriod) const;
    std::string getLFOSpeedStr(float x, float divisor, float exponent, bool offAtZero, bool asPeriod) const;
    std::string getEnvLenStr(float x, bool exact) const;

    TParameterAttributes attr;
    TParameterValues values;

private:
    // Fills the parameter table as the members are built, so that nothing in
    // the constructor's body can meet an unnamed, unstepped parameter.

    std::string displayByTag(int32 tag, float v);
    // Values of sample playback as the display texts need them; each answers
    // the sample playback's start state until it is built.
    int32 sampleLengthForDisplay(int32 sample) const;
    double userSamplePointForDisplay(int32 tag);

public:
    // ==== parameters: end

    // ==== engine: begin
    // ---- MIDI input (engine/uPluginMidi.cpp)
    int32 processEvents(vst::VstEvents* events) override;
    // Hands every event due in this frame to the engine (audio thread).
    void processMidi(long frame);
    void setMIDILatch(int tag, bool arm);
    void setMIDICCNum(int tag);
    void resetMIDI();
    void resetMIDICapture();
    void updateMIDIChannel(bool force);
    // Reads the controller map and the MIDI switches from the preferences
    // (start-up and whenever the settings change; never the audio thread).
    void loadMIDIPreferences();

    // ---- block loop (engine/uPluginProcess.cpp)
    void __processDeprecated(float** inputs, float** outputs, int32 sampleFrames) override;

    // ---- notes and voices (engine/uPluginVoices.cpp)
    void midiNoteDown(int note, int velocity, int channel);
    void midiNoteRelease(int note, int channel);
    void setNotePressed(int voice, int note, int velocity, bool retrigger);
    void getNextCurVoice();
    void setVoiceOn(int voice);
    void setVoiceOff(int voice);
    void setVoiceTotallyOff(int voice);
    void turnAllVoicesOff();
    void setEverythingOff(bool hard);
    bool isValidVoice(int voice) const { return static_cast<unsigned>(voice) < NUM_VOICES; }
    bool getIsVoicePlaying(int voice) const { return isValidVoice(voice) && voices.voiceOn[voice]; }
    int getNotesOn() const;
    int getNotesPlaying() const;
    void setLastVoice();
    float getPitchBendValue(int tag, float x);
    void updateBaseNote();
    // Editor thread: the request is taken by the audio thread at its next block.
    void previewNoteOn();
    void previewNoteReleased();
    void requestReset();
    // Audio thread (program application and the block start).
    void reset();

    // ---- modulation sources and envelopes (the modulation engine, engine/uPluginMod.cpp)
    void setModSrc(int src, float value);
    void setModSrc(int src, float value, int channel);
    void setEnvs(int voice);

    // ---- output stage and the voices' filters (engine/uPluginOutput.cpp)
    // Builds the per-instance engine tables and the process-wide tables the
    // voices read (start-up, before the audio thread runs; once).
    void initEngineUnits();
    void initFilters();
    void updateBrickFilter();
    void updateVolumes();
    float getMainVolumeGain() const { return output.mainVolumeGain; }

    TEngineState engine;
    TVoiceState voices;
    TModState mod;
    TOutputState output;
    TVoiceUnits units;

protected:
    // Block loop pieces (engine/uPluginProcess.cpp).
    void takeBlockRequests();
    void renderSilentFrame(int frame, float** outputs);
    void renderPreview(float** outputs, int32 sampleFrames);
    void renderNormal(float** inputs, float** outputs, int32 sampleFrames);
    void runHousekeeping(bool screenUpdateWasPending);
    void runGlobalControlStep();
    void renderVoices();
    void runVoice(int voice);
    void drawVoiceRandFactors(int voice);
    void runVoiceSteps();
    void runVoiceControlStep(int voice);
    void renderSource(int voice);
    void setSourceFrameInput();
    void doDistort();
    void doFilter();
    void applyFX();
    void runOutputStage();
    void handleMidiEvent(const vst::VstMidiEvent& event);
    void handleController(int controller, int value, int channel);
    void releasePreviewNoteNow();
    void startPreviewNoteNow();
    void stopAllForPreview();
    void initFX();
    // Modulation steps the loop calls (engine/uPluginMod.cpp, engine/uPluginMovement.cpp).
    void buildRoutes();
    void applyVoiceRoutes(int voice);
    void setGlobalLFOS();
    void setVoiceLFOS(int voice);
    void prepareVoiceLFOs(int voice);
    void runVoiceLFOs(std::uint32_t started, std::uint32_t stepDue);
    void initVoiceLFO(int voice, int lfo);
    void initGlobalLFO(int lfo);
    // Parameter reads of the engine, in one place.
    float paramValue(int tag) const { return values.curValue[static_cast<std::size_t>(tag)]; }
    int paramStep(int tag) const { return getSteppedValue(tag); }
    bool paramOn(int tag) const { return getOnOff(tag); }
    void applyPendingProgram();
    void applyProgramToEngine();
    float silenceGateLimit() const;

public:
    // ==== engine: end

    // ==== modulation: begin
    // ---- modulation engine (engine/uPluginMod.cpp; setModSrc, setEnvs,
    // buildRoutes and applyVoiceRoutes, declared in the engine section, are
    // defined there too).
    // Start-up: the neutral row, the routes, the LFOs and the ribbon spring.
    void initModulation();
    int getModSrc(int tag);
    int getModDest(int tag);
    int getModSlotDest(int slot);
    std::string getModSrcByModStr(int route);
    void setModSlotVar(int slot, bool bypass, float amount, int src, int dest);
    bool isValidModSlot(int slot) const { return slot >= 0 && slot < 4; }
    bool isValidSrc(int src) const { return src >= 1 && src <= 62; }
    // A voice's destinations back to neutral (note start, everything off).
    void resetVoiceModDest(int voice);
    // Editor read-outs (user-interface thread; they only read).
    float getModValue(int tag);
    void getWaveDisplay(int points, float zoom, float* out);
    // Movement lock (user-interface thread).
    void setLockState(int state);
    int getLockState() const;
    bool getIsLocked() const;
    float getLockVar(int tag);

    // ---- Movement and Free LFO (engine/uPluginMovement.cpp; also setGlobalLFOS,
    // setVoiceLFOS, initGlobalLFO and initVoiceLFO, declared in the engine section).
    void initLFOs();
    float getMovementValue(int mode, float x);
    float getMovementPos();
    float getPan();

    // ---- ribbon (engine/uPluginRibbon.cpp)
    int getRibbonQuant();
    int getRibbonSpringTime();
    void setRibbbonSpringOff();
    void setRibbonSpringOn();
    // One frame of the ribbon (settings at the control step, spring, source 49).
    void updateRibbon();

    TMovementState movement;

private:
    void refreshLFOSettings(TLfoState& lfo, int which, const TModState::Row& dest, float centerNote, float velocity);
    void refreshMovementCurves(int voice);
    double lfoIncrement(int which);

public:
    // ==== modulation: end

    // ==== editor services: begin
    // What TEditorServices asks beyond the operations above. The parameter
    // store's share is in uPluginParameters.cpp, the rest in
    // uPluginEditorServices.cpp.
    float getZeroValue(int tag) const override;
    bool getHasControl(int tag) const override;
    void changeDelta(int tag, int delta, bool fine, float amount) override;
    void setNumValue(int tag) override;

    int getNumBuiltinPrograms() const override;
    int getCurBuiltinProgram() const override;
    std::string getDemoName(int index) const override;
    void setDemoProgram(int index) override;
    void changeDemoProgramDelta(int delta) override;
    bool getIsSettingPreset() const override;
    void origProgram() override;
    void editProgram() override;
    void clearProgram() override;
    void doHardReset() override;

    void setEditorOpenState(bool opening, bool opened) override;
    bool getPopupActive() const override;
    void setPopupActive(bool active) override;
    TEditorRequests takeEditorRequests() override;
    void requestEditorRedraw() override;
    void takeChangedTags(std::vector<int>& tags) override;
    std::string getManualPath() const override;

    bool getSampleLoaded() override;
    double getSampleLength(int slot) override;
    double getSampleStart(int slot) override;
    double getSampleLoopStart(int slot) override;
    double getSampleLoopEnd(int slot) override;
    void setSampleStart(float fraction) override;
    void setSampleLoopStart(float fraction) override;
    void setSampleLoopEnd(float fraction) override;
    void setSampleLoop(float start, float end) override;
    void setSampleStartDelta(float delta) override;
    void setSampleLoopStartDelta(float delta) override;
    void setSampleLoopEndDelta(float delta) override;
    void setSampleStartBySample(int frame) override;
    void setSampleLoopStartBySample(int frame) override;
    void setSampleLoopEndBySample(int frame) override;
    void setSamplePositions(int which) override;
    void setDefaultSamplePositions() override;
    void setZeroCross(int which, float direction) override;
    bool getSampleDisplayValue(float position, float& left, float& right) override;
    float getSampleVol() override;
    void normalizeSampleVol() override;
    std::string getLoadedSampleDisplayNameStr() override;
    std::string getLoadedSampleFolderNameStr() override;
    std::string getBadSampleStr() override;
    void reloadSample() override;
    void updateLoadedSamples() override;
    void previewSample() override;
    void releasePreviewSample() override;

    std::string getSampleFolderStr() override;
    std::string getExternalSampleDirStr() override;
    void setExternalSampleDir() override;
    void showKolbriSample() override;
    void showExternalSamples() override;
    void gotoHomeSampleFolder() override;
    void gotoSampleFolder() override;
    void goUpAFolder() override;
    void setSampleCurFolder(int index) override;
    void createSampleFolder() override;
    void scanSampleFolder() override;
    int getNumOfSubFoldersInSampleFolder() override;
    std::string getSampleSubFolderDisplayNameStr(int index) override;
    std::string getCurSampleFolderDisplayNameStr() override;
    int getNumOfSamplesInSampleFolder() override;
    std::string getSampleNoDisplayNameStr(int index) override;
    int getSampleNo() override;
    void loadSelectedSample(int index) override;
    void changeSampleDelta(int delta) override;
    void previewSampleFromFile(int index) override;
    void importSampleFromDrag(const std::string& path, int count) override;
    void importSampleFromMenu() override;

    void loadECS() override;
    void saveECS() override;
    void loadTuning() override;
    void resetTuning() override;
    std::string getTuningName() override;
    int getGaterPos() override;
    // ==== editor services: end

    const THostFlags& hostFlags() const { return host; }
    const TRates& rates() const { return rate; }

protected:
    void loadStartProgram();
    TProgram* chunkBufferFor(bool isPreset);
    TProgram& chunkProgramFor(bool isPreset);

    // Tells the editor which control the host is recording (-1: none).
    void editTagChanged(int32 tag);

    THostFlags host;
    TRates rate;
    THandOffFlags flags;
    TEditorMarks editorMarks;
    TMidiState midi;
    TFolders folders;
    TTuningState tuning;
    TChunkBuffers chunks;

private:
    void detectHost();
};

// Built by VSTPluginMain; kept separate so tests can build the object directly.
AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster);

// The library's two exported entry functions; both ask the host for its version
// first and build nothing for a host that answers 0.
extern "C" vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster);
extern "C" vst::AEffect* main_macho(vst::audioMasterCallback audioMaster);
