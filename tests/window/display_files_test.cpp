// The display a window test starts keeps its socket (and, unless given
// -displayfd, a lock file) in /tmp, outside the test process's own folder,
// where the server itself makes them: they must go with the server, whether
// the test stops it, with or without a window manager on it, or the test
// process is killed before it could.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "window_test_support.h"

using namespace windowtest;

namespace {

constexpr const char* CHILD_VARIABLE = "KOLBRI_DISPLAY_FILES_CHILD";

ino_t inodeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Whether a server listens on the socket at this path.
bool listenedOn(const std::string& path) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool answered = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return answered;
}

// A display's files as its server made them. Another server that later
// takes the same number makes them again: a lock naming another process and
// a socket of the same name, whose inode may well be the one ours had, as
// ext4 hands a freed inode to the next file made. Ours no longer listens
// once it has been collected, so a socket that answers is the other's.
struct DisplayFiles {
    DisplayFiles(const std::string& display, pid_t server, ino_t socketInode)
        : lock("/tmp/.X" + display.substr(1) + "-lock"),
          socket("/tmp/.X11-unix/X" + display.substr(1)),
          server(server),
          socketInode(socketInode) {}
    explicit DisplayFiles(const XvfbServer& xvfb)
        : DisplayFiles(xvfb.display(), xvfb.process(), inodeOf("/tmp/.X11-unix/X" + xvfb.display().substr(1))) {}

    pid_t lockHolder() const {
        std::ifstream in(lock);
        long pid = 0;
        return in >> pid ? static_cast<pid_t>(pid) : 0;
    }
    bool gone() const {
        return lockHolder() != server && (inodeOf(socket) != socketInode || listenedOn(socket));
    }

    std::string lock, socket;
    pid_t server;
    ino_t socketInode;
};

// The child's side: starts a display, names it and waits to be killed.
TEST(DisplayFilesChild, Run) {
    if (!std::getenv(CHILD_VARIABLE)) GTEST_SKIP() << "runs only as a child of the test below";
    XvfbServer xvfb;
    std::string error;
    ASSERT_TRUE(xvfb.start(error)) << error;
    const DisplayFiles files(xvfb);
    std::cout << "display " << xvfb.display() << " " << files.server << " " << files.socketInode << std::endl;
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

TEST(DisplayFiles, GoWithTheServerTheTestStops) {
    if (XvfbServer::binary().empty()) GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
    for (Desktop desktop : {Desktop::bare, Desktop::openbox}) {
        SCOPED_TRACE(desktopName(desktop));
        if (desktop == Desktop::openbox && WindowManager::binary().empty()) continue;
        XvfbServer xvfb;
        WindowManager windowManager;
        std::string error;
        ASSERT_TRUE(xvfb.start(error)) << error;
        const DisplayFiles files(xvfb);
        ASSERT_NE(files.socketInode, 0u) << "no " << files.socket;
        if (desktop == Desktop::openbox) {
            ASSERT_TRUE(windowManager.start(xvfb.display(), error)) << error;
        }
        windowManager.stop();
        xvfb.stop();
        // Another test's server may have made its socket and not yet listen
        // on it; a file of ours stays past that.
        EXPECT_TRUE(waitFor([&] { return files.gone(); }, std::chrono::milliseconds(5000)))
            << files.socket << " or " << files.lock << " of server " << files.server << " stayed";
    }
}

TEST(DisplayFiles, GoWithTheServerOfAKilledTestProcess) {
    if (XvfbServer::binary().empty()) GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(ends[1], 1);
        ::setenv(CHILD_VARIABLE, "1", 1);
        ::execl("/proc/self/exe", "window_tests", "--gtest_filter=DisplayFilesChild.Run", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ends[1]);
    ASSERT_GT(child, 0);
    // The line naming the display, within a bound only a fault reaches.
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const std::size_t named = output.find("display ");
        if (named != std::string::npos && output.find('\n', named) != std::string::npos) break;
        if (std::chrono::steady_clock::now() > deadline) break;
        pollfd waiting{ends[0], POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0) continue;
        char buffer[256];
        const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
        if (got <= 0) break;
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ends[0]);

    const std::size_t named = output.find("display ");
    std::istringstream line(named == std::string::npos ? std::string() : output.substr(named));
    std::string word, display;
    long server = 0;
    unsigned long inode = 0;
    ASSERT_TRUE(line >> word >> display >> server >> inode && word == "display" && inode != 0) << output;
    const DisplayFiles files(display, static_cast<pid_t>(server), static_cast<ino_t>(inode));
    // The server ends on the signal its parent's end sends it, just after.
    EXPECT_TRUE(waitFor([&] { return files.gone(); }, std::chrono::milliseconds(30000)))
        << files.socket << " or " << files.lock << " of server " << files.server << " stayed";
}

}  // namespace
