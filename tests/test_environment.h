// The environment every test process starts in (tests/test_environment.cpp):
// a home folder of its own, no display and no desktop programs.
#pragma once

namespace test_environment {

// Names the folder the start-up made. A process that a test starts from its
// own executable (a child running one test, a death test) finds it set and
// keeps the environment its parent handed it.
inline constexpr const char* HOME_VARIABLE = "KOLBRI_TEST_HOME";

// Set (to anything but 0) to keep the folder once the process ends, to look
// at what the tests wrote; its path is printed when the process starts.
inline constexpr const char* KEEP_VARIABLE = "KOLBRI_KEEP_TEST_HOME";

// The variables the start-up reads, sets or clears: a test that starts a
// test executable as a user would leaves them all out of its environment.
inline constexpr const char* OWNED_VARIABLES[] = {
    "HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",  "XDG_CACHE_HOME", "XDG_CONFIG_DIRS",
    "DISPLAY",        "WAYLAND_DISPLAY", "KOLBRI_ZENITY", "KOLBRI_XDG_OPEN", HOME_VARIABLE,    KEEP_VARIABLE,
};

}  // namespace test_environment
