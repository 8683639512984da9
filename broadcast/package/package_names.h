#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace broadcast {

// The command file every package holds.
inline constexpr std::string_view command_file_name = "command.txt";

// The names files get inside one package folder. Every name is taken once, whatever its
// case ("command.txt" is the command file's); a file placed again keeps its first name.
class package_names {
public:
    package_names();

    // The member name of a body, attachment or pull file: its file name without line
    // breaks, a long one shortened with the rename counter. A name another file holds gets
    // the counter too, except a pull file's, which bodies link by name: that throws
    // package_error (but for "command.txt"). `field` names the file's role in messages.
    std::string place_file(const std::string& source, std::string_view field, bool keep_name);
    // The member name of a local recipient list: its last 43 characters, each one other
    // than an ASCII letter, digit, "-", "_" or "." as "_", numbered when taken.
    std::string place_local_list(const std::string& source);

private:
    bool taken(const std::string& name) const;
    void take(const std::string& source, const std::string& name);

    unsigned rename_counter_ = 0;
    std::map<std::string, int> list_counts_;
    std::set<std::string> taken_;               // names folded to lower case
    std::map<std::string, std::string> placed_; // source path -> member name
};

// A name cut to at most `size` bytes without splitting a UTF-8 character.
std::string_view utf8_prefix(std::string_view text, std::size_t size);

}
