// tools/run.sh as a newcomer runs it, in a copy of its own beside stand-ins
// for the commands it calls (so nothing is installed or built): a small
// machine limits its build and test jobs with KOLBRI_JOBS.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "test_environment.h"

namespace {

namespace fs = std::filesystem;

void writeScript(const fs::path& path, const std::string& body) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(RunScript, TheBuildTakesTheJobCountGivenElseOnePerProcessor) {
    const struct {
        const char* jobs;  // null: not set
        int exitCode;
        const char* build;  // what the build is asked for; null: nothing is built
    } cases[] = {
        {nullptr, 0, "--build ROOT/build -j 7"},  // the stand-in nproc answers 7
        {"2", 0, "--build ROOT/build -j 2"},
        {"0", 2, nullptr},
        {"two", 2, nullptr},
        {"", 0, "--build ROOT/build -j 7"},  // set empty: as if not set
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.jobs ? c.jobs : "not set");
        const test_environment::TemporaryFolder folder("run-script");
        const fs::path root = fs::path(folder.path) / "kolbri", bin = fs::path(folder.path) / "bin";
        const fs::path log = fs::path(folder.path) / "calls.log";
        fs::create_directories(root / "tools");
        fs::copy_file(fs::path(KOLBRI_SOURCE_DIR) / "tools/run.sh", root / "tools/run.sh");
        writeScript(bin / "nproc", "echo 7");
        writeScript(bin / "dpkg-query", "printf 'install ok installed'");
        writeScript(bin / "apt-get", "echo \"apt-get $*\" >> '" + log.string() + "'; exit 1");
        writeScript(bin / "cmake", "echo \"cmake $*\" >> '" + log.string() + "'");
        for (const char* bench : {"kolbri_bench", "kolbri_editor_bench"}) writeScript(root / "build/bench" / bench, "true");

        std::string command = "env -u KOLBRI_JOBS PATH='" + bin.string() + ":" + std::getenv("PATH") + "' ";
        if (c.jobs) command += std::string("KOLBRI_JOBS='") + c.jobs + "' ";
        command += "bash '" + (root / "tools/run.sh").string() + "' bench > /dev/null 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
        const std::string calls = readText(log);
        EXPECT_EQ(calls.find("apt-get"), std::string::npos) << "nothing is installed: the stand-in has it all";
        if (c.build) {
            std::string build = c.build;
            build.replace(build.find("ROOT"), 4, root.string());
            EXPECT_NE(calls.find("cmake " + build + "\n"), std::string::npos) << calls;
        } else {
            EXPECT_EQ(calls, "") << "a job count that is no count is refused before anything is done";
        }
    }
}

}  // namespace
