// Helpers for tests that drive the echo plug-in through the test host.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/testhost/TestHost.h"
#include "vst/echo_plugin/echo_protocol.h"

namespace echotest {

inline const char* echoPath() { return ECHO_PLUGIN_PATH; }

// The echo library opened by the test itself, for its exported controls; it
// also keeps one reference so the library's log survives the instances.
class EchoLibrary {
public:
    EchoLibrary() : handle(dlopen(ECHO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle) return;
        setMode = reinterpret_cast<EchoSetEntryModeProc>(dlsym(handle, "echoSetEntryMode"));
        lifecycleProc = reinterpret_cast<EchoLifecycleProc>(dlsym(handle, "echoLifecycle"));
        live = reinterpret_cast<EchoLiveInstancesProc>(dlsym(handle, "echoLiveInstances"));
        setMode(echo::entryNormal);
        lifecycle();
    }
    ~EchoLibrary() {
        if (!handle) return;
        setMode(echo::entryNormal);
        dlclose(handle);
    }
    EchoLibrary(const EchoLibrary&) = delete;
    EchoLibrary& operator=(const EchoLibrary&) = delete;

    bool ok() const { return handle && setMode && lifecycleProc && live; }
    void entryMode(echo::EntryMode mode) { setMode(mode); }
    int liveInstances() { return live(); }
    // The lifecycle opcodes since the last call.
    std::vector<int> lifecycle() {
        std::vector<int> opcodes(4096);
        const int count = lifecycleProc(opcodes.data(), static_cast<int>(opcodes.size()), 1);
        opcodes.resize(static_cast<std::size_t>(std::min<int>(count, 4096)));
        return opcodes;
    }

private:
    void* handle;
    EchoSetEntryModeProc setMode = nullptr;
    EchoLifecycleProc lifecycleProc = nullptr;
    EchoLiveInstancesProc live = nullptr;
};

inline echo::Request ask(testhost::Plugin& plugin, echo::What what, int item = 0) {
    echo::Request request;
    request.what = what;
    request.item = item;
    EXPECT_EQ(plugin.dispatch(vst::effVendorSpecific, echo::kEchoQuery, 0, &request), 1);
    return request;
}

inline std::vector<echo::ReceivedEvent> receivedEvents(testhost::Plugin& plugin) {
    std::vector<echo::ReceivedEvent> events;
    const auto count = ask(plugin, echo::eventCount).count;
    for (int i = 0; i < count; ++i) events.push_back(ask(plugin, echo::eventAt, i).event);
    return events;
}

inline std::vector<echo::SeenTime> seenTimes(testhost::Plugin& plugin) {
    std::vector<echo::SeenTime> times;
    const auto count = ask(plugin, echo::timeCount).count;
    for (int i = 0; i < count; ++i) times.push_back(ask(plugin, echo::timeAt, i).time);
    return times;
}

inline std::vector<echo::ParameterChange> parameterChanges(testhost::Plugin& plugin) {
    std::vector<echo::ParameterChange> changes;
    const auto count = ask(plugin, echo::changeCount).count;
    for (int i = 0; i < count; ++i) changes.push_back(ask(plugin, echo::changeAt, i).change);
    return changes;
}

// Has the plug-in call the host's callback and returns its answer.
inline vst::intptr callHost(testhost::Plugin& plugin, vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0,
                            float opt = 0, const char* text = nullptr, std::string* textOut = nullptr) {
    echo::Request request;
    request.what = echo::callHost;
    request.hostOpcode = opcode;
    request.hostIndex = index;
    request.hostValue = value;
    request.hostOpt = opt;
    if (text) std::snprintf(request.hostText, sizeof request.hostText, "%s", text);
    EXPECT_EQ(plugin.dispatch(vst::effVendorSpecific, echo::kEchoQuery, 0, &request), 1);
    if (textOut) *textOut = std::string(request.hostText, strnlen(request.hostText, sizeof request.hostText));
    return request.hostAnswer;
}

}  // namespace echotest
