// The lowest layer of the plug-in object: it owns the AEffect record the host
// holds, turns opcodes 0..24 into virtual operations and wraps the host
// callbacks that belong to this level. AudioEffectX continues it.
#pragma once

#include <atomic>
#include <cstdint>

#include "vst/AEffEditor.h"
#include "vst/vst2_abi.h"

using vst::int32;
using vst::intptr;

class AudioEffect {
public:
    AudioEffect(vst::audioMasterCallback audioMaster, int32 numPrograms, int32 numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual intptr dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(int32 size) { blockSize = size; }

    virtual void processReplacing(float** inputs, float** outputs, int32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double**, double**, int32) {}

    virtual void setParameter(int32, float) {}
    virtual float getParameter(int32) { return 0; }
    virtual void setParameterAutomated(int32 index, float value);

    virtual int32 getProgram() { return curProgram.load(std::memory_order_relaxed); }
    virtual void setProgram(int32 program) { curProgram.store(program, std::memory_order_relaxed); }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name) { *name = 0; }

    virtual void getParameterLabel(int32, char* label) { *label = 0; }
    virtual void getParameterDisplay(int32, char* text) { *text = 0; }
    virtual void getParameterName(int32, char* text) { *text = 0; }

    virtual int32 getChunk(void**, bool = false) { return 0; }
    virtual int32 setChunk(void*, int32, bool = false) { return 0; }

    virtual void setUniqueID(int32 iD) { cEffect.uniqueID = iD; }
    virtual void setNumInputs(int32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(int32 outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true) { setFlag(vst::effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(vst::effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(vst::effFlagsProgramChunks, state); }
    virtual void setInitialDelay(int32 delay) { cEffect.initialDelay = delay; }

    virtual AEffEditor* getEditor() { return editor; }
    virtual vst::AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual int32 getBlockSize() { return blockSize; }

    virtual int32 getMasterVersion();
    virtual int32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(int32 input);
    virtual bool isOutputConnected(int32 output);

    // Value-to-text helpers: at most maxLen characters, then a NUL at text[maxLen].
    virtual void dB2string(float value, char* text, int32 maxLen);
    virtual void Hz2string(float samples, char* text, int32 maxLen);
    virtual void ms2string(float samples, char* text, int32 maxLen);
    virtual void float2string(float value, char* text, int32 maxLen);
    virtual void int2string(int32 value, char* text, int32 maxLen);

    virtual void __processDeprecated(float**, float**, int32) {}
    virtual float __getVuDeprecated() { return 0; }
    virtual void __hasVuDeprecated(bool state = true) { setFlag(vst::effFlagsHasVu, state); }
    virtual void __hasClipDeprecated(bool state = true) { setFlag(vst::effFlagsHasClip, state); }
    virtual void __canMonoDeprecated(bool state = true) { setFlag(vst::effFlagsCanMono, state); }
    virtual void __setRealtimeQualitiesDeprecated(int32 qualities) { cEffect.realQualities = qualities; }
    virtual void __setOfflineQualitiesDeprecated(int32 qualities) { cEffect.offQualities = qualities; }

    // Stores the editor and raises effFlagsHasEditor exactly when there is one.
    virtual void setEditor(AEffEditor* newEditor);

    // Calls the host; every wrapper first checks that there is one.
    intptr callHost(int32 opcode, int32 index = 0, intptr value = 0, void* ptr = nullptr, float opt = 0) {
        return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
    }

protected:
    void setFlag(int32 bit, bool state) {
        if (state)
            cEffect.flags |= bit;
        else
            cEffect.flags &= ~bit;
    }

    vst::audioMasterCallback audioMaster = nullptr;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    int32 blockSize = 1024;
    int32 numPrograms = 0;
    int32 numParams = 0;
    // A host may choose a program on one thread and ask for it on another,
    // while a plug-in may set it on the audio thread: no thread reads it torn.
    std::atomic<int32> curProgram{0};
    vst::AEffect cEffect{};

    // The functions stored in cEffect; each finds the object through
    // cEffect.object, and none lets an exception reach the host.
    static intptr dispatchEffectClass(vst::AEffect* e, int32 opcode, int32 index, intptr value, void* ptr,
                                      float opt);
    static float getParameterClass(vst::AEffect* e, int32 index);
    static void setParameterClass(vst::AEffect* e, int32 index, float value);
    static void __processClassDeprecated(vst::AEffect* e, float** inputs, float** outputs, int32 frames);
    static void processClassReplacing(vst::AEffect* e, float** inputs, float** outputs, int32 frames);
    static void processClassDoubleReplacing(vst::AEffect* e, double** inputs, double** outputs, int32 frames);
};
