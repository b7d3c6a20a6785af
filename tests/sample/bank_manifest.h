// The generator's manifest of the built-in bank (one row per sample: its
// name, what it is, its frames, whether it loops and its fundamental, 0 for
// the untuned ones), read by the tests that check the bank and its playback.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct ManifestRow {
    int index;
    std::string name, kind;
    int frames;
    bool loop;
    double f0;
    double pitchFactor = 1.0;
};

inline std::vector<ManifestRow> readManifest() {
    std::ifstream in(KOLBRI_SAMPLE_MANIFEST);
    std::vector<ManifestRow> rows;
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        ManifestRow row;
        std::string cell;
        std::getline(fields, cell, '\t');
        row.index = std::stoi(cell);
        std::getline(fields, row.name, '\t');
        std::getline(fields, row.kind, '\t');
        std::getline(fields, cell, '\t');
        row.frames = std::stoi(cell);
        std::getline(fields, cell, '\t');
        row.loop = cell == "1";
        std::getline(fields, cell, '\t');
        row.f0 = std::stod(cell);
        if (std::getline(fields, cell, '\t')) row.pitchFactor = std::stod(cell);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace
