// Folders that start-up reads from the preferences (the sample library reads
// its own), and the chunk buffers.
#pragma once

#include <string>

#include "engine/ParameterModel.h"

struct TFolders {
    std::string ecsDirStr;      // default folder of the ECS file dialogs ("ECSDir")
    std::string helpPath;       // the manual the editor's help command opens
    std::string tuningFileStr;  // folder of the tuning files ("Tuning")
};

// Buffers handed to chunk hosts; each stays valid until the next chunk call.
struct TChunkBuffers {
    TProgram chunkData;     // bank chunks of the first program
    TProgram nksChunkData;  // bank chunks of NKS hosts, program chunks of the vendor-flag hosts
};
