// The environment every test process starts in (tests/test_environment.cpp):
// a home folder of its own, no display and no desktop programs, and TMPDIR
// inside that folder, so that whatever a test leaves there goes with the
// process.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace test_environment {

// Names the folder the start-up made. A process that a test starts from its
// own executable (a child running one test, a death test) finds it set and
// keeps the environment its parent handed it.
inline constexpr const char* HOME_VARIABLE = "KOLBRI_TEST_HOME";

// Set (to anything but 0) to keep the folder once the process ends, to look
// at what the tests wrote (the pictures a failed test keeps are in it); its
// path is printed when the process starts. KOLBRI_KEEP_SCREENSHOTS, which
// asks the window tests to keep their screenshots, keeps it too.
inline constexpr const char* KEEP_VARIABLE = "KOLBRI_KEEP_TEST_HOME";

// The variables the start-up reads, sets or clears: a test that starts a
// test executable as a user would leaves them all out of its environment.
// TMPDIR is not among them: the start-up makes its folder under the TMPDIR
// it is given, so a test executable's child goes inside its parent's folder.
inline constexpr const char* OWNED_VARIABLES[] = {
    "HOME",          "XDG_CONFIG_HOME", "XDG_DATA_HOME",   "XDG_STATE_HOME", "XDG_CACHE_HOME",
    "XDG_CONFIG_DIRS", "DISPLAY",       "WAYLAND_DISPLAY", "KOLBRI_ZENITY",  "KOLBRI_XDG_OPEN",
    HOME_VARIABLE,   KEEP_VARIABLE,     "KOLBRI_KEEP_SCREENSHOTS",
};

// This process's environment, as "NAME=value" entries, without the variables
// the start-up owns and those named in alsoLeftOut: the start of the
// environment of a test executable that a test starts as a user or CTest would.
std::vector<std::string> environmentWithoutOwned(std::initializer_list<std::string_view> alsoLeftOut);

// A fresh folder for a test's files, "<purpose>-XXXXXX" in TMPDIR: the
// process's own folder, which goes when the process ends, whether or not the
// test got as far as removing it. Throws std::system_error when none can be
// made.
std::string makeTemporaryFolder(std::string_view purpose);

// The same, removed again with the object.
class TemporaryFolder {
public:
    explicit TemporaryFolder(std::string_view purpose) : path(makeTemporaryFolder(purpose)) {}
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string path;
};

}  // namespace test_environment
