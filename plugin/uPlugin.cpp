// APlugin as the host sees it: entry functions, construction, host detection
// and the operations that belong to the plug-in as a whole.
#include "plugin/uPlugin.h"

#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/SampleState.h"
#include "platform/Paths.h"
#include "plugin/EditorFactory.h"
#include "plugin/EditorHooks.h"
#include "vst/TextCopy.h"

using namespace vst;

namespace {

constexpr const char* PRODUCT_NAME = "Kolbri";
constexpr const char* VENDOR_NAME = "Orventa";
// The maker's own host names itself with these nine characters.
constexpr const char* SIBLING_HOST_PRODUCT = "ORVSTUDIO";

bool beginsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

std::clock_t realProcessorClock() { return std::clock(); }

std::atomic<APlugin::TProcessorClock> processorClock{realProcessorClock};

}  // namespace

// ---------------------------------------------------------------- entry

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new APlugin(audioMaster); }

extern "C" {

// The host is C: an exception that left these functions would end it. A
// plug-in that cannot be built (no memory, no thread) is no plug-in.
__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    try {
        if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0) return nullptr;
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

// Hosts that look for the older entry name find the same behaviour here.
__attribute__((visibility("default"))) AEffect* main_macho(audioMasterCallback audioMaster) {
    try {
        if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0) return nullptr;
        auto* effect = new APlugin(audioMaster);
        return effect->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

}  // extern "C"

// ---------------------------------------------------------------- construction

APlugin::APlugin(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, NUM_PROGRAMS, NUM_PARAMS) {
    isSynth(true);
    flags.editorOpening = false;
    flags.editorOpened = false;
    suspend();
    // The editor object exists from here on (effFlagsHasEditor); its window,
    // images and controls only while a host has it open.
    if (createEditorInstance) setEditor(createEditorInstance(this, this));
    std::srand(static_cast<unsigned>(processorClock.load()()));
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing(true);

    detectHost();
    programsAreChunks(host.hostIsSibling || host.hostIsProp || host.hostIsNKS || host.hostIsKore ||
                      host.hostIsReaper);
    setUniqueID(fourCharCode('k', 'l', 'b', 'r'));

    // The rate members are derived from the rate in one place, so they always agree.
    soundEngine.setSampleRate(START_SAMPLE_RATE);

    initVariables();
    // File work that program application asks for, on the background thread.
    worker.addJob([this] { takeTuningRequest(); });
    worker.addJob([this] { sampleLibrary.takeUserSampleRequest(); });
    worker.addJob([this] { takeHostDisplayRequest(); });
    updateEditorScreen();
    flags.presetPending = false;
    flags.settingPreset = false;
    loadStartProgram();
    flags.previewPlaying = false;
    setProgram(0);
    programState.startProgramQuiet.store(true);
}

void APlugin::setProcessorClock(TProcessorClock clock) { processorClock = clock ? clock : realProcessorClock; }

// The worker stops first, as at a close (a plug-in built without one, as
// tests build it, is closed here); then the editor goes, while the plug-in it
// reaches is still whole.
APlugin::~APlugin() {
    close();
    delete editor;
    editor = nullptr;
}

void APlugin::detectHost() {
    char product[256] = {};
    char vendor[256] = {};
    getHostProductString(product);
    getHostVendorString(vendor);
    // A host may not terminate within the buffer; the text ends where the buffer does.
    product[sizeof product - 1] = 0;
    vendor[sizeof vendor - 1] = 0;
    upperCase(product);
    upperCase(vendor);

    host = THostFlags{};
    host.hostIsKore = beginsWith(product, "KORE");
    host.hostIsNKS = beginsWith(product, "KOMPLETE") || beginsWith(product, "MASCHINE");
    host.hostIsReaper = std::strcmp(product, "REAPER") == 0;
    host.hostIsSibling = std::strcmp(product, SIBLING_HOST_PRODUCT) == 0;
    host.hostIsProp = beginsWith(vendor, "PROP");
}

// ---------------------------------------------------------------- dispatcher and identity

intptr APlugin::dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    if (opcode == effCanDo && ptr && std::strcmp(static_cast<const char*>(ptr), "NKSCallbacks") == 0) return 1;
    return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
}

int32 APlugin::canDo(char* text) {
    if (!text) return 0;
    for (const char* capability : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"})
        if (std::strcmp(text, capability) == 0) return 1;
    return 0;
}

bool APlugin::getOutputProperties(int32 index, VstPinProperties* properties) {
    if (index < 0 || index >= 2 || !properties) return false;
    std::snprintf(properties->label, sizeof properties->label, "%s %d", PRODUCT_NAME, index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool APlugin::getEffectName(char* name) {
    kolbri::copyHostText(name, PRODUCT_NAME);
    return true;
}

bool APlugin::getProductString(char* text) {
    kolbri::copyHostText(text, PRODUCT_NAME);
    return true;
}

bool APlugin::getVendorString(char* text) {
    kolbri::copyHostText(text, VENDOR_NAME);
    return true;
}

// The editor learns of every gesture (a control without a parameter clears
// its edited control); the host only of gestures on parameters.
bool APlugin::beginEdit(int32 index) {
    editTagChanged(index);
    return isValidTag(index) && AudioEffectX::beginEdit(index);
}

bool APlugin::endEdit(int32 index) {
    editTagChanged(-1);
    return isValidTag(index) && AudioEffectX::endEdit(index);
}

void APlugin::editTagChanged(int32 tag) {
    if (TEditorHooks* services = editorHooksOf(editor)) services->setEditTag(tag);
}

// ---------------------------------------------------------------- vendor-specific requests

intptr APlugin::vendorSpecific(int32 index, intptr value, void* ptr, float opt) {
    if (!host.hostIsNKS) {
        if (index == fourCharCode('s', 't', 'C', 'A') && value == fourCharCode('W', 'h', 'e', 'e') && editor)
            return editor->onWheel(opt) ? 1 : 0;
        return 0;
    }
    auto request = static_cast<std::uint32_t>(index) >> 16;
    int32 id = index & 0xffff;
    if (request == 0x4E49) return getVendorSpecificProperty(id, ptr);
    if (request == 0x4E69) return getVendorSpecificPropertyInfo(id, ptr);
    return 0;
}

namespace {

struct TNKSProperty {
    int32 id;
    std::uint64_t size;
    unsigned char flag;
    std::int64_t value;
};

// What NKS hosts are told about the plug-in's properties.
constexpr TNKSProperty NKS_PROPERTIES[] = {
    {12, 4, 0, 3},
    {13, 4, 1, 0},
    {28, 1, 0, 0},  // answered, but nothing is written
    {32, 8, 1, 1},
};

const TNKSProperty* findNKSProperty(int32 id) {
    for (const TNKSProperty& property : NKS_PROPERTIES)
        if (property.id == id) return &property;
    return nullptr;
}

}  // namespace

intptr APlugin::getVendorSpecificProperty(int32 id, void* ptr) {
    const TNKSProperty* property = findNKSProperty(id);
    if (!property) return 0;
    if (id == 28) return 1;
    if (!ptr) return 0;
    if (property->size == 4) {
        auto value = static_cast<std::int32_t>(property->value);
        std::memcpy(ptr, &value, sizeof value);
    } else {
        std::memcpy(ptr, &property->value, sizeof property->value);
    }
    return 1;
}

intptr APlugin::getVendorSpecificPropertyInfo(int32 id, void* ptr) {
    const TNKSProperty* property = findNKSProperty(id);
    if (!property) return 0;
    if (ptr) {
        auto* bytes = static_cast<unsigned char*>(ptr);
        std::memcpy(bytes, &property->size, sizeof property->size);
        bytes[sizeof property->size] = property->flag;
    }
    return 1;
}

bool APlugin::notifyNKSHost(int32 propertyIndex, void* data, intptr size) {
    char callbacks[] = "NIMKPIVendorSpecificCallbacks";
    if (!canHostDo(callbacks)) return false;
    int32 index = static_cast<int32>((static_cast<std::uint32_t>('K') << 24) | (static_cast<std::uint32_t>('I') << 16) |
                                     (static_cast<std::uint32_t>(propertyIndex) & 0xffff));
    return callHost(audioMasterVendorSpecific, index, size, data) == 1;
}

// ---------------------------------------------------------------- the block loop

// One call to the host; no answer leaves the time unknown, and the engine
// keeps the tempo and transport it had.
TBlockTime APlugin::readHostTime() {
    TBlockTime time;
    if (const VstTimeInfo* info = getTimeInfo(kVstPpqPosValid | kVstTempoValid)) {
        time.known = true;
        time.tempoValid = (info->flags & kVstTempoValid) != 0;
        time.tempo = info->tempo;
        time.transportPlaying = (info->flags & kVstTransportPlaying) != 0;
    }
    return time;
}

void APlugin::processReplacing(float** inputs, float** outputs, int32 sampleFrames) {
    soundEngine.processReplacing(inputs, outputs, sampleFrames, readHostTime());
}

int32 APlugin::processEvents(VstEvents* events) {
    if (!events || events->numEvents <= 0) return 1;
    for (int32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        // Only MIDI messages reach the engine: a host's system-exclusive or
        // other event, or a hole in its list, is passed over.
        if (!event || event->type != kVstMidiType) continue;
        VstMidiEvent incoming;
        std::memcpy(&incoming, event, sizeof incoming);
        TMidiEvent queued;
        queued.deltaFrames = incoming.deltaFrames;
        std::memcpy(queued.midiData, incoming.midiData, sizeof queued.midiData);
        soundEngine.queueMidiEvent(queued);
    }
    return 1;
}

// No thread of the plug-in calls the host once its close has begun. The
// announcing job is told before the worker is joined, so the pass under way
// (a long sample load included, which the close waits for) finishes its file
// work and announces nothing; a resume after this starts no thread.
void APlugin::close() {
    programState.hostClosing.store(true);
    worker.stopForGood();
}

void APlugin::resume() {
    AudioEffectX::resume();
    // The bank's frames are read here, not at construction: a host that only
    // scans the plug-in never resumes it and so never pays for them.
    if (soundEngine.sampleSlots().bank) soundEngine.sampleSlots().bank->readIn();
    worker.start();
}
