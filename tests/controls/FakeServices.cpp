#include "FakeServices.h"

#include <algorithm>
#include <cstdio>

namespace {
std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// Parameters as the plug-in describes them. Columns: tag, display type,
// default, steps, step range, on/off.
struct TRow {
    int tag, type;
    float defaultValue;
    int steps;
    float range;
    bool onOff;
};
constexpr TRow DESCRIBED[] = {
    {5, 0, 0, 8, 7.99f, false},         // Play Mode
    {11, 1, 1, -1, -1, true},           // Key Track On/Off
    {12, 9, 0.5f, -1, -1, false},       // Source Semi
    {41, 0, 0.5f, -1, -1, false},       // Movement Speed
    {42, 1, 1, -1, -1, true},           // Movement Tempo Sync On/Off
    {49, 13, 0, 63, 199.99f, false},    // Movement Speed Control Source
    {57, 15, 0.5f, -1, -1, false},      // Movement Amount 1
    {59, 14, 0, 126, 199.99f, false},   // Movement Destination 1
    {75, 0, 0, 24, 23.99f, false},      // FX Path
    {82, 0, 0, 10, 19.99f, false},      // Mod FX Mode
    {111, 13, 0, 63, 199.99f, false},   // Modulation Slot 1 Source
    {115, 14, 0, 126, 199.99f, false},  // Modulation Slot 1 Destination
    {119, 15, 0.5f, -1, -1, false},     // Modulation Slot 1 Amount
};
}  // namespace

TFakeServices::TFakeServices() {
    steppedNum.fill(-1);
    steppedRange.fill(-1);
    paramType.fill(2);
    for (const TRow& row : DESCRIBED)
        describe(row.tag, row.type, row.defaultValue, row.steps, row.range, row.onOff);
}

void TFakeServices::describe(int tag, int type, float defaultValue_, int steps, float range, bool onOff) {
    const auto i = static_cast<size_t>(tag);
    paramType[i] = type;
    defaultValue[i] = defaultValue_;
    values[i] = defaultValue_;
    origValue[i] = defaultValue_;
    steppedNum[i] = steps;
    steppedRange[i] = range;
    isOnOff[i] = onOff;
}

void TFakeServices::setParameter(int tag, float value) {
    if (!valid(tag))
        return;
    value = std::clamp(value, 0.0f, 1.0f);
    if (isOnOff[static_cast<size_t>(tag)])
        value = value < 0.5f ? 0.0f : 1.0f;
    values[static_cast<size_t>(tag)] = value;
    calls.push_back("set " + std::to_string(tag) + " " + number(value));
}

void TFakeServices::setParameterAutomated(int tag, float value) {
    if (!valid(tag))
        return;
    setParameter(tag, value);
    hostLog.push_back("automate " + std::to_string(tag) + " " + number(value));
}

float TFakeServices::getParameter(int tag) { return valid(tag) ? values[static_cast<size_t>(tag)] : 0.0f; }

bool TFakeServices::beginEdit(int tag) {
    editTags.push_back(tag);
    if (!valid(tag))
        return false;
    hostLog.push_back("begin " + std::to_string(tag));
    return true;
}

bool TFakeServices::endEdit(int tag) {
    editTags.push_back(-1);
    if (!valid(tag))
        return false;
    hostLog.push_back("end " + std::to_string(tag));
    return true;
}

bool TFakeServices::getOnOff(int tag) const { return valid(tag) && values[static_cast<size_t>(tag)] >= 0.5f; }

float TFakeServices::getDefaultValue(int tag) const { return valid(tag) ? defaultValue[static_cast<size_t>(tag)] : 0; }

float TFakeServices::getOrigValue(int tag) const { return valid(tag) ? origValue[static_cast<size_t>(tag)] : 0; }

int TFakeServices::getParamType(int tag) const { return valid(tag) ? paramType[static_cast<size_t>(tag)] : 0; }

int TFakeServices::getSteppedNum(int tag) const { return valid(tag) ? steppedNum[static_cast<size_t>(tag)] : -1; }

float TFakeServices::getSteppedRange(int tag) const {
    return valid(tag) ? steppedRange[static_cast<size_t>(tag)] : -1;
}

int TFakeServices::getSteppedValue(int tag) const {
    return valid(tag) ? getSteppedValue(tag, values[static_cast<size_t>(tag)]) : 0;
}

int TFakeServices::getSteppedValue(int tag, float value) const {
    if (!valid(tag) || steppedNum[static_cast<size_t>(tag)] < 0)
        return 0;
    int x = static_cast<int>(value * steppedRange[static_cast<size_t>(tag)] + 0.1f);
    return std::clamp(x, 0, steppedNum[static_cast<size_t>(tag)] - 1);
}

int TFakeServices::getSteppedValue(int tag, float range, int count) const {
    if (!valid(tag))
        return 0;
    int x = static_cast<int>(values[static_cast<size_t>(tag)] * range + 0.1f);
    return std::clamp(x, 0, count - 1);
}

void TFakeServices::setSteppedValue(int tag, int step) {
    if (!valid(tag) || steppedNum[static_cast<size_t>(tag)] < 0)
        return;
    setSteppedValue(tag, step, steppedRange[static_cast<size_t>(tag)], steppedNum[static_cast<size_t>(tag)]);
}

void TFakeServices::setSteppedValue(int tag, int step, float range, int count) {
    if (!valid(tag))
        return;
    int s = step < 0 ? 0 : std::min(step, count - 1);
    setParameterAutomated(tag, (static_cast<float>(s) + 0.1f) / range);
}

void TFakeServices::setSteppedValueMax(int tag) {
    if (!valid(tag) || steppedNum[static_cast<size_t>(tag)] < 0)
        return;
    setSteppedValue(tag, std::max(steppedNum[static_cast<size_t>(tag)], 1) - 1);
}

void TFakeServices::changeDelta(int tag, int delta, bool fine, float amount) {
    calls.push_back("changeDelta " + std::to_string(tag) + " " + std::to_string(delta) + (fine ? " fine" : ""));
    if (!valid(tag))
        return;
    const auto i = static_cast<size_t>(tag);
    if ((tag == 41 && getOnOff(42)) || (tag == 63 && getOnOff(64)))
        setSteppedValue(tag, getSteppedValue(tag, 33.99f, 34) + delta, 33.99f, 34);
    else if (steppedNum[i] >= 0)
        setSteppedValue(tag, getSteppedValue(tag) + delta);
    else if (isOnOff[i])
        setParameterAutomated(tag, delta >= 0 ? 1.0f : 0.0f);
    else
        setParameterAutomated(tag,
                              std::clamp(values[i] + static_cast<float>(delta) * amount * (fine ? 0.001f : 0.01f),
                                         0.0f, 1.0f));
}

std::string TFakeServices::getSrcShortStr(int source) const {
    return source >= 0 && source < 63 ? "Src" + std::to_string(source) : std::string();
}
