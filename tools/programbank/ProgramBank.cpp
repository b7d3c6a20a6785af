#include "tools/programbank/ProgramBank.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "engine/ParameterText.h"
#include "engine/ParameterTable.h"
#include "engine/dsp/ParameterTags.h"
#include "plugin/StringTables.h"

namespace programbank {

namespace {

// Which string table gives the steps of each stepped tag their names, as the
// plug-in displays them.
std::vector<std::string> stepTextsOf(int tag, const TParameterAttributes& attr) {
    auto all = [](const auto& table) { return std::vector<std::string>(table.begin(), table.end()); };
    if (attr.isOnOff[tag]) return all(OFF_ON_STR);
    switch (tag) {
    case 5: return all(PLAY_MODE_STR);
    case 6: return all(PORT_MODE_STR);
    case 8:
    case 9: {
        std::vector<std::string> texts;
        for (const std::string& semitones : PITCH_BEND_STR)
            texts.push_back(semitones == "Off" ? semitones : semitones + " Semi");
        return texts;
    }
    case 10: return all(SOURCE_MODE_STR);
    case 19: return all(SAMPLE_STR);
    case 27: return all(FILTER_MODE_STR);
    case 32: return all(FILTER_DISTORT_TYPE_STR);
    case 39:
    case 61: return all(LFO_WAVE_STR);
    case 54: return all(PAN_MOVE_MODE_STR);
    case 62: return all(LFO_MODE_STR);
    case 75: return all(FX_PATH_STR);
    case 82: return all(MOD_FX_MODE_STR);
    case 125: return all(RIBBON_SPRING_TIME_STR);
    case 126: return all(RIBBON_QUANT_STR);
    case 244: return all(SAMPLE_LOOP_MODE_STR);
    case 958: return all(MOVE_SNAP_STR);
    default: break;
    }
    if (attr.paramType[tag] == 13) return all(SRC_STR);
    if (attr.paramType[tag] == 14) return all(DEST_STR);
    return {};
}

std::array<TTagInfo, PARAMETER_COUNT> buildTagInfo() {
    auto attr = std::make_unique<TParameterAttributes>();
    auto values = std::make_unique<TParameterValues>();
    initParameterModel(*attr, *values);
    std::array<TTagInfo, PARAMETER_COUNT> info;
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
        TTagInfo& t = info[static_cast<std::size_t>(tag)];
        t.name = attr->paramName[tag];
        t.defaultValue = attr->defaultValue[tag];
        t.steppedNum = attr->isOnOff[tag] ? 2 : attr->steppedNum[tag];
        t.steppedRange = attr->steppedRange[tag];
        if (t.steppedNum > 0 || attr->isOnOff[tag]) {
            t.stepTexts = stepTextsOf(tag, *attr);
            if (t.stepTexts.size() > static_cast<std::size_t>(t.steppedNum)) t.stepTexts.resize(t.steppedNum);
        }
    }
    return info;
}

bool isOnOffTexts(const TTagInfo& info) {
    return info.stepTexts.size() == 2 && info.stepTexts[0] == OFF_ON_STR[0] && info.stepTexts[1] == OFF_ON_STR[1];
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// Names end up as the host's program names and the plug-in compares them
// byte for byte with what it reads back from parameters 208..235, so only
// characters that the parameter text keeps unchanged may appear.
bool isNameCharacter(char c) {
    if (c < 32 || c > 126) return false;
    return std::strchr(":?|<>\"*/\\[]", c) == nullptr;
}

const std::map<std::string, int>& tagsByName() {
    static const std::map<std::string, int> byName = [] {
        std::map<std::string, int> names;
        std::set<std::string> repeated;
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
            const std::string& name = tagInfo()[static_cast<std::size_t>(tag)].name;
            if (!names.emplace(name, tag).second) repeated.insert(name);
        }
        // A name that several tags share can only be given by tag number.
        for (const std::string& name : repeated) names.erase(name);
        return names;
    }();
    return byName;
}

bool parseNumber(std::string_view text, float& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    double parsed = 0;
    const auto [stop, fault] = std::from_chars(text.data(), end, parsed);
    if (fault != std::errc() || stop != end || !std::isfinite(parsed)) return false;
    value = static_cast<float>(parsed);
    return true;
}

bool parseTag(std::string_view text, int& tag) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) return false;
    const char* end = text.data() + text.size();
    const auto [stop, fault] = std::from_chars(text.data(), end, tag);
    return fault == std::errc() && stop == end;
}

// The shortest number text that reads back as exactly this float.
std::string numberText(float value) {
    char text[32];
    for (int digits = 4; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        float back = 0;
        if (parseNumber(text, back) && back == value) break;
    }
    return text;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

float bigEndianFloat(const std::uint8_t* p) {
    const std::uint32_t bits = bigEndian32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

constexpr std::size_t CHUNK_VALUES_BYTES = PARAMETER_COUNT * sizeof(float);
constexpr std::size_t CHUNK_BYTES = sizeof(TProgram);
constexpr std::size_t FXP_HEADER_BYTES = 56;  // magic, size, kind, version, id, version, count, 28-byte name

std::string boundedText(const std::uint8_t* p, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < limit && p[i] != 0; ++i) text += static_cast<char>(p[i]);
    return text;
}

std::string nameFromValues(const TValues& values) {
    std::string name;
    for (int i = 0; i < PRESET_NAME_SLOTS; ++i) {
        const float v = values[static_cast<std::size_t>(PRESET_NAME_PARAM + i)];
        const int code = std::isfinite(v) ? static_cast<int>(std::clamp(v, 0.0f, 1.0f) * 255.99 + 0.1) : 0;
        if (code == 0 || code > 127) break;
        name += static_cast<char>(code);
    }
    return name;
}

constexpr std::string_view AUDITION_KEY = "Audition";

bool parseAudition(std::string_view text, std::vector<TAuditionNote>& notes) {
    std::vector<float> numbers;
    while (!(text = trimmed(text)).empty()) {
        const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
        float number = 0;
        if (!parseNumber(text.substr(0, end), number)) return false;
        numbers.push_back(number);
        text.remove_prefix(end);
    }
    if (numbers.empty() || numbers.size() % 2 != 0) return false;
    std::vector<TAuditionNote> parsed;
    for (std::size_t i = 0; i < numbers.size(); i += 2) {
        const float note = numbers[i], seconds = numbers[i + 1];
        if (note < 0 || note > 127 || note != std::floor(note) || seconds < 0.01f || seconds > 30.0f) return false;
        parsed.push_back({static_cast<int>(note), seconds});
    }
    notes = std::move(parsed);
    return true;
}

bool isNameTag(int tag) { return tag >= PRESET_NAME_PARAM && tag < PRESET_NAME_PARAM + PRESET_NAME_SLOTS; }

// The values of the Mod FX mode that a value of "Mod FX Mode" picks (its
// step, as the editor reads the mode, held to MOD_FX_DEFAULTS), put into
// values but for the tags in kept.
void putModeValues(TValues& values, float modeValue, const std::set<int>& kept = {}) {
    const TTagInfo& info = tagInfo()[tag::MOD_FX_MODE];
    const int step = steppedValueOf(modeValue, info.steppedRange, info.steppedNum);
    const auto& row = MOD_FX_DEFAULTS[static_cast<std::size_t>(std::clamp(step, 0, MOD_FX_MODE_COUNT - 1))];
    for (std::size_t i = 0; i < MOD_FX_MEMORY_TAGS.size(); ++i)
        if (!kept.count(MOD_FX_MEMORY_TAGS[i])) values[static_cast<std::size_t>(MOD_FX_MEMORY_TAGS[i])] = row[i];
}

// What a program's text starts from before its own values: every default,
// and, when it names a Mod FX mode, that mode's values, as the editor sets
// them when the mode is picked. A program that left them out would otherwise
// keep the defaults of another mode (in the Flanger and the Ensemble, a
// "Mod FX 5" of 1 is a feedback that never dies away).
TValues startingValues(std::optional<float> modeValue) {
    TValues values{};
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        values[static_cast<std::size_t>(tag)] = tagInfo()[static_cast<std::size_t>(tag)].defaultValue;
    if (modeValue) putModeValues(values, *modeValue);
    return values;
}

}  // namespace

const std::array<TTagInfo, PARAMETER_COUNT>& tagInfo() {
    static const std::array<TTagInfo, PARAMETER_COUNT> info = buildTagInfo();
    return info;
}

float steppedValue(const TTagInfo& info, int step) {
    if (isOnOffTexts(info)) return step > 0 ? 1.0f : 0.0f;
    return static_cast<float>((step + 0.1f) / info.steppedRange);
}

bool nameBefore(std::string_view a, std::string_view b) { return lowered(a) < lowered(b); }

bool readBankText(std::string_view text, std::string_view fileName, std::vector<TProgramText>& programs,
                  std::string& error) {
    int lineNumber = 0;
    std::set<int> given;  // tags set by the program being read
    auto fail = [&](const std::string& message) {
        error = std::string(fileName) + ":" + std::to_string(lineNumber) + ": " + message;
        return false;
    };
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        line = trimmed(line);
        if (line.empty() || line.front() == '#') continue;

        if (line.front() == '[') {
            if (line.back() != ']') return fail("a program's header is its name in brackets: [Name]");
            const std::string_view name = line.substr(1, line.size() - 2);
            if (name.empty() || name != trimmed(name)) return fail("a program name neither is empty nor starts or ends with a space");
            if (name.size() > NAME_LIMIT)
                return fail("the name \"" + std::string(name) + "\" is longer than " + std::to_string(NAME_LIMIT) +
                            " characters");
            for (char c : name)
                if (!isNameCharacter(c))
                    return fail("the name \"" + std::string(name) + "\" holds the character '" + std::string(1, c) +
                                "', which a program name cannot keep");
            TProgramText program;
            program.name = std::string(name);
            program.origin = std::string(fileName) + ":" + std::to_string(lineNumber);
            program.values = startingValues(std::nullopt);
            spellParameterText(program.name, std::span(program.values).subspan(PRESET_NAME_PARAM, PRESET_NAME_SLOTS));
            programs.push_back(std::move(program));
            given.clear();
            continue;
        }

        if (programs.empty()) return fail("a value before the first program's [Name]");
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return fail("expected \"Parameter Name = value\"");
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view valueText = trimmed(line.substr(equals + 1));

        if (key == AUDITION_KEY) {
            if (!parseAudition(valueText, programs.back().audition))
                return fail("an audition is pairs of a note (0..127) and the seconds it is held (0.01..30)");
            continue;
        }
        int tag = -1;
        if (parseTag(key, tag)) {
            if (!isValidParameterTag(tag)) return fail("no parameter has the tag " + std::string(key));
        } else {
            const auto found = tagsByName().find(std::string(key));
            if (found == tagsByName().end()) return fail("no parameter is called \"" + std::string(key) + "\"");
            tag = found->second;
        }
        if (isNameTag(tag)) return fail("parameters 208..235 hold the program's name, which its header gives");
        if (!given.insert(tag).second)
            return fail("\"" + std::string(key) + "\" is set twice in \"" + programs.back().name + "\"");

        const TTagInfo& info = tagInfo()[static_cast<std::size_t>(tag)];
        float value = 0;
        if (valueText.size() >= 2 && valueText.front() == '"' && valueText.back() == '"') {
            const std::string_view wanted = valueText.substr(1, valueText.size() - 2);
            const auto step = std::find(info.stepTexts.begin(), info.stepTexts.end(), wanted);
            if (info.stepTexts.empty()) return fail("\"" + info.name + "\" takes a number in 0..1, not a text");
            if (step == info.stepTexts.end())
                return fail("\"" + info.name + "\" has no step called \"" + std::string(wanted) + "\"");
            value = steppedValue(info, static_cast<int>(step - info.stepTexts.begin()));
        } else {
            if (!parseNumber(valueText, value))
                return fail("\"" + std::string(valueText) + "\" is neither a number nor a quoted step name");
            if (value < 0.0f || value > 1.0f)
                return fail("the value " + std::string(valueText) + " of \"" + info.name + "\" is outside 0..1");
        }
        TValues& values = programs.back().values;
        values[static_cast<std::size_t>(tag)] = value;
        // The mode's values go in first, wherever the line stands; the
        // program's own values of them stand over them.
        if (tag == tag::MOD_FX_MODE) putModeValues(values, value, given);
    }
    return true;
}

bool checkBank(const std::vector<TProgramText>& programs, std::string& error) {
    if (programs.size() != static_cast<std::size_t>(BANK_SIZE)) {
        error = "the bank holds " + std::to_string(programs.size()) + " programs; it must hold " +
                std::to_string(BANK_SIZE);
        return false;
    }
    std::set<std::string> seen;
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const TProgramText& p = programs[i];
        if (!seen.insert(lowered(p.name)).second) {
            error = p.origin + ": the name \"" + p.name + "\" is given twice (names differ by more than their case)";
            return false;
        }
        if (i > 0 && !nameBefore(programs[i - 1].name, p.name)) {
            error = p.origin + ": \"" + p.name + "\" is out of order: it must come before \"" + programs[i - 1].name +
                    "\" (the names are sorted without regard to case)";
            return false;
        }
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
            const float v = p.values[static_cast<std::size_t>(tag)];
            if (!(v >= 0.0f && v <= 1.0f)) {
                error = p.origin + ": parameter " + std::to_string(tag) + " of \"" + p.name + "\" is outside 0..1";
                return false;
            }
        }
    }
    const TProgramText& plain = programs[DEFAULT_PROGRAM_INDEX];
    if (plain.name != DEFAULT_PROGRAM_NAME) {
        error = "program " + std::to_string(DEFAULT_PROGRAM_INDEX) + " is \"" + plain.name + "\"; it must be \"" +
                std::string(DEFAULT_PROGRAM_NAME) + "\"";
        return false;
    }
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        if (!isNameTag(tag) && plain.values[static_cast<std::size_t>(tag)] != tagInfo()[static_cast<std::size_t>(tag)].defaultValue) {
            error = plain.origin + ": \"" + plain.name + "\" is the plain start sound: \"" +
                    tagInfo()[static_cast<std::size_t>(tag)].name + "\" must keep its default";
            return false;
        }
    return true;
}

std::string dumpProgram(std::string_view name, std::span<const float> values) {
    std::string text = "[";
    text.append(name).append("]\n");
    // A mode that differs from the default is written, so reading the text
    // starts from that mode's values: what differs from those is written.
    const auto valueOf = [&values](int tag) {
        return static_cast<std::size_t>(tag) < values.size() ? values[static_cast<std::size_t>(tag)] : 0.0f;
    };
    const bool namesMode = valueOf(tag::MOD_FX_MODE) != tagInfo()[tag::MOD_FX_MODE].defaultValue;
    const TValues start = startingValues(namesMode ? std::optional(valueOf(tag::MOD_FX_MODE)) : std::nullopt);
    for (int tag = 0; tag < PARAMETER_COUNT && static_cast<std::size_t>(tag) < values.size(); ++tag) {
        const TTagInfo& info = tagInfo()[static_cast<std::size_t>(tag)];
        const float v = values[static_cast<std::size_t>(tag)];
        if (isNameTag(tag) || v == start[static_cast<std::size_t>(tag)]) continue;
        const bool nameIsUnique = tagsByName().count(info.name) > 0;
        std::string line = (nameIsUnique ? info.name : std::to_string(tag)) + " = ";
        std::string valueText = numberText(v);
        for (std::size_t step = 0; step < info.stepTexts.size(); ++step) {
            const std::string& stepText = info.stepTexts[step];
            // Only a text that names its step alone reads back to the same value.
            const bool unique = std::count(info.stepTexts.begin(), info.stepTexts.end(), stepText) == 1;
            if (unique && steppedValue(info, static_cast<int>(step)) == v) valueText = "\"" + stepText + "\"";
        }
        text += line + valueText + "\n";
    }
    return text;
}

std::string generatedSource(const std::vector<TProgramText>& programs) {
    std::string out =
        "// Generated at build time by tools/programbank from plugin/programs/; edit the\n"
        "// text there, not this file.\n"
        "#include \"plugin/BuiltinPrograms.h\"\n\n"
        "#include \"engine/ParameterModel.h\"\n\n"
        "namespace {\n\n";
    out += "constexpr std::string_view BUILTIN_PROGRAM_NAMES[BUILTIN_PROGRAM_COUNT] = {\n";
    for (const TProgramText& p : programs) out.append("    \"").append(p.name).append("\",\n");
    out += "};\n\n";
    out += "// Every tag's value of each program, in bank order.\n";
    out += "constexpr float DEMOVAR[BUILTIN_PROGRAM_COUNT][PARAMETER_COUNT] = {\n";
    for (const TProgramText& p : programs) {
        out.append("    // ").append(p.name).append("\n    {");
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
            if (tag % 16 == 0) out += "\n     ";
            const float v = p.values[static_cast<std::size_t>(tag)];
            std::string literal = numberText(v);
            if (literal.find_first_of(".e") == std::string::npos) literal += ".0";
            out.append(" ").append(v == 0.0f ? std::string("0") : literal + "f").append(",");
        }
        out += "\n    },\n";
    }
    out += "};\n\n";
    out += "std::size_t indexOf(int program) {\n"
           "    return static_cast<unsigned>(program) < unsigned{BUILTIN_PROGRAM_COUNT} ? static_cast<std::size_t>(program) : 0;\n"
           "}\n\n"
           "}  // namespace\n\n"
           "std::span<const float> builtinProgramValues(int program) { return DEMOVAR[indexOf(program)]; }\n\n"
           "std::string_view builtinProgramName(int program) { return BUILTIN_PROGRAM_NAMES[indexOf(program)]; }\n";
    return out;
}

std::vector<std::uint8_t> programFile(std::string_view name, std::span<const float> values) {
    const std::uint32_t count = PARAMETER_COUNT;
    std::vector<std::uint8_t> bytes(FXP_HEADER_BYTES + 4 * count, 0);
    std::size_t at = 0;
    auto put32 = [&bytes, &at](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes[at++] = static_cast<std::uint8_t>(v >> shift);
    };
    auto putTag = [&put32](const char* four) {
        put32((std::uint32_t{static_cast<std::uint8_t>(four[0])} << 24) | (std::uint32_t{static_cast<std::uint8_t>(four[1])} << 16) |
              (std::uint32_t{static_cast<std::uint8_t>(four[2])} << 8) | static_cast<std::uint8_t>(four[3]));
    };
    putTag("CcnK");
    put32(static_cast<std::uint32_t>(bytes.size() - 8));  // the bytes after this field
    putTag("FxCk");
    put32(1);        // format version
    putTag("klbr");  // the plug-in's unique ID
    put32(1);        // its version
    put32(count);
    std::memcpy(bytes.data() + at, name.data(), std::min<std::size_t>(name.size(), 27));
    at += 28;
    for (std::uint32_t tag = 0; tag < count; ++tag) {
        std::uint32_t bits = 0;
        const float v = tag < values.size() ? values[tag] : 0.0f;
        std::memcpy(&bits, &v, sizeof bits);
        put32(bits);
    }
    return bytes;
}

bool readSavedState(std::span<const std::uint8_t> bytes, TValues& values, std::string& name, std::string& error) {
    std::string fileName;
    std::span<const std::uint8_t> chunk;
    // A chunk of 0 bytes is a broken file, not a program of zeros.
    bool holdsChunk = true;
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "CcnK", 4) == 0) {
        if (bytes.size() < FXP_HEADER_BYTES) {
            error = "the program file ends inside its header";
            return false;
        }
        const std::uint8_t* kind = bytes.data() + 8;
        fileName = boundedText(bytes.data() + 28, 28);
        if (std::memcmp(kind, "FPCh", 4) == 0) {
            if (bytes.size() < FXP_HEADER_BYTES + 4) {
                error = "the program file ends before its chunk's size";
                return false;
            }
            const std::uint32_t size = bigEndian32(bytes.data() + FXP_HEADER_BYTES);
            if (size > bytes.size() - FXP_HEADER_BYTES - 4) {
                error = "the program file's chunk is longer than the file";
                return false;
            }
            chunk = bytes.subspan(FXP_HEADER_BYTES + 4, size);
        } else if (std::memcmp(kind, "FxCk", 4) == 0) {
            holdsChunk = false;
            const std::uint32_t count = bigEndian32(bytes.data() + 24);
            if (count != PARAMETER_COUNT || bytes.size() < FXP_HEADER_BYTES + CHUNK_VALUES_BYTES) {
                error = "the program file does not hold " + std::to_string(PARAMETER_COUNT) + " parameters";
                return false;
            }
            for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
                values[static_cast<std::size_t>(tag)] = bigEndianFloat(bytes.data() + FXP_HEADER_BYTES + 4 * tag);
        } else {
            error = "a bank file or an unknown kind of program file; save a single program";
            return false;
        }
    } else {
        chunk = bytes;
    }
    if (holdsChunk) {
        if (chunk.size() != CHUNK_BYTES && chunk.size() != CHUNK_VALUES_BYTES) {
            error = "a saved state of " + std::to_string(chunk.size()) + " bytes; the plug-in's holds " +
                    std::to_string(CHUNK_BYTES);
            return false;
        }
        std::memcpy(values.data(), chunk.data(), CHUNK_VALUES_BYTES);
        if (chunk.size() == CHUNK_BYTES) fileName = boundedText(chunk.data() + CHUNK_VALUES_BYTES, CHUNK_BYTES - CHUNK_VALUES_BYTES);
    }
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
        const float v = values[static_cast<std::size_t>(tag)];
        if (!(v >= 0.0f && v <= 1.0f)) {
            error = "parameter " + std::to_string(tag) + " holds " + numberText(v) + ", outside 0..1: not a state of this plug-in";
            return false;
        }
    }
    name = nameFromValues(values);
    if (name.empty()) name = fileName;
    std::string kept;
    for (char c : name)
        if (isNameCharacter(c) && kept.size() < NAME_LIMIT) kept += c;
    name = std::string(trimmed(kept));
    if (name.empty()) name = "Untitled";
    return true;
}

}  // namespace programbank
