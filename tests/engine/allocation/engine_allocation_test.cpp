// processReplacing with every effect on allocates nothing, takes no lock and
// makes no system call: this executable replaces the global allocation
// functions with counting ones and puts counting wrappers in front of the C
// library's locks and its system-call functions. It counts only on the
// rendering thread and only inside processReplacing, through every Mod FX
// mode and every order, with notes starting and ending, mode changes, a
// transport start and a rate change taken at a block start.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "engine/fx/FxControls.h"
#include "engine/fx/FxPath.h"
#include "plugin/uPlugin.h"
#include "tests/counting_allocator.h"

namespace {

thread_local bool counting = false;
std::atomic<long> locks{0};
std::atomic<long> systemCalls{0};

// The next definition of a function after this executable's own.
template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

bool countingalloc::countsNow() { return counting; }
using countingalloc::allocations;

// Locks: what std::mutex, condition variables and semaphores come down to.
#define KOLBRI_COUNTED(counter, result, name, parameters, arguments)                          \
    extern "C" result name parameters {                                                        \
        static const auto real = next<result(*) parameters>(#name);                           \
        if (counting) counter.fetch_add(1, std::memory_order_relaxed);                         \
        return real arguments;                                                                 \
    }
KOLBRI_COUNTED(locks, int, pthread_mutex_lock, (pthread_mutex_t * m), (m))
KOLBRI_COUNTED(locks, int, pthread_mutex_trylock, (pthread_mutex_t * m), (m))
KOLBRI_COUNTED(locks, int, pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l))
KOLBRI_COUNTED(locks, int, pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l))
KOLBRI_COUNTED(locks, int, pthread_spin_lock, (pthread_spinlock_t * l), (l))
KOLBRI_COUNTED(locks, int, pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t* m), (c, m))
KOLBRI_COUNTED(locks, int, pthread_cond_signal, (pthread_cond_t * c), (c))
KOLBRI_COUNTED(locks, int, pthread_cond_broadcast, (pthread_cond_t * c), (c))
KOLBRI_COUNTED(locks, int, sem_wait, (sem_t * s), (s))
KOLBRI_COUNTED(locks, int, sem_post, (sem_t * s), (s))
// System calls: files, waiting, memory maps and the raw entry.
KOLBRI_COUNTED(systemCalls, ssize_t, read, (int fd, void* buffer, size_t n), (fd, buffer, n))
KOLBRI_COUNTED(systemCalls, ssize_t, write, (int fd, const void* buffer, size_t n), (fd, buffer, n))
KOLBRI_COUNTED(systemCalls, int, close, (int fd), (fd))
KOLBRI_COUNTED(systemCalls, FILE*, fopen, (const char* path, const char* mode), (path, mode))
KOLBRI_COUNTED(systemCalls, int, fflush, (FILE * file), (file))
KOLBRI_COUNTED(systemCalls, int, nanosleep, (const timespec* t, timespec* rest), (t, rest))
KOLBRI_COUNTED(systemCalls, int, usleep, (useconds_t t), (t))
KOLBRI_COUNTED(systemCalls, int, sched_yield, (), ())
KOLBRI_COUNTED(systemCalls, void*, mmap, (void* a, size_t n, int p, int f, int fd, off_t o), (a, n, p, f, fd, o))
KOLBRI_COUNTED(systemCalls, int, munmap, (void* a, size_t n), (a, n))
KOLBRI_COUNTED(systemCalls, int, clock_gettime, (clockid_t c, timespec* t), (c, t))
extern "C" int open(const char* path, int flags, ...) {
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    if (counting) systemCalls.fetch_add(1, std::memory_order_relaxed);
    va_list list;
    va_start(list, flags);
    const mode_t mode = (flags & O_CREAT) ? static_cast<mode_t>(va_arg(list, int)) : 0;
    va_end(list);
    return real(path, flags, mode);
}
extern "C" long syscall(long number, ...) {
    static const auto real = next<long (*)(long, ...)>("syscall");
    if (counting) systemCalls.fetch_add(1, std::memory_order_relaxed);
    va_list list;
    va_start(list, number);
    long a[6];
    for (long& x : a) x = va_arg(list, long);
    va_end(list);
    return real(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}
#undef KOLBRI_COUNTED

namespace {

struct Counts {
    long allocations, locks, systemCalls;
};

class CountingRender {
public:
    explicit CountingRender(APlugin& p) : plugin(p), left(256), right(256) {}
    // One block; what it did on this thread is added to `counts`.
    void block(Counts& counts) {
        float* outputs[2] = {left.data(), right.data()};
        const long a0 = allocations, l0 = locks, s0 = systemCalls;
        counting = true;
        plugin.processReplacing(nullptr, outputs, 256);
        counting = false;
        counts.allocations += allocations - a0;
        counts.locks += locks - l0;
        counts.systemCalls += systemCalls - s0;
    }
    void note(int status, int note) {
        vst::VstMidiEvent event{};
        event.type = vst::kVstMidiType;
        event.byteSize = sizeof event;
        event.midiData[0] = static_cast<char>(status);
        event.midiData[1] = static_cast<char>(note);
        event.midiData[2] = 100;
        vst::VstEvents events{};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<vst::VstEvent*>(&event);
        plugin.processEvents(&events);
    }

private:
    APlugin& plugin;
    std::vector<float> left, right;
};

// A plug-in at 48 kHz, resumed, its start program applied by blocks that are
// not counted.
std::unique_ptr<APlugin> startedPlugin() {
    auto plugin = std::make_unique<APlugin>(nullptr);
    plugin->setSampleRate(48000.0f);
    plugin->resume();
    CountingRender warm(*plugin);
    Counts warmUp{};
    for (int b = 0; b < 40; ++b) warm.block(warmUp);
    return plugin;
}

TEST(EngineAllocation, ProcessReplacingWithEveryEffectOn) {
    // The counting functions are the ones in use.
    std::mutex mutex;
    counting = true;
    auto probe = std::make_unique<float[]>(16);
    void* map = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    mutex.lock();
    counting = false;
    mutex.unlock();
    munmap(map, 4096);
    ASSERT_EQ(allocations.load(), 1);
    ASSERT_EQ(systemCalls.load(), 1);
    ASSERT_EQ(locks.load(), 1);

    auto plugin = startedPlugin();
    CountingRender render(*plugin);

    plugin->setParameter(tag::BYPASS_ALL_FX, 0.0f);
    for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB}) plugin->setParameter(tag, 1.0f);
    plugin->setParameter(40, 1.0f);  // "Movement Loop": held notes keep sounding
    Counts counts{};
    for (int mode = 0; mode < 10; ++mode) {
        plugin->setSteppedValue(tag::MOD_FX_MODE, mode);
        for (int path = mode; path < FX_PATH_COUNT; path += 10) {
            plugin->setSteppedValue(tag::FX_PATH, path);
            render.note(0x90, 48 + path);
            for (int b = 0; b < 12; ++b) render.block(counts);
            render.note(0x80, 48 + path);
            for (int b = 0; b < 4; ++b) render.block(counts);
        }
        if (mode == 4) {
            // A rate change, taken at the next block start.
            plugin->setSampleRate(44100.0f);
            render.block(counts);
        }
    }
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.locks, 0);
    EXPECT_EQ(counts.systemCalls, 0);
}

}  // namespace

namespace {

// Applying a program is the audio thread's work too: the name lookup, the
// 1,024 values, the engine's half and the editor's marks.
TEST(EngineAllocation, ProgramApplicationWithoutAllocationLockOrSystemCall) {
    auto plugin = startedPlugin();
    CountingRender render(*plugin);

    Counts counts{};
    for (int program : {1, 8, 37, 69, 0}) {
        plugin->setDemoProgram(program);
        render.note(0x90, 60);
        // The request waits for the next tick; the application runs in it.
        for (int b = 0; b < 40 && plugin->getIsSettingPreset(); ++b) render.block(counts);
        ASSERT_FALSE(plugin->getIsSettingPreset()) << program;
        ASSERT_EQ(plugin->getCurBuiltinProgram(), program);
        render.note(0x80, 60);
    }
    // A choice made while an application runs is loaded by the audio thread.
    plugin->setProgram(0);
    plugin->setDemoProgram(12);
    for (int b = 0; b < 60 && (plugin->getIsSettingPreset() || plugin->getCurBuiltinProgram() != 12); ++b)
        render.block(counts);
    EXPECT_EQ(plugin->getCurBuiltinProgram(), 12);
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.locks, 0);
    EXPECT_EQ(counts.systemCalls, 0);
}

}  // namespace
