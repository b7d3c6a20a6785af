// Program files (.fxp) as hosts load them: a plug-in whose state is its
// parameters gets every value through setParameter, one whose programs are
// chunks gets the chunk; both between effBeginSetProgram and effEndSetProgram.
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/testhost/TestHost.h"

namespace testhost {

namespace {

constexpr std::size_t HEADER_BYTES = 56;  // magic, size, kind, version, id, version, count, 28-byte name

std::uint32_t bigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

bool loadProgramFile(Plugin& plugin, const std::string& path, std::string& name, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() < HEADER_BYTES || std::memcmp(bytes.data(), "CcnK", 4) != 0) {
        error = path + " is not a program file";
        return false;
    }
    const unsigned char* kind = bytes.data() + 8;
    const bool isChunk = std::memcmp(kind, "FPCh", 4) == 0;
    if (!isChunk && std::memcmp(kind, "FxCk", 4) != 0) {
        error = path + " holds a bank or an unknown kind of program";
        return false;
    }
    if (static_cast<vst::int32>(bigEndian32(bytes.data() + 16)) != plugin.effect()->uniqueID) {
        error = path + " is a program of another plug-in";
        return false;
    }
    name.assign(reinterpret_cast<const char*>(bytes.data() + 28), 28);
    name.resize(std::strlen(name.c_str()));
    const std::size_t count = bigEndian32(bytes.data() + 24);
    if (isChunk) {
        const std::size_t size = bytes.size() >= HEADER_BYTES + 4 ? bigEndian32(bytes.data() + HEADER_BYTES) : 0;
        if (bytes.size() < HEADER_BYTES + 4 || size > bytes.size() - HEADER_BYTES - 4) {
            error = path + " ends inside its chunk";
            return false;
        }
        std::vector<unsigned char> chunk(bytes.begin() + HEADER_BYTES + 4, bytes.begin() + static_cast<long>(HEADER_BYTES + 4 + size));
        plugin.dispatch(vst::effBeginSetProgram);
        plugin.dispatch(vst::effSetChunk, 1, static_cast<vst::intptr>(chunk.size()), chunk.data());
        plugin.dispatch(vst::effEndSetProgram);
        return true;
    }
    if (count != static_cast<std::size_t>(plugin.effect()->numParams) || bytes.size() < HEADER_BYTES + 4 * count) {
        error = path + " holds " + std::to_string(count) + " parameters, the plug-in has " +
                std::to_string(plugin.effect()->numParams);
        return false;
    }
    plugin.dispatch(vst::effBeginSetProgram);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t bits = bigEndian32(bytes.data() + HEADER_BYTES + 4 * i);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        plugin.setParameter(static_cast<int>(i), value);
    }
    plugin.dispatch(vst::effEndSetProgram);
    return true;
}

}  // namespace testhost
