// The sample library (plugin/SampleLibrary.h): the user sample (slot 194) and
// the sample folders as the editor and the program use them. The file in use
// is named by its path relative to the sample root, kept two bytes per
// parameter in 251..314, so that it travels with the program. Files are read
// only here, on the editor's thread or the plug-in's background thread; a read
// sample is parsed into new immutable data and published to the engine's
// slot, which the audio thread reads without waiting. Program application on
// the audio thread only raises a load request
// (TSoundEngine::requestUserSampleForProgram); the background thread takes it
// (takeUserSampleRequest).
#include "plugin/SampleLibrary.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>

#include "engine/dsp/ParameterTags.h"
#include "engine/SampleState.h"
#include "engine/SoundEngine.h"
#include "engine/sample/SampleBank.h"
#include "engine/sample/SampleFileParser.h"
#include "engine/sample/SamplePathSlots.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"

namespace {

// The roots' keys in the preference store, and the longest root kept.
const std::string SAMPLE_DIR_KEY = "SampleDir";
const std::string EXTERNAL_SAMPLE_DIR_KEY = "ExternalSampleDir";
constexpr int LONG_FOLDER_LIMIT = 255;
constexpr const char* SAMPLE_FILE_FILTER = "*.wav;*.aif;*.aiff";
constexpr int LOOP_MODE_ONE_SHOT = 0, LOOP_MODE_LOOP = 1;

// A loop point of the file as a fraction of the sample's length, one frame
// earlier (the editor counts frames from 1). A file of one frame has length 0:
// its points lie at its start, where the formula's limit clamps them.
float fileLoopFraction(int point, double length) {
    return length > 0 ? static_cast<float>((point - 1.0) / length) : 0.0f;
}

// A sample file read and parsed; null, with the reason, when it is not one.
std::unique_ptr<TSampleData> readSampleFile(const std::string& path, std::string& why) {
    std::vector<std::uint8_t> bytes;
    const TSampleFileStatus status = readSampleFileBytes(path, bytes);
    if (status != TSampleFileStatus::ok) {
        why = describeSampleFileStatus(status);
        return nullptr;
    }
    TSampleParseResult parsed = parseSampleFile(bytes);
    if (!parsed.data) {
        why = describeSampleRefusal(parsed.refusal);
        return nullptr;
    }
    parsed.data->setName(path);
    return std::move(parsed.data);
}

// A path below a root, or the root itself when it is not below it.
std::string keptBelow(const std::string& folder, const std::string& root) {
    if (relativeSamplePath(folder, root) || sampleFolderRelative(folder, root).empty()) return folder;
    return joinSamplePath(root, "");
}

}  // namespace

TSampleLibrary::TSampleLibrary(TSoundEngine& engine, THandOffFlags& handOff, TSampleLibraryHost& plugin)
    : engine(engine), handOff(handOff), plugin(plugin) {}

// ---------------------------------------------------------------- the slot and its state

std::shared_ptr<const TSampleData> TSampleLibrary::usableUserSample() const {
    if (!engine.userSampleUsable()) return nullptr;
    return engine.sampleSlots().userSample.snapshot();
}

double TSampleLibrary::userSampleFrames() const {
    const auto data = usableUserSample();
    return userSampleLength(data.get(), data != nullptr);
}

std::string TSampleLibrary::getSampleBankProblemStr() const {
    return engine.sampleSlots().bank ? engine.sampleSlots().bank->problemText() : std::string(SAMPLE_BANK_PROBLEM_TEXT);
}

// Both roots are in the store after the first start.
void TSampleLibrary::readFolders() {
    const std::string samples = platform::getDefaultFolderPath(platform::TDefaultFolder::samples);
    std::lock_guard lock(browser.lock);
    folders.homeSampleDir = loadFolderFromPrefs(SAMPLE_DIR_KEY, LONG_FOLDER_LIMIT, samples, true);
    folders.importSampleDir = folders.homeSampleDir;
    folders.externalSampleDir = loadFolderFromPrefs(EXTERNAL_SAMPLE_DIR_KEY, LONG_FOLDER_LIMIT, samples, true);
}

void TSampleLibrary::start() {
    {
        std::lock_guard lock(browser.lock);
        browser.sampleFolder = folders.homeSampleDir;
        browser.externalSampleFolder = folders.externalSampleDir;
    }
    char resources[1024] = {};
    getResourcePath(resources, sizeof resources);
    engine.setSampleBank(TSampleBank::acquire(std::string(resources) + "/" + SAMPLE_BANK_FILE_NAME));
}

// The background thread: the program's sample, and the frames of replaced
// samples that no block can read any more.
void TSampleLibrary::takeUserSampleRequest() {
    TSampleState& samples = engine.sampleSlots();
    if (samples.userSample.isLoadPending()) {
        const std::uint32_t ticket = samples.userSample.latestLoadRequest();
        {
            std::lock_guard lock(browser.lock);
            reloadSampleLocked();
        }
        samples.userSample.finishLoad(ticket);
    }
    samples.userSample.collectRetired();
    samples.previewSample.collectRetired();
}

// ---------------------------------------------------------------- positions

bool TSampleLibrary::getSampleLoaded() { return usableUserSample() != nullptr; }

// The tables of built-in sample slot; null for another number or without a bank.
const TSampleBankTables* TSampleLibrary::builtInTables(int slot) const {
    if (slot < 0 || slot >= BANK_SAMPLES || !engine.sampleSlots().bank) return nullptr;
    return &engine.sampleSlots().bank->tables();
}

double TSampleLibrary::getSampleLength(int slot) {
    if (slot == USER_SAMPLE_SLOT) return userSampleFrames();
    const TSampleBankTables* tables = builtInTables(slot);
    return tables ? tables->sampleLength[static_cast<std::size_t>(slot)] : 0.0;
}

double TSampleLibrary::getSampleStart(int slot) {
    return slot == USER_SAMPLE_SLOT ? plugin.getParameter(tag::SAMPLE_START) * userSampleFrames() : 0.0;
}
// A built-in sample's loop points are its own (a sample without a loop ends
// its loop at its last frame); the user sample's follow its loop mode.
double TSampleLibrary::getSampleLoopStart(int slot) {
    if (slot == USER_SAMPLE_SLOT)
        return userLoopPoint(plugin.getParameter(tag::SAMPLE_LOOP_START),
                             plugin.getSteppedValue(tag::SAMPLE_LOOP_MODE),
                             userSampleFrames());
    const TSampleBankTables* tables = builtInTables(slot);
    return tables ? tables->sampleLoopStart[static_cast<std::size_t>(slot)] : 0.0;
}
double TSampleLibrary::getSampleLoopEnd(int slot) {
    if (slot == USER_SAMPLE_SLOT)
        return userLoopPoint(plugin.getParameter(tag::SAMPLE_LOOP_END),
                             plugin.getSteppedValue(tag::SAMPLE_LOOP_MODE),
                             userSampleFrames());
    const TSampleBankTables* tables = builtInTables(slot);
    return tables ? tables->sampleLoopEnd[static_cast<std::size_t>(slot)] : 0.0;
}

// The user sample loops only by its loop mode, never by itself.
bool TSampleLibrary::getSampleHasLoop() {
    const int n = plugin.getSteppedValue(tag::SAMPLE);
    const TSampleBankTables* tables = n == USER_SAMPLE_SLOT ? nullptr : builtInTables(n);
    return tables && tables->sampleHasLoop[static_cast<std::size_t>(n)] == 1;
}

void TSampleLibrary::setSampleStart(float fraction) {
    if (getSampleLoaded()) plugin.setParameter(tag::SAMPLE_START, fraction);
}
void TSampleLibrary::setSampleLoopStart(float fraction) {
    if (getSampleLoaded() && std::isfinite(fraction))
        plugin.setParameter(tag::SAMPLE_LOOP_START,
                            std::min(fraction, plugin.getParameter(tag::SAMPLE_LOOP_END)));
}
void TSampleLibrary::setSampleLoopEnd(float fraction) {
    if (getSampleLoaded() && std::isfinite(fraction))
        plugin.setParameter(tag::SAMPLE_LOOP_END,
                            std::max(fraction, plugin.getParameter(tag::SAMPLE_LOOP_START)));
}
void TSampleLibrary::setSampleLoop(float start, float end) {
    if (!getSampleLoaded() || !std::isfinite(start) || !std::isfinite(end)) return;
    plugin.setParameter(tag::SAMPLE_LOOP_START, std::min(start, end));
    plugin.setParameter(tag::SAMPLE_LOOP_END, end);
}

void TSampleLibrary::setSampleStartDelta(float delta) {
    if (std::isfinite(delta))
        setSampleStart(std::clamp(plugin.getParameter(tag::SAMPLE_START) + delta, 0.0f, 1.0f));
}
void TSampleLibrary::setSampleLoopStartDelta(float delta) {
    if (std::isfinite(delta))
        setSampleLoopStart(std::clamp(plugin.getParameter(tag::SAMPLE_LOOP_START) + delta, 0.0f, 1.0f));
}
void TSampleLibrary::setSampleLoopEndDelta(float delta) {
    if (std::isfinite(delta))
        setSampleLoopEnd(std::clamp(plugin.getParameter(tag::SAMPLE_LOOP_END) + delta, 0.0f, 1.0f));
}

// A frame typed by the user, as a fraction of the length: the start as it is,
// the loop points one frame earlier (the editor counts them from 1).
void TSampleLibrary::setSampleStartBySample(int frame) {
    const double length = userSampleFrames();
    if (length > 0) setSampleStart(static_cast<float>(frame / length));
}
void TSampleLibrary::setSampleLoopStartBySample(int frame) {
    const double length = userSampleFrames();
    if (length > 0) setSampleLoopStart(static_cast<float>(std::clamp((frame - 1.0) / length, 0.0, 1.0)));
}
void TSampleLibrary::setSampleLoopEndBySample(int frame) {
    const double length = userSampleFrames();
    if (length > 0) setSampleLoopEnd(static_cast<float>(std::clamp((frame - 1.0) / length, 0.0, 1.0)));
}

void TSampleLibrary::setSamplePositions(int which) {
    const auto data = usableUserSample();
    if (!data || (which != 1 && which != 2)) return;
    const double n = data->getLen();
    if (which == 1)
        plugin.setParameter(tag::SAMPLE_LOOP_START, data->hasLoop() ? fileLoopFraction(data->getLoopStart(), n) : 0.0f);
    else
        plugin.setParameter(tag::SAMPLE_LOOP_END, data->hasLoop() ? fileLoopFraction(data->getLoopEnd(), n) : 1.0f);
}

void TSampleLibrary::setDefaultSamplePositions() {
    plugin.setParameter(tag::SAMPLE_START, 0.0f);
    const auto data = engine.sampleSlots().userSample.snapshot();
    const bool hasLoop = data && data->hasLoop();
    if (data && getSampleLoaded()) {
        const double n = data->getLen();
        if (hasLoop) {
            const float end = fileLoopFraction(data->getLoopEnd(), n);
            plugin.setParameter(tag::SAMPLE_LOOP_START, std::min(fileLoopFraction(data->getLoopStart(), n), end));
            plugin.setParameter(tag::SAMPLE_LOOP_END, end);
        } else {
            plugin.setParameter(tag::SAMPLE_LOOP_START, 0.0f);
            plugin.setParameter(tag::SAMPLE_LOOP_END, 1.0f);
        }
    }
    plugin.setSteppedValue(tag::SAMPLE_LOOP_MODE, hasLoop ? LOOP_MODE_LOOP : LOOP_MODE_ONE_SHOT);
}

// Frame by frame to where the left channel changes sign or rests at zero.
// Only the direction of the step counts: a step of 0 or NaN would never arrive.
void TSampleLibrary::setZeroCross(int which, float direction) {
    const auto data = usableUserSample();
    const double length = userSampleLength(data.get(), data != nullptr);
    if (length <= 0 || !(direction != 0.0f) || (which < 0 || which > 2)) return;
    const double step = direction < 0.0f ? -1.0 : 1.0;
    const double from = which == 0 ? getSampleStart(USER_SAMPLE_SLOT)
                        : which == 1 ? getSampleLoopStart(USER_SAMPLE_SLOT)
                                     : getSampleLoopEnd(USER_SAMPLE_SLOT);
    double p = from + step;
    if (p < 1.0 || p > length - 1.0) return;
    const auto sign = [](float x) { return x > 0.0f ? 1 : x < 0.0f ? -1 : 0; };
    for (;;) {
        float a0, a1, unused;
        data->getSample(p, a0, unused);
        p += step;
        data->getSample(p, a1, unused);
        if (std::fabs(a0) < 0.001f && std::fabs(a1) < 0.001f) break;
        if (sign(a0) != sign(a1)) break;
        if (step > 0 ? p > length - 1.0 : p < 1.0) break;
    }
    const int frame = static_cast<int>(p);
    if (which == 0)
        setSampleStartBySample(frame);
    else if (which == 1)
        setSampleLoopStartBySample(frame);
    else
        setSampleLoopEndBySample(frame);
}

bool TSampleLibrary::getSampleDisplayValue(float position, float& left, float& right) {
    left = right = 0;
    const auto data = usableUserSample();
    if (!data) return false;
    data->getSample(position, left, right);
    return data->getStereo();
}

// -40 to +40 dB over the parameter's range.
float TSampleLibrary::getSampleVol() {
    return std::pow(10.0f, (plugin.getParameter(tag::SAMPLE_VOLUME) * 80.0f - 40.0f) / 20.0f);
}

// The volume that brings the peak to 0 dB; a silent sample asks for the most.
// The last frame is never heard (reads stop at the last pair), so it does not count.
void TSampleLibrary::normalizeSampleVol() {
    const auto data = usableUserSample();
    if (!data) return;
    float peak = 0.001f;
    for (int i = 0; i < data->getLen(); ++i) {
        float left, right;
        data->getFrame(i, left, right);
        peak = std::max({peak, std::fabs(left), std::fabs(right)});
    }
    const double gain = 1.0 / peak;
    plugin.setParameter(tag::SAMPLE_VOLUME,
                        gain < 0.001 ? 0.0f : static_cast<float>((20.0 * std::log10(gain) + 40.0) / 80.0));
}

std::string TSampleLibrary::getLoadedSampleDisplayNameStr() {
    const auto data = usableUserSample();
    return data ? getFileNameOnlyStr(data->getName(), true) : std::string(NO_SAMPLE_TEXT);
}

std::string TSampleLibrary::getLoadedSampleFolderNameStr() {
    const auto data = usableUserSample();
    return data ? sampleFileDirectory(data->getName()) : std::string(NO_FOLDER_TEXT);
}

std::string TSampleLibrary::getBadSampleStr() {
    std::lock_guard lock(browser.lock);
    return browser.badSampleStr;
}

void TSampleLibrary::reloadSample() {
    std::lock_guard lock(browser.lock);
    reloadSampleLocked();
}

// The voices stop, as they would reading a sample that changes under them;
// the effects ring on.
void TSampleLibrary::updateLoadedSamples() {
    engine.requestAllVoicesOff();
    if (!plugin.getOnOff(tag::SAMPLE_LOADED)) return;
    std::lock_guard lock(browser.lock);
    loadSampleLocked();
}

void TSampleLibrary::previewSample() {
    engine.requestSamplePreview(TSampleState::PREVIEW_USER, getSampleStart(USER_SAMPLE_SLOT));
}

void TSampleLibrary::releasePreviewSample() { engine.requestSamplePreview(TSampleState::PREVIEW_STOP, 0.0); }

// ---------------------------------------------------------------- loading (under the browser's lock)

// A '\' reads as '/', as every stored program has read it; a path whose file
// is not there but whose name as stored, backslash and all, is a file of the
// root is that file (a Linux name may hold a '\'). Separators before the path
// are the root's own: the path names the same file below the root.
std::string TSampleLibrary::storedSamplePathLocked() const {
    std::array<float, SAMPLE_NAME_SLOTS> slots{};
    for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k)
        slots[static_cast<std::size_t>(k)] = engine.paramValue(SAMPLE_NAME_PARAM + k);
    const std::string separated = withoutLeadingSeparators(decodeSamplePath(slots.data()));
    const std::string asStored = withoutLeadingSeparators(decodeSamplePath(slots.data(), TSamplePathBackslash::kept));
    if (asStored == separated) return separated;
    const auto isFileBelowRoot = [this](const std::string& relative) {
        std::error_code error;
        return isSafeRelativeSamplePath(relative) &&
               std::filesystem::is_regular_file(joinSamplePath(sampleRootLocked(), relative), error);
    };
    return !isFileBelowRoot(separated) && isFileBelowRoot(asStored) ? asStored : separated;
}

const std::string& TSampleLibrary::sampleRootLocked() const {
    return plugin.getOnOff(tag::USE_EXTERNAL_SAMPLE_DIRECTORY) ? folders.externalSampleDir : folders.homeSampleDir;
}

std::string& TSampleLibrary::browseFolderLocked() {
    return plugin.getOnOff(tag::USE_EXTERNAL_SAMPLE_DIRECTORY) ? browser.externalSampleFolder : browser.sampleFolder;
}

void TSampleLibrary::scanLocked() {
    browser.listing = ::scanSampleFolder(browseFolderLocked());
    browser.scanned = true;
}

void TSampleLibrary::ensureScannedLocked() {
    if (!browser.scanned) scanLocked();
}

// A path too long for the program leaves the slots empty while its file
// plays: then the loaded file names itself.
void TSampleLibrary::setSampleNoLocked() {
    browser.curSampleNo = -1;
    const auto data = usableUserSample();
    if (!data) return;
    const std::string stored = storedSamplePathLocked();
    const std::string name =
        getFileNameOnlyStr(stored.empty() ? data->getName() : joinSamplePath(sampleRootLocked(), stored), false);
    const auto& files = browser.listing.sampleFiles;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (files[i] == name) browser.curSampleNo = static_cast<int>(i);
}

// The new sample's path goes into the program, and the sample's switches
// back to a plain one-shot at 0 dB.
void TSampleLibrary::setSampleInProgram(const std::string& fullPath) {
    const std::string relative = relativeSamplePath(fullPath, sampleRootLocked()).value_or(std::string());
    plugin.setOn(tag::SAMPLE_LOADED);
    plugin.setOff(tag::SAMPLE_REV);
    plugin.setSteppedValue(tag::SAMPLE_LOOP_MODE, LOOP_MODE_ONE_SHOT);
    plugin.setToDefault(tag::SAMPLE_VOLUME);
    std::array<float, SAMPLE_NAME_SLOTS> slots{};
    if (!encodeSamplePath(relative, slots)) {
        // A cut path would name another file: the slots stay empty, the sample
        // plays for this session, and the user is told it is not kept.
        browser.badSampleStr = std::string(SAMPLE_PATH_TOO_LONG_TEXT) + relative;
        std::fprintf(stderr, "Kolbri: %s %s\n", SAMPLE_PATH_TOO_LONG_TEXT, relative.c_str());
    }
    for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k)
        plugin.setParameter(SAMPLE_NAME_PARAM + k, slots[static_cast<std::size_t>(k)]);
}

// A file that does not load leaves the slot as it was, and says so.
bool TSampleLibrary::loadUserSampleLocked(const std::string& path) {
    std::string why;
    std::unique_ptr<TSampleData> data = readSampleFile(path, why);
    if (!data || !engine.sampleSlots().userSample.publish(std::move(data))) {
        browser.badSampleStr = SAMPLE_NOT_FOUND_TEXT + path;
        return false;
    }
    // Built, then moved in: assigning the text in place trips GCC 12's false
    // overlap warning (-Wrestrict) once inlined here.
    browser.badSampleStr = std::string(SAMPLE_LOAD_OK_TEXT);
    return true;
}

void TSampleLibrary::loadSelectedLocked(int index) {
    const auto name = listedNameLocked(&TSampleFolderListing::sampleFiles, index);
    if (!name) return;
    const std::string path = joinSamplePath(browseFolderLocked(), *name);
    if (!loadUserSampleLocked(path)) {
        engine.sampleSlots().userSamplePresent = false;
        return;
    }
    browser.curSampleNo = index;
    engine.sampleSlots().userSamplePresent = true;
    setSampleInProgram(path);
    setDefaultSamplePositions();
    handOff.screenUpdatePending = true;
}

// The file the program names. A name that would leave the root (from a host
// or a stored program) is not opened.
void TSampleLibrary::loadSampleLocked() {
    if (!plugin.getOnOff(tag::SAMPLE_LOADED)) return;
    const std::string relative = storedSamplePathLocked();
    const std::string full = joinSamplePath(sampleRootLocked(), relative);
    if (!isSafeRelativeSamplePath(relative)) {
        engine.sampleSlots().userSamplePresent = false;
        browser.badSampleStr = SAMPLE_NOT_FOUND_TEXT + full;
        return;
    }
    if (!loadUserSampleLocked(full)) {
        engine.sampleSlots().userSamplePresent = false;
        return;
    }
    browseFolderLocked() = keptBelow(sampleFileDirectory(full), sampleRootLocked());
    // Present before the selection is looked for, which only a usable sample
    // has: after a load that failed, the new file would stay unselected.
    engine.sampleSlots().userSamplePresent = true;
    scanLocked();
    setSampleNoLocked();
}

void TSampleLibrary::reloadSampleLocked() {
    browser.curSampleNo = -1;
    browser.sampleFolder = folders.homeSampleDir;
    browser.externalSampleFolder = folders.externalSampleDir;
    engine.sampleSlots().userSamplePresent = plugin.getOnOff(tag::SAMPLE_LOADED);
    if (engine.sampleSlots().userSamplePresent) loadSampleLocked();
    // Loaded or not, the list is that of the folder now browsed (the root,
    // when no sample took the browser to its own) and the selection is found
    // in it; the list of the folder left behind would be shown otherwise.
    scanLocked();
    setSampleNoLocked();
}

// ---------------------------------------------------------------- folders and the browser

std::string TSampleLibrary::getSampleFolderStr() {
    std::lock_guard lock(browser.lock);
    return browseFolderLocked();
}

std::string TSampleLibrary::getExternalSampleDirStr() {
    std::lock_guard lock(browser.lock);
    return "External Dir : " + folders.externalSampleDir;
}

void TSampleLibrary::setExternalSampleDir() {
    std::string start;
    {
        std::lock_guard lock(browser.lock);
        start = folders.externalSampleDir;
    }
    std::string chosen;
    if (!BrowseFolder(start, chosen) || chosen.empty()) return;
    std::lock_guard lock(browser.lock);
    folders.externalSampleDir = chosen;
    browser.externalSampleFolder = chosen;
    saveStringToPrefs(EXTERNAL_SAMPLE_DIR_KEY, chosen);
    if (plugin.getOnOff(tag::USE_EXTERNAL_SAMPLE_DIRECTORY)) {
        scanLocked();
        setSampleNoLocked();
    }
}

void TSampleLibrary::browseTo(
    const std::function<std::string(const std::string& folder, const std::string& root)>& where) {
    std::lock_guard lock(browser.lock);
    std::string& folder = browseFolderLocked();
    folder = where(folder, sampleRootLocked());
    scanLocked();
    setSampleNoLocked();
}

void TSampleLibrary::showKolbriSample() {
    plugin.setOff(tag::USE_EXTERNAL_SAMPLE_DIRECTORY);
    gotoHomeSampleFolder();
}

void TSampleLibrary::showExternalSamples() {
    plugin.setOn(tag::USE_EXTERNAL_SAMPLE_DIRECTORY);
    gotoHomeSampleFolder();
}

void TSampleLibrary::gotoHomeSampleFolder() {
    browseTo([](const std::string&, const std::string& root) { return root; });
}

void TSampleLibrary::gotoSampleFolder() {
    const auto data = usableUserSample();
    if (!data) return;
    browseTo([&data](const std::string&, const std::string& root) {
        return keptBelow(sampleFileDirectory(data->getName()), root);
    });
}

void TSampleLibrary::goUpAFolder() { browseTo(goUpSampleFolder); }

void TSampleLibrary::setSampleCurFolder(int index) {
    std::optional<std::string> name;
    {
        std::lock_guard lock(browser.lock);
        name = listedNameLocked(&TSampleFolderListing::subFolders, index);
    }
    if (!name) return;
    browseTo([&name](const std::string& folder, const std::string&) { return joinSamplePath(folder, *name); });
}

void TSampleLibrary::createSampleFolder() {
    const std::string name = inputBoxStr("New Sample Folder Name", "Create Sample Folder");
    if (name.empty()) return;
    std::lock_guard lock(browser.lock);
    const std::string problem = createSampleSubFolder(browseFolderLocked(), name);
    if (!problem.empty()) std::fprintf(stderr, "Kolbri: cannot create sample folder %s: %s\n", name.c_str(), problem.c_str());
    scanLocked();
    setSampleNoLocked();
}

// REFRESH (and the sample file menu's closing rescan): files added or removed
// meanwhile may move the loaded file's row, so while a sample is usable its
// row is found again, and the wheel and arrows step from it. With none usable
// the place a step left stays, so that stepping on passes a file that did not
// load rather than going back to the start of the list.
void TSampleLibrary::scanSampleFolder() {
    std::lock_guard lock(browser.lock);
    scanLocked();
    if (usableUserSample()) setSampleNoLocked();
}

int TSampleLibrary::listedCountLocked(TSampleList list) {
    ensureScannedLocked();
    return static_cast<int>((browser.listing.*list).size());
}

std::optional<std::string> TSampleLibrary::listedNameLocked(TSampleList list, int index) {
    if (index < 0 || index >= listedCountLocked(list)) return std::nullopt;
    return (browser.listing.*list)[static_cast<std::size_t>(index)];
}

int TSampleLibrary::getNumOfSubFoldersInSampleFolder() {
    std::lock_guard lock(browser.lock);
    return listedCountLocked(&TSampleFolderListing::subFolders);
}

std::string TSampleLibrary::getSampleSubFolderDisplayNameStr(int index) {
    std::lock_guard lock(browser.lock);
    return listedNameLocked(&TSampleFolderListing::subFolders, index).value_or(std::string());
}

std::string TSampleLibrary::getCurSampleFolderDisplayNameStr() {
    std::lock_guard lock(browser.lock);
    const std::string relative = sampleFolderRelative(browseFolderLocked(), sampleRootLocked());
    return plugin.getOnOff(tag::USE_EXTERNAL_SAMPLE_DIRECTORY) ? "EXT: " + relative : relative;
}

int TSampleLibrary::getNumOfSamplesInSampleFolder() {
    std::lock_guard lock(browser.lock);
    return listedCountLocked(&TSampleFolderListing::sampleFiles);
}

std::string TSampleLibrary::getSampleNoDisplayNameStr(int index) {
    std::lock_guard lock(browser.lock);
    return listedNameLocked(&TSampleFolderListing::sampleFiles, index).value_or(std::string());
}

int TSampleLibrary::getSampleNo() {
    if (!getSampleLoaded()) return -1;
    std::lock_guard lock(browser.lock);
    return browser.curSampleNo;
}

void TSampleLibrary::loadSelectedSample(int index) {
    std::lock_guard lock(browser.lock);
    loadSelectedLocked(index);
}

// The step is taken whether the file loads or not, so that stepping on
// passes a file that does not load. An empty list has no file to step to:
// the loaded sample (from another folder) keeps its points.
void TSampleLibrary::changeSampleDelta(int delta) {
    {
        std::lock_guard lock(browser.lock);
        const int count = listedCountLocked(&TSampleFolderListing::sampleFiles);
        if (count == 0) return;
        const long long wanted = static_cast<long long>(browser.curSampleNo) + delta;
        const int index = static_cast<int>(std::clamp(wanted, 0LL, static_cast<long long>(count - 1)));
        browser.curSampleNo = index;
        loadSelectedLocked(index);
    }
    setDefaultSamplePositions();
}

bool TSampleLibrary::isValidSampleNo(int index) {
    std::lock_guard lock(browser.lock);
    return index >= 0 && index < listedCountLocked(&TSampleFolderListing::sampleFiles);
}

bool TSampleLibrary::getUsesExternalSample() { return plugin.getOnOff(tag::USE_EXTERNAL_SAMPLE_DIRECTORY); }

void TSampleLibrary::previewSampleFromFile(int index) {
    std::string path;
    {
        std::lock_guard lock(browser.lock);
        const auto name = listedNameLocked(&TSampleFolderListing::sampleFiles, index);
        if (!name) return;
        path = joinSamplePath(browseFolderLocked(), *name);
    }
    std::string why;
    std::unique_ptr<TSampleData> data = readSampleFile(path, why);
    if (!data || !engine.sampleSlots().previewSample.publish(std::move(data))) return;
    engine.requestSamplePreview(TSampleState::PREVIEW_FILE, 0.0);
}

// A copy that failed is said so; one whose name is already there is left alone.
static void reportImportFailure(const TSampleImportResult& result) {
    if (result.status != TSampleImportStatus::failed) return;
    const std::string text = "Sample Import Failed: " + result.destination + " (" + result.reason + ")";
    std::fprintf(stderr, "Kolbri: %s\n", text.c_str());
    messageBox(text, MESSAGE_BOX_OK_ONLY);
}

// A single file dropped becomes the user sample. One that is copied but does
// not load leaves the sample in use playing as it was, points and all, and
// the failure text says so; files dropped together are only copied. The
// points go back to the file's own only for a sample the drop loaded.
void TSampleLibrary::importSampleFromDrag(const std::string& path, int count) {
    TSampleImportResult result;
    bool loaded = false;
    {
        std::lock_guard lock(browser.lock);
        result = importSampleFile(path, browseFolderLocked());
        if (result.status == TSampleImportStatus::copied) {
            if (count == 1 && loadUserSampleLocked(result.destination)) {
                engine.sampleSlots().userSamplePresent = true;
                setSampleInProgram(result.destination);
                loaded = true;
            }
            // The copy joins the list and may move the loaded file's row: the
            // selection is found again whether or not the drop loaded it.
            scanLocked();
            setSampleNoLocked();
        }
    }
    reportImportFailure(result);
    if (result.status != TSampleImportStatus::copied) return;
    if (loaded) setDefaultSamplePositions();
    handOff.screenUpdatePending = true;
}

// The dialog opens at the browsed folder; the files chosen go into the home
// root, which the browser then shows.
void TSampleLibrary::importSampleFromMenu() {
    if (plugin.getOnOff(tag::USE_EXTERNAL_SAMPLE_DIRECTORY)) return;
    std::string start;
    {
        std::lock_guard lock(browser.lock);
        start = browser.sampleFolder;
    }
    const std::vector<std::string> chosen = platform::chooseFilesToOpen("Sample Loader", start, SAMPLE_FILE_FILTER);
    if (chosen.empty()) return;
    std::vector<TSampleImportResult> results;
    {
        std::lock_guard lock(browser.lock);
        browser.sampleFolder = folders.homeSampleDir;
        for (const std::string& path : chosen) results.push_back(importSampleFile(path, browser.sampleFolder));
        scanLocked();
        setSampleNoLocked();
    }
    for (const TSampleImportResult& result : results) reportImportFailure(result);
}
