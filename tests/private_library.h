// A copy of the plug-in's bundle whose library this process has never
// loaded. The library stays loaded once a process has opened it, and its
// process-wide state goes on from instance to instance (the white-noise
// table's generator, the start of the per-note random values); the dynamic
// loader tells libraries apart by their file, so a copy is a library of its
// own, in the state a host meets at its first load whatever ran before in
// this process. Its resources (images, sample bank) are the built bundle's.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "test_environment.h"

class PrivateLibrary {
public:
    explicit PrivateLibrary(const std::string& original = KOLBRI_SO_PATH) {
        namespace fs = std::filesystem;
        root = test_environment::makeTemporaryFolder("library");
        const fs::path built(original);
        const fs::path contents = fs::path(root) / "Kolbri.vst" / "Contents";
        const fs::path copy = contents / built.parent_path().filename() / built.filename();
        std::error_code error;
        const fs::path resources = fs::canonical(built.parent_path() / ".." / "Resources", error);
        if (!error) fs::create_directories(copy.parent_path(), error);
        if (!error) fs::create_directory_symlink(resources, contents / "Resources", error);
        if (!error) fs::copy_file(built, copy, error);
        if (!error) path = copy.string();
    }
    // The loaded copy stays mapped after its file is gone.
    ~PrivateLibrary() {
        std::error_code ignored;
        if (!root.empty()) std::filesystem::remove_all(root, ignored);
    }
    PrivateLibrary(const PrivateLibrary&) = delete;
    PrivateLibrary& operator=(const PrivateLibrary&) = delete;

    // Empty when the copy could not be made.
    std::string path;

private:
    std::string root;
};
