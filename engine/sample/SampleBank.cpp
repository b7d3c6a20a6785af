#include "engine/sample/SampleBank.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr std::int64_t BYTES_PER_FRAME = 4;

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

const TSampleBankTables& silentTables() {
    static const TSampleBankTables tables{};
    return tables;
}

std::atomic<int> aliveBanks{0};
std::atomic<bool> problemReported{false};

std::mutex sharedBankMutex;
std::weak_ptr<const TSampleBank> sharedBank;
std::string sharedBankPath;

}  // namespace

const TSampleBankTables& builtInSampleTables() {
    static const TSampleBankTables tables = makeBuiltInTables();
    return tables;
}

int TSampleBank::banksAlive() { return aliveBanks.load(); }

std::shared_ptr<const TSampleBank> TSampleBank::acquire(const std::string& path) {
    std::lock_guard<std::mutex> lock(sharedBankMutex);
    if (auto bank = sharedBank.lock(); bank && bank->isLoaded() && sharedBankPath == path) return bank;
    std::shared_ptr<TSampleBank> bank(new TSampleBank());
    bank->load(path);
    if (!bank->problem.empty() && !problemReported.exchange(true))
        std::fprintf(stderr, "Kolbri: %s (%s)\n", SAMPLE_BANK_PROBLEM_TEXT, bank->detail.c_str());
    sharedBank = bank;
    sharedBankPath = path;
    return bank;
}

void TSampleBank::load(const std::string& path) {
    ++aliveBanks;
    table = &silentTables();
    const std::int64_t expectedBytes = SAMPLE_BANK_FRAMES * BYTES_PER_FRAME;
    auto fail = [&](const char* why) {
        problem = SAMPLE_BANK_PROBLEM_TEXT;
        detail = path + ": " + why;
    };

    // Non-blocking, so that a path naming a pipe cannot stall start-up.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0) return fail(std::strerror(errno));
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return fail("not a regular file");
    }
    const std::int64_t fileBytes = info.st_size;
    if (fileBytes >= expectedBytes && expectedBytes > 0) {
        void* mapped = mmap(nullptr, static_cast<std::size_t>(expectedBytes), PROT_READ, MAP_PRIVATE, descriptor, 0);
        ::close(descriptor);
        if (mapped == MAP_FAILED) return fail(std::strerror(errno));
        mapping = mapped;
        mappedBytes = static_cast<std::size_t>(expectedBytes);
        frameData = static_cast<const std::int16_t*>(mapped);
        presentFrames = SAMPLE_BANK_FRAMES;
        table = &builtInSampleTables();
        // A longer file belongs to another bank than the tables describe.
        if (fileBytes > expectedBytes) fail("longer than the bank's tables say");
        return;
    }
    // A short file: the frames there are used, the rest of the bank is silent.
    copy.reset(new (std::nothrow) std::int16_t[static_cast<std::size_t>(SAMPLE_BANK_FRAMES) * 2]());
    if (!copy) {
        ::close(descriptor);
        return fail("out of memory");
    }
    std::int64_t got = 0;
    auto* target = reinterpret_cast<char*>(copy.get());
    int flags = fcntl(descriptor, F_GETFL);
    if (flags >= 0) fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    while (got < fileBytes) {
        const ssize_t n = ::read(descriptor, target + got, static_cast<std::size_t>(fileBytes - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    ::close(descriptor);
    frameData = copy.get();
    presentFrames = got / BYTES_PER_FRAME;
    table = &builtInSampleTables();
    fail("shorter than the bank's tables say");
}

TSampleBank::~TSampleBank() {
    if (mapping) munmap(mapping, mappedBytes);
    --aliveBanks;
}

void TSampleBank::prefault() const {
    if (!mapping) return;
    madvise(mapping, mappedBytes, MADV_WILLNEED);
    const auto* bytes = static_cast<const volatile unsigned char*>(mapping);
    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t step = page > 0 ? static_cast<std::size_t>(page) : 4096;
    unsigned char sum = 0;
    for (std::size_t i = 0; i < mappedBytes; i += step) sum ^= bytes[i];
    (void)sum;
}
