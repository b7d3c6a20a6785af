// What the plug-in core asks of its editor beyond the host's editor opcodes.
// The editor class implements this beside its toolkit base; the plug-in reaches
// it through editorHooksOf(), so the core never depends on the toolkit.
#pragma once

#include "vst/AEffEditor.h"

class TEditorHooks {
public:
    virtual ~TEditorHooks() = default;

    // A parameter tag makes the first control bound to it the edited control;
    // any other tag (the plug-in passes -1 when an edit ends) clears it.
    virtual void setEditTag(int tag) = 0;
    // Moves the controls bound to the tag; ignored until the editor has finished opening.
    virtual void setParameter(int tag, float value) = 0;
    // Takes the Mod FX mode into the editor's cache for its idle refresh.
    virtual void updateIdleVars() = 0;
    // Swaps the remembered Mod FX values when the Mod FX mode was stepped.
    virtual void updateModFX() = 0;
    // Empties the three undo rings.
    virtual void clearUndos() = 0;
};

// The editor's hooks, or null while there is no editor (or it offers none).
inline TEditorHooks* editorHooksOf(AEffEditor* editor) { return dynamic_cast<TEditorHooks*>(editor); }
