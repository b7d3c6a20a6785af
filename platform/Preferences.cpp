#include "platform/Preferences.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Descriptor.h"
#include "platform/Paths.h"

namespace platform {
namespace {

constexpr const char* E9_PATH_STR = "com.OVTA.Vistamo9";
constexpr const char* E10_PATH_STR = "com.OVTA.Vistamo10";
constexpr const char* E11_PATH_STR = "com.OVTA.Vistamo11";
constexpr const char* E12_PATH_STR = "com.OVTA.Vistamo12";

constexpr int MIDI_CONTROLLERS = 128;
// A store file larger than this is not ours; only its beginning is read.
constexpr size_t MAX_STORE_FILE_SIZE = 16u << 20;
// The audio thread cannot wake the writer (that would be a system call), so
// the writer looks for its writes: often while MIDI learn is busy, seldom
// when nothing has come for a while. Changes made by other processes are
// looked for once a second.
constexpr auto WRITER_BUSY_PERIOD = std::chrono::milliseconds(20);
constexpr auto WRITER_IDLE_PERIOD = std::chrono::milliseconds(200);
constexpr auto WRITER_BUSY_SPAN = std::chrono::seconds(5);
constexpr auto DISK_CHECK_PERIOD = std::chrono::seconds(1);

// ---------------------------------------------------------------- values and the file format

struct TPrefValue {
    bool isInteger = false;
    int32_t number = 0;
    std::string text;

    bool operator==(const TPrefValue&) const = default;
};

using TPrefMap = std::map<std::string, TPrefValue, std::less<>>;

void appendEscaped(std::string& out, std::string_view text, bool isKey) {
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        case '=': out += isKey ? "\\=" : "="; break;
        case '"': out += isKey ? "\"" : "\\\""; break;
        case '#': out += (isKey && i == 0) ? "\\#" : "#"; break;
        default: out += c;
        }
    }
}

char unescaped(char c) {
    switch (c) {
    case 'n': return '\n';
    case 'r': return '\r';
    case '0': return '\0';
    default: return c;
    }
}

// One line: key=value, where a text value stands in double quotes and an
// integer stands bare. False for a line that is neither.
bool parseLine(std::string_view line, std::string& key, TPrefValue& value) {
    key.clear();
    size_t i = 0;
    for (; i < line.size() && line[i] != '='; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) key += unescaped(line[++i]);
        else key += line[i];
    }
    if (i >= line.size()) return false;
    std::string_view rest = line.substr(i + 1);
    if (!rest.empty() && rest[0] == '"') {
        std::string text;
        for (size_t j = 1; j < rest.size(); ++j) {
            if (rest[j] == '\\' && j + 1 < rest.size()) {
                text += unescaped(rest[++j]);
            } else if (rest[j] == '"') {
                if (j + 1 != rest.size()) return false;
                value.isInteger = false;
                value.text = std::move(text);
                return true;
            } else {
                text += rest[j];
            }
        }
        return false;  // no closing quote: a cut line
    }
    std::string number(rest);
    if (number.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long whole = std::strtoll(number.c_str(), &end, 10);
    if (end && *end == 0 && errno == 0) {
        value.isInteger = true;
        value.number = static_cast<int32_t>(whole < INT32_MIN ? INT32_MIN : whole > INT32_MAX ? INT32_MAX : whole);
        return true;
    }
    // A number stored with a fraction reads back truncated.
    double real = std::strtod(number.c_str(), &end);
    if (!end || *end != 0 || !std::isfinite(real)) return false;
    real = std::trunc(real);
    value.isInteger = true;
    value.number = real < INT32_MIN ? INT32_MIN : real > INT32_MAX ? INT32_MAX : static_cast<int32_t>(real);
    return true;
}

TPrefMap parseStore(std::string_view content) {
    TPrefMap map;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string_view::npos) end = content.size();
        std::string_view line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == '#') continue;
        std::string key;
        TPrefValue value;
        if (parseLine(line, key, value)) map[key] = std::move(value);
    }
    return map;
}

std::string formatStore(const TPrefMap& map, const std::string& domain) {
    std::string out = "# Preferences of " + domain + ": one key a line, texts in quotes, integers bare.\n";
    for (const auto& [key, value] : map) {
        appendEscaped(out, key, true);
        out += '=';
        if (value.isInteger) {
            out += std::to_string(value.number);
        } else {
            out += '"';
            appendEscaped(out, value.text, false);
            out += '"';
        }
        out += '\n';
    }
    return out;
}

// ---------------------------------------------------------------- files

struct TFileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedSeconds = 0;
    long modifiedNanoseconds = 0;

    static TFileStamp of(const struct stat& info) {
        TFileStamp stamp;
        stamp.exists = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.size = info.st_size;
        stamp.modifiedSeconds = info.st_mtim.tv_sec;
        stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
        return stamp;
    }
    // A file that could not be looked at (an error other than its absence)
    // matches no stamp: the save reads it again rather than take it for
    // the absent file it last saw, and write over it.
    bool unknown = false;

    bool operator==(const TFileStamp&) const = default;
};

TFileStamp stampOfPath(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) return TFileStamp::of(info);
    TFileStamp stamp;
    stamp.unknown = errno != ENOENT;
    return stamp;
}

// Reads the store file into map. True when the map holds what the file
// holds: the file was read to its end, or there is none (an absent file
// reads as empty). A file that cannot be opened or read to its end answers
// false, with what was read before the error: a save must not write over it,
// or the keys it could not read would be lost. The stamp is that of the file
// as it was opened, and it is given only for a read that got to the end and
// was parsed: a save trusts the stamp to mean that the memory holds the file,
// so a read cut short (by an error, or by memory running out, which throws)
// leaves none, and the next save reads again.
bool readStoreFile(const std::string& path, TPrefMap& map, TFileStamp& stamp) {
    stamp = {};
    map.clear();
    int opened;
    while ((opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC)) < 0 && errno == EINTR) {
    }
    if (opened < 0) return errno == ENOENT;
    const TDescriptor file(opened);
    struct stat info {};
    const bool stamped = fstat(file.get(), &info) == 0;
    std::string content;
    char buffer[16384];
    bool complete = false;
    for (;;) {
        ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            complete = got == 0;
            break;
        }
        content.append(buffer, static_cast<size_t>(got));
        if (content.size() >= MAX_STORE_FILE_SIZE) {
            complete = true;  // only the beginning of a file this large is ours
            break;
        }
    }
    map = parseStore(content);
    if (complete && stamped) stamp = TFileStamp::of(info);
    return complete;
}

bool writeAll(int descriptor, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t written = ::write(descriptor, data.data() + done, data.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

// Replaces the file at path by content so that a crash at any moment leaves
// either the old or the new file: a temporary file is written and flushed to
// the disk, renamed over the old one, and the rename itself flushed.
bool replaceFileAtomically(const std::string& path, const std::string& content, TFileStamp& stamp) {
    std::string temporary = path + ".tmp";
    int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0) return false;
    bool ok = writeAll(descriptor, content) && fsync(descriptor) == 0;
    struct stat info {};
    if (ok && fstat(descriptor, &info) == 0) stamp = TFileStamp::of(info);
    if (::close(descriptor) != 0) ok = false;
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    std::string folder = getFileDriveDirStr(path);
    int directory = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        fsync(directory);
        ::close(directory);
    }
    return true;
}

// Holds an exclusive lock on the store's lock file while it lives, so that
// two processes never interleave their read-merge-write.
class TStoreFileLock {
public:
    explicit TStoreFileLock(const std::string& path) {
        descriptor = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0) return;
        while (flock(descriptor, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~TStoreFileLock() {
        if (descriptor >= 0) ::close(descriptor);  // closing releases the lock
    }
    TStoreFileLock(const TStoreFileLock&) = delete;
    TStoreFileLock& operator=(const TStoreFileLock&) = delete;

private:
    int descriptor = -1;
};

// "0".."127" written without leading zeros: the controller it names, or -1.
int controllerOfKey(std::string_view key) {
    if (key.empty() || key.size() > 3 || (key.size() > 1 && key[0] == '0')) return -1;
    int number = 0;
    for (char c : key) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number < MIDI_CONTROLLERS ? number : -1;
}

// Whether the user's value under a key answers a string read of maxLen.
bool userStringCounts(const TPrefMap& user, std::string_view key, int maxLen) {
    auto found = user.find(key);
    return found != user.end() && !found->second.isInteger && !found->second.text.empty() &&
           found->second.text.size() <= static_cast<size_t>(maxLen - 1);
}

// ---------------------------------------------------------------- the store

// A value saved that the file does not hold yet, because the file could not
// be read whole (or written) at the save, and what decides whether it still
// goes there once the file reads whole again.
struct THeldValue {
    TPrefValue value;
    // For a default that start-up stored because the key read as missing:
    // the maxLen of that read. A value of the file's that such a read takes
    // is the user's and wins; 0 for a value the user chose.
    int defaultFor = 0;
    // The file as it stood at the save: one that differs since was written
    // by another process, after the save.
    TFileStamp fileAtSave;
};

// Whether a key's value in the file, read whole with the stamp fileNow, stays
// over the one held for it. seen is the file as this run last had it whole,
// if it ever had.
bool fileKeepsItsValue(std::string_view key, const THeldValue& held, const TPrefMap& file, const TFileStamp& fileNow,
                       const TPrefMap* seen) {
    if (held.defaultFor > 0) return userStringCounts(file, key, held.defaultFor);
    auto inFile = file.find(key);
    if (inFile == file.end() || fileNow == held.fileAtSave) return false;
    // Another process wrote the file after the save; it carried the key over
    // as it found it unless it chose the value itself. Without the file as it
    // was before, its value may be the later choice.
    if (!seen) return true;
    auto before = seen->find(key);
    return before == seen->end() || !(before->second == inFile->second);
}

struct TSnapshot {
    TPrefMap user;
    TPrefMap machine;
};

// A controller binding written from the audio thread and not yet folded into
// the snapshot: bit 63 pending, bits 32..62 a write count (so a newer write
// is never mistaken for the one persisted), bits 0..31 the tag.
constexpr uint64_t SLOT_PENDING = 1ull << 63;
constexpr uint64_t SLOT_COUNT_MASK = 0x7fffffffull << 32;

// A copy from the machine-wide store into the user's, found by a read that
// may run on the audio thread.
struct TMigration {
    static constexpr int FREE = 0, FILLING = 1, READY = 2;
    std::atomic<int> state{FREE};
    char key[PREFS_STRING_BUFFER_SIZE] = {};
    char text[PREFS_STRING_BUFFER_SIZE] = {};
    int maxLen = 0;
};

class TPreferenceStore {
public:
    TPreferenceStore(std::string domainName, bool withWriter) : domain(std::move(domainName)) {
        static_assert(std::atomic<uint64_t>::is_always_lock_free);
        for (auto& slot : midiSlots) slot.store(0);
        std::lock_guard<std::mutex> lock(writeMutex);
        loadLocked();
        if (withWriter) writer = std::thread([this] { writerLoop(); });
    }

    // Leaves a reader holding a snapshot that no writer modifies until it is
    // released. A reader never waits for the writer (it retries only when a
    // new snapshot was published in between); the writer waits only for a
    // reader still holding the copy it wants to reuse.
    int acquire() const {
        for (;;) {
            int slot = current.load();
            refs[slot].fetch_add(1);
            if (current.load() == slot) return slot;
            refs[slot].fetch_sub(1);
        }
    }
    void release(int slot) const { refs[slot].fetch_sub(1); }
    const TSnapshot& snapshot(int slot) const { return slots[slot]; }

    // The pending audio-thread binding of a controller key, if any.
    bool pendingController(std::string_view key, int32_t& tag) const {
        int controller = controllerOfKey(key);
        if (controller < 0) return false;
        uint64_t slot = midiSlots[controller].load();
        if (!(slot & SLOT_PENDING)) return false;
        tag = static_cast<int32_t>(static_cast<uint32_t>(slot));
        return true;
    }

    void deferController(int controller, int tag) {
        auto& slot = midiSlots[controller];
        uint64_t old = slot.load();
        uint64_t next;
        do {
            uint64_t count = ((old & SLOT_COUNT_MASK) + (1ull << 32)) & SLOT_COUNT_MASK;
            next = SLOT_PENDING | count | static_cast<uint32_t>(tag);
        } while (!slot.compare_exchange_weak(old, next));
        deferredPending.store(true);
    }

    void deferMigration(std::string_view key, std::string_view text, int maxLen) {
        if (key.size() >= PREFS_STRING_BUFFER_SIZE || text.size() >= PREFS_STRING_BUFFER_SIZE) return;
        for (TMigration& migration : migrations) {
            int expected = TMigration::FREE;
            if (!migration.state.compare_exchange_strong(expected, TMigration::FILLING)) continue;
            std::memcpy(migration.key, key.data(), key.size());
            migration.key[key.size()] = 0;
            std::memcpy(migration.text, text.data(), text.size());
            migration.text[text.size()] = 0;
            migration.maxLen = maxLen;
            migration.state.store(TMigration::READY);
            deferredPending.store(true);
            return;
        }
        // All slots busy: the next read of the key finds it missing again and retries.
    }

    // Saves a value. With defaultFor (a read's maxLen), a default that
    // stands only where the user's store has no value such a read takes.
    void writeNow(std::string_view key, TPrefValue value, int defaultFor = 0) {
        std::lock_guard<std::mutex> lock(writeMutex);
        int controller = controllerOfKey(key);
        uint64_t waiting = controller >= 0 ? midiSlots[controller].load() : 0;
        const TPersisted saved = persistLocked([&](TPrefMap& user) {
            if (defaultFor == 0 || !userStringCounts(user, key, defaultFor)) user[std::string(key)] = value;
        });
        if (!saved.written) held[std::string(key)] = {std::move(value), defaultFor, saved.base};
        // A direct write wins over an audio-thread write that was waiting
        // before it; the pending value stays visible until the snapshot holds
        // the new one. One made meanwhile is newer and stays pending.
        if (waiting & SLOT_PENDING) midiSlots[controller].compare_exchange_strong(waiting, waiting & ~SLOT_PENDING);
    }

    // False when what waited did not reach the file: it waits on.
    bool persistDeferred() {
        std::lock_guard<std::mutex> lock(writeMutex);
        return persistDeferredLocked();
    }

    void reopen() {
        std::lock_guard<std::mutex> lock(writeMutex);
        persistDeferredLocked();
        for (auto& slot : midiSlots) slot.fetch_and(~SLOT_PENDING);
        loadLocked();
    }

    void stopWriter() {
        {
            std::lock_guard<std::mutex> lock(wakeMutex);
            stopping = true;
        }
        wake.notify_all();
        if (writer.joinable()) writer.join();
        // At unload nobody is left to try again: without memory for the
        // file, the waiting writes are given up rather than the host ended.
        try {
            persistDeferred();
        } catch (...) {
        }
    }

    std::string path() {
        std::lock_guard<std::mutex> lock(writeMutex);
        return userPath;
    }
    std::string machinePath() {
        std::lock_guard<std::mutex> lock(writeMutex);
        return machineFilePath;
    }

private:
    static std::string findMachineFile(const std::string& fileName) {
        const char* dirs = std::getenv("XDG_CONFIG_DIRS");
        std::string list = dirs && dirs[0] ? dirs : "/etc/xdg";
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            std::string folder = list.substr(start, end - start);
            if (!folder.empty() && folder[0] == '/') {
                std::string candidate = folder + "/" + fileName;
                if (access(candidate.c_str(), R_OK) == 0) return candidate;
            }
            start = end + 1;
        }
        return {};
    }

    // A file that cannot be read whole gives what was read and no stamp, so
    // the first save reads it again. What this run saved without writing
    // belonged to the store read before.
    void loadLocked() {
        userPath = xdgConfigHome() + "/" + domain + ".prefs";
        machineFilePath = findMachineFile(domain + ".prefs");
        TPrefMap user, machine;
        TFileStamp ignored;
        seenWhole = readStoreFile(userPath, user, knownStamp);
        if (seenWhole) seen = user;
        if (!machineFilePath.empty()) readStoreFile(machineFilePath, machine, ignored);
        working.user = std::move(user);
        working.machine = std::move(machine);
        held.clear();
        publishLocked();
    }

    void publishLocked() {
        for (;;) {
            int live = current.load();
            for (int slot = 0; slot < SNAPSHOT_SLOTS; ++slot) {
                if (slot == live || refs[slot].load() != 0) continue;
                slots[slot] = working;
                current.store(slot);
                return;
            }
            std::this_thread::yield();  // every other copy is being read this instant
        }
    }

    struct TPersisted {
        bool written = false;
        TFileStamp base;  // the file the change applied to, as it stood
    };

    // Applies a change to the user's store on disk and in memory, with every
    // held value. Another process may have written the file since we last
    // saw it: its content is the base the change applies to. When that
    // content cannot be read whole, the file is left as it is and the change
    // is made in memory only.
    TPersisted persistLocked(const std::function<void(TPrefMap&)>& change) {
        makeDirectoryPath(getFileDriveDirStr(userPath), 0700);
        TPersisted result;
        {
            TStoreFileLock fileLock(userPath);
            const TFileStamp onDisk = stampOfPath(userPath);
            const bool base = onDisk == knownStamp || takeFileLocked();
            result.base = base ? knownStamp : onDisk;
            change(working.user);
            TFileStamp stamp;
            if (base && replaceFileAtomically(userPath, formatStore(working.user, domain), stamp)) {
                knownStamp = stamp;
                held.clear();
                result.written = true;
                seenWhole = false;  // until the copy below is whole
                seen = working.user;
                seenWhole = true;
            }
        }
        publishLocked();
        return result;
    }

    // Makes what the file holds the memory's user store, with the held
    // values that still stand over it; those that no longer do are let go.
    // A file that cannot be read whole changes nothing (the stamp stays old,
    // so the next save reads again) and answers false.
    bool takeFileLocked() {
        TPrefMap user;
        TFileStamp stamp;
        if (!readStoreFile(userPath, user, stamp)) return false;
        TPrefMap file = user;
        const TPrefMap* before = seenWhole ? &seen : nullptr;
        for (auto entry = held.begin(); entry != held.end();) {
            if (fileKeepsItsValue(entry->first, entry->second, file, stamp, before)) {
                entry = held.erase(entry);
            } else {
                user[entry->first] = entry->second.value;
                ++entry;
            }
        }
        seen = std::move(file);
        seenWhole = true;
        working.user = std::move(user);
        knownStamp = stamp;
        return true;
    }

    bool persistDeferredLocked() {
        std::vector<std::pair<int, uint64_t>> controllers;
        for (int controller = 0; controller < MIDI_CONTROLLERS; ++controller) {
            uint64_t slot = midiSlots[controller].load();
            if (slot & SLOT_PENDING) controllers.emplace_back(controller, slot);
        }
        struct TCopy {
            std::string key, text;
            int maxLen;
        };
        std::vector<TCopy> copies;
        std::vector<TMigration*> copied;
        for (TMigration& migration : migrations) {
            if (migration.state.load() != TMigration::READY) continue;
            copies.push_back({migration.key, migration.text, migration.maxLen});
            copied.push_back(&migration);
        }
        if (controllers.empty() && copies.empty() && held.empty()) return true;
        const bool written = persistLocked([&](TPrefMap& user) {
            for (const auto& [controller, slot] : controllers) {
                TPrefValue value;
                value.isInteger = true;
                value.number = static_cast<int32_t>(static_cast<uint32_t>(slot));
                user[std::to_string(controller)] = value;
            }
            // Copied only while the user's store still lacks the key: a value
            // saved since the read must stay.
            for (const TCopy& copy : copies) {
                if (userStringCounts(user, copy.key, copy.maxLen)) continue;
                TPrefValue value;
                value.text = copy.text;
                user[copy.key] = value;
            }
        }).written;
        // A write that did not reach the file keeps them all waiting, to be
        // tried again.
        if (!written) return false;
        // Now the snapshot holds them; a binding written again meanwhile stays
        // pending. A copy is let go only now: a write that failed keeps it.
        for (TMigration* migration : copied) migration->state.store(TMigration::FREE);
        for (const auto& [controller, slot] : controllers) {
            uint64_t expected = slot;
            midiSlots[controller].compare_exchange_strong(expected, slot & ~SLOT_PENDING);
        }
        return true;
    }

    // What this run saved while the file could not be read (or written)
    // goes there at the first look that reads it whole, rather than wait for
    // another save: a value another process writes after that wins, as it
    // would have without the error.
    void reloadIfChangedOnDisk() {
        std::lock_guard<std::mutex> lock(writeMutex);
        if (!held.empty()) persistLocked([](TPrefMap&) {});
        else if (stampOfPath(userPath) != knownStamp && takeFileLocked()) publishLocked();
    }

    void writerLoop() {
        using Clock = std::chrono::steady_clock;
        Clock::time_point lastWrite = Clock::now(), lastDiskCheck = Clock::now();
        std::unique_lock<std::mutex> lock(wakeMutex);
        while (!stopping) {
            bool busy = Clock::now() - lastWrite < WRITER_BUSY_SPAN;
            wake.wait_for(lock, busy ? WRITER_BUSY_PERIOD : WRITER_IDLE_PERIOD);
            if (stopping) break;
            lock.unlock();
            // An exception that left this thread would end the host. A write
            // that fails (no memory for the file's text, a store file that
            // cannot be read) is asked for again and tried at the next pass,
            // at the idle pace once the busy span is over, so that a file
            // unreadable for good costs little; the disk check runs all the
            // same.
            if (deferredPending.exchange(false)) {
                bool written = false;
                try {
                    written = persistDeferred();
                } catch (...) {
                }
                if (written) lastWrite = Clock::now();
                else deferredPending.store(true);
            }
            if (Clock::now() - lastDiskCheck >= DISK_CHECK_PERIOD) {
                lastDiskCheck = Clock::now();
                try {
                    reloadIfChangedOnDisk();
                } catch (...) {
                }
            }
            lock.lock();
        }
    }

    static constexpr int SNAPSHOT_SLOTS = 3;

    const std::string domain;
    std::mutex writeMutex;  // guards everything below up to the snapshots
    std::string userPath;
    std::string machineFilePath;
    TSnapshot working;
    TFileStamp knownStamp;
    // The file as this run last read or wrote it whole, if it has.
    TPrefMap seen;
    bool seenWhole = false;
    // The values saved by writeNow that the file does not hold yet: a read
    // of the file puts those that still stand over what it read, and the
    // next write writes them.
    std::map<std::string, THeldValue, std::less<>> held;

    TSnapshot slots[SNAPSHOT_SLOTS];
    mutable std::atomic<int> refs[SNAPSHOT_SLOTS] = {};
    std::atomic<int> current{0};

    std::array<std::atomic<uint64_t>, MIDI_CONTROLLERS> midiSlots;
    std::array<TMigration, 16> migrations;
    std::atomic<bool> deferredPending{false};

    std::mutex wakeMutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread writer;
};

// The store lives until the process ends (a call during another library's
// teardown still finds it); its writer stops and flushes when this library is
// unloaded or the process exits.
struct TStoreCloser {
    TPreferenceStore* store;
    ~TStoreCloser() { store->stopWriter(); }
};

TPreferenceStore& mainStore() {
    static TPreferenceStore* store = new TPreferenceStore(PREF_PATH_CSTR, true);
    static TStoreCloser closer{store};
    return *store;
}

std::mutex otherStoresMutex;
std::map<std::string, TPreferenceStore*>& otherStores() {
    static auto* stores = new std::map<std::string, TPreferenceStore*>;
    return *stores;
}

TPreferenceStore& otherStore(const char* domain) {
    std::lock_guard<std::mutex> lock(otherStoresMutex);
    TPreferenceStore*& store = otherStores()[domain];
    if (!store) store = new TPreferenceStore(domain, false);
    return *store;
}

// Holds a snapshot for the length of one read.
class TReading {
public:
    explicit TReading(const TPreferenceStore& owner) : store(owner), slot(owner.acquire()) {}
    ~TReading() { store.release(slot); }
    TReading(const TReading&) = delete;
    TReading& operator=(const TReading&) = delete;
    const TSnapshot& operator*() const { return store.snapshot(slot); }
    const TSnapshot* operator->() const { return &store.snapshot(slot); }

private:
    const TPreferenceStore& store;
    int slot;
};

int loadInt(TPreferenceStore& store, std::string_view key) {
    int32_t pending = 0;
    if (store.pendingController(key, pending)) return pending;
    TReading reading(store);
    auto found = reading->user.find(key);
    return found != reading->user.end() && found->second.isInteger ? found->second.number : 0;
}

void saveInt(TPreferenceStore& store, std::string_view key, int value) {
    TPrefValue stored;
    stored.isInteger = true;
    stored.number = value;
    store.writeNow(key, std::move(stored));
}

// The string read shared by both forms: output holds at least maxLen bytes.
void loadString(std::string_view key, char* output, int maxLen) {
    if (!output || maxLen <= 0) return;
    if (maxLen > PREFS_STRING_BUFFER_SIZE) maxLen = PREFS_STRING_BUFFER_SIZE;
    output[0] = 0;
    TPreferenceStore& store = mainStore();
    int32_t pending = 0;
    bool userHoldsNumber = store.pendingController(key, pending);
    TReading reading(store);
    const size_t limit = static_cast<size_t>(maxLen - 1);
    if (!userHoldsNumber && userStringCounts(reading->user, key, maxLen)) {
        const std::string& text = reading->user.find(key)->second.text;
        std::memcpy(output, text.c_str(), text.size() + 1);
        return;
    }
    auto machine = reading->machine.find(key);
    if (machine == reading->machine.end() || machine->second.isInteger) return;
    const std::string& text = machine->second.text;
    if (text.size() > limit) return;
    std::memcpy(output, text.c_str(), text.size() + 1);
    store.deferMigration(key, text, maxLen);
}

}  // namespace

void flushPreferences() { mainStore().persistDeferred(); }

void reopenPreferences() {
    mainStore().reopen();
    std::lock_guard<std::mutex> lock(otherStoresMutex);
    for (auto& [domain, store] : otherStores()) store->reopen();
}

std::string preferencesFilePath() { return mainStore().path(); }

std::string machinePreferencesFilePath() { return mainStore().machinePath(); }

std::string resourcePathForLibrary(const std::string& libraryPath) {
    size_t slash = libraryPath.rfind('/');
    // A library at the root keeps "/" as its folder.
    std::string candidate = slash == std::string::npos ? std::string(".")
                            : slash == 0                ? std::string("/")
                                                        : libraryPath.substr(0, slash);
    candidate.append("/../Resources");
    char resolved[PATH_MAX];
    if (!realpath(candidate.c_str(), resolved)) return {};
    struct stat info {};
    if (stat(resolved, &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    return resolved;
}

}  // namespace platform


void loadStringFromPrefs(const std::string& key, char* output, int maxLen) { platform::loadString(key, output, maxLen); }

void loadStringFromPrefs(const std::string& key, std::string& output, int maxLen) {
    char buffer[PREFS_STRING_BUFFER_SIZE] = {};
    platform::loadString(key, buffer, maxLen);
    output = buffer;
}

void saveStringToPrefs(const std::string& key, const std::string& value) {
    platform::TPrefValue stored;
    stored.text = value;
    platform::mainStore().writeNow(key, std::move(stored));
}

void saveStringToPrefs(const char* key, const char* value) {
    if (!key) return;
    saveStringToPrefs(std::string(key), std::string(value ? value : ""));
}

int loadIntFromPrefs(const std::string& key) { return platform::loadInt(platform::mainStore(), key); }

void saveIntToPrefs(const std::string& key, int value) { platform::saveInt(platform::mainStore(), key, value); }

void saveBoolToPrefs(const std::string& key, bool on) { saveStringToPrefs(key, on ? "Y" : "N"); }

bool getRegisterIsOn(const std::string& key, bool defaultValue) {
    char text[128];
    platform::loadString(key, text, 127);
    if (text[0] == 'Y' && text[1] == 0) return true;
    if (text[0] == 'N' && text[1] == 0) return false;
    return defaultValue;
}

int getMIDICC(int controller) {
    char key[16];
    std::snprintf(key, sizeof key, "%d", controller);
    return platform::loadInt(platform::mainStore(), key);
}

void setMIDICC(int controller, int tag) {
    // There are only 128 controllers; a number outside them names nothing to store.
    if (controller < 0 || controller >= platform::MIDI_CONTROLLERS) return;
    platform::mainStore().deferController(controller, tag);
}

std::string loadFolderFromPrefs(const std::string& key, int limit, const std::string& defaultValue, bool writeBack) {
    std::string folder;
    loadStringFromPrefs(key, folder, limit);
    if (!folder.empty()) return folder;
    // Only in place of a missing value: a file that could not be read at the
    // store's opening may hold the user's own, which wins once it reads.
    if (writeBack) {
        platform::TPrefValue stored;
        stored.text = defaultValue;
        platform::mainStore().writeNow(key, std::move(stored), std::clamp(limit, 1, PREFS_STRING_BUFFER_SIZE));
    }
    return defaultValue;
}

void getResourcePath(char* output, int maxLen) {
    if (!output || maxLen <= 0) return;
    output[0] = 0;
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&getResourcePath), &info) || !info.dli_fname) return;
    std::string path = platform::resourcePathForLibrary(info.dli_fname);
    if (path.empty() || path.size() > static_cast<size_t>(maxLen - 1)) return;
    std::memcpy(output, path.c_str(), path.size() + 1);
}

int loadIntFromE9Prefs(const std::string& key) { return platform::loadInt(platform::otherStore(platform::E9_PATH_STR), key); }
void saveIntToE9Prefs(const std::string& key, int value) {
    platform::saveInt(platform::otherStore(platform::E9_PATH_STR), key, value);
}
int loadIntFromE10Prefs(const std::string& key) {
    return platform::loadInt(platform::otherStore(platform::E10_PATH_STR), key);
}
void saveIntToE10Prefs(const std::string& key, int value) {
    platform::saveInt(platform::otherStore(platform::E10_PATH_STR), key, value);
}
int loadIntFromE11Prefs(const std::string& key) {
    return platform::loadInt(platform::otherStore(platform::E11_PATH_STR), key);
}
void saveIntToE11Prefs(const std::string& key, int value) {
    platform::saveInt(platform::otherStore(platform::E11_PATH_STR), key, value);
}
int loadIntFromE12Prefs(const std::string& key) {
    return platform::loadInt(platform::otherStore(platform::E12_PATH_STR), key);
}
void saveIntToE12Prefs(const std::string& key, int value) {
    platform::saveInt(platform::otherStore(platform::E12_PATH_STR), key, value);
}
