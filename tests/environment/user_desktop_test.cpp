// The tests as a user of the plug-in runs them on their own desktop: a home
// folder holding their samples and settings, zenity and xdg-open on PATH
// (stand-ins that note they were started), DISPLAY naming a live X server
// and WAYLAND_DISPLAY set too. The executables that reach the sample folder,
// the settings and the dialogs run there and pass, no window appears on the
// display, neither stand-in is started, and the home folder is as it was,
// byte for byte, with nothing in it even read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sample/sample_files.h"
#include "test_environment.h"
#include "window_test_support.h"

namespace {

namespace fs = std::filesystem;

struct Suite {
    const char* name;
    const char* path;
    // Cases that only render and measure, left out for time: they reach no
    // folder, setting or dialog that the others do not.
    const char* filter;
};

const Suite SUITES[] = {
    {"plugin_tests", PLUGIN_TESTS_PATH, "-Chunk.MutatedChunksLeaveThePluginPlaying:EditorReadoutsThreads.*"},
    {"sample_tests", SAMPLE_TESTS_PATH, "-SampleBankGenerator.*:BuiltInBank.TonalSamplesPlay110HzAtNote57"},
    {"sample_plugin_tests", SAMPLE_PLUGIN_TESTS_PATH,
     "-BuiltInSamples.TonalSamplesPlay110HzAtNote57ThroughThePlugin:BuiltInSamples.OffsetAndReverseMoveWhereASampleIsRead"},
    {"controls_tests", CONTROLS_TESTS_PATH, "-Gallery2.*:DisplayThreads.*"},
};

// Named by the executable in the test's name and its messages.
void PrintTo(const Suite& suite, std::ostream* out) { *out << suite.name; }

// A bound that only a test waiting for a window that never closes reaches.
constexpr auto RUN_LIMIT = std::chrono::minutes(15);

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A tenth of a second of a 16-bit mono tone, as a user's own sample.
std::string toneWav(double frequency) {
    const int rate = 44100, frames = rate / 10;
    samplefiles::Bytes data;
    for (int i = 0; i < frames; ++i) {
        const double x = std::sin(2 * std::numbers::pi * frequency * i / rate);
        samplefiles::le(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * x)), 2);
    }
    const samplefiles::Bytes wav =
        samplefiles::form(true, "WAVE", {samplefiles::fmtChunk(1, 1, rate, 16), {"data", data}});
    return std::string(wav.begin(), wav.end());
}

// A user's home after some use of the plug-in: two samples of their own, the
// folders the plug-in made, and settings that differ from a first start.
void makeUsersHome(const fs::path& home) {
    const fs::path kolbri = home / ".local/share/Orventa/Kolbri";
    writeFile(kolbri / "Samples/My Kick.wav", toneWav(55));
    writeFile(kolbri / "Samples/snare 02.wav", toneWav(180));
    fs::create_directories(kolbri / "ECS");
    fs::create_directories(kolbri / "Tuning");
    const std::string samples = (kolbri / "Samples/").string();
    writeFile(home / ".config/com.OVTA.Kolbri.prefs",
              "# Preferences of com.OVTA.Kolbri: one key a line, texts in quotes, integers bare.\n"
              "Big100=\"N\"\nBig150=\"Y\"\n"
              "ECSDir=\"" + (kolbri / "ECS/").string() + "\"\n"
              "ExternalSampleDir=\"" + samples + "\"\n"
              "Keyboard=\"N\"\nMIDIChannel=5\nOutputDisplay=\"N\"\n"
              "SampleDir=\"" + samples + "\"\n"
              "ToolTip=\"N\"\n");
    writeFile(home / ".config/com.OVTA.Kolbri.prefs.lock", "");
    fs::create_directories(home / ".cache");
    fs::create_directories(home / ".local/state");
}

// Everything that makes up the folder, by relative path: each entry's kind,
// permissions and modification time, and its bytes (or link target).
struct EntryState {
    std::string look;
    std::string bytes;
    bool operator==(const EntryState&) const = default;
};

std::map<std::string, EntryState> contentsOf(const fs::path& root) {
    std::map<std::string, EntryState> contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        std::ostringstream look;
        look << "mode " << std::oct << info.st_mode << std::dec << ", modified " << info.st_mtim.tv_sec << "."
             << info.st_mtim.tv_nsec << ", " << info.st_size << " bytes";
        EntryState state{look.str(), {}};
        if (S_ISREG(info.st_mode)) state.bytes = readFile(entry.path());
        if (S_ISLNK(info.st_mode)) state.bytes = fs::read_symlink(entry.path()).string();
        contents[fs::relative(entry.path(), root).string()] = state;
    }
    return contents;
}

// An access time far back in the past, older than every modification: a
// file system that keeps access times (relatime, the default) moves it on
// the next read of a file or listing of a folder. stat moves it for nothing.
const timespec LONG_AGO = {978307200, 0};  // 2001-01-01

void setLongAgo(const fs::path& path) {
    const timespec times[2] = {LONG_AGO, {0, UTIME_OMIT}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// The whole folder, listed first: listing a folder is a read of it.
void setAllLongAgo(const fs::path& root) {
    std::vector<fs::path> paths{root};
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) paths.push_back(entry.path());
    for (const fs::path& path : paths) setLongAgo(path);
}

std::vector<std::string> readSinceLongAgo(const fs::path& root) {
    // Each entry is looked at before the iterator lists it, if it is a folder.
    std::vector<std::string> read;
    auto check = [&](const fs::path& path) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && info.st_atim.tv_sec != LONG_AGO.tv_sec) read.push_back(path.string());
    };
    check(root);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) check(entry.path());
    return read;
}

bool accessTimesKept(const fs::path& folder) {
    const fs::path probe = folder / "probe";
    writeFile(probe, "probe");
    setLongAgo(probe);
    readFile(probe);
    struct stat info {};
    return ::lstat(probe.c_str(), &info) == 0 && info.st_atim.tv_sec != LONG_AGO.tv_sec;
}

// Watches the display for any window made or shown on it, by anyone.
class WindowWatch {
public:
    explicit WindowWatch(const std::string& display) : conn(xcb_connect(display.c_str(), nullptr)) {
        if (ok()) {
            const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
            xcb_change_window_attributes(conn, root(), XCB_CW_EVENT_MASK, &mask);
            roundTrip();
        }
    }
    ~WindowWatch() { xcb_disconnect(conn); }
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    bool ok() const { return !xcb_connection_has_error(conn); }

    // The windows made or mapped since the watch began, and the root's
    // children now.
    std::vector<std::string> seen() {
        roundTrip();
        std::vector<std::string> windows;
        while (xcb_generic_event_t* event = xcb_poll_for_event(conn)) {
            const int type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY)
                windows.push_back("made " + std::to_string(reinterpret_cast<xcb_create_notify_event_t*>(event)->window));
            if (type == XCB_MAP_NOTIFY)
                windows.push_back("shown " + std::to_string(reinterpret_cast<xcb_map_notify_event_t*>(event)->window));
            std::free(event);
        }
        auto* tree = xcb_query_tree_reply(conn, xcb_query_tree(conn, root()), nullptr);
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
                windows.push_back("on the root " + std::to_string(children[i]));
        }
        std::free(tree);
        return windows;
    }

private:
    xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root; }
    void roundTrip() { std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr)); }

    xcb_connection_t* conn;
};

// The environment a user's desktop session hands a program: this process's
// own, without what the test start-up set, with the user's home, display
// and PATH.
std::vector<std::string> usersEnvironment(const fs::path& home, const std::string& display, const fs::path& bin) {
    std::vector<std::string> variables = test_environment::environmentWithoutOwned({"PATH"});
    const char* path = std::getenv("PATH");
    variables.push_back("PATH=" + bin.string() + ":" + (path ? path : "/usr/bin:/bin"));
    variables.push_back("HOME=" + home.string());
    variables.push_back("DISPLAY=" + display);
    variables.push_back("WAYLAND_DISPLAY=wayland-kolbri-user");
    return variables;
}

// Runs the executable in the folder with its output to the log; its exit
// status, or -1 when it did not end by itself within the bound.
int runTests(const Suite& suite, std::vector<std::string> environment, const fs::path& folder, const fs::path& log) {
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string filter = std::string("--gtest_filter=") + suite.filter;
    std::string path = suite.path;
    char* argv[] = {path.data(), filter.data(), nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (output < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
        ::dup2(output, 1);
        ::dup2(output, 2);
        ::execve(path.c_str(), argv, envp.data());
        ::_exit(127);
    }
    if (child < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + RUN_LIMIT;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string lastLines(const std::string& text, std::size_t count) {
    std::size_t start = text.size();
    for (std::size_t lines = 0; start > 0 && lines <= count; --start)
        if (text[start - 1] == '\n') ++lines;
    return text.substr(start);
}

class UserDesktop : public ::testing::TestWithParam<Suite> {
protected:
    void SetUp() override {
        if (windowtest::XvfbServer::binary().empty()) GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
        folder = test_environment::makeTemporaryFolder("desktop");
    }
    void TearDown() override {
        std::error_code ignored;
        if (!folder.empty()) fs::remove_all(folder, ignored);
    }

    fs::path folder;
};

TEST_P(UserDesktop, TheTestsPassAndLeaveTheHomeAndTheDisplayAlone) {
    const Suite& suite = GetParam();
    const fs::path home = folder / "home", bin = folder / "bin", started = folder / "stand-ins started";
    makeUsersHome(home);
    for (const char* program : {"zenity", "xdg-open"}) {
        writeFile(bin / program, "#!/bin/sh\necho \"$0 $*\" >> '" + started.string() + "'\nexit 5\n");
        fs::permissions(bin / program, fs::perms::owner_all);
    }
    fs::create_directories(folder / "work");

    windowtest::XvfbServer xvfb;
    std::string error;
    ASSERT_TRUE(xvfb.start(error)) << error;
    WindowWatch watch(xvfb.display());
    ASSERT_TRUE(watch.ok()) << "no connection to " << xvfb.display();
    ASSERT_TRUE(watch.seen().empty()) << "a bare server has no windows";

    const auto before = contentsOf(home);
    const bool readsShow = accessTimesKept(folder);
    setAllLongAgo(home);

    const fs::path log = folder / "log";
    const int status = runTests(suite, usersEnvironment(home, xvfb.display(), bin), folder / "work", log);
    EXPECT_EQ(status, 0) << suite.name << " failed on a user's desktop; its last lines:\n"
                         << lastLines(readFile(log), 60);

    EXPECT_FALSE(fs::exists(started)) << "a test reached zenity or xdg-open on PATH:\n" << readFile(started);
    for (const std::string& window : watch.seen()) ADD_FAILURE() << "a window on the user's display: " << window;

    if (readsShow) {
        for (const std::string& path : readSinceLongAgo(home)) ADD_FAILURE() << "read in the user's home: " << path;
    } else {
        std::cout << "The file system keeps no access times here: reads in the home go unseen\n";
    }
    const auto after = contentsOf(home);
    for (const auto& [path, entry] : before) {
        const auto found = after.find(path);
        if (found == after.end()) ADD_FAILURE() << "gone from the user's home: " << path;
        else if (found->second != entry)
            ADD_FAILURE() << "changed in the user's home: " << path << "\n  was " << entry.look << "\n  now "
                          << found->second.look << (found->second.bytes != entry.bytes ? ", other bytes" : "");
    }
    for (const auto& [path, entry] : after)
        if (!before.count(path)) ADD_FAILURE() << "new in the user's home: " << path << " (" << entry.look << ")";
}

INSTANTIATE_TEST_SUITE_P(Executables, UserDesktop, ::testing::ValuesIn(SUITES),
                         [](const ::testing::TestParamInfo<Suite>& info) { return std::string(info.param.name); });

}  // namespace
