// What the plug-in keeps about its programs beside the program record: which
// built-in program the current sound is taken to be, and the name a host gave.
#pragma once

#include <atomic>

struct TProgramState {
    // Index into the built-in bank; written by the host's, the editor's and the
    // audio thread (the name lookup), read by all.
    std::atomic<int> curBuiltinProgram{0};
    // The built-in program the editor chose while another was being applied;
    // written before its waiting flag is raised, read after it is taken.
    std::atomic<int> waitingProgramNo{0};
    // A program reached setProgram while the editor was being opened; it is
    // applied once the opening ends.
    std::atomic<bool> programWaitsForEditor{false};
    // A program has been applied since the host was last asked to read the
    // parameters again: raised by the audio thread, taken by the worker.
    std::atomic<bool> hostDisplayPending{false};
    // The host has begun closing the plug-in: it may be tearing the instance
    // down on any thread, so it is asked nothing more.
    std::atomic<bool> hostClosing{false};
    // The start-up program is being applied: the host already reads its
    // values from the record, and a host that takes the announcement for an
    // edit (a session marked as changed) would see one at every load. Any
    // later request for a program ends the quiet.
    std::atomic<bool> startProgramQuiet{false};
};
