// The editor's functions stay short enough to read at one go: none runs past
// 80 lines, from its signature to its closing brace. The sources are
// clang-formatted, so a definition starts at column 0 and its body ends with
// the first "}" at column 0.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int LONGEST_FUNCTION = 80;

struct FunctionSpan {
    std::string signature;  // the first line of the definition
    int firstLine;
    int lines;
};

bool startsAtColumnZero(const std::string& line) {
    if (line.empty()) return false;
    const char c = line.front();
    return c != ' ' && c != '\t' && c != '#' && c != '/' && c != '}' && c != '{';
}

// The text up to a line comment, without trailing blanks.
std::string codeOf(const std::string& line) {
    std::string code = line.substr(0, line.find("//"));
    while (!code.empty() && (code.back() == ' ' || code.back() == '\t' || code.back() == '\r')) code.pop_back();
    return code;
}

// Every function defined at column 0 of a source: a line there that holds a
// "(" begins a signature; a "{" ending a line opens its body (a ";" first
// makes it a declaration); the body ends at the next line starting with "}".
std::vector<FunctionSpan> functionsOf(std::istream& source) {
    std::vector<FunctionSpan> found;
    FunctionSpan open{};
    enum { outside, signature, body } state = outside;
    int number = 0;
    for (std::string line; std::getline(source, line);) {
        ++number;
        const std::string code = codeOf(line);
        if (state == outside && startsAtColumnZero(line) && code.find('(') != std::string::npos) {
            open = {line, number, 0};
            state = signature;
        }
        if (state == signature) {
            if (code.ends_with(';')) {
                state = outside;
            } else if (code.ends_with('}') && code.find('{') != std::string::npos && number == open.firstLine) {
                found.push_back({open.signature, open.firstLine, 1});  // all on one line
                state = outside;
            } else if (code.ends_with('{')) {
                state = body;
            }
            continue;
        }
        if (state == body && line.starts_with("}")) {
            found.push_back({open.signature, open.firstLine, number - open.firstLine + 1});
            state = outside;
        }
    }
    return found;
}

std::vector<FunctionSpan> functionsOf(const std::string& text) {
    std::istringstream source(text);
    return functionsOf(source);
}

std::string lines(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line + "\n";
    return text;
}

TEST(FunctionLength, TheScannerFindsEachDefinitionAndItsLength) {
    const struct {
        std::string text;
        std::vector<int> lengths;
        const char* why;
    } cases[] = {
        {"void uEditor::idle() {\n" + lines(3, "    step();") + "}\n", {5}, "signature to closing brace"},
        {"int32 uEditor::onKeyUp(const VstKeyCode&, CFrame*) { return -1; }\n", {1}, "all on one line"},
        {"void uEditor::createKnob(TKnob*& ctl, int tag, int x,\n                         int y) {\n    make();\n}\n",
         {4}, "a signature over two lines counts from its first"},
        {"uEditor::uEditor(AudioEffect* effect)\n    : AEffGUIEditor(effect) {\n    open();\n}\n", {4},
         "a constructor with its initialisers"},
        {"void declared(int a,\n              int b);\nvoid defined() {\n}\n", {2}, "a declaration is no definition"},
        {"const std::array<int, 2> TABLE{{\n    {1, 2},\n}};\nvoid after() {\n    if (x) {\n    }\n}\n", {4},
         "a data table and a brace inside the body are passed over"},
        {"namespace {\nint helper(int v) {\n    return v;\n}\n}  // namespace\n", {3}, "inside an anonymous namespace"},
    };
    for (const auto& c : cases) {
        std::vector<int> found;
        for (const FunctionSpan& span : functionsOf(c.text)) found.push_back(span.lines);
        EXPECT_EQ(found, c.lengths) << c.why;
    }
}

TEST(FunctionLength, NoEditorFunctionRunsPastEightyLines) {
    const fs::path folder = fs::path(KOLBRI_SOURCE_DIR) / "editor";
    ASSERT_TRUE(fs::exists(folder)) << "the tree was not found";
    int scanned = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".cpp") continue;
        std::ifstream file(entry.path());
        for (const FunctionSpan& span : functionsOf(file)) {
            ++scanned;
            if (span.lines > LONGEST_FUNCTION)
                ADD_FAILURE() << "editor/" << entry.path().filename().string() << ":" << span.firstLine << ": "
                              << span.lines << " lines: " << span.signature
                              << "\n  split it into named steps of at most " << LONGEST_FUNCTION << " lines";
        }
    }
    EXPECT_GT(scanned, 100) << "the editor's functions were not found";
}

}  // namespace
