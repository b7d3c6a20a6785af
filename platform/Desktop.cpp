#include "platform/Desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

extern char** environ;

namespace platform {
namespace {

constexpr const char* PRODUCT_TITLE = "Kolbri";
// The width of the input box's text field, and the margin zenity's entry
// dialog keeps on either side of it.
constexpr int INPUT_FIELD_WIDTH = 200;
constexpr int ZENITY_ENTRY_MARGIN = 14;

std::mutex scriptMutex;  // guards the script and the programs
TDesktopScript& installedScript() {
    static TDesktopScript script;
    return script;
}
TDesktopPrograms& namedPrograms() {
    static TDesktopPrograms programs;
    return programs;
}

// The file to run for a program: the one named with setDesktopPrograms, else
// the one the environment names ("none": no program), else the standard
// name on PATH. Empty when there is none to run.
std::string programFile(std::string TDesktopPrograms::*which, const char* variable, const char* standardName) {
    std::string named;
    {
        std::lock_guard<std::mutex> lock(scriptMutex);
        named = namedPrograms().*which;
    }
    if (named.empty()) {
        const char* value = std::getenv(variable);
        if (value && std::strcmp(value, "none") == 0) return {};
        if (value) named = value;
    }
    return findExecutable(named.empty() ? standardName : named);
}

std::string dialogsProgram() { return programFile(&TDesktopPrograms::dialogs, "KOLBRI_ZENITY", "zenity"); }
std::string openerProgram() { return programFile(&TDesktopPrograms::opener, "KOLBRI_XDG_OPEN", "xdg-open"); }

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
        // zenity's entry shows its text in one plain label (markup is not
        // read there, so both lines have one size): the headline leads as
        // the first line, the text follows on the second. The field spans the
        // window inside 14-pixel margins: 200 pixels at this width, more when
        // the label is wider. The preset text comes up selected, as the field
        // takes the focus.
        args.push_back("--entry");
        titled(PRODUCT_TITLE);
        std::string label = request.headline;
        if (!request.text.empty()) label += (label.empty() ? "" : "\n") + request.text;
        args.push_back("--text=" + zenityText(label, true));
        args.push_back("--entry-text=" + request.initialText);
        args.push_back("--width=" + std::to_string(INPUT_FIELD_WIDTH + 2 * ZENITY_ENTRY_MARGIN));
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

// A child that makes only async-signal-safe calls before it execs or exits:
// the host has other threads, and no fork handler of the host runs in it.
pid_t forkForExec() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    return _Fork();
#else
    return fork();
#endif
}

void setSignalToDefault(int signalNumber) {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signalNumber, &standard, nullptr);
}

// In a fresh child: the program starts with no blocked signal and without
// the host's descriptors (they close at the exec; ours are close-on-exec).
// Returns only when the exec failed.
void execProgram(const char* path, char* const* argv, int input, int output, int errors) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Above 2 first, so that no source is overwritten when the host runs
    // with a standard descriptor closed and a pipe took its number.
    const int sources[3] = {fcntl(input, F_DUPFD_CLOEXEC, 3), fcntl(output, F_DUPFD_CLOEXEC, 3),
                            fcntl(errors, F_DUPFD_CLOEXEC, 3)};
    for (int target = 0; target < 3; ++target)
        if (sources[target] >= 0) dup2(sources[target], target);
#if defined(CLOSE_RANGE_CLOEXEC)
    close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
#endif
    execve(path, argv, environ);
}

// Reads to the end of the pipe, keeping at most limit bytes.
void readToEnd(int descriptor, std::string& into, size_t limit) {
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (into.size() < limit) into.append(buffer, static_cast<size_t>(got));
    }
}

// Collects a child we started. The host may have reaped it already (its own
// SIGCHLD handler) or the kernel may (SIGCHLD ignored): nothing is read from
// the result.
void collectChild(pid_t child) {
    pid_t waited;
    do {
        waited = waitpid(child, nullptr, 0);
    } while (waited < 0 && errno == EINTR);
}

// Runs the program, collects what it writes to its standard output and its
// exit status. exitCode is -1 when it could not be started or did not exit.
//
// A host that ignores SIGCHLD, or reaps every child in its own handler,
// takes the program's status away from waitpid. So an intermediate child
// sets SIGCHLD back to its default, starts the program, waits for it and
// sends its status back through a pipe of its own.
void runAndCollect(const std::string& program, std::vector<std::string> args, std::string& output, int& exitCode) {
    exitCode = -1;
    output.clear();
    int outputPipe[2], statusPipe[2];
    if (pipe2(outputPipe, O_CLOEXEC) != 0) return;
    if (pipe2(statusPipe, O_CLOEXEC) != 0) {
        ::close(outputPipe[0]);
        ::close(outputPipe[1]);
        return;
    }
    // Everything the children use is made before the fork.
    std::vector<char*> argv = argvOf(args);
    const char* path = program.c_str();
    const char* nullDevice = "/dev/null";
    pid_t middle = forkForExec();
    if (middle == 0) {
        ::close(outputPipe[0]);
        ::close(statusPipe[0]);
        setSignalToDefault(SIGCHLD);
        int status = 0, report = -1;
        pid_t shown = forkForExec();
        if (shown == 0) {
            int null = ::open(nullDevice, O_RDWR | O_CLOEXEC);
            if (null >= 0) execProgram(path, argv.data(), null, outputPipe[1], null);
            _exit(127);
        }
        ::close(outputPipe[1]);
        if (shown > 0) {
            pid_t waited;
            do {
                waited = waitpid(shown, &status, 0);
            } while (waited < 0 && errno == EINTR);
            if (waited == shown && WIFEXITED(status)) report = WEXITSTATUS(status);
        }
        ssize_t written;
        do {
            written = ::write(statusPipe[1], &report, sizeof report);
        } while (written < 0 && errno == EINTR);
        _exit(0);
    }
    ::close(outputPipe[1]);
    ::close(statusPipe[1]);
    if (middle < 0) {
        ::close(outputPipe[0]);
        ::close(statusPipe[0]);
        return;
    }
    // A chooser answers a few paths; more than a megabyte is not an answer.
    readToEnd(outputPipe[0], output, 1u << 20);
    ::close(outputPipe[0]);
    std::string report;
    readToEnd(statusPipe[0], report, 64);
    ::close(statusPipe[0]);
    collectChild(middle);
    if (report.size() == sizeof exitCode) std::memcpy(&exitCode, report.data(), sizeof exitCode);
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
// Whether the viewer started is told by a close-on-exec pipe, not by waitpid
// (see runAndCollect): it closes empty when the exec succeeded, and carries
// a byte when the fork or the exec failed.
bool launchDetached(const std::string& program, std::vector<std::string> args) {
    int startedPipe[2];
    if (pipe2(startedPipe, O_CLOEXEC) != 0) return false;
    std::vector<char*> argv = argvOf(args);
    const char* path = program.c_str();
    const char* nullDevice = "/dev/null";
    const char failed = 1;
    pid_t middle = forkForExec();
    if (middle == 0) {
        ::close(startedPipe[0]);
        pid_t viewer = forkForExec();
        if (viewer == 0) {
            setsid();
            setSignalToDefault(SIGCHLD);
            int null = ::open(nullDevice, O_RDWR | O_CLOEXEC);
            if (null >= 0) execProgram(path, argv.data(), null, null, null);
            (void)!::write(startedPipe[1], &failed, 1);
            _exit(127);
        }
        if (viewer < 0) (void)!::write(startedPipe[1], &failed, 1);
        _exit(0);
    }
    ::close(startedPipe[1]);
    if (middle < 0) {
        ::close(startedPipe[0]);
        return false;
    }
    std::string report;
    readToEnd(startedPipe[0], report, 1);
    ::close(startedPipe[0]);
    collectChild(middle);
    return report.empty();
}

}  // namespace

void setDesktopScript(TDesktopScript script) {
    std::lock_guard<std::mutex> lock(scriptMutex);
    installedScript() = std::move(script);
}

void setDesktopPrograms(TDesktopPrograms programs) {
    std::lock_guard<std::mutex> lock(scriptMutex);
    namedPrograms() = std::move(programs);
}

std::string findExecutable(const std::string& name) {
    if (name.empty()) return {};
    auto runnable = [](const std::string& candidate) {
        struct stat info {};
        return stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0;
    };
    if (name.find('/') != std::string::npos) return runnable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (!folder.empty()) {
            std::string candidate = folder + "/" + name;
            if (runnable(candidate)) return candidate;
        }
        start = end + 1;
    }
    return {};
}

bool desktopDialogsAvailable() { return hasDisplay() && !dialogsProgram().empty(); }

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
        std::string opener = openerProgram();
        if (!opener.empty() && !request.text.empty() && launchDetached(opener, {"xdg-open", request.text}))
            answer.button = TDesktopButton::ok;
        return answer;
    }
    std::string zenity = dialogsProgram();
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
