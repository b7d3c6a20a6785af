// The host side of the VST 2.4 interface: loading, the audioMaster callback,
// event delivery and block rendering.
#include "tools/testhost/TestHost.h"
#include "tools/testhost/MidiEventList.h"

#include <dlfcn.h>
#include <link.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace testhost {

namespace {

// Text the host hands out is cut to what the interface's 64-byte buffers hold.
constexpr std::size_t kHostTextLimit = 63;
// Plug-ins receive larger buffers than the interface promises; the room past
// the limit shows whether they respect it.
constexpr std::size_t kQueryBufferSize = 256;

std::string& lastErrorText() {
    static thread_local std::string text;
    return text;
}

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void copyBounded(void* destination, const std::string& text) {
    const std::size_t length = std::min(text.size(), kHostTextLimit);
    std::memcpy(destination, text.data(), length);
    static_cast<char*>(destination)[length] = '\0';
}

bool hostCanDo(const HostConfig& config, const char* text) {
    static constexpr const char* kYes[] = {"sendVstEvents",       "sendVstMidiEvent", "sendVstTimeInfo",
                                           "receiveVstEvents",    "receiveVstMidiEvent", "sizeWindow"};
    for (const char* yes : kYes) {
        if (std::strcmp(text, yes) == 0) return true;
    }
    if (std::strcmp(text, "NIMKPIVendorSpecificCallbacks") == 0) return config.nksCallbacks;
    return false;
}

void* ownSymbol(void* handle, const char* name) {
    void* symbol = dlsym(handle, name);
    if (!symbol) return nullptr;
    Dl_info symbolInfo{};
    link_map* library = nullptr;
    if (!dladdr(symbol, &symbolInfo) || dlinfo(handle, RTLD_DI_LINKMAP, &library) != 0 || !library) return nullptr;
    return reinterpret_cast<void*>(library->l_addr) == symbolInfo.dli_fbase ? symbol : nullptr;
}

}  // namespace

// The library stays open while any instance made from it lives.
struct LoadedLibrary {
    void* handle = nullptr;
    explicit LoadedLibrary(void* h) : handle(h) {}
    ~LoadedLibrary() {
        if (handle) dlclose(handle);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
};

struct QueuedEvent {
    long frame;
    vst::VstMidiEvent event;
    int deltaOverride;
};

struct QueuedParameter {
    long frame;
    int index;
    float value;
};

struct PluginState {
    using DeliveredEvent = Plugin::DeliveredEvent;
    std::shared_ptr<LoadedLibrary> library;
    vst::AEffect* effect = nullptr;
    HostConfig config;
    bool opened = false;
    bool started = false;
    double startedSampleRate = 0;  // what the plug-in was told at start
    int startedBlockSize = 0;
    long framesRendered = 0;
    double ppqPosition = 0;  // advances block by block at the tempo of each block
    bool lastBlockPlaying = false;
    bool anyBlockRendered = false;
    vst::VstTimeInfo timeInfo{};
    mutable std::mutex callsMutex;  // guards the calls and the view
    std::vector<HostCall> calls;
    std::vector<float> parameterView;
    std::vector<DeliveredEvent> delivered;
    std::vector<QueuedEvent> events;          // sorted by frame, stable
    std::vector<QueuedParameter> parameters;  // sorted by frame, stable
    // What the plug-in may still look at until the next block.
    std::vector<vst::VstMidiEvent> blockEvents;
    std::vector<vst::intptr> blockEventList;  // a VstEvents record with room for every pointer
    std::vector<float> inputLeft, inputRight;
    double processCpuSeconds = 0;
    int textOverruns = 0;

    void refreshTimeInfo();
    void readParameterView();
    std::string query(vst::int32 opcode, vst::int32 index, std::size_t limit);
    void deliverEvents(long blockStart, long blockFrames);
};

// ---------------------------------------------------------------- callback registry

namespace {

// The callback has only the AEffect pointer to find its instance by.
std::mutex registryMutex;
std::unordered_map<vst::AEffect*, PluginState*>& registry() {
    static std::unordered_map<vst::AEffect*, PluginState*> instances;
    return instances;
}

// While an entry function runs, its effect is not known yet; the callback
// answers from the loading host's config.
thread_local const HostConfig* loadingConfig = nullptr;

// Set while this thread is inside a plug-in's processing.
thread_local bool insideProcess = false;

PluginState* findInstance(vst::AEffect* effect) {
    if (!effect) return nullptr;
    std::lock_guard<std::mutex> lock(registryMutex);
    auto found = registry().find(effect);
    return found == registry().end() ? nullptr : found->second;
}

vst::intptr hostCallback(vst::AEffect* effect, vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr,
                         float opt) {
    PluginState* instance = findInstance(effect);
    static const HostConfig defaultConfig;
    const HostConfig& config = instance ? instance->config : (loadingConfig ? *loadingConfig : defaultConfig);

    auto record = [&](vst::intptr answer) -> vst::intptr {
        if (instance) {
            // Plug-ins may call from a thread of their own (an editor, a worker).
            std::lock_guard<std::mutex> lock(instance->callsMutex);
            instance->calls.push_back(HostCall{opcode, index, value, opt, insideProcess});
        }
        return answer;
    };

    switch (opcode) {
        case vst::audioMasterAutomate:
            if (instance) {
                std::lock_guard<std::mutex> lock(instance->callsMutex);
                if (index >= 0 && static_cast<std::size_t>(index) < instance->parameterView.size())
                    instance->parameterView[static_cast<std::size_t>(index)] = opt;
            }
            return record(0);
        case vst::audioMasterVersion:
            return config.versionAnswer;
        case vst::audioMasterCurrentId:
            return 0;
        case vst::audioMasterIdle:
            return record(0);
        case vst::__audioMasterWantMidiDeprecated:
            return record(1);
        case vst::audioMasterGetTime: {
            if (!config.answerTimeInfo) return 0;
            if (instance) {
                instance->refreshTimeInfo();
                return reinterpret_cast<vst::intptr>(&instance->timeInfo);
            }
            // Before the instance is known: the transport at its start.
            static thread_local vst::VstTimeInfo startInfo;
            startInfo = vst::VstTimeInfo{};
            startInfo.sampleRate = config.sampleRate;
            startInfo.tempo = config.tempo;
            startInfo.timeSigNumerator = config.timeSigNum;
            startInfo.timeSigDenominator = config.timeSigDen;
            startInfo.flags = vst::kVstPpqPosValid | vst::kVstTempoValid | vst::kVstBarsValid |
                              vst::kVstTimeSigValid | (config.playing ? vst::kVstTransportPlaying : 0);
            return reinterpret_cast<vst::intptr>(&startInfo);
        }
        case vst::audioMasterProcessEvents:
            return record(1);
        case vst::audioMasterIOChanged:
            return record(1);
        case vst::audioMasterSizeWindow:
            return record(1);
        case vst::audioMasterGetSampleRate:
            return static_cast<vst::intptr>(config.sampleRate);
        case vst::audioMasterGetBlockSize:
            return config.blockSize;
        case vst::audioMasterGetVendorString:
            if (!ptr) return 0;
            copyBounded(ptr, config.vendorString);
            return 1;
        case vst::audioMasterGetProductString:
            if (!ptr) return 0;
            copyBounded(ptr, config.productString);
            return 1;
        case vst::audioMasterGetVendorVersion:
            return config.vendorVersion;
        case vst::audioMasterCanDo:
            if (!ptr) return 0;
            return hostCanDo(config, static_cast<const char*>(ptr)) ? 1 : 0;
        case vst::audioMasterUpdateDisplay:
            if (instance) instance->readParameterView();
            return record(1);
        case vst::audioMasterBeginEdit:
        case vst::audioMasterEndEdit:
            return record(1);
        default:
            return 0;
    }
}

}  // namespace

// ---------------------------------------------------------------- PluginState

void PluginState::refreshTimeInfo() {
    const double beatsPerBar =
        config.timeSigDen > 0 ? config.timeSigNum * 4.0 / config.timeSigDen : static_cast<double>(config.timeSigNum);
    timeInfo = vst::VstTimeInfo{};
    timeInfo.samplePos = static_cast<double>(framesRendered);
    timeInfo.sampleRate = config.sampleRate;
    timeInfo.ppqPos = ppqPosition;
    timeInfo.tempo = config.tempo;
    timeInfo.barStartPos = beatsPerBar > 0 ? std::floor(ppqPosition / beatsPerBar + 1e-9) * beatsPerBar : 0;
    timeInfo.timeSigNumerator = config.timeSigNum;
    timeInfo.timeSigDenominator = config.timeSigDen;
    timeInfo.flags = vst::kVstPpqPosValid | vst::kVstTempoValid | vst::kVstBarsValid | vst::kVstTimeSigValid;
    if (config.playing) timeInfo.flags |= vst::kVstTransportPlaying;
    if (anyBlockRendered && config.playing != lastBlockPlaying) timeInfo.flags |= vst::kVstTransportChanged;
}

// Every parameter read afresh, as a host refreshes its view of them (of a
// damaged count, as many as a host would show).
void PluginState::readParameterView() {
    constexpr int kMostParameters = 1 << 16;
    std::vector<float> read(static_cast<std::size_t>(std::clamp(effect->numParams, 0, kMostParameters)));
    if (effect->getParameter)
        for (std::size_t i = 0; i < read.size(); ++i) read[i] = effect->getParameter(effect, static_cast<vst::int32>(i));
    std::lock_guard<std::mutex> lock(callsMutex);
    parameterView = std::move(read);
}

std::string PluginState::query(vst::int32 opcode, vst::int32 index, std::size_t limit) {
    char buffer[kQueryBufferSize] = {};
    effect->dispatcher(effect, opcode, index, 0, buffer, 0);
    const std::size_t length = strnlen(buffer, sizeof buffer);
    if (length > limit) ++textOverruns;
    return std::string(buffer, std::min(length, sizeof buffer));
}

void PluginState::deliverEvents(long blockStart, long blockFrames) {
    const long blockEnd = blockStart + blockFrames;
    std::size_t count = 0;
    while (count < events.size() && events[count].frame < blockEnd) ++count;
    if (count == 0) return;

    blockEvents.clear();
    for (std::size_t i = 0; i < count; ++i) {
        vst::VstMidiEvent event = events[i].event;
        event.deltaFrames = events[i].deltaOverride != INT_MIN
                                ? events[i].deltaOverride
                                : static_cast<vst::int32>(std::max(0L, events[i].frame - blockStart));
        blockEvents.push_back(event);
        delivered.push_back(DeliveredEvent{blockStart + std::max(0, event.deltaFrames), event});
    }
    events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(count));

    // numEvents, reserved, then one pointer per event.
    blockEventList.assign(2 + count, 0);
    vst::VstEvents* list = reinterpret_cast<vst::VstEvents*>(blockEventList.data());
    list->numEvents = static_cast<vst::int32>(count);
    list->reserved = 0;
    for (std::size_t i = 0; i < count; ++i) {
        blockEventList[2 + i] = reinterpret_cast<vst::intptr>(&blockEvents[i]);
    }
    effect->dispatcher(effect, vst::effProcessEvents, 0, 0, list, 0);
}

// ---------------------------------------------------------------- Plugin

Plugin::Plugin(std::unique_ptr<PluginState> implementation) : impl(std::move(implementation)) {}

Plugin::~Plugin() {
    if (!impl || !impl->effect) return;
    if (impl->started) stop();
    impl->effect->dispatcher(impl->effect, vst::effClose, 0, 0, nullptr, 0);
    std::lock_guard<std::mutex> lock(registryMutex);
    registry().erase(impl->effect);
}

vst::AEffect* Plugin::effect() { return impl->effect; }

vst::intptr Plugin::dispatch(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt) {
    if (opcode == vst::effOpen) impl->opened = true;
    return impl->effect->dispatcher(impl->effect, opcode, index, value, ptr, opt);
}

void Plugin::setParameter(int index, float v) { impl->effect->setParameter(impl->effect, index, v); }
float Plugin::getParameter(int index) { return impl->effect->getParameter(impl->effect, index); }

std::string Plugin::parameterName(int index) { return impl->query(vst::effGetParamName, index, kHostTextLimit); }
std::string Plugin::parameterDisplay(int index) { return impl->query(vst::effGetParamDisplay, index, kHostTextLimit); }
std::string Plugin::parameterLabel(int index) { return impl->query(vst::effGetParamLabel, index, kHostTextLimit); }
std::string Plugin::programName() { return impl->query(vst::effGetProgramName, 0, vst::kVstMaxProgNameLen - 1); }
std::string Plugin::programNameIndexed(int program) {
    return impl->query(vst::effGetProgramNameIndexed, program, vst::kVstMaxProgNameLen - 1);
}
std::string Plugin::effectName() { return impl->query(vst::effGetEffectName, 0, kHostTextLimit); }
std::string Plugin::vendorString() { return impl->query(vst::effGetVendorString, 0, kHostTextLimit); }
std::string Plugin::productString() { return impl->query(vst::effGetProductString, 0, kHostTextLimit); }
int Plugin::vendorVersion() { return static_cast<int>(dispatch(vst::effGetVendorVersion)); }
bool Plugin::canDo(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return dispatch(vst::effCanDo, 0, 0, buffer.data()) == 1;
}
int Plugin::textOverruns() const { return impl->textOverruns; }

void Plugin::start() {
    if (impl->started) return;
    if (!impl->opened) dispatch(vst::effOpen);
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(impl->config.sampleRate));
    dispatch(vst::effSetBlockSize, 0, impl->config.blockSize);
    dispatch(vst::effMainsChanged, 0, 1);
    dispatch(vst::effStartProcess);
    impl->started = true;
    impl->startedSampleRate = impl->config.sampleRate;
    impl->startedBlockSize = impl->config.blockSize;
}

void Plugin::stop() {
    if (!impl->started) return;
    dispatch(vst::effStopProcess);
    dispatch(vst::effMainsChanged, 0, 0);
    impl->started = false;
}

bool Plugin::started() const { return impl->started; }

namespace {

unsigned char status(int kind, int channel) { return static_cast<unsigned char>(kind | (channel & 0x0f)); }
unsigned char data7(int value) { return static_cast<unsigned char>(std::clamp(value, 0, 127)); }

}  // namespace

void Plugin::rawMidi(long frame, unsigned char b0, unsigned char b1, unsigned char b2, int deltaOverride) {
    QueuedEvent queued{std::max(0L, frame), midiMessage(b0, b1, b2), deltaOverride};
    auto position = std::upper_bound(impl->events.begin(), impl->events.end(), queued.frame,
                                     [](long f, const QueuedEvent& e) { return f < e.frame; });
    impl->events.insert(position, queued);
}

void Plugin::noteOn(long frame, int note, int velocity, int channel) {
    rawMidi(frame, status(0x90, channel), data7(note), data7(velocity));
}
void Plugin::noteOff(long frame, int note, int velocity, int channel) {
    rawMidi(frame, status(0x80, channel), data7(note), data7(velocity));
}
void Plugin::controller(long frame, int cc, int value, int channel) {
    rawMidi(frame, status(0xb0, channel), data7(cc), data7(value));
}
void Plugin::pitchBend(long frame, int value14bit, int channel) {
    const int value = std::clamp(value14bit, 0, 16383);
    rawMidi(frame, status(0xe0, channel), static_cast<unsigned char>(value & 0x7f),
            static_cast<unsigned char>(value >> 7));
}
void Plugin::channelPressure(long frame, int value, int channel) {
    rawMidi(frame, status(0xd0, channel), data7(value), 0);
}
void Plugin::polyPressure(long frame, int note, int value, int channel) {
    rawMidi(frame, status(0xa0, channel), data7(note), data7(value));
}
void Plugin::programChange(long frame, int program, int channel) {
    rawMidi(frame, status(0xc0, channel), data7(program), 0);
}

void Plugin::parameterAt(long frame, int index, float value) {
    QueuedParameter queued{std::max(0L, frame), index, value};
    auto position = std::upper_bound(impl->parameters.begin(), impl->parameters.end(), queued.frame,
                                     [](long f, const QueuedParameter& p) { return f < p.frame; });
    impl->parameters.insert(position, queued);
}

Stereo Plugin::render(long frames) {
    PluginState& s = *impl;
    Stereo out;
    out.sampleRate = s.config.sampleRate;
    if (frames <= 0) return out;
    // A new rate or block size reaches the plug-in as hosts send it: suspended,
    // set, resumed. A block is never longer than the plug-in was told.
    if (s.started && (s.config.sampleRate != s.startedSampleRate || s.config.blockSize != s.startedBlockSize)) stop();
    if (!s.started) start();
    out.left.assign(static_cast<std::size_t>(frames), 0.0f);
    out.right.assign(static_cast<std::size_t>(frames), 0.0f);
    const long blockSize = std::max(1, s.config.blockSize);
    s.inputLeft.resize(static_cast<std::size_t>(blockSize));
    s.inputRight.resize(static_cast<std::size_t>(blockSize));

    long done = 0;
    while (done < frames) {
        const long blockStart = s.framesRendered;
        long blockFrames = std::min(blockSize, frames - done);

        // Parameter changes due by now go in before the block; a later one
        // inside the block ends the block at its frame.
        while (!s.parameters.empty() && s.parameters.front().frame <= blockStart) {
            setParameter(s.parameters.front().index, s.parameters.front().value);
            s.parameters.erase(s.parameters.begin());
        }
        if (!s.parameters.empty() && s.parameters.front().frame < blockStart + blockFrames) {
            blockFrames = s.parameters.front().frame - blockStart;
        }

        s.deliverEvents(blockStart, blockFrames);
        s.refreshTimeInfo();

        std::fill(s.inputLeft.begin(), s.inputLeft.end(), 0.0f);
        std::fill(s.inputRight.begin(), s.inputRight.end(), 0.0f);
        float* inputs[2] = {s.inputLeft.data(), s.inputRight.data()};
        float* outputs[2] = {out.left.data() + done, out.right.data() + done};
        const double cpuBefore = threadCpuSeconds();
        insideProcess = true;
        if (s.effect->processReplacing) {
            s.effect->processReplacing(s.effect, inputs, outputs, static_cast<vst::int32>(blockFrames));
        } else if (s.effect->process) {
            s.effect->process(s.effect, inputs, outputs, static_cast<vst::int32>(blockFrames));
        }
        insideProcess = false;
        s.processCpuSeconds += threadCpuSeconds() - cpuBefore;

        const double beatsPerFrame = s.config.tempo / 60.0 / s.config.sampleRate;
        s.ppqPosition += static_cast<double>(blockFrames) * beatsPerFrame;
        s.framesRendered += blockFrames;
        s.lastBlockPlaying = s.config.playing;
        s.anyBlockRendered = true;
        done += blockFrames;
    }
    return out;
}

std::vector<HostCall> Plugin::calls() const {
    std::lock_guard<std::mutex> lock(impl->callsMutex);
    return impl->calls;
}
void Plugin::clearCalls() {
    std::lock_guard<std::mutex> lock(impl->callsMutex);
    impl->calls.clear();
}
std::vector<float> Plugin::parameterView() const {
    std::lock_guard<std::mutex> lock(impl->callsMutex);
    return impl->parameterView;
}
const std::vector<Plugin::DeliveredEvent>& Plugin::delivered() const { return impl->delivered; }
HostConfig& Plugin::config() { return impl->config; }
long Plugin::framesRendered() const { return impl->framesRendered; }
const vst::VstTimeInfo& Plugin::timeInfo() {
    impl->refreshTimeInfo();
    return impl->timeInfo;
}
double Plugin::processCpuSeconds() const { return impl->processCpuSeconds; }

// ---------------------------------------------------------------- Host

Host::Host(HostConfig config) : hostConfig(std::move(config)) {}
Host::~Host() = default;

HostConfig& Host::config() { return hostConfig; }

std::string Host::lastError() { return lastErrorText(); }

std::unique_ptr<Plugin> Host::load(const std::string& soPath) {
    lastErrorText().clear();
    void* handle = dlopen(soPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        lastErrorText() = std::string("cannot load ") + soPath + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    auto library = std::make_shared<LoadedLibrary>(handle);

    void* symbol = dlsym(handle, "VSTPluginMain");
    if (!symbol) symbol = dlsym(handle, "main_macho");
    // Older Linux plug-ins export their entry as "main"; only the library's
    // own counts, never a "main" found in something it links.
    if (!symbol) symbol = ownSymbol(handle, "main");
    if (!symbol) {
        lastErrorText() = soPath + " exports no entry (VSTPluginMain, main_macho or main)";
        return nullptr;
    }
    vst::PluginEntryProc entry = nullptr;
    static_assert(sizeof entry == sizeof symbol);
    std::memcpy(&entry, &symbol, sizeof entry);

    const HostConfig* outerConfig = loadingConfig;
    loadingConfig = &hostConfig;
    vst::AEffect* effect = entry(&hostCallback);
    loadingConfig = outerConfig;

    if (!effect) {
        lastErrorText() = "the entry of " + soPath + " returned no effect";
        return nullptr;
    }
    if (effect->magic != vst::kEffectMagic) {
        lastErrorText() = "the effect of " + soPath + " has a wrong magic number";
        return nullptr;
    }
    if (!effect->dispatcher) {
        lastErrorText() = "the effect of " + soPath + " has no dispatcher";
        return nullptr;
    }

    auto impl = std::make_unique<PluginState>();
    impl->library = std::move(library);
    impl->effect = effect;
    impl->config = hostConfig;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        registry()[effect] = impl.get();
    }
    impl->readParameterView();
    return std::unique_ptr<Plugin>(new Plugin(std::move(impl)));
}

std::string fourCharText(vst::int32 id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>((static_cast<std::uint32_t>(id) >> shift) & 0xff);
        text += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    return text;
}

}  // namespace testhost
