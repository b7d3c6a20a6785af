// The preference store when memory runs out on its writer thread or at its
// flush when the library is unloaded (an exception that left either would end
// the host), and in a save that reads what another process wrote. This
// executable makes the allocations of chosen threads fail.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "platform/Preferences.h"
#include "platform/test_folders.h"
#include "tests/counting_allocator.h"
#include "tests/process_resources.h"

namespace {

std::atomic<bool> failing{false};
// Set on the test's own thread: it keeps its memory unless a case says otherwise.
thread_local bool spared = false;
// Set to n on a thread: its n-th allocation from then on is the one counted
// (and failed), no other thread's.
thread_local long allocationsBeforeFailure = 0;

}  // namespace

bool countingalloc::countsNow() {
    if (allocationsBeforeFailure > 0) return --allocationsBeforeFailure == 0;
    return failing.load(std::memory_order_relaxed) && !spared;
}

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

// Another process writes the store after this one last saw it; then a save
// runs out of memory at its n-th allocation, for every n up to the save's
// last. Whatever failed, the file is left open nowhere, and the save tried
// again reads the file anew and keeps the other process's key. The store is
// one without a writer thread, so nothing reads the file behind the test.
TEST(PreferencesWithoutMemory, ASaveThatFailsLeavesNoFileOpenAndLosesNoOtherKey) {
    // In the process's own configuration folder, which goes with the process.
    const std::string path = std::string(std::getenv("XDG_CONFIG_HOME")) + "/com.OVTA.Vistamo9.prefs";
    saveIntToE9Prefs("Ours", 1);

    for (long n = 1;; ++n) {
        const std::string theirs = "Theirs=" + std::to_string(n);
        platform_test::writeFile(path + ".other", "# another process\nOurs=1\n" + theirs + "\n");
        ASSERT_EQ(std::rename((path + ".other").c_str(), path.c_str()), 0);
        const long openBefore = openFileCount();
        countingalloc::failCounted = true;
        allocationsBeforeFailure = n;
        try {
            saveIntToE9Prefs("Ours", 2);
        } catch (const std::bad_alloc&) {
        }
        const bool failed = allocationsBeforeFailure == 0;
        allocationsBeforeFailure = 0;
        countingalloc::failCounted = false;
        EXPECT_EQ(openFileCount(), openBefore) << "allocation " << n << " failed";
        saveIntToE9Prefs("Ours", 2);
        EXPECT_EQ(loadIntFromE9Prefs("Theirs"), n) << "allocation " << n << " failed";
        EXPECT_NE(readFile(path).find("\n" + theirs + "\n"), std::string::npos) << "allocation " << n << " failed";
        if (!failed) break;  // the save needs fewer: each of its allocations has failed once
        ASSERT_LT(n, 100000) << "a save that never ends allocating";
    }
}

}  // namespace
