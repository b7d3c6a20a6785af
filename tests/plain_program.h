// The plain start sound ("Default": every parameter at its default), stored at
// once into a plug-in built directly, whatever program 0 is and whatever
// program change is still pending: tests that measure or draw the plain sound
// start from it. The pending application then applies these values.
#pragma once

#include "plugin/BuiltinPrograms.h"
#include "plugin/uPlugin.h"

inline void loadPlainProgram(APlugin& plugin) {
    const std::span<const float> values = builtinProgramValues(BUILTIN_DEFAULT_PROGRAM);
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        if (tag != PRESET_APPLY_TAG && tag != NEVER_COPIED_TAG)
            plugin.APlugin::setParameter(tag, values[static_cast<std::size_t>(tag)]);
}
