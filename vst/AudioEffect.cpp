#include "vst/AudioEffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "vst/TextCopy.h"

using namespace vst;

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32 numPrograms, int32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = __processClassDeprecated;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

// ---------------------------------------------------------------- trampolines

namespace {

// The host is C: an exception that reached it would end it. Every call it
// makes comes through here, and a call that fails answers as one the
// plug-in refused. A try costs nothing until something throws, so process
// keeps it too; its answer (silence) allocates nothing.
template <typename Call, typename Refusal>
auto answerHost(Call&& call, Refusal&& refused) noexcept {
    try {
        return call();
    } catch (...) {
        return refused();
    }
}

template <typename Sample>
void silence(Sample** outputs, int32 channels, int32 frames) {
    if (!outputs || frames <= 0) return;
    for (int32 channel = 0; channel < channels; ++channel)
        if (outputs[channel]) std::memset(outputs[channel], 0, sizeof(Sample) * static_cast<size_t>(frames));
}

}  // namespace

intptr AudioEffect::dispatchEffectClass(AEffect* e, int32 opcode, int32 index, intptr value, void* ptr,
                                        float opt) {
    auto* object = static_cast<AudioEffect*>(e->object);
    auto refused = [] { return intptr{0}; };
    if (opcode == effClose) {
        // The host lets go of the instance whatever its closing answered.
        answerHost([&] { return object->dispatcher(opcode, index, value, ptr, opt); }, refused);
        delete object;
        return 1;
    }
    return answerHost([&] { return object->dispatcher(opcode, index, value, ptr, opt); }, refused);
}

float AudioEffect::getParameterClass(AEffect* e, int32 index) {
    return answerHost([&] { return static_cast<AudioEffect*>(e->object)->getParameter(index); },
                      [] { return 0.0f; });
}

void AudioEffect::setParameterClass(AEffect* e, int32 index, float value) {
    answerHost([&] { static_cast<AudioEffect*>(e->object)->setParameter(index, value); }, [] {});
}

// The accumulating call adds to what the host holds: a failed block adds nothing more.
void AudioEffect::__processClassDeprecated(AEffect* e, float** inputs, float** outputs, int32 frames) {
    answerHost([&] { static_cast<AudioEffect*>(e->object)->__processDeprecated(inputs, outputs, frames); },
               [] {});
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs, int32 frames) {
    answerHost([&] { static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, frames); },
               [&] { silence(outputs, e->numOutputs, frames); });
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs, int32 frames) {
    answerHost([&] { static_cast<AudioEffect*>(e->object)->processDoubleReplacing(inputs, outputs, frames); },
               [&] { silence(outputs, e->numOutputs, frames); });
}

// ---------------------------------------------------------------- dispatcher

intptr AudioEffect::dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    switch (opcode) {
        case effOpen: open(); return 0;
        case effClose: close(); return 0;
        case effSetProgram:
            // A negative number would index outside the program record.
            if (value >= 0 && value < numPrograms) setProgram(static_cast<int32>(value));
            return 0;
        case effGetProgram: return getProgram();
        case effSetProgramName:
            if (ptr) setProgramName(static_cast<char*>(ptr));
            return 0;
        case effGetProgramName:
            if (ptr) getProgramName(static_cast<char*>(ptr));
            return 0;
        case effGetParamLabel:
            if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
            return 0;
        case effGetParamDisplay:
            if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
            return 0;
        case effGetParamName:
            if (ptr) getParameterName(index, static_cast<char*>(ptr));
            return 0;
        case effSetSampleRate: setSampleRate(opt); return 0;
        case effSetBlockSize: setBlockSize(static_cast<int32>(value)); return 0;
        case effMainsChanged:
            if (value)
                resume();
            else
                suspend();
            return 0;
        case effEditGetRect:
            if (editor && ptr) return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
            return 0;
        case effEditOpen: return editor ? (editor->open(ptr) ? 1 : 0) : 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case __effIdentifyDeprecated: return fourCharCode('N', 'v', 'E', 'f');
        case effGetChunk: return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case effSetChunk: return ptr ? setChunk(ptr, static_cast<int32>(value), index != 0) : 0;
        default: return 0;
    }
}

// ---------------------------------------------------------------- host callbacks

void AudioEffect::setParameterAutomated(int32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

int32 AudioEffect::getMasterVersion() {
    if (!audioMaster) return 1;
    intptr version = callHost(audioMasterVersion);
    return version < 2 ? 1 : static_cast<int32>(version);
}

int32 AudioEffect::getCurrentUniqueId() { return static_cast<int32>(callHost(audioMasterCurrentId)); }

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(int32 input) {
    return callHost(__audioMasterPinConnectedDeprecated, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(int32 output) {
    return callHost(__audioMasterPinConnectedDeprecated, output, 1) == 0;
}

// ---------------------------------------------------------------- value-to-text helpers

namespace {

// At most maxLen characters, then the terminator (at text[maxLen] at the latest).
void copyBounded(const char* source, char* text, int32 maxLen) {
    if (maxLen >= 0) kolbri::copyText(text, source, static_cast<size_t>(maxLen) + 1);
}

}  // namespace

void AudioEffect::dB2string(float value, char* text, int32 maxLen) {
    if (value <= 0)
        copyBounded("-oo", text, maxLen);
    else
        float2string(20.0f * std::log10(value), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, int32 maxLen) {
    float2string(samples != 0 ? sampleRate / samples : 0.0f, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, int32 maxLen) {
    float2string(samples * 1000.0f / sampleRate, text, maxLen);
}

void AudioEffect::float2string(float value, char* text, int32 maxLen) {
    // Compared in double: 99999999 has no exact float and would round up to 1e8.
    double wide = value;
    if (!(wide <= 99999999.0 && wide >= -9999999.0)) {  // NaN reads as huge too
        copyBounded("Huge!", text, maxLen);
        return;
    }
    // An 8-character budget: sign, integer digits, point, then as many truncated
    // fractional digits as still fit.
    constexpr int budget = 8;
    char buffer[32];
    int position = 0;
    bool negative = value < 0;
    double magnitude = negative ? -static_cast<double>(value) : static_cast<double>(value);
    if (negative) buffer[position++] = '-';

    long long integerPart = static_cast<long long>(magnitude);
    char digits[20];
    int digitCount = 0;
    long long rest = integerPart;
    do {
        digits[digitCount++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0 && digitCount < 19);
    // Keep the units and add higher digits only while sign, digits and point fit.
    int room = budget - position - 1;
    if (room < 1) room = 1;
    if (digitCount > room) digitCount = room;
    for (int i = digitCount - 1; i >= 0; --i) buffer[position++] = digits[i];
    buffer[position++] = '.';

    double fraction = magnitude - static_cast<double>(integerPart);
    while (position < budget) {
        fraction *= 10.0;
        int digit = static_cast<int>(fraction);
        if (digit > 9) digit = 9;
        buffer[position++] = static_cast<char>('0' + digit);
        fraction -= digit;
    }
    if (position > budget) position = budget;  // an integer part that fills the budget keeps its point cut
    buffer[position] = 0;
    copyBounded(buffer, text, maxLen);
}

void AudioEffect::int2string(int32 value, char* text, int32 maxLen) {
    // Nine digits at most: a negative magnitude needing ten does not fit either.
    if (value > 99999999 || value < -999999999) {
        copyBounded("Huge!", text, maxLen);
        return;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%s%lld", value < 0 ? "-" : "",
                  value < 0 ? -static_cast<long long>(value) : static_cast<long long>(value));
    copyBounded(buffer, text, maxLen);
}
