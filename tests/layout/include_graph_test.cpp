// The folders' include graph as the sources have it: no circle between
// folders, and no include up from the layers that must not know the plug-in
// (the toolkit, the engine and its units, the binary interface).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// The folder a path of the tree belongs to: engine's sub-folders count on their own.
std::string folderOf(const std::string& relative) {
    const auto slash = relative.find('/');
    if (slash == std::string::npos) return "";
    const std::string top = relative.substr(0, slash);
    if (top == "engine") {
        const auto second = relative.find('/', slash + 1);
        if (second != std::string::npos) return relative.substr(0, second);
    }
    return top;
}

using Graph = std::map<std::string, std::set<std::string>>;

Graph includeGraph() {
    const fs::path root = KOLBRI_SOURCE_DIR;
    const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
    Graph graph;
    for (const char* top : {"vst", "platform", "toolkit", "engine", "plugin", "controls", "editor"}) {
        if (!fs::exists(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
            const std::string from = folderOf(fs::relative(entry.path(), root).generic_string());
            graph[from];
            std::ifstream file(entry.path());
            std::smatch match;
            for (std::string line; std::getline(file, line);) {
                if (!std::regex_search(line, match, include)) continue;
                const std::string to = folderOf(match[1].str());
                if (!to.empty() && to != from && fs::exists(root / match[1].str())) graph[from].insert(to);
            }
        }
    }
    return graph;
}

TEST(IncludeGraph, NoCircleBetweenFolders) {
    const Graph graph = includeGraph();
    ASSERT_TRUE(graph.count("engine") && graph.count("plugin")) << "the tree was not found";
    std::map<std::string, int> state;  // 1 on the path, 2 done
    std::string circle;
    const std::function<bool(const std::string&)> visit = [&](const std::string& folder) {
        state[folder] = 1;
        for (const std::string& next : graph.at(folder)) {
            if (!graph.count(next)) continue;
            if (state[next] == 1 || (state[next] == 0 && visit(next))) {
                circle = folder + " -> " + next + (circle.empty() ? "" : ", " + circle);
                return true;
            }
        }
        state[folder] = 2;
        return false;
    };
    for (const auto& [folder, edges] : graph) {
        if (state[folder] == 0) {
            EXPECT_FALSE(visit(folder)) << circle;
        }
    }
}

TEST(IncludeGraph, LowerLayersKnowNothingAbove) {
    const Graph graph = includeGraph();
    const struct {
        const char* from;
        const char* to;
        const char* why;
    } forbidden[] = {
        {"vst", "plugin", "the binary interface and its base layers stand alone"},
        {"platform", "toolkit", "the platform services lie below the toolkit; their drawing shorthands live there"},
        {"toolkit", "plugin", "the toolkit knows the binary interface only"},
        {"toolkit", "engine", "the toolkit knows the binary interface only"},
        {"engine", "plugin", "the engine knows nothing of the plug-in around it"},
        {"engine/dsp", "engine", "DSP units know nothing above them"},
        {"engine/dsp", "plugin", "DSP units know nothing above them"},
        {"engine/fx", "engine", "effect units are plain units"},
        {"engine/fx", "plugin", "effect units are plain units"},
        {"engine/sample", "plugin", "the sample players know nothing of the plug-in"},
        {"engine", "vst", "the engine has its own MIDI event; the plug-in turns the host's into it"},
        {"engine/dsp", "vst", "DSP units know nothing of the host"},
        {"engine/fx", "vst", "effect units know nothing of the host"},
        {"engine/sample", "vst", "the sample players know nothing of the host"},
    };
    for (const auto& rule : forbidden) {
        const auto found = graph.find(rule.from);
        if (found == graph.end()) continue;
        EXPECT_FALSE(found->second.count(rule.to)) << rule.from << " includes " << rule.to << ": " << rule.why;
    }
}

}  // namespace
