// Loading, identity, the host callback and the instance lifecycle of the test
// host, checked from the plug-in's side with the echo plug-in.
#include <string>
#include <vector>

#include "vst/echo_host.h"

using echotest::EchoLibrary;
using testhost::Host;
using testhost::HostConfig;

TEST(HostLoading, RefusesWhatAHostMustRefuse) {
    EchoLibrary library;
    ASSERT_TRUE(library.ok());
    struct Case {
        const char* why;
        std::string path;
        echo::EntryMode mode;
        vst::intptr versionAnswer;
    };
    const std::vector<Case> cases = {
        {"a file that does not exist", "/nonexistent/Nothing.so", echo::entryNormal, 2400},
        {"a library without any entry function", "libm.so.6", echo::entryNormal, 2400},
        {"an entry that returns null", echotest::echoPath(), echo::entryReturnsNull, 2400},
        {"an effect record with a wrong magic number", echotest::echoPath(), echo::entryWrongMagic, 2400},
        {"a host that answers 0 to the version query gets nothing", echotest::echoPath(), echo::entryNormal, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        library.entryMode(c.mode);
        HostConfig config;
        config.versionAnswer = c.versionAnswer;
        Host host(config);
        EXPECT_EQ(host.load(c.path), nullptr);
        EXPECT_FALSE(Host::lastError().empty());
    }
    library.entryMode(echo::entryNormal);
    EXPECT_EQ(library.liveInstances(), 0);

    Host host;
    auto plugin = host.load(echotest::echoPath());
    ASSERT_NE(plugin, nullptr) << Host::lastError();
    EXPECT_TRUE(Host::lastError().empty());
}

TEST(HostLoading, SeesTheIdentityThroughTheInterface) {
    Host host;
    auto plugin = host.load(echotest::echoPath());
    ASSERT_NE(plugin, nullptr) << Host::lastError();
    vst::AEffect* effect = plugin->effect();
    EXPECT_EQ(effect->magic, vst::kEffectMagic);
    EXPECT_EQ(testhost::fourCharText(effect->uniqueID), "Echo");
    EXPECT_EQ(testhost::fourCharText(vst::fourCharCode('a', '\n', 'b', static_cast<char>(0xff))), "a?b?");
    EXPECT_EQ(effect->numParams, echo::kNumParams);
    EXPECT_EQ(plugin->effectName(), "Echo");
    EXPECT_EQ(plugin->productString(), "Echo");
    EXPECT_EQ(plugin->vendorString(), "Kolbri Tests");
    EXPECT_EQ(plugin->vendorVersion(), 7);
    EXPECT_EQ(plugin->programName(), "Echo");
    EXPECT_TRUE(plugin->canDo("receiveVstMidiEvent"));
    EXPECT_FALSE(plugin->canDo("bypass"));  // the echo answers -1: "no" is not "yes"

    EXPECT_EQ(plugin->parameterName(0), "Gain");
    EXPECT_EQ(plugin->parameterLabel(0), "dB");
    plugin->setParameter(0, 0.25f);
    EXPECT_FLOAT_EQ(plugin->getParameter(0), 0.25f);
    EXPECT_EQ(plugin->parameterDisplay(0), "0.250");
    EXPECT_EQ(plugin->textOverruns(), 0);

    // The echo writes 100 characters where at most 63 belong: the host counts it.
    const std::string overlong = plugin->parameterName(echo::kOverlongNameParam);
    EXPECT_EQ(overlong.size(), static_cast<std::size_t>(echo::kOverlongNameLength));
    EXPECT_EQ(plugin->textOverruns(), 1);
}

TEST(HostCallback, AnswersLikeAHost) {
    HostConfig config;
    config.sampleRate = 44100;
    config.blockSize = 256;
    config.productString = "Product X";
    config.vendorString = "Vendor Y";
    config.vendorVersion = 4321;
    Host host(config);
    auto plugin = host.load(echotest::echoPath());
    ASSERT_NE(plugin, nullptr) << Host::lastError();

    struct Case {
        const char* why;
        vst::int32 opcode;
        const char* text;
        vst::intptr answer;
    };
    const std::vector<Case> cases = {
        {"version", vst::audioMasterVersion, nullptr, 2400},
        {"no shell plug-in is being loaded", vst::audioMasterCurrentId, nullptr, 0},
        {"the configured rate", vst::audioMasterGetSampleRate, nullptr, 44100},
        {"the configured block size", vst::audioMasterGetBlockSize, nullptr, 256},
        {"the configured vendor version", vst::audioMasterGetVendorVersion, nullptr, 4321},
        {"sends events", vst::audioMasterCanDo, "sendVstEvents", 1},
        {"sends MIDI", vst::audioMasterCanDo, "sendVstMidiEvent", 1},
        {"sends time info", vst::audioMasterCanDo, "sendVstTimeInfo", 1},
        {"receives events", vst::audioMasterCanDo, "receiveVstEvents", 1},
        {"receives MIDI", vst::audioMasterCanDo, "receiveVstMidiEvent", 1},
        {"resizes windows", vst::audioMasterCanDo, "sizeWindow", 1},
        {"no NKS callbacks unless configured", vst::audioMasterCanDo, "NIMKPIVendorSpecificCallbacks", 0},
        {"an unknown capability", vst::audioMasterCanDo, "offline", 0},
        {"an empty capability", vst::audioMasterCanDo, "", 0},
        {"a prefix of a capability", vst::audioMasterCanDo, "sendVst", 0},
        {"language is not offered", vst::audioMasterGetLanguage, nullptr, 0},
        {"vendor-specific requests are not understood", vst::audioMasterVendorSpecific, nullptr, 0},
        {"an opcode past the interface", 4711, nullptr, 0},
        {"a negative opcode", -3, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(echotest::callHost(*plugin, c.opcode, 0, 0, 0, c.text ? c.text : ""), c.answer);
    }

    std::string text;
    EXPECT_EQ(echotest::callHost(*plugin, vst::audioMasterGetProductString, 0, 0, 0, nullptr, &text), 1);
    EXPECT_EQ(text, "Product X");
    EXPECT_EQ(echotest::callHost(*plugin, vst::audioMasterGetVendorString, 0, 0, 0, nullptr, &text), 1);
    EXPECT_EQ(text, "Vendor Y");

    // Text opcodes with no buffer answer 0 and touch nothing.
    for (vst::int32 opcode :
         {vst::audioMasterGetProductString, vst::audioMasterGetVendorString, vst::audioMasterCanDo}) {
        echo::Request request;
        request.what = echo::callHost;
        request.hostOpcode = opcode;
        request.hostTextIsNull = 1;
        ASSERT_EQ(plugin->dispatch(vst::effVendorSpecific, echo::kEchoQuery, 0, &request), 1);
        EXPECT_EQ(request.hostAnswer, 0) << opcode;
    }

    HostConfig nks;
    nks.nksCallbacks = true;
    Host nksHost(nks);
    auto nksPlugin = nksHost.load(echotest::echoPath());
    ASSERT_NE(nksPlugin, nullptr);
    EXPECT_EQ(echotest::callHost(*nksPlugin, vst::audioMasterCanDo, 0, 0, 0, "NIMKPIVendorSpecificCallbacks"), 1);
    // Each instance answers from its own config.
    EXPECT_EQ(echotest::callHost(*plugin, vst::audioMasterCanDo, 0, 0, 0, "NIMKPIVendorSpecificCallbacks"), 0);
}

TEST(HostCallback, AnswersDuringTheEntryFromTheLoadingConfig) {
    struct Case {
        const char* why;
        std::string product, vendor;
        bool answerTimeInfo;
    };
    const std::string longText(100, 'p');
    const std::vector<Case> cases = {
        {"short strings pass whole", "Some Host", "Some Vendor", true},
        {"long strings are cut to 63 characters and terminated", longText, std::string(64, 'v'), true},
        {"exactly 63 characters fit", std::string(63, 'q'), "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        HostConfig config;
        config.productString = c.product;
        config.vendorString = c.vendor;
        config.sampleRate = 96000;
        config.blockSize = 64;
        config.answerTimeInfo = c.answerTimeInfo;
        Host host(config);
        auto plugin = host.load(echotest::echoPath());
        ASSERT_NE(plugin, nullptr) << Host::lastError();
        const echo::EntryAnswers entry = echotest::ask(*plugin, echo::entryAnswers).entry;
        EXPECT_EQ(entry.version, 2400);
        EXPECT_EQ(entry.sampleRate, 96000);
        EXPECT_EQ(entry.blockSize, 64);
        EXPECT_EQ(entry.timeInfoGiven, c.answerTimeInfo ? 1 : 0);
        EXPECT_EQ(std::string(entry.product), c.product.substr(0, 63));
        EXPECT_EQ(std::string(entry.vendor), c.vendor.substr(0, 63));
        EXPECT_EQ(entry.productBytesTouchedPastEnd, 0);
        EXPECT_EQ(entry.vendorBytesTouchedPastEnd, 0);
    }
}

TEST(HostCallback, RecordsEditsAndRequests) {
    Host host;
    auto plugin = host.load(echotest::echoPath());
    ASSERT_NE(plugin, nullptr);
    struct Call {
        vst::int32 opcode, index;
        vst::intptr value;
        float opt;
    };
    const std::vector<Call> recorded = {
        {vst::audioMasterBeginEdit, 2, 0, 0},     {vst::audioMasterAutomate, 2, 0, 0.75f},
        {vst::audioMasterEndEdit, 2, 0, 0},       {vst::audioMasterUpdateDisplay, 0, 0, 0},
        {vst::__audioMasterWantMidiDeprecated, 0, 1, 0}, {vst::audioMasterIdle, 0, 0, 0},
        {vst::audioMasterSizeWindow, 800, 600, 0},
    };
    // Queries are answered, not recorded.
    echotest::callHost(*plugin, vst::audioMasterVersion);
    echotest::callHost(*plugin, vst::audioMasterGetSampleRate);
    for (const Call& call : recorded) echotest::callHost(*plugin, call.opcode, call.index, call.value, call.opt);

    ASSERT_EQ(plugin->calls().size(), recorded.size());
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plugin->calls()[i].opcode, recorded[i].opcode);
        EXPECT_EQ(plugin->calls()[i].index, recorded[i].index);
        EXPECT_EQ(plugin->calls()[i].value, recorded[i].value);
        EXPECT_FLOAT_EQ(plugin->calls()[i].opt, recorded[i].opt);
    }
    plugin->clearCalls();
    EXPECT_TRUE(plugin->calls().empty());

    // The host's own view of the parameters: read at load, the value of each
    // automation, and everything read again when the plug-in asks (as it did
    // after automating parameter 2 above).
    EXPECT_EQ(plugin->parameterView(), (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}));
    plugin->setParameter(3, 0.25f);
    echotest::callHost(*plugin, vst::audioMasterAutomate, 1, 0, 0.125f);
    EXPECT_EQ(plugin->parameterView(), (std::vector<float>{0.5f, 0.125f, 0.5f, 0.5f}));
    echotest::callHost(*plugin, vst::audioMasterUpdateDisplay);
    EXPECT_EQ(plugin->parameterView(), (std::vector<float>{0.5f, 0.5f, 0.5f, 0.25f}));
    EXPECT_FALSE(plugin->calls().back().duringProcess);
}

TEST(HostLifecycle, StartsStopsAndClosesInTheOrderHostsUse) {
    EchoLibrary library;
    ASSERT_TRUE(library.ok());
    const int mainsOn = 1001, mainsOff = 1000;
    HostConfig config;
    config.sampleRate = 44100;
    Host host(config);
    {
        auto plugin = host.load(echotest::echoPath());
        ASSERT_NE(plugin, nullptr);
        EXPECT_EQ(library.lifecycle(), std::vector<int>{});
        plugin->start();
        plugin->start();  // already started: nothing more
        EXPECT_EQ(library.lifecycle(), (std::vector<int>{vst::effOpen, vst::effSetSampleRate, vst::effSetBlockSize,
                                                         mainsOn, vst::effStartProcess}));
        plugin->render(100);
        plugin->stop();
        plugin->start();  // a restart opens nothing again
        EXPECT_EQ(library.lifecycle(), (std::vector<int>{vst::effStopProcess, mainsOff, vst::effSetSampleRate,
                                                         vst::effSetBlockSize, mainsOn, vst::effStartProcess}));
    }
    EXPECT_EQ(library.lifecycle(), (std::vector<int>{vst::effStopProcess, mainsOff, vst::effClose}));

    {
        auto plugin = host.load(echotest::echoPath());
        ASSERT_NE(plugin, nullptr);
        EXPECT_EQ(library.liveInstances(), 1);
    }
    EXPECT_EQ(library.lifecycle(), std::vector<int>{vst::effClose});  // never started: only closed
    EXPECT_EQ(library.liveInstances(), 0);

    {
        auto plugin = host.load(echotest::echoPath());
        ASSERT_NE(plugin, nullptr);
        plugin->render(10);  // rendering starts an instance that was not started
    }
    EXPECT_EQ(library.lifecycle(), (std::vector<int>{vst::effOpen, vst::effSetSampleRate, vst::effSetBlockSize,
                                                     mainsOn, vst::effStartProcess, vst::effStopProcess, mainsOff,
                                                     vst::effClose}));
}

TEST(HostLifecycle, ANewBlockSizeOrRateIsSentBeforeTheNextRender) {
    EchoLibrary library;
    ASSERT_TRUE(library.ok());
    const int mainsOn = 1001, mainsOff = 1000;
    HostConfig config;
    config.blockSize = 64;
    Host host(config);
    auto plugin = host.load(echotest::echoPath());
    ASSERT_NE(plugin, nullptr);
    plugin->render(128);
    plugin->config().tempo = 90;  // the transport changes nothing for the plug-in's set-up
    plugin->render(128);
    library.lifecycle();
    plugin->config().blockSize = 256;
    plugin->render(512);
    plugin->config().sampleRate = 96000;
    plugin->render(256);
    const std::vector<int> restart = {vst::effStopProcess, mainsOff,  vst::effSetSampleRate, vst::effSetBlockSize,
                                      mainsOn,             vst::effStartProcess};
    std::vector<int> twice = restart;
    twice.insert(twice.end(), restart.begin(), restart.end());
    EXPECT_EQ(library.lifecycle(), twice);

    const std::vector<echo::SeenTime> blocks = echotest::seenTimes(*plugin);
    ASSERT_EQ(blocks.size(), 2u + 2u + 2u + 1u);
    EXPECT_EQ(blocks[3].blockFrames, 64);
    EXPECT_EQ(blocks[4].blockFrames, 256);
    EXPECT_DOUBLE_EQ(blocks[5].info.sampleRate, 48000);
    EXPECT_DOUBLE_EQ(blocks[6].info.sampleRate, 96000);
    EXPECT_EQ(plugin->framesRendered(), 1024);
}

TEST(HostLifecycle, InstancesOfOneLibraryOutliveEachOther) {
    Host host;
    auto first = host.load(echotest::echoPath());
    auto second = host.load(echotest::echoPath());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    first->render(64);
    first.reset();
    // The library must still be mapped for the second instance to run.
    const testhost::Stereo audio = second->render(64);
    ASSERT_EQ(audio.frames(), 64);
    EXPECT_EQ(audio.left[63], 63.0f);
}

TEST(HostScan, HundredScansInOneProcessLeaveNothingBehind) {
    EchoLibrary library;
    ASSERT_TRUE(library.ok());
    const testhost::ScanResult result = testhost::scanRepeatedly(echotest::echoPath(), 100);
    EXPECT_EQ(result.loaded, 100);
    EXPECT_EQ(result.failed, 0);
    EXPECT_GT(result.seconds, 0.0);
    EXPECT_EQ(library.liveInstances(), 0);
    const std::vector<int> lifecycle = library.lifecycle();
    std::vector<int> expected;
    for (int i = 0; i < 100; ++i) {
        expected.push_back(vst::effOpen);
        expected.push_back(vst::effClose);
    }
    EXPECT_EQ(lifecycle, expected);  // never resumed, never given a rate

    const testhost::ScanResult missing = testhost::scanRepeatedly("/nonexistent/Nothing.so", 3);
    EXPECT_EQ(missing.loaded, 0);
    EXPECT_EQ(missing.failed, 3);
}
