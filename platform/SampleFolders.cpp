#include "platform/SampleFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>


namespace {

std::string lowered(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool endsWithNoCase(const std::string& text, const char* ending) {
    const std::size_t n = std::strlen(ending);
    return text.size() >= n && lowered(text.substr(text.size() - n)) == ending;
}

// Doubled slashes collapsed, no trailing '/' (but "/" stays).
std::string normalised(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path)
        if (!(c == '/' && !out.empty() && out.back() == '/')) out += c;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

// The part of path below root, or nothing when path is not below it.
std::optional<std::string> below(const std::string& path, const std::string& root) {
    const std::string p = normalised(path), r = normalised(root);
    if (r.empty()) return std::nullopt;
    const std::string prefix = r == "/" ? r : r + "/";
    if (p.size() <= prefix.size() || p.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    return p.substr(prefix.size());
}

void sortAndCap(std::vector<std::string>& names) {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto& name : names) keyed.emplace_back(lowered(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    if (keyed.size() > static_cast<std::size_t>(MAX_SAMPLE_FOLDER_ENTRIES)) keyed.resize(MAX_SAMPLE_FOLDER_ENTRIES);
    names.clear();
    for (auto& entry : keyed) names.push_back(std::move(entry.second));
}

bool readAll(int descriptor, std::uint8_t* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(descriptor, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAll(int descriptor, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(descriptor, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string fileNameOf(const std::string& path) {
    const std::string p = normalised(path);
    const std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

}  // namespace

bool isSampleFileName(const std::string& name) {
    return endsWithNoCase(name, ".wav") || endsWithNoCase(name, ".aif") || endsWithNoCase(name, ".aiff");
}

TSampleFolderListing scanSampleFolder(const std::string& folder) {
    TSampleFolderListing listing;
    DIR* directory = folder.empty() ? nullptr : opendir(folder.c_str());
    if (!directory) return listing;
    listing.readable = true;
    const std::string prefix = normalised(folder) + "/";
    while (dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        struct stat info {};
        if (stat((prefix + name).c_str(), &info) != 0) continue;  // a dangling link lists nothing
        if (S_ISDIR(info.st_mode))
            listing.subFolders.push_back(name);
        else if (S_ISREG(info.st_mode) && isSampleFileName(name))
            listing.sampleFiles.push_back(name);
    }
    closedir(directory);
    sortAndCap(listing.subFolders);
    sortAndCap(listing.sampleFiles);
    return listing;
}

std::string sampleFolderRelative(const std::string& folder, const std::string& root) {
    if (normalised(folder) == normalised(root)) return {};
    if (auto inside = below(folder, root)) return *inside;
    return normalised(folder);
}

std::optional<std::string> relativeSamplePath(const std::string& path, const std::string& root) {
    return below(path, root);
}

std::string goUpSampleFolder(const std::string& folder, const std::string& root) {
    const std::string r = normalised(root);
    const auto inside = below(folder, root);
    if (!inside) return r;
    const std::size_t slash = inside->rfind('/');
    if (slash == std::string::npos) return r;
    return joinSamplePath(r, inside->substr(0, slash));
}

std::string sampleFileDirectory(const std::string& path) {
    const std::string p = normalised(path);
    const std::size_t slash = p.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : p.substr(0, slash);
}

std::string joinSamplePath(const std::string& root, const std::string& relative) {
    if (relative.empty()) return normalised(root);
    return normalised(root + "/" + relative);
}

std::string withoutLeadingSeparators(const std::string& stored) {
    const std::size_t first = stored.find_first_not_of('/');
    return first == std::string::npos ? std::string() : stored.substr(first);
}

bool isSafeRelativeSamplePath(const std::string& relative) {
    if (relative.empty() || relative[0] == '/') return false;
    if (relative.find('\0') != std::string::npos) return false;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        if (relative.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

const char* describeSampleFileStatus(TSampleFileStatus status) {
    switch (status) {
    case TSampleFileStatus::ok: return "read";
    case TSampleFileStatus::notFound: return "cannot be opened";
    case TSampleFileStatus::notRegularFile: return "not a file";
    case TSampleFileStatus::tooLarge: return "too large";
    case TSampleFileStatus::readError: return "read error";
    case TSampleFileStatus::noMemory: return "out of memory";
    }
    return "unknown";
}

TSampleFileStatus readSampleFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0) return TSampleFileStatus::notFound;
    struct stat info {};
    TSampleFileStatus status = TSampleFileStatus::ok;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        status = TSampleFileStatus::notRegularFile;
    } else if (static_cast<std::uint64_t>(info.st_size) > MAX_SAMPLE_FILE_BYTES) {
        status = TSampleFileStatus::tooLarge;
    } else {
        try {
            bytes.resize(static_cast<std::size_t>(info.st_size));
            if (!readAll(descriptor, bytes.data(), bytes.size())) status = TSampleFileStatus::readError;
        } catch (const std::bad_alloc&) {
            status = TSampleFileStatus::noMemory;
        }
    }
    ::close(descriptor);
    if (status != TSampleFileStatus::ok) {
        bytes.clear();
        bytes.shrink_to_fit();
    }
    return status;
}

TSampleImportResult importSampleFile(const std::string& source, const std::string& folder) {
    TSampleImportResult result;
    const std::string name = fileNameOf(source);
    result.destination = joinSamplePath(folder, name);
    auto fail = [&](const std::string& why) {
        result.status = TSampleImportStatus::failed;
        result.reason = why;
        return result;
    };
    if (name.empty()) return fail("no file name");

    const int input = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (input < 0) return fail(std::strerror(errno));
    struct stat sourceInfo {};
    if (fstat(input, &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
        ::close(input);
        return fail("not a file");
    }
    struct stat destinationInfo {};
    if (stat(result.destination.c_str(), &destinationInfo) == 0) {
        ::close(input);
        const bool same = destinationInfo.st_dev == sourceInfo.st_dev && destinationInfo.st_ino == sourceInfo.st_ino;
        result.status = same ? TSampleImportStatus::sameFile : TSampleImportStatus::alreadyThere;
        return result;
    }

    // A hidden temporary beside the destination: the folder listing skips it.
    std::string pattern = normalised(folder) + "/.import-XXXXXX";
    const int output = mkostemp(pattern.data(), O_CLOEXEC);
    if (output < 0) {
        ::close(input);
        return fail(std::strerror(errno));
    }
    bool ok = true;
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(input, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (!writeAll(output, buffer.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    std::string why = ok ? std::string() : std::string(std::strerror(errno));
    ::close(input);
    if (ok && (fsync(output) != 0 || fchmod(output, 0644) != 0)) {
        ok = false;
        why = std::strerror(errno);
    }
    if (::close(output) != 0 && ok) {
        ok = false;
        why = std::strerror(errno);
    }
    if (ok) {
        // link() never replaces: a file that appeared meanwhile is kept.
        if (::link(pattern.c_str(), result.destination.c_str()) == 0) {
            result.status = TSampleImportStatus::copied;
        } else if (errno == EEXIST) {
            result.status = TSampleImportStatus::alreadyThere;
        } else if (stat(result.destination.c_str(), &destinationInfo) != 0 &&
                   std::rename(pattern.c_str(), result.destination.c_str()) == 0) {
            // A file system without hard links.
            result.status = TSampleImportStatus::copied;
        } else {
            why = std::strerror(errno);
            ok = false;
        }
    }
    ::unlink(pattern.c_str());
    if (!ok) return fail(why.empty() ? "copy failed" : why);
    return result;
}

std::string createSampleSubFolder(const std::string& folder, const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return "not a folder name";
    if (name[0] == '.') return "a name starting with '.' would be hidden";
    if (::mkdir(joinSamplePath(folder, name).c_str(), 0777) != 0) return std::strerror(errno);
    return {};
}
