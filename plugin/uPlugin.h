// APlugin: the one object that holds the whole instrument. Its state is grouped
// per subsystem in plain structs held by value; its member functions are split
// across one source file per subsystem (uPlugin*.cpp in plugin/, engine/).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/MidiState.h"
#include "plugin/AudioEffectX.h"

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
    std::atomic<bool> editorRedraw{false};
    std::atomic<bool> editorOpening{false};
    std::atomic<bool> editorOpened{false};
    std::atomic<bool> popupActive{false};
};

class APlugin : public AudioEffectX {
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
    virtual float getVu() { return 0; }

    // NKS property queries, answered only to hosts recognised as NKS hosts.
    intptr getVendorSpecificPropertyInfo(int32 id, void* ptr);
    intptr getVendorSpecificProperty(int32 id, void* ptr);
    intptr setVendorSpecificProperty(int32, void*) { return 0; }
    bool notifyNKSHost(int32 propertyIndex, void* data, intptr size);

    // ---- block loop (engine/uPluginProcess.cpp)
    void processReplacing(float** inputs, float** outputs, int32 sampleFrames) override;

    // ==== parameters: begin
    // ==== parameters: end

    // ==== engine: begin
    // ==== engine: end

    // ==== modulation: begin
    // ==== modulation: end

    const THostFlags& hostFlags() const { return host; }
    const TRates& rates() const { return rate; }

protected:
    // Tells the editor which control the host is recording (-1: none).
    void editTagChanged(int32 tag);

    THostFlags host;
    TRates rate;
    THandOffFlags flags;
    TMidiState midi;

private:
    void detectHost();
};

// Built by VSTPluginMain; kept separate so tests can build the object directly.
AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster);

// The library's two exported entry functions; both ask the host for its version
// first and build nothing for a host that answers 0.
extern "C" vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster);
extern "C" vst::AEffect* main_macho(vst::audioMasterCallback audioMaster);
