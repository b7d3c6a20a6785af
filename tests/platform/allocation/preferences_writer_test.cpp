// The preference store when memory runs out on its writer thread or at its
// flush when the library is unloaded (an exception that left either would end
// the host), and in a save that reads what another process wrote; and a save
// that cannot read the store file whole. This executable makes the
// allocations of chosen threads fail, and puts wrappers in front of the C
// library's open, read and close that make a chosen file fail to open or
// read.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <unordered_set>

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

// The fault put on one file while armed: its opening fails with openError,
// or, when that is 0, every descriptor opened on it reads readLimit bytes
// and then fails with EIO. Atomic, as a thread may still be looking at the
// last fault when the test sets the next; and plain storage, as the wrappers
// run before any static initialiser.
std::atomic<bool> faultArmed{false};
std::atomic<char> faultPath[PATH_MAX];
std::atomic<int> faultOpenError{0};
std::atomic<int> faultStatError{0};
std::atomic<long> faultReadLimit{0};
std::atomic<long> faultsInjected{0};
// For each descriptor opened on the file while armed, 1 + the bytes it has
// read; 0 for every other descriptor.
constexpr int TRACKED_DESCRIPTORS = 1024;
std::atomic<long> bytesReadThrough[TRACKED_DESCRIPTORS];

// The next definition of a function after this executable's own.
template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool tracked(int descriptor) { return descriptor >= 0 && descriptor < TRACKED_DESCRIPTORS; }

bool isFaultPath(const char* path) {
    for (size_t i = 0; i < PATH_MAX; ++i) {
        const char c = faultPath[i].load();
        if (c != path[i]) return false;
        if (c == 0) return true;
    }
    return false;
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    va_list list;
    va_start(list, flags);
    const bool givesMode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    const mode_t mode = givesMode ? static_cast<mode_t>(va_arg(list, int)) : 0;
    va_end(list);
    const bool target = faultArmed.load() && isFaultPath(path);
    const int openError = faultOpenError.load();
    if (target && openError != 0) {
        faultsInjected.fetch_add(1);
        errno = openError;
        return -1;
    }
    const int descriptor = real(path, flags, mode);
    if (target && tracked(descriptor)) bytesReadThrough[descriptor].store(1);
    return descriptor;
}

extern "C" int stat(const char* path, struct stat* info) {
    static const auto real = next<int (*)(const char*, struct stat*)>("stat");
    const int statError = faultStatError.load();
    if (faultArmed.load() && statError != 0 && isFaultPath(path)) {
        faultsInjected.fetch_add(1);
        errno = statError;
        return -1;
    }
    return real(path, info);
}

extern "C" ssize_t read(int descriptor, void* buffer, size_t size) {
    static const auto real = next<ssize_t (*)(int, void*, size_t)>("read");
    const long through = tracked(descriptor) ? bytesReadThrough[descriptor].load() : 0;
    if (through == 0 || !faultArmed.load()) return real(descriptor, buffer, size);
    const long left = faultReadLimit.load() - (through - 1);
    if (left <= 0) {
        faultsInjected.fetch_add(1);
        errno = EIO;
        return -1;
    }
    const ssize_t got = real(descriptor, buffer, size < static_cast<size_t>(left) ? size : static_cast<size_t>(left));
    if (got > 0) bytesReadThrough[descriptor].fetch_add(got);
    return got;
}

extern "C" int close(int descriptor) {
    static const auto real = next<int (*)(int)>("close");
    if (tracked(descriptor)) bytesReadThrough[descriptor].store(0);
    return real(descriptor);
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

// Arms the fault on a file for its lifetime.
class FileFault {
public:
    FileFault(const std::string& path, int openError, long readLimit, int statError) {
        for (size_t i = 0; i < PATH_MAX; ++i) faultPath[i].store(i < path.size() ? path[i] : 0);
        faultOpenError.store(openError);
        faultStatError.store(statError);
        faultReadLimit.store(readLimit);
        faultsInjected.store(0);
        faultArmed.store(true);
    }
    ~FileFault() { faultArmed.store(false); }
    FileFault(const FileFault&) = delete;
    FileFault& operator=(const FileFault&) = delete;
};

// Points the stores at a folder of their own for its lifetime, and back at
// the process's configuration folder after.
class StoresIn {
public:
    explicit StoresIn(const std::string& folder) : home(variable("XDG_CONFIG_HOME")), dirs(variable("XDG_CONFIG_DIRS")) {
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (folder + "/none").c_str(), 1);
        platform::reopenPreferences();
    }
    ~StoresIn() {
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_DIRS", dirs.c_str(), 1);
        platform::reopenPreferences();
    }
    StoresIn(const StoresIn&) = delete;
    StoresIn& operator=(const StoresIn&) = delete;

private:
    static std::string variable(const char* name) {
        const char* value = std::getenv(name);
        return value ? value : "";
    }

    const std::string home, dirs;
};

constexpr int THEIR_KEYS = 2000;

std::string theirKey(int i) {
    char key[16];
    std::snprintf(key, sizeof key, "Another%04d", i);
    return key;
}

// How many of the other process's keys a store file holds with their values.
int theirKeysIn(const std::string& content) {
    std::unordered_set<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1)
        lines.insert(content.substr(start, end - start));
    int kept = 0;
    for (int i = 0; i < THEIR_KEYS; ++i) kept += lines.count(theirKey(i) + "=" + std::to_string(i)) ? 1 : 0;
    return kept;
}

// The other process's file: its keys come first, over 16 KB of them, so
// that a read cut there misses what follows.
std::string theirKeys() {
    std::string theirs = "# another process\n";
    for (int i = 0; i < THEIR_KEYS; ++i) theirs += theirKey(i) + "=" + std::to_string(i) + "\n";
    return theirs;
}

struct Fault {
    const char* what;
    int openError;   // 0: the file opens
    long readLimit;  // the bytes it reads before the read fails
};
const Fault FAULTS[] = {
    {"the open fails with EIO", EIO, 0},
    {"the open is refused (EACCES): a file of another account", EACCES, 0},
    {"the read fails at once with EIO", 0, 0},
    {"the read fails with EIO after 16 KB", 0, 16384},
};

// Another process has written the store since this one saved to it; then a
// save here cannot read the file whole. Writing what it did read would drop
// the other process's keys, so it writes nothing, and its value waits in
// memory for the next save that reads the file, which writes both. Each
// fault for every store: the plug-in's own (with its writer thread and the
// audio thread's bindings) and the four integer domains.
TEST(PreferencesUnreadableFile, ASaveThatCannotReadTheFileWholeWritesNothingAndLosesNothing) {
    struct Store {
        const char* domain;
        void (*save)(const std::string&, int);
        int (*load)(const std::string&);
    };
    const Store stores[] = {
        {"com.OVTA.Kolbri", saveIntToPrefs, loadIntFromPrefs},
        {"com.OVTA.Vistamo9", saveIntToE9Prefs, loadIntFromE9Prefs},
        {"com.OVTA.Vistamo10", saveIntToE10Prefs, loadIntFromE10Prefs},
        {"com.OVTA.Vistamo11", saveIntToE11Prefs, loadIntFromE11Prefs},
        {"com.OVTA.Vistamo12", saveIntToE12Prefs, loadIntFromE12Prefs},
    };
    // Then the two this process saved.
    const std::string theirs = theirKeys() + "Mine=7\nOurs=1\n";

    for (const Fault& fault : FAULTS) {
        const test_environment::TemporaryFolder folder("prefs-unreadable");
        const StoresIn storesInFolder(folder.path);
        for (const Store& store : stores) {
            SCOPED_TRACE(std::string(fault.what) + ", store " + store.domain);
            const bool ownStore = store.save == saveIntToPrefs;
            const std::string path = folder.path + "/" + store.domain + ".prefs";
            store.save("Mine", 7);
            store.save("Ours", 1);
            {
                // Armed before the other process writes: the writer thread's
                // look at the changed file then fails as well.
                const FileFault failing(path, fault.openError, fault.readLimit, 0);
                platform_test::writeFile(path + ".other", theirs);
                ASSERT_EQ(std::rename((path + ".other").c_str(), path.c_str()), 0);
                store.save("Ours", 2);
                ASSERT_GT(faultsInjected.load(), 0) << "the save read the file without the fault";
                std::string content = readFile(path);
                EXPECT_TRUE(content == theirs) << "the failed save wrote; " << theirKeysIn(content) << " of "
                                               << THEIR_KEYS << " of the other process's keys kept";
                EXPECT_EQ(store.load("Ours"), 2) << "the value saved";
                EXPECT_EQ(store.load("Mine"), 7) << "a value saved before";
                if (ownStore) {
                    // The writer thread looks at the changed file once a
                    // second; its failed look changes nothing in memory either.
                    const long bySave = faultsInjected.load();
                    EXPECT_TRUE(platform_test::waitUntil([&] { return faultsInjected.load() > bySave; }));
                    EXPECT_EQ(store.load("Ours"), 2) << "after the writer's look";
                    EXPECT_EQ(store.load("Mine"), 7) << "after the writer's look";
                    setMIDICC(5, 55);
                    platform::flushPreferences();
                    content = readFile(path);
                    EXPECT_TRUE(content == theirs) << "the failed binding wrote; " << theirKeysIn(content) << " of "
                                                   << THEIR_KEYS << " of the other process's keys kept";
                    EXPECT_EQ(getMIDICC(5), 55);
                    // Two more failed reads: the second is a writer's pass of
                    // its own, which begins with another try of the binding.
                    const long byFlush = faultsInjected.load();
                    EXPECT_TRUE(platform_test::waitUntil([&] { return faultsInjected.load() >= byFlush + 2; }));
                }
            }
            if (ownStore) {
                EXPECT_TRUE(platform_test::waitUntil([&] { return readFile(path).find("\n5=55\n") != std::string::npos; },
                                                     std::chrono::seconds(10)))
                    << "the writer alone wrote the binding once the file read";
            }
            store.save("Later", 3);
            if (ownStore) platform::flushPreferences();
            const std::string content = readFile(path);
            EXPECT_EQ(theirKeysIn(content), THEIR_KEYS) << "the other process's keys after the next save";
            for (const char* line : {"\nMine=7\n", "\nOurs=2\n", "\nLater=3\n"})
                EXPECT_NE(content.find(line), std::string::npos) << line + 1 << " after the next save";
            if (ownStore) {
                EXPECT_NE(content.find("\n5=55\n"), std::string::npos) << "the binding after the next save";
            }
            EXPECT_EQ(store.load(theirKey(THEIR_KEYS - 1)), THEIR_KEYS - 1);
            EXPECT_EQ(store.load("Ours"), 2);
            EXPECT_EQ(store.load("Mine"), 7);
        }
    }
}

// A store that last saw no file, whose file another process has written
// since, and that then cannot look at the file (stat fails with EIO): the
// save reads the file rather than take it for still absent, and keeps the
// other process's keys.
TEST(PreferencesUnreadableFile, ASaveThatCannotLookAtTheFileStillReadsItFirst) {
    const struct {
        const char* domain;
        void (*save)(const std::string&, int);
    } stores[] = {{"com.OVTA.Kolbri", saveIntToPrefs}, {"com.OVTA.Vistamo9", saveIntToE9Prefs}};
    const std::string theirs = theirKeys();
    const test_environment::TemporaryFolder folder("prefs-unseen");
    const StoresIn storesInFolder(folder.path);
    for (const auto& store : stores) {
        SCOPED_TRACE(store.domain);
        const std::string path = folder.path + "/" + store.domain + ".prefs";
        {
            const FileFault failing(path, 0, LONG_MAX, EIO);
            platform_test::writeFile(path + ".other", theirs);
            ASSERT_EQ(std::rename((path + ".other").c_str(), path.c_str()), 0);
            store.save("Ours", 2);
            ASSERT_GT(faultsInjected.load(), 0) << "the save looked at the file without the fault";
        }
        if (store.save == saveIntToPrefs) platform::flushPreferences();
        const std::string content = readFile(path);
        EXPECT_EQ(theirKeysIn(content), THEIR_KEYS) << "the other process's keys after the save";
        EXPECT_NE(content.find("\nOurs=2\n"), std::string::npos);
    }
}

constexpr const char* HELD_CHILD_VARIABLE = "KOLBRI_PREFS_HELD_CHILD";

// Child side: the store opens on a file it cannot read (the fault is
// "openError,readLimit"), saves K=1, and the process ends as soon as the
// file reads again, before the writer looks at it.
TEST(PreferencesHeldChild, Run) {
    const char* fault = std::getenv(HELD_CHILD_VARIABLE);
    if (!fault) GTEST_SKIP() << "runs only as a child of the test below";
    int openError = 0;
    long readLimit = 0;
    ASSERT_EQ(std::sscanf(fault, "%d,%ld", &openError, &readLimit), 2);
    const FileFault failing(std::string(std::getenv("XDG_CONFIG_HOME")) + "/com.OVTA.Kolbri.prefs", openError, readLimit, 0);
    platform::reopenPreferences();
    saveIntToPrefs("K", 1);
}

// The store opens on a file it cannot read whole, which holds K=0 and, past
// the first 16 KB, the user's sample folder (or not). Start-up stores its
// default folder, or this process saves K=1, and the file reads again. Then
// what memory and the file hold is the later value: the user's own folder
// over start-up's default, another process's K written after the save over
// the one held. What stands reaches the file at the writer's next look, or
// as the process ends, without another save.
TEST(PreferencesUnreadableFile, WhatWasHeldReachesTheFileOnceItReadsUnlessTheFileHoldsTheLaterValue) {
    enum Held { STARTUP_FOLDER, SAVED, THEIRS_SAVED_BEFORE_IT_READS, THEIRS_SAVED_AFTER_IT_WAS_WRITTEN, SAVED_AT_EXIT,
                SAVED_THEN_THEIR_OTHER_KEYS };
    const struct {
        const char* what;
        Held held;
        bool userFolder;   // the file holds the user's folder
        const char* line;  // in the file in the end; its key's value in memory
    } rows[] = {
        {"start-up's default, the user's folder stored", STARTUP_FOLDER, true, "SampleDir=\"/home/user/My Samples\""},
        {"start-up's default, no folder stored", STARTUP_FOLDER, false, "SampleDir=\"/default\""},
        {"a value saved", SAVED, false, "K=1"},
        {"another process's later value, written before the file reads", THEIRS_SAVED_BEFORE_IT_READS, false, "K=5"},
        {"another process's later value, written after ours reached the file", THEIRS_SAVED_AFTER_IT_WAS_WRITTEN, false, "K=5"},
        {"a value saved as the process ends", SAVED_AT_EXIT, false, "K=1"},
        // The store read the file whole before: the other process left K as it was.
        {"another process's later write of its own keys", SAVED_THEN_THEIR_OTHER_KEYS, false, "K=1"},
    };
    for (const Fault& fault : {FAULTS[0], FAULTS[3]}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(fault.what) + ", " + row.what);
            const test_environment::TemporaryFolder folder("prefs-held");
            const StoresIn storesInFolder(folder.path);
            const std::string path = platform::preferencesFilePath();
            const auto anotherProcessWrites = [&](int k) {
                platform_test::writeFile(path + ".other", theirKeys() + "K=" + std::to_string(k) + "\n" +
                                                              (row.userFolder ? "SampleDir=\"/home/user/My Samples\"\n" : ""));
                ASSERT_EQ(std::rename((path + ".other").c_str(), path.c_str()), 0);
            };
            anotherProcessWrites(0);
            if (row.held == SAVED_THEN_THEIR_OTHER_KEYS) platform::reopenPreferences();
            if (row.held == SAVED_AT_EXIT) {
                const std::string child = std::to_string(fault.openError) + "," + std::to_string(fault.readLimit);
                EXPECT_EQ(platform_test::waitChild(
                              platform_test::spawnChildTest("PreferencesHeldChild.Run", HELD_CHILD_VARIABLE, child),
                              std::chrono::seconds(30)),
                          0);
            } else {
                const FileFault failing(path, fault.openError, fault.readLimit, 0);
                if (row.held == SAVED_THEN_THEIR_OTHER_KEYS) anotherProcessWrites(0);
                else platform::reopenPreferences();
                if (row.held == STARTUP_FOLDER) EXPECT_EQ(loadFolderFromPrefs("SampleDir", 256, "/default", true), "/default");
                else saveIntToPrefs("K", 1);
                if (row.held == THEIRS_SAVED_BEFORE_IT_READS) anotherProcessWrites(5);
                if (row.held == SAVED_THEN_THEIR_OTHER_KEYS) anotherProcessWrites(0);
                ASSERT_GT(faultsInjected.load(), 0);
            }
            const std::string line = std::string("\n") + row.line + "\n";
            const auto holds = [&](const std::string& expected) {
                const std::string content = readFile(path);
                return content.find(expected) != std::string::npos && theirKeysIn(content) == THEIR_KEYS;
            };
            if (row.held == THEIRS_SAVED_AFTER_IT_WAS_WRITTEN) {
                EXPECT_TRUE(platform_test::waitUntil([&] { return holds("\nK=1\n"); }, std::chrono::seconds(10)));
                anotherProcessWrites(5);
                saveIntToPrefs("Later", 1);
            }
            EXPECT_TRUE(platform_test::waitUntil([&] { return holds(line); }, std::chrono::seconds(10)))
                << "the file without another save";
            saveIntToPrefs("Later", 2);
            EXPECT_TRUE(holds(line)) << "the file after the next save";
            std::string inMemory;
            loadStringFromPrefs("SampleDir", inMemory, 256);
            if (row.held == STARTUP_FOLDER) EXPECT_EQ("SampleDir=\"" + inMemory + "\"", row.line);
            else EXPECT_EQ("K=" + std::to_string(loadIntFromPrefs("K")), row.line);
        }
    }
}

}  // namespace
