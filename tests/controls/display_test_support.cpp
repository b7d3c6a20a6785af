#include "display_test_support.h"

#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "test_environment.h"
#include "toolkit/CBitmap.h"
#include "tools/testhost/MidiEventList.h"

namespace fs = std::filesystem;
using namespace kgui;

namespace {
constexpr int USER_SAMPLE_SLOT = 194;
constexpr int MAX_LISTED = 511;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}
bool isSampleFile(const fs::path& file) {
    const std::string extension = lower(file.extension().string());
    return extension == ".wav" || extension == ".aif" || extension == ".aiff";
}
}  // namespace

// ---------------------------------------------------------------- host

TDisplayHost::TDisplayHost(TObservedPlugin* plugin) : TTestHost(plugin) {
    // The plug-in's library sits in Contents/x86_64-linux; its images in Contents/Resources.
    CBitmap::setResourceFolder((fs::path(KOLBRI_SO_PATH).parent_path().parent_path() / "Resources").string());
}

TDisplayHost::~TDisplayHost() {
    for (auto& image : images)
        image.second->forget();
}

CBitmap* TDisplayHost::getControlBitmap(int id) {
    auto found = images.find(id);
    if (found == images.end())
        found = images.emplace(id, new CBitmap(id + 1000 * big)).first;
    return found->second->isLoaded() ? found->second : nullptr;
}

bool TDisplayHost::logged(const std::string& entry) const {
    return std::find(log.begin(), log.end(), entry) != log.end();
}

// ---------------------------------------------------------------- services

std::vector<float> TDisplayServices::render(int blocks) {
    std::vector<float> left(512), right(512), mono;
    float* outputs[2] = {left.data(), right.data()};
    for (int i = 0; i < blocks; ++i) {
        processReplacing(nullptr, outputs, 512);
        for (size_t k = 0; k < left.size(); ++k)
            mono.push_back((left[k] + right[k]) / 2);
    }
    return mono;
}

void TDisplayServices::noteOn(int note) {
    testhost::MidiEventList list{testhost::midiMessage(0x90, note, 100)};
    processEvents(list.events());
}

bool TDisplayServices::called(const std::string& entry) const {
    return std::find(calls.begin(), calls.end(), entry) != calls.end();
}

bool TDisplayServices::loadSample(const fs::path& file) {
    testhost::Stereo read;
    badSample = "!";
    if (!testhost::readWav(file.string(), read)) {
        badSample = "Sample Not Found:" + file.string();
        present = false;
        put(249, 0);
        return false;
    }
    sample = std::move(read);
    stereo = sample.left != sample.right;
    loadedFile = file;
    present = true;
    put(249, 1);
    setDefaultSamplePositions();
    return true;
}

double TDisplayServices::getSampleLength(int slot) {
    // Files shorter than 100 frames have no length that positions can use.
    return slot == USER_SAMPLE_SLOT && present && sample.frames() >= 100 ? static_cast<double>(sample.frames()) : 0;
}

double TDisplayServices::point(int slot, int tag) {
    return slot == USER_SAMPLE_SLOT && present ? getParameter(tag) * getSampleLength(slot) : 0;
}

void TDisplayServices::setSampleStart(float f) {
    calls.push_back("setSampleStart");
    if (present)
        put(246, std::clamp(f, 0.0f, 1.0f));
}

void TDisplayServices::setSampleLoopStart(float f) {
    calls.push_back("setSampleLoopStart");
    if (present)
        put(247, std::clamp(std::min(f, getParameter(248)), 0.0f, 1.0f));
}

void TDisplayServices::setSampleLoopEnd(float f) {
    calls.push_back("setSampleLoopEnd");
    if (present)
        put(248, std::clamp(std::max(f, getParameter(247)), 0.0f, 1.0f));
}

void TDisplayServices::setDefaultSamplePositions() {
    put(246, 0);
    if (present) {
        put(247, 0);
        put(248, 1);
        setSteppedValue(244, 0);
    }
}

bool TDisplayServices::getSampleDisplayValue(float position, float& left, float& right) {
    left = right = 0;
    if (!present || !(position >= 0) || position > static_cast<float>(sample.frames() - 1))
        return present && stereo;
    const auto i = static_cast<size_t>(position);
    const size_t j = std::min(i + 1, sample.left.size() - 1);
    const float t = position - static_cast<float>(i);
    left = sample.left[i] + t * (sample.left[j] - sample.left[i]);
    right = stereo ? sample.right[i] + t * (sample.right[j] - sample.right[i]) : left;
    return stereo;
}

float TDisplayServices::getSampleVol() { return std::pow(10.0f, (getParameter(245) * 80 - 40) / 20); }

std::string TDisplayServices::getLoadedSampleDisplayNameStr() {
    return present ? loadedFile.filename().string() : std::string();
}

void TDisplayServices::previewSampleFromFile(int index) {
    if (index >= 0 && index < static_cast<int>(files.size()))
        calls.push_back("previewSampleFromFile " + std::to_string(index));
}

void TDisplayServices::setRoot(const fs::path& path) {
    root = folder = path;
    scan();
}

void TDisplayServices::scan() {
    subFolders.clear();
    files.clear();
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && subFolders.size() < MAX_LISTED)
            subFolders.push_back(name);
        else if (entry.is_regular_file() && isSampleFile(entry.path()) && files.size() < MAX_LISTED)
            files.push_back(name);
    }
    auto byLowerName = [](const std::string& a, const std::string& b) { return lower(a) < lower(b); };
    std::sort(subFolders.begin(), subFolders.end(), byLowerName);
    std::sort(files.begin(), files.end(), byLowerName);
}

void TDisplayServices::gotoHomeSampleFolder() {
    calls.push_back("gotoHomeSampleFolder");
    folder = root;
    scan();
}

void TDisplayServices::goUpAFolder() {
    calls.push_back("goUpAFolder");
    if (folder != root)
        folder = folder.parent_path();
    scan();
}

void TDisplayServices::setSampleCurFolder(int index) {
    calls.push_back("setSampleCurFolder " + std::to_string(index));
    if (index < 0 || index >= static_cast<int>(subFolders.size()))
        return;
    folder /= subFolders[static_cast<size_t>(index)];
    scan();
}

void TDisplayServices::scanSampleFolder() {
    calls.push_back("scanSampleFolder");
    scan();
}

std::string TDisplayServices::getSampleSubFolderDisplayNameStr(int index) {
    return index >= 0 && index < static_cast<int>(subFolders.size()) ? subFolders[static_cast<size_t>(index)] : "";
}

std::string TDisplayServices::getCurSampleFolderDisplayNameStr() {
    const std::string below = fs::relative(folder, root).string();
    return below == "." ? std::string() : below;
}

std::string TDisplayServices::getSampleNoDisplayNameStr(int index) {
    return index >= 0 && index < static_cast<int>(files.size()) ? files[static_cast<size_t>(index)] : "";
}

int TDisplayServices::getSampleNo() {
    if (!present || loadedFile.parent_path() != folder)
        return -1;
    const auto found = std::find(files.begin(), files.end(), loadedFile.filename().string());
    return found == files.end() ? -1 : static_cast<int>(found - files.begin());
}

void TDisplayServices::loadSelectedSample(int index) {
    calls.push_back("loadSelectedSample " + std::to_string(index));
    if (index >= 0 && index < static_cast<int>(files.size()))
        loadSample(folder / files[static_cast<size_t>(index)]);
}

void TDisplayServices::changeSampleDelta(int delta) {
    calls.push_back("changeSampleDelta " + std::to_string(delta));
    if (!files.empty())
        loadSelectedSample(std::clamp(getSampleNo() + delta, 0, static_cast<int>(files.size()) - 1));
}

void TDisplayServices::importSampleFromDrag(const std::string& path, int count) {
    calls.push_back("importSampleFromDrag " + fs::path(path).filename().string() + " " + std::to_string(count));
    const fs::path target = folder / fs::path(path).filename();
    if (fs::exists(target) || !fs::copy_file(path, target))
        return;
    scan();
    if (count == 1)
        loadSample(target);
}

TTempFolder::TTempFolder() : path(test_environment::makeTemporaryFolder("displays")) {}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void writeToneWav(const fs::path& file, long frames, bool stereo, double sampleRate) {
    testhost::Stereo audio;
    audio.sampleRate = sampleRate;
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double envelope = std::exp(-3.0 * t) * std::min(1.0, t * 200);
        audio.left.push_back(static_cast<float>(0.8 * envelope * std::sin(2 * std::numbers::pi * 110 * t)));
        audio.right.push_back(stereo ? static_cast<float>(0.5 * envelope * std::sin(2 * std::numbers::pi * 165 * t))
                                     : audio.left.back());
    }
    ASSERT_TRUE(testhost::writeWav(file.string(), audio)) << file;
}

// ---------------------------------------------------------------- pictures

::testing::AssertionResult imagesAgree(const std::string& rendered, const std::string& golden) {
    cairo_surface_t* one = cairo_image_surface_create_from_png(rendered.c_str());
    cairo_surface_t* two = cairo_image_surface_create_from_png(golden.c_str());
    ::testing::AssertionResult result = ::testing::AssertionFailure() << golden << " does not read or differs in size";
    if (cairo_surface_status(one) == CAIRO_STATUS_SUCCESS && cairo_surface_status(two) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_width(one) == cairo_image_surface_get_width(two) &&
        cairo_image_surface_get_height(one) == cairo_image_surface_get_height(two)) {
        const int width = cairo_image_surface_get_width(one), height = cairo_image_surface_get_height(one);
        long different = 0;
        double total = 0;
        for (int y = 0; y < height; ++y) {
            const unsigned char* a = cairo_image_surface_get_data(one) + y * cairo_image_surface_get_stride(one);
            const unsigned char* b = cairo_image_surface_get_data(two) + y * cairo_image_surface_get_stride(two);
            for (int x = 0; x < width * 4; x += 4) {
                int worst = 0;
                for (int k = 0; k < 4; ++k) {
                    worst = std::max(worst, std::abs(int(a[x + k]) - int(b[x + k])));
                    total += std::abs(int(a[x + k]) - int(b[x + k]));
                }
                different += worst > 48;
            }
        }
        const double pixels = double(width) * height;
        // Text may shift by a shade between library versions; a display
        // misplaced, recoloured or missing changes far more.
        if (different / pixels < 0.005 && total / (pixels * 4) < 1.5)
            result = ::testing::AssertionSuccess();
        else
            result = ::testing::AssertionFailure() << rendered << " differs from " << golden << ": "
                                                   << different << " pixels";
    }
    cairo_surface_destroy(one);
    cairo_surface_destroy(two);
    return result;
}

::testing::AssertionResult matchesGolden(const std::string& rendered, const std::string& name) {
    const fs::path golden = fs::path(KOLBRI_TEST_DATA_DIR) / "controls" / name;
    if (std::getenv("KOLBRI_UPDATE_GOLDEN")) {
        fs::create_directories(golden.parent_path());
        fs::copy_file(rendered, golden, fs::copy_options::overwrite_existing);
        return ::testing::AssertionSuccess();
    }
    if (!fs::exists(golden))
        return ::testing::AssertionFailure() << golden << " is missing; run with KOLBRI_UPDATE_GOLDEN=1";
    return imagesAgree(rendered, golden.string());
}
