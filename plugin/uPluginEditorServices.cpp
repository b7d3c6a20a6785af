// Editor services that belong to no other part of the plug-in: the Gator's
// step, read from the effects chain.
#include "plugin/uPlugin.h"

// ---------------------------------------------------------------- effects

int APlugin::getGaterPos() { return soundEngine.getGaterPos(); }
