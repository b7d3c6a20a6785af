// Linked into every test executable: before any test runs, and before the
// static initialisers of the test code, the process gets a home folder of
// its own (HOME and the XDG folders in a fresh folder under TMPDIR, removed
// when the process ends), no display and no desktop programs. So a test
// gives the same answer run by CTest one at a time, whole or by hand, on a
// developer's desktop as on a bare machine, and never reads the user's
// samples and settings nor puts a window on the user's display. A test that
// wants a display starts its own Xvfb; one that wants zenity or xdg-open
// names a stand-in (setDesktopPrograms, or KOLBRI_ZENITY / KOLBRI_XDG_OPEN
// for a plug-in library loaded with dlopen, which keeps its own copy of the
// platform layer and reads only the environment).
#include "test_environment.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

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

// Priority 101 runs before every C++ static initialiser of the executable,
// and registers the removal before any of their destructors.
__attribute__((constructor(101))) void ownTheEnvironment() {
    if (isFolder(std::getenv(test_environment::HOME_VARIABLE))) return;
    const char* temporary = std::getenv("TMPDIR");
    std::string home = std::string(temporary && temporary[0] == '/' ? temporary : "/tmp") + "/kolbri-test-XXXXXX";
    if (home.size() >= sizeof ownFolder || !::mkdtemp(home.data())) {
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
    };
    for (const auto& folder : folders) ::setenv(folder.variable, (home + folder.below).c_str(), 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("KOLBRI_ZENITY", "none", 1);
    ::setenv("KOLBRI_XDG_OPEN", "none", 1);
    ::setenv(test_environment::HOME_VARIABLE, home.c_str(), 1);

    std::memcpy(ownFolder, home.c_str(), home.size() + 1);
    ownerProcess = ::getpid();
    if (asked(test_environment::KEEP_VARIABLE))
        std::fprintf(stderr, "The tests' home is kept: %s\n", ownFolder);
    else
        std::atexit(removeOwnFolder);
}

}  // namespace
