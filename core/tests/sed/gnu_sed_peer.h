#pragma once

// Runs GNU sed as a separate program (LC_ALL=C, stdin and stdout on files) in a folder of
// its own, so the differential test and the benchmark can compare its output with ours.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace sed_test {

struct peer_outcome {
    int status = -1; // exit status, -1 when it could not be started or did not exit
    std::string output;
    std::map<std::string, std::string> files;
};

inline std::string read_whole_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void write_whole_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Starts "sed" with the arguments in folder; stdin from input_path, stdout to output_path.
inline int spawn_gnu_sed(const std::vector<std::string>& arguments, const std::string& folder,
    const std::string& input_path, const std::string& output_path)
{
    std::vector<std::string> argv_text {"sed"};
    argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : argv_text)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::string path = "PATH=";
    if (const char* p = std::getenv("PATH"))
        path += p;
    std::string locale = "LC_ALL=C";
    // Allocator settings of the caller (the benchmark sets some) apply to the peer too.
    std::string tunables = "GLIBC_TUNABLES=";
    if (const char* t = std::getenv("GLIBC_TUNABLES"))
        tunables += t;
    std::vector<char*> env {path.data(), locale.data(), tunables.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input_path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    int started = posix_spawnp(&pid, "sed", &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int wait_status = 0;
    if (waitpid(pid, &wait_status, 0) != pid || !WIFEXITED(wait_status))
        return -1;
    return WEXITSTATUS(wait_status);
}

// Runs GNU sed over input with the given files present in folder; reads back the named files.
inline peer_outcome run_gnu_sed(const std::string& folder, const std::vector<std::string>& arguments,
    const std::string& input, const std::map<std::string, std::string>& files,
    const std::vector<std::string>& wanted_files)
{
    std::string input_path = folder + "/.peer-input";
    std::string output_path = folder + "/.peer-output";
    write_whole_file(input_path, input);
    for (const auto& [name, text] : files)
        write_whole_file(folder + "/" + name, text);
    for (const auto& name : wanted_files)
        ::unlink((folder + "/" + name).c_str());
    peer_outcome result;
    result.status = spawn_gnu_sed(arguments, folder, input_path, output_path);
    result.output = read_whole_file(output_path);
    for (const auto& name : wanted_files)
        result.files[name] = read_whole_file(folder + "/" + name);
    return result;
}

// The first line of "sed --version", empty when sed cannot be run.
inline std::string gnu_sed_version(const std::string& folder)
{
    std::string input_path = folder + "/.peer-input";
    std::string output_path = folder + "/.peer-version";
    write_whole_file(input_path, "");
    if (spawn_gnu_sed({"--version"}, folder, input_path, output_path) != 0)
        return {};
    std::string text = read_whole_file(output_path);
    return text.substr(0, text.find('\n'));
}

}
