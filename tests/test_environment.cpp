// Linked into every test executable: before any test runs, and before the
// static initialisers of the test code, the process gets a home folder of
// its own (HOME and the XDG folders in a fresh folder under TMPDIR), no
// display and no desktop programs, and TMPDIR moves into that folder. So a
// test gives the same answer run by CTest one at a time, whole or by hand,
// on a developer's desktop as on a bare machine, and never reads the user's
// samples and settings nor puts a window on the user's display; and what it
// and the programs it starts leave in the temporary folder goes with the
// process, however the process ends. A test that wants a display starts its
// own Xvfb; one that wants zenity or xdg-open names a stand-in
// (setDesktopPrograms, or KOLBRI_ZENITY / KOLBRI_XDG_OPEN for a plug-in
// library loaded with dlopen, which keeps its own copy of the platform layer
// and reads only the environment).
#include "test_environment.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

extern char** environ;

namespace test_environment {

std::string makeTemporaryFolder(std::string_view purpose) {
    const char* temporary = std::getenv("TMPDIR");
    std::string folder =
        std::string(temporary && temporary[0] == '/' ? temporary : "/tmp") + "/" + std::string(purpose) + "-XXXXXX";
    if (!::mkdtemp(folder.data())) throw std::system_error(errno, std::generic_category(), "no folder " + folder);
    return folder;
}

std::vector<std::string> environmentWithoutOwned(std::initializer_list<std::string_view> alsoLeftOut) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view variable = *entry;
        const std::string_view name = variable.substr(0, variable.find('='));
        bool leftOut = false;
        for (const char* owned : OWNED_VARIABLES) leftOut = leftOut || name == owned;
        for (const std::string_view other : alsoLeftOut) leftOut = leftOut || name == other;
        if (!leftOut) variables.emplace_back(variable);
    }
    return variables;
}

}  // namespace test_environment

namespace {

// Plain storage: the folder is removed after every static object's
// destructor has run, so nothing here may have one.
char ownFolder[PATH_MAX];
pid_t ownerProcess = 0;

void removeOwnFolder() {
    // A child forked from this process that ends with exit() leaves it alone.
    if (::getpid() != ownerProcess) return;
    std::error_code ignored;
    std::filesystem::remove_all(ownFolder, ignored);
}

bool isFolder(const char* path) {
    struct stat info {};
    return path && path[0] == '/' && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool asked(const char* variable) {
    const char* value = std::getenv(variable);
    return value && value[0] && std::strcmp(value, "0") != 0;
}

// The descriptor moved above the standard three, which a process started
// with one of them closed would otherwise hand out.
int aboveStandard(int descriptor) {
    if (descriptor > 2) return descriptor;
    const int moved = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    ::close(descriptor);
    return moved;
}

// A process that ends by a crash, a sanitizer's report or CTest's kill at
// its timeout runs no exit handler: a shell outside the process tree (so
// that the kill of the tree does not reach it) removes the folder once the
// pipe it reads is closed, which is when this process and every child
// forked from it have ended. Only calls that are safe after a fork run in
// the child, which then runs nothing of this program.
void removeWhenEnded(const char* folder) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    const int reading = aboveStandard(ends[0]), writing = aboveStandard(ends[1]);
    if (reading < 0 || writing < 0) {
        if (reading >= 0) ::close(reading);
        if (writing >= 0) ::close(writing);
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        if (::fork() != 0) ::_exit(0);
        if (::chdir("/") != 0) ::_exit(127);
        ::dup2(reading, 0);
        const int nowhere = ::open("/dev/null", O_WRONLY);
        ::dup2(nowhere, 1);
        ::dup2(nowhere, 2);
        ::close_range(3, ~0U, 0);
        ::execl("/bin/sh", "sh", "-c", "cat > /dev/null; exec rm -rf -- \"$0\"", folder, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(reading);
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    } else {
        ::close(writing);
    }
    // The writing end stays open, unused, until the process ends.
}

// Priority 101 runs before every C++ static initialiser of the executable,
// and registers the removal before any of their destructors.
__attribute__((constructor(101))) void ownTheEnvironment() {
    if (isFolder(std::getenv(test_environment::HOME_VARIABLE))) return;
    const char* temporary = std::getenv("TMPDIR");
    std::string home = std::string(temporary && temporary[0] == '/' ? temporary : "/tmp") + "/kolbri-test-XXXXXX";
    if (home.size() + 4 >= sizeof ownFolder || !::mkdtemp(home.data()) || ::mkdir((home + "/tmp").c_str(), 0700) != 0) {
        // Running on the user's folders instead is never the answer.
        std::fprintf(stderr, "no folder for the tests' home could be made: %s\n", home.c_str());
        std::_Exit(1);
    }
    const struct {
        const char* variable;
        const char* below;
    } folders[] = {
        {"HOME", ""},
        {"XDG_CONFIG_HOME", "/.config"},
        {"XDG_DATA_HOME", "/.local/share"},
        {"XDG_STATE_HOME", "/.local/state"},
        {"XDG_CACHE_HOME", "/.cache"},
        // No machine-wide settings either (/etc/xdg by default): they would
        // answer what a fresh user's store lacks.
        {"XDG_CONFIG_DIRS", "/.machine-config"},
        // The tests' temporary folders, and those of every program they
        // start that honours TMPDIR.
        {"TMPDIR", "/tmp"},
    };
    for (const auto& folder : folders) ::setenv(folder.variable, (home + folder.below).c_str(), 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("KOLBRI_ZENITY", "none", 1);
    ::setenv("KOLBRI_XDG_OPEN", "none", 1);
    ::setenv(test_environment::HOME_VARIABLE, home.c_str(), 1);

    std::memcpy(ownFolder, home.c_str(), home.size() + 1);
    ownerProcess = ::getpid();
    // The screenshots that the window tests keep when asked are in it too.
    if (asked(test_environment::KEEP_VARIABLE) || asked("KOLBRI_KEEP_SCREENSHOTS")) {
        std::fprintf(stderr, "The tests' home is kept: %s\n", ownFolder);
    } else {
        removeWhenEnded(ownFolder);
        std::atexit(removeOwnFolder);
    }
}

}  // namespace
