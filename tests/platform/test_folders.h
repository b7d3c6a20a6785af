// Temporary folders and environment for the platform tests: nothing here may
// touch the real home folder or open a window on a real display.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Desktop.h"
#include "platform/Preferences.h"
#include "test_environment.h"

extern char** environ;

namespace platform_test {

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline bool fileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// Fresh XDG folders for one test, no display, no scripted answers; the
// preference store is reopened on them.
class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = test_environment::makeTemporaryFolder("platform");
        configHome = root + "/config";
        configDirs = root + "/etc";
        dataHome = root + "/data";
        stateHome = root + "/state";
        mkdir(configDirs.c_str(), 0700);
        mkdir(configHome.c_str(), 0700);
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        setenv("XDG_CONFIG_DIRS", configDirs.c_str(), 1);
        setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
        setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        platform::setDesktopScript({});
        platform::setDesktopPrograms({});
        platform::reopenPreferences();
    }
    void TearDown() override {
        platform::setDesktopScript({});
        platform::setDesktopPrograms({});
        platform::flushPreferences();
        std::error_code ignored;
        if (!root.empty()) std::filesystem::remove_all(root, ignored);
    }

    std::string prefsFile() const { return configHome + "/com.OVTA.Kolbri.prefs"; }
    std::string machineFile() const { return configDirs + "/com.OVTA.Kolbri.prefs"; }

    std::string root, configHome, configDirs, dataHome, stateHome;
};

// Waits until the condition holds, at most the given time: a bound that only
// a fault reaches, never a measure of speed. Answers the condition's value.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Runs this test binary again as a child with one test selected and an extra
// environment variable set; answers the child's pid.
inline pid_t spawnChildTest(const std::string& testName, const std::string& variable, const std::string& value) {
    // Everything the child needs is built before fork: between fork and exec
    // only async-signal-safe calls are allowed.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
    environment.push_back(variable + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string filter = "--gtest_filter=" + testName;
    std::string name = "platform_tests";
    char* argv[] = {name.data(), filter.data(), nullptr};
    pid_t child = fork();
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        execve("/proc/self/exe", argv, envp.data());
        _exit(127);
    }
    return child;
}

// Waits for a child at most the given time; -1 when it had to be killed.
inline int waitChild(pid_t child, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -1;
}

}  // namespace platform_test
