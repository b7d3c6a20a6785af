#include "engine/sample/SampleBank.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::int64_t BYTES_PER_FRAME = 4;
// Reads go in pieces of this size, so that a signal or a short read costs little.
constexpr std::size_t READ_PIECE = std::size_t{8} << 20;

TSampleBankTables makeBuiltInTables() {
    TSampleBankTables t;
    std::int32_t start = 0;
    for (int k = 0; k < BANK_SAMPLES; ++k) {
        t.sampleStartFrame[k] = start;
        t.sampleEndFrame[k] = start + SAMPLE_LEN[k];
        t.sampleLength[k] = SAMPLE_LEN[k] - 1;
        t.sampleHasLoop[k] = 0;
        t.sampleLoopStart[k] = 0;
        // Without a loop of its own a sample "loops" at its last frame, so it plays to its end.
        t.sampleLoopEnd[k] = t.sampleLength[k];
        t.samplePitchFactor[k] = SAMPLE_PITCH_FACTOR[k];
        start = t.sampleEndFrame[k];
    }
    for (int i = 0; i < SAMPLE_LOOP_COUNT; ++i) {
        const TSampleLoopRow& row = SAMPLE_LOOPS[i];
        if (row.sample < 0 || row.sample >= BANK_SAMPLES) continue;
        t.sampleHasLoop[row.sample] = 1;
        t.sampleLoopStart[row.sample] = row.loopStart;
        t.sampleLoopEnd[row.sample] = row.loopEnd;
    }
    return t;
}

std::atomic<int> aliveBanks{0};
std::atomic<bool> problemReported{false};

void reportOnce(const std::string& detail) {
    if (!problemReported.exchange(true)) std::fprintf(stderr, "Kolbri: %s (%s)\n", SAMPLE_BANK_PROBLEM_TEXT, detail.c_str());
}

std::mutex sharedBankMutex;
std::weak_ptr<const TSampleBank> sharedBank;
std::string sharedBankPath;

}  // namespace

const TSampleBankTables& builtInSampleTables() {
    static const TSampleBankTables tables = makeBuiltInTables();
    return tables;
}

const TSampleBankTables& TSampleBank::silentTables() {
    static const TSampleBankTables tables{};
    return tables;
}

int TSampleBank::banksAlive() { return aliveBanks.load(); }

std::shared_ptr<const TSampleBank> TSampleBank::acquire(const std::string& path) {
    std::lock_guard<std::mutex> lock(sharedBankMutex);
    if (auto bank = sharedBank.lock(); bank && bank->isLoaded() && sharedBankPath == path) return bank;
    std::shared_ptr<TSampleBank> bank(new TSampleBank());
    bank->open(path);
    if (const std::string why = bank->problemDetail(); !why.empty()) reportOnce(why);
    sharedBank = bank;
    sharedBankPath = path;
    return bank;
}

void TSampleBank::fail(const std::string& why) const {
    problem = SAMPLE_BANK_PROBLEM_TEXT;
    detail = why;
}

void TSampleBank::open(const std::string& path) {
    ++aliveBanks;
    std::lock_guard lock(stateMutex);
    // Non-blocking, so that a path naming a pipe cannot stall start-up.
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file < 0) return fail(path + ": " + std::strerror(errno));
    struct stat info {};
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(file);
        return fail(path + ": not a regular file");
    }
    const int flags = fcntl(file, F_GETFL);
    if (flags >= 0) fcntl(file, F_SETFL, flags & ~O_NONBLOCK);
    descriptor = file;
    table = &builtInSampleTables();
    // A longer file is read to the bank's length and is not a problem.
    const std::int64_t bankBytes = SAMPLE_BANK_FRAMES * BYTES_PER_FRAME;
    bytesToRead = std::min<std::int64_t>(info.st_size, bankBytes);
    // A short file: the frames there are used, the rest of the bank is silent.
    if (bytesToRead < bankBytes) fail(path + ": shorter than the bank's tables say");
}

void TSampleBank::readIn() const {
    std::lock_guard lock(stateMutex);
    if (readDone) return;
    readDone = true;
    if (descriptor < 0) return;
    const std::int64_t bankBytes = SAMPLE_BANK_FRAMES * BYTES_PER_FRAME;
    // Anonymous memory starts as zeros, so whatever the file lacks is silence.
    copyBytes = static_cast<std::size_t>(bankBytes > 0 ? bankBytes : 1);
    void* memory = mmap(nullptr, copyBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        copyBytes = 0;
        ::close(descriptor);
        descriptor = -1;
        fail(std::string("no memory for the bank: ") + std::strerror(errno));
        reportOnce(detail);
        return;
    }
    // Large pages make the first touch of 90 MB several times cheaper; a
    // kernel without them just ignores the advice.
    madvise(memory, copyBytes, MADV_HUGEPAGE);
    auto* target = static_cast<char*>(memory);
    std::int64_t got = 0;
    while (got < bytesToRead) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::int64_t>(bytesToRead - got, READ_PIECE));
        const ssize_t n = ::pread(descriptor, target + got, piece, got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    ::close(descriptor);
    descriptor = -1;
    // The file was cut while it was read (an upgrade under way): what arrived plays.
    if (got < bytesToRead && problem.empty()) {
        fail(std::string(SAMPLE_BANK_FILE_NAME) + " became shorter while it was read");
        reportOnce(detail);
    }
    frameData = static_cast<std::int16_t*>(memory);
    presentFrames.store(got / BYTES_PER_FRAME, std::memory_order_release);
}

std::string TSampleBank::problemText() const {
    std::lock_guard lock(stateMutex);
    return problem;
}

std::string TSampleBank::problemDetail() const {
    std::lock_guard lock(stateMutex);
    return detail;
}

TSampleBank::~TSampleBank() {
    if (descriptor >= 0) ::close(descriptor);
    if (frameData) munmap(frameData, copyBytes);
    --aliveBanks;
}
