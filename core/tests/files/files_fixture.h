#pragma once

#include "core/util/program_environment.h"
#include "platform/testing/temporary_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

// A program environment whose temporary root, data and resources folders lie in a fresh
// temporary folder.
class ProgramFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = core::current_program_environment();
        auto environment = saved_;
        environment.temp_root = root.file("tmp");
        environment.data_folder = root.file("data");
        environment.resources_folder = root.file("share");
        environment.executable = root.file("bin/talverin");
        for (const char* folder : {"tmp", "data", "share", "share/talverin", "bin"})
            ::mkdir(root.file(folder).c_str(), 0700);
        core::install_program_environment(environment);
    }
    void TearDown() override { core::install_program_environment(saved_); }

    static void write_file(const std::string& path, const std::string& content)
    {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string read_file(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static bool present(const std::string& path)
    {
        struct stat info {};
        return ::lstat(path.c_str(), &info) == 0;
    }

    platform::testing::temporary_folder root;

private:
    core::program_environment saved_;
};
