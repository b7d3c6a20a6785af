// The LFO wave tables the modulation tests hand to the plug-in object, built
// once by the engine's own table code. Kept in a unit of its own: it needs
// only the tables' header.
#include <memory>

#include "engine/dsp/EngineTables.h"

const float (*modTestLfoTables())[ENGINE_TABLE_SIZE] {
    static const std::unique_ptr<TEngineTables> tables = [] {
        auto built = std::make_unique<TEngineTables>();
        buildLfoWaveTables(*built);
        return built;
    }();
    return tables->lfoWaveTables;
}
