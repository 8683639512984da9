// A child program for the process tests: what it was given and what it holds.
//   process_probe report ARGS...  prints cwd=, fds=, stdin= and one arg= line per argument
//   process_probe exit N          exits with N
//   process_probe flood BYTES     writes BYTES bytes to stdout and stderr in turn, then "END"
//   process_probe signal N        raises signal N
//   process_probe pause           waits for a signal
//   process_probe echo            copies stdin to stdout line by line, "err" to stderr, then "fds=" on stderr
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 100;
    std::string mode = argv[1];
    if (mode == "exit" && argc > 2)
        return std::atoi(argv[2]);
    if (mode == "signal" && argc > 2) {
        std::signal(std::atoi(argv[2]), SIG_DFL);
        std::raise(std::atoi(argv[2]));
        return 101;
    }
    if (mode == "pause") {
        pause();
        return 103;
    }
    if (mode == "flood" && argc > 2) {
        long total = std::atol(argv[2]);
        std::string chunk(4096, 'x');
        for (long written = 0; written < total; written += static_cast<long>(chunk.size())) {
            std::fwrite(chunk.data(), 1, chunk.size(), written % 8192 ? stderr : stdout);
            std::fflush(nullptr);
        }
        std::fputs("END", stdout);
        return 0;
    }
    if (mode == "echo") {
        std::fputs("err\n", stderr);
        char line[4096];
        while (std::fgets(line, sizeof line, stdin)) {
            std::fputs(line, stdout);
            std::fflush(stdout);
        }
        std::fprintf(stderr, "fds=%d\n", fcntl(3, F_GETFD) == -1 ? 3 : 4);
        return 0;
    }
    if (mode == "report") {
        char cwd[4096];
        std::printf("cwd=%s\n", getcwd(cwd, sizeof cwd) ? cwd : "?");
        std::string fds;
        if (DIR* folder = opendir("/proc/self/fd")) {
            int own = dirfd(folder);
            while (dirent* entry = readdir(folder)) {
                if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own)
                    continue;
                fds += fds.empty() ? "" : ",";
                fds += entry->d_name;
            }
            closedir(folder);
        }
        std::printf("fds=%s\n", fds.c_str());
        char byte;
        auto got = read(0, &byte, 1);
        std::printf("stdin=%s\n", got == 0 ? "eof" : "data");
        for (int i = 2; i < argc; ++i)
            std::printf("arg=%s\n", argv[i]);
        return 0;
    }
    return 102;
}
