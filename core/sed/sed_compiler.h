#pragma once

#include "core/sed/sed_io.h"
#include "core/sed/sed_program.h"

#include <string>
#include <string_view>
#include <vector>

namespace hevtools::sed {

// Compiles script texts, one after the other, into one program. Every error is reported to
// the sink and raises termination_by_exit with status 2.
class compiler {
public:
    compiler(error_sink& errors, file_opener& files);

    void set_global(bool global) { global_ = global; }
    // Off: a command that reads or writes a named file is a compile error.
    void set_file_commands(bool on) { file_commands_ = on; }
    // One script text: an -e argument byte for byte, or a file or stream with CR LF read as LF.
    void compile(std::string_view script);
    // Checks blocks and resolves labels; the compiler is spent afterwards.
    program finish();

private:
    struct label {
        std::string name;
        std::size_t target = static_cast<std::size_t>(-1);
        std::vector<std::size_t> referrers;
    };

    [[noreturn]] void fail(const std::string& message);
    void require_file_commands();
    bool compile_command(); // false when the line is done
    void skip_blanks();
    bool at_end() const { return pos_ >= line_.size(); }
    char peek() const { return at_end() ? '\0' : line_[pos_]; }
    bool parse_address(address& out, bool second);
    void comment();
    // A label or file name: blanks before it skipped, up to ";", "#" or the end of the line.
    std::string read_name();
    std::size_t label_entry(const std::string& name);
    std::string read_text();
    int w_channel(const std::string& name);
    void parse_substitution(command& cmd);
    void parse_translation(command& cmd);
    std::shared_ptr<const regex> regex_or_fail(std::size_t& pos, char delimiter, const std::string& garbled);
    bool finish_line(); // trailing text after a command

    error_sink& errors_;
    file_opener& files_;
    program program_;
    bool global_ = false;
    bool file_commands_ = true;
    bool seen_comment_ = false;
    std::string line_;
    std::size_t pos_ = 0;
    std::shared_ptr<const regex> last_regex_;
    std::shared_ptr<const replacement> last_replacement_;
    std::size_t line_numbers_ = 0;
    std::size_t relative_ranges_ = 0;
    std::vector<label> labels_;
    std::vector<std::size_t> blocks_;
};

// The text with each CR that directly precedes an LF removed.
std::string without_cr_before_lf(std::string_view text);

}
