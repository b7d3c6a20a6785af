#include "platform/Desktop.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

extern char** environ;

namespace platform {
namespace {

constexpr const char* PRODUCT_TITLE = "Kolbri";

std::mutex scriptMutex;
TDesktopScript& installedScript() {
    static TDesktopScript script;
    return script;
}

bool hasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && x11[0]) || (wayland && wayland[0]);
}

// zenity passes its texts through g_strcompress, which reads backslash
// escapes; the entry's label also takes '_' as a mnemonic marker.
std::string zenityText(const std::string& text, bool mnemonic) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '_' && mnemonic) out += "__";
        else out += c;
    }
    return out;
}

std::string folderArgument(const std::string& folder) {
    if (folder.empty()) return {};
    return folder.back() == '/' ? folder : folder + "/";
}

std::vector<std::string> zenityArguments(const TDesktopRequest& request) {
    std::vector<std::string> args{"zenity"};
    auto titled = [&](const std::string& title) { args.push_back("--title=" + (title.empty() ? PRODUCT_TITLE : title)); };
    switch (request.kind) {
    case TDesktopKind::messageBox:
        args.push_back(request.okCancel ? "--question" : "--info");
        titled(PRODUCT_TITLE);
        args.push_back("--no-markup");
        args.push_back("--ok-label=OK");
        if (request.okCancel) args.push_back("--cancel-label=Cancel");
        args.push_back("--text=" + zenityText(request.text, false));
        break;
    case TDesktopKind::textInput: {
        args.push_back("--entry");
        titled(PRODUCT_TITLE);
        std::string label = request.headline;
        if (!request.text.empty()) label += (label.empty() ? "" : "\n") + request.text;
        args.push_back("--text=" + zenityText(label, true));
        args.push_back("--entry-text=" + request.initialText);
        args.push_back("--ok-label=OK");
        args.push_back("--cancel-label=Cancel");
        break;
    }
    case TDesktopKind::openFile: {
        args.push_back("--file-selection");
        titled(request.title);
        if (!request.startFolder.empty()) args.push_back("--filename=" + folderArgument(request.startFolder));
        if (!request.extensions.empty()) {
            std::string names, patterns;
            for (const std::string& extension : request.extensions) {
                names += (names.empty() ? "" : " ") + extension;
                std::string upper = extension;
                for (char& c : upper)
                    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
                patterns += " *." + extension;
                if (upper != extension) patterns += " *." + upper;
            }
            args.push_back("--file-filter=" + names + " |" + patterns);
        }
        if (request.multiple) {
            args.push_back("--multiple");
            args.push_back("--separator=\n");
        }
        break;
    }
    case TDesktopKind::saveFile:
        args.push_back("--file-selection");
        args.push_back("--save");
        titled(request.title);
        if (!request.startFolder.empty() || !request.defaultName.empty())
            args.push_back("--filename=" + folderArgument(request.startFolder) + request.defaultName);
        break;
    case TDesktopKind::chooseFolder:
        args.push_back("--file-selection");
        args.push_back("--directory");
        titled(request.title);
        if (!request.startFolder.empty()) args.push_back("--filename=" + folderArgument(request.startFolder));
        break;
    case TDesktopKind::openDocument:
        break;
    }
    return args;
}

std::vector<char*> argvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

// Runs the program, collects what it writes to its standard output and waits
// for it. exitCode is -1 when it could not be started or did not exit.
void runAndCollect(const std::string& program, std::vector<std::string> args, std::string& output, int& exitCode) {
    exitCode = -1;
    output.clear();
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // The host's own descriptors stay with the host.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    std::vector<char*> argv = argvOf(args);
    pid_t child = -1;
    int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return;
    }
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        // A chooser answers a few paths; more than a megabyte is not an answer.
        if (output.size() < (1u << 20)) output.append(buffer, static_cast<size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == child && WIFEXITED(status)) exitCode = WEXITSTATUS(status);
    else if (waited < 0 && errno == ECHILD) exitCode = output.empty() ? 1 : 0;  // the host reaps children itself
}

TDesktopAnswer askZenity(const std::string& zenity, const TDesktopRequest& request) {
    TDesktopAnswer answer;
    std::string output;
    int exitCode = -1;
    runAndCollect(zenity, zenityArguments(request), output, exitCode);
    if (exitCode == 1) {
        // zenity reports Cancel and a closed window alike; an OK-only notice
        // has no Cancel, so there it was the window.
        answer.button = (request.kind == TDesktopKind::messageBox && !request.okCancel) ? TDesktopButton::closed
                                                                                        : TDesktopButton::cancel;
        return answer;
    }
    if (exitCode != 0) return answer;
    answer.button = TDesktopButton::ok;
    if (request.kind == TDesktopKind::textInput) {
        if (!output.empty() && output.back() == '\n') output.pop_back();
        answer.text = output;
    } else if (request.kind == TDesktopKind::openFile || request.kind == TDesktopKind::saveFile ||
               request.kind == TDesktopKind::chooseFolder) {
        size_t start = 0;
        while (start < output.size()) {
            size_t end = output.find('\n', start);
            if (end == std::string::npos) end = output.size();
            if (end > start) answer.paths.push_back(output.substr(start, end - start));
            start = end + 1;
        }
    }
    return answer;
}

// Starts xdg-open and lets it go: the intermediate child exits at once, so
// the viewer is adopted by init and we neither wait for it nor leave a zombie.
bool launchDetached(const std::string& program, std::vector<std::string> args) {
    std::vector<char*> argv = argvOf(args);
    pid_t middle = fork();
    if (middle < 0) return false;
    if (middle == 0) {
        // Only async-signal-safe calls between fork and exec.
        pid_t viewer = fork();
        if (viewer == 0) {
            int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, 0);
                dup2(null, 1);
                dup2(null, 2);
            }
            setsid();
            execve(program.c_str(), argv.data(), environ);
            _exit(127);
        }
        _exit(viewer < 0 ? 1 : 0);
    }
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(middle, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0) return errno == ECHILD;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void setDesktopScript(TDesktopScript script) {
    std::lock_guard<std::mutex> lock(scriptMutex);
    installedScript() = std::move(script);
}

std::string findExecutable(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (!folder.empty()) {
            std::string candidate = folder + "/" + name;
            struct stat info {};
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

bool desktopDialogsAvailable() { return hasDisplay() && !findExecutable("zenity").empty(); }

TDesktopAnswer runDesktopRequest(const TDesktopRequest& request) {
    TDesktopScript script;
    {
        std::lock_guard<std::mutex> lock(scriptMutex);
        script = installedScript();
    }
    if (script) return script(request);
    if (!hasDisplay()) return {};
    if (request.kind == TDesktopKind::openDocument) {
        TDesktopAnswer answer;
        std::string opener = findExecutable("xdg-open");
        if (!opener.empty() && !request.text.empty() && launchDetached(opener, {"xdg-open", request.text}))
            answer.button = TDesktopButton::ok;
        return answer;
    }
    std::string zenity = findExecutable("zenity");
    if (zenity.empty()) return {};
    return askZenity(zenity, request);
}

bool openWithDesktop(const std::string& pathOrAddress) {
    TDesktopRequest request;
    request.kind = TDesktopKind::openDocument;
    request.text = pathOrAddress;
    return runDesktopRequest(request).button == TDesktopButton::ok;
}

}  // namespace platform
