// Programs: the built-in bank behind the host's one program, its names, the
// stepping through it, and the application of the program record on the
// audio thread, heard through the plug-in.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/dsp/ParameterTags.h"
#include "plugin/BuiltinPrograms.h"
#include "plugin_test_access.h"
#include "reaper_host_callback.h"
#include "tools/testhost/TestHost.h"

using namespace vst;

namespace {

constexpr int BLOCK = 512;
constexpr int HOUSEKEEPING = 4096;

void renderFrames(APlugin& plugin, int frames) {
    std::vector<float> left(BLOCK), right(BLOCK);
    float* outputs[2] = {left.data(), right.data()};
    for (int done = 0; done < frames; done += BLOCK) plugin.processReplacing(nullptr, outputs, std::min(BLOCK, frames - done));
}

// Renders until every program request has been applied and the editor told.
void applyPending(APlugin& plugin) {
    const TEngineState& engine = TEngineTestAccess::engine(TPluginTestAccess::engine(plugin));
    for (int pass = 0; pass < 8; ++pass) {
        renderFrames(plugin, HOUSEKEEPING);
        if (!plugin.getIsSettingPreset() && !engine.waitingProgramFromNo) return;
    }
    ADD_FAILURE() << "the program requests never settle";
}

std::string hostProgramName(APlugin& plugin) {
    char name[64];
    std::memset(name, 'x', sizeof name);
    plugin.dispatcher(effGetProgramName, 0, 0, name, 0);
    EXPECT_LT(std::strlen(name), 24u) << "23 characters and the zero at most";
    return name;
}

TEST(Programs, TheBankChoosesTheSoundAndNamesIt) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    applyPending(*plugin);
    EXPECT_EQ(plugin->getNumBuiltinPrograms(), BUILTIN_PROGRAM_COUNT);
    EXPECT_EQ(plugin->getCurBuiltinProgram(), 0) << "the start program";
    EXPECT_EQ(hostProgramName(*plugin), std::string(builtinProgramName(0)).substr(0, 23));
    EXPECT_EQ(plugin->getDemoName(-1), "");
    EXPECT_EQ(plugin->getDemoName(BUILTIN_PROGRAM_COUNT), "");

    for (int index : {1, 8, 37, BUILTIN_PROGRAM_COUNT - 1}) {
        SCOPED_TRACE(index);
        plugin->setDemoProgram(index);
        EXPECT_TRUE(plugin->getIsSettingPreset()) << "queued for the audio thread";
        applyPending(*plugin);
        EXPECT_FALSE(plugin->getIsSettingPreset());
        EXPECT_EQ(plugin->getCurBuiltinProgram(), index) << "the name lookup finds it again";
        EXPECT_EQ(plugin->getDemoName(index), builtinProgramName(index));
        EXPECT_EQ(hostProgramName(*plugin), std::string(builtinProgramName(index)).substr(0, 23));
        const auto bank = builtinProgramValues(index);
        for (int tag : {1, 10, 27, 500}) EXPECT_FLOAT_EQ(plugin->getParameter(tag), bank[static_cast<std::size_t>(tag)]) << tag;
        EXPECT_EQ(APlugin::getPresetNameFromProgram(TPluginTestAccess::values(*plugin).programs[0]),
                  builtinProgramName(index));
    }
    plugin->setDemoProgram(BUILTIN_PROGRAM_COUNT);
    plugin->setDemoProgram(-1);
    EXPECT_FALSE(plugin->getIsSettingPreset()) << "an index outside the bank is ignored";

    char text[32] = "untouched";
    EXPECT_EQ(plugin->dispatcher(effGetProgramNameIndexed, 1, 0, text, 0), 0);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(plugin->dispatcher(effGetProgramNameIndexed, 0, 0, text, 0), 1);
    EXPECT_EQ(std::string(text), hostProgramName(*plugin));
}

TEST(Programs, AHostsNameIsKeptWithinTwentyThreeCharacters) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    char longName[] = "A host name that runs far past the twenty-four bytes";
    applyPending(*plugin);
    plugin->dispatcher(effSetProgramName, 0, 0, longName, 0);
    EXPECT_EQ(hostProgramName(*plugin), std::string(longName).substr(0, 23));
    plugin->setDemoProgram(3);
    applyPending(*plugin);
    EXPECT_EQ(hostProgramName(*plugin), std::string(builtinProgramName(3)).substr(0, 23))
        << "a program from the bank brings its own name";
}

TEST(Programs, SteppingIsClampedToTheBank) {
    const struct {
        int from, delta, expected;
    } cases[] = {{2, -5, 0}, {69, 1, 69}, {8, 1, 9}, {0, -1, 0}, {5, INT_MAX, 69}, {5, INT_MIN, 0}, {30, 0, 30}};
    for (const auto& c : cases) {
        auto plugin = std::make_unique<APlugin>(nullptr);
        plugin->setDemoProgram(c.from);
        applyPending(*plugin);
        plugin->changeDemoProgramDelta(c.delta);
        EXPECT_TRUE(TPluginTestAccess::flags(*plugin).presetPending.load()) << "even the end program is loaded again";
        applyPending(*plugin);
        EXPECT_EQ(plugin->getCurBuiltinProgram(), c.expected) << c.from << " + " << c.delta;
    }
}

TEST(Programs, RequestsThatTheHostOrTheEditorMayNotMakeAreIgnored) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    applyPending(*plugin);
    plugin->setProgram(1);
    EXPECT_FALSE(plugin->getIsSettingPreset()) << "one program only";
    plugin->setEditorOpenState(true, false);
    plugin->setProgram(0);
    EXPECT_FALSE(plugin->getIsSettingPreset()) << "not while the editor is being opened";
    plugin->setEditorOpenState(false, false);
    EXPECT_TRUE(plugin->getIsSettingPreset()) << "but once it is";
}

// What reaches the program while the editor is being opened waits for the
// opening to end and is applied then: the host reads back what it sent
// meanwhile, and the engine must not keep the sound before.
TEST(Programs, ProgramsArrivingWhileTheEditorOpensAreAppliedOnceItIsOpen) {
    constexpr int MAIN_VOLUME = 1;
    // A built-in program whose Main Volume differs from the start program's.
    int builtin = 1;
    while (builtin < BUILTIN_PROGRAM_COUNT &&
           builtinProgramValues(builtin)[MAIN_VOLUME] == builtinProgramValues(0)[MAIN_VOLUME])
        ++builtin;
    ASSERT_LT(builtin, BUILTIN_PROGRAM_COUNT);

    enum class Arrival { chunk, hostProgram, builtinOnTheAudioThread };
    const struct {
        const char* why;
        Arrival arrival;
        float expected;
    } cases[] = {
        {"a chunk the host loads", Arrival::chunk, 0.25f},
        {"the host's program change after writing the record", Arrival::hostProgram, 0.375f},
        {"a built-in program the editor chose while another was applied, loaded by the audio thread",
         Arrival::builtinOnTheAudioThread, builtinProgramValues(builtin)[MAIN_VOLUME]},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto plugin = std::make_unique<APlugin>(reaperHostCallback);
        applyPending(*plugin);
        // The value as the last application left it: only an application writes it.
        const TSharedFloat& applied = TPluginTestAccess::values(*plugin).origValue[MAIN_VOLUME];
        const float before = applied;
        ASSERT_NE(before, c.expected);
        if (c.arrival == Arrival::builtinOnTheAudioThread) {
            plugin->setProgram(0);
            plugin->setDemoProgram(builtin);  // waits for the audio thread
        }
        plugin->setEditorOpenState(true, false);
        if (c.arrival == Arrival::chunk) {
            void* data = nullptr;
            const int32 size = plugin->getChunk(&data, false);
            ASSERT_EQ(size, 4128);
            std::vector<unsigned char> chunk(static_cast<const unsigned char*>(data),
                                             static_cast<const unsigned char*>(data) + size);
            std::memcpy(chunk.data() + MAIN_VOLUME * sizeof(float), &c.expected, sizeof(float));
            plugin->setChunk(chunk.data(), size, false);
        } else if (c.arrival == Arrival::hostProgram) {
            TPluginTestAccess::values(*plugin).programs[0].values[MAIN_VOLUME] = c.expected;
            plugin->setProgram(0);
        }
        applyPending(*plugin);
        EXPECT_FLOAT_EQ(plugin->getParameter(MAIN_VOLUME), c.expected) << "the record holds it";
        EXPECT_FLOAT_EQ(applied, before) << "nothing is applied while the editor is being opened";

        plugin->setEditorOpenState(false, true);
        EXPECT_TRUE(plugin->getIsSettingPreset()) << "the program waits for the audio thread";
        applyPending(*plugin);
        EXPECT_FLOAT_EQ(applied, c.expected);
        EXPECT_FLOAT_EQ(TPluginTestAccess::values(*plugin).curValue[MAIN_VOLUME], c.expected);
        EXPECT_FLOAT_EQ(plugin->getParameter(MAIN_VOLUME), c.expected);
    }
}

// What the application leaves in the store, for values a foreign record may hold.
TEST(Programs, ApplicationStoresPlayableValuesEverywhere) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        int tag;
        float recorded, applied;
    } cases[] = {{1, 0.3f, 0.3f}, {2, 7.0f, 1.0f}, {3, -2.0f, 0.0f}, {11, nan, -1.0f /* the default */},
                 {124, 0.7f, 1.0f /* a switch */}};
    auto plugin = std::make_unique<APlugin>(nullptr);
    applyPending(*plugin);
    TParameterValues& values = TPluginTestAccess::values(*plugin);
    for (const auto& c : cases) values.programs[0].values[static_cast<std::size_t>(c.tag)] = c.recorded;
    values.captured[40] = true;
    values.editChanged = true;
    plugin->setProgram(0);
    applyPending(*plugin);
    for (const auto& c : cases) {
        const float expected = c.applied < 0 ? plugin->getDefaultValue(c.tag) : c.applied;
        const auto tag = static_cast<std::size_t>(c.tag);
        EXPECT_FLOAT_EQ(values.curValue[tag], expected) << c.tag;
        EXPECT_FLOAT_EQ(values.origValue[tag], expected) << c.tag << ": Compare brings back a playable value";
        EXPECT_FLOAT_EQ(values.editValue[tag], expected) << c.tag;
        EXPECT_FLOAT_EQ(values.programs[0].values[tag], expected) << c.tag;
    }
    EXPECT_FALSE(values.captured[40].load());
    EXPECT_FALSE(plugin->getEditChanged());
    const TEditorRequests requests = plugin->takeEditorRequests();
    EXPECT_TRUE(requests.clearUndos);
    EXPECT_TRUE(requests.modFXModeTaken);
    EXPECT_TRUE(requests.redraw);
}

// A request made while a program is being applied is not lost: the record is
// applied again after the running application.
TEST(Programs, ARequestDuringTheApplicationIsAppliedAfterIt) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    applyPending(*plugin);
    THandOffFlags& flags = TPluginTestAccess::flags(*plugin);
    flags.presetPending = false;
    flags.settingPreset = true;  // as if the audio thread were applying now
    TPluginTestAccess::values(*plugin).programs[0].values[1] = 0.125f;
    plugin->setProgram(0);
    flags.settingPreset = false;
    EXPECT_TRUE(flags.presetPending.load());
    applyPending(*plugin);
    EXPECT_FLOAT_EQ(TPluginTestAccess::values(*plugin).curValue[1], 0.125f);
    EXPECT_FLOAT_EQ(TPluginTestAccess::values(*plugin).origValue[1], 0.125f);
}

// The editor's choice made while a program is being applied waits for the
// audio thread, which loads it once the application is over.
TEST(Programs, AChoiceDuringTheApplicationIsLoadedAfterIt) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    applyPending(*plugin);
    plugin->setParameter(1, 0.2f);
    plugin->setProgram(0);  // an application is on its way
    plugin->setDemoProgram(5);
    EXPECT_FLOAT_EQ(TPluginTestAccess::values(*plugin).programs[0].values[1], 0.2f) << "the record is left alone";
    EXPECT_TRUE(TEngineTestAccess::engine(TPluginTestAccess::engine(*plugin)).waitingProgramFromNo.load());
    applyPending(*plugin);
    EXPECT_EQ(plugin->getCurBuiltinProgram(), 5);
    EXPECT_FLOAT_EQ(plugin->getParameter(1), builtinProgramValues(5)[1]);
    EXPECT_EQ(hostProgramName(*plugin), std::string(builtinProgramName(5)).substr(0, 23));
}

// Heard through a chunk host: from the moment a chunk arrives the output is
// silent; the chunk's program takes effect at the next 4096-frame tick and a
// new note then plays it (here 15 dB quieter: its Main Volume is -20 dB).
TEST(Programs, TheOutputIsSilentUntilTheNextTickAndThenPlaysTheNewProgram) {
    constexpr int MAIN_VOLUME = 1;
    testhost::HostConfig config;
    config.productString = "REAPER";
    auto plugin = testhost::Host(config).load(KOLBRI_SO_PATH);
    ASSERT_TRUE(plugin) << testhost::Host::lastError();
    // The plain sound, whatever program 0 is: its level is the default's, and it has no echo to ring on.
    const std::span<const float> plain = builtinProgramValues(BUILTIN_DEFAULT_PROGRAM);
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        if (tag != PRESET_APPLY_TAG) plugin->setParameter(tag, plain[static_cast<std::size_t>(tag)]);
    plugin->render(2 * HOUSEKEEPING);
    ASSERT_EQ(plugin->framesRendered() % HOUSEKEEPING, 0);
    void* data = nullptr;
    ASSERT_EQ(plugin->dispatch(effGetChunk, 0, 0, &data), intptr{sizeof(TProgram)});
    std::vector<unsigned char> quieter(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + sizeof(TProgram));
    const float minus20dB = 40.0f / 80.0f;
    std::memcpy(quieter.data() + MAIN_VOLUME * sizeof(float), &minus20dB, sizeof(float));

    plugin->noteOn(plugin->framesRendered() + 10, 60, 110);
    const testhost::Stereo before = plugin->render(2 * HOUSEKEEPING + 1000);
    plugin->dispatch(effSetChunk, 0, static_cast<intptr>(quieter.size()), quieter.data());
    const long toTick = HOUSEKEEPING - 1000;
    plugin->noteOn(plugin->framesRendered() + toTick + 10, 60, 110);
    const testhost::Stereo after = plugin->render(toTick + 2 * HOUSEKEEPING);

    EXPECT_GT(testhost::measure(before, 2 * HOUSEKEEPING, 2 * HOUSEKEEPING + 999).peak, 0.01f) << "the note plays before";
    // The output stage's filters ring out for a moment; nothing new is rendered.
    EXPECT_LT(testhost::measure(after, 0, 63).peak, 0.05f) << "the voices stop at the chunk";
    EXPECT_LT(testhost::measure(after, 500, toTick - 1).peak, 1e-4f) << "silence while the program waits";
    EXPECT_LT(testhost::measure(after, toTick, toTick + 9).peak, 1e-3f) << "the application ends every voice";
    // The same stretch of each note, from its onset.
    const double oldLevel = testhost::measure(before, 2000, 6000).rms;
    const double newLevel = testhost::measure(after, toTick + 2010, toTick + 6010).rms;
    ASSERT_GT(oldLevel, 0.001);
    EXPECT_NEAR(20.0 * std::log10(newLevel / oldLevel), -15.0, 1.5) << "the new program plays";
    EXPECT_TRUE(testhost::measure(after).finite);
}

// ---------------------------------------------------------------- the host's view of the parameters

int displayCalls(const testhost::Plugin& plugin) {
    int count = 0;
    for (const testhost::HostCall& call : plugin.calls()) count += call.opcode == audioMasterUpdateDisplay ? 1 : 0;
    return count;
}

// The worker looks for work every few milliseconds; this waits for far longer.
bool displayCallsReach(const testhost::Plugin& plugin, int count) {
    for (int wait = 0; wait < 500 && displayCalls(plugin) < count; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return displayCalls(plugin) >= count;
}

// Through the binary interface: after a program has been applied, and only
// then, the host is asked once, from a thread other than the audio thread, to
// read the parameters again, and reads the applied program's values. The
// start-up program, whose values the host reads from the start, is not
// announced, unless the host sent a program before it was applied.
TEST(Programs, TheHostIsAskedToReadTheParametersAgainOnceAProgramIsApplied) {
    constexpr int MAIN_VOLUME = 1, FILTER_FREQUENCY = 28;
    const struct {
        const char* why;
        bool chunk;            // else the host chooses its one program again
        bool beforeFirstBlock;  // as a host restoring its project sends it
    } cases[] = {{"a chunk", true, false},
                 {"the host's choice of program", false, false},
                 {"a chunk before the first block", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        testhost::HostConfig config;
        config.productString = "REAPER";
        auto plugin = testhost::Host(config).load(KOLBRI_SO_PATH);
        ASSERT_TRUE(plugin) << testhost::Host::lastError();
        if (!c.beforeFirstBlock) {
            plugin->render(2 * HOUSEKEEPING);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ASSERT_EQ(displayCalls(*plugin), 0) << "the start-up program was announced";
        }

        std::vector<float> expected = plugin->parameterView();
        if (c.chunk) {
            void* data = nullptr;
            ASSERT_EQ(plugin->dispatch(effGetChunk, 0, 0, &data), intptr{sizeof(TProgram)});
            std::vector<unsigned char> chunk(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + sizeof(TProgram));
            for (const auto& [tag, value] : {std::pair{MAIN_VOLUME, 0.3125f}, std::pair{FILTER_FREQUENCY, 0.25f}}) {
                std::memcpy(chunk.data() + tag * sizeof(float), &value, sizeof value);
                expected[static_cast<std::size_t>(tag)] = value;
            }
            plugin->dispatch(effSetChunk, 0, static_cast<intptr>(chunk.size()), chunk.data());
        } else {
            plugin->dispatch(effSetProgram, 0, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(displayCalls(*plugin), 0) << "asked before the audio thread applied the program";

        plugin->render(HOUSEKEEPING);
        ASSERT_TRUE(displayCallsReach(*plugin, 1)) << "never asked";
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::vector<testhost::HostCall> calls = plugin->calls();
        EXPECT_EQ(displayCalls(*plugin), 1) << "asked more than once for one application";
        for (const testhost::HostCall& call : calls) {
            if (call.opcode == audioMasterUpdateDisplay) {
                EXPECT_FALSE(call.duringProcess) << "asked from the audio thread";
            }
        }
        EXPECT_EQ(plugin->parameterView(), expected);
    }
}

// An editor's choice, with no editor window open: the host is asked as well,
// and reads the chosen program.
TEST(Programs, TheHostIsAskedToReadTheParametersAgainAfterTheEditorsChoice) {
    static std::atomic<int> calls{0};
    static std::atomic<float> mainVolumeRead{-1.0f};
    static std::atomic<std::thread::id> audioThread{};
    static std::atomic<bool> fromAudioThread{false};
    calls = 0;
    audioThread = std::this_thread::get_id();
    auto host = [](AEffect* effect, int32 opcode, int32, intptr, void*, float) -> intptr {
        if (opcode == audioMasterVersion) return 2400;
        if (opcode != audioMasterUpdateDisplay) return 0;
        mainVolumeRead = effect->getParameter(effect, 1);
        if (std::this_thread::get_id() == audioThread.load()) fromAudioThread = true;
        calls.fetch_add(1);
        return 1;
    };
    auto plugin = std::make_unique<APlugin>(host);
    plugin->resume();
    applyPending(*plugin);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(calls.load(), 0) << "the start-up program was announced";
    constexpr int CHOSEN = 37;
    ASSERT_NE(builtinProgramValues(CHOSEN)[1], builtinProgramValues(0)[1]);
    plugin->setDemoProgram(CHOSEN);
    applyPending(*plugin);
    for (int wait = 0; wait < 500 && calls.load() < 1; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(calls.load(), 1);
    EXPECT_FALSE(fromAudioThread.load());
    EXPECT_FLOAT_EQ(mainVolumeRead.load(), builtinProgramValues(CHOSEN)[1]);
    plugin.reset();
}

// A plug-in whose worker pauses in the middle of a pass, at the first answer
// named that it asks for (the tuning job asks for the tuning switch, the
// sample job for the sample switch as it starts a load), and goes on only
// once it has been asked to stop: a pass under way as the host closes the
// plug-in, whatever the timing. Its state is static: it outlives the object
// that the close deletes. What the close left is read as it returns, before
// that deletion, which joins the worker whatever the close did.
class TPausingPlugin : public APlugin {
public:
    inline static std::atomic<int> pauseAt{-1};
    inline static std::atomic<bool> paused{false}, resumed{false};
    inline static std::atomic<bool> closed{false}, resumedAtClose{false}, runningAtClose{true};

    TPausingPlugin(audioMasterCallback host, int tag) : APlugin(host), hostThread(std::this_thread::get_id()) {
        paused = resumed = closed = resumedAtClose = false;
        runningAtClose = true;
        pauseAt = tag;
    }
    void close() override {
        APlugin::close();
        resumedAtClose = resumed.load();
        runningAtClose = TPluginTestAccess::worker(*this).isRunning();
        closed = true;
    }
    using APlugin::getOnOff;
    bool getOnOff(int tag) const override {
        const bool on = APlugin::getOnOff(tag);
        if (tag == pauseAt.load() && std::this_thread::get_id() != hostThread && !paused.exchange(true)) {
            TPluginWorker& worker = TPluginTestAccess::worker(const_cast<TPausingPlugin&>(*this));
            while (worker.isRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            resumed = true;
        }
        return on;
    }

private:
    const std::thread::id hostThread;
};

// Once the host has sent effClose, no thread of the plug-in calls it: the
// host may be tearing the instance down on that very thread. The worker's
// pass under way finishes (the close waits for it) without announcing the
// program applied just before, and nothing starts the worker again.
TEST(Programs, NoHostCallOnceTheCloseHasBegun) {
    static std::atomic<bool> closeSent{false};
    static std::atomic<int> callsAfterClose{0}, opcodeAfterClose{-1};
    auto host = [](AEffect*, int32 opcode, int32, intptr, void*, float) -> intptr {
        if (opcode == audioMasterVersion) return 2400;
        if (closeSent.load()) {
            callsAfterClose.fetch_add(1);
            opcodeAfterClose = opcode;
        }
        return 0;
    };
    const struct {
        const char* why;
        int pauseAt;
    } cases[] = {
        {"a tuning file being read", tag::HAS_TUNING},
        {"a user sample being loaded", tag::SAMPLE_LOADED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        closeSent = false;
        callsAfterClose = 0;
        auto* plugin = new TPausingPlugin(host, c.pauseAt);
        AEffect* effect = plugin->getAeffect();
        plugin->resume();
        applyPending(*plugin);
        effect->dispatcher(effect, effSetProgram, 0, 0, nullptr, 0);
        applyPending(*plugin);
        for (int wait = 0; wait < 1000 && !TPausingPlugin::paused.load(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(TPausingPlugin::paused.load()) << "the worker never reached the pause";
        // Applied while the pass is under way: the pass would announce it.
        effect->dispatcher(effect, effSetProgram, 0, 0, nullptr, 0);
        applyPending(*plugin);

        closeSent = true;
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
        ASSERT_TRUE(TPausingPlugin::closed.load()) << "effClose did not reach the plug-in's close";
        EXPECT_TRUE(TPausingPlugin::resumedAtClose.load()) << "the close did not wait for the pass";
        EXPECT_FALSE(TPausingPlugin::runningAtClose.load()) << "the close left the worker running";
        EXPECT_EQ(callsAfterClose.load(), 0) << "opcode " << opcodeAfterClose.load() << " reached the host";
    }

    // A resume after the close is not a thing a host does; it starts no thread all the same.
    closeSent = false;
    auto plugin = std::make_unique<APlugin>(host);
    plugin->resume();
    plugin->close();
    plugin->resume();
    EXPECT_FALSE(TPluginTestAccess::worker(*plugin).isRunning());
}

// Compare, revert and clear, from an applied program with two edits.
TEST(Programs, CompareRevertAndClear) {
    constexpr int EDITED = 28, LATE = 2, SOURCE_MODE = 10, NAME_SLOT = PRESET_NAME_PARAM;
    constexpr float APPLIED = 0.8f, EDIT = 0.3f, LATE_EDIT = 0.9f, SOURCE_EDIT = 0.7f;
    enum Step { ORIG, EDIT_BACK, CLEAR, SET_LATE, COMMAND_14 };
    const struct {
        const char* why;
        std::vector<Step> steps;
        float edited, late, sourceMode;  // < 0: the default
        bool editChanged, resetAsked;
    } cases[] = {
        {"the applied program", {ORIG}, APPLIED, 0.5f, 0.0f, false, true},
        {"back to the edits", {ORIG, EDIT_BACK}, EDIT, 0.5f, SOURCE_EDIT, true, true},
        {"an edit while comparing joins the others", {ORIG, SET_LATE, EDIT_BACK}, EDIT, LATE_EDIT, SOURCE_EDIT, true, true},
        {"initialised", {CLEAR}, -1, -1, -1, true, true},
        {"the applied program after initialising", {CLEAR, ORIG}, APPLIED, 0.5f, 0.0f, false, true},
        {"command 14 is nothing, not even a reset", {COMMAND_14}, EDIT, 0.5f, SOURCE_EDIT, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto plugin = std::make_unique<APlugin>(nullptr);
        TParameterValues& values = TPluginTestAccess::values(*plugin);
        values.programs[0].values[EDITED] = APPLIED;
        values.programs[0].values[LATE] = 0.5f;
        values.programs[0].values[SOURCE_MODE] = 0.0f;
        plugin->setProgram(0);
        applyPending(*plugin);
        const float name = values.programs[0].values[NAME_SLOT];
        ASSERT_GT(name, 0.0f) << "the program's name is spelled into its parameters";
        plugin->setParameter(EDITED, EDIT);
        plugin->setParameter(SOURCE_MODE, SOURCE_EDIT);
        plugin->takeEditorRequests();
        TEngineTestAccess::engine(TPluginTestAccess::engine(*plugin)).resetRequested = false;
        for (Step step : c.steps) {
            switch (step) {
            case ORIG: plugin->doFileCommands(11); break;
            case EDIT_BACK: plugin->doFileCommands(12); break;
            case CLEAR: plugin->doFileCommands(13); break;
            case SET_LATE: plugin->setParameter(LATE, LATE_EDIT); break;
            case COMMAND_14: plugin->doFileCommands(14); break;
            }
        }
        const struct {
            int tag;
            float expected;
        } checks[] = {{EDITED, c.edited}, {LATE, c.late}, {SOURCE_MODE, c.sourceMode}};
        for (const auto& check : checks) {
            const float expected = check.expected < 0 ? plugin->getDefaultValue(check.tag) : check.expected;
            EXPECT_FLOAT_EQ(values.curValue[static_cast<std::size_t>(check.tag)], expected) << check.tag;
            EXPECT_FLOAT_EQ(plugin->getParameter(check.tag), expected) << check.tag << ": the host reads it too";
        }
        EXPECT_FLOAT_EQ(values.origValue[EDITED], APPLIED) << "the applied program is never changed";
        EXPECT_FLOAT_EQ(values.programs[0].values[NAME_SLOT], name) << "the name stays";
        EXPECT_EQ(plugin->getEditChanged(), c.editChanged);
        EXPECT_EQ(TEngineTestAccess::engine(TPluginTestAccess::engine(*plugin)).resetRequested.load(), c.resetAsked);
        EXPECT_FALSE(plugin->takeEditorRequests().redraw) << "no editor open, no redraw";
        EXPECT_FALSE(TPluginTestAccess::flags(*plugin).presetPending.load()) << "no program is requested";
    }
}

}  // namespace
