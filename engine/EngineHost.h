// What the sound engine receives from the plug-in around it and what it asks
// of it: the time record of a block, the hand-off flags shared with the other
// threads, and the one small interface upward.
#pragma once

#include <atomic>

// The host's time as the block loop reads it: filled by the plug-in from the
// host's time information at the start of each block and again for each MIDI
// event handled; the control step takes the latest.
struct TBlockTime {
    bool known = false;       // the host answered; nothing below holds otherwise
    bool tempoValid = false;  // tempo is the host's
    double tempo = 120;       // BPM; may be anything a host sends, NaN included
    bool transportPlaying = false;
};

// Flags that pass work between the audio thread and the other threads. Each
// is written by one side and polled by the other, never locked. The plug-in
// holds them; the engine reads and raises the program hand-off.
struct THandOffFlags {
    std::atomic<bool> presetPending{false};
    std::atomic<bool> settingPreset{false};
    std::atomic<bool> previewPlaying{false};
    std::atomic<bool> screenUpdatePending{false};
    std::atomic<bool> editorOpening{false};
    std::atomic<bool> editorOpened{false};
    std::atomic<bool> popupActive{false};
};

// What the engine asks of the plug-in; called on the audio thread, except
// where a comment says otherwise. The plug-in implements it; engine tests
// implement it with a plain store.
class TEngineHost {
public:
    virtual ~TEngineHost() = default;
    // Program application: every value of the program record becomes the
    // current value, through the plug-in's store, and the soft-takeover marks
    // are cleared. The block is silent meanwhile (settingPreset).
    virtual void applyProgramValues() = 0;
    // A value the engine itself sets: a controller bound by MIDI learn, the
    // ribbon's spring, the Movement lock (the latter on the editor's thread).
    virtual void setParameterFromEngine(int tag, float value) = 0;
    // Housekeeping found a screen update pending: the editor should refresh.
    virtual void updateEditorScreen() = 0;
    // The host's time as it stands now, read for each MIDI event handled (one
    // host call). An engine without a host keeps the block's time.
    virtual void refreshHostTime(TBlockTime& time) { (void)time; }
    // A program (by number, by name) or a preview that the editor chose while
    // another program was being applied; called at the start of a block once
    // no program is pending, after the matching waiting flag was cleared.
    virtual void setProgramAfterWaitingFromNo() {}
    virtual void setProgramAfterWaitingFromName() {}
    virtual void setPreviewAfterWaitingFromName() {}
};
