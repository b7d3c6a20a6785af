// The state chunk: one program record of 1024 values and a name, 4,128 bytes,
// exchanged only with the hosts recognised at construction.
#include <cstring>

#include "plugin/uPlugin.h"

namespace {

constexpr int32 CHUNK_BYTES = static_cast<int32>(sizeof(TProgram));

void copyProgram(TProgram& to, const TProgramRecord& from) {
    for (std::size_t tag = 0; tag < from.values.size(); ++tag) to.values[tag] = from.values[tag].load();
    from.name.load(to.name);
}

// Takes the host's bytes straight into the record: the buffer that getChunk
// hands out is not touched, so a host thread still reading a chunk it was
// given never sees it change under it. The name is cut at the record's end
// when the host sent none within its 32 bytes.
void readChunk(TProgramRecord& to, const void* data) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t tag = 0; tag < to.values.size(); ++tag) {
        float value;
        std::memcpy(&value, bytes + tag * sizeof(float), sizeof value);
        to.values[tag] = value;
    }
    const char* name = reinterpret_cast<const char*>(bytes + offsetof(TProgram, name));
    to.name.store(std::string_view(name, strnlen(name, TSharedProgramName::BYTES - 1)));
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
TProgramRecord& APlugin::chunkProgramFor(bool isPreset) {
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
    if (!chunkBufferFor(isPreset) || !data || byteSize < CHUNK_BYTES) return 1;
    readChunk(chunkProgramFor(isPreset), data);
    setProgram(curProgram.load(std::memory_order_relaxed));
    return 1;
}
