// Rendered pictures against the copies stored with the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "toolkit/showcase.h"

namespace kgui::test {

// A rendered picture against its stored copy, the file `stored` under the
// test data folder. With KOLBRI_UPDATE_GOLDEN set the rendered picture
// becomes the stored copy and nothing is compared; a missing copy is a test
// failure that says how to make it.
inline std::optional<ImageCompare> compareWithStored(const std::string& rendered, const std::string& stored) {
    const std::filesystem::path golden = std::filesystem::path(KOLBRI_TEST_DATA_DIR) / stored;
    if (std::getenv("KOLBRI_UPDATE_GOLDEN") != nullptr) {
        std::filesystem::create_directories(golden.parent_path());
        std::filesystem::copy_file(rendered, golden, std::filesystem::copy_options::overwrite_existing);
        return std::nullopt;
    }
    if (!std::filesystem::exists(golden)) {
        ADD_FAILURE() << golden << " is missing; run with KOLBRI_UPDATE_GOLDEN=1";
        return std::nullopt;
    }
    return compareImages(rendered, golden.string());
}

}  // namespace kgui::test
