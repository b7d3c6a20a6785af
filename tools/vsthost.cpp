// vsthost: loads any VST 2.4 plug-in library and prints its identity, renders
// MIDI to a WAV file, plays a demo phrase, measures processing time or scans.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/editorhost/EditorHost.h"
#include "tools/testhost/TestHost.h"

namespace {

using testhost::Host;
using testhost::HostConfig;
using testhost::Plugin;
using testhost::Stereo;

void printUsage() {
    std::fputs(
        "usage:\n"
        "  vsthost info PLUGIN.so\n"
        "  vsthost render PLUGIN.so OUT.wav [--rate R] [--block N] [--seconds S]\n"
        "          [--note FRAME:NOTE:VEL:LENGTHFRAMES]... [--cc FRAME:CC:VALUE]...\n"
        "          [--param FRAME:INDEX:VALUE]... [--program N] [--fxp PROGRAM.fxp] [--tempo BPM] [--product TEXT] [--vendor TEXT]\n"
        "  vsthost demo PLUGIN.so OUT.wav [--rate R] [--block N] [--fxp PROGRAM.fxp]...\n"
        "  vsthost time PLUGIN.so [--notes N] [--seconds S] [--rate R] [--block N] [--param INDEX:VALUE]...\n"
        "          [--program N] [--fxp PROGRAM.fxp]\n"
        "  vsthost scan PLUGIN.so [--times N]\n"
        "  vsthost edit PLUGIN.so [--seconds S]          (the editor in a window on $DISPLAY)\n"
        "  vsthost snapshot PLUGIN.so OUT.png [--after S] (the editor's window as a picture)\n",
        stderr);
}

// Options after the positional arguments: "--name value", possibly repeated.
struct Options {
    std::vector<std::pair<std::string, std::string>> values;
    std::string error;

    std::optional<std::string> last(const std::string& name) const {
        std::optional<std::string> found;
        for (const auto& [key, value] : values)
            if (key == name) found = value;
        return found;
    }
    std::vector<std::string> all(const std::string& name) const {
        std::vector<std::string> found;
        for (const auto& [key, value] : values)
            if (key == name) found.push_back(value);
        return found;
    }
};

Options parseOptions(int argc, char** argv, int first, const std::vector<std::string>& known) {
    Options options;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        bool isKnown = false;
        for (const auto& name : known) isKnown = isKnown || arg == "--" + name;
        if (!isKnown) {
            options.error = "unknown option " + arg;
            return options;
        }
        if (i + 1 >= argc) {
            options.error = arg + " needs a value";
            return options;
        }
        options.values.emplace_back(arg.substr(2), argv[++i]);
    }
    return options;
}

bool parseNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(out);
}

// "a:b:c" into exactly `count` numbers.
bool parseFields(const std::string& text, std::size_t count, std::vector<double>& out) {
    out.clear();
    std::stringstream stream(text);
    std::string field;
    while (std::getline(stream, field, ':')) {
        double value;
        if (!parseNumber(field, value)) return false;
        out.push_back(value);
    }
    return out.size() == count;
}

bool applyHostOptions(const Options& options, HostConfig& config) {
    double value;
    if (auto rate = options.last("rate")) {
        if (!parseNumber(*rate, value) || value < 1000 || value > 768000) return false;
        config.sampleRate = value;
    }
    if (auto block = options.last("block")) {
        if (!parseNumber(*block, value) || value < 1 || value > 65536) return false;
        config.blockSize = static_cast<int>(value);
    }
    if (auto tempo = options.last("tempo")) {
        if (!parseNumber(*tempo, value) || value <= 0 || value > 1000) return false;
        config.tempo = value;
    }
    if (auto product = options.last("product")) config.productString = *product;
    if (auto vendor = options.last("vendor")) config.vendorString = *vendor;
    return true;
}

// --program N: the plug-in's program N, selected before anything plays.
bool programOption(const Options& options, int& program) {
    program = -1;
    auto text = options.last("program");
    if (!text) return true;
    double value;
    if (!parseNumber(*text, value) || value < 0 || value > 100000 || value != std::floor(value)) return false;
    program = static_cast<int>(value);
    return true;
}

// Loads a program file and lets the plug-in apply it before anything plays.
bool loadProgramOrComplain(Plugin& plugin, const std::string& path, std::string* name = nullptr) {
    plugin.start();
    std::string loadedName, error;
    if (!testhost::loadProgramFile(plugin, path, loadedName, error)) {
        std::fprintf(stderr, "vsthost: %s\n", error.c_str());
        return false;
    }
    testhost::selectProgram(plugin, 0);
    if (name) *name = loadedName;
    return true;
}

int badArguments(const char* what) {
    std::fprintf(stderr, "vsthost: bad %s\n", what);
    return 2;
}

double decibels(double level) { return level > 0 ? 20.0 * std::log10(level) : -INFINITY; }

void printSummary(const std::string& path, const Stereo& audio) {
    const testhost::Levels levels = testhost::measure(audio);
    std::printf("%s: %.2f s at %.0f Hz, peak %.4f (%.1f dBFS), RMS %.4f (%.1f dBFS)%s\n", path.c_str(),
                static_cast<double>(audio.frames()) / audio.sampleRate, audio.sampleRate,
                static_cast<double>(levels.peak), decibels(levels.peak), levels.rms, decibels(levels.rms),
                levels.finite ? "" : ", NOT FINITE");
}

std::unique_ptr<Plugin> loadOrComplain(Host& host, const std::string& path) {
    std::unique_ptr<Plugin> plugin = host.load(path);
    if (!plugin) std::fprintf(stderr, "vsthost: %s\n", Host::lastError().c_str());
    return plugin;
}

const char* categoryName(vst::intptr category) {
    static constexpr const char* kNames[] = {"unknown",    "effect",         "synth",       "analysis",
                                             "mastering",  "spatializer",    "room effect", "surround effect",
                                             "restoration", "offline process", "shell",       "generator"};
    if (category < 0 || category >= static_cast<vst::intptr>(std::size(kNames))) return "invalid";
    return kNames[category];
}

std::string flagNames(vst::int32 flags) {
    static constexpr std::pair<vst::int32, const char*> kFlags[] = {
        {vst::effFlagsHasEditor, "HasEditor"},
        {vst::effFlagsHasClip, "HasClip"},
        {vst::effFlagsHasVu, "HasVu"},
        {vst::effFlagsCanMono, "CanMono"},
        {vst::effFlagsCanReplacing, "CanReplacing"},
        {vst::effFlagsProgramChunks, "ProgramChunks"},
        {vst::effFlagsIsSynth, "IsSynth"},
        {vst::effFlagsNoSoundInStop, "NoSoundInStop"},
        {vst::effFlagsExtIsAsync, "ExtIsAsync"},
        {vst::effFlagsExtHasBuffer, "ExtHasBuffer"},
        {vst::effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
    };
    std::string names;
    vst::int32 known = 0;
    for (const auto& [bit, name] : kFlags) {
        known |= bit;
        if (flags & bit) names += std::string(names.empty() ? "" : " ") + name;
    }
    if (flags & ~known) {
        char rest[32];
        std::snprintf(rest, sizeof rest, "%s0x%x", names.empty() ? "" : " ", static_cast<unsigned>(flags & ~known));
        names += rest;
    }
    return names.empty() ? "(none)" : names;
}

int commandInfo(const std::string& path, const Options& options) {
    HostConfig config;
    if (!applyHostOptions(options, config)) return badArguments("options");
    Host host(config);
    auto plugin = loadOrComplain(host, path);
    if (!plugin) return 1;
    plugin->dispatch(vst::effOpen);
    vst::AEffect* e = plugin->effect();
    std::printf("magic:          %s\n", e->magic == vst::kEffectMagic ? "ok" : "WRONG");
    std::printf("unique ID:      %s (0x%08x)\n", testhost::fourCharText(e->uniqueID).c_str(),
                static_cast<unsigned>(e->uniqueID));
    std::printf("version:        %d\n", e->version);
    std::printf("programs:       %d\n", e->numPrograms);
    std::printf("parameters:     %d\n", e->numParams);
    std::printf("inputs:         %d\n", e->numInputs);
    std::printf("outputs:        %d\n", e->numOutputs);
    std::printf("initial delay:  %d\n", e->initialDelay);
    std::printf("flags:          %s\n", flagNames(e->flags).c_str());
    std::printf("effect name:    \"%s\"\n", plugin->effectName().c_str());
    std::printf("product:        \"%s\"\n", plugin->productString().c_str());
    std::printf("vendor:         \"%s\"\n", plugin->vendorString().c_str());
    std::printf("vendor version: %d\n", plugin->vendorVersion());
    std::printf("VST version:    %ld\n", static_cast<long>(plugin->dispatch(vst::effGetVstVersion)));
    const vst::intptr category = plugin->dispatch(vst::effGetPlugCategory);
    std::printf("category:       %ld (%s)\n", static_cast<long>(category), categoryName(category));
    if (e->numPrograms > 0) std::printf("program:        \"%s\"\n", plugin->programName().c_str());
    for (const bool input : {true, false}) {
        const int count = input ? e->numInputs : e->numOutputs;
        for (int pinIndex = 0; pinIndex < count && pinIndex < 8; ++pinIndex) {
            vst::VstPinProperties pin{};
            const auto opcode = input ? vst::effGetInputProperties : vst::effGetOutputProperties;
            if (!plugin->dispatch(opcode, pinIndex, 0, &pin)) continue;
            pin.label[sizeof pin.label - 1] = '\0';
            std::printf("%s %d:%s\"%s\"%s%s\n", input ? "input" : "output", pinIndex, input ? "        " : "       ",
                        pin.label, (pin.flags & vst::kVstPinIsActive) ? " active" : "",
                        (pin.flags & vst::kVstPinIsStereo) ? " stereo" : "");
        }
    }
    const vst::intptr identify = plugin->dispatch(vst::__effIdentifyDeprecated);
    std::printf("identify:       %s\n",
                identify ? testhost::fourCharText(static_cast<vst::int32>(identify)).c_str() : "0");
    static constexpr const char* kCanDo[] = {
        "sendVstEvents",     "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent",
        "receiveVstTimeInfo", "offline",          "midiProgramNames", "bypass",
        "NKSCallbacks",      "1in2out",          "2in2out",          "0in2out"};
    std::printf("canDo:         ");
    for (const char* text : kCanDo) {
        const vst::intptr answer = plugin->dispatch(vst::effCanDo, 0, 0, const_cast<char*>(text));
        std::printf(" %s=%s", text, answer > 0 ? "yes" : (answer < 0 ? "no" : "?"));
    }
    std::printf("\n");
    if (plugin->textOverruns() > 0)
        std::printf("warning:        %d text answers overran their buffer limit\n", plugin->textOverruns());
    return 0;
}

int commandRender(const std::string& path, const std::string& out, const Options& options) {
    HostConfig config;
    if (!applyHostOptions(options, config)) return badArguments("--rate, --block or --tempo");
    double seconds = 4;
    if (auto text = options.last("seconds")) {
        if (!parseNumber(*text, seconds) || seconds < 0 || seconds > 3600) return badArguments("--seconds");
    }
    int program;
    if (!programOption(options, program)) return badArguments("--program");
    Host host(config);
    auto plugin = loadOrComplain(host, path);
    if (!plugin) return 1;
    // Frames of the options count from the moment the program is in place.
    long start = 0;
    if (program >= 0) {
        testhost::selectProgram(*plugin, program);
        start = plugin->framesRendered();
    }
    if (auto file = options.last("fxp")) {
        if (!loadProgramOrComplain(*plugin, *file)) return 1;
        start = plugin->framesRendered();
    }
    std::vector<double> f;
    for (const auto& note : options.all("note")) {
        if (!parseFields(note, 4, f) || f[0] < 0 || f[3] < 0) {
            std::fprintf(stderr, "vsthost: bad --note %s (FRAME:NOTE:VEL:LENGTHFRAMES)\n", note.c_str());
            return 2;
        }
        plugin->noteOn(start + static_cast<long>(f[0]), static_cast<int>(f[1]), static_cast<int>(f[2]));
        plugin->noteOff(start + static_cast<long>(f[0] + f[3]), static_cast<int>(f[1]));
    }
    for (const auto& cc : options.all("cc")) {
        if (!parseFields(cc, 3, f) || f[0] < 0) {
            std::fprintf(stderr, "vsthost: bad --cc %s (FRAME:CC:VALUE)\n", cc.c_str());
            return 2;
        }
        plugin->controller(start + static_cast<long>(f[0]), static_cast<int>(f[1]), static_cast<int>(f[2]));
    }
    for (const auto& param : options.all("param")) {
        if (!parseFields(param, 3, f) || f[0] < 0 || f[1] < 0) {
            std::fprintf(stderr, "vsthost: bad --param %s (FRAME:INDEX:VALUE)\n", param.c_str());
            return 2;
        }
        plugin->parameterAt(start + static_cast<long>(f[0]), static_cast<int>(f[1]), static_cast<float>(f[2]));
    }
    const Stereo audio = plugin->render(std::lround(seconds * config.sampleRate));
    if (!testhost::writeWav(out, audio)) {
        std::fprintf(stderr, "vsthost: cannot write %s\n", out.c_str());
        return 1;
    }
    printSummary(out, audio);
    return 0;
}

struct DemoNote {
    double start, length;
    int note, velocity;
};

// A short phrase that exercises pitch, length, velocity, the mod wheel and
// pitch bend: what a listener needs to hear that the instrument plays.
constexpr DemoNote DEMO_PHRASE[] = {
    {0.00, 0.90, 48, 100}, {0.50, 0.40, 60, 70},  {1.00, 1.40, 64, 115}, {1.25, 0.20, 67, 50},
    {2.00, 1.00, 72, 127}, {2.60, 0.80, 43, 90},  {3.50, 0.60, 55, 80},
};

// A plug-in with programs of these names plays each one's phrase in turn,
// the sounds of its bank one after another.
struct DemoProgram {
    const char* name;
    double seconds;  // the phrase and its tail
    std::vector<DemoNote> phrase;
};

const std::vector<DemoProgram>& demoPrograms() {
    static const std::vector<DemoProgram> programs = {
        {"Abyss Impact", 2.6, {{0.0, 1.2, 36, 110}}},
        {"Ray Gun Pew", 1.6, {{0.0, 0.25, 72, 100}, {0.3, 0.25, 76, 90}, {0.6, 0.4, 79, 120}}},
        {"Tuned Noise Harp", 2.4, {{0.0, 0.3, 60, 90}, {0.3, 0.3, 64, 100}, {0.6, 0.3, 67, 110}, {0.9, 0.8, 72, 120}}},
        {"Gate Stutter", 2.2, {{0.0, 1.6, 48, 100}}},
        {"Falling Bomb", 3.0, {{0.0, 2.6, 84, 100}}},
        {"Thunder Roll", 3.2, {{0.0, 1.5, 36, 127}}},
    };
    return programs;
}

int programIndex(Plugin& plugin, const std::string& name) {
    for (int n = 0; n < plugin.effect()->numPrograms; ++n)
        if (plugin.programNameIndexed(n) == name) return n;
    return -1;
}

void append(Stereo& to, const Stereo& from) {
    to.left.insert(to.left.end(), from.left.begin(), from.left.end());
    to.right.insert(to.right.end(), from.right.begin(), from.right.end());
}

int commandDemo(const std::string& path, const std::string& out, const Options& options) {
    HostConfig config;
    if (!applyHostOptions(options, config)) return badArguments("--rate or --block");
    Host host(config);
    auto plugin = loadOrComplain(host, path);
    if (!plugin) return 1;
    const double rate = config.sampleRate;
    auto at = [rate](double seconds) { return std::lround(seconds * rate); };
    plugin->start();
    Stereo audio;
    audio.sampleRate = rate;
    // The programs come from program files when given, else from the plug-in's own list.
    std::vector<std::string> files = options.all("fxp");
    std::vector<const DemoProgram*> playing;
    for (const DemoProgram& program : demoPrograms()) {
        if (files.empty() && programIndex(*plugin, program.name) < 0) continue;
        playing.push_back(&program);
    }
    if (!files.empty()) playing.clear();
    for (const std::string& file : files) {
        std::string name;
        if (!loadProgramOrComplain(*plugin, file, &name)) return 1;
        const DemoProgram* found = nullptr;
        for (const DemoProgram& program : demoPrograms())
            if (name == program.name) found = &program;
        static const DemoProgram PLAIN{"", 2.5, {{0.0, 0.5, 60, 100}, {0.6, 0.5, 64, 100}, {1.2, 0.8, 67, 100}}};
        const DemoProgram& program = found ? *found : PLAIN;
        const long start = plugin->framesRendered();
        for (const DemoNote& n : program.phrase) {
            plugin->noteOn(start + at(n.start), n.note, n.velocity);
            plugin->noteOff(start + at(n.start + n.length), n.note);
        }
        append(audio, plugin->render(at(program.seconds)));
    }
    for (const DemoProgram* each : playing) {
        const DemoProgram& program = *each;
        testhost::selectProgram(*plugin, programIndex(*plugin, program.name));
        const long start = plugin->framesRendered();
        for (const DemoNote& n : program.phrase) {
            plugin->noteOn(start + at(n.start), n.note, n.velocity);
            plugin->noteOff(start + at(n.start + n.length), n.note);
        }
        append(audio, plugin->render(at(program.seconds)));
    }
    if (audio.frames() == 0) {
        const long start = plugin->framesRendered();
        for (const DemoNote& n : DEMO_PHRASE) {
            plugin->noteOn(start + at(n.start), n.note, n.velocity);
            plugin->noteOff(start + at(n.start + n.length), n.note);
        }
        // Mod wheel up over 1.0..2.5 s and back to rest at 3.0 s.
        for (int step = 0; step <= 64; ++step)
            plugin->controller(start + at(1.0 + 1.5 * step / 64.0), 1, step * 127 / 64);
        plugin->controller(start + at(3.0), 1, 0);
        // Pitch bend up a little over 2.0..2.5 s, down to the centre by 3.2 s.
        for (int step = 0; step <= 32; ++step) {
            const double bend = step <= 16 ? step / 16.0 : (32 - step) / 16.0;
            plugin->pitchBend(start + at(2.0 + 1.2 * step / 32.0), 8192 + static_cast<int>(bend * 4096));
        }
        audio = plugin->render(at(4.5));
    }
    if (!testhost::writeWav(out, audio)) {
        std::fprintf(stderr, "vsthost: cannot write %s\n", out.c_str());
        return 1;
    }
    printSummary(out, audio);
    return 0;
}

int commandTime(const std::string& path, const Options& options) {
    testhost::TimingOptions timing;
    double value;
    if (auto text = options.last("notes")) {
        if (!parseNumber(*text, value) || value < 0 || value > 128) return badArguments("--notes (0 to 128)");
        timing.notes = static_cast<int>(value);
    }
    if (auto text = options.last("seconds")) {
        if (!parseNumber(*text, value) || value <= 0 || value > 3600) return badArguments("--seconds");
        timing.seconds = value;
    }
    HostConfig config;
    if (!applyHostOptions(options, config)) return badArguments("--rate or --block");
    if (!programOption(options, timing.program)) return badArguments("--program");
    if (auto file = options.last("fxp")) timing.programFile = *file;
    timing.sampleRate = config.sampleRate;
    timing.blockSize = config.blockSize;
    std::vector<double> f;
    for (const auto& param : options.all("param")) {
        if (!parseFields(param, 2, f) || f[0] < 0) {
            std::fprintf(stderr, "vsthost: bad --param %s (INDEX:VALUE)\n", param.c_str());
            return 2;
        }
        timing.parameters.emplace_back(static_cast<int>(f[0]), static_cast<float>(f[1]));
    }
    Host host(config);
    auto plugin = loadOrComplain(host, path);
    if (!plugin) return 1;
    const testhost::TimingResult result = testhost::measureTiming(*plugin, timing);
    if (!result.error.empty()) {
        std::fprintf(stderr, "vsthost: %s\n", result.error.c_str());
        return 1;
    }
    std::printf("%d notes, %.1f s of audio at %.0f Hz in blocks of %d: %.4f CPU s per audio s, real-time factor %.1f, "
                "peak %.3f, RMS %.4f%s\n",
                timing.notes, result.audioSeconds, timing.sampleRate, timing.blockSize,
                result.cpuSecondsPerAudioSecond, result.realTimeFactor, static_cast<double>(result.levels.peak),
                result.levels.rms, result.levels.finite ? "" : ", NOT FINITE");
    return 0;
}

int commandScan(const std::string& path, const Options& options) {
    int times = 1;
    double value;
    if (auto text = options.last("times")) {
        if (!parseNumber(*text, value) || value < 1 || value > 1000000) return badArguments("--times");
        times = static_cast<int>(value);
    }
    HostConfig config;
    if (!applyHostOptions(options, config)) return badArguments("options");
    const testhost::ScanResult result = testhost::scanRepeatedly(path, times, config);
    std::printf("%d scans (%d loaded, %d failed) in %.4f s, %.3f ms each\n", times, result.loaded, result.failed,
                result.seconds, 1000.0 * result.seconds / times);
    if (result.failed > 0) std::fprintf(stderr, "vsthost: %s\n", Host::lastError().c_str());
    return result.failed > 0 ? 1 : 0;
}

// The plug-in plays in real time on a thread of its own while its editor is
// shown, as in a host: work that the plug-in leaves to its audio thread
// (program changes, meters) happens. The sound is not kept.
class AudioThread {
public:
    explicit AudioThread(Plugin& plugin) : plugin(plugin) {
        plugin.start();
        thread = std::thread([this] { run(); });
    }
    ~AudioThread() {
        stopping = true;
        thread.join();
    }

private:
    void run() {
        const int block = std::max(1, plugin.config().blockSize);
        const auto blockTime = std::chrono::duration<double>(block / plugin.config().sampleRate);
        auto due = std::chrono::steady_clock::now();
        while (!stopping) {
            plugin.render(block);
            due += std::chrono::duration_cast<std::chrono::steady_clock::duration>(blockTime);
            std::this_thread::sleep_until(due);
        }
    }

    Plugin& plugin;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

// Idles the editor at about 60 passes a second until the time is up or the
// window is closed; seconds 0 means until it is closed.
void idleFor(testhost::EditorWindow& window, double seconds) {
    const auto start = std::chrono::steady_clock::now();
    while (seconds <= 0 || std::chrono::steady_clock::now() - start < std::chrono::duration<double>(seconds)) {
        if (!window.idle()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
}

std::unique_ptr<testhost::EditorWindow> openEditorWindow(Plugin& plugin, const std::string& path) {
    testhost::EditorWindow::Options windowOptions;
    windowOptions.title = plugin.effectName().empty() ? path : plugin.effectName();
    std::string error;
    auto window = testhost::EditorWindow::open(plugin, windowOptions, error);
    if (!window) std::fprintf(stderr, "vsthost: %s\n", error.c_str());
    return window;
}

int commandEdit(const std::string& path, const Options& options) {
    double seconds = 0;
    if (auto text = options.last("seconds")) {
        if (!parseNumber(*text, seconds) || seconds < 0 || seconds > 86400) return badArguments("--seconds");
    }
    HostConfig config;
    Host host(config);
    auto plugin = loadOrComplain(host, path);
    if (!plugin) return 1;
    plugin->dispatch(vst::effOpen);
    AudioThread audio(*plugin);
    auto window = openEditorWindow(*plugin, path);
    if (!window) return 1;
    idleFor(*window, seconds);
    return 0;
}

int commandSnapshot(const std::string& path, const std::string& out, const Options& options) {
    double seconds = 1;
    if (auto text = options.last("after")) {
        if (!parseNumber(*text, seconds) || seconds < 0 || seconds > 3600) return badArguments("--after");
    }
    Host host;
    auto plugin = loadOrComplain(host, path);
    if (!plugin) return 1;
    plugin->dispatch(vst::effOpen);
    AudioThread audio(*plugin);
    auto window = openEditorWindow(*plugin, path);
    if (!window) return 1;
    idleFor(*window, seconds);
    if (!window->screenshot(out)) {
        std::fprintf(stderr, "vsthost: cannot read the window into %s\n", out.c_str());
        return 1;
    }
    std::printf("%s: %d x %d\n", out.c_str(), window->width(), window->height());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        printUsage();
        return 2;
    }
    const std::string command = argv[1];
    const std::string plugin = argv[2];
    const bool hasOutput = command == "render" || command == "demo" || command == "snapshot";
    if (hasOutput && argc < 4) {
        printUsage();
        return 2;
    }
    const int first = hasOutput ? 4 : 3;
    std::vector<std::string> known;
    if (command == "info") known = {"product", "vendor"};
    else if (command == "render") known = {"rate", "block", "seconds", "note", "cc", "param", "program", "fxp", "tempo", "product", "vendor"};
    else if (command == "demo") known = {"rate", "block", "product", "vendor", "fxp"};
    else if (command == "time") known = {"notes", "seconds", "rate", "block", "param", "program", "fxp"};
    else if (command == "scan") known = {"times", "product", "vendor"};
    else if (command == "edit") known = {"seconds"};
    else if (command == "snapshot") known = {"after"};
    else {
        printUsage();
        return 2;
    }
    const Options options = parseOptions(argc, argv, first, known);
    if (!options.error.empty()) {
        std::fprintf(stderr, "vsthost: %s\n", options.error.c_str());
        printUsage();
        return 2;
    }
    int status = 2;
    if (command == "info") status = commandInfo(plugin, options);
    else if (command == "render") status = commandRender(plugin, argv[3], options);
    else if (command == "demo") status = commandDemo(plugin, argv[3], options);
    else if (command == "time") status = commandTime(plugin, options);
    else if (command == "scan") status = commandScan(plugin, options);
    else if (command == "edit") status = commandEdit(plugin, options);
    else if (command == "snapshot") status = commandSnapshot(plugin, argv[3], options);
    return status;
}

#if defined(__SANITIZE_ADDRESS__)
// Plug-in editors draw text with fontconfig, which keeps its caches for the
// life of the process; under the leak checker they would be reported on every
// editor command.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif
