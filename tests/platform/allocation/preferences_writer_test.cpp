// The preference store when memory runs out on its writer thread or at its
// flush when the library is unloaded: an exception that left either would end
// the host. This executable makes the allocations of chosen threads fail.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/Preferences.h"
#include "platform/test_folders.h"
#include "tests/counting_allocator.h"

namespace {

std::atomic<bool> failing{false};
// Set on the test's own thread: it keeps its memory unless a case says otherwise.
thread_local bool spared = false;

}  // namespace

bool countingalloc::countsNow() { return failing.load(std::memory_order_relaxed) && !spared; }

namespace {

using platform_test::readFile;
using platform_test::waitUntil;

// In a child process: a controller binding waits for the writer while every
// allocation but the test thread's fails.
void bindWhileMemoryFails(int controller, int tag) {
    const std::string folder = test_environment::makeTemporaryFolder("prefs-writer");
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (folder + "/none").c_str(), 1);
    platform::reopenPreferences();
    spared = true;
    countingalloc::failCounted = true;
    failing = true;
    setMIDICC(controller, tag);
}

// The writer fails for a while, lives on, and writes the binding once memory
// is there again.
[[noreturn]] void writerOutlivesAFailure() {
    bindWhileMemoryFails(7, 12);
    const std::string path = platform::preferencesFilePath();
    if (!waitUntil([] { return countingalloc::allocations.load() > 0; })) std::_Exit(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // several more passes fail
    failing = false;
    if (!waitUntil([&] { return readFile(path).find("\n7=12\n") != std::string::npos; })) std::_Exit(3);
    std::exit(0);
}

// Memory is short on every thread as the process ends, with a binding still
// waiting: the flush at unload gives it up and the process ends as it meant to.
[[noreturn]] void unloadFlushOutlivesAFailure() {
    bindWhileMemoryFails(8, 13);
    spared = false;
    std::exit(0);
}

TEST(PreferencesWithoutMemory, NeitherTheWriterNorTheUnloadFlushEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(writerOutlivesAFailure(), testing::ExitedWithCode(0), "") << "the writer thread";
    EXPECT_EXIT(unloadFlushOutlivesAFailure(), testing::ExitedWithCode(0), "") << "the flush at unload";
}

}  // namespace
