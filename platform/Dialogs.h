// File-open, file-save and folder dialogs over plain strings. Modal on the
// editor's thread (see platform/Desktop.h for who answers them); without a
// display they answer at once as a cancelled dialog. A chosen path longer
// than 255 characters counts as a cancel: the outputs keep their values.
// Never call these on the audio thread.
#pragma once

#include <string>
#include <vector>

#include "platform/Paths.h"

// Open. On a choice: path = the chosen file, folder = its folder with a
// trailing '/'. On cancel both keep their values. The spare string and the
// button text are neither used nor changed.
void fileSelectLoadDirStr(const std::string& title, const std::string& startFolder, const std::string& buttonText,
                          const std::string& filter, std::string& spare, std::string& folder, std::string& path);
// folderOut and pathOut are 256-byte buffers.
void fileSelectLoadDir(const char* title, const char* startFolder, const char* buttonText, const char* filter,
                       const char* spare, char* folderOut, char* pathOut);

// Save. On a choice: path = the chosen file with the default name's
// three-letter extension forced, folder = its folder without a trailing '/'.
void fileSelectSaveDirStr(const std::string& title, const std::string& startFolder, const std::string& buttonText,
                          const std::string& defaultName, std::string& folder, std::string& path);
void fileSelectSaveDir(const char* title, const char* startFolder, const char* buttonText, const char* defaultName,
                       char* folderOut, char* pathOut);

// Folder. True and the chosen folder when exactly one was chosen.
bool BrowseFolder(const std::string& startFolder, std::string& folder);
bool BrowseFolder(const char* startFolder, char* folderOut);

// Entry points kept for callers that never get an answer from them.
void fileSelectLoad(const char* title, const char* startFolder, const char* buttonText, const char* filter);
void fileSelectSave(const char* title, const char* startFolder, const char* buttonText, const char* defaultName);

namespace platform {

// The extensions of a filter such as "*.wav;*.aif;*.aiff": every text after a
// '.' up to the next ';' or the end, in order; the last is the default. False
// (and nothing) for a filter of 256 bytes or more.
bool parseFileFilter(const std::string& filter, std::vector<std::string>& extensions);

// The multi-select open dialog on which the sample import builds: every
// chosen path (at most maxFiles, each at most 255 bytes; longer ones are left
// out). Empty when cancelled.
std::vector<std::string> chooseFilesToOpen(const std::string& title, const std::string& startFolder,
                                           const std::string& filter, size_t maxFiles = 256);

// Forces the default name's extension onto a chosen save path (exposed for tests).
std::string forceSaveExtension(const std::string& path, const std::string& defaultName);

}  // namespace platform
