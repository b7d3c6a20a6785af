// Small text files (tuning tables, controller maps) read and written whole.
//
// A path that the user or a stored program names may lead anywhere: to a
// named pipe that would block the reader forever, to a device that never
// ends, to a folder. Reads therefore open without blocking, accept regular
// files only and never take more than the caller's limit. Call these from
// the editor's thread or another non-audio thread, never from the audio
// thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

enum class TFileReadResult {
    ok,              // the whole file is in the contents
    truncated,       // the file is longer: the contents hold its first maxBytes bytes
    cannotOpen,      // missing, unreadable, or an empty path
    notRegularFile,  // a folder, pipe, socket or device
    readError,
};

// Reads at most maxBytes bytes of the regular file at path into contents
// (emptied first).
TFileReadResult readFileBounded(const std::string& path, std::size_t maxBytes, std::string& contents);

// Writes contents as the file at path, replacing it. The bytes go to a
// temporary file beside it that takes the name only once complete, so a
// failed write leaves an existing file as it was. False when the file
// cannot be written.
bool writeFileReplacing(const std::string& path, std::string_view contents);

}  // namespace platform
