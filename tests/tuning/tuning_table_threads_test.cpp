// The table that note start reads is replaced while a reader reads it: the
// reader must see whole tables only, and no table may be freed under it
// (AddressSanitizer and ThreadSanitizer watch this test).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/TuningFile.h"

namespace {

// Table k: note n at k + n / 128, so one entry names the table it came from.
TTuningTable numberedTable(int k) {
    TTuningTable table;
    for (int note = 0; note < TUNING_NOTE_COUNT; ++note)
        table.tuningTable[static_cast<std::size_t>(note)] = static_cast<float>(k) + static_cast<float>(note) / 128.0f;
    return table;
}

TEST(TuningTableThreads, ReaderSeesWholeTablesWhilePublishing) {
    constexpr int TABLES = 3000;
    TTuningTableHolder holder;
    EXPECT_EQ(holder.getPitch(69), 69.0f) << "a new holder plays the standard tuning";
    EXPECT_EQ(holder.getPitch(-5), 0.0f) << "notes are clamped to the table";
    EXPECT_EQ(holder.getPitch(500), 127.0f);

    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, backwards{0}, lastSeen{0};
    std::thread reader([&] {
        int lastTable = -1;
        TTuningTable seen;
        while (!done.load(std::memory_order_acquire)) {
            holder.copyTable(seen);
            const float first = seen.tuningTable[0];
            if (first == 0.0f && seen == TTuningTable::identity()) continue;  // not yet published
            const int k = static_cast<int>(first);
            if (seen != numberedTable(k)) torn.fetch_add(1);
            if (k < lastTable) backwards.fetch_add(1);
            lastTable = k;
            const float one = holder.getPitch(64);
            if (one < static_cast<float>(k)) backwards.fetch_add(1);
            lastSeen.store(k, std::memory_order_relaxed);
        }
    });
    for (int k = 1; k <= TABLES; ++k) holder.publish(numberedTable(k));
    // The reader stops once it has seen the last table.
    while (lastSeen.load(std::memory_order_relaxed) != TABLES) std::this_thread::yield();
    done.store(true, std::memory_order_release);
    reader.join();

    EXPECT_EQ(torn.load(), 0) << "a reader saw a mixture of two tables";
    EXPECT_EQ(backwards.load(), 0) << "a reader went back to a replaced table";
    EXPECT_EQ(holder.getPitch(64), static_cast<float>(TABLES) + 0.5f);

    holder.publishIdentity();
    EXPECT_EQ(holder.getPitch(64), 64.0f);
}

}  // namespace
