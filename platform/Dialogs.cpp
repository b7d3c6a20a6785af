#include "platform/Dialogs.h"

#include <cstring>

#include "platform/Desktop.h"
#include "platform/Paths.h"

using platform::TDesktopAnswer;
using platform::TDesktopButton;
using platform::TDesktopKind;
using platform::TDesktopRequest;

namespace {

constexpr size_t PATH_LIMIT = PLATFORM_TEXT_SIZE - 1;
constexpr const char* FOLDER_DIALOG_TITLE = "Choose Folder";

std::string textOf(const char* text) { return text ? text : ""; }

void copyOut(const std::string& text, char* out) {
    // Callers only hand over texts already checked against PATH_LIMIT.
    if (!out || text.size() > PATH_LIMIT) return;
    std::memcpy(out, text.c_str(), text.size() + 1);
}

// The one path the user chose, or false for a cancel, a closed window, a
// choice of other than one item, or a path too long to hold.
bool singleChoice(const TDesktopRequest& request, std::string& path) {
    TDesktopAnswer answer = platform::runDesktopRequest(request);
    if (answer.button != TDesktopButton::ok || answer.paths.size() != 1) return false;
    if (answer.paths[0].size() > PATH_LIMIT) return false;
    path = answer.paths[0];
    return true;
}

// Open: the chosen path and its folder with the trailing '/'. False when the
// outputs must keep their values.
bool runOpenDialog(const char* title, const char* startFolder, const std::string& filter, std::string& folder,
                   std::string& path) {
    TDesktopRequest request;
    request.kind = TDesktopKind::openFile;
    request.title = textOf(title);
    request.startFolder = textOf(startFolder);
    if (!platform::parseFileFilter(filter, request.extensions)) return false;
    std::string chosen;
    if (!singleChoice(request, chosen)) return false;
    path = chosen;
    if (chosen.empty()) return true;
    size_t slash = chosen.rfind('/');
    folder = slash == std::string::npos ? chosen : chosen.substr(0, slash + 1);
    return true;
}

bool runSaveDialog(const char* title, const char* startFolder, const char* defaultName, std::string& folder,
                   std::string& path) {
    TDesktopRequest request;
    request.kind = TDesktopKind::saveFile;
    request.title = textOf(title);
    request.startFolder = textOf(startFolder);
    request.defaultName = textOf(defaultName);
    std::string chosen;
    if (!singleChoice(request, chosen)) return false;
    if (chosen.empty()) {
        path.clear();
        return true;
    }
    chosen = platform::forceSaveExtension(chosen, request.defaultName);
    // Forcing the extension may push the path past what the callers can hold.
    if (chosen.size() > PATH_LIMIT) return false;
    path = chosen;
    size_t slash = chosen.rfind('/');
    folder = slash == std::string::npos ? chosen : chosen.substr(0, slash);
    return true;
}

}  // namespace

namespace platform {

bool parseFileFilter(const std::string& filter, std::vector<std::string>& extensions) {
    extensions.clear();
    if (filter.size() > PATH_LIMIT) return false;
    size_t dot = filter.find('.');
    while (dot != std::string::npos) {
        size_t start = dot + 1;
        if (start >= filter.size()) break;
        size_t semicolon = filter.find(';', start);
        size_t end = semicolon == std::string::npos ? filter.size() : semicolon;
        if (end > start) extensions.push_back(filter.substr(start, end - start));
        // Without a ';' the search goes on inside this extension, so *.tar.gz
        // offers both tar.gz and gz.
        dot = filter.find('.', semicolon == std::string::npos ? start : semicolon);
    }
    return true;
}

std::string forceSaveExtension(const std::string& path, const std::string& defaultName) {
    size_t dot = defaultName.find('.');
    if (dot == std::string::npos) return path;
    std::string extension = defaultName.substr(dot);
    if (extension.size() != 4) return path;
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t nameDot = path.find('.', nameStart);
    return (nameDot == std::string::npos ? path : path.substr(0, nameDot)) + extension;
}

std::vector<std::string> chooseFilesToOpen(const std::string& title, const std::string& startFolder,
                                           const std::string& filter, size_t maxFiles) {
    TDesktopRequest request;
    request.kind = TDesktopKind::openFile;
    request.title = title;
    request.startFolder = startFolder;
    request.multiple = true;
    std::vector<std::string> chosen;
    if (!parseFileFilter(filter, request.extensions)) return chosen;
    TDesktopAnswer answer = runDesktopRequest(request);
    if (answer.button != TDesktopButton::ok) return chosen;
    for (const std::string& path : answer.paths) {
        if (chosen.size() >= maxFiles) break;
        if (!path.empty() && path.size() <= PATH_LIMIT) chosen.push_back(path);
    }
    return chosen;
}

}  // namespace platform

void fileSelectLoadDir(const char* title, const char* startFolder, const char*, const char* filter, const char*,
                       char* folderOut, char* pathOut) {
    std::string folder, path;
    if (!runOpenDialog(title, startFolder, textOf(filter), folder, path)) return;
    copyOut(path, pathOut);
    if (!path.empty()) copyOut(folder, folderOut);
}

void fileSelectLoadDirStr(const std::string& title, const std::string& startFolder, const std::string&,
                          const std::string& filter, std::string&, std::string& folder, std::string& path) {
    std::string chosenFolder, chosenPath;
    if (!runOpenDialog(title.c_str(), startFolder.c_str(), filter, chosenFolder, chosenPath)) return;
    path = chosenPath;
    if (!chosenPath.empty()) folder = chosenFolder;
}

void fileSelectSaveDir(const char* title, const char* startFolder, const char*, const char* defaultName,
                       char* folderOut, char* pathOut) {
    std::string folder, path;
    if (!runSaveDialog(title, startFolder, defaultName, folder, path)) return;
    copyOut(path, pathOut);
    if (!path.empty()) copyOut(folder, folderOut);
}

void fileSelectSaveDirStr(const std::string& title, const std::string& startFolder, const std::string&,
                          const std::string& defaultName, std::string& folder, std::string& path) {
    std::string chosenFolder, chosenPath;
    if (!runSaveDialog(title.c_str(), startFolder.c_str(), defaultName.c_str(), chosenFolder, chosenPath)) return;
    path = chosenPath;
    if (!chosenPath.empty()) folder = chosenFolder;
}

bool BrowseFolder(const std::string& startFolder, std::string& folder) {
    TDesktopRequest request;
    request.kind = TDesktopKind::chooseFolder;
    request.title = FOLDER_DIALOG_TITLE;
    request.startFolder = startFolder;
    std::string chosen;
    if (!singleChoice(request, chosen)) return false;
    folder = chosen;
    return true;
}

bool BrowseFolder(const char* startFolder, char* folderOut) {
    std::string chosen;
    if (!folderOut || !BrowseFolder(textOf(startFolder), chosen)) return false;
    copyOut(chosen, folderOut);
    return true;
}

void fileSelectLoad(const char*, const char*, const char*, const char*) {}
void fileSelectSave(const char*, const char*, const char*, const char*) {}
