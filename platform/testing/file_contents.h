#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace platform::testing {

// The whole content of a file; empty when it cannot be read.
inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Writes the text as the file's whole content, making its folder first.
inline void write_file(const std::string& path, const std::string& text)
{
    auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder);
    std::ofstream(path, std::ios::binary) << text;
}

}
