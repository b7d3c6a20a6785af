// A call of the host's that fails inside the plug-in ends there: the host is
// C, and an exception that reached it would end it. The dispatcher answers 0,
// a replacing process gives silence, getParameter 0, and a failed close still
// frees the instance. With the real plug-in: a resume whose background thread
// the system will not start leaves it playing, and a later resume starts it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <functional>
#include <new>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "tools/testhost/TestHost.h"
#include "vst/AudioEffectX.h"

namespace {

// Thread starts while a refusal is in force fail as the system fails them
// when it has no room for another thread.
std::atomic<bool> refuseThreads{false};
std::atomic<int> refusedThreads{0};
std::atomic<int> startedThreads{0};

}  // namespace

// This executable's own pthread_create comes before the C library's (and a
// sanitizer's), so std::thread reaches it from the plug-in's library too.
extern "C" __attribute__((visibility("default"), used)) int pthread_create(pthread_t* thread,
                                                                            const pthread_attr_t* attributes,
                                                                            void* (*start)(void*), void* argument) {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (refuseThreads.load()) {
        refusedThreads.fetch_add(1);
        return EAGAIN;
    }
    const int result = next(thread, attributes, start, argument);
    if (result == 0) startedThreads.fetch_add(1);
    return result;
}

namespace {

vst::intptr quietHost(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

std::atomic<int> liveEffects{0};

// Every operation it has throws, each a different kind of exception, after
// writing where a half-done call would have written.
class TFailingEffect : public AudioEffectX {
public:
    TFailingEffect() : AudioEffectX(quietHost, 1, 4) { ++liveEffects; }
    ~TFailingEffect() override { --liveEffects; }

    void resume() override { throw std::system_error(EAGAIN, std::generic_category(), "no thread"); }
    void close() override { throw std::runtime_error("close"); }
    void setProgram(int32) override { throw std::bad_alloc(); }
    int32 canDo(char*) override { throw 42; }
    int32 processEvents(vst::VstEvents*) override { throw std::bad_alloc(); }
    int32 getChunk(void**, bool) override { throw std::length_error("chunk"); }
    void getParameterDisplay(int32, char* text) override {
        text[0] = 'x';
        throw std::runtime_error("display");
    }
    void setParameter(int32, float) override { throw std::out_of_range("parameter"); }
    float getParameter(int32) override { throw std::bad_alloc(); }
    void processReplacing(float**, float** outputs, int32 frames) override {
        std::fill(outputs[0], outputs[0] + frames, 9.0f);
        throw std::bad_alloc();
    }
    void processDoubleReplacing(double**, double** outputs, int32 frames) override {
        std::fill(outputs[1], outputs[1] + frames, 9.0);
        throw std::runtime_error("double");
    }
    void __processDeprecated(float**, float**, int32) override { throw std::bad_alloc(); }
};

// The largest magnitude in both channels.
template <typename Sample>
double peakOf(const std::vector<Sample>& left, const std::vector<Sample>& right) {
    double peak = 0;
    for (const auto* channel : {&left, &right})
        for (Sample value : *channel) peak = std::max(peak, std::fabs(static_cast<double>(value)));
    return peak;
}

}  // namespace

TEST(HostCallFailure, EveryCallOfTheHostAnswersAsARefusalWhenItFails) {
    auto* failing = new TFailingEffect;
    vst::AEffect* effect = failing->getAeffect();
    constexpr int frames = 64;
    // Each call as a host makes it, and what the host reads back: the
    // dispatcher's answer, the parameter's value, the loudest output sample.
    struct Case {
        const char* call;
        std::function<double()> make;
        double answer;
    };
    char text[256] = {};
    vst::VstEvents events{};
    void* chunk = nullptr;
    auto dispatch = [&](vst::int32 opcode, vst::intptr value, void* ptr) {
        return double(effect->dispatcher(effect, opcode, 0, value, ptr, 0));
    };
    const std::vector<Case> cases = {
        {"resume, its thread refused", [&] { return dispatch(vst::effMainsChanged, 1, nullptr); }, 0},
        {"a program change", [&] { return dispatch(vst::effSetProgram, 0, nullptr); }, 0},
        {"a capability query, a non-standard exception", [&] { return dispatch(vst::effCanDo, 0, text); }, 0},
        {"MIDI events", [&] { return dispatch(vst::effProcessEvents, 0, &events); }, 0},
        {"the chunk", [&] { return dispatch(vst::effGetChunk, 0, &chunk); }, 0},
        {"a parameter text half written", [&] { return dispatch(vst::effGetParamDisplay, 0, text); }, 0},
        {"getParameter", [&] { return double(effect->getParameter(effect, 1)); }, 0},
        {"setParameter", [&] { effect->setParameter(effect, 1, 0.5f); return 0.0; }, 0},
        {"processReplacing gives silence over what it wrote",
         [&] {
             std::vector<float> left(frames, 0.25f), right(frames, 0.25f);
             float* outputs[2] = {left.data(), right.data()};
             effect->processReplacing(effect, nullptr, outputs, frames);
             return peakOf(left, right);
         },
         0},
        {"processDoubleReplacing gives silence over what it wrote",
         [&] {
             std::vector<double> left(frames, 0.25), right(frames, 0.25);
             double* outputs[2] = {left.data(), right.data()};
             effect->processDoubleReplacing(effect, nullptr, outputs, frames);
             return peakOf(left, right);
         },
         0},
        {"the accumulating process adds nothing to what the host holds",
         [&] {
             std::vector<float> left(frames, 0.25f), right(frames, 0.25f);
             float* outputs[2] = {left.data(), right.data()};
             effect->process(effect, nullptr, outputs, frames);
             return peakOf(left, right);
         },
         0.25},
    };
    for (const Case& c : cases) {
        double answer = -1;
        EXPECT_NO_THROW(answer = c.make()) << c.call;
        EXPECT_EQ(answer, c.answer) << c.call;
    }
    // A closing that fails still frees the instance: the host lets go of it.
    ASSERT_EQ(liveEffects.load(), 1);
    vst::intptr closed = 0;
    EXPECT_NO_THROW(closed = effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(liveEffects.load(), 0);
}

TEST(HostCallFailure, AResumeWhoseThreadCannotStartLeavesThePlugInPlaying) {
    testhost::Host host;
    auto plugin = host.load(KOLBRI_SO_PATH);
    ASSERT_TRUE(plugin) << testhost::Host::lastError();
    refusedThreads = 0;
    refuseThreads = true;
    EXPECT_NO_THROW(plugin->start());
    refuseThreads = false;
    ASSERT_GT(refusedThreads.load(), 0) << "the resume asked for no thread: nothing was tested";

    // It plays without its background thread.
    plugin->render(4096);  // the start program is applied by now
    plugin->noteOn(4096 + 10, 60, 127);
    const testhost::Stereo out = plugin->render(8192);
    EXPECT_GT(testhost::measure(out, 100, 8192).peak, 1e-4f) << "the note sounds";
    EXPECT_TRUE(testhost::measure(out).finite);

    // The next resume starts the thread the first could not.
    startedThreads = 0;
    plugin->stop();
    EXPECT_NO_THROW(plugin->start());
    EXPECT_EQ(startedThreads.load(), 1) << "the worker's thread, and nothing else";
    plugin->noteOn(plugin->framesRendered() + 10, 64, 127);
    EXPECT_GT(testhost::measure(plugin->render(8192), 100, 8192).peak, 1e-4f);
}
