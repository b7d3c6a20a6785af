// A host that notes what it hears (gestures and automation) and a plug-in that
// notes what the editor asks of its program bank, manual and Gator, for the
// editor tests that follow a control to the host and back; and a way to
// answer the next pop-up menu by an entry's title at any depth.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "editor_test_support.h"

namespace editor_test {

// "begin 12", "automate 12 0.5", "end 12": what the host of the bench alive now heard.
inline std::vector<std::string>* heardByHost = nullptr;

inline vst::intptr recordingHost(vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void*,
                                 float value) {
    if (opcode == vst::audioMasterVersion)
        return 2400;
    if (!heardByHost)
        return 0;
    char text[64];
    if (opcode == vst::audioMasterBeginEdit)
        std::snprintf(text, sizeof text, "begin %d", index);
    else if (opcode == vst::audioMasterEndEdit)
        std::snprintf(text, sizeof text, "end %d", index);
    else if (opcode == vst::audioMasterAutomate)
        std::snprintf(text, sizeof text, "automate %d %g", index, static_cast<double>(value));
    else
        return 0;
    heardByHost->push_back(text);
    return 0;
}

class TNotedPlugin : public APlugin {
public:
    TNotedPlugin() : APlugin(recordingHost) {}
    void changeDemoProgramDelta(int delta) override { programSteps.push_back(delta); }
    void setDemoProgram(int index) override { chosenPrograms.push_back(index); }
    std::string getManualPath() const override { return manualPath; }
    int getGaterPos() override { return gaterPos; }

    std::vector<int> programSteps;
    std::vector<int> chosenPrograms;
    std::string manualPath;
    int gaterPos = 5;
};

struct TNotedBench : TEditorBench {
    explicit TNotedBench(int screenSize = 0, bool openNow = true)
        : TEditorBench(screenSize, openNow, [] { return std::unique_ptr<APlugin>(new TNotedPlugin); }) {
        heardByHost = &heard;
    }
    ~TNotedBench() { heardByHost = nullptr; }
    TNotedPlugin& noted() { return static_cast<TNotedPlugin&>(*plugin); }

    std::vector<std::string> heard;
};

inline bool findEntry(const kgui::MenuSnapshot& menu, const std::string& title, std::vector<kgui::int32>& path) {
    for (size_t i = 0; i < menu.entries.size(); ++i) {
        const kgui::MenuSnapshot::Entry& entry = menu.entries[i];
        path.push_back(static_cast<kgui::int32>(i));
        if (entry.submenu ? findEntry(*entry.submenu, title, path) : (!entry.separator && entry.title == title))
            return true;
        path.pop_back();
    }
    return false;
}

// Every menu from now on is answered with its first entry of this title.
inline void answerMenusWith(kgui::OffscreenTarget& target, const std::string& title) {
    target.setPopupProvider([title](const kgui::MenuSnapshot& menu) {
        kgui::PopupResult result;
        findEntry(menu, title, result.indexPath);
        return result;
    });
}

}  // namespace editor_test
