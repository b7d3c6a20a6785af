// The editor base the host reaches through the dispatcher's editor opcodes.
// The GUI toolkit's AEffGUIEditor derives from it; the plug-in owns the editor.
#pragma once

#include "vst/vst2_abi.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    virtual bool getRect(vst::ERect** rect) {
        *rect = nullptr;
        return false;
    }
    virtual bool open(void* ptr) {
        systemWindow = ptr;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual void __drawDeprecated(void*) {}
    virtual vst::int32 __mouseDeprecated(vst::int32, vst::int32) { return 0; }
    virtual vst::int32 __keyDeprecated(vst::int32) { return 0; }
    virtual void __topDeprecated() {}
    virtual void __sleepDeprecated() {}
    virtual bool onKeyDown(vst::VstKeyCode&) { return false; }
    virtual bool onKeyUp(vst::VstKeyCode&) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(vst::int32) { return false; }

protected:
    AudioEffect* effect = nullptr;
    void* systemWindow = nullptr;  // the host's parent window while open
};
