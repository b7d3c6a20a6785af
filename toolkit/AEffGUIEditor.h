// The editor binding: the plug-in's editor object over our VST 2.4 layer,
// holding the frame that its window shows.
#pragma once

#include "vst/AEffEditor.h"
#include "toolkit/CBase.h"

class AudioEffect;

namespace kgui {

class CFrame;

// What views reach through getEditor().
class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() = default;
    virtual void beginEdit(int32 index) { (void)index; }
    virtual void endEdit(int32 index) { (void)index; }
    virtual CFrame* getFrame() const { return frame; }
    virtual int32 getKnobMode() const;

protected:
    CFrame* frame = nullptr;
};

class AEffGUIEditor : public AEffEditor, public VSTGUIEditorInterface {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(vst::ERect** rect) override;
    bool open(void* ptr) override;
    // Closes the frame's window and releases the frame (with any views still in it).
    void close() override;
    bool isOpen() override { return systemWindow != nullptr; }
    // Pumps window events and redraws what is dirty.
    void idle() override;
    bool onKeyDown(vst::VstKeyCode& keyCode) override;
    bool onKeyUp(vst::VstKeyCode& keyCode) override;
    bool onWheel(float distance) override;
    bool setKnobMode(vst::int32 mode) override;

    virtual void setParameter(int32 index, float value) {
        (void)index;
        (void)value;
    }
    // Tell the host a gesture on a parameter starts or ends (parameters 0..1023 only).
    void beginEdit(int32 index) override;
    void endEdit(int32 index) override;
    virtual void draw(vst::ERect* rect) { (void)rect; }
    virtual bool beforeSizeChange(const CRect& newSize, const CRect& oldSize) {
        (void)newSize;
        (void)oldSize;
        return true;
    }
    virtual void doIdleStuff() {}

    // Milliseconds of the toolkit clock (monotonic; tests set it).
    uint32 getTicks() const { return getPlatformTicks(); }

    // Frames made with this editor report here, so close() can release the
    // frame even after a subclass has dropped its own pointer to it.
    void frameCreated(CFrame* newFrame);
    void frameDestroyed(CFrame* oldFrame);

protected:
    vst::ERect rect{};

private:
    void releaseOrphanedFrame();

    CFrame* ownedFrame = nullptr;
};

}  // namespace kgui
