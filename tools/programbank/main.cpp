// programbank: turns the built-in programs' text into the plug-in's table, and
// a program back into that text.
//
//   programbank generate OUT.cpp BANK.txt...   check the bank and write its table
//   programbank dump STATE                     a saved state (chunk or .fxp) as text
//   programbank dump --bank N BANK.txt...      program N (or NAME) of the bank as text
//   programbank args N BANK.txt...             program N (or NAME) as vsthost --param options
//   programbank fxp N|NAME OUT.fxp BANK.txt... program N (or the one of that name) as a program file
//   programbank audition N BANK.txt...         its name, its audition as vsthost --note
//                                              options at 48 kHz, and the seconds they last
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/programbank/ProgramBank.h"

namespace {

using programbank::TProgramText;

bool readFile(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int complain(const std::string& message) {
    std::fprintf(stderr, "programbank: %s\n", message.c_str());
    return 1;
}

bool readBank(int argc, char** argv, int first, std::vector<TProgramText>& programs, std::string& error) {
    for (int i = first; i < argc; ++i) {
        std::string text;
        if (!readFile(argv[i], text)) {
            error = std::string("cannot read ") + argv[i];
            return false;
        }
        if (!programbank::readBankText(text, argv[i], programs, error)) return false;
    }
    return programbank::checkBank(programs, error);
}

bool parseIndex(const char* text, int& index) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!end || *end != '\0' || value < 0 || value >= programbank::BANK_SIZE) return false;
    index = static_cast<int>(value);
    return true;
}

// The program argv[selector] names, by number or by name, from the bank in
// argv[firstBank...]; complains and gives nothing when there is none.
std::optional<TProgramText> oneProgram(int argc, char** argv, int selector, int firstBank, const char* usage) {
    if (argc <= firstBank) {
        complain(usage);
        return std::nullopt;
    }
    std::vector<TProgramText> programs;
    std::string error;
    if (!readBank(argc, argv, firstBank, programs, error)) {
        complain(error);
        return std::nullopt;
    }
    int index = -1;
    if (!parseIndex(argv[selector], index))
        for (std::size_t n = 0; n < programs.size(); ++n)
            if (programs[n].name == argv[selector]) index = static_cast<int>(n);
    if (index < 0) {
        complain(std::string("no program is numbered or called ") + argv[selector]);
        return std::nullopt;
    }
    return programs[static_cast<std::size_t>(index)];
}

int generate(int argc, char** argv) {
    if (argc < 4) return complain("usage: programbank generate OUT.cpp BANK.txt...");
    std::vector<TProgramText> programs;
    std::string error;
    if (!readBank(argc, argv, 3, programs, error)) return complain(error);
    const std::string source = programbank::generatedSource(programs);
    // Written only when it changes, so an edit of a comment rebuilds nothing.
    std::string previous;
    if (readFile(argv[2], previous) && previous == source) return 0;
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << source;
    out.close();
    if (!out) return complain(std::string("cannot write ") + argv[2]);
    return 0;
}

int dump(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[2]) == "--bank") {
        const auto p = oneProgram(argc, argv, 3, 4, "usage: programbank dump --bank N|NAME BANK.txt...");
        if (!p) return 1;
        std::fputs(programbank::dumpProgram(p->name, p->values).c_str(), stdout);
        return 0;
    }
    if (argc != 3) return complain("usage: programbank dump STATE | programbank dump --bank N BANK.txt...");
    std::string bytes;
    if (!readFile(argv[2], bytes)) return complain(std::string("cannot read ") + argv[2]);
    programbank::TValues values{};
    std::string name, error;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!programbank::readSavedState(std::span(data, bytes.size()), values, name, error))
        return complain(std::string(argv[2]) + ": " + error);
    std::fputs(programbank::dumpProgram(name, values).c_str(), stdout);
    return 0;
}

int args(int argc, char** argv) {
    const auto p = oneProgram(argc, argv, 2, 3, "usage: programbank args N|NAME BANK.txt...");
    if (!p) return 1;
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
        const float v = p->values[static_cast<std::size_t>(tag)];
        if (v != programbank::tagInfo()[static_cast<std::size_t>(tag)].defaultValue)
            std::printf(" --param 0:%d:%.9g", tag, static_cast<double>(v));
    }
    std::printf("\n");
    return 0;
}

int programFile(int argc, char** argv) {
    const auto p = oneProgram(argc, argv, 2, 4, "usage: programbank fxp N|NAME OUT.fxp BANK.txt...");
    if (!p) return 1;
    const std::vector<std::uint8_t> bytes = programbank::programFile(p->name, p->values);
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return complain(std::string("cannot write ") + argv[3]);
    return 0;
}

int audition(int argc, char** argv) {
    const auto found = oneProgram(argc, argv, 2, 3, "usage: programbank audition N|NAME BANK.txt...");
    if (!found) return 1;
    const TProgramText& p = *found;
    constexpr double RATE = 48000;
    double start = 0;
    std::string notes;
    for (const programbank::TAuditionNote& n : p.audition) {
        char option[96];
        std::snprintf(option, sizeof option, " --note %ld:%d:100:%ld", std::lround(start * RATE), n.note,
                      std::lround(n.seconds * RATE));
        notes += option;
        start += n.seconds;
    }
    std::printf("%s\t%s\t%.3f\n", p.name.c_str(), notes.c_str() + 1, start);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "generate") return generate(argc, argv);
    if (command == "dump") return dump(argc, argv);
    if (command == "args") return args(argc, argv);
    if (command == "audition") return audition(argc, argv);
    if (command == "fxp") return programFile(argc, argv);
    return complain(
        "usage:\n"
        "  programbank generate OUT.cpp BANK.txt...\n"
        "  programbank dump STATE                  (a chunk or .fxp a host saved)\n"
        "  programbank dump --bank N BANK.txt...\n"
        "  programbank args N BANK.txt...          (vsthost --param options)\n"
        "  programbank audition N BANK.txt...      (name, vsthost --note options, seconds)\n"
        "  programbank fxp N|NAME OUT.fxp BANK.txt...");
}
