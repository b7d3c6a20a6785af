// Text kept in a run of parameters, one character per tag: character c as
// (c + 0.5) / 255.99, so reading int(v * 255.99 + 0.1) finds c again however
// the value was rounded on its way through a host. The program's name is
// spelled by spellParameterText; the tuning's name writes every slot as a
// character (engine/TuningFile.cpp), the empty ones as character 0.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <string_view>

// One slot's value for character c (a signed byte); a negative character
// would fall below the parameter range, where the store clamps it to 0.
inline float parameterTextValue(int c) { return std::max(static_cast<float>((c + 0.5) / 255.99), 0.0f); }

// Spells text into the slots exactly as the parameter store writes text: the
// last slot always stays empty (0), so a stored text has at most slots - 1
// characters and a reader finds its end. A byte above 127 counts as negative
// and ends the text there.
inline void spellParameterText(std::string_view text, std::span<float> slots) {
    if (slots.empty()) return;
    const std::size_t length = std::min(text.size(), slots.size() - 1);
    bool ended = false;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const int c = i < length ? static_cast<signed char>(text[i]) : 0;
        ended = ended || c <= 0;
        slots[i] = ended ? 0.0f : parameterTextValue(c);
    }
}
