// APlugin: the one object that holds the whole instrument. It answers the host
// (the VST base layers), keeps the parameter store, the programs and the state
// chunk, and holds the sound engine (TSoundEngine, engine/SoundEngine.h) by
// value, forwarding the host's calls to it in one line each. The controls and
// the editor reach it only through TEditorServices; the engine only through
// TEngineHost; the sample library (TSampleLibrary, plugin/SampleLibrary.h,
// also held by value) only through TSampleLibraryHost. Its state is grouped
// per subsystem in plain structs held by value; its member functions are split
// across one source file per subsystem (plugin/uPlugin*.cpp).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ParameterModel.h"
#include "engine/SoundEngine.h"
#include "plugin/EditorMarks.h"
#include "plugin/EditorServices.h"
#include "plugin/PluginWorker.h"
#include "plugin/ProgramState.h"
#include "plugin/SampleLibrary.h"
#include "plugin/StartupState.h"
#include "vst/AudioEffectX.h"

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

class APlugin : public AudioEffectX, public TEditorServices, private TEngineHost, private TSampleLibraryHost {
public:
    static constexpr int32 NUM_PARAMS = 1024;
    static constexpr int32 NUM_PROGRAMS = 1;
    static constexpr int32 MIDI_QUEUE_SIZE = TMidiState::QUEUE_SIZE;
    static constexpr int32 MIDI_SLOT_FREE = TMidiState::SLOT_FREE;
    static constexpr float START_SAMPLE_RATE = TSoundEngine::START_SAMPLE_RATE;

    explicit APlugin(vst::audioMasterCallback audioMaster);
    ~APlugin() override;

    // The processor time that construction seeds the C library's random
    // generator with ("Set to Random", the Gator's random pattern), so that
    // each load draws other values. Tests put a clock of their own here; null
    // restores the real one.
    using TProcessorClock = std::clock_t (*)();
    static void setProcessorClock(TProcessorClock clock);

    // ---- host operations (uPlugin.cpp)
    intptr dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) override;
    // The host lets go of the plug-in: its thread is stopped for good first.
    void close() override;
    void suspend() override {}
    // The host is about to process: the file work that programs may ask for
    // needs the background thread from now on (a scanning host never resumes).
    void resume() override;
    void setSampleRate(float rate) override { soundEngine.setSampleRate(rate); }
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

    // ---- start-up (plugin/uPluginInit.cpp)
    void initVariables();

    // ---- programs (plugin/uPluginPrograms.cpp)
    // The host sees one program; program 0 asks the audio thread to apply the
    // record again (while the editor is being opened, as soon as it is open),
    // any other number is ignored.
    void setProgram(int32 program) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32 category, int32 index, char* text) override;
    void setProgramName(char* name) override;
    void unSelectThenSetProgram();
    void reloadSamples();
    void doFileCommands(int command);
    static bool fileExists(const std::string& path);
    float getTuning(int note) const { return soundEngine.getTuning(note); }

    // ---- the block loop: the host's time for the block, then the engine (uPlugin.cpp)
    void processReplacing(float** inputs, float** outputs, int32 sampleFrames) override;
    void __processDeprecated(float**, float**, int32 sampleFrames) override {
        soundEngine.processDeprecated(sampleFrames);
    }

    // ==== parameters: begin
    // ---- parameter table (ParameterTable.cpp)
    // One unsigned comparison: negative tags wrap to large values and fail too.
    static bool isValidTag(int32 tag) { return isValidParameterTag(tag); }
    void setParameterVars(int32 tag, float defaultValue, bool isOnOff, float steppedRange, int32 steppedNum,
                          int32 tagDest, int32 paramType, const std::string& name, float zeroValue) {
        setParameterAttributes(attr, tag, defaultValue, isOnOff, steppedRange, steppedNum, tagDest, paramType, name,
                               zeroValue);
    }
    // Start-up: zeroes the value arrays, fills every attribute of the 1024 tags,
    // the editor's has-control flags and the modulation type tables.
    void initParameters() { initParameterModel(attr, values); }
    int32 getTagDest(int32 tag) const;
    int32 getParamType(int32 tag) const;

    // ---- parameter store (uPluginParameters.cpp)
    void setParameter(int32 index, float value) override;
    // setParameter for a value read from the record at recordRead: the record
    // takes the new value only if no other thread wrote it meanwhile.
    void setParameterFromRecord(int32 index, float value, float recordRead);
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
    static std::string getPresetNameFromProgram(const TProgramRecord& program);
    using TPresetName = std::array<char, PRESET_NAME_SLOTS>;
    static std::string_view presetNameOf(const TProgramRecord& program, TPresetName& name);

    // The host-visible program record. There is one program, so any other
    // program number (the base layer stores whatever a host sends) still
    // addresses it rather than memory beyond it.
    TProgramRecord& programRecord() { return values.programs[programIndex()]; }
    const TProgramRecord& programRecord() const { return values.programs[programIndex()]; }
    std::size_t programIndex() const {
        const auto program = static_cast<std::uint32_t>(curProgram.load(std::memory_order_relaxed));
        return program < std::size(values.programs) ? program : 0;
    }

    bool isEditorOpen();
    // Audio thread (housekeeping, through TEngineHost): asks the editor for a refresh.
    void updateEditorScreen() override;
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

    // ---- typed value entry (uPluginTypedEntry.cpp); setNumValue picks the form
    void setNumPer(int tag, bool bipolar);
    void setNumVol(int tag, float mul, float offset, std::string hint);
    void setNumFilter(int tag);
    void setNumSpeed(int tag, bool synced);
    // table holds at least count names.
    void setNumSteppedStr(int tag, float range, int count, const std::string* table);
    void setNumStepped(int tag, float range, int count);
    void setModValue(int tag, int slot);


private:
    // Fills the parameter table as the members are built, so that nothing in
    // the constructor's body can meet an unnamed, unstepped parameter.

    std::string displayByTag(int32 tag, float v);

    // How a typed text is read: stripped to digits, signs and dots first, and
    // as a whole number.
    struct TNumberRead {
        bool stripped = false;
        bool integer = false;
    };
    bool askNumber(int tag, const std::string& initial, const std::string& hint, TNumberRead read, double& x);
    void storeTyped(int tag, double value);
    bool setNumValueByTag(int tag);
    void setNumValueByType(int tag);
    // Sample lengths and the user sample's points in frames, as the display
    // texts show them (plugin/SampleLibrary.cpp has the rules).
    int32 sampleLengthForDisplay(int32 sample);
    double userSamplePointForDisplay(int32 tag);

public:
    // ==== parameters: end

    // ==== engine: begin
    // The sound engine's operations under the names the host, the controls
    // and the editor use (engine/SoundEngine.h says what each does).
    // The host's MIDI events, as the engine's own, into its queue (uPlugin.cpp).
    int32 processEvents(vst::VstEvents* events) override;
    void setMIDILatch(int tag, bool arm) override { soundEngine.setMIDILatch(tag, arm); }
    void setMIDICCNum(int tag) override;  // asks for the controller (uPluginParameters.cpp)
    void resetMIDI() override { soundEngine.resetMIDI(); }
    void resetMIDICapture() override { soundEngine.resetMIDICapture(); }
    void updateMIDIChannel(bool force) override { soundEngine.updateMIDIChannel(force); }
    void loadMIDIPreferences() { soundEngine.loadMIDIPreferences(); }
    void processMidi(long frame) { soundEngine.processMidi(frame); }

    void midiNoteDown(int note, int velocity, int channel) { soundEngine.midiNoteDown(note, velocity, channel); }
    void midiNoteRelease(int note, int channel) { soundEngine.midiNoteRelease(note, channel); }
    void setNotePressed(int voice, int note, int velocity, bool retrigger) {
        soundEngine.setNotePressed(voice, note, velocity, retrigger);
    }
    void getNextCurVoice() { soundEngine.getNextCurVoice(); }
    void setVoiceOn(int voice) { soundEngine.setVoiceOn(voice); }
    void setVoiceOff(int voice) { soundEngine.setVoiceOff(voice); }
    void setVoiceTotallyOff(int voice) { soundEngine.setVoiceTotallyOff(voice); }
    void turnAllVoicesOff() { soundEngine.turnAllVoicesOff(); }
    void setEverythingOff(bool hard) { soundEngine.setEverythingOff(hard); }
    bool isValidVoice(int voice) const { return soundEngine.isValidVoice(voice); }
    bool getIsVoicePlaying(int voice) const { return soundEngine.getIsVoicePlaying(voice); }
    int getNotesOn() const { return soundEngine.getNotesOn(); }
    int getNotesPlaying() const { return soundEngine.getNotesPlaying(); }
    void setLastVoice() { soundEngine.setLastVoice(); }
    float getPitchBendValue(int tag, float x) { return soundEngine.getPitchBendValue(tag, x); }
    void updateBaseNote() { soundEngine.updateBaseNote(); }
    void requestTuningForProgram() { soundEngine.requestTuningForProgram(); }
    // Program application (any thread): the user sample follows the program;
    // the background thread loads it.
    void requestUserSampleForProgram() { soundEngine.requestUserSampleForProgram(); }
    void previewNoteOn() override { soundEngine.previewNoteOn(); }
    void previewNoteReleased() override { soundEngine.previewNoteReleased(); }
    void requestReset() { soundEngine.requestReset(); }
    void reset() { soundEngine.reset(); }

    void setModSrc(int src, float value) { soundEngine.setModSrc(src, value); }
    void setModSrc(int src, float value, int channel) { soundEngine.setModSrc(src, value, channel); }
    void setModSrc(int voice, int src, float value) { soundEngine.setModSrc(voice, src, value); }
    void setEnvs(int voice) { soundEngine.setEnvs(voice); }
    void initModulation() { soundEngine.initModulation(); }
    bool isValidModSlot(int slot) const { return soundEngine.isValidModSlot(slot); }
    bool isValidSrc(int src) const { return soundEngine.isValidSrc(src); }
    void resetVoiceModDest(int voice) { soundEngine.resetVoiceModDest(voice); }
    void initLFOs() { soundEngine.initLFOs(); }
    void updateRibbon() { soundEngine.updateRibbon(); }
    void initEngineUnits() { soundEngine.initEngineUnits(); }
    void initFilters() { soundEngine.initFilters(); }
    void updateBrickFilter() { soundEngine.updateBrickFilter(); }
    void updateVolumes() { soundEngine.updateVolumes(); }
    float getMainVolumeGain() const { return soundEngine.getMainVolumeGain(); }

    // Modulation slots as the editor's menus use them (uPluginParameters.cpp).
    int getModSrc(int tag);
    int getModDest(int tag) override;
    int getModSlotDest(int slot) override;
    std::string getModSrcByModStr(int route) override;
    void setModSlotVar(int slot, bool bypass, float amount, int src, int dest) override;
    float getModValue(int tag) override { return soundEngine.getModValue(tag); }
    void getWaveDisplay(int points, float zoom, float* out) override { soundEngine.getWaveDisplay(points, zoom, out); }
    void setLockState(int state) override { soundEngine.setLockState(state); }
    int getLockState() const override { return soundEngine.getLockState(); }
    bool getIsLocked() const { return soundEngine.getIsLocked(); }
    float getLockVar(int tag) override { return soundEngine.getLockVar(tag); }
    float getMovementValue(int mode, float x) override { return soundEngine.getMovementValue(mode, x); }
    float getMovementPos() override { return soundEngine.getMovementPos(); }
    float getPan() override { return soundEngine.getPan(); }

    int getRibbonQuant() override { return soundEngine.getRibbonQuant(); }
    int getRibbonSpringTime() override { return soundEngine.getRibbonSpringTime(); }
    // The editor's thread asks; the audio thread acts at its next block.
    void setRibbbonSpringOff() override { soundEngine.requestRibbonSpringOff(); }
    void setRibbonSpringOn() override { soundEngine.requestRibbonSpringOn(); }
    // ==== engine: end

    // ==== editor services: begin
    // What TEditorServices asks beyond the operations above. The parameter
    // store's share is in uPluginParameters.cpp, the rest in
    // uPluginEditorServices.cpp.
    float getZeroValue(int tag) const override;
    bool getHasControl(int tag) const override;
    std::string getSrcShortStr(int source) const override;
    int getFxPathStage(int position) const override;
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

    // The sample library (plugin/SampleLibrary.h) as the editor reaches it.
    TSampleServices& getSampleServices() override { return sampleLibrary; }

    // ECS files (plugin/uPluginEcs.cpp) and tuning files (plugin/uPluginTuning.cpp).
    void loadECS() override;
    void saveECS() override;
    void loadTuning() override;
    void resetTuning() override;
    std::string getTuningName() override;
    int getGaterPos() override;
    // ==== editor services: end

    const THostFlags& hostFlags() const { return host; }
    const TRates& rates() const { return soundEngine.rates(); }
    // Read-only views for the display texts' neighbours, benchmarks and tests.
    const TParameterAttributes& parameterAttributes() const { return attr; }
    const TParameterValues& parameterValues() const { return values; }
    const TSoundEngine& engine() const { return soundEngine; }

private:
    friend struct TPluginTestAccess;  // tests reach the state through it

    // setParameter's work; recordRead, when given, guards the record's entry.
    void storeParameter(int32 index, float value, const float* recordRead);

    // Programs (plugin/uPluginPrograms.cpp).
    void loadStartProgram();
    // setProgram's work: the name lookup, soft takeover afresh, the request
    // to the audio thread.
    void requestProgram();
    void loadBuiltinIntoRecord(int index);
    static int findBuiltinProgram(const TProgramRecord& program);
    float applicableValue(int tag, float value) const;
    void showProgramValues(const std::array<TSharedFloat, PARAMETER_COUNT>& from, bool edited);
    void afterProgramCopy();
    TProgram* chunkBufferFor(bool isPreset);
    TProgramRecord& chunkProgramFor(bool isPreset);
    void detectHost();

    // Tells the editor which control the host is recording (-1: none).
    void editTagChanged(int32 tag);

    // The worker's tuning job: the table of the program's tuning file, when
    // program application asked for it (plugin/uPluginTuning.cpp).
    void takeTuningRequest();
    // The worker's job that tells the host of an applied program
    // (plugin/uPluginPrograms.cpp).
    void takeHostDisplayRequest();
    // The tuning's name as the 40 parameter values hold it.
    std::array<float, TUNING_NAME_SLOTS> storedTuningName() const;

    // What the engine asks of the plug-in (TEngineHost).
    void applyProgramValues() override;
    void setProgramAfterWaitingFromNo() override;
    void setParameterFromEngine(int tag, float value) override { setParameter(tag, value); }
    void refreshHostTime(TBlockTime& time) override { time = readHostTime(); }
    // The host's time information as the engine takes it (audio thread).
    TBlockTime readHostTime();

    // The state, one plain struct per subsystem. The parameters come first:
    // the engine is built with references to them.
    THostFlags host;
    TParameterAttributes attr;
    TParameterValues values;
    THandOffFlags flags;
    TEditorMarks editorMarks;
    TSoundEngine soundEngine{attr, values, flags, *this};
    TFolders folders;
    // The user sample and the sample folders; it asks the parameter store
    // above for its values.
    TSampleLibrary sampleLibrary{soundEngine, flags, *this};
    TChunkBuffers chunks;
    TProgramState programState;
    // Held by whichever non-audio thread reads a tuning file and publishes its
    // table (the worker for a program, the editor for a chosen file), so that
    // an older file never replaces a newer one.
    std::mutex tuningFileLoad;
    // Last: it is stopped and joined first, while everything its jobs touch
    // still exists.
    TPluginWorker worker;
};

// Built by VSTPluginMain; kept separate so tests can build the object directly.
AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster);

// The library's two exported entry functions; both ask the host for its version
// first and build nothing for a host that answers 0.
extern "C" vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster);
extern "C" vst::AEffect* main_macho(vst::audioMasterCallback audioMaster);
