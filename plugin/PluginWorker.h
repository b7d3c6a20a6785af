// The plug-in's one background thread: file work that must not run on the
// audio thread (sample loads and folder scans, tuning files) and that must
// still happen while no editor is open, since a host may apply a program with
// its editor closed.
//
// The audio thread hands work over by raising a request (an atomic flag the
// job's owner keeps) and nothing more: no lock, no wake-up call. The worker
// polls every job at least every POLL_PERIOD, and at once after wake() from a
// thread that may block (the UI thread). The thread starts with the first
// start() call, so a host that only scans the plug-in never starts it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TPluginWorker {
public:
    static constexpr std::chrono::milliseconds POLL_PERIOD{15};

    // A job looks at its own requests and does what they ask; it runs on the
    // worker thread only, never two at once.
    using Job = std::function<void()>;

    TPluginWorker() = default;
    TPluginWorker(const TPluginWorker&) = delete;
    TPluginWorker& operator=(const TPluginWorker&) = delete;
    ~TPluginWorker() { stop(); }

    // Before start(); jobs run in the order they were added.
    void addJob(Job job);
    // Idempotent; any thread but the audio thread. A thread the system will
    // not start throws std::system_error and leaves the worker stopped, so a
    // later start() tries again; until then requests wait, and the plug-in
    // plays on with what it has loaded.
    void start();
    // Finishes the pass under way and joins; any thread but the audio thread and the worker.
    void stop();
    // As stop(), and start() does nothing from then on: the host is letting
    // go of the plug-in, and no later call may bring the thread back.
    void stopForGood();
    // Runs a pass soon; any thread but the audio thread.
    void wake();
    // Runs every job once on the calling thread and returns; for tests and for
    // callers that need the work done before they go on (not the audio thread).
    void runPassNow();
    bool isRunning() const;

private:
    void run();

    std::vector<Job> jobs;
    mutable std::mutex mutex;
    std::condition_variable wakeUp;
    std::mutex passMutex;  // one pass at a time, whichever thread runs it
    bool stopping = false;
    bool stoppedForGood = false;
    bool woken = false;
    std::thread thread;
};
