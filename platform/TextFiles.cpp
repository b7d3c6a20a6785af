#include "platform/TextFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/Descriptor.h"

namespace platform {

namespace {

// Distinguishes the temporary files of two saves running at once in one process.
std::atomic<unsigned> temporaryCounter{0};

}  // namespace

TFileReadResult readFileBounded(const std::string& path, std::size_t maxBytes, std::string& contents) {
    contents.clear();
    if (path.empty()) return TFileReadResult::cannotOpen;
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer.
    TDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) return TFileReadResult::cannotOpen;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return TFileReadResult::readError;
    if (!S_ISREG(info.st_mode)) return TFileReadResult::notRegularFile;

    // One byte beyond the limit tells a file of exactly maxBytes from a longer one.
    contents.resize(maxBytes + 1);
    std::size_t filled = 0;
    while (filled < contents.size()) {
        const ssize_t got = ::read(file.get(), contents.data() + filled, contents.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            contents.clear();
            return TFileReadResult::readError;
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > maxBytes) {
        contents.resize(maxBytes);
        return TFileReadResult::truncated;
    }
    contents.resize(filled);
    return TFileReadResult::ok;
}

bool writeFileReplacing(const std::string& path, std::string_view contents) {
    if (path.empty()) return false;
    const std::string temporary = path + ".part-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(temporaryCounter.fetch_add(1, std::memory_order_relaxed));
    TDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (file.get() < 0) return false;
    bool ok = true;
    const char* data = contents.data();
    std::size_t left = contents.size();
    while (ok && left > 0) {
        const ssize_t written = ::write(file.get(), data, left);
        if (written < 0) {
            if (errno != EINTR) ok = false;
            continue;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    ok = ok && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace platform
