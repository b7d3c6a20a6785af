// The sample library built on its own, over an engine and a parameter store
// of the test's: how a load writes the program through the store it is given,
// and the worker's job loading the sample a program names.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/dsp/ParameterTags.h"
#include "engine/SampleState.h"
#include "engine/SoundEngine.h"
#include "engine/sample/SamplePathSlots.h"
#include "platform/test_folders.h"
#include "plugin/SampleLibrary.h"
#include "sample/sample_files.h"

namespace {

// One call of the store: "set" is the plain store; the others also tell the
// host, as the plug-in's do.
struct TStoreCall {
    std::string operation;
    int tag;
    float value;
};

// Keeps the values where the engine reads them and notes every write.
class TRecordingStore : public TSampleLibraryHost {
public:
    TRecordingStore(const TParameterAttributes& attr, TParameterValues& values) : attr(attr), values(values) {}
    float getParameter(int tag) override { return values.curValue[at(tag)]; }
    void setParameter(int tag, float value) override { store("set", tag, value); }
    bool getOnOff(int tag) const override { return values.curValue[at(tag)] >= 0.5f; }
    void setOn(int tag) override { store("setOn", tag, 1.0f); }
    void setOff(int tag) override { store("setOff", tag, 0.0f); }
    void setToDefault(int tag) override { store("setToDefault", tag, attr.defaultValue[at(tag)]); }
    int getSteppedValue(int tag) const override {
        return steppedValueOf(values.curValue[at(tag)], attr.steppedRange[at(tag)], attr.steppedNum[at(tag)]);
    }
    void setSteppedValue(int tag, int step) override {
        store("setSteppedValue", tag, static_cast<float>((step + 0.1) / attr.steppedRange[at(tag)]));
    }

    std::vector<TStoreCall> calls;

private:
    static std::size_t at(int tag) { return static_cast<std::size_t>(tag); }
    void store(const char* operation, int tag, float value) {
        calls.push_back({operation, tag, value});
        values.curValue[at(tag)] = value;
    }
    const TParameterAttributes& attr;
    TParameterValues& values;
};

struct TSilentEngineHost : TEngineHost {
    void applyProgramValues() override {}
    void setParameterFromEngine(int, float) override {}
    void updateEditorScreen() override {}
};

constexpr int FRAMES = 1001;  // a length of 1000: the loop 201..801 sits at 0.2..0.8

class SampleLibrary : public platform_test::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        initParameterModel(attr, values);
        root = dataHome + "/Orventa/Kolbri/Samples";
        std::filesystem::create_directories(root + "/Drums");
        writeWav(root + "/kick.wav", false);
        writeWav(root + "/loop.wav", true);
        writeWav(root + "/Drums/kick.wav", false);
        writeWav(dataHome + "/Orventa/Kolbri/outside.wav", false);
        library.readFolders();
        library.start();
    }

    static void writeWav(const std::string& path, bool looped) {
        samplefiles::Bytes data;
        for (int i = 0; i < FRAMES; ++i)
            samplefiles::le(data, static_cast<std::uint16_t>(std::lround(8000 * std::sin(i * 0.0628318))), 2);
        std::vector<samplefiles::TChunk> chunks{samplefiles::fmtChunk(1, 1, 48000, 16)};
        if (looped) chunks.push_back(samplefiles::smplChunk(1, 201, 801));
        chunks.push_back(samplefiles::TChunk{"data", data});
        const samplefiles::Bytes bytes = samplefiles::form(true, "WAVE", chunks);
        platform_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
    }

    // The path the program holds in 251..314, as a program brings it.
    void putStoredPath(const std::string& relative) {
        std::array<float, SAMPLE_NAME_SLOTS> slots{};
        ASSERT_TRUE(encodeSamplePath(relative, slots));
        for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k)
            values.curValue[static_cast<std::size_t>(SAMPLE_NAME_PARAM + k)] = slots[static_cast<std::size_t>(k)];
    }
    std::string storedPath() const {
        std::array<float, SAMPLE_NAME_SLOTS> slots{};
        for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k)
            slots[static_cast<std::size_t>(k)] = values.curValue[static_cast<std::size_t>(SAMPLE_NAME_PARAM + k)];
        return decodeSamplePath(slots.data());
    }

    TParameterAttributes attr;
    TParameterValues values;
    THandOffFlags flags;
    TSilentEngineHost engineHost;
    TSoundEngine engine{attr, values, flags, engineHost};
    TRecordingStore store{attr, values};
    TSampleLibrary library{engine, flags, store};
    std::string root;
};

// The switches reach the host as automation; the path and the points are
// plain stores (64 path slots sent to the host at every load would flood
// its automation lane), and nothing beyond the sample's own parameters moves.
TEST_F(SampleLibrary, ALoadWritesTheSamplesParametersThroughTheStore) {
    struct Case {
        const char* file;
        int listIndex;
        int loopModeStep;          // One Shot without a loop of the file's own, Loop with one
        float loopStart, loopEnd;  // the file's loop, or the whole sample
    } cases[] = {
        {"kick.wav", 0, 0, 0.0f, 1.0f},
        {"loop.wav", 1, 1, 0.2f, 0.8f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(library.getSampleNoDisplayNameStr(c.listIndex), c.file);
        store.calls.clear();
        flags.screenUpdatePending = false;
        library.loadSelectedSample(c.listIndex);
        ASSERT_TRUE(library.getSampleLoaded());
        EXPECT_TRUE(flags.screenUpdatePending) << "the editor is asked to refresh";
        EXPECT_EQ(storedPath(), c.file);
        EXPECT_EQ(store.getSteppedValue(tag::SAMPLE_LOOP_MODE), c.loopModeStep);

        std::map<int, TStoreCall> last;
        for (const TStoreCall& call : store.calls) {
            last[call.tag] = call;
            const int lastPathSlot = SAMPLE_NAME_PARAM + SAMPLE_NAME_SLOTS - 1;
            const bool own = call.tag == tag::SAMPLE_REV ||
                             (call.tag >= tag::SAMPLE_LOOP_MODE && call.tag <= lastPathSlot);
            EXPECT_TRUE(own) << "tag " << call.tag;
            if (call.tag >= SAMPLE_NAME_PARAM) {
                EXPECT_EQ(call.operation, "set") << "path slot " << call.tag;
            }
        }
        struct Expected {
            int tag;
            const char* operation;
            float value;  // NAN: the step is checked above
        } expected[] = {
            {tag::SAMPLE_LOADED, "setOn", 1.0f},
            {tag::SAMPLE_REV, "setOff", 0.0f},
            {tag::SAMPLE_VOLUME, "setToDefault", attr.defaultValue[tag::SAMPLE_VOLUME]},
            {tag::SAMPLE_LOOP_MODE, "setSteppedValue", NAN},
            {tag::SAMPLE_START, "set", 0.0f},
            {tag::SAMPLE_LOOP_START, "set", c.loopStart},
            {tag::SAMPLE_LOOP_END, "set", c.loopEnd},
        };
        for (const Expected& e : expected) {
            ASSERT_EQ(last.count(e.tag), 1u) << "tag " << e.tag << " is never written";
            EXPECT_EQ(last[e.tag].operation, e.operation) << "tag " << e.tag;
            if (!std::isnan(e.value)) {
                EXPECT_NEAR(last[e.tag].value, e.value, 1e-4f) << "tag " << e.tag;
            }
        }
    }
}

// The job runs where the plug-in's background thread would, with no plug-in
// around: it loads what the program names and writes nothing into that
// program, which the audio thread may be applying meanwhile.
TEST_F(SampleLibrary, TheSampleJobLoadsWhatTheProgramNamesAndWritesNothing) {
    struct Case {
        const char* what;
        const char* storedPath;
        bool loads;
        const char* badText;  // the start of getBadSampleStr
        const char* browsed;  // the folder the browser shows afterwards
        int selected;         // the loaded file's place in that folder's list, -1 for none
    } cases[] = {
        {"a file in a sub-folder", "Drums/kick.wav", true, "!", "Drums", 0},
        {"a file deleted since", "Drums/gone.wav", false, "Sample Not Found:", "", -1},
        {"a path that leaves the root, to a file that exists", "../outside.wav", false, "Sample Not Found:", "", -1},
        {"a leading separator, as a root kept without its trailing one stores it", "/Drums/kick.wav", true, "!", "Drums", 0},
        {"several leading separators", "///kick.wav", true, "!", "", 1},
        {"leading separators do not hide a climb out of the root", "//../outside.wav", false, "Sample Not Found:", "", -1},
        {"a leading separator before a name that holds a backslash", "/Drums\\hat.wav", true, "!", "", 0},
    };
    // A root file whose Linux name holds a backslash, with no Drums/hat.wav
    // beside it: the name as stored is the only reading that finds a file.
    // It comes first in the root's list, before kick.wav.
    writeWav(root + "/Drums\\hat.wav", false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        values.curValue[tag::SAMPLE_LOADED] = 1.0f;
        putStoredPath(c.storedPath);
        store.calls.clear();
        engine.requestUserSampleForProgram();
        ASSERT_TRUE(engine.sampleSlots().userSample.isLoadPending());

        library.takeUserSampleRequest();
        EXPECT_FALSE(engine.sampleSlots().userSample.isLoadPending()) << "the request is answered";
        EXPECT_EQ(library.getSampleLoaded(), c.loads);
        EXPECT_EQ(library.getBadSampleStr().rfind(c.badText, 0), 0u) << library.getBadSampleStr();
        EXPECT_EQ(library.getCurSampleFolderDisplayNameStr(), c.browsed);
        EXPECT_EQ(library.getSampleNo(), c.selected);
        EXPECT_TRUE(store.calls.empty()) << store.calls.size() << " writes";
    }
}

}  // namespace
