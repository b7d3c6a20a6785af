// A plug-in whose editor is the toolkit's showcase: a 440 Hz tone while its
// switch is on, and an editor that the windowed tests open in a host's window
// through the VST interface. What reaches the editor is read back with
// effVendorSpecific (showcase_protocol.h).
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numbers>

#include "showcase_window.h"
#include "vst/AudioEffectX.h"
#include "showcase_plugin/showcase_protocol.h"
#include "toolkit/showcase.h"
#include "toolkit/kgui.h"

namespace {

using namespace kgui;

class ShowcasePlugin;

// The images live in a folder of this process, written once and removed when
// the library is unloaded.
struct ImageFolder {
    std::filesystem::path path;
    ImageFolder() {
        path = std::filesystem::temp_directory_path() / ("kolbri-showcase-" + std::to_string(::getpid()));
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
        kgui::test::writeShowcaseImages(path);
        CBitmap::setResourceFolder(path.string());
    }
    ~ImageFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

void useImages() { static ImageFolder folder; }

class ShowcaseEditor : public AEffGUIEditor, public IControlListener, public IKeyboardHook {
public:
    explicit ShowcaseEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
        rect.top = 0;
        rect.left = 0;
        rect.bottom = static_cast<vst::int16>(showcase::kHeight);
        rect.right = static_cast<vst::int16>(showcase::kWidth);
    }

    bool open(void* parent) override {
        if (!AEffGUIEditor::open(parent))
            return false;
        useImages();
        frame = new CFrame(CRect(0, 0, showcase::kWidth, showcase::kHeight), this);
        showcase::buildShowcaseFrame(frame, this, &record);
        frame->open(parent);
        frame->registerKeyboardHook(this);
        return true;
    }

    void valueChanged(CControl* control) override;

    int32 onKeyDown(const VstKeyCode& code, CFrame*) override {
        std::lock_guard lock(record.mutex);
        record.keys.push_back(code);
        return 1;
    }
    int32 onKeyUp(const VstKeyCode&, CFrame*) override { return -1; }

    showcase::Record record;
};

class ShowcasePlugin : public AudioEffectX {
public:
    explicit ShowcasePlugin(vst::audioMasterCallback host) : AudioEffectX(host, 1, 2) {
        setNumInputs(0);
        setNumOutputs(2);
        isSynth();
        canProcessReplacing();
        setUniqueID(vst::fourCharCode('K', 's', 'S', 'c'));
        setEditor(new ShowcaseEditor(this));
    }

    void setParameter(int32 index, float value) override {
        if (index >= 0 && index < 2)
            parameters[index].store(value, std::memory_order_relaxed);
    }
    float getParameter(int32 index) override {
        return index >= 0 && index < 2 ? parameters[index].load(std::memory_order_relaxed) : 0.f;
    }
    bool getEffectName(char* text) override {
        std::snprintf(text, 64, "Showcase");
        return true;
    }

    void processReplacing(float**, float** outputs, int32 frames) override {
        float level = parameters[showcase::kSoundTag].load(std::memory_order_relaxed) >= 0.5f ? 0.25f : 0.f;
        double step = 2 * std::numbers::pi * 440 / getSampleRate();
        for (int32 i = 0; i < frames; ++i) {
            float sample = level * static_cast<float>(std::sin(phase));
            outputs[0][i] = sample;
            outputs[1][i] = sample;
            phase = std::fmod(phase + step, 2 * std::numbers::pi);
        }
    }

    intptr vendorSpecific(int32 index, intptr, void* ptr, float) override {
        if (index != showcase::kQueryIndex || !ptr)
            return 0;
        auto& query = *static_cast<showcase::Query*>(ptr);
        auto& record = static_cast<ShowcaseEditor*>(editor)->record;
        std::lock_guard lock(record.mutex);
        std::string text;
        switch (query.what) {
            case showcase::Query::droppedPaths:
                for (const std::string& path : record.droppedPaths)
                    text += path + "\n";
                query.count = record.drops;
                break;
            case showcase::Query::chosenTitle: text = record.chosenTitle; break;
            case showcase::Query::keys:
                query.count = static_cast<vst::int32>(std::min<size_t>(record.keys.size(), 64));
                for (vst::int32 i = 0; i < query.count; ++i)
                    query.keyList[i] = record.keys[static_cast<size_t>(i)];
                break;
        }
        std::snprintf(query.text, sizeof query.text, "%s", text.c_str());
        return 1;
    }

private:
    std::atomic<float> parameters[2] = {0.f, 0.f};
    double phase = 0;
};

void ShowcaseEditor::valueChanged(CControl* control) {
    int32 tag = control->getTag();
    if (tag == showcase::kCloseTag) {
        // A host that closes the editor from inside a callback does just this.
        if (control->getValue() > 0.5f) {
            vst::AEffect* aeffect = effect->getAeffect();
            aeffect->dispatcher(aeffect, vst::effEditClose, 0, 0, nullptr, 0);
        }
        return;
    }
    if (tag == showcase::kWaveTag) {
        int32 index = -1;
        auto* menu = static_cast<COptionMenu*>(control);
        if (CMenuItem* item = menu->getEntry(menu->getCurrentIndex(true))) {
            std::lock_guard lock(record.mutex);
            record.chosenTitle = item->getTitle();
        }
        index = menu->getCurrentIndex(true);
        effect->setParameterAutomated(tag, static_cast<float>(index) / 8.f);
        return;
    }
    effect->setParameterAutomated(tag, control->getValue());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::audioMasterCallback host) {
    if (!host || host(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0) == 0)
        return nullptr;
    return (new ShowcasePlugin(host))->getAeffect();
}
