// Level measurement, the timing mode and the repeated scan.
#include <chrono>
#include <cmath>

#include "tools/testhost/TestHost.h"

namespace testhost {

Levels measure(const Stereo& audio, long firstFrame, long lastFrame) {
    Levels levels;
    const long frames = static_cast<long>(std::min(audio.left.size(), audio.right.size()));
    const long first = std::max(0L, firstFrame);
    const long last = lastFrame < 0 ? frames : std::min(lastFrame, frames);
    double sumOfSquares = 0;
    long counted = 0;
    for (long i = first; i < last; ++i) {
        for (float v : {audio.left[static_cast<std::size_t>(i)], audio.right[static_cast<std::size_t>(i)]}) {
            if (!std::isfinite(v)) {
                levels.finite = false;
                continue;
            }
            levels.peak = std::max(levels.peak, std::fabs(v));
            sumOfSquares += static_cast<double>(v) * v;
            ++counted;
        }
    }
    levels.rms = counted > 0 ? std::sqrt(sumOfSquares / static_cast<double>(counted)) : 0.0;
    return levels;
}

// Notes spread evenly over the middle of the keyboard, or over all 88 keys
// when more are asked for than the middle holds.
static int spreadNote(int i, int count) {
    if (count <= 1) return 60;
    const int low = count <= 49 ? 36 : 21;
    const int high = count <= 49 ? 84 : 108;
    const int span = high - low;
    if (count - 1 > span) return low + i % (span + 1);
    return low + static_cast<int>(std::lround(static_cast<double>(i) * span / (count - 1)));
}

// A plug-in that applies a program on its audio thread does it between
// blocks (Kolbri in its housekeeping pass, once every 4096 frames, silent
// meanwhile); two such passes are certainly enough.
constexpr long PROGRAM_SETTLE_FRAMES = 2 * 4096;

void selectProgram(Plugin& plugin, int program) {
    plugin.start();
    plugin.dispatch(vst::effSetProgram, 0, program);
    plugin.render(PROGRAM_SETTLE_FRAMES);
}

TimingResult measureTiming(Plugin& plugin, const TimingOptions& options) {
    TimingResult result;
    plugin.config().sampleRate = options.sampleRate;
    plugin.config().blockSize = std::max(1, options.blockSize);
    for (const auto& [index, value] : options.parameters) plugin.setParameter(index, value);
    plugin.start();
    if (options.program >= 0) selectProgram(plugin, options.program);
    if (!options.programFile.empty()) {
        std::string name, error;
        if (!loadProgramFile(plugin, options.programFile, name, error)) result.error = error;
        plugin.render(PROGRAM_SETTLE_FRAMES);
    }
    for (int i = 0; i < options.notes; ++i) plugin.noteOn(plugin.framesRendered(), spreadNote(i, options.notes), 100);

    const double cpuBefore = plugin.processCpuSeconds();
    const long totalFrames = std::max(0L, std::lround(options.seconds * options.sampleRate));
    // Rendered a second at a time so memory stays small for long runs.
    const long chunk = std::max(1L, std::lround(options.sampleRate));
    double sumOfSquares = 0;
    long done = 0;
    while (done < totalFrames) {
        const long frames = std::min(chunk, totalFrames - done);
        const Stereo audio = plugin.render(frames);
        const Levels levels = measure(audio);
        result.levels.peak = std::max(result.levels.peak, levels.peak);
        result.levels.finite = result.levels.finite && levels.finite;
        sumOfSquares += levels.rms * levels.rms * static_cast<double>(frames);
        done += frames;
    }
    result.levels.rms = done > 0 ? std::sqrt(sumOfSquares / static_cast<double>(done)) : 0.0;
    result.audioSeconds = static_cast<double>(done) / options.sampleRate;
    result.cpuSeconds = plugin.processCpuSeconds() - cpuBefore;
    if (result.audioSeconds > 0) result.cpuSecondsPerAudioSecond = result.cpuSeconds / result.audioSeconds;
    if (result.cpuSeconds > 0) result.realTimeFactor = result.audioSeconds / result.cpuSeconds;
    return result;
}

double cpuSecondsPerAudioSecond(Plugin& plugin, const TimingOptions& options) {
    return measureTiming(plugin, options).cpuSecondsPerAudioSecond;
}

ScanResult scanRepeatedly(const std::string& soPath, int times, HostConfig config) {
    ScanResult result;
    Host host(std::move(config));
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < times; ++i) {
        std::unique_ptr<Plugin> plugin = host.load(soPath);
        if (!plugin) {
            ++result.failed;
            continue;
        }
        // What a scanning host asks before it closes the plug-in unresumed.
        plugin->dispatch(vst::effOpen);
        plugin->effectName();
        plugin->vendorString();
        plugin->productString();
        plugin->vendorVersion();
        plugin->dispatch(vst::effGetVstVersion);
        plugin->dispatch(vst::effGetPlugCategory);
        plugin->canDo("receiveVstEvents");
        plugin->canDo("receiveVstMidiEvent");
        ++result.loaded;
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    return result;
}

}  // namespace testhost
