// The plug-in's private state, opened to its own tests only: what a test
// arranges (a foreign value in the program record, a pending program) or
// checks beyond the operations the host and the editor see.
#pragma once

#include "plugin/uPlugin.h"
#include "tests/engine/engine_test_access.h"

struct TPluginTestAccess {
    static TParameterValues& values(APlugin& plugin) { return plugin.values; }
    static TParameterAttributes& attr(APlugin& plugin) { return plugin.attr; }
    static THandOffFlags& flags(APlugin& plugin) { return plugin.flags; }
    static const TFolders& folders(APlugin& plugin) { return plugin.folders; }
    static TSampleLibrary& samples(APlugin& plugin) { return plugin.sampleLibrary; }
    static const TSampleFolders& sampleFolders(APlugin& plugin) { return plugin.sampleLibrary.folders; }
    static TMidiState& midi(APlugin& plugin) { return TEngineTestAccess::midi(plugin.soundEngine); }
    static TSoundEngine& engine(APlugin& plugin) { return plugin.soundEngine; }
    static TPluginWorker& worker(APlugin& plugin) { return plugin.worker; }
};
