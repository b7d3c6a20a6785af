// A minimal VST 2.4 instrument for testing the host: it records everything the
// host hands it and plays a signal that shows where each block and event fell.
// Left channel: the absolute frame number. Right channel: velocity / 127 at the
// frame of every note-on, zero elsewhere.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "vst/echo_plugin/echo_protocol.h"

#define ECHO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::atomic<int> entryMode{echo::entryNormal};
std::atomic<int> liveInstances{0};
std::mutex lifecycleMutex;
std::vector<int> lifecycle;

void logLifecycle(int code) {
    std::lock_guard<std::mutex> lock(lifecycleMutex);
    lifecycle.push_back(code);
}

struct EchoPlugin {
    vst::AEffect effect{};
    vst::audioMasterCallback host = nullptr;
    vst::int64 framesProcessed = 0;
    float parameters[echo::kNumParams] = {0.5f, 0.5f, 0.5f, 0.5f};
    std::vector<echo::ReceivedEvent> events;
    std::vector<echo::ReceivedEvent> pending;  // delivered for the next block
    std::vector<echo::SeenTime> times;
    std::vector<echo::ParameterChange> changes;
    echo::EntryAnswers entry{};
};

EchoPlugin* self(vst::AEffect* effect) { return static_cast<EchoPlugin*>(effect->object); }

void copyText(void* ptr, const char* text, std::size_t room) {
    std::snprintf(static_cast<char*>(ptr), room, "%s", text);
}

vst::intptr answerQuery(EchoPlugin& plugin, echo::Request& request) {
    switch (request.what) {
        case echo::eventCount:
            request.count = static_cast<vst::int64>(plugin.events.size());
            return 1;
        case echo::eventAt:
            if (request.item < 0 || static_cast<std::size_t>(request.item) >= plugin.events.size()) return 0;
            request.event = plugin.events[static_cast<std::size_t>(request.item)];
            return 1;
        case echo::timeCount:
            request.count = static_cast<vst::int64>(plugin.times.size());
            return 1;
        case echo::timeAt:
            if (request.item < 0 || static_cast<std::size_t>(request.item) >= plugin.times.size()) return 0;
            request.time = plugin.times[static_cast<std::size_t>(request.item)];
            return 1;
        case echo::changeCount:
            request.count = static_cast<vst::int64>(plugin.changes.size());
            return 1;
        case echo::changeAt:
            if (request.item < 0 || static_cast<std::size_t>(request.item) >= plugin.changes.size()) return 0;
            request.change = plugin.changes[static_cast<std::size_t>(request.item)];
            return 1;
        case echo::entryAnswers:
            request.entry = plugin.entry;
            return 1;
        case echo::callHost:
            request.hostAnswer = plugin.host(&plugin.effect, request.hostOpcode, request.hostIndex, request.hostValue,
                                             request.hostTextIsNull ? nullptr : request.hostText, request.hostOpt);
            return 1;
        default:
            return 0;
    }
}

vst::intptr dispatcher(vst::AEffect* effect, vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr,
                       float opt) {
    EchoPlugin& plugin = *self(effect);
    switch (opcode) {
        case vst::effOpen:
        case vst::effSetBlockSize:
        case vst::effStartProcess:
        case vst::effStopProcess:
            logLifecycle(opcode);
            return 0;
        case vst::effSetSampleRate:
            logLifecycle(opcode);
            (void)opt;
            return 0;
        case vst::effMainsChanged:
            logLifecycle(1000 + static_cast<int>(value));
            return 0;
        case vst::effClose:
            logLifecycle(opcode);
            delete &plugin;
            liveInstances.fetch_sub(1);
            return 1;
        case vst::effGetParamName:
            if (!ptr || index < 0 || index >= echo::kNumParams) return 0;
            if (index == echo::kOverlongNameParam) {
                // Deliberately ignores every limit: the host must notice.
                std::memset(ptr, 'N', echo::kOverlongNameLength);
                static_cast<char*>(ptr)[echo::kOverlongNameLength] = '\0';
                return 0;
            }
            copyText(ptr, index == 0 ? "Gain" : "Spare", 64);
            return 0;
        case vst::effGetParamLabel:
            if (!ptr) return 0;
            copyText(ptr, "dB", 64);
            return 0;
        case vst::effGetParamDisplay:
            if (!ptr || index < 0 || index >= echo::kNumParams) return 0;
            std::snprintf(static_cast<char*>(ptr), 64, "%.3f", static_cast<double>(plugin.parameters[index]));
            return 0;
        case vst::effGetProgramName:
            if (!ptr) return 0;
            copyText(ptr, "Echo", 24);
            return 0;
        case vst::effGetEffectName:
        case vst::effGetProductString:
            if (!ptr) return 0;
            copyText(ptr, "Echo", 64);
            return 1;
        case vst::effGetVendorString:
            if (!ptr) return 0;
            copyText(ptr, "Kolbri Tests", 64);
            return 1;
        case vst::effGetVendorVersion:
            return 7;
        case vst::effGetVstVersion:
            return vst::kVstVersion;
        case vst::effGetPlugCategory:
            return vst::kPlugCategSynth;
        case vst::effCanDo:
            if (!ptr) return 0;
            return (std::strcmp(static_cast<const char*>(ptr), "receiveVstEvents") == 0 ||
                    std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0)
                       ? 1
                       : -1;
        case vst::effProcessEvents: {
            const auto* list = static_cast<const vst::VstEvents*>(ptr);
            if (!list) return 0;
            // The record really holds numEvents pointers after the header.
            const auto* pointers = reinterpret_cast<const vst::VstEvent* const*>(
                reinterpret_cast<const char*>(list) + offsetof(vst::VstEvents, events));
            for (vst::int32 i = 0; i < list->numEvents; ++i) {
                const vst::VstEvent* event = pointers[i];
                echo::ReceivedEvent received{};
                received.blockStart = plugin.framesProcessed;
                received.type = event->type;
                received.byteSize = event->byteSize;
                received.deltaFrames = event->deltaFrames;
                received.position = i;
                if (event->type == vst::kVstMidiType) {
                    const auto* midi = reinterpret_cast<const vst::VstMidiEvent*>(event);
                    std::memcpy(received.bytes, midi->midiData, 4);
                }
                plugin.events.push_back(received);
                plugin.pending.push_back(received);
            }
            return 1;
        }
        case vst::effVendorSpecific:
            if (index == echo::kEchoQuery && ptr) return answerQuery(plugin, *static_cast<echo::Request*>(ptr));
            return 0;
        default:
            return 0;
    }
}

void processReplacing(vst::AEffect* effect, float** /*inputs*/, float** outputs, vst::int32 frames) {
    EchoPlugin& plugin = *self(effect);
    echo::SeenTime seen{};
    seen.blockStart = plugin.framesProcessed;
    seen.blockFrames = frames;
    const vst::intptr answer = plugin.host(effect, vst::audioMasterGetTime, 0,
                                           vst::kVstPpqPosValid | vst::kVstTempoValid | vst::kVstBarsValid |
                                               vst::kVstTimeSigValid,
                                           nullptr, 0);
    if (answer) {
        seen.valid = 1;
        seen.info = *reinterpret_cast<const vst::VstTimeInfo*>(answer);
    }
    plugin.times.push_back(seen);

    for (vst::int32 i = 0; i < frames; ++i) {
        outputs[0][i] = static_cast<float>(plugin.framesProcessed + i);
        outputs[1][i] = 0.0f;
    }
    for (const echo::ReceivedEvent& event : plugin.pending) {
        const bool noteOn = (event.bytes[0] & 0xf0) == 0x90 && event.bytes[2] > 0;
        if (noteOn && event.deltaFrames >= 0 && event.deltaFrames < frames)
            outputs[1][event.deltaFrames] += event.bytes[2] / 127.0f;
    }
    plugin.pending.clear();
    plugin.framesProcessed += frames;
}

void setParameter(vst::AEffect* effect, vst::int32 index, float value) {
    EchoPlugin& plugin = *self(effect);
    if (index < 0 || index >= echo::kNumParams) return;
    plugin.parameters[index] = value;
    plugin.changes.push_back(echo::ParameterChange{plugin.framesProcessed, index, value});
}

float getParameter(vst::AEffect* effect, vst::int32 index) {
    if (index < 0 || index >= echo::kNumParams) return 0;
    return self(effect)->parameters[index];
}

// Fills a buffer with a pattern, lets the host write its text and counts the
// bytes the host changed after the terminating zero.
vst::int32 askHostText(vst::audioMasterCallback host, vst::int32 opcode, char (&buffer)[256]) {
    std::memset(buffer, 0x5a, sizeof buffer);
    host(nullptr, opcode, 0, 0, buffer, 0);
    const std::size_t end = strnlen(buffer, sizeof buffer);
    vst::int32 touched = 0;
    for (std::size_t i = end + 1; i < sizeof buffer; ++i) touched += buffer[i] != 0x5a;
    if (end == sizeof buffer) touched = 1;
    buffer[sizeof buffer - 1] = '\0';
    for (std::size_t i = end + 1; i < sizeof buffer; ++i) buffer[i] = '\0';
    return touched;
}

}  // namespace

ECHO_EXPORT vst::AEffect* VSTPluginMain(vst::audioMasterCallback host) {
    if (!host) return nullptr;
    const vst::intptr version = host(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0);
    if (version == 0 || entryMode.load() == echo::entryReturnsNull) return nullptr;
    if (entryMode.load() == echo::entryWrongMagic) {
        // A record a host must refuse; static, since no host will close it.
        static vst::AEffect wrong{};
        wrong.magic = vst::fourCharCode('N', 'o', 'p', 'e');
        wrong.dispatcher = dispatcher;
        return &wrong;
    }

    auto* plugin = new EchoPlugin;
    plugin->host = host;
    plugin->entry.version = version;
    plugin->entry.sampleRate = host(nullptr, vst::audioMasterGetSampleRate, 0, 0, nullptr, 0);
    plugin->entry.blockSize = host(nullptr, vst::audioMasterGetBlockSize, 0, 0, nullptr, 0);
    plugin->entry.timeInfoGiven = host(nullptr, vst::audioMasterGetTime, 0, 0, nullptr, 0) != 0;
    plugin->entry.productBytesTouchedPastEnd =
        askHostText(host, vst::audioMasterGetProductString, plugin->entry.product);
    plugin->entry.vendorBytesTouchedPastEnd = askHostText(host, vst::audioMasterGetVendorString, plugin->entry.vendor);
    plugin->events.reserve(4096);
    plugin->times.reserve(4096);

    vst::AEffect& e = plugin->effect;
    e.magic = vst::kEffectMagic;
    e.dispatcher = dispatcher;
    e.process = processReplacing;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.numPrograms = 1;
    e.numParams = echo::kNumParams;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = vst::effFlagsCanReplacing | vst::effFlagsIsSynth;
    e.object = plugin;
    e.uniqueID = echo::kUniqueID;
    e.version = 1;
    e.processReplacing = processReplacing;
    liveInstances.fetch_add(1);
    return &e;
}

ECHO_EXPORT void echoSetEntryMode(int mode) { entryMode.store(mode); }

ECHO_EXPORT int echoLifecycle(int* opcodes, int capacity, int reset) {
    std::lock_guard<std::mutex> lock(lifecycleMutex);
    const int count = static_cast<int>(lifecycle.size());
    for (int i = 0; i < count && i < capacity; ++i) opcodes[i] = lifecycle[static_cast<std::size_t>(i)];
    if (reset) lifecycle.clear();
    return count;
}

ECHO_EXPORT int echoLiveInstances() { return liveInstances.load(); }
