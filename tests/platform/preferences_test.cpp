// The preference store: round trips of every kind, the machine-wide
// fallback, persistence across instances and processes, audio-thread access,
// and a store file that survives its writer being killed at any moment.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "test_folders.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"

namespace {

using platform_test::readFile;
using platform_test::writeFile;

class Preferences : public platform_test::PlatformTest {
protected:
    std::string readString(const std::string& key, int maxLen = 255) {
        char buffer[PREFS_STRING_BUFFER_SIZE];
        std::memset(buffer, 'z', sizeof buffer);
        loadStringFromPrefs(key, buffer, maxLen);
        return buffer;
    }
    // What a fresh process would read: the store is read again from disk.
    void restart() {
        platform::flushPreferences();
        platform::reopenPreferences();
    }
};

TEST_F(Preferences, RoundTripsOfEveryKindSurviveARestart) {
    struct Case {
        const char* what;
        std::string key, value;
    };
    const Case strings[] = {
        {"a folder", "SampleDir", "/home/u/.local/share/Orventa/Kolbri/Samples/"},
        {"UTF-8 passes through", "ECSDir", "/home/u/Kl\xC3\xA4nge/ECS/"},
        {"escapes", "Weird", "back\\slash \"quoted\"\nsecond line\r=#"},
        {"a key with an equals sign and newline", "a=b\nc", "value"},
        {"a key that looks like a comment", "#hash", "v"},
        {"an empty value", "Empty", ""},
        {"254 bytes", "Long", std::string(254, 'L')},
    };
    for (const Case& c : strings) saveStringToPrefs(c.key, c.value);
    saveStringToPrefs("CString", "from C");
    saveIntToPrefs("MIDIChannel", 16);
    saveIntToPrefs("Negative", -2147483647 - 1);
    saveBoolToPrefs("ToolTip", true);
    saveBoolToPrefs("Animation", false);
    setMIDICC(7, 12);
    setMIDICC(127, 1023);
    restart();
    for (const Case& c : strings) {
        std::string read;
        loadStringFromPrefs(c.key, read, 256);
        EXPECT_EQ(read, c.value) << c.what;
    }
    EXPECT_EQ(readString("CString"), "from C");
    EXPECT_EQ(loadIntFromPrefs("MIDIChannel"), 16);
    EXPECT_EQ(loadIntFromPrefs("Negative"), -2147483647 - 1);
    EXPECT_TRUE(getRegisterIsOn("ToolTip", false));
    EXPECT_FALSE(getRegisterIsOn("Animation", true));
    EXPECT_EQ(readString("ToolTip"), "Y");
    EXPECT_EQ(getMIDICC(7), 12);
    EXPECT_EQ(getMIDICC(127), 1023);
    EXPECT_EQ(getMIDICC(8), 0);
    EXPECT_NE(readFile(prefsFile()).find("\n7=12\n"), std::string::npos) << "the tag is stored as an integer";
}

TEST_F(Preferences, MissingValuesAndWrongTypes) {
    saveStringToPrefs("Text", "abc");
    saveIntToPrefs("Number", 5);
    EXPECT_EQ(loadIntFromPrefs("Text"), 0) << "a string read as an integer";
    EXPECT_EQ(readString("Number"), "") << "an integer read as a string";
    EXPECT_EQ(loadIntFromPrefs("Missing"), 0);
    EXPECT_EQ(readString("Missing"), "");
    EXPECT_EQ(getMIDICC(200), 0);
    EXPECT_EQ(getMIDICC(-1), 0);
    setMIDICC(-1, 5);  // no such controller: nothing stored
    setMIDICC(128, 5);
    restart();
    EXPECT_EQ(loadIntFromPrefs("-1"), 0);
    EXPECT_EQ(loadIntFromPrefs("128"), 0);

    // A text must fit maxLen - 1 bytes to count.
    saveStringToPrefs("Tuning", std::string(127, 't'));
    EXPECT_EQ(readString("Tuning", 127), "");
    EXPECT_EQ(readString("Tuning", 128), std::string(127, 't'));
    EXPECT_EQ(readString("Tuning", 1), "");
    EXPECT_EQ(readString("Tuning", 100000), std::string(127, 't')) << "maxLen is held at 256";
    char untouched[4] = "abc";
    loadStringFromPrefs("Tuning", untouched, 0);
    EXPECT_STREQ(untouched, "abc") << "no room, nothing written";
}

TEST_F(Preferences, OnOffReadsOnlyExactYAndN) {
    struct Case {
        const char* stored;  // nullptr: key missing
        bool defaultValue;
        bool expected;
    };
    const Case cases[] = {
        {"Y", false, true}, {"N", true, false}, {"y", false, false}, {"y", true, true},  {"YES", false, false},
        {"", true, true},   {"", false, false}, {nullptr, true, true}, {"NN", true, true}, {" Y", false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string key = "Switch" + std::to_string(n++);
        if (c.stored) saveStringToPrefs(key, c.stored);
        EXPECT_EQ(getRegisterIsOn(key, c.defaultValue), c.expected) << (c.stored ? c.stored : "(missing)");
    }
}

TEST_F(Preferences, MachineWideValuesAnswerAndAreCopiedToTheUser) {
    writeFile(machineFile(),
              "# machine-wide defaults\n"
              "SampleDir=\"/srv/kolbri/Samples/\"\n"
              "ECSDir=\"/srv/kolbri/ECS/\"\n"
              "Shared=\"\"\n"
              "Channel=3\n"
              "TooLong=\"" + std::string(300, 'x') + "\"\n");
    saveStringToPrefs("ECSDir", "");  // an empty user value counts as missing
    restart();
    EXPECT_EQ(readString("SampleDir"), "/srv/kolbri/Samples/");
    EXPECT_EQ(readString("ECSDir", 127), "/srv/kolbri/ECS/");
    EXPECT_EQ(readString("Shared"), "");
    EXPECT_EQ(loadIntFromPrefs("Channel"), 0) << "integers are never taken from the machine";
    EXPECT_EQ(readString("TooLong"), "");
    platform::flushPreferences();
    std::string user = readFile(prefsFile());
    EXPECT_NE(user.find("SampleDir=\"/srv/kolbri/Samples/\"\n"), std::string::npos) << user;
    EXPECT_NE(user.find("ECSDir=\"/srv/kolbri/ECS/\"\n"), std::string::npos) << user;
    EXPECT_NE(user.find("Shared=\"\"\n"), std::string::npos) << "an empty machine value is copied as well";
    EXPECT_EQ(user.find("TooLong"), std::string::npos);
    EXPECT_EQ(user.find("Channel"), std::string::npos);

    // From then on the user's own store answers, even without the machine's.
    std::remove(machineFile().c_str());
    restart();
    EXPECT_EQ(readString("SampleDir"), "/srv/kolbri/Samples/");
    // A value the user saves is never replaced by a pending copy.
    writeFile(machineFile(), "Later=\"machine\"\n");
    restart();
    EXPECT_EQ(readString("Later"), "machine");
    saveStringToPrefs("Later", "mine");
    restart();
    EXPECT_EQ(readString("Later"), "mine");
}

TEST_F(Preferences, DamagedStoreFileKeepsItsGoodLines) {
    writeFile(prefsFile(),
              "Good=\"kept\"\n"
              "no equals sign\n"
              "Cut=\"never closed\n"
              "Junk=12abc\n"
              "Fraction=12.7\n"
              "Huge=99999999999\n"
              "Windows=\"crlf\"\r\n"
              "\n"
              "=\"empty key\"\n"
              "Binary=\"\x01\x02\xff\"\n");
    restart();
    EXPECT_EQ(readString("Good"), "kept");
    EXPECT_EQ(readString("Cut"), "");
    EXPECT_EQ(loadIntFromPrefs("Junk"), 0);
    EXPECT_EQ(loadIntFromPrefs("Fraction"), 12) << "a fraction truncates";
    EXPECT_EQ(loadIntFromPrefs("Huge"), 2147483647);
    EXPECT_EQ(readString("Windows"), "crlf");
    EXPECT_EQ(readString(""), "empty key");
    EXPECT_EQ(readString("Binary"), "\x01\x02\xff");
    // Garbage of every byte value parses without harm.
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>(random());
    writeFile(prefsFile(), garbage);
    restart();
    saveStringToPrefs("After", "garbage");
    restart();
    EXPECT_EQ(readString("After"), "garbage");
}

TEST_F(Preferences, AudioThreadBindingsAreSeenAtOnceAndPersistedPromptly) {
    // The audio thread stores a learned controller without waiting for the disk.
    std::thread audio([] {
        for (int c = 0; c < 128; ++c) setMIDICC(c, c + 1);
        setMIDICC(7, 12);
    });
    audio.join();
    EXPECT_EQ(getMIDICC(7), 12);
    EXPECT_EQ(getMIDICC(0), 1);
    EXPECT_EQ(loadIntFromPrefs("127"), 128);
    // No flush: the store's own writer must get them to the disk.
    auto persisted = [&] {
        const std::string stored = readFile(prefsFile());
        return stored.find("\n7=12\n") != std::string::npos && stored.find("\n127=128\n") != std::string::npos;
    };
    EXPECT_TRUE(platform_test::waitUntil(persisted)) << readFile(prefsFile());
    // A direct write wins over an older audio-thread write.
    setMIDICC(9, 99);
    saveIntToPrefs("9", 3);
    restart();
    EXPECT_EQ(getMIDICC(9), 3);
}

TEST_F(Preferences, TwoInstancesOnManyThreadsLoseNothing) {
    // Two plug-in instances: their editors write settings while their audio
    // threads read switches and learn controllers.
    saveBoolToPrefs("MIDICapture", true);
    std::atomic<bool> running{true};
    std::atomic<int> wrongReads{0};
    std::vector<std::thread> threads;
    for (int instance = 0; instance < 2; ++instance) {
        threads.emplace_back([&, instance] {
            while (running) {
                if (!getRegisterIsOn("MIDICapture", false)) ++wrongReads;
                for (int c = instance; c < 128; c += 2) setMIDICC(c, 500 + c);
            }
        });
        threads.emplace_back([instance] {
            for (int i = 0; i < 25; ++i)
                saveStringToPrefs("Instance" + std::to_string(instance) + "Key" + std::to_string(i), std::to_string(i));
        });
    }
    threads[1].join();
    threads[3].join();
    running = false;
    threads[0].join();
    threads[2].join();
    EXPECT_EQ(wrongReads, 0);
    restart();
    for (int instance = 0; instance < 2; ++instance)
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(readString("Instance" + std::to_string(instance) + "Key" + std::to_string(i)), std::to_string(i));
    for (int c = 0; c < 128; ++c) EXPECT_EQ(getMIDICC(c), 500 + c) << c;
}

// ---- across processes

constexpr const char* CHILD_VARIABLE = "KOLBRI_PREFS_CHILD";

// Child side: does what the variable says, with the XDG folders it inherited.
TEST(PreferencesChild, Run) {
    const char* role = std::getenv(CHILD_VARIABLE);
    if (!role) GTEST_SKIP() << "runs only as a child of the tests below";
    platform::reopenPreferences();
    if (std::string(role) == "write-once") {
        saveStringToPrefs("FromChild", "child value");
        saveIntToPrefs("ChildNumber", 77);
        setMIDICC(3, 33);  // persisted by the writer at exit at the latest
        return;
    }
    if (std::string(role) == "write-forever") {
        // Many keys with long values, so that the writes take long enough to
        // be killed in the middle of one.
        for (unsigned long long round = 0;; ++round) {
            std::string value = "n=" + std::to_string(round) + ";" + std::string(200, 'p');
            saveStringToPrefs("Key" + std::to_string(round % 40), value);
        }
    }
}

TEST_F(Preferences, ValuesWrittenByAnotherProcessAreRead) {
    saveStringToPrefs("FromParent", "parent value");
    pid_t child = platform_test::spawnChildTest("PreferencesChild.Run", CHILD_VARIABLE, "write-once");
    ASSERT_EQ(platform_test::waitChild(child, std::chrono::seconds(30)), 0);
    // The running store notices the other process's file on its own; it may
    // have read it between the child's writes, so the wait is for all three.
    auto seen = [&] {
        return readString("FromChild") == "child value" && loadIntFromPrefs("ChildNumber") == 77 && getMIDICC(3) == 33;
    };
    platform_test::waitUntil(seen);
    EXPECT_EQ(readString("FromChild"), "child value");
    EXPECT_EQ(loadIntFromPrefs("ChildNumber"), 77);
    EXPECT_EQ(getMIDICC(3), 33);
    EXPECT_EQ(readString("FromParent"), "parent value") << "the child merged, not replaced";
    saveStringToPrefs("AfterChild", "x");
    restart();
    EXPECT_EQ(readString("FromChild"), "child value");
    EXPECT_EQ(readString("AfterChild"), "x");
}

// Checks one store file as written by the looping child: every value present
// must be whole.
void expectWholeStore(const std::string& content, int attempt) {
    size_t keys = 0;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "attempt " << attempt << ": the last line is cut";
        std::string line = content.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        size_t equals = line.find('=');
        ASSERT_NE(equals, std::string::npos) << line;
        std::string value = line.substr(equals + 1);
        ASSERT_GE(value.size(), 2u);
        ASSERT_EQ(value.front(), '"');
        ASSERT_EQ(value.back(), '"');
        std::string text = value.substr(1, value.size() - 2);
        ASSERT_EQ(text.rfind("n=", 0), 0u) << text;
        ASSERT_EQ(text.substr(text.find(';') + 1), std::string(200, 'p')) << "attempt " << attempt;
        ++keys;
    }
    EXPECT_GT(keys, 0u);
}

TEST_F(Preferences, AStoreKilledMidWriteIsNeverLeftUnreadable) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayMicroseconds(0, 30000);
    for (int attempt = 0; attempt < 25; ++attempt) {
        // Each child starts on no store, and is killed only once it has
        // written one: then the kill lands among its writes however long its
        // start took.
        ::unlink(prefsFile().c_str());
        pid_t child = platform_test::spawnChildTest("PreferencesChild.Run", CHILD_VARIABLE, "write-forever");
        ASSERT_GT(child, 0);
        const bool writing = platform_test::waitUntil([&] { return platform_test::fileExists(prefsFile()); });
        if (writing) std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(writing) << "attempt " << attempt << ": the child wrote no store";
        expectWholeStore(readFile(prefsFile()), attempt);
        // The store reads it, and the next write after the crash works.
        restart();
        char text[PREFS_STRING_BUFFER_SIZE];
        loadStringFromPrefs("Key0", text, 256);
        saveStringToPrefs("Key0", "n=0;" + std::string(200, 'p'));
    }
}

TEST_F(Preferences, OtherProductsIntegers) {
    saveIntToE9Prefs("Size", 9);
    saveIntToE12Prefs("Size", 12);
    restart();
    EXPECT_EQ(loadIntFromE9Prefs("Size"), 9);
    EXPECT_EQ(loadIntFromE10Prefs("Size"), 0);
    EXPECT_EQ(loadIntFromE12Prefs("Size"), 12);
    EXPECT_EQ(loadIntFromPrefs("Size"), 0) << "each product has its own domain";
    EXPECT_TRUE(platform_test::fileExists(configHome + "/com.OVTA.Vistamo9.prefs"));
}

TEST_F(Preferences, ResourcesFolderBesideTheLibrary) {
    std::string contents = root + "/Kolbri.vst/Contents";
    ASSERT_TRUE(platform::makeDirectoryPath(contents + "/x86_64-linux"));
    std::string library = contents + "/x86_64-linux/Kolbri.so";
    EXPECT_EQ(platform::resourcePathForLibrary(library), "") << "no Resources folder yet";
    ASSERT_TRUE(platform::makeDirectoryPath(contents + "/Resources"));
    char resolved[PATH_MAX];
    ASSERT_NE(realpath((contents + "/Resources").c_str(), resolved), nullptr);
    EXPECT_EQ(platform::resourcePathForLibrary(library), resolved);
    // Whatever this test program's own answer is, it fits and has no trailing '/'.
    char out[1024];
    std::memset(out, 'z', sizeof out);
    getResourcePath(out, 1023);
    ASSERT_LT(strnlen(out, sizeof out), sizeof out);
    if (out[0]) {
        EXPECT_NE(out[std::strlen(out) - 1], '/');
    }
    getResourcePath(out, 2);
    EXPECT_STREQ(out, "") << "a path that does not fit is no path";
}

}  // namespace
