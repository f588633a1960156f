// A fresh folder under the temporary folder, removed with all it holds.
#pragma once

#include <filesystem>
#include <random>
#include <string>

struct scratchdir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("morva-test-" + std::to_string(std::random_device{}()));
    scratchdir() { std::filesystem::create_directories(path); }
    ~scratchdir() { std::filesystem::remove_all(path); }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
};
