// Folders that start-up reads from the preferences and the tuning table.
#pragma once

#include <array>
#include <string>

#include "plugin/ParameterModel.h"

struct TFolders {
    std::string homeSampleDir;      // the product's sample folder ("SampleDir")
    std::string importSampleDir;    // start folder of the sample import dialog
    std::string externalSampleDir;  // the user's own sample folder ("ExternalSampleDir")
    std::string ecsDirStr;          // default folder of the ECS file dialogs ("ECSDir")
    std::string helpPath;           // the manual the editor's help command opens
    std::string tuningFileStr;      // folder of the tuning files ("Tuning")
};

// Pitch of every MIDI note in semitones from note 0; the identity until a
// tuning file is applied.
struct TTuningState {
    std::array<float, 128> tuningTable{};

    void setIdentity() {
        for (int note = 0; note < 128; ++note) tuningTable[static_cast<std::size_t>(note)] = static_cast<float>(note);
    }
};

// Buffers handed to chunk hosts; each stays valid until the next chunk call.
struct TChunkBuffers {
    TProgram chunkData;     // bank chunks of the first program
    TProgram nksChunkData;  // bank chunks of NKS hosts, program chunks of the vendor-flag hosts
};
