#pragma once

#include <string>
#include <vector>

namespace shell {

// What the program's command line asks for. Switches start with "-"; everything else is a
// plain parameter.
struct CommandLine {
    enum class ShellCommand { file_new, file_open };

    int edit_mode = 0;                 // 0 ordinary, 1 form greetings, 2 click-to customize
    std::string file_name;             // the file to open; empty for a new document
    std::string result_path;           // from "-t<path>"
    std::string redirector_path;       // the plain parameter after "-RedirectorerPath"
    bool remove_redirect_link = false; // "-RemoveInsRedirectLnk"
    bool show_splash = true;
    ShellCommand shell_command = ShellCommand::file_new;

    // Parameters that were not used, each with the reason, for the caller to report.
    std::vector<std::string> ignored;
};

inline constexpr const char* form_greetings_switch = "FormGreetingsEditMode";
inline constexpr const char* clickto_customize_switch = "ClicktoCustomizeEditMode";
inline constexpr const char* redirector_path_switch = "RedirectorerPath";
inline constexpr const char* remove_redirect_switch = "RemoveInsRedirectLnk";

// Parses the parameters after the program name. Pure: the pending-redirector state lives
// in this one call.
CommandLine parse_command_line(const std::vector<std::string>& arguments);

// True for a plain parameter that names a web address ("http://", "https://", "www.",
// without regard to case); such parameters are dropped.
bool looks_like_web_address(const std::string& parameter);

// The parameters of the child copies the program starts. A path the parser would read
// as a switch or a web address is passed as "./<path>", which names the same file.
// Throws std::invalid_argument for an empty file path.
std::vector<std::string> clickto_customize_arguments(const std::string& result_path, const std::string& page_file);
std::vector<std::string> form_greetings_arguments(const std::string& greetings_file,
    const std::string& redirector_path, bool remove_redirect_link);

}
