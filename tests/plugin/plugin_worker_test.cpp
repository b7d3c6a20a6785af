// The plug-in's background thread: requests raised without waking it are
// taken within its poll period; wake() runs a pass promptly; stop() joins
// and no job runs after it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <thread>

#include "plugin/PluginWorker.h"

namespace {

using namespace std::chrono_literals;

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

}  // namespace

TEST(PluginWorkerThreads, TakesRequestsRaisedWithoutWakingAndStopsCleanly) {
    TPluginWorker worker;
    std::atomic<bool> request{false};
    std::atomic<int> taken{0}, passes{0};
    worker.addJob([&] {
        passes.fetch_add(1);
        if (request.exchange(false)) taken.fetch_add(1);
    });
    EXPECT_FALSE(worker.isRunning());
    worker.start();
    worker.start();  // a second start changes nothing
    EXPECT_TRUE(worker.isRunning());

    // As the audio thread does it: a flag, no call.
    request.store(true);
    EXPECT_TRUE(eventually([&] { return taken.load() == 1; }));

    request.store(true);
    worker.wake();
    EXPECT_TRUE(eventually([&] { return taken.load() == 2; }));

    worker.stop();
    EXPECT_FALSE(worker.isRunning());
    const int after = passes.load();
    request.store(true);
    std::this_thread::sleep_for(3 * TPluginWorker::POLL_PERIOD);
    EXPECT_EQ(passes.load(), after) << "a job ran after stop()";
    EXPECT_TRUE(request.load());

    // Work can still be done on the caller's thread, and the worker restarts.
    worker.runPassNow();
    EXPECT_EQ(taken.load(), 3);
    worker.start();
    request.store(true);
    EXPECT_TRUE(eventually([&] { return taken.load() == 4; }));
}

// A job that throws (no memory for a file) would end the host with the
// thread: the worker lives on, the jobs after it run, and it is tried again.
TEST(PluginWorkerThreads, AJobThatThrowsEndsNeitherTheThreadNorTheJobsAfterIt) {
    TPluginWorker worker;
    std::atomic<int> attempts{0}, done{0}, after{0};
    worker.addJob([&] {
        if (attempts.fetch_add(1) < 3) throw std::bad_alloc();
        done.store(1);
    });
    worker.addJob([&] { after.fetch_add(1); });
    worker.start();
    EXPECT_TRUE(eventually([&] { return done.load() == 1; })) << "the failed job was not tried again";
    EXPECT_GE(after.load(), 3) << "the job after the failing one was skipped";
    EXPECT_TRUE(worker.isRunning());
    worker.stop();
}
