// The state chunk: one program record of 1024 values and a name, 4,128 bytes,
// exchanged only with the hosts recognised at construction.
#include <cstring>

#include "plugin/uPlugin.h"

namespace {

constexpr int32 CHUNK_BYTES = static_cast<int32>(sizeof(TProgram));

void copyProgram(TProgram& to, const TProgram& from) {
    for (std::size_t tag = 0; tag < from.values.size(); ++tag) to.values[tag] = from.values[tag].load();
    std::memcpy(to.name, from.name, sizeof to.name);
    to.name[sizeof to.name - 1] = 0;
}

// Takes the host's bytes as a record; the name is cut at the record's end
// when the host sent none within its 32 bytes.
void readChunk(TProgram& to, const void* data) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t tag = 0; tag < to.values.size(); ++tag) {
        float value;
        std::memcpy(&value, bytes + tag * sizeof(float), sizeof value);
        to.values[tag] = value;
    }
    std::memcpy(to.name, bytes + offsetof(TProgram, name), sizeof to.name);
    to.name[sizeof to.name - 1] = 0;
}

}  // namespace

// Which buffer serves a request, by the host flags; null: no chunk for this host.
// A KORE host is told that programs are chunks, so it saves nothing else: it
// is served bank chunks as REAPER is, or its sound would be lost on reload.
TProgram* APlugin::chunkBufferFor(bool isPreset) {
    if (host.hostIsNKS) return isPreset ? nullptr : &chunks.nksChunkData;
    if ((host.hostIsReaper || host.hostIsSibling || host.hostIsKore) && !host.hostIsProp)
        return isPreset ? nullptr : &chunks.chunkData;
    if (host.hostIsProp) return isPreset ? &chunks.nksChunkData : &chunks.chunkData;
    return nullptr;
}

// The program record a chunk request reads or writes: the current one, except
// for bank chunks of the hosts that always exchange the first.
TProgram& APlugin::chunkProgramFor(bool isPreset) {
    if (host.hostIsNKS || isPreset) return programRecord();
    return values.programs[0];
}

int32 APlugin::getChunk(void** data, bool isPreset) {
    TProgram* buffer = chunkBufferFor(isPreset);
    if (!buffer || !data) return 0;
    copyProgram(*buffer, chunkProgramFor(isPreset));
    *data = buffer;
    return CHUNK_BYTES;
}

// Only the first 4,128 bytes of a longer chunk are read; a shorter one would
// be read past its end and changes nothing.
int32 APlugin::setChunk(void* data, int32 byteSize, bool isPreset) {
    TProgram* buffer = chunkBufferFor(isPreset);
    if (!buffer || !data || byteSize < CHUNK_BYTES) return 1;
    readChunk(*buffer, data);
    copyProgram(chunkProgramFor(isPreset), *buffer);
    setProgram(curProgram);
    return 1;
}
