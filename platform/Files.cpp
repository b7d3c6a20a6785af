#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/Paths.h"

namespace {

constexpr const char* ROOT_FOLDER_NAME = "Root Folder";
constexpr const char* SOFT_DELETE_EXTENSION = ".~fx";

std::string_view viewOf(const char* text) { return text ? std::string_view(text) : std::string_view(); }

bool copyWhole(std::string_view text, char* out) {
    if (!out) return false;
    if (text.size() > PLATFORM_TEXT_SIZE - 1) {
        out[0] = 0;
        return false;
    }
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    out[text.size()] = 0;
    return true;
}

std::string withSlash(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/') out += '/';
    return out;
}

bool writeAll(int descriptor, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

ssize_t readSome(int descriptor, void* buffer, size_t size) {
    for (;;) {
        ssize_t got = ::read(descriptor, buffer, size);
        if (got < 0 && errno == EINTR) continue;
        return got;
    }
}

void appendLogLine(const char* fileName, const char* text) {
    std::string folder = platform::xdgStateHome() + "/Orventa/Kolbri";
    if (!platform::makeDirectoryPath(folder, 0700)) return;
    std::FILE* file = std::fopen((folder + "/" + fileName).c_str(), "a");
    if (!file) return;
    std::fprintf(file, "%s\n", text ? text : "");
    std::fclose(file);
}

}  // namespace

// ---------------------------------------------------------------- file operations

bool CopyFileFromTo(const char* source, const char* destination) {
    if (!source || !destination || !source[0] || !destination[0]) return false;
    int input = ::open(source, O_RDONLY | O_CLOEXEC);
    if (input < 0) return false;
    struct stat sourceInfo {};
    if (fstat(input, &sourceInfo) != 0 || S_ISDIR(sourceInfo.st_mode)) {
        ::close(input);
        return false;
    }
    // Opening the destination for writing would empty the source itself.
    struct stat destinationInfo {};
    if (stat(destination, &destinationInfo) == 0 && destinationInfo.st_dev == sourceInfo.st_dev &&
        destinationInfo.st_ino == sourceInfo.st_ino) {
        ::close(input);
        return true;
    }
    std::string temporary = std::string(destination) + ".part";
    int output = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (output < 0) {
        ::close(input);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        ssize_t got = readSome(input, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 || !writeAll(output, buffer, static_cast<size_t>(got))) {
            ok = false;
            break;
        }
    }
    ::close(input);
    if (::close(output) != 0) ok = false;
    if (ok) ok = std::rename(temporary.c_str(), destination) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

bool fileCopy(const char* source, const char* destination) { return CopyFileFromTo(source, destination); }

bool fileCopy(const std::string& source, const std::string& destination) {
    return CopyFileFromTo(source.c_str(), destination.c_str());
}

int makeDirectory(const char* path) { return path && ::mkdir(path, 0777) == 0 ? 0 : -1; }

int makeDirectory(const std::string& path) { return makeDirectory(path.c_str()); }

int renameFileFolder(const char* oldPath, const char* newPath) {
    return oldPath && newPath && std::rename(oldPath, newPath) == 0 ? 0 : -1;
}

int renameFileFolder(const std::string& oldPath, const std::string& newPath) {
    return renameFileFolder(oldPath.c_str(), newPath.c_str());
}

void renameFile(const char* oldPath, const char* newPath) { renameFileFolder(oldPath, newPath); }

int deleteFile(const char* path, const char* extension) {
    char renamed[PLATFORM_TEXT_SIZE];
    if (!path || !replaceExtension(path, renamed, extension)) return -1;
    return renameFileFolder(path, renamed);
}

int deleteFile(const char* path) { return deleteFile(path, SOFT_DELETE_EXTENSION); }

int deleteFile(const std::string& path) { return deleteFile(path.c_str()); }

int deleteFile(const std::string& path, const std::string& extension) {
    return deleteFile(path.c_str(), extension.c_str());
}

// ---------------------------------------------------------------- full paths

std::string getFullPathForFolderStr(const std::string& root, const std::string& folder) {
    std::string path = withSlash(root);
    if (folder != ROOT_FOLDER_NAME) path += withSlash(folder);
    return path;
}

bool getFullPathForFolderStr(char* out, const char* root, const char* folder) {
    return copyWhole(getFullPathForFolderStr(std::string(viewOf(root)), std::string(viewOf(folder))), out);
}

std::string getFullPathForFileNameStr(const std::string& root, const std::string& folder, const std::string& name,
                                      const std::string& extension) {
    return getFullPathForFolderStr(root, folder) + getSaveName(name, extension);
}

bool getFullPathForFileNameStr(char* out, const char* root, const char* folder, const char* name,
                               const char* extension) {
    return copyWhole(getFullPathForFileNameStr(std::string(viewOf(root)), std::string(viewOf(folder)),
                                               std::string(viewOf(name)), std::string(viewOf(extension))),
                     out);
}

std::string getFullPathForFileNameStr(const std::string& folder, const std::string& name) {
    return withSlash(folder) + name;
}

bool getFullPathForFileNameStr(char* out, const char* folder, const char* name) {
    return copyWhole(getFullPathForFileNameStr(std::string(viewOf(folder)), std::string(viewOf(name))), out);
}

// ---------------------------------------------------------------- packed names

void CombineName(std::string& out, const std::string& first, const std::string& second) {
    out = first + "||" + second;
}

void CombineName(std::string& out, const char* first, const char* second) {
    CombineName(out, std::string(viewOf(first)), std::string(viewOf(second)));
}

bool CombineName(char* out, const char* first, const char* second) {
    std::string combined;
    CombineName(combined, first, second);
    return copyWhole(combined, out);
}

void SplitName(const std::string& text, std::string& first, std::string& second) {
    size_t bar = text.find("||");
    if (bar == std::string::npos) {
        first = text;
        second.clear();
        return;
    }
    first = text.substr(0, bar);
    second = text.substr(bar + 2);
}

bool SplitName(const char* text, char* first, char* second) {
    std::string a, b;
    SplitName(std::string(viewOf(text)), a, b);
    // Half a split is no split: both parts or neither.
    bool ok = copyWhole(a, first) && copyWhole(b, second);
    if (!ok) {
        if (first) first[0] = 0;
        if (second) second[0] = 0;
    }
    return ok;
}

// ---------------------------------------------------------------- debug log

void writeLog(const char* text) { appendLogLine("debug.log", text); }
void writeLog1(const char* text) { appendLogLine("debug1.log", text); }
void writeLog2(const char* text) { appendLogLine("debug2.log", text); }

void writeLog1(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    appendLogLine("debug1.log", text);
}

namespace platform {

std::string debugLogPath(const char* fileName) { return xdgStateHome() + "/Orventa/Kolbri/" + fileName; }

bool listFolder(const std::string& folder, std::vector<std::string>& files, std::vector<std::string>& folders) {
    files.clear();
    folders.clear();
    DIR* directory = opendir(folder.c_str());
    if (!directory) return false;
    std::string prefix = withSlash(folder);
    while (dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.') continue;
        bool isFolder = entry->d_type == DT_DIR;
        bool isFile = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            if (stat((prefix + entry->d_name).c_str(), &info) != 0) continue;
            isFolder = S_ISDIR(info.st_mode);
            isFile = S_ISREG(info.st_mode);
        }
        if (isFolder) folders.emplace_back(entry->d_name);
        else if (isFile) files.emplace_back(entry->d_name);
    }
    closedir(directory);
    auto byName = [](const std::string& a, const std::string& b) {
        int order = stringCompareIgnoreCase(a.c_str(), b.c_str());
        return order != 0 ? order < 0 : a < b;
    };
    std::sort(files.begin(), files.end(), byName);
    std::sort(folders.begin(), folders.end(), byName);
    return true;
}

}  // namespace platform

// ---------------------------------------------------------------- apFile

apFile::~apFile() { close(); }

bool apFile::open(const char* path) {
    if (descriptor >= 0 || !path || !path[0]) return false;
    descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
    return descriptor >= 0;
}

int apFile::readHE(void* buffer, int count) {
    if (descriptor < 0 || !buffer || count <= 0) return 0;
    char* bytes = static_cast<char*>(buffer);
    int total = 0;
    while (total < count) {
        ssize_t got = readSome(descriptor, bytes + total, static_cast<size_t>(count - total));
        if (got <= 0) break;
        total += static_cast<int>(got);
    }
    return total;
}

int apFile::readSTR(void* buffer, int count) { return readHE(buffer, count); }

int apFile::readLE(void* buffer, int count) {
    if (descriptor < 0 || !buffer || count <= 0) return 0;
    unsigned char* bytes = static_cast<unsigned char*>(buffer);
    int total = 0;
    for (int i = count - 1; i >= 0; --i) {
        if (readSome(descriptor, bytes + i, 1) != 1) break;
        ++total;
    }
    return total;
}

int64_t apFile::getSize(const char* path) {
    struct stat info {};
    if (!path || stat(path, &info) != 0) {
        std::fprintf(stderr, "stat failed for %s\n", path ? path : "");
        return -1;
    }
    return static_cast<int64_t>(info.st_size);
}

void apFile::close() {
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
}
