// Stands in for the program in form-greetings mode: records its parameters beside the
// greetings file (".argv", one a line) and follows the script beside it (".script", words
// separated by blanks):
//   fifo=<path>  first reads the named pipe to its end, so a test decides when it goes on
//   bodies=<n>   writes the first n greetings bodies (default 3)
//   exit=<code>  the exit status (default 0)
//   kill         ends by SIGKILL after writing
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3 || std::string(argv[1]) != "-FormGreetingsEditMode")
        return 64;
    std::string greetings = argv[2];
    {
        std::ofstream record(greetings + ".argv", std::ios::binary | std::ios::trunc);
        for (int i = 1; i < argc; ++i)
            record << argv[i] << '\n';
    }
    int bodies = 3;
    int code = 0;
    bool kill_self = false;
    std::ifstream script(greetings + ".script");
    std::string word;
    while (script >> word) {
        if (word.rfind("fifo=", 0) == 0) {
            std::ifstream fifo(word.substr(5), std::ios::binary);
            std::string ignored((std::istreambuf_iterator<char>(fifo)), std::istreambuf_iterator<char>());
        } else if (word.rfind("bodies=", 0) == 0) {
            bodies = std::stoi(word.substr(7));
        } else if (word.rfind("exit=", 0) == 0) {
            code = std::stoi(word.substr(5));
        } else if (word == "kill") {
            kill_self = true;
        }
    }
    std::filesystem::path greetings_path(greetings);
    auto message_files = greetings_path.parent_path() / (greetings_path.stem().string() + "_files") / "Message_Files";
    std::filesystem::create_directories(message_files);
    const char* names[] = {"Message_Body.htm", "Message_Body-AOL.htm", "Message_Body.txt"};
    for (int i = 0; i < bodies && i < 3; ++i) {
        std::ofstream body(message_files / names[i], std::ios::binary | std::ios::trunc);
        body << "greetings " << i << " <a href=\"@@REDIRECTORER_NAME@@\">form</a>";
    }
    if (kill_self)
        std::raise(SIGKILL);
    return code;
}
