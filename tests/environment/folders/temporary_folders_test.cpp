// What a test process leaves in the temporary folder: nothing, however it
// ends. Each case runs this executable once more, started as CTest or a
// developer starts it (no home of its parent's to keep) with a TMPDIR of the
// case's own; the child makes folders and files in the ways the tests do,
// names them on its output and ends as the case says. Then that TMPDIR must
// hold nothing, and everything the child named must have been inside it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/dsp/ParameterTags.h"
#include "platform/Preferences.h"
#include "test_environment.h"
#include "tools/enginehost/EngineHarness.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* ROLE_VARIABLE = "KOLBRI_TEMPORARY_FOLDERS_CHILD";
constexpr const char* CHILD_TEST = "TemporaryFoldersChild.Run";

// The MIDI controller that the user's settings bind, in the harness's case.
constexpr int USERS_CONTROLLER = 20;

// A bound that only a child that never ends reaches.
constexpr auto RUN_LIMIT = std::chrono::seconds(120);

void name(const std::string& what, const std::string& path) {
    std::cout << "made " << what << " " << path << std::endl;
}

// The child's side: what the role says.
TEST(TemporaryFoldersChild, Run) {
    const char* variable = std::getenv(ROLE_VARIABLE);
    if (!variable) GTEST_SKIP() << "runs only as a child of the tests below";
    const std::string role = variable;

    if (role == "harness") {
        // A program on the harness without the tests' start-up, the user's
        // settings in XDG_CONFIG_HOME. The engine reads its controller map as it starts.
        const auto engine = std::make_unique<enginehost::EngineHarness>();
        name("engine preferences", fs::path(platform::preferencesFilePath()).parent_path().string());
        std::cout << "bound " << engine->getControllerMap()[USERS_CONTROLLER] << std::endl;
        return;
    }

    name("home", std::getenv("HOME"));
    const std::string helper = test_environment::makeTemporaryFolder("helper");
    name("helper's folder", helper);
    std::ofstream(helper + "/file") << "left behind";
    const test_environment::TemporaryFolder scoped("scoped");
    name("scoped folder", scoped.path);
    std::ofstream(scoped.path + "/file") << "removed with the object, when that is reached";
    const fs::path direct = fs::temp_directory_path() / "direct";
    std::ofstream(direct) << "written where the standard library puts temporary files";
    name("file in the standard temporary folder", direct.string());
    const std::string gtestFile = ::testing::TempDir() + "gtest";
    std::ofstream(gtestFile) << "written where GoogleTest puts temporary files";
    name("file in GoogleTest's temporary folder", gtestFile);
    // A program the test starts, which honours TMPDIR.
    if (FILE* program = ::popen("mktemp -d", "r")) {
        char line[4096] = {};
        if (std::fgets(line, sizeof line, program))
            name("program's folder", std::string(line, std::strcspn(line, "\n")));
        ::pclose(program);
    }

    if (role == "fails") {
        // The folders of the test are still there: the rest is skipped.
        ASSERT_TRUE(false) << "an assertion fails midway, as one may";
    } else if (role == "ends") {
        // As on a sanitizer's report: no exit handler runs.
        std::_Exit(3);
    } else if (role == "killed") {
        std::cout << "waiting" << std::endl;
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

// The environment of a process started by hand or by CTest: this one's,
// without what the start-up owns, with the variables given.
std::vector<std::string> childEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> variables = test_environment::environmentWithoutOwned({"TMPDIR", ROLE_VARIABLE});
    variables.insert(variables.end(), extra.begin(), extra.end());
    return variables;
}

struct ChildRun {
    int status = -1;  // as waitpid gives it
    std::string output;
    bool timedOut = false;
};

// Runs the child test with its output read here; once the output holds
// killAfter (when given), the child is killed.
ChildRun runChild(std::vector<std::string> environment, const std::string& killAfter = {}) {
    ChildRun run;
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string program = "/proc/self/exe", filter = std::string("--gtest_filter=") + CHILD_TEST;
    char* argv[] = {program.data(), filter.data(), nullptr};
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return run;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(ends[1], 1);
        ::dup2(ends[1], 2);
        ::execve(program.c_str(), argv, envp.data());
        ::_exit(127);
    }
    ::close(ends[1]);
    if (child < 0) {
        ::close(ends[0]);
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + RUN_LIMIT;
    bool killed = false;
    for (;;) {
        if (!killed && !killAfter.empty() && run.output.find(killAfter) != std::string::npos) {
            ::kill(child, SIGKILL);
            killed = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            run.timedOut = true;
            break;
        }
        pollfd waiting{ends[0], POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0) continue;
        char buffer[4096];
        const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
        if (got <= 0) break;
        run.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    ::waitpid(child, &run.status, 0);
    return run;
}

// The paths the child named.
std::vector<std::pair<std::string, std::string>> namedPaths(const std::string& output) {
    std::vector<std::pair<std::string, std::string>> paths;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("made ", 0) != 0) continue;
        const std::size_t slash = line.find(" /");
        if (slash != std::string::npos) paths.emplace_back(line.substr(5, slash - 5), line.substr(slash + 1));
    }
    return paths;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
    std::vector<std::string> entries;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path().string());
    return entries;
}

// Whether the folder is empty within a while: a process that ended without
// its exit handlers has its folder removed by another, just after.
bool emptiedSoon(const fs::path& folder) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!entriesOf(folder).empty()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string listing(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) text += "\n  " + entry;
    return text;
}

TEST(TemporaryFolders, GoWithTheTestProcessHoweverItEnds) {
    const struct {
        const char* role;
        const char* ending;
        bool signalled;
        int exitStatus;
    } cases[] = {
        {"passes", "the test passes", false, 0},
        {"fails", "an assertion fails midway", false, 1},
        {"ends", "the process ends without its exit handlers", false, 3},
        {"killed", "the process is killed, as at CTest's timeout", true, SIGKILL},
    };
    const std::vector<std::string> kinds = {
        "home", "helper's folder", "scoped folder", "file in the standard temporary folder",
        "file in GoogleTest's temporary folder", "program's folder"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ending);
        const test_environment::TemporaryFolder temporary("child-tmp");
        const std::string role = std::string(ROLE_VARIABLE) + "=" + c.role;
        const ChildRun run =
            runChild(childEnvironment({"TMPDIR=" + temporary.path, role}), c.signalled ? "waiting\n" : "");
        ASSERT_FALSE(run.timedOut) << run.output;
        if (c.signalled) {
            EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == c.exitStatus) << run.output;
        } else {
            EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == c.exitStatus) << run.output;
        }
        const auto paths = namedPaths(run.output);
        std::vector<std::string> named;
        for (const auto& [kind, path] : paths) {
            named.push_back(kind);
            EXPECT_EQ(path.rfind(temporary.path + "/", 0), 0u) << kind << " outside the child's TMPDIR: " << path;
        }
        EXPECT_EQ(named, kinds) << "the child did not make all it should:\n" << run.output;
        EXPECT_TRUE(emptiedSoon(temporary.path)) << "left in the child's TMPDIR:" << listing(entriesOf(temporary.path));
    }
}

// The engine harness in a process without the tests' start-up, as any
// program built on it may run it: the user's settings (a controller bound to the filter
// frequency) are neither read nor touched, and its own folder is in TMPDIR
// and gone at the end.
TEST(TemporaryFolders, TheEngineHarnessKeepsOffTheUsersSettingsAndTakesItsFolderAlong) {
    const test_environment::TemporaryFolder temporary("child-tmp"), user("user-home");
    const fs::path settings = fs::path(user.path) / ".config" / "com.OVTA.Kolbri.prefs";
    fs::create_directories(settings.parent_path());
    const std::string usersSettings =
        "# Preferences of com.OVTA.Kolbri: one key a line, texts in quotes, integers bare.\n" +
        std::to_string(USERS_CONTROLLER) + "=" + std::to_string(tag::FILTER_FREQUENCY) + "\n";
    std::ofstream(settings, std::ios::binary) << usersSettings;
    const auto before = entriesOf(user.path);

    // A home named for the tests already: the start-up leaves the
    // environment as it is given, as a process without it has it.
    const ChildRun run = runChild(childEnvironment({"TMPDIR=" + temporary.path, std::string(ROLE_VARIABLE) + "=harness",
                                                    std::string(test_environment::HOME_VARIABLE) + "=" + user.path,
                                                    "HOME=" + user.path,
                                                    "XDG_CONFIG_HOME=" + user.path + "/.config"}));
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.output;

    const auto paths = namedPaths(run.output);
    ASSERT_EQ(paths.size(), 1u) << run.output;
    EXPECT_EQ(paths[0].second.rfind(temporary.path + "/", 0), 0u) << "the engine's settings are in " << paths[0].second;
    EXPECT_NE(run.output.find("bound 0\n"), std::string::npos)
        << "the engine took the controller map of the user's settings\n" << run.output;

    std::ifstream in(settings, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), usersSettings);
    EXPECT_EQ(entriesOf(user.path), before) << "the user's folder changed";
    EXPECT_TRUE(emptiedSoon(temporary.path)) << "left in the child's TMPDIR:" << listing(entriesOf(temporary.path));
}

}  // namespace
