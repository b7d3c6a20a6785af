// The editor services whose machinery is not part of the plug-in yet: the
// built-in program bank, compare and revert, typed value entry; and the
// Gator's step. Each answers a neutral value
// (0, false, an empty text, -1) or does nothing, so that the controls and the
// editor can be built and driven against the real plug-in meanwhile. They are
// kept together here to be replaced one by one.
#include "plugin/uPlugin.h"

// ---------------------------------------------------------------- typed value entry

void APlugin::setNumValue(int) {}

// ---------------------------------------------------------------- built-in programs, compare and revert

int APlugin::getNumBuiltinPrograms() const { return 0; }
int APlugin::getCurBuiltinProgram() const { return 0; }
std::string APlugin::getDemoName(int) const { return {}; }
void APlugin::setDemoProgram(int) {}
void APlugin::changeDemoProgramDelta(int) {}
void APlugin::origProgram() {}
void APlugin::editProgram() {}
void APlugin::clearProgram() {}

// ---------------------------------------------------------------- effects

int APlugin::getGaterPos() { return soundEngine.getGaterPos(); }
