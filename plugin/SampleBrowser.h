// The sample library's state (plugin/SampleLibrary.h): the two roots, the
// folder being browsed in each of the two trees, the last scan's lists, the
// file in use and the text of the last failed load. The editor's thread and
// the plug-in's background thread both work on it, one at a time under the
// browser's lock; the audio thread never touches it (it only raises load
// requests on the engine's sample slot).
#pragma once

#include <mutex>
#include <string>

#include "platform/SampleFolders.h"

// What getBadSampleStr answers after a load that succeeded.
inline constexpr const char* SAMPLE_LOAD_OK_TEXT = "!";
inline constexpr const char* SAMPLE_NOT_FOUND_TEXT = "Sample Not Found:";
// The file loaded, but a path this long cannot be kept with the program.
inline constexpr const char* SAMPLE_PATH_TOO_LONG_TEXT = "Sample Path Too Long To Save:";
// The loaded sample's name and folder while no user sample is usable.
inline constexpr const char* NO_SAMPLE_TEXT = "No Sample";
inline constexpr const char* NO_FOLDER_TEXT = "No Folder";

// The roots the two trees are browsed below, read from the preferences at
// start-up; the external one changes when the user picks another.
struct TSampleFolders {
    std::string homeSampleDir;      // the product's sample folder ("SampleDir")
    std::string importSampleDir;    // start folder of the sample import dialog
    std::string externalSampleDir;  // the user's own sample folder ("ExternalSampleDir")
};

struct TSampleBrowser {
    std::mutex lock;  // held by every operation below; never by the audio thread
    std::string sampleFolder;          // browsed below the home root
    std::string externalSampleFolder;  // browsed below the external root
    TSampleFolderListing listing;      // the last scan of the current folder
    bool scanned = false;              // the first scan waits until someone looks
    int curSampleNo = -1;              // index in listing.sampleFiles of the user sample
    std::string badSampleStr = SAMPLE_LOAD_OK_TEXT;
};
