#include "plugin/PluginWorker.h"

void TPluginWorker::addJob(Job job) {
    std::lock_guard lock(mutex);
    jobs.push_back(std::move(job));
}

void TPluginWorker::start() {
    std::lock_guard lock(mutex);
    if (thread.joinable() || stoppedForGood) return;
    stopping = false;
    thread = std::thread([this] { run(); });
}

void TPluginWorker::stop() {
    {
        std::lock_guard lock(mutex);
        if (!thread.joinable()) return;
        stopping = true;
    }
    wakeUp.notify_all();
    thread.join();
    std::lock_guard lock(mutex);
    thread = std::thread();
}

void TPluginWorker::stopForGood() {
    {
        std::lock_guard lock(mutex);
        stoppedForGood = true;
    }
    stop();
}

void TPluginWorker::wake() {
    {
        std::lock_guard lock(mutex);
        woken = true;
    }
    wakeUp.notify_all();
}

bool TPluginWorker::isRunning() const {
    std::lock_guard lock(mutex);
    return thread.joinable() && !stopping;
}

void TPluginWorker::runPassNow() {
    std::lock_guard pass(passMutex);
    // Jobs are only added before start(), so the list is stable here. An
    // exception that left the worker's thread would end the host: a job that
    // fails (no memory for a file) finds its request still raised at the next
    // pass, and the jobs after it run all the same.
    for (const Job& job : jobs) {
        try {
            job();
        } catch (...) {
        }
    }
}

void TPluginWorker::run() {
    for (;;) {
        {
            std::unique_lock lock(mutex);
            wakeUp.wait_for(lock, POLL_PERIOD, [this] { return stopping || woken; });
            if (stopping) return;
            woken = false;
        }
        runPassNow();
    }
}
