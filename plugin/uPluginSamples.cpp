// The user sample (slot 194) and the sample folders as the editor and the
// program use them. The file in use is named by its path relative to the
// sample root, kept two bytes per parameter in 251..314, so that it travels
// with the program. Files are read only here, on the editor's thread or the
// plug-in's background thread; a read sample is parsed into new immutable
// data and published to the engine's slot, which the audio thread reads
// without waiting. Program application on the audio thread only raises a load
// request (TSoundEngine::requestUserSampleForProgram); the background thread
// takes it (takeUserSampleRequest).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "engine/EngineTags.h"
#include "engine/SampleState.h"
#include "engine/sample/SampleBank.h"
#include "engine/sample/SampleFileParser.h"
#include "engine/sample/SamplePathSlots.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"
#include "plugin/uPlugin.h"

namespace {

const std::string EXTERNAL_SAMPLE_DIR_KEY = "ExternalSampleDir";
constexpr const char* SAMPLE_FILE_FILTER = "*.wav;*.aif;*.aiff";
constexpr int LOOP_MODE_ONE_SHOT = 0, LOOP_MODE_LOOP = 1;

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

// ---------------------------------------------------------------- the slot and its state

std::shared_ptr<const TSampleData> APlugin::usableUserSample() const {
    if (!soundEngine.userSampleUsable()) return nullptr;
    return soundEngine.samples.userSample.snapshot();
}

double APlugin::userSampleFrames() const {
    const auto data = usableUserSample();
    return userSampleLength(data.get(), data != nullptr);
}

std::string APlugin::getSampleBankProblemStr() const {
    return soundEngine.samples.bank ? soundEngine.samples.bank->problemText() : std::string(SAMPLE_BANK_PROBLEM_TEXT);
}

void APlugin::startSampleServices() {
    char resources[1024] = {};
    getResourcePath(resources, sizeof resources);
    soundEngine.setSampleBank(TSampleBank::acquire(std::string(resources) + "/" + SAMPLE_BANK_FILE_NAME));
    std::lock_guard lock(sampleBrowser.lock);
    sampleBrowser.sampleFolder = folders.homeSampleDir;
    sampleBrowser.externalSampleFolder = folders.externalSampleDir;
}

// The background thread: the program's sample, and the frames of replaced
// samples that no block can read any more.
void APlugin::takeUserSampleRequest() {
    TSampleState& samples = soundEngine.samples;
    if (samples.userSample.isLoadPending()) {
        const std::uint32_t ticket = samples.userSample.latestLoadRequest();
        {
            std::lock_guard lock(sampleBrowser.lock);
            reloadSampleLocked();
        }
        samples.userSample.finishLoad(ticket);
    }
    samples.userSample.collectRetired();
    samples.previewSample.collectRetired();
}

// ---------------------------------------------------------------- positions

bool APlugin::getSampleLoaded() { return usableUserSample() != nullptr; }

// The tables of built-in sample slot; null for another number or without a bank.
const TSampleBankTables* APlugin::builtInTables(int slot) const {
    if (slot < 0 || slot >= BANK_SAMPLES || !soundEngine.samples.bank) return nullptr;
    return &soundEngine.samples.bank->tables();
}

double APlugin::getSampleLength(int slot) {
    if (slot == USER_SAMPLE_SLOT) return userSampleFrames();
    const TSampleBankTables* tables = builtInTables(slot);
    return tables ? tables->sampleLength[static_cast<std::size_t>(slot)] : 0.0;
}

double APlugin::getSampleStart(int slot) {
    return slot == USER_SAMPLE_SLOT ? getParameter(tag::USER_SAMPLE_START) * userSampleFrames() : 0.0;
}
// A built-in sample's loop points are its own (a sample without a loop ends
// its loop at its last frame); the user sample's follow its loop mode.
double APlugin::getSampleLoopStart(int slot) {
    if (slot == USER_SAMPLE_SLOT)
        return userLoopPoint(getParameter(tag::USER_SAMPLE_LOOP_START), getSteppedValue(tag::USER_SAMPLE_LOOP_MODE),
                             userSampleFrames());
    const TSampleBankTables* tables = builtInTables(slot);
    return tables ? tables->sampleLoopStart[static_cast<std::size_t>(slot)] : 0.0;
}
double APlugin::getSampleLoopEnd(int slot) {
    if (slot == USER_SAMPLE_SLOT)
        return userLoopPoint(getParameter(tag::USER_SAMPLE_LOOP_END), getSteppedValue(tag::USER_SAMPLE_LOOP_MODE),
                             userSampleFrames());
    const TSampleBankTables* tables = builtInTables(slot);
    return tables ? tables->sampleLoopEnd[static_cast<std::size_t>(slot)] : 0.0;
}

// The user sample loops only by its loop mode, never by itself.
bool APlugin::getSampleHasLoop() {
    const int n = getSteppedValue(tag::SAMPLE_CHOICE);
    const TSampleBankTables* tables = n == USER_SAMPLE_SLOT ? nullptr : builtInTables(n);
    return tables && tables->sampleHasLoop[static_cast<std::size_t>(n)] == 1;
}

void APlugin::setSampleStart(float fraction) {
    if (getSampleLoaded()) setParameter(tag::USER_SAMPLE_START, fraction);
}
void APlugin::setSampleLoopStart(float fraction) {
    if (getSampleLoaded() && std::isfinite(fraction))
        setParameter(tag::USER_SAMPLE_LOOP_START, std::min(fraction, getParameter(tag::USER_SAMPLE_LOOP_END)));
}
void APlugin::setSampleLoopEnd(float fraction) {
    if (getSampleLoaded() && std::isfinite(fraction))
        setParameter(tag::USER_SAMPLE_LOOP_END, std::max(fraction, getParameter(tag::USER_SAMPLE_LOOP_START)));
}
void APlugin::setSampleLoop(float start, float end) {
    if (!getSampleLoaded() || !std::isfinite(start) || !std::isfinite(end)) return;
    setParameter(tag::USER_SAMPLE_LOOP_START, std::min(start, end));
    setParameter(tag::USER_SAMPLE_LOOP_END, end);
}

void APlugin::setSampleStartDelta(float delta) {
    if (std::isfinite(delta)) setSampleStart(std::clamp(getParameter(tag::USER_SAMPLE_START) + delta, 0.0f, 1.0f));
}
void APlugin::setSampleLoopStartDelta(float delta) {
    if (std::isfinite(delta))
        setSampleLoopStart(std::clamp(getParameter(tag::USER_SAMPLE_LOOP_START) + delta, 0.0f, 1.0f));
}
void APlugin::setSampleLoopEndDelta(float delta) {
    if (std::isfinite(delta))
        setSampleLoopEnd(std::clamp(getParameter(tag::USER_SAMPLE_LOOP_END) + delta, 0.0f, 1.0f));
}

// A frame typed by the user, as a fraction of the length: the start as it is,
// the loop points one frame earlier (the editor counts them from 1).
void APlugin::setSampleStartBySample(int frame) {
    const double length = userSampleFrames();
    if (length > 0) setSampleStart(static_cast<float>(frame / length));
}
void APlugin::setSampleLoopStartBySample(int frame) {
    const double length = userSampleFrames();
    if (length > 0) setSampleLoopStart(static_cast<float>(std::clamp((frame - 1.0) / length, 0.0, 1.0)));
}
void APlugin::setSampleLoopEndBySample(int frame) {
    const double length = userSampleFrames();
    if (length > 0) setSampleLoopEnd(static_cast<float>(std::clamp((frame - 1.0) / length, 0.0, 1.0)));
}

void APlugin::setSamplePositions(int which) {
    const auto data = usableUserSample();
    if (!data || data->getLen() <= 0 || (which != 1 && which != 2)) return;
    const double n = data->getLen();
    if (which == 1)
        setParameter(tag::USER_SAMPLE_LOOP_START,
                     data->hasLoop() ? static_cast<float>((data->getLoopStart() - 1.0) / n) : 0.0f);
    else
        setParameter(tag::USER_SAMPLE_LOOP_END, data->hasLoop() ? static_cast<float>((data->getLoopEnd() - 1.0) / n) : 1.0f);
}

void APlugin::setDefaultSamplePositions() {
    setParameter(tag::USER_SAMPLE_START, 0.0f);
    const auto data = soundEngine.samples.userSample.snapshot();
    const bool hasLoop = data && data->hasLoop();
    if (data && data->getLen() > 0 && getSampleLoaded()) {
        const double n = data->getLen();
        if (hasLoop) {
            const double end = (data->getLoopEnd() - 1.0) / n;
            setParameter(tag::USER_SAMPLE_LOOP_START,
                         static_cast<float>(std::min((data->getLoopStart() - 1.0) / n, end)));
            setParameter(tag::USER_SAMPLE_LOOP_END, static_cast<float>(end));
        } else {
            setParameter(tag::USER_SAMPLE_LOOP_START, 0.0f);
            setParameter(tag::USER_SAMPLE_LOOP_END, 1.0f);
        }
    }
    setSteppedValue(tag::USER_SAMPLE_LOOP_MODE, hasLoop ? LOOP_MODE_LOOP : LOOP_MODE_ONE_SHOT);
}

// Frame by frame to where the left channel changes sign or rests at zero.
// Only the direction of the step counts: a step of 0 or NaN would never arrive.
void APlugin::setZeroCross(int which, float direction) {
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

bool APlugin::getSampleDisplayValue(float position, float& left, float& right) {
    left = right = 0;
    const auto data = usableUserSample();
    if (!data) return false;
    data->getSample(position, left, right);
    return data->getStereo();
}

// The volume that brings the peak to 0 dB; a silent sample asks for the most.
// The last frame is never heard (reads stop at the last pair), so it does not count.
void APlugin::normalizeSampleVol() {
    const auto data = usableUserSample();
    if (!data) return;
    float peak = 0.001f;
    for (int i = 0; i < data->getLen(); ++i) {
        float left, right;
        data->getFrame(i, left, right);
        peak = std::max({peak, std::fabs(left), std::fabs(right)});
    }
    const double gain = 1.0 / peak;
    setParameter(tag::USER_SAMPLE_GAIN, gain < 0.001 ? 0.0f : static_cast<float>((20.0 * std::log10(gain) + 40.0) / 80.0));
}

std::string APlugin::getLoadedSampleDisplayNameStr() {
    const auto data = usableUserSample();
    return data ? getFileNameOnlyStr(data->getName(), true) : std::string();
}

std::string APlugin::getLoadedSampleFolderNameStr() {
    const auto data = usableUserSample();
    return data ? sampleFileDirectory(data->getName()) : std::string();
}

std::string APlugin::getBadSampleStr() {
    std::lock_guard lock(sampleBrowser.lock);
    return sampleBrowser.badSampleStr;
}

void APlugin::reloadSample() {
    std::lock_guard lock(sampleBrowser.lock);
    reloadSampleLocked();
}

void APlugin::updateLoadedSamples() {
    soundEngine.requestReset();
    if (!getOnOff(tag::USER_SAMPLE_LOADED)) return;
    std::lock_guard lock(sampleBrowser.lock);
    loadSampleLocked();
}

void APlugin::previewSample() {
    soundEngine.requestSamplePreview(TSampleState::PREVIEW_USER, getSampleStart(USER_SAMPLE_SLOT));
}

void APlugin::releasePreviewSample() { soundEngine.requestSamplePreview(TSampleState::PREVIEW_STOP, 0.0); }

// ---------------------------------------------------------------- loading (under the browser's lock)

std::string APlugin::storedSamplePath() const {
    std::array<float, SAMPLE_NAME_SLOTS> slots{};
    for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k)
        slots[static_cast<std::size_t>(k)] = values.curValue[static_cast<std::size_t>(SAMPLE_NAME_PARAM + k)];
    return decodeSamplePath(slots.data());
}

const std::string& APlugin::sampleRootLocked() const {
    return getOnOff(tag::USE_EXTERNAL_SAMPLES) ? folders.externalSampleDir : folders.homeSampleDir;
}

std::string& APlugin::browseFolderLocked() {
    return getOnOff(tag::USE_EXTERNAL_SAMPLES) ? sampleBrowser.externalSampleFolder : sampleBrowser.sampleFolder;
}

void APlugin::scanLocked() {
    sampleBrowser.listing = ::scanSampleFolder(browseFolderLocked());
    sampleBrowser.scanned = true;
}

void APlugin::ensureScannedLocked() {
    if (!sampleBrowser.scanned) scanLocked();
}

void APlugin::setSampleNoLocked() {
    sampleBrowser.curSampleNo = -1;
    if (!usableUserSample()) return;
    const std::string name =
        getFileNameOnlyStr(joinSamplePath(sampleRootLocked(), storedSamplePath()),
                           false);
    const auto& files = sampleBrowser.listing.sampleFiles;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (files[i] == name) sampleBrowser.curSampleNo = static_cast<int>(i);
}

// The new sample's path goes into the program, and the sample's switches
// back to a plain one-shot at 0 dB.
void APlugin::setSampleInProgram(const std::string& fullPath) {
    const std::string relative = relativeSamplePath(fullPath, sampleRootLocked()).value_or(std::string());
    setOn(tag::USER_SAMPLE_LOADED);
    setOff(tag::SAMPLE_REVERSE);
    setSteppedValue(tag::USER_SAMPLE_LOOP_MODE, LOOP_MODE_ONE_SHOT);
    setToDefault(tag::USER_SAMPLE_GAIN);
    std::array<float, SAMPLE_NAME_SLOTS> slots{};
    if (!encodeSamplePath(relative, slots)) {
        // A cut path would name another file: the slots stay empty, the sample
        // plays for this session, and the user is told it is not kept.
        sampleBrowser.badSampleStr = std::string(SAMPLE_PATH_TOO_LONG_TEXT) + relative;
        std::fprintf(stderr, "Kolbri: %s %s\n", SAMPLE_PATH_TOO_LONG_TEXT, relative.c_str());
    }
    for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k) setParameter(SAMPLE_NAME_PARAM + k, slots[static_cast<std::size_t>(k)]);
}

bool APlugin::loadUserSampleLocked(const std::string& path) {
    std::string why;
    std::unique_ptr<TSampleData> data = readSampleFile(path, why);
    if (!data || !soundEngine.samples.userSample.publish(std::move(data))) {
        soundEngine.samples.userSamplePresent = false;
        sampleBrowser.badSampleStr = SAMPLE_NOT_FOUND_TEXT + path;
        return false;
    }
    sampleBrowser.badSampleStr = SAMPLE_LOAD_OK_TEXT;
    return true;
}

void APlugin::loadSelectedLocked(int index) {
    const auto name = listedNameLocked(&TSampleFolderListing::sampleFiles, index);
    if (!name) return;
    const std::string path = joinSamplePath(browseFolderLocked(), *name);
    if (!loadUserSampleLocked(path)) return;
    sampleBrowser.curSampleNo = index;
    soundEngine.samples.userSamplePresent = true;
    setSampleInProgram(path);
    setDefaultSamplePositions();
    flags.screenUpdatePending = true;
}

// The file the program names. A name that would leave the root (from a host
// or a stored program) is not opened.
void APlugin::loadSampleLocked() {
    if (!getOnOff(tag::USER_SAMPLE_LOADED)) return;
    const std::string relative = storedSamplePath();
    const std::string full = joinSamplePath(sampleRootLocked(), relative);
    if (!isSafeRelativeSamplePath(relative)) {
        soundEngine.samples.userSamplePresent = false;
        sampleBrowser.badSampleStr = SAMPLE_NOT_FOUND_TEXT + full;
        return;
    }
    if (!loadUserSampleLocked(full)) return;
    browseFolderLocked() = keptBelow(sampleFileDirectory(full), sampleRootLocked());
    soundEngine.samples.userSamplePresent = true;
    scanLocked();
    setSampleNoLocked();
}

void APlugin::reloadSampleLocked() {
    sampleBrowser.curSampleNo = -1;
    sampleBrowser.sampleFolder = folders.homeSampleDir;
    sampleBrowser.externalSampleFolder = folders.externalSampleDir;
    soundEngine.samples.userSamplePresent = getOnOff(tag::USER_SAMPLE_LOADED);
    if (soundEngine.samples.userSamplePresent) loadSampleLocked();
    scanLocked();
    setSampleNoLocked();
}

// ---------------------------------------------------------------- folders and the browser

std::string APlugin::getSampleFolderStr() {
    std::lock_guard lock(sampleBrowser.lock);
    return browseFolderLocked();
}

std::string APlugin::getExternalSampleDirStr() {
    std::lock_guard lock(sampleBrowser.lock);
    return "External Dir : " + folders.externalSampleDir;
}

void APlugin::setExternalSampleDir() {
    std::string start;
    {
        std::lock_guard lock(sampleBrowser.lock);
        start = folders.externalSampleDir;
    }
    std::string chosen;
    if (!BrowseFolder(start, chosen) || chosen.empty()) return;
    std::lock_guard lock(sampleBrowser.lock);
    folders.externalSampleDir = chosen;
    sampleBrowser.externalSampleFolder = chosen;
    saveStringToPrefs(EXTERNAL_SAMPLE_DIR_KEY, chosen);
    if (getOnOff(tag::USE_EXTERNAL_SAMPLES)) {
        scanLocked();
        setSampleNoLocked();
    }
}

void APlugin::browseTo(const std::function<std::string(const std::string& folder, const std::string& root)>& where) {
    std::lock_guard lock(sampleBrowser.lock);
    std::string& folder = browseFolderLocked();
    folder = where(folder, sampleRootLocked());
    scanLocked();
    setSampleNoLocked();
}

void APlugin::showKolbriSample() {
    setOff(tag::USE_EXTERNAL_SAMPLES);
    gotoHomeSampleFolder();
}

void APlugin::showExternalSamples() {
    setOn(tag::USE_EXTERNAL_SAMPLES);
    gotoHomeSampleFolder();
}

void APlugin::gotoHomeSampleFolder() {
    browseTo([](const std::string&, const std::string& root) { return root; });
}

void APlugin::gotoSampleFolder() {
    const auto data = usableUserSample();
    if (!data) return;
    browseTo([&data](const std::string&, const std::string& root) {
        return keptBelow(sampleFileDirectory(data->getName()), root);
    });
}

void APlugin::goUpAFolder() { browseTo(goUpSampleFolder); }

void APlugin::setSampleCurFolder(int index) {
    std::optional<std::string> name;
    {
        std::lock_guard lock(sampleBrowser.lock);
        name = listedNameLocked(&TSampleFolderListing::subFolders, index);
    }
    if (!name) return;
    browseTo([&name](const std::string& folder, const std::string&) { return joinSamplePath(folder, *name); });
}

void APlugin::createSampleFolder() {
    const std::string name = inputBoxStr("New Sample Folder Name", "Create Sample Folder");
    if (name.empty()) return;
    std::lock_guard lock(sampleBrowser.lock);
    const std::string problem = createSampleSubFolder(browseFolderLocked(), name);
    if (!problem.empty()) std::fprintf(stderr, "Kolbri: cannot create sample folder %s: %s\n", name.c_str(), problem.c_str());
    scanLocked();
    setSampleNoLocked();
}

void APlugin::scanSampleFolder() {
    std::lock_guard lock(sampleBrowser.lock);
    scanLocked();
}

int APlugin::listedCountLocked(TSampleList list) {
    ensureScannedLocked();
    return static_cast<int>((sampleBrowser.listing.*list).size());
}

std::optional<std::string> APlugin::listedNameLocked(TSampleList list, int index) {
    if (index < 0 || index >= listedCountLocked(list)) return std::nullopt;
    return (sampleBrowser.listing.*list)[static_cast<std::size_t>(index)];
}

int APlugin::getNumOfSubFoldersInSampleFolder() {
    std::lock_guard lock(sampleBrowser.lock);
    return listedCountLocked(&TSampleFolderListing::subFolders);
}

std::string APlugin::getSampleSubFolderDisplayNameStr(int index) {
    std::lock_guard lock(sampleBrowser.lock);
    return listedNameLocked(&TSampleFolderListing::subFolders, index).value_or(std::string());
}

std::string APlugin::getCurSampleFolderDisplayNameStr() {
    std::lock_guard lock(sampleBrowser.lock);
    const std::string relative = sampleFolderRelative(browseFolderLocked(), sampleRootLocked());
    return getOnOff(tag::USE_EXTERNAL_SAMPLES) ? "EXT: " + relative : relative;
}

int APlugin::getNumOfSamplesInSampleFolder() {
    std::lock_guard lock(sampleBrowser.lock);
    return listedCountLocked(&TSampleFolderListing::sampleFiles);
}

std::string APlugin::getSampleNoDisplayNameStr(int index) {
    std::lock_guard lock(sampleBrowser.lock);
    return listedNameLocked(&TSampleFolderListing::sampleFiles, index).value_or(std::string());
}

int APlugin::getSampleNo() {
    if (!getSampleLoaded()) return -1;
    std::lock_guard lock(sampleBrowser.lock);
    return sampleBrowser.curSampleNo;
}

void APlugin::loadSelectedSample(int index) {
    std::lock_guard lock(sampleBrowser.lock);
    loadSelectedLocked(index);
}

// The step is taken whether the file loads or not, so that stepping on
// passes a file that does not load. An empty list has no file to step to:
// the loaded sample (from another folder) keeps its points.
void APlugin::changeSampleDelta(int delta) {
    {
        std::lock_guard lock(sampleBrowser.lock);
        const int count = listedCountLocked(&TSampleFolderListing::sampleFiles);
        if (count == 0) return;
        const long long wanted = static_cast<long long>(sampleBrowser.curSampleNo) + delta;
        const int index = static_cast<int>(std::clamp(wanted, 0LL, static_cast<long long>(count - 1)));
        sampleBrowser.curSampleNo = index;
        loadSelectedLocked(index);
    }
    setDefaultSamplePositions();
}

bool APlugin::isValidSampleNo(int index) {
    std::lock_guard lock(sampleBrowser.lock);
    return index >= 0 && index < listedCountLocked(&TSampleFolderListing::sampleFiles);
}

bool APlugin::getUsesExternalSample() { return getOnOff(tag::USE_EXTERNAL_SAMPLES); }

void APlugin::previewSampleFromFile(int index) {
    std::string path;
    {
        std::lock_guard lock(sampleBrowser.lock);
        const auto name = listedNameLocked(&TSampleFolderListing::sampleFiles, index);
        if (!name) return;
        path = joinSamplePath(browseFolderLocked(), *name);
    }
    std::string why;
    std::unique_ptr<TSampleData> data = readSampleFile(path, why);
    if (!data || !soundEngine.samples.previewSample.publish(std::move(data))) return;
    soundEngine.requestSamplePreview(TSampleState::PREVIEW_FILE, 0.0);
}

// A copy that failed is said so; one whose name is already there is left alone.
static void reportImportFailure(const TSampleImportResult& result) {
    if (result.status != TSampleImportStatus::failed) return;
    const std::string text = "Sample Import Failed: " + result.destination + " (" + result.reason + ")";
    std::fprintf(stderr, "Kolbri: %s\n", text.c_str());
    messageBox(text, MESSAGE_BOX_OK_ONLY);
}

void APlugin::importSampleFromDrag(const std::string& path, int count) {
    TSampleImportResult result;
    {
        std::lock_guard lock(sampleBrowser.lock);
        result = importSampleFile(path, browseFolderLocked());
        if (result.status == TSampleImportStatus::copied) {
            if (count == 1) {
                if (loadUserSampleLocked(result.destination)) {
                    soundEngine.samples.userSamplePresent = true;
                    setSampleInProgram(result.destination);
                }
            }
            scanLocked();
            setSampleNoLocked();
        }
    }
    reportImportFailure(result);
    if (result.status != TSampleImportStatus::copied) return;
    setDefaultSamplePositions();
    flags.screenUpdatePending = true;
}

void APlugin::importSampleFromMenu() {
    if (getOnOff(tag::USE_EXTERNAL_SAMPLES)) return;
    std::string start;
    {
        std::lock_guard lock(sampleBrowser.lock);
        start = sampleBrowser.sampleFolder;
    }
    const std::vector<std::string> chosen = platform::chooseFilesToOpen("Sample Loader", start, SAMPLE_FILE_FILTER);
    if (chosen.empty()) return;
    std::vector<TSampleImportResult> results;
    {
        std::lock_guard lock(sampleBrowser.lock);
        for (const std::string& path : chosen) results.push_back(importSampleFile(path, sampleBrowser.sampleFolder));
        scanLocked();
        setSampleNoLocked();
    }
    for (const TSampleImportResult& result : results) reportImportFailure(result);
}
