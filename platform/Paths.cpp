#include "platform/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

char toUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char toLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Copies text into a PLATFORM_TEXT_SIZE buffer when it holds at most limit
// characters; otherwise leaves the buffer empty and answers false.
bool copyWhole(std::string_view text, char* out, size_t limit = PLATFORM_TEXT_SIZE - 1) {
    if (!out) return false;
    if (text.size() > limit) {
        out[0] = 0;
        return false;
    }
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    out[text.size()] = 0;
    return true;
}

std::string_view viewOf(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// Position of the last separator: the last '/', or the last '\' when there is
// no '/' at all.
size_t lastSeparator(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash != std::string_view::npos ? slash : path.rfind('\\');
}

// Position of the last separator of either kind.
size_t lastAnySeparator(std::string_view path) { return path.find_last_of("/\\"); }

// Position of the extension's dot: the last '.' after the last separator.
size_t extensionDot(std::string_view path) {
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return dot;
    size_t separator = lastAnySeparator(path);
    if (separator != std::string_view::npos && separator > dot) return std::string_view::npos;
    return dot;
}

std::string_view withoutExtension(std::string_view path) {
    size_t dot = extensionDot(path);
    return dot == std::string_view::npos ? path : path.substr(0, dot);
}

std::string_view fileNameOnly(std::string_view path, bool noExtension) {
    size_t separator = lastSeparator(path);
    if (separator == std::string_view::npos) return {};
    std::string_view name = path.substr(separator + 1);
    return noExtension ? withoutExtension(name) : name;
}

std::string_view extensionOf(std::string_view path) {
    size_t dot = extensionDot(path);
    return dot == std::string_view::npos ? std::string_view() : path.substr(dot);
}

std::string_view driveDir(std::string_view path) {
    size_t separator = lastAnySeparator(path);
    return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator);
}

bool isSafeNameByte(unsigned char c) { return c >= 32 && c <= 127; }

// The cleaning rule shared by every safe-name form: at most 24 characters,
// ending at the first control or non-ASCII byte; characters a file system
// refuses become a space or '-'; leading spaces go.
std::string safeNameOf(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size() && i < 24; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (!isSafeNameByte(c)) break;
        switch (c) {
        case ':': out += '-'; break;
        case '/': case '\\': case '"': case '*': case '<': case '>': case '|': case '?': out += ' '; break;
        default: out += static_cast<char>(c);
        }
    }
    size_t first = out.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : out.substr(first);
}

bool isNumberChar(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

const char* WHITESPACE = " \t\n\v\f\r";

std::string absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value && value[0] == '/') {
        std::string path(value);
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        return path;
    }
    return {};
}

}  // namespace

// ---------------------------------------------------------------- case

void upperCase(char* text) {
    if (!text) return;
    for (; *text; ++text) *text = toUpperAscii(*text);
}

void upperCase(std::string& text) {
    for (char& c : text) c = toUpperAscii(c);
}

void lowerCase(char* text) {
    if (!text) return;
    for (; *text; ++text) *text = toLowerAscii(*text);
}

std::string lowerCase(const std::string& text) {
    std::string out(text);
    for (char& c : out) c = toLowerAscii(c);
    return out;
}

bool stringCompareIgnoreCase(const std::string& a, const std::string& b) { return compareStringIgnoreCase(a, b); }

int stringCompareIgnoreCase(const char* a, const char* b) {
    std::string_view x = viewOf(a), y = viewOf(b);
    for (size_t i = 0;; ++i) {
        unsigned char cx = i < x.size() ? static_cast<unsigned char>(toUpperAscii(x[i])) : 0;
        unsigned char cy = i < y.size() ? static_cast<unsigned char>(toUpperAscii(y[i])) : 0;
        if (cx != cy) return cx < cy ? -1 : 1;
        if (cx == 0) return 0;
    }
}

bool compareStringIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (toUpperAscii(a[i]) != toUpperAscii(b[i])) return false;
    return true;
}

// ---------------------------------------------------------------- parts of a path

bool getFileNameOnly(const char* path, char* out, bool noExtension) {
    return copyWhole(fileNameOnly(viewOf(path), noExtension), out, PLATFORM_NAME_LIMIT);
}

std::string getFileNameOnlyStr(const std::string& path, bool noExtension) {
    return std::string(fileNameOnly(path, noExtension));
}

bool getFileNameNoExtension(const char* path, char* out) { return getFileNameOnly(path, out, true); }

bool getFileNameExtension(const char* path, char* out) {
    return copyWhole(extensionOf(viewOf(path)), out, PLATFORM_NAME_LIMIT);
}

std::string getFileNameExtensionsStr(const std::string& path) { return std::string(extensionOf(path)); }

std::string getFileNameNoExtensionStr(const std::string& text) { return text.substr(0, text.find('.')); }

bool getNameNoExtensionStr(const char* path, char* out) { return copyWhole(withoutExtension(viewOf(path)), out); }

std::string getNameNoExtensionStr(const std::string& path) { return std::string(withoutExtension(path)); }

bool getFileDriveDir(const char* path, char* out) { return copyWhole(driveDir(viewOf(path)), out); }

std::string getFileDriveDirStr(const std::string& path) { return std::string(driveDir(path)); }

std::string getFolderNameOnlyStr(const std::string& path, const std::string& root) {
    if (path == root) return {};
    std::string folder = getFileDriveDirStr(path);
    folder = folder.size() > root.size() ? folder.substr(root.size()) : std::string();
    if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    return folder;
}

bool GetFilePathNoExtension(const char* path, char* out) {
    std::string_view whole = viewOf(path);
    std::string result;
    if (lastAnySeparator(whole) != std::string_view::npos) {
        result = driveDir(whole);
        result += '/';
    }
    result += withoutExtension(whole.substr(lastAnySeparator(whole) + 1));
    return copyWhole(result, out);
}

bool replaceExtension(const char* path, char* out, const char* extension) {
    std::string_view whole = viewOf(path);
    size_t separator = lastAnySeparator(whole);
    std::string result;
    if (separator != std::string_view::npos) {
        result = driveDir(whole);
        if (result.empty() || result.back() != '/') result += '/';
    }
    result += withoutExtension(whole.substr(separator == std::string_view::npos ? 0 : separator + 1));
    result += viewOf(extension);
    return copyWhole(result, out);
}

// ---------------------------------------------------------------- cleaning

void removeDoubleSlash(std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path)
        if (!(c == '/' && !out.empty() && out.back() == '/')) out += c;
    path = std::move(out);
}

void removeDoubleDot(char* text) {
    if (!text) return;
    for (; *text; ++text)
        if (*text == ':') *text = ' ';
}

void removeEndSlash(char* text) {
    if (!text) return;
    size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '/') text[length - 1] = 0;
}

void removeEndSlash(std::string& text) {
    if (!text.empty() && text.back() == '/') text.pop_back();
}

void safename(char* text) {
    if (!text) return;
    size_t i = 0;
    while (i < 24 && text[i] && isSafeNameByte(static_cast<unsigned char>(text[i]))) ++i;
    text[i] = 0;
}

void safeNameToSaveStr(char* text) {
    if (!text) return;
    // The result is never longer than the first 24 bytes, so it fits in place.
    std::string clean = safeNameOf(std::string_view(text, strnlen(text, 24)));
    std::memcpy(text, clean.c_str(), clean.size() + 1);
}

std::string safeNameToSaveStr(const std::string& name) { return safeNameOf(name); }

void safeNameToSaveStr(const std::string& name, std::string& out) { out = safeNameOf(name); }

char validChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (!isSafeNameByte(u)) return 0;
    switch (c) {
    case '"': case '*': case '/': case '<': case '>': case '?': case '\\': case '|': return ' ';
    case ':': return '-';
    default: return c;
    }
}

const char* getSaveName(const char* name, const char* extension) {
    thread_local char result[PLATFORM_TEXT_SIZE];
    std::string text = safeNameOf(viewOf(name)) + std::string(viewOf(extension));
    copyWhole(text, result);
    return result;
}

std::string getSaveName(const std::string& name, const std::string& extension) { return safeNameOf(name) + extension; }

void stripAllButNum(char* text) {
    if (!text) return;
    char* kept = text;
    for (const char* c = text; *c; ++c)
        if (isNumberChar(*c)) *kept++ = *c;
    *kept = 0;
}

void stripAllButNum(std::string& text) {
    std::string kept;
    for (char c : text)
        if (isNumberChar(c)) kept += c;
    text = std::move(kept);
}

void trim(char* text) {
    if (!text) return;
    char* kept = text;
    for (const char* c = text; *c; ++c)
        if (*c >= 32 && *c <= 126) *kept++ = *c;
    *kept = 0;
}

void ltrim(char* text) {
    if (!text) return;
    size_t skip = std::strspn(text, " ");
    std::memmove(text, text + skip, std::strlen(text + skip) + 1);
}

void ltrim(std::string& text) { text.erase(0, text.find_first_not_of(WHITESPACE)); }

void rtrim(std::string& text) {
    size_t last = text.find_last_not_of(WHITESPACE);
    text.erase(last == std::string::npos ? 0 : last + 1);
}

void trim(std::string& text) {
    rtrim(text);
    ltrim(text);
}

// ---------------------------------------------------------------- numbers

std::string floatString(float value, int digits) {
    if (digits < 0) digits = 0;
    if (digits > 20) digits = 20;
    char text[64];
    // Values beyond 1e40 cannot be floats; the buffer holds every float with 20 decimals.
    std::snprintf(text, sizeof text, "%.*f", digits, static_cast<double>(value));
    return text;
}

std::string getThreeCharName(int n, const std::string& name) {
    char number[16];
    std::snprintf(number, sizeof number, "%03lld", static_cast<long long>(n) + 1);
    return std::string(number) + " " + name;
}

bool setThreeCharName(int n, char* out, const char* name) {
    return copyWhole(getThreeCharName(n, std::string(viewOf(name))), out);
}

// ---------------------------------------------------------------- per-user folders

namespace platform {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0]) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/tmp";
}

std::string xdgConfigHome() {
    std::string path = absoluteEnv("XDG_CONFIG_HOME");
    return path.empty() ? homeFolder() + "/.config" : path;
}

std::string xdgDataHome() {
    std::string path = absoluteEnv("XDG_DATA_HOME");
    return path.empty() ? homeFolder() + "/.local/share" : path;
}

std::string xdgStateHome() {
    std::string path = absoluteEnv("XDG_STATE_HOME");
    return path.empty() ? homeFolder() + "/.local/state" : path;
}

std::string getDefaultFolderPath(TDefaultFolder which) {
    std::string base = xdgDataHome() + "/Orventa/Kolbri/";
    switch (which) {
    case TDefaultFolder::samples: return base + "Samples/";
    case TDefaultFolder::ecs: return base + "ECS/";
    case TDefaultFolder::tuning: return base + "Tuning";
    case TDefaultFolder::manual: return base + "Manual/Orventa_Kolbri_Manual.pdf";
    }
    return base;
}

bool makeDirectoryPath(const std::string& path, unsigned mode) {
    if (path.empty()) return false;
    std::string partial;
    size_t position = 0;
    while (position != std::string::npos) {
        size_t next = path.find('/', position + 1);
        partial = path.substr(0, next);
        position = next;
        if (partial.empty() || partial == "/") continue;
        if (mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool createDefaultFolders() {
    bool ok = makeDirectoryPath(getDefaultFolderPath(TDefaultFolder::samples));
    ok = makeDirectoryPath(getDefaultFolderPath(TDefaultFolder::ecs)) && ok;
    ok = makeDirectoryPath(getDefaultFolderPath(TDefaultFolder::tuning)) && ok;
    ok = makeDirectoryPath(getFileDriveDirStr(getDefaultFolderPath(TDefaultFolder::manual))) && ok;
    return ok;
}

}  // namespace platform
