// The per-user preference store of the domain "com.OVTA.Kolbri".
//
// The store is one text file, $XDG_CONFIG_HOME/com.OVTA.Kolbri.prefs, shared
// by every plug-in instance of the process (and by other processes: writes
// merge with what is on disk under a file lock). A machine-wide store of the
// same name in the first folder of $XDG_CONFIG_DIRS (default /etc/xdg) that
// holds one answers string keys the user's store lacks; such an answer is
// copied into the user's store.
//
// A store file that another process changed and that cannot be read whole
// (an I/O error, a file the user may not read) is never written over: the
// keys it holds would be lost. A value saved meanwhile lives in memory and
// is held until the file reads whole again: at the writer's next look (once
// a second), a save or the flush at unload, whichever comes first. Then it
// goes to the file, merged with what the file holds, unless the file's own
// value is the later one: another process changed the key after the save,
// or the value held is a default that start-up stored because the key read
// as missing. The writer retries its bindings until then.
//
// Threads:
// - Reads (loadStringFromPrefs into a char buffer, loadIntFromPrefs,
//   getRegisterIsOn, getMIDICC) come from an in-memory copy without locks,
//   allocation or file access, so the audio thread may call them. Keys of up
//   to 15 characters make no allocation when given as std::string temporaries.
// - setMIDICC is audio-thread safe too: it puts the binding into one of 128
//   atomic slots that the store's writer thread persists within a fifth of a
//   second, and at the latest when the plug-in library is unloaded or
//   flushPreferences is called. Reads see the binding at once.
// - saveStringToPrefs, saveIntToPrefs and saveBoolToPrefs write the file
//   before they return (temporary file, fsync, rename): call them from the
//   editor's thread or start-up only.
// - The first call opens the store; start-up makes it, before the audio
//   thread runs.
#pragma once

#include <string>

// The application domain and the plug-in's bundle identifier.
inline constexpr const char* PREF_PATH_CSTR = "com.OVTA.Kolbri";
inline constexpr const char* bundleID = "com.OVTA.Kolbri.vst";

// The working buffer of a string read: maxLen is at most this.
inline constexpr int PREFS_STRING_BUFFER_SIZE = 256;

// Copies the setting into output (which holds at least maxLen bytes) as a
// NUL-terminated text; empty when missing. A stored text needs at most
// maxLen - 1 bytes to count.
void loadStringFromPrefs(const std::string& key, char* output, int maxLen);
void loadStringFromPrefs(const std::string& key, std::string& output, int maxLen);
void saveStringToPrefs(const std::string& key, const std::string& value);
void saveStringToPrefs(const char* key, const char* value);
// The stored integer; 0 when missing or not a number.
int loadIntFromPrefs(const std::string& key);
void saveIntToPrefs(const std::string& key, int value);
// Stores "Y" or "N".
void saveBoolToPrefs(const std::string& key, bool on);
// True for exactly "Y", false for exactly "N", otherwise the default.
bool getRegisterIsOn(const std::string& key, bool defaultValue);
// The MIDI-learn map: the parameter tag bound to controller 0..127 (0 none).
int getMIDICC(int controller);
void setMIDICC(int controller, int tag);
// A folder setting as start-up reads it: the stored text when it fits
// limit - 1 bytes and is not empty, else defaultValue, which is then stored
// under the key when writeBack is set, but never over a value that such a
// read would take. Editor thread or start-up only.
std::string loadFolderFromPrefs(const std::string& key, int limit, const std::string& defaultValue, bool writeBack);

// The bundle's resources folder without a trailing '/': <folder of
// Kolbri.so>/../Resources, resolved. Empty when it cannot be had or needs
// more than maxLen - 1 bytes.
void getResourcePath(char* output, int maxLen);

// The same integer operations on the other products' domains (no caller).
int loadIntFromE9Prefs(const std::string& key);
void saveIntToE9Prefs(const std::string& key, int value);
int loadIntFromE10Prefs(const std::string& key);
void saveIntToE10Prefs(const std::string& key, int value);
int loadIntFromE11Prefs(const std::string& key);
void saveIntToE11Prefs(const std::string& key, int value);
int loadIntFromE12Prefs(const std::string& key);
void saveIntToE12Prefs(const std::string& key, int value);

namespace platform {

// Writes every pending audio-thread write now (editor thread or unload);
// those that cannot be written yet stay pending.
void flushPreferences();
// Flushes, then reads the store (and the other products' stores) again from
// the current $XDG_CONFIG_HOME and $XDG_CONFIG_DIRS (tests point them at
// temporary folders).
void reopenPreferences();
// Where the store lives now.
std::string preferencesFilePath();
std::string machinePreferencesFilePath();

// The resources folder that belongs to a library file at libraryPath.
std::string resourcePathForLibrary(const std::string& libraryPath);

}  // namespace platform
