// Message boxes, the text-input window and the file dialogs: headless
// answers, answers scripted through the seam, and the zenity command lines
// as a stand-in zenity sees them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "test_folders.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

namespace platform {
// Buttons by name in the failure messages.
void PrintTo(TDesktopButton button, std::ostream* out) {
    *out << (button == TDesktopButton::ok ? "OK" : button == TDesktopButton::cancel ? "Cancel" : "closed");
}
}  // namespace platform

namespace {

using platform::TDesktopAnswer;
using platform::TDesktopButton;
using platform::TDesktopKind;
using platform::TDesktopRequest;

class Dialogs : public platform_test::PlatformTest {
protected:
    // Answers every request with the given answer and records the requests.
    void script(TDesktopAnswer answer) {
        platform::setDesktopScript([this, answer](const TDesktopRequest& request) {
            requests.push_back(request);
            return answer;
        });
    }
    static TDesktopAnswer button(TDesktopButton which) {
        TDesktopAnswer answer;
        answer.button = which;
        return answer;
    }
    static TDesktopAnswer typed(const std::string& text) {
        TDesktopAnswer answer = button(TDesktopButton::ok);
        answer.text = text;
        return answer;
    }
    static TDesktopAnswer chosen(std::vector<std::string> paths) {
        TDesktopAnswer answer = button(TDesktopButton::ok);
        answer.paths = std::move(paths);
        return answer;
    }
    // Stand-ins for zenity and xdg-open in a folder of the test's own. They
    // use nothing but the shell's built-ins, so PATH may hold that folder
    // alone. zenity writes its arguments, one a line, and answers as
    // answer() tells it; xdg-open waits at a gate (a named pipe) until the
    // test lets it go, then writes the word it was let go with and its
    // argument.
    void makeStandIns() {
        bin = root + "/bin";
        mkdir(bin.c_str(), 0700);
        platform_test::writeFile(bin + "/zenity",
                                 "#!/bin/sh\n"
                                 "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$FAKE_ZENITY_ARGS\"\n"
                                 "printf '%s' \"$FAKE_ZENITY_OUTPUT\"\n"
                                 "exit \"$FAKE_ZENITY_EXIT\"\n");
        chmod((bin + "/zenity").c_str(), 0700);
        platform_test::writeFile(bin + "/xdg-open",
                                 "#!/bin/sh\n"
                                 "exec 3< \"$FAKE_OPEN_GATE_FIFO\"\n"
                                 "read gate <&3\n"
                                 "printf '%s:%s' \"$gate\" \"$1\" > \"$FAKE_ZENITY_ARGS.open\"\n");
        chmod((bin + "/xdg-open").c_str(), 0700);
        setenv("FAKE_ZENITY_ARGS", (root + "/args").c_str(), 1);
        setenv("FAKE_OPEN_GATE_FIFO", (root + "/gate").c_str(), 1);
        mkfifo((root + "/gate").c_str(), 0600);
    }
    void answer(const std::string& output, int exitCode) {
        setenv("FAKE_ZENITY_OUTPUT", output.c_str(), 1);
        setenv("FAKE_ZENITY_EXIT", std::to_string(exitCode).c_str(), 1);
    }
    std::string args() const { return platform_test::readFile(root + "/args"); }
    bool zenityRan() const { return platform_test::fileExists(root + "/args"); }
    // Lets a waiting stand-in xdg-open go on; false when none opened the
    // gate within the bound.
    bool openGate(const std::string& word) {
        int gate = -1;
        platform_test::waitUntil([&] {
            gate = ::open((root + "/gate").c_str(), O_WRONLY | O_NONBLOCK);
            return gate >= 0;
        });
        if (gate < 0) return false;
        std::string line = word + "\n";
        bool written = ::write(gate, line.data(), line.size()) == static_cast<ssize_t>(line.size());
        ::close(gate);
        return written;
    }

    void TearDown() override {
        // A stand-in xdg-open that a fault left waiting at its gate goes on.
        int gate = ::open((root + "/gate").c_str(), O_WRONLY | O_NONBLOCK);
        if (gate >= 0) {
            (void)!::write(gate, "late\n", 5);
            ::close(gate);
        }
        platform_test::PlatformTest::TearDown();
    }

    std::vector<TDesktopRequest> requests;
    std::string bin;
};

// Without a display (and without a script) every box answers at once as a
// closed window: no answer, an empty entry, unchanged outputs; neither
// zenity nor xdg-open is started, wherever they are.
TEST_F(Dialogs, HeadlessAnswersAtOnceAsAClosedWindow) {
    makeStandIns();
    answer("/chosen\n", 0);
    struct Case {
        const char* what;
        std::string path;
        platform::TDesktopPrograms named;
    };
    const Case cases[] = {
        {"nothing installed", "/nonexistent", {}},
        {"both on PATH", bin, {}},
        {"both named", "/nonexistent", {bin + "/zenity", bin + "/xdg-open"}},
    };
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setenv("PATH", c.path.c_str(), 1);
        platform::setDesktopPrograms(c.named);
        EXPECT_EQ(messageBox("Problem with Kolbri.raw file", 2), 0);
        EXPECT_EQ(messageBox(std::string("Sure?"), 1), 0);
        EXPECT_EQ(messageBoxCancel("Sure?"), 0);
        char buffer[PLATFORM_TEXT_SIZE] = "440";
        inputBox("A4 Tuning: 220 to 880Hz, 440Hz Default", "220 to 880", buffer);
        EXPECT_STREQ(buffer, "");
        std::string result = "stale";
        int value = 5;
        EXPECT_FALSE(inputBoxNumStr("text", "MIDI Channel", result, 0, 16, value));
        EXPECT_EQ(value, -1);
        EXPECT_EQ(result, "");
        std::string spare, folder = "/keep/", path = "/keep/a.ecs";
        fileSelectLoadDirStr("Load ECS", "/x", "Load", "*.ecs", spare, folder, path);
        fileSelectSaveDirStr("Save ECS", "/x", "Save", "Kolbri.ecs", folder, path);
        EXPECT_EQ(folder, "/keep/");
        EXPECT_EQ(path, "/keep/a.ecs");
        EXPECT_FALSE(BrowseFolder("/x", folder));
        EXPECT_EQ(folder, "/keep/");
        EXPECT_TRUE(platform::chooseFilesToOpen("Sample Loader", "/x", "*.wav").empty());
        EXPECT_FALSE(platform::openWithDesktop("/tmp"));
        EXPECT_FALSE(platform::desktopDialogsAvailable());
        EXPECT_FALSE(zenityRan());
    }
    setenv("PATH", savedPath.c_str(), 1);
    // Had an xdg-open started, it would be waiting at the gate now.
    EXPECT_FALSE(platform_test::fileExists(root + "/args.open"));
}

TEST_F(Dialogs, MessageBoxResults) {
    struct Case {
        const char* what;
        int type;
        TDesktopButton pressed;
        int expected;
    };
    const Case cases[] = {
        {"OK and Cancel, Cancel pressed", 1, TDesktopButton::cancel, 2},
        {"OK and Cancel, OK pressed", 1, TDesktopButton::ok, 1},
        {"OK only, OK pressed", 2, TDesktopButton::ok, 1},
        {"window closed", 1, TDesktopButton::closed, 0},
        {"any other type is OK only", 7, TDesktopButton::ok, 1},
    };
    for (const Case& c : cases) {
        requests.clear();
        script(button(c.pressed));
        EXPECT_EQ(messageBox(std::string("Problem with ECS File"), c.type), c.expected) << c.what;
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].kind, TDesktopKind::messageBox);
        EXPECT_EQ(requests[0].text, "Problem with ECS File");
        EXPECT_EQ(requests[0].okCancel, c.type == 1) << c.what;
    }
    requests.clear();
    script(button(TDesktopButton::ok));
    EXPECT_EQ(messageBox(static_cast<const char*>(nullptr), 2), 0);
    EXPECT_EQ(messageBox2("", 2), 0);
    EXPECT_TRUE(requests.empty()) << "nothing is shown for a null or empty text";
    EXPECT_EQ(messageBox(std::string(), 2), 1) << "an empty header still shows the box";
    EXPECT_EQ(messageBoxCancel("Sure?"), 1);
    EXPECT_TRUE(requests.back().okCancel);

    // The number notices show an OK-only box with the decimal text.
    struct NumberCase {
        void (*show)();
        const char* text;
    };
    const NumberCase numbers[] = {
        {[] { outInt(-17); }, "-17"},
        {[] { outFloat(1.25f); }, "12500"},
        {[] { outFloat(-0.00005f); }, "0"},
        {[] { outFloat(std::numeric_limits<float>::quiet_NaN()); }, "0"},
        {[] { outFloat(1e30f); }, "2147483647"},
    };
    for (const NumberCase& n : numbers) {
        n.show();
        EXPECT_EQ(requests.back().text, n.text);
        EXPECT_FALSE(requests.back().okCancel);
    }
}

TEST_F(Dialogs, TextInputStartsWithTheBufferAndReturnsTheEntry) {
    script(typed("523"));
    char buffer[PLATFORM_TEXT_SIZE] = "440";
    inputBox(std::string("A4 Tuning: 220 to 880Hz, 440Hz Default"), std::string("220 to 880"), buffer);
    EXPECT_STREQ(buffer, "523");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, TDesktopKind::textInput);
    EXPECT_EQ(requests[0].initialText, "440");
    EXPECT_EQ(requests[0].headline, "220 to 880");  // the second argument is the headline
    EXPECT_EQ(requests[0].text, "A4 Tuning: 220 to 880Hz, 440Hz Default");

    script(button(TDesktopButton::cancel));
    std::strcpy(buffer, "440");
    inputBox("text", "headline", buffer);
    EXPECT_STREQ(buffer, "") << "Cancel empties the buffer";

    // UTF-8 passes through unchanged.
    script(typed("Kl\xC3\xA4nge"));
    EXPECT_EQ(inputBoxStr("New Sample Folder Name", "Create Sample Folder"), "Kl\xC3\xA4nge");
    EXPECT_EQ(requests.back().initialText, "") << "the string form starts empty";

    // An entry longer than the buffer is cut at a whole character.
    std::string longEntry = std::string(254, 'a') + "\xC3\xA4" + std::string(1000, 'b');
    script(typed(longEntry));
    std::memset(buffer, 0, sizeof buffer);
    inputBox("t", "h", buffer);
    EXPECT_EQ(std::string(buffer), std::string(254, 'a'));
    // A 1,000-character buffer content without a terminator inside 256 bytes
    // is read only as far as the buffer reaches.
    char unterminated[PLATFORM_TEXT_SIZE];
    std::memset(unterminated, 'q', sizeof unterminated);
    script(button(TDesktopButton::ok));
    inputBox("t", "h", unterminated);
    EXPECT_EQ(requests.back().initialText.size(), 255u);
    EXPECT_STREQ(unterminated, "");
}

TEST_F(Dialogs, NumberEntryIsStrict) {
    struct Case {
        const char* entry;
        const char* filtered;
        int value;
        bool result;  // for the range 0..127
        const char* why;
    };
    const Case cases[] = {
        {"abc", "", -1, false, "no number at all"},
        {" -12 dB", "-12", -12, false, "units dropped; out of range below"},
        {"64", "64", 64, true, "plain"},
        {"1e3", "13", 13, true, "the exponent letter is dropped"},
        {"-", "-", -1, false, "a lone minus sign"},
        {"128", "128", 128, false, "out of range above, value kept"},
        {"12.5", "12.5", 12, true, "stops at the point"},
        {"3-4", "3-4", 3, true, "stops at the second sign"},
        {".5", ".5", -1, false, "starts with a point"},
        {"+7", "+7", 7, true, "explicit plus"},
        {"-.5", "-.5", -1, false, "sign followed by a point"},
        {"99999999999", "99999999999", -1, false, "beyond int"},
        {"-2147483648", "-2147483648", INT32_MIN, false, "the smallest int"},
    };
    for (const Case& c : cases) {
        script(typed(c.entry));
        std::string result;
        int value = 99;
        EXPECT_EQ(inputBoxNumStr("MIDI CC", "MIDI CC (0 - 127)", result, 0, 127, value), c.result) << c.why;
        EXPECT_EQ(result, c.filtered) << c.why;
        EXPECT_EQ(value, c.value) << c.why;
        int plainValue = 99;
        bool plain = inputBoxNumStr("MIDI CC", "MIDI CC (0 - 127)", result, plainValue);
        EXPECT_EQ(plain, c.value != -1 || std::string(c.filtered) == "-1") << c.why;
        EXPECT_EQ(plainValue, c.value) << c.why;
    }
}

TEST_F(Dialogs, OpenDialogFiltersAndFolders) {
    struct FilterCase {
        const char* filter;
        std::vector<std::string> extensions;  // the last is the default
    };
    const FilterCase filters[] = {
        {"*.wav;*.aif;*.aiff", {"wav", "aif", "aiff"}},
        {"*.ecs", {"ecs"}},
        {"*.", {}},
        {"*.;*.tun", {"tun"}},
        {"*.tar.gz", {"tar.gz", "gz"}},
        {"", {}},
    };
    for (const FilterCase& c : filters) {
        requests.clear();
        script(chosen({"/Users/x/ECS/a.ecs"}));
        std::string spare = "spare", folder, path;
        fileSelectLoadDirStr("Load ECS", "/Users/x/ECS", "Load", c.filter, spare, folder, path);
        ASSERT_EQ(requests.size(), 1u) << c.filter;
        EXPECT_EQ(requests[0].extensions, c.extensions) << c.filter;
        EXPECT_EQ(requests[0].title, "Load ECS");
        EXPECT_EQ(requests[0].startFolder, "/Users/x/ECS");
        EXPECT_EQ(path, "/Users/x/ECS/a.ecs");
        EXPECT_EQ(folder, "/Users/x/ECS/") << "the folder keeps its trailing slash";
        EXPECT_EQ(spare, "spare");
    }

    struct ChoiceCase {
        const char* what;
        TDesktopAnswer answer;
        std::string folder, path;
    };
    const std::string tooLong = "/" + std::string(300, 'p') + ".ecs";
    const ChoiceCase choices[] = {
        {"cancel keeps both", button(TDesktopButton::cancel), "/old/", "/old/f.ecs"},
        {"two files are no choice", chosen({"/a/1.ecs", "/a/2.ecs"}), "/old/", "/old/f.ecs"},
        {"a path too long to hold is a cancel", chosen({tooLong}), "/old/", "/old/f.ecs"},
        {"a path without a slash is its own folder", chosen({"a.ecs"}), "a.ecs", "a.ecs"},
        {"an empty choice empties only the path", chosen({""}), "/old/", ""},
    };
    for (const ChoiceCase& c : choices) {
        script(c.answer);
        std::string spare, folder = "/old/", path = "/old/f.ecs";
        fileSelectLoadDirStr("Load ECS", "/x", "Load", "*.ecs", spare, folder, path);
        EXPECT_EQ(folder, c.folder) << c.what;
        EXPECT_EQ(path, c.path) << c.what;
        char folderOut[PLATFORM_TEXT_SIZE] = "/old/", pathOut[PLATFORM_TEXT_SIZE] = "/old/f.ecs";
        fileSelectLoadDir("Load ECS", nullptr, "Load", "*.ecs", nullptr, folderOut, pathOut);
        EXPECT_EQ(std::string(folderOut), c.folder) << c.what;
        EXPECT_EQ(std::string(pathOut), c.path) << c.what;
    }
    // A filter too long for its buffer opens nothing.
    requests.clear();
    script(chosen({"/a/b.wav"}));
    std::string spare, folder = "/old/", path = "/old/f";
    fileSelectLoadDirStr("t", "/x", "Load", std::string(300, '*'), spare, folder, path);
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(path, "/old/f");
}

TEST_F(Dialogs, SaveDialogForcesTheDefaultExtension) {
    struct Case {
        const char* defaultName;
        const char* chosenPath;
        const char* path;
        const char* folder;
    };
    const Case cases[] = {
        {"Kolbri.ecs", "/Users/x/b", "/Users/x/b.ecs", "/Users/x"},
        {"Kolbri.ecs", "/Users/x/b.txt", "/Users/x/b.ecs", "/Users/x"},
        {"Kolbri.ecs", "/Users/x/my.song.wav", "/Users/x/my.ecs", "/Users/x"},
        {"Kolbri.ecs", "/Users/x.y/b", "/Users/x.y/b.ecs", "/Users/x.y"},
        {"Kolbri.wave", "/Users/x/b.txt", "/Users/x/b.txt", "/Users/x"},
        {"Kolbri", "/Users/x/b", "/Users/x/b", "/Users/x"},
        {"Kolbri.ecs", "b", "b.ecs", "b.ecs"},
    };
    for (const Case& c : cases) {
        requests.clear();
        script(chosen({c.chosenPath}));
        std::string folder = "/old", path = "/old/f.ecs";
        fileSelectSaveDirStr("Save ECS", "/Users/x", "Save", c.defaultName, folder, path);
        EXPECT_EQ(path, c.path) << c.chosenPath;
        EXPECT_EQ(folder, c.folder) << c.chosenPath;
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].kind, TDesktopKind::saveFile);
        EXPECT_EQ(requests[0].defaultName, c.defaultName);
    }
    // Forcing the extension onto a 253-character path would exceed 255: a cancel.
    script(chosen({"/" + std::string(252, 'n')}));
    char folder[PLATFORM_TEXT_SIZE] = "/old", path[PLATFORM_TEXT_SIZE] = "/old/f.ecs";
    fileSelectSaveDir("Save ECS", "/x", "Save", "Kolbri.ecs", folder, path);
    EXPECT_STREQ(path, "/old/f.ecs");
    EXPECT_STREQ(folder, "/old");
}

TEST_F(Dialogs, FolderDialog) {
    script(chosen({"/home/u/Samples"}));
    std::string folder = "/old";
    EXPECT_TRUE(BrowseFolder("", folder));
    EXPECT_EQ(folder, "/home/u/Samples");
    EXPECT_EQ(requests.back().title, "Choose Folder");
    EXPECT_EQ(requests.back().kind, TDesktopKind::chooseFolder);
    EXPECT_EQ(requests.back().startFolder, "");
    char out[PLATFORM_TEXT_SIZE] = "/old";
    EXPECT_TRUE(BrowseFolder("/start", out));
    EXPECT_STREQ(out, "/home/u/Samples");
    EXPECT_EQ(requests.back().startFolder, "/start");

    script(chosen({"/a", "/b"}));
    folder = "/old";
    EXPECT_FALSE(BrowseFolder("/start", folder));
    EXPECT_EQ(folder, "/old");
    script(chosen({"/" + std::string(400, 'f')}));
    EXPECT_FALSE(BrowseFolder("/start", out));
    EXPECT_STREQ(out, "/home/u/Samples");

    // The multi-select open dialog keeps what fits and no more than asked.
    script(chosen({"/a/1.wav", "/" + std::string(300, 'x'), "/a/2.aif", "/a/3.wav"}));
    std::vector<std::string> files = platform::chooseFilesToOpen("Sample Loader", "/a", "*.wav;*.aif;*.aiff", 2);
    EXPECT_EQ(files, (std::vector<std::string>{"/a/1.wav", "/a/2.aif"}));
    EXPECT_TRUE(requests.back().multiple);
}

// Stand-ins for zenity and xdg-open, named to the dialog layer and alone on
// PATH, and a display variable that names no server (a socket in the test's
// own folder that nobody listens on): the stand-ins show what the real
// programs would be asked and answer as the test tells them, and nothing the
// test does can reach a real program or a real display.
class FakeZenity : public Dialogs {
protected:
    void SetUp() override {
        Dialogs::SetUp();
        makeStandIns();
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", bin.c_str(), 1);
        platform::setDesktopPrograms({bin + "/zenity", bin + "/xdg-open"});
        setenv("DISPLAY", (root + "/no-server").c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
        unsetenv("DISPLAY");
        Dialogs::TearDown();
    }

    std::string savedPath;
};

TEST_F(FakeZenity, MessageBoxes) {
    EXPECT_TRUE(platform::desktopDialogsAvailable());
    struct Case {
        int type;
        int exitCode;
        int expected;
        const char* firstArgument;
    };
    const Case cases[] = {
        {1, 0, 1, "--question"}, {1, 1, 2, "--question"}, {2, 0, 1, "--info"},
        {2, 1, 0, "--info"},     {1, 5, 0, "--question"}, {2, 255, 0, "--info"},
    };
    for (const Case& c : cases) {
        answer("", c.exitCode);
        EXPECT_EQ(messageBox(std::string("Problem with ECS File"), c.type), c.expected)
            << "type " << c.type << " exit " << c.exitCode;
        std::string seen = args();
        EXPECT_EQ(seen.rfind(std::string(c.firstArgument) + "\n", 0), 0u) << seen;
        EXPECT_NE(seen.find("--text=Problem with ECS File\n"), std::string::npos) << seen;
        EXPECT_NE(seen.find("--no-markup\n"), std::string::npos) << seen;
        EXPECT_EQ(seen.find("--cancel-label=Cancel\n") != std::string::npos, c.type == 1) << seen;
    }
}

// What zenity's entry dialog is asked, whole and in order: the headline as
// the first line of its label and the text as the second (zenity reads its
// escapes and mnemonics there, no markup), the preset text as it stands, and
// a width that gives the field 200 pixels.
TEST_F(FakeZenity, TextInputWindowArguments) {
    struct Case {
        const char* what;
        std::string headline, text, preset;
        std::string label;  // as zenity must be handed it
    };
    const Case cases[] = {
        {"the A4 box", "220 to 880", "A4 Tuning: 220 to 880Hz, 440Hz Default", "440",
         "220 to 880\nA4 Tuning: 220 to 880Hz, 440Hz Default"},
        {"a headline alone", "Create Sample Folder", "", "", "Create Sample Folder"},
        {"a text alone", "", "0 to 100%", "50.0", "0 to 100%"},
        {"escapes and mnemonics kept as typed", "MIDI CC: Pitch_Bend \\n", "C:\\x", "a\\b_c",
         "MIDI CC: Pitch__Bend \\\\n\nC:\\\\x"},
        {"markup is shown as it stands", "<b>Semi</b> & co", "-48 to +48 semi", "<i>0</i>",
         "<b>Semi</b> & co\n-48 to +48 semi"},
    };
    for (const Case& c : cases) {
        answer("", 1);
        TDesktopRequest request;
        request.kind = TDesktopKind::textInput;
        request.headline = c.headline;
        request.text = c.text;
        request.initialText = c.preset;
        EXPECT_EQ(platform::runDesktopRequest(request).button, TDesktopButton::cancel) << c.what;
        const std::string expected = "--entry\n--title=Kolbri\n--text=" + c.label + "\n--entry-text=" + c.preset +
                                     "\n--width=228\n--ok-label=OK\n--cancel-label=Cancel\n";
        EXPECT_EQ(args(), expected) << c.what;
    }
}

TEST_F(FakeZenity, TextInputAndChoosers) {
    answer("523\n", 0);
    char buffer[PLATFORM_TEXT_SIZE] = "440";
    inputBox("A4 Tuning: 220 to 880Hz, 440Hz Default", "220 to 880", buffer);
    EXPECT_STREQ(buffer, "523");
    std::string seen = args();
    EXPECT_NE(seen.find("--entry\n"), std::string::npos);
    EXPECT_NE(seen.find("--entry-text=440\n"), std::string::npos);
    EXPECT_NE(seen.find("--text=220 to 880\nA4 Tuning: 220 to 880Hz, 440Hz Default\n"), std::string::npos) << seen;

    answer("", 1);
    std::strcpy(buffer, "440");
    inputBox("t", "h", buffer);
    EXPECT_STREQ(buffer, "");

    answer("/home/u/Kolbri/a b.ecs\n", 0);
    std::string spare, folder, path;
    fileSelectLoadDirStr("Load ECS", "/home/u/Kolbri", "Load", "*.ecs;*.tun", spare, folder, path);
    EXPECT_EQ(path, "/home/u/Kolbri/a b.ecs");
    EXPECT_EQ(folder, "/home/u/Kolbri/");
    seen = args();
    EXPECT_NE(seen.find("--file-selection\n"), std::string::npos);
    EXPECT_NE(seen.find("--title=Load ECS\n"), std::string::npos);
    EXPECT_NE(seen.find("--filename=/home/u/Kolbri/\n"), std::string::npos);
    EXPECT_NE(seen.find("--file-filter=ecs tun | *.ecs *.ECS *.tun *.TUN\n"), std::string::npos) << seen;

    answer("/home/u/x\n", 0);
    fileSelectSaveDirStr("Save ECS", "/home/u", "Save", "Kolbri.ecs", folder, path);
    EXPECT_EQ(path, "/home/u/x.ecs");
    EXPECT_NE(args().find("--save\n"), std::string::npos);
    EXPECT_NE(args().find("--filename=/home/u/Kolbri.ecs\n"), std::string::npos);

    answer("/home/u/Samples\n", 0);
    EXPECT_TRUE(BrowseFolder("/home", folder));
    EXPECT_EQ(folder, "/home/u/Samples");
    EXPECT_NE(args().find("--directory\n"), std::string::npos);
    EXPECT_NE(args().find("--title=Choose Folder\n"), std::string::npos);

    answer("/a/1.wav\n/a/2.wav\n", 0);
    EXPECT_EQ(platform::chooseFilesToOpen("Sample Loader", "/a", "*.wav"),
              (std::vector<std::string>{"/a/1.wav", "/a/2.wav"}));
    EXPECT_NE(args().find("--multiple\n"), std::string::npos);

    answer("", 1);
    EXPECT_FALSE(BrowseFolder("/home", folder));
    EXPECT_EQ(folder, "/home/u/Samples");

    // The desktop's viewer gets the path as one argument, and we do not wait
    // for it: it is held at its gate until openWithDesktop has returned.
    const std::string document = "/home/u/Manual/Orventa Kolbri; rm -rf x.pdf";
    auto opened = std::async(std::launch::async, [&] { return platform::openWithDesktop(document); });
    const bool returned = opened.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    EXPECT_TRUE(returned) << "openWithDesktop waited for the viewer";
    ASSERT_TRUE(openGate(returned ? "after" : "late"));
    EXPECT_TRUE(opened.get());
    platform_test::waitUntil([&] { return platform_test::readFile(root + "/args.open") == "after:" + document; });
    EXPECT_EQ(platform_test::readFile(root + "/args.open"), "after:" + document);

    // A zenity that cannot run is a closed window, not a hang, and no other
    // zenity is looked for.
    chmod((bin + "/zenity").c_str(), 0600);
    EXPECT_FALSE(platform::desktopDialogsAvailable());
    EXPECT_EQ(messageBox("x", 1), 0);
}

// KOLBRI_ZENITY and KOLBRI_XDG_OPEN name the programs for a process whose
// code cannot be told (a plug-in library loaded by a host), or say "none";
// a program named to the dialog layer wins over them.
TEST_F(FakeZenity, TheEnvironmentNamesTheProgramsOrNone) {
    // An xdg-open that never waits, in place of the one at the gate.
    platform_test::writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$FAKE_ZENITY_ARGS.viewed\"\n");
    const char* const variables[2] = {"KOLBRI_ZENITY", "KOLBRI_XDG_OPEN"};
    std::optional<std::string> saved[2];
    for (int i = 0; i < 2; ++i)
        if (const char* value = std::getenv(variables[i])) saved[i] = value;
    using Setting = std::optional<std::string>;  // nullopt: not set
    struct Case {
        const char* what;
        Setting zenity, opener;
        std::string namedZenity;
        std::string path;
        bool dialogsShown;
        bool viewerRan;
    };
    const Case cases[] = {
        {"nothing set: the programs on PATH", std::nullopt, std::nullopt, "", bin, true, true},
        {"none: not even the ones on PATH", "none", "none", "", bin, false, false},
        {"named in the environment, nothing on PATH", bin + "/zenity", bin + "/xdg-open", "", "/nonexistent", true,
         true},
        {"a missing program named: no other is looked for", "/nonexistent/zenity", "/nonexistent/xdg-open", "", bin,
         false, false},
        {"named to the dialog layer: wins over none", "none", "none", bin + "/zenity", bin, true, false},
    };
    answer("", 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Setting settings[2] = {c.zenity, c.opener};
        for (int i = 0; i < 2; ++i)
            settings[i] ? setenv(variables[i], settings[i]->c_str(), 1) : unsetenv(variables[i]);
        setenv("PATH", c.path.c_str(), 1);
        platform::setDesktopPrograms({c.namedZenity, ""});
        ::unlink((root + "/args").c_str());
        ::unlink((root + "/args.viewed").c_str());

        EXPECT_EQ(platform::desktopDialogsAvailable(), c.dialogsShown);
        EXPECT_EQ(messageBox("Sure?", MESSAGE_BOX_OK_CANCEL), c.dialogsShown ? MESSAGE_BOX_OK : 0);
        EXPECT_EQ(zenityRan(), c.dialogsShown);
        EXPECT_EQ(platform::openWithDesktop("/home/u/a b"), c.viewerRan);
        if (c.viewerRan)
            platform_test::waitUntil([&] { return platform_test::fileExists(root + "/args.viewed"); });
        EXPECT_EQ(platform_test::fileExists(root + "/args.viewed"), c.viewerRan);
    }
    for (int i = 0; i < 2; ++i)
        saved[i] ? setenv(variables[i], saved[i]->c_str(), 1) : unsetenv(variables[i]);
}

// A host that reaps its children itself: one that ignores SIGCHLD (the
// kernel then reaps them and waitpid learns nothing), or one whose handler
// collects every child that ends.
void reapEveryChild(int) {
    const int saved = errno;
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    errno = saved;
}

// Sets the host's SIGCHLD disposition for its lifetime.
class HostChildSignal {
public:
    explicit HostChildSignal(void (*handler)(int)) {
        struct sigaction host {};
        host.sa_handler = handler;
        sigemptyset(&host.sa_mask);
        sigaction(SIGCHLD, &host, &saved);
    }
    ~HostChildSignal() { sigaction(SIGCHLD, &saved, nullptr); }

private:
    struct sigaction saved {};
};

TEST_F(FakeZenity, AnswersComeFromZenityWhateverTheHostDoesWithItsChildren) {
    struct Disposition {
        const char* what;
        void (*handler)(int);
    };
    const Disposition dispositions[] = {
        {"SIGCHLD default", SIG_DFL},
        {"SIGCHLD ignored", SIG_IGN},
        {"a handler that reaps every child", reapEveryChild},
    };
    struct Case {
        const char* what;
        TDesktopKind kind;
        bool okCancel;
        const char* output;
        int exitCode;
        TDesktopButton button;
        const char* text;
    };
    const Case cases[] = {
        {"OK on OK and Cancel", TDesktopKind::messageBox, true, "", 0, TDesktopButton::ok, ""},
        {"Cancel on OK and Cancel", TDesktopKind::messageBox, true, "", 1, TDesktopButton::cancel, ""},
        {"OK on a notice", TDesktopKind::messageBox, false, "", 0, TDesktopButton::ok, ""},
        {"a notice's window closed", TDesktopKind::messageBox, false, "", 1, TDesktopButton::closed, ""},
        {"zenity failed", TDesktopKind::messageBox, true, "", 5, TDesktopButton::closed, ""},
        {"an entry confirmed", TDesktopKind::textInput, false, "523\n", 0, TDesktopButton::ok, "523"},
        {"an entry cancelled", TDesktopKind::textInput, false, "", 1, TDesktopButton::cancel, ""},
        {"a folder chosen", TDesktopKind::chooseFolder, false, "/home/u\n", 0, TDesktopButton::ok, ""},
    };
    // Viewers that start, and one whose interpreter is missing, so that its
    // exec fails.
    platform_test::writeFile(bin + "/viewer", "#!/bin/sh\nprintf '%s' \"$1\" > \"$FAKE_ZENITY_ARGS.viewed\"\n");
    platform_test::writeFile(bin + "/broken-viewer", "#!/nonexistent/sh\n");
    chmod((bin + "/viewer").c_str(), 0700);
    chmod((bin + "/broken-viewer").c_str(), 0700);
    for (const Disposition& d : dispositions) {
        HostChildSignal host(d.handler);
        for (const Case& c : cases) {
            answer(c.output, c.exitCode);
            TDesktopRequest request;
            request.kind = c.kind;
            request.okCancel = c.okCancel;
            const TDesktopAnswer got = platform::runDesktopRequest(request);
            EXPECT_EQ(got.button, c.button) << d.what << ": " << c.what;
            EXPECT_EQ(got.text, c.text) << d.what << ": " << c.what;
        }
        answer("", 0);
        EXPECT_EQ(messageBox("Sure?", MESSAGE_BOX_OK_CANCEL), MESSAGE_BOX_OK) << d.what;

        ::unlink((root + "/args.viewed").c_str());
        platform::setDesktopPrograms({bin + "/zenity", bin + "/viewer"});
        EXPECT_TRUE(platform::openWithDesktop("/home/u/a b")) << d.what;
        platform_test::waitUntil([&] { return platform_test::readFile(root + "/args.viewed") == "/home/u/a b"; });
        EXPECT_EQ(platform_test::readFile(root + "/args.viewed"), "/home/u/a b") << d.what;
        platform::setDesktopPrograms({bin + "/zenity", bin + "/broken-viewer"});
        EXPECT_FALSE(platform::openWithDesktop("/home/u/a b")) << d.what << ": a viewer that cannot start";
        platform::setDesktopPrograms({bin + "/zenity", bin + "/xdg-open"});
    }
}

}  // namespace

namespace {

constexpr const char* HEADLESS_VARIABLE = "KOLBRI_HEADLESS_CHILD";

// Child side: a process with no display and no zenity on PATH uses every
// kind of box and the store, then exits; the parent times it.
TEST(HeadlessChild, Run) {
    if (!std::getenv(HEADLESS_VARIABLE)) GTEST_SKIP() << "runs only as a child of the test below";
    platform::reopenPreferences();
    char buffer[PLATFORM_TEXT_SIZE] = "15";
    if (messageBox("Problem with Kolbri.raw file", 2) != 0) std::exit(3);
    inputBox("Brick Filter Freq: 10 KHz - 40 KHz, 15 KHz Default", "KHz", buffer);
    if (buffer[0] != 0) std::exit(4);
    std::string folder = "/f", path = "/f/p", spare;
    fileSelectLoadDirStr("Load ECS", "/x", "Load", "*.ecs", spare, folder, path);
    if (BrowseFolder("/x", folder) || path != "/f/p") std::exit(5);
    saveBoolToPrefs("MIDICapture", true);
    setMIDICC(1, 42);  // left for the writer to persist on the way out
}

TEST_F(Dialogs, AProcessWithoutDisplayOrZenityNeverWaits) {
    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    pid_t child = platform_test::spawnChildTest("HeadlessChild.Run", HEADLESS_VARIABLE, "1");
    setenv("PATH", savedPath.c_str(), 1);
    // A box that waited for an answer would never return: the bound is only
    // reached by that fault.
    EXPECT_EQ(platform_test::waitChild(child, std::chrono::seconds(120)), 0);
    platform::reopenPreferences();
    EXPECT_TRUE(getRegisterIsOn("MIDICapture", false));
    EXPECT_EQ(getMIDICC(1), 42) << "the binding made on the way out was persisted at exit";
}

}  // namespace
