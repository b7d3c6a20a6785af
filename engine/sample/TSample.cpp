#include "engine/sample/TSample.h"

#include <algorithm>
#include <new>

// The swap, the epoch reads and the block counters are sequentially
// consistent: a block that starts after the publisher read the epoch is
// ordered after the swap and so cannot see the old data. They run once per
// block and once per publish, so their cost does not matter.

TSample::~TSample() {
    std::lock_guard<std::mutex> lock(ownersMutex);
    retired.clear();
    currentOwner.reset();
}

bool TSample::publish(std::unique_ptr<TSampleData> data) {
    std::shared_ptr<const TSampleData> incoming;
    {
        std::lock_guard<std::mutex> lock(ownersMutex);
        try {
            incoming = std::shared_ptr<const TSampleData>(std::move(data));
            // Room for the old data first: once swapped it must not be lost track of.
            retired.reserve(retired.size() + 1);
        } catch (const std::bad_alloc&) {
            return false;
        }
        std::shared_ptr<const TSampleData> previous = std::move(currentOwner);
        currentOwner = incoming;
        current.store(incoming.get());
        if (previous) retired.push_back(TRetired{std::move(previous), audioEpoch.load()});
    }
    collectRetired();
    return true;
}

std::shared_ptr<const TSampleData> TSample::snapshot() const {
    std::lock_guard<std::mutex> lock(ownersMutex);
    return currentOwner;
}

bool TSample::canFree(const TRetired& entry) const {
    // Even: no block was running at the swap, so none can hold the old data.
    // Moved on: the block that was running has ended.
    return (entry.epoch & 1u) == 0 || audioEpoch.load() != entry.epoch;
}

std::size_t TSample::collectRetired() {
    std::vector<std::shared_ptr<const TSampleData>> freeing;
    std::size_t left;
    {
        std::lock_guard<std::mutex> lock(ownersMutex);
        auto keep = std::stable_partition(retired.begin(), retired.end(),
                                          [this](const TRetired& entry) { return !canFree(entry); });
        for (auto it = keep; it != retired.end(); ++it) freeing.push_back(std::move(it->data));
        retired.erase(keep, retired.end());
        left = retired.size();
    }
    freeing.clear();  // the frames are released outside the lock
    return left;
}

std::uint32_t TSample::requestLoad() { return loadsRequested.fetch_add(1, std::memory_order_acq_rel) + 1; }

void TSample::finishLoad(std::uint32_t ticket) {
    // Tickets only move forward; finishing an older one after a newer one changes nothing.
    std::uint32_t finished = loadsFinished.load(std::memory_order_relaxed);
    while (static_cast<std::int32_t>(ticket - finished) > 0 &&
           !loadsFinished.compare_exchange_weak(finished, ticket, std::memory_order_acq_rel)) {
    }
}

bool TSample::isLoadPending() const {
    return loadsRequested.load(std::memory_order_acquire) != loadsFinished.load(std::memory_order_acquire);
}

const TSampleData* TSample::beginBlock() {
    audioEpoch.fetch_add(1);
    const TSampleData* data = current.load();
    inBlockData = (isMuted() || isLoadPending()) ? nullptr : data;
    return inBlockData;
}

void TSample::endBlock() {
    inBlockData = nullptr;
    audioEpoch.fetch_add(1);
}
