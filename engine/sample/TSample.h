// One sample slot (the user sample, the preview): the sample data the audio
// thread reads, replaced whole by publishing a new immutable TSampleData.
//
// Threads: the audio thread calls beginBlock and endBlock around every block
// and reads the data beginBlock answered until endBlock; it never waits,
// allocates or frees. Any other thread publishes, takes snapshots and
// collects retired data. Data replaced while a block may still read it is
// kept on a retire list and freed by a later publish or collectRetired once
// the audio thread has passed a block boundary, or is outside a block.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/sample/SampleData.h"

class TSample {
public:
    TSample() = default;
    ~TSample();  // frees everything: no audio block may be running
    TSample(const TSample&) = delete;
    TSample& operator=(const TSample&) = delete;

    // ---- any thread but the audio thread
    // Makes data the slot's sample (null: no sample). The previous data stays
    // readable by a running block and is freed later. False (and nothing
    // changed) when memory for the bookkeeping could not be had.
    bool publish(std::unique_ptr<TSampleData> data);
    // Back to no sample.
    void init() { publish(nullptr); }
    // The current data for readers outside the audio thread (the editor's
    // waveform, normalising, the zero-crossing search).
    std::shared_ptr<const TSampleData> snapshot() const;
    // Frees the retired data that no block can read any more; the number still held.
    std::size_t collectRetired();

    // ---- load requests. A slot whose load is pending reads silence, so that
    // the sample named by a newly applied program is never played with the old
    // sound. requestLoad may be called on the audio thread (two atomic steps).
    std::uint32_t requestLoad();
    // The loader has finished the request with this ticket (published or
    // failed); later requests keep the slot silent until they are finished too.
    void finishLoad(std::uint32_t ticket);
    bool isLoadPending() const;
    // The ticket of the newest request (a loader finishes it once it has
    // loaded what was asked at the time it read this).
    std::uint32_t latestLoadRequest() const { return loadsRequested.load(std::memory_order_acquire); }

    // Reads return silence while muted (any thread).
    void setMuted(bool on) { muted.store(on, std::memory_order_relaxed); }
    bool isMuted() const { return muted.load(std::memory_order_relaxed); }

    // ---- audio thread
    // Starts a block: the data to read until endBlock, or null when the slot
    // has no sample, is muted or waits for a load.
    const TSampleData* beginBlock();
    void endBlock();
    // What beginBlock answered, for readers later in the same block.
    const TSampleData* blockData() const { return inBlockData; }

private:
    struct TRetired {
        std::shared_ptr<const TSampleData> data;
        std::uint64_t epoch;  // the audio epoch read right after the swap
    };
    bool canFree(const TRetired& retired) const;

    std::atomic<const TSampleData*> current{nullptr};
    // Counts block starts and ends: odd while the audio thread is inside a block.
    std::atomic<std::uint64_t> audioEpoch{0};
    std::atomic<std::uint32_t> loadsRequested{0};
    std::atomic<std::uint32_t> loadsFinished{0};
    std::atomic<bool> muted{false};
    const TSampleData* inBlockData = nullptr;  // audio thread only

    mutable std::mutex ownersMutex;  // never taken by the audio thread
    std::shared_ptr<const TSampleData> currentOwner;
    std::vector<TRetired> retired;
};
