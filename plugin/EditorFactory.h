// The plug-in's editor comes from the editor library, which sits above the
// plug-in core: the core declares the maker and calls it when it is there.
// Kolbri.so links the editor; programs built from the core alone (the core's
// own tests) have no maker, and their plug-in has no editor.
#pragma once

class AEffEditor;
class AudioEffect;
class TEditorServices;

// Makes the editor object without opening it (no window, image or control).
extern "C" AEffEditor* createEditorInstance(AudioEffect* effect, TEditorServices* services) __attribute__((weak));
