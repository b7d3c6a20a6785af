// Installing for every user: the build's bundle installed with the prefix
// the README gives, into a DESTDIR of the test's own, then loaded from there
// as a host loads it. An upgrade unlinks the old files before it writes new
// ones, so a host that has the old library mapped keeps it whole.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_environment.h"
#include "tools/testhost/TestHost.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* PREFIX = "/usr/lib/vst";

bool install(const std::string& destdir) {
    const std::string command = "DESTDIR='" + destdir + "' '" + KOLBRI_CMAKE + "' --install '" + KOLBRI_BINARY_DIR +
                                "' --prefix " + PREFIX + " > /dev/null";
    return std::system(command.c_str()) == 0;
}

// The file an open descriptor names: its links (0 once it is unlinked) and size.
struct stat statOf(int descriptor) {
    struct stat info {};
    fstat(descriptor, &info);
    return info;
}

// A built-in sample through the plug-in: it sounds only where the bank was found.
float builtInSampleLevel(testhost::Plugin& plugin) {
    constexpr int SOURCE_MODE = 10, SAMPLE_CHOICE = 19;
    plugin.setParameter(SOURCE_MODE, 1.0f);    // the last source, "Sample"
    plugin.setParameter(SAMPLE_CHOICE, 0.0f);  // the first built-in sample
    plugin.render(static_cast<long>(0.3 * plugin.config().sampleRate));
    plugin.noteOn(plugin.framesRendered(), 57, 100);
    const testhost::Stereo out = plugin.render(static_cast<long>(0.3 * plugin.config().sampleRate));
    plugin.noteOff(plugin.framesRendered(), 57);
    return testhost::measure(out).peak;
}

TEST(Install, TheSystemWidePrefixReceivesABundleThatPlays) {
    const test_environment::TemporaryFolder folder("install");
    const std::string& destdir = folder.path;
    const fs::path built = fs::path(KOLBRI_BINARY_DIR) / "Kolbri.vst";
    const fs::path installed = fs::path(destdir + PREFIX) / "Kolbri.vst";
    const char* files[] = {"Contents/x86_64-linux/Kolbri.so", "Contents/Resources/Kolbri.raw",
                           "Contents/Resources/10000.png", "Contents/Resources/13043.png"};

    ASSERT_TRUE(install(destdir));
    for (const char* file : files) {
        ASSERT_TRUE(fs::exists(installed / file)) << file;
        EXPECT_EQ(fs::file_size(installed / file), fs::file_size(built / file)) << file;
    }

    // A host plays from the installed bundle, which finds its bank.
    const fs::path library = installed / files[0], bank = installed / files[1];
    testhost::Host host;
    auto plugin = host.load(library.string());
    ASSERT_TRUE(plugin) << testhost::Host::lastError();
    EXPECT_GT(builtInSampleLevel(*plugin), 0.01f);

    // An upgrade while it plays: the installed files are older than the
    // build's. The old files are let go, not written into.
    const int oldLibrary = open(library.c_str(), O_RDONLY), oldBank = open(bank.c_str(), O_RDONLY);
    const auto libraryBytes = statOf(oldLibrary).st_size, bankBytes = statOf(oldBank).st_size;
    for (const fs::path& path : {library, bank})
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(24 * 365));
    ASSERT_TRUE(install(destdir));
    struct Kept {
        const char* what;
        int descriptor;
        off_t bytes;
    } kept[] = {{"the library", oldLibrary, libraryBytes}, {"the bank", oldBank, bankBytes}};
    for (const Kept& k : kept) {
        EXPECT_EQ(statOf(k.descriptor).st_nlink, 0u) << k.what << " a host holds is unlinked, not rewritten";
        EXPECT_EQ(statOf(k.descriptor).st_size, k.bytes) << k.what;
        close(k.descriptor);
    }
    EXPECT_EQ(fs::file_size(library), fs::file_size(built / files[0]));
    EXPECT_GT(builtInSampleLevel(*plugin), 0.01f) << "the host plays on";
    plugin.reset();
}

}  // namespace
