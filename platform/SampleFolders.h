// The user's sample folders on disk: listing a folder's sub-folders and
// sample files, the path rules of the sample root, reading a sample file's
// bytes and importing files by copy. Editor or loader thread only: all of
// these touch the file system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// At most this many sub-folders and this many sample files are listed per folder.
constexpr int MAX_SAMPLE_FOLDER_ENTRIES = 511;
// Sample files larger than this are not read (the frames are held in memory whole).
constexpr std::uint64_t MAX_SAMPLE_FILE_BYTES = 512ull * 1024 * 1024 + 65536;

// ".wav", ".aif" or ".aiff" at the end, in any case.
bool isSampleFileName(const std::string& name);

struct TSampleFolderListing {
    bool readable = false;
    std::vector<std::string> subFolders;   // names only
    std::vector<std::string> sampleFiles;  // names only
};
// Lists a folder: hidden entries (a leading '.') are left out, links count
// as what they point to, only regular files with a sample extension are
// listed. Each list is sorted by its lower-cased names compared bytewise
// (names equal but for case by their bytes), then cut to
// MAX_SAMPLE_FOLDER_ENTRIES, so the same folder always lists alike.
TSampleFolderListing scanSampleFolder(const std::string& folder);

// ---- paths below a root. A root and a folder compare without their
// trailing '/' and with doubled slashes collapsed.
// The folder relative to the root without leading or trailing '/'; empty
// for the root itself; the whole folder when it is not below the root.
std::string sampleFolderRelative(const std::string& folder, const std::string& root);
// A file's path relative to the root, or nothing when it is not below it.
std::optional<std::string> relativeSamplePath(const std::string& path, const std::string& root);
// The folder above, never above the root.
std::string goUpSampleFolder(const std::string& folder, const std::string& root);
// The folder a file lies in, doubled slashes collapsed, no trailing '/'.
std::string sampleFileDirectory(const std::string& path);
// root + "/" + relative, doubled slashes collapsed.
std::string joinSamplePath(const std::string& root, const std::string& relative);
// A path as a program keeps it, without its leading '/': a root chosen
// without its trailing '/' leaves one before the path, and the file is the
// root's all the same. What is left must still pass isSafeRelativeSamplePath.
std::string withoutLeadingSeparators(const std::string& stored);
// A relative path that may be opened below a root: not empty, not absolute,
// no ".." component. Paths from programs and chunks must pass it, so that a
// program cannot reach files outside the sample folders.
bool isSafeRelativeSamplePath(const std::string& relative);

// ---- reading a sample file
enum class TSampleFileStatus { ok, notFound, notRegularFile, tooLarge, readError, noMemory };
const char* describeSampleFileStatus(TSampleFileStatus status);
// The whole file. Opens without blocking and reads only regular files (a
// pipe or device named by a program cannot stall the loader).
TSampleFileStatus readSampleFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);

// ---- importing
enum class TSampleImportStatus { copied, alreadyThere, sameFile, failed };
struct TSampleImportResult {
    TSampleImportStatus status = TSampleImportStatus::failed;
    std::string destination;
    std::string reason;  // why it failed, for the report
};
// Copies a file into a folder under its own name. A destination that exists
// (or is the file itself) is left alone; the copy is written to a temporary
// file beside it and linked into place only when complete, so no file is
// ever truncated or half-written.
TSampleImportResult importSampleFile(const std::string& source, const std::string& folder);

// Creates a sub-folder; the name must be one plain path component.
// Empty on success, else the reason.
std::string createSampleSubFolder(const std::string& folder, const std::string& name);
