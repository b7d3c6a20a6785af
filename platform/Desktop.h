// The one road from the plug-in to the user's desktop: every message box,
// text-input window, file or folder dialog and every "open this with the
// desktop's viewer" request is described as a TDesktopRequest and answered by
// runDesktopRequest.
//
// Who answers, in this order:
//   1. a script installed with setDesktopScript (tests; a host could too);
//   2. zenity, when DISPLAY or WAYLAND_DISPLAY is set and zenity is found on
//      PATH, or is the program named with setDesktopPrograms or in
//      KOLBRI_ZENITY (xdg-open for openDocument, KOLBRI_XDG_OPEN);
//   3. nobody: the request is answered at once as a closed window would be
//      (no button, no text, no files), so a host without a display, such as
//      one scanning plug-ins, never waits.
//
// Dialogs are modal: the caller's thread (the editor's) waits for zenity.
// Never call these on the audio thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class TDesktopKind {
    messageBox,    // text; okCancel chooses the buttons
    textInput,     // headline, text, initialText
    openFile,      // title, startFolder, extensions, multiple
    saveFile,      // title, startFolder, defaultName
    chooseFolder,  // title, startFolder
    openDocument,  // path or web address, handed to the desktop's viewer
};

struct TDesktopRequest {
    TDesktopKind kind = TDesktopKind::messageBox;
    std::string title;
    std::string headline;
    std::string text;
    std::string initialText;
    std::string startFolder;
    std::string defaultName;
    // Extensions without the dot; the last one is the default.
    std::vector<std::string> extensions;
    bool okCancel = false;
    bool multiple = false;
};

enum class TDesktopButton {
    closed,  // the window was closed without a button, or nobody answered
    ok,
    cancel,
};

struct TDesktopAnswer {
    TDesktopButton button = TDesktopButton::closed;
    std::string text;                // the typed text of a text input
    std::vector<std::string> paths;  // the chosen files or folder
};

using TDesktopScript = std::function<TDesktopAnswer(const TDesktopRequest&)>;

// Installs the script that answers every request from now on; an empty
// function returns the requests to the desktop.
void setDesktopScript(TDesktopScript script);

// The programs that show the dialogs and open documents. A name with a '/'
// is that file and nothing else (a missing or non-executable one answers as
// a closed window); an empty name leaves the choice to the environment:
// KOLBRI_ZENITY and KOLBRI_XDG_OPEN name a program the same way, or "none"
// for no program at all (the test suite's processes say none, and so reach
// no real desktop program through a plug-in library they load); where they
// are not set, the standard name is looked up on PATH.
struct TDesktopPrograms {
    std::string dialogs;  // zenity
    std::string opener;   // xdg-open
};
void setDesktopPrograms(TDesktopPrograms programs);

// Whatever the host does with SIGCHLD (ignores it, or reaps every child in
// its own handler), a dialog's answer comes from zenity's exit status.
TDesktopAnswer runDesktopRequest(const TDesktopRequest& request);

// True when a display is set and zenity is installed: dialogs will be shown.
bool desktopDialogsAvailable();

// Opens a folder, a document or a web address with the desktop's viewer
// (xdg-open, started without a shell and without waiting). False when there
// is no display or the viewer could not be started.
bool openWithDesktop(const std::string& pathOrAddress);

// The full path of an executable found on PATH, or empty.
std::string findExecutable(const std::string& name);

}  // namespace platform
