// Path and file-name helpers, case helpers and name cleaning, plus the
// per-user folders (XDG) that the rest of the platform layer builds on.
//
// Every char* output below is a caller's buffer of PLATFORM_TEXT_SIZE bytes.
// A result that does not fit its limit is never cut short (a shortened path
// names a different file): the output becomes empty and the function answers
// false. None of these functions allocates except the std::string forms, and
// none keeps state, so all may be called from any thread.
#pragma once

#include <string>

// 255 characters and the terminating zero: the size of every text buffer the
// platform functions fill.
inline constexpr int PLATFORM_TEXT_SIZE = 256;
// Names and extensions copied with a limit hold at most this many characters.
inline constexpr int PLATFORM_NAME_LIMIT = 254;

// ---- case and comparison (ASCII only: the bytes of UTF-8 text above 127 stay)
void upperCase(char* text);
void upperCase(std::string& text);
void lowerCase(char* text);
std::string lowerCase(const std::string& text);
bool stringCompareIgnoreCase(const std::string& a, const std::string& b);
int stringCompareIgnoreCase(const char* a, const char* b);
bool compareStringIgnoreCase(const std::string& a, const std::string& b);

// ---- parts of a path. '/' separates; '\' is accepted where the last
// separator is looked for. An extension is the text from the last '.' of the
// last path component: a dot inside a folder name is never an extension.
bool getFileNameOnly(const char* path, char* out, bool noExtension);
std::string getFileNameOnlyStr(const std::string& path, bool noExtension);
bool getFileNameNoExtension(const char* path, char* out);
bool getFileNameExtension(const char* path, char* out);
std::string getFileNameExtensionsStr(const std::string& path);
std::string getFileNameNoExtensionStr(const std::string& text);
bool getNameNoExtensionStr(const char* path, char* out);
std::string getNameNoExtensionStr(const std::string& path);
bool getFileDriveDir(const char* path, char* out);
std::string getFileDriveDirStr(const std::string& path);
std::string getFolderNameOnlyStr(const std::string& path, const std::string& root);
bool GetFilePathNoExtension(const char* path, char* out);
bool replaceExtension(const char* path, char* out, const char* extension);

// ---- cleaning
void removeDoubleSlash(std::string& path);
void removeDoubleDot(char* text);
void removeEndSlash(char* text);
void removeEndSlash(std::string& text);
void safename(char* text);
void safeNameToSaveStr(char* text);
std::string safeNameToSaveStr(const std::string& name);
void safeNameToSaveStr(const std::string& name, std::string& out);
char validChar(char c);
// The C form answers a per-thread buffer that the thread's next call
// overwrites; empty when the result would not fit 255 characters.
const char* getSaveName(const char* name, const char* extension);
std::string getSaveName(const std::string& name, const std::string& extension);
void stripAllButNum(char* text);
void stripAllButNum(std::string& text);
void trim(char* text);
void ltrim(char* text);
void ltrim(std::string& text);
void rtrim(std::string& text);
void trim(std::string& text);

// ---- numbers and numbered names
std::string floatString(float value, int digits);
std::string getThreeCharName(int n, const std::string& name);
bool setThreeCharName(int n, char* out, const char* name);

// ---- per-user folders
namespace platform {

// $XDG_CONFIG_HOME, $XDG_DATA_HOME, $XDG_STATE_HOME when set to an absolute
// path, else ~/.config, ~/.local/share, ~/.local/state. No trailing '/'.
std::string xdgConfigHome();
std::string xdgDataHome();
std::string xdgStateHome();
// The home folder: $HOME, else the password database's entry.
std::string homeFolder();

// The product's own folders and files where a desktop system keeps them
// under its applications folder; here they live under $XDG_DATA_HOME.
enum class TDefaultFolder {
    samples,  // ".../Orventa/Kolbri/Samples/"
    ecs,      // ".../Orventa/Kolbri/ECS/"
    tuning,   // ".../Orventa/Kolbri/Tuning" (no closing '/': the callers add it)
    manual,   // ".../Orventa/Kolbri/Manual/Orventa_Kolbri_Manual.pdf"
};
std::string getDefaultFolderPath(TDefaultFolder which);
// Creates the samples, ECS, tuning and manual folders when they are missing;
// true when all of them exist afterwards.
bool createDefaultFolders();
// mkdir -p with the given permissions; true when the folder exists afterwards.
bool makeDirectoryPath(const std::string& path, unsigned mode = 0777);

}  // namespace platform
