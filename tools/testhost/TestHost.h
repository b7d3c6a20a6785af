// A small VST 2.4 host for tests, benchmarks and the vsthost command.
// It loads a plug-in library with dlopen and talks to it only through the
// binary interface in vst/vst2_abi.h, so what it sees is what a host sees.
#pragma once

#include <climits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vst/vst2_abi.h"

namespace testhost {

// How the host answers the plug-in's callbacks.
struct HostConfig {
    std::string productString = "Kolbri Test Host";
    std::string vendorString = "Kolbri";
    vst::intptr versionAnswer = 2400;  // answer to audioMasterVersion (0 = a host that refuses)
    vst::intptr vendorVersion = 1000;
    double sampleRate = 48000;
    int blockSize = 512;
    double tempo = 120;
    bool playing = false;
    int timeSigNum = 4, timeSigDen = 4;
    bool answerTimeInfo = true;   // false: audioMasterGetTime answers null
    bool nksCallbacks = false;    // canDo "NIMKPIVendorSpecificCallbacks"
};

// A callback the plug-in made that a test may want to see afterwards
// (automate, beginEdit, endEdit, wantMidi, idle, updateDisplay, ioChanged, sizeWindow).
struct HostCall {
    vst::int32 opcode, index;
    vst::intptr value;
    float opt;
    // Made from inside the plug-in's processing (on the audio thread), where a
    // plug-in should not call a host that may lock or draw.
    bool duringProcess = false;
};

struct Stereo {
    std::vector<float> left, right;
    double sampleRate = 48000;
    long frames() const { return static_cast<long>(left.size()); }
};

class Host;
struct PluginState;  // the host's side of one instance, private to the library

// One plug-in instance, created by Host::load. Not copyable; destroying it
// sends effMainsChanged(0) if started, then effClose, as hosts do.
class Plugin {
public:
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    vst::AEffect* effect();
    vst::intptr dispatch(vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0, void* ptr = nullptr,
                         float opt = 0);
    void setParameter(int index, float v);
    float getParameter(int index);

    // Text queries go through a 256-byte zeroed buffer. If the plug-in writes
    // past byte 63 or leaves the buffer unterminated, the answer is cut at the
    // terminator and the fault is counted in textOverruns().
    std::string parameterName(int index), parameterDisplay(int index), parameterLabel(int index);
    std::string programName();                   // effGetProgramName
    std::string programNameIndexed(int program);  // effGetProgramNameIndexed, "" if refused
    std::string effectName(), vendorString(), productString();
    int vendorVersion();
    bool canDo(const std::string& text);  // effCanDo answers 1
    int textOverruns() const;

    // effOpen (once), effSetSampleRate, effSetBlockSize, effMainsChanged(1),
    // effStartProcess, as a host does before playing.
    void start();
    // effStopProcess, effMainsChanged(0).
    void stop();
    bool started() const;

    // Events are queued at an absolute frame counted from the start of
    // rendering and delivered through effProcessEvents in the block that
    // contains them, with deltaFrames relative to that block, sorted by frame
    // (events at the same frame keep the order they were queued in).
    // Events queued for frames already rendered go out with the next block at
    // deltaFrames 0.
    void noteOn(long frame, int note, int velocity, int channel = 0);
    void noteOff(long frame, int note, int velocity = 0, int channel = 0);
    void controller(long frame, int cc, int value, int channel = 0);
    void pitchBend(long frame, int value14bit, int channel = 0);  // 8192 = centre
    void channelPressure(long frame, int value, int channel = 0);
    void polyPressure(long frame, int note, int value, int channel = 0);
    void programChange(long frame, int program, int channel = 0);
    // Bytes exactly as given, for malformed-event tests; deltaOverride replaces
    // the computed deltaFrames when it is not INT_MIN.
    void rawMidi(long frame, unsigned char b0, unsigned char b1, unsigned char b2, int deltaOverride = INT_MIN);
    // setParameter between blocks: the block is split at that frame.
    void parameterAt(long frame, int index, float value);

    // Renders the next frames (continuing from the previous render) in blocks
    // of config().blockSize, the last block shorter; starts the plug-in first
    // if it was not started. Inputs are silent.
    Stereo render(long frames);

    // A copy: a plug-in may call from a thread of its own meanwhile.
    std::vector<HostCall> calls() const;
    void clearCalls();
    // The host's own view of the parameters, as a host keeps one for its
    // generic editor and its automation: every value read when the plug-in is
    // loaded and again when the plug-in asks with audioMasterUpdateDisplay (on
    // the thread that asks, before the call is recorded), and the one value of
    // each audioMasterAutomate.
    std::vector<float> parameterView() const;
    // Every VstMidiEvent delivered so far, with deltaFrames replaced by the
    // absolute frame it was delivered at (for tests of the host itself).
    struct DeliveredEvent {
        long frame;
        vst::VstMidiEvent event;
    };
    const std::vector<DeliveredEvent>& delivered() const;

    // Tempo, transport and time signature may change between renders. A new
    // sample rate or block size is sent before the next render with a
    // suspend/resume around it, as hosts do. The time info advances with the
    // rendered frames whether the transport plays or not.
    HostConfig& config();
    long framesRendered() const;
    // The time info the host answers now (what audioMasterGetTime returns).
    const vst::VstTimeInfo& timeInfo();
    // CPU time (thread clock) spent inside processReplacing so far.
    double processCpuSeconds() const;

private:
    friend class Host;
    explicit Plugin(std::unique_ptr<PluginState> state);
    std::unique_ptr<PluginState> impl;
};

class Host {
public:
    explicit Host(HostConfig config = {});
    ~Host();
    // dlopen (kept open while any instance from it lives), find VSTPluginMain
    // (else main_macho), call it with the host callback; null if the library,
    // the entry or the effect is missing, or the magic is wrong (lastError says why).
    std::unique_ptr<Plugin> load(const std::string& soPath);
    HostConfig& config();
    static std::string lastError();

private:
    HostConfig hostConfig;
};

// 32-bit float stereo WAV.
bool writeWav(const std::string& path, const Stereo& audio);
// Reads what writeWav writes, and 16/24/32-bit PCM and 32/64-bit float WAV
// (mono is copied to both channels); false on a truncated or malformed file.
bool readWav(const std::string& path, Stereo& audio);

// Level measurements over both channels.
struct Levels {
    float peak = 0;
    double rms = 0;
    bool finite = true;
};
Levels measure(const Stereo& audio, long firstFrame = 0, long lastFrame = -1);

// The timing mode: holds `notes` notes spread over the keyboard for `seconds`
// of audio and measures the thread CPU time spent in processReplacing.
struct TimingOptions {
    int notes = 8;
    double seconds = 10;
    double sampleRate = 48000;
    int blockSize = 512;
    std::vector<std::pair<int, float>> parameters;  // set before playing
    int program = -1;                                // selected before playing when not negative
    std::string programFile;                         // loaded before playing when given
};
// Starts the plug-in if needed, selects the program with effSetProgram and
// renders (and drops) the frames a plug-in that applies programs on its audio
// thread, between blocks, needs before the program sounds; events queued
// after this start in the program.
void selectProgram(Plugin& plugin, int program);

// Loads a program file (.fxp) into the plug-in as a host does: its values
// through setParameter, or its chunk through effSetChunk. Gives the name the
// file carries; false, with the reason, for a file that is not a program of
// this plug-in. A plug-in that applies programs on its audio thread needs a
// render before the program sounds (see selectProgram).
bool loadProgramFile(Plugin& plugin, const std::string& path, std::string& name, std::string& error);

struct TimingResult {
    double audioSeconds = 0;
    double cpuSeconds = 0;
    double cpuSecondsPerAudioSecond = 0;
    double realTimeFactor = 0;  // audio seconds per CPU second
    Levels levels;
    std::string error;  // the program file could not be loaded
};
// `plugin` must be freshly loaded (not yet started); the options override its config.
TimingResult measureTiming(Plugin& plugin, const TimingOptions& options);
double cpuSecondsPerAudioSecond(Plugin& plugin, const TimingOptions& options);

// Scans a library as Linux hosts do: load, query identity, effClose without
// ever resuming, `times` times in this process.
struct ScanResult {
    int loaded = 0;
    int failed = 0;
    double seconds = 0;  // wall-clock time for all scans
};
ScanResult scanRepeatedly(const std::string& soPath, int times, HostConfig config = {});

// Four printable characters of a unique ID ("????" for unprintable bytes).
std::string fourCharText(vst::int32 id);

}  // namespace testhost
