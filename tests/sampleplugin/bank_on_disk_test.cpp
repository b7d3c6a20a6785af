// An upgrade rewrites the installed bank in place while a host plays (cp and
// cmake --install keep the file's inode). A copy of the bundle is loaded by
// the test host in a child process, so that a plug-in that dies takes only
// the child with it; the child reports the levels it heard.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/audio_measure.h"
#include "sample/bank_manifest.h"
#include "sampleplugin/sample_plugin_support.h"
#include "test_environment.h"

namespace sampleplugin {
namespace {

namespace fs = std::filesystem;

// The bundle as the build made it, copied into a folder of the test's own.
struct BundleCopy {
    BundleCopy() {
        root = test_environment::makeTemporaryFolder("upgrade");
        const fs::path built = fs::path(KOLBRI_SO_PATH);
        const fs::path contents = fs::path(root) / "Kolbri.vst" / "Contents";
        fs::create_directories(contents / "x86_64-linux");
        fs::create_directories(contents / "Resources");
        library = (contents / "x86_64-linux" / built.filename()).string();
        bank = (contents / "Resources" / "Kolbri.raw").string();
        fs::copy_file(built, library);
        fs::copy_file(built.parent_path() / ".." / "Resources" / "Kolbri.raw", bank);
    }
    ~BundleCopy() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string root, library, bank;
};

// Rewrites the file in place, as cp does: same inode, new length and bytes.
void rewriteInPlace(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

using audiomeasure::stepValue;

// The default sound with the chosen source, started and settled.
std::unique_ptr<testhost::Plugin> loadSource(testhost::Host& host, const std::string& library,
                                             const audiomeasure::Patch& patch) {
    auto plugin = host.load(library);
    if (!plugin) return plugin;
    for (const auto& [tag, value] : patch) plugin->setParameter(tag, value);
    plugin->render(static_cast<long>(0.3 * plugin->config().sampleRate));
    plugin->noteOn(plugin->framesRendered(), 57, 100);
    return plugin;
}

double levelOf(testhost::Plugin& plugin, double seconds) {
    const testhost::Stereo out = plugin.render(static_cast<long>(seconds * plugin.config().sampleRate));
    return rms(out.left, out.left.size() / 2, out.left.size() / 2);
}

TEST(BankOnDisk, APlayingHostSurvivesTheBankBeingCutAndReplaced) {
    // The looping built-in sample that lies furthest into the bank: a file
    // cut to half its length no longer holds any of it.
    const std::vector<ManifestRow> rows = readManifest();
    std::int64_t start = 0, chosenStart = -1, total = 0;
    int chosen = -1;
    for (const ManifestRow& row : rows) {
        if (row.loop) chosen = row.index, chosenStart = start;
        start += row.frames;
    }
    total = start;
    ASSERT_GT(chosenStart, total / 2);
    const audiomeasure::Patch defaults = [] {
        audiomeasure::Patch patch;
        const auto attributes = std::make_unique<APlugin>(nullptr);
        for (int t = 0; t < APlugin::NUM_PARAMS; ++t)
            if (t != PRESET_APPLY_TAG) patch.emplace_back(t, attributes->getDefaultValue(t));
        return patch;
    }();
    const audiomeasure::Patch sample = audiomeasure::join(
        {defaults,
         {{SOURCE_MODE, stepValue(SOURCE_MODE, SOURCE_SAMPLE)}, {SAMPLE_CHOICE, stepValue(SAMPLE_CHOICE, chosen)}}});
    const audiomeasure::Patch noise =
        audiomeasure::join({defaults, {{SOURCE_MODE, stepValue(SOURCE_MODE, audiomeasure::SOURCE_NOISE)}}});

    BundleCopy bundle;
    std::string whole;
    {
        std::ifstream file(bundle.bank, std::ios::binary | std::ios::ate);
        whole.resize(static_cast<std::size_t>(file.tellg()));
        file.seekg(0);
        file.read(whole.data(), static_cast<std::streamsize>(whole.size()));
    }
    ASSERT_EQ(static_cast<std::int64_t>(whole.size()), 4 * total);

    enum Heard { BEFORE, CUT, REPLACED, SECOND_INSTANCE, NEW_SAMPLE, NEW_NOISE, HEARD_COUNT };
    std::array<double, HEARD_COUNT> heard{};
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        {
            testhost::Host host;
            auto playing = loadSource(host, bundle.library, sample);
            if (!playing) _exit(3);
            heard[BEFORE] = levelOf(*playing, 0.4);
            // The upgrade opens the file for writing, emptying it...
            rewriteInPlace(bundle.bank, "");
            heard[CUT] = levelOf(*playing, 0.4);
            // ...and writes the new bank, here one half as long.
            rewriteInPlace(bundle.bank, whole.substr(0, whole.size() / 2));
            heard[REPLACED] = levelOf(*playing, 0.4);
            auto second = loadSource(host, bundle.library, sample);
            if (!second) _exit(4);
            heard[SECOND_INSTANCE] = levelOf(*second, 0.4);
        }
        // Every instance gone: a new one reads the file as it is now.
        testhost::Host host;
        auto fresh = loadSource(host, bundle.library, sample);
        if (!fresh) _exit(5);
        heard[NEW_SAMPLE] = levelOf(*fresh, 0.4);
        fresh = loadSource(host, bundle.library, noise);
        if (!fresh) _exit(6);
        heard[NEW_NOISE] = levelOf(*fresh, 0.4);
        const bool sent = write(channel[1], heard.data(), sizeof heard) == static_cast<ssize_t>(sizeof heard);
        _exit(sent ? 0 : 7);
    }
    close(channel[1]);
    const ssize_t got = read(channel[0], heard.data(), sizeof heard);
    close(channel[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the host was killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof heard));

    struct Expectation {
        Heard what;
        const char* when;
        bool sounding;
    } expectations[] = {
        {BEFORE, "before the upgrade", true},
        {CUT, "the file emptied under the playing instance", true},
        {REPLACED, "a shorter file written in its place", true},
        {SECOND_INSTANCE, "an instance made while the first still plays", true},
        {NEW_SAMPLE, "a new instance after all closed: the sample is beyond the new file", false},
        {NEW_NOISE, "the new instance plays its other sources", true},
    };
    for (const Expectation& e : expectations) {
        if (e.sounding)
            EXPECT_GT(heard[e.what], 0.01) << e.when;
        else
            EXPECT_LT(heard[e.what], 1e-5) << e.when;
    }
}

}  // namespace
}  // namespace sampleplugin
