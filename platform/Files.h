// File operations, full-path building, packed names, the debug log, the
// folder listing and the small stream reader apFile.
//
// All of these touch the file system: call them from the editor's thread or
// start-up, never from the audio thread. char* outputs are buffers of
// PLATFORM_TEXT_SIZE bytes; a path that would not fit leaves them empty and
// the function answers false.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// ---- file operations
// Copies every byte of source into destination (created or replaced). The
// copy goes to a temporary file beside the destination that replaces it only
// when complete, so a failed copy leaves the destination as it was. Copying a
// file onto itself changes nothing and succeeds.
bool CopyFileFromTo(const char* source, const char* destination);
bool fileCopy(const char* source, const char* destination);
bool fileCopy(const std::string& source, const std::string& destination);
// mkdir with permissions 0777 before the umask: 0 on success, else -1.
int makeDirectory(const char* path);
int makeDirectory(const std::string& path);
// rename(): 0 on success, else -1.
int renameFileFolder(const char* oldPath, const char* newPath);
int renameFileFolder(const std::string& oldPath, const std::string& newPath);
void renameFile(const char* oldPath, const char* newPath);
// Soft delete: the file is renamed to its own name with the extension ".~fx"
// (or the one given). 0 on success, else -1.
int deleteFile(const char* path);
int deleteFile(const std::string& path);
int deleteFile(const char* path, const char* extension);
int deleteFile(const std::string& path, const std::string& extension);

// ---- full paths. The sub-folder "Root Folder" stands for no sub-folder.
bool getFullPathForFileNameStr(char* out, const char* root, const char* folder, const char* name, const char* extension);
std::string getFullPathForFileNameStr(const std::string& root, const std::string& folder, const std::string& name,
                                      const std::string& extension);
bool getFullPathForFileNameStr(char* out, const char* folder, const char* name);
std::string getFullPathForFileNameStr(const std::string& folder, const std::string& name);
bool getFullPathForFolderStr(char* out, const char* root, const char* folder);
std::string getFullPathForFolderStr(const std::string& root, const std::string& folder);

// ---- two names packed in one text, joined by "||"
bool CombineName(char* out, const char* first, const char* second);
void CombineName(std::string& out, const std::string& first, const std::string& second);
void CombineName(std::string& out, const char* first, const char* second);
// first = the text before the first "||" (all of it when there is none);
// second = the text after it (empty when there is none). The C form empties
// both when either part would not fit.
bool SplitName(const char* text, char* first, char* second);
void SplitName(const std::string& text, std::string& first, std::string& second);

// ---- debug log: one line appended to a file of its own under
// $XDG_STATE_HOME/Orventa/Kolbri/ (debug.log, debug1.log, debug2.log); a file
// that cannot be opened is skipped.
void writeLog(const char* text);
void writeLog1(const char* text);
void writeLog2(const char* text);
void writeLog1(int value);

namespace platform {

// The entries of a folder, sorted by name without regard to case (ties by
// byte order), without "." and ".." and without hidden entries (a leading
// '.'). Symbolic links count as what they point to. False when the folder
// cannot be read.
bool listFolder(const std::string& folder, std::vector<std::string>& files, std::vector<std::string>& folders);

// The path of the debug log with the given file name (for tests).
std::string debugLogPath(const char* fileName);

}  // namespace platform

// A reader over one open file.
class apFile {
public:
    apFile() = default;
    ~apFile();
    apFile(const apFile&) = delete;
    apFile& operator=(const apFile&) = delete;

    // False when a file is already open or the path cannot be opened.
    bool open(const char* path);
    // Up to count bytes in file order; the number read, 0 without a file.
    int readHE(void* buffer, int count);
    int readSTR(void* buffer, int count);
    // count bytes stored from the last byte of the buffer backwards (byte
    // order reversed); the number read, 0 without a file or for count <= 0.
    int readLE(void* buffer, int count);
    // Size of the file at path in bytes, -1 when it cannot be had.
    int64_t getSize(const char* path);
    void close();

private:
    int descriptor = -1;
};
