// What a host sees of Kolbri through the binary interface alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "tools/testhost/TestHost.h"

using namespace vst;

namespace {

std::unique_ptr<testhost::Plugin> loadKolbri(testhost::HostConfig config = {}) {
    auto plugin = testhost::Host(config).load(KOLBRI_SO_PATH);
    EXPECT_NE(plugin, nullptr) << testhost::Host::lastError();
    return plugin;
}

TEST(HostIdentity, RecordAndNamesAreWhatTheHostExpects) {
    auto plugin = loadKolbri();
    ASSERT_TRUE(plugin);
    AEffect* effect = plugin->effect();
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 1024);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(testhost::fourCharText(effect->uniqueID), "klbr");
    EXPECT_EQ(effect->flags & effFlagsIsSynth, effFlagsIsSynth);
    EXPECT_EQ(effect->flags & effFlagsCanReplacing, effFlagsCanReplacing);
    EXPECT_EQ(effect->flags & effFlagsHasEditor, effFlagsHasEditor) << "the editor object exists, unopened";
    EXPECT_EQ(effect->flags & effFlagsProgramChunks, 0) << "the test host is not a chunk host";
    EXPECT_FLOAT_EQ(effect->ioRatio, 1.0f);
    EXPECT_NE(effect->processReplacing, nullptr);

    EXPECT_EQ(plugin->effectName(), "Kolbri");
    EXPECT_EQ(plugin->productString(), "Kolbri");
    EXPECT_EQ(plugin->vendorString(), "Orventa");
    EXPECT_EQ(plugin->vendorVersion(), 65536);
    EXPECT_EQ(plugin->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plugin->dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(plugin->dispatch(__effIdentifyDeprecated), fourCharCode('N', 'v', 'E', 'f'));
    EXPECT_EQ(plugin->textOverruns(), 0);
}

TEST(HostIdentity, CapabilityAnswers) {
    auto plugin = loadKolbri();
    ASSERT_TRUE(plugin);
    struct Case {
        const char* text;
        bool expected;
    } cases[] = {
        {"receiveVstEvents", true},      {"receiveVstMidiEvent", true}, {"receiveVstTimeInfo", true},
        {"NKSCallbacks", true},          {"sendVstMidiEvent", false},   {"sendVstEvents", false},
        {"receiveVstMidiEvents", false},  // only exact matches count
        {"RECEIVEVSTEVENTS", false},     {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(plugin->canDo(c.text), c.expected) << c.text;
    EXPECT_EQ(plugin->dispatch(effCanDo, 0, 0, nullptr), 0) << "a null text is answered with 0";
}

TEST(HostIdentity, OutputPinsAreTwoLabelledStereoPins) {
    auto plugin = loadKolbri();
    ASSERT_TRUE(plugin);
    struct Case {
        int index;
        bool answered;
        const char* label;
    } cases[] = {{0, true, "Kolbri 1"}, {1, true, "Kolbri 2"}, {2, false, ""}, {-1, false, ""}, {1000, false, ""}};
    for (const Case& c : cases) {
        VstPinProperties pin{};
        std::memset(&pin, 0x5a, sizeof pin);
        pin.label[0] = 0;
        EXPECT_EQ(plugin->dispatch(effGetOutputProperties, c.index, 0, &pin), c.answered ? 1 : 0) << c.index;
        if (c.answered) {
            EXPECT_STREQ(pin.label, c.label);
            EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
        } else {
            EXPECT_EQ(pin.label[0], 0) << "nothing is written for pin " << c.index;
        }
    }
    VstPinProperties pin{};
    EXPECT_EQ(plugin->dispatch(effGetInputProperties, 0, 0, &pin), 0);
    EXPECT_EQ(plugin->dispatch(effGetOutputProperties, 0, 0, nullptr), 0);
}

TEST(HostIdentity, DefaultAnswersOfTheBaseLayers) {
    auto plugin = loadKolbri();
    ASSERT_TRUE(plugin);
    struct Case {
        const char* what;
        int32 opcode;
        int32 index;
        intptr value;
        intptr expected;
    } cases[] = {
        {"program number", effGetProgram, 0, 0, 0},
        {"editor rectangle with nowhere to put it", effEditGetRect, 0, 0, 0},
        {"editor open without a window", effEditOpen, 0, 0, 0},
        {"key down while the editor is closed", effEditKeyDown, 'a', 0, 0},
        {"knob mode, taken by the editor", effSetEditKnobMode, 0, 2, 1},
        {"copy program (retired)", __effCopyProgramDeprecated, 0, 0, 0},
        {"connect input (retired)", __effConnectInputDeprecated, 0, 0, 0},
        {"keys required (retired)", __effKeysRequiredDeprecated, 0, 0, 0},
        {"tail size", effGetTailSize, 0, 0, 0},
        {"current MIDI program", effGetCurrentMidiProgram, 0, 0, -1},
        {"total samples to process", effSetTotalSampleToProcess, 0, 4410, 4410},
        {"bypass", effSetBypass, 0, 1, 0},
        {"MIDI input channels", effGetNumMidiInputChannels, 0, 0, 0},
        {"can be automated", effCanBeAutomated, 5, 0, 1},
        {"unknown opcode", 200, 0, 0, 0},
        {"negative opcode", -3, 0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plugin->dispatch(c.opcode, c.index, c.value, nullptr), c.expected) << c.what;
}

TEST(HostIdentity, OnlyValidProgramNumbersAreAccepted) {
    auto plugin = loadKolbri();
    ASSERT_TRUE(plugin);
    for (intptr program : {intptr{1}, intptr{-1}, intptr{-2147483647}, intptr{1000}}) {
        plugin->dispatch(effSetProgram, 0, program);
        EXPECT_EQ(plugin->dispatch(effGetProgram), 0) << "program " << program;
    }
    plugin->dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
}

TEST(HostIdentity, HostDetectionDecidesChunkPrograms) {
    struct Case {
        const char* product;
        const char* vendor;
        bool chunks;
        const char* why;
    } cases[] = {
        {"REAPER", "Cockos", true, "exact product"},
        {"reaper", "", true, "any mix of cases"},
        {"ReApEr", "", true, "any mix of cases"},
        {"REAPER64", "", false, "a longer product only begins with it"},
        {"Maschine 2", "", true, "begins with MASCHINE"},
        {"maschine", "", true, "begins with MASCHINE, lower case"},
        {"Komplete Kontrol", "", true, "begins with KOMPLETE"},
        {"Kore Player", "", true, "begins with KORE"},
        {"Studio", "Propellerhead", true, "vendor begins with PROP"},
        {"Anything", "prop", true, "vendor PROP in any case"},
        {"orvstudio", "", true, "the maker's own host"},
        {"", "", false, "a host that says nothing"},
        {"Ardour", "Paul Davis", false, "an ordinary host"},
    };
    for (const Case& c : cases) {
        testhost::HostConfig config;
        config.productString = c.product;
        config.vendorString = c.vendor;
        auto plugin = loadKolbri(config);
        ASSERT_TRUE(plugin) << c.why;
        EXPECT_EQ((plugin->effect()->flags & effFlagsProgramChunks) != 0, c.chunks) << c.product << " / " << c.vendor
                                                                                      << ": " << c.why;
    }
}

TEST(HostIdentity, NksPropertiesAreAnsweredOnlyToNksHosts) {
    auto request = [](unsigned upper, int id) { return static_cast<int32>((upper << 16) | static_cast<unsigned>(id)); };
    testhost::HostConfig nks;
    nks.productString = "Maschine 2";
    auto plugin = loadKolbri(nks);
    ASSERT_TRUE(plugin);

    struct ValueCase {
        int id;
        intptr answer;
        std::int64_t value;
        int bytes;
    } values[] = {{12, 1, 3, 4}, {13, 1, 0, 4}, {32, 1, 1, 8}, {99, 0, 0, 0}};
    for (const ValueCase& c : values) {
        std::int64_t written = -7;
        EXPECT_EQ(plugin->dispatch(effVendorSpecific, request(0x4E49, c.id), 0, &written), c.answer) << c.id;
        if (c.bytes == 4) {
            EXPECT_EQ(static_cast<std::int32_t>(written & 0xffffffff), c.value) << c.id;
        } else if (c.bytes == 8) {
            EXPECT_EQ(written, c.value) << c.id;
        }
    }
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, request(0x4E49, 28), 0, nullptr), 1) << "id 28 needs no buffer";
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, request(0x4E49, 12), 0, nullptr), 0) << "id 12 needs a buffer";

    unsigned char info[16] = {};
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, request(0x4E69, 32), 0, info), 1);
    std::uint64_t size = 0;
    std::memcpy(&size, info, sizeof size);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(info[8], 1);
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, request(0x4E69, 13), 0, nullptr), 1);
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, request(0x4E69, 14), 0, info), 0);
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, fourCharCode('s', 't', 'C', 'A'), fourCharCode('W', 'h', 'e', 'e'),
                               nullptr, 1.0f),
              0)
        << "an NKS host is not served the wheel request";

    auto ordinary = loadKolbri();
    ASSERT_TRUE(ordinary);
    std::int64_t untouched = -7;
    EXPECT_EQ(ordinary->dispatch(effVendorSpecific, request(0x4E49, 12), 0, &untouched), 0);
    EXPECT_EQ(untouched, -7);
    EXPECT_EQ(ordinary->dispatch(effVendorSpecific, fourCharCode('s', 't', 'C', 'A'), fourCharCode('W', 'h', 'e', 'e'),
                                 nullptr, 1.0f),
              0)
        << "no open editor, no wheel";
}

TEST(HostIdentity, SilentBlocksOfEverySizeAreFinite) {
    auto plugin = loadKolbri();
    ASSERT_TRUE(plugin);
    plugin->start();
    AEffect* effect = plugin->effect();
    for (int frames : {0, 1, 17, 512, 4096}) {
        std::vector<float> left(static_cast<size_t>(frames) + 1, std::numeric_limits<float>::quiet_NaN());
        std::vector<float> right(left);
        std::vector<float> inputLeft(left.size(), 0.0f), inputRight(left.size(), 0.0f);
        float* outputs[2] = {left.data(), right.data()};
        float* inputs[2] = {inputLeft.data(), inputRight.data()};
        effect->processReplacing(effect, inputs, outputs, frames);
        for (int i = 0; i < frames; ++i) {
            ASSERT_TRUE(std::isfinite(left[static_cast<size_t>(i)]) && std::isfinite(right[static_cast<size_t>(i)]))
                << frames << " frames, frame " << i;
        }
        EXPECT_TRUE(std::isnan(left[static_cast<size_t>(frames)])) << "wrote past the block of " << frames;
    }
}

TEST(HostIdentity, OnlyTheTwoEntryFunctionsAreExported) {
    std::string command = std::string("nm -D --defined-only '") + KOLBRI_SO_PATH + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> symbols;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        char address[64], type[8], name[900];
        if (std::sscanf(line, "%63s %7s %899s", address, type, name) == 3) symbols.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, (std::set<std::string>{"VSTPluginMain", "main_macho"}));
}

TEST(HostIdentity, ScanningManyTimesLoadsEveryInstanceCleanly) {
    // LeakSanitizer checks at exit that the hundred instances left nothing behind.
    testhost::ScanResult result = testhost::scanRepeatedly(KOLBRI_SO_PATH, 100);
    EXPECT_EQ(result.loaded, 100);
    EXPECT_EQ(result.failed, 0);
}

}  // namespace
