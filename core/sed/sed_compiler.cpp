#include "core/sed/sed_compiler.h"

#include "core/sed/sed_limits.h"

#include <ostream>

namespace hevtools::sed {

namespace {

constexpr std::size_t no_target = static_cast<std::size_t>(-1);

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

// The next script line: up to an unescaped line end; a backslash and the byte after it stay
// together, so a backslash before a line end joins the lines.
bool next_script_line(std::string_view script, std::size_t& at, std::string& line)
{
    if (at >= script.size())
        return false;
    std::size_t start = at;
    while (at < script.size() && script[at] != '\n') {
        if (script[at] == '\\' && at + 1 < script.size())
            ++at;
        ++at;
    }
    line.assign(script.substr(start, at - start));
    if (at < script.size())
        ++at; // the line end
    return true;
}

command_code code_of(char letter, bool& known)
{
    known = true;
    switch (letter) {
    case ':': return command_code::label;
    case '=': return command_code::line_number;
    case 'a': return command_code::append;
    case 'b': return command_code::branch;
    case 'c': return command_code::change;
    case 'd': return command_code::del;
    case 'D': return command_code::delete_first;
    case 'g': return command_code::get;
    case 'G': return command_code::get_append;
    case 'h': return command_code::hold;
    case 'H': return command_code::hold_append;
    case 'i': return command_code::insert;
    case 'l': return command_code::list;
    case 'n': return command_code::next;
    case 'N': return command_code::next_append;
    case 'p': return command_code::print;
    case 'P': return command_code::print_first;
    case 'q': return command_code::quit;
    case 'r': return command_code::read_file;
    case 's': return command_code::substitute;
    case 't': return command_code::test;
    case 'T': return command_code::test_not;
    case 'w': return command_code::write;
    case 'W': return command_code::write_first;
    case 'x': return command_code::exchange;
    case 'y': return command_code::translate;
    case '{': return command_code::block;
    default: known = false; return command_code::label;
    }
}

}

std::string without_cr_before_lf(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out.push_back(text[i]);
    }
    return out;
}

compiler::compiler(error_sink& errors, file_opener& files) : errors_(errors), files_(files)
{
    labels_.push_back(label {"", 0, {}}); // entry 0: the end of the script
}

void compiler::fail(const std::string& message)
{
    errors_.message(message);
    throw termination_by_exit(2);
}

void compiler::compile(std::string_view script)
{
    std::size_t at = 0;
    bool go_on = false;
    for (;;) {
        if (!go_on) {
            if (!next_script_line(script, at, line_))
                return;
            pos_ = 0;
        }
        go_on = compile_command();
    }
}

void compiler::skip_blanks()
{
    while (!at_end() && is_blank(line_[pos_]))
        ++pos_;
}

void compiler::comment()
{
    // "#n" as the first comment switches automatic printing off.
    if (!seen_comment_ && pos_ + 1 < line_.size() && line_[pos_ + 1] == 'n')
        program_.no_autoprint = true;
    seen_comment_ = true;
    pos_ = line_.size();
}

bool compiler::finish_line()
{
    skip_blanks();
    if (at_end())
        return false;
    if (line_[pos_] == ';') {
        ++pos_;
        return true;
    }
    if (line_[pos_] == '#') {
        comment();
        return false;
    }
    fail("sed: trailing garbage was found in the command: " + line_);
}

std::shared_ptr<const regex> compiler::regex_or_fail(std::size_t& pos, char delimiter, const std::string& garbled)
{
    regex_parse parsed = parse_regex(line_, pos, delimiter);
    switch (parsed.status) {
    case regex_status::ok:
        last_regex_ = parsed.compiled;
        return parsed.compiled;
    case regex_status::reuse_last:
        if (!last_regex_)
            fail(garbled + line_);
        return last_regex_;
    case regex_status::range_error:
        fail("sed: range error in set " + line_);
    case regex_status::bad_escape:
        fail("sed: bad expression " + parsed.bad_text);
    case regex_status::garbled:
        break;
    }
    fail(garbled + line_);
}

bool compiler::parse_address(address& out, bool second)
{
    char c = peek();
    if (c == '$') {
        ++pos_;
        out.kind = address_kind::last;
        return true;
    }
    if (c == '/' || c == '\\') {
        char delimiter = '/';
        ++pos_;
        if (c == '\\') {
            if (at_end() || line_[pos_] == '\n')
                fail("sed: garbled address " + line_);
            delimiter = line_[pos_++];
        }
        out.kind = address_kind::regex;
        out.re = regex_or_fail(pos_, delimiter, "sed: garbled address ");
        return true;
    }
    bool relative = second && c == '+';
    if (relative) {
        ++pos_;
        c = peek();
        if (c < '0' || c > '9')
            fail("sed: garbled address " + line_);
    }
    if (c < '0' || c > '9')
        return false;
    std::uint64_t value = 0;
    while (!at_end() && line_[pos_] >= '0' && line_[pos_] <= '9') {
        value = value * 10 + static_cast<std::uint64_t>(line_[pos_] - '0');
        if (value > 0xFFFFFFFFu)
            fail("sed: garbled address " + line_);
        ++pos_;
    }
    if (value == 0 && !relative)
        return false; // line 0 is no address
    if (++line_numbers_ > limits::max_line_numbers)
        fail("sed: too many line numbers " + line_);
    if (relative && ++relative_ranges_ > limits::max_relative_ranges)
        fail("sed: too many line numbers " + line_);
    out.kind = relative ? address_kind::relative : address_kind::line;
    out.line = static_cast<std::uint32_t>(value);
    return true;
}

std::string compiler::read_name()
{
    skip_blanks();
    std::size_t start = pos_;
    while (!at_end() && line_[pos_] != ';' && line_[pos_] != '#')
        ++pos_;
    return line_.substr(start, pos_ - start);
}

std::size_t compiler::label_entry(const std::string& name)
{
    if (name.empty())
        return 0;
    for (std::size_t i = 1; i < labels_.size(); ++i)
        if (labels_[i].name == name)
            return i;
    if (labels_.size() - 1 >= limits::max_labels)
        fail("sed: too many labels: " + line_);
    labels_.push_back(label {name, no_target, {}});
    return labels_.size() - 1;
}

std::string compiler::read_text()
{
    if (pos_ + 1 < line_.size() && line_[pos_] == '\\' && line_[pos_ + 1] == '\n')
        pos_ += 2;
    skip_blanks();
    std::string text;
    while (!at_end()) {
        char c = line_[pos_];
        if (c != '\\') {
            text.push_back(c);
            ++pos_;
            continue;
        }
        std::size_t backslash = pos_++;
        if (at_end())
            break; // a lone backslash at the very end
        if (line_[pos_] == '\n') {
            text.push_back('\n');
            ++pos_;
            skip_blanks();
            continue;
        }
        unsigned char byte = 0;
        if (!decode_escape(line_, pos_, byte))
            fail("sed: bad expression " + line_.substr(backslash));
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

void compiler::require_file_commands()
{
    if (!file_commands_)
        fail("sed: file commands are switched off " + line_);
}

int compiler::w_channel(const std::string& name)
{
    if (name.empty())
        return 0;
    require_file_commands();
    for (std::size_t i = 0; i < program_.w_names.size(); ++i)
        if (program_.w_names[i] == name)
            return static_cast<int>(i) + 1;
    if (program_.w_names.size() >= limits::max_w_files)
        fail("sed: too many w files " + line_);
    auto stream = files_.create_for_writing(name);
    if (!stream)
        fail("sed: cannot create " + name);
    program_.w_names.push_back(name);
    program_.w_streams.push_back(std::move(stream));
    return static_cast<int>(program_.w_names.size());
}

void compiler::parse_substitution(command& cmd)
{
    const std::string garbled = "sed: garbled command ";
    if (at_end() || line_[pos_] == '\\' || line_[pos_] == '\n')
        fail(garbled + line_);
    char delimiter = line_[pos_++];
    auto re = regex_or_fail(pos_, delimiter, garbled);

    std::shared_ptr<const replacement> with;
    if (pos_ + 1 < line_.size() && line_[pos_] == '%' && line_[pos_ + 1] == delimiter && last_replacement_) {
        with = last_replacement_;
        pos_ += 2;
    } else {
        auto parts = std::make_shared<replacement>();
        auto literal = [&](char c) {
            if (parts->empty() || parts->back().reference)
                parts->push_back(replacement_part {});
            parts->back().text.push_back(c);
        };
        for (;;) {
            if (at_end())
                fail(garbled + line_);
            char c = line_[pos_];
            if (c == delimiter) {
                ++pos_;
                break;
            }
            if (c == '&') {
                parts->push_back(replacement_part {true, 0, {}});
                ++pos_;
                continue;
            }
            if (c != '\\') {
                literal(c);
                ++pos_;
                continue;
            }
            std::size_t backslash = pos_++;
            if (at_end())
                fail(garbled + line_);
            char d = line_[pos_];
            if (d >= '1' && d <= '9') {
                if (d - '0' > re->groups)
                    fail(garbled + line_);
                parts->push_back(replacement_part {true, d - '0', {}});
                ++pos_;
            } else if (d == delimiter || d == '\n' || d == '&') {
                literal(d);
                ++pos_;
            } else {
                unsigned char byte = 0;
                if (!decode_escape(line_, pos_, byte))
                    fail("sed: bad expression " + line_.substr(backslash));
                literal(static_cast<char>(byte));
            }
        }
        with = parts;
    }
    last_replacement_ = with;
    cmd.arg = substitution_argument {re, with};
    cmd.global = global_;

    for (;;) {
        skip_blanks();
        char c = peek();
        if (c >= '0' && c <= '9') {
            std::uint64_t value = 0;
            while (!at_end() && line_[pos_] >= '0' && line_[pos_] <= '9') {
                if (value <= limits::max_match_count)
                    value = value * 10 + static_cast<std::uint64_t>(line_[pos_] - '0');
                ++pos_;
            }
            if (value == 0 || value > limits::max_match_count)
                fail("sed: bad value for match count on s command " + line_);
            cmd.match_count = static_cast<std::uint32_t>(value);
        } else if (c == 'g') {
            cmd.global = true;
            ++pos_;
        } else if (c == 'p') {
            cmd.print = print_mode::all;
            ++pos_;
        } else if (c == 'P') {
            cmd.print = print_mode::first_line;
            ++pos_;
        } else if (c == 'w') {
            ++pos_;
            cmd.output = w_channel(read_name());
            break;
        } else {
            break;
        }
    }
}

void compiler::parse_translation(command& cmd)
{
    const std::string garbled = "sed: garbled command ";
    if (at_end() || line_[pos_] == '\\' || line_[pos_] == '\n')
        fail(garbled + line_);
    char delimiter = line_[pos_++];
    auto part = [&]() {
        std::string out;
        for (;;) {
            if (at_end() || line_[pos_] == '\n')
                fail(garbled + line_);
            char c = line_[pos_];
            if (c == delimiter) {
                ++pos_;
                return out;
            }
            if (c != '\\') {
                out.push_back(c);
                ++pos_;
                continue;
            }
            std::size_t backslash = pos_++;
            if (at_end())
                fail(garbled + line_);
            if (line_[pos_] == delimiter) {
                out.push_back(delimiter);
                ++pos_;
                continue;
            }
            unsigned char byte = 0;
            if (!decode_escape(line_, pos_, byte))
                fail("sed: bad expression " + line_.substr(backslash));
            out.push_back(static_cast<char>(byte));
        }
    };
    std::string from = part();
    std::string to = part();
    if (from.size() != to.size())
        fail(garbled + line_);
    translation_argument table;
    for (unsigned i = 0; i < 256; ++i)
        table.table[i] = static_cast<unsigned char>(i);
    for (std::size_t i = 0; i < from.size(); ++i)
        table.table[static_cast<unsigned char>(from[i])] = static_cast<unsigned char>(to[i]);
    cmd.arg = table;
}

bool compiler::compile_command()
{
    skip_blanks();
    if (at_end())
        return false;
    if (line_[pos_] == '#') {
        comment();
        return false;
    }
    if (line_[pos_] == ';') {
        ++pos_;
        return true;
    }

    command cmd;
    int addresses = 0;
    if (parse_address(cmd.first, false)) {
        addresses = 1;
        if (!at_end() && (line_[pos_] == ',' || line_[pos_] == ';')) {
            ++pos_;
            if (!parse_address(cmd.second, true))
                fail("sed: garbled address " + line_);
            addresses = 2;
        }
    }
    skip_blanks();
    if (!at_end() && line_[pos_] == '!') {
        cmd.negate = true;
        ++pos_;
        skip_blanks();
    }
    char letter = peek();
    bool known = false;
    command_code code = code_of(letter, known);
    if (at_end() || !known) {
        if (letter != '}' || at_end())
            fail("sed: no such command as " + line_);
    }
    ++pos_;

    if (letter == '}') {
        if (addresses > 0 || cmd.negate)
            fail("sed: no addresses allowed for " + line_);
        if (blocks_.empty())
            fail("sed: too many }'s " + line_);
        std::size_t open = blocks_.back();
        blocks_.pop_back();
        program_.commands[open].arg = branch_argument {program_.commands.size()};
        return finish_line();
    }
    cmd.code = code;
    switch (code) {
    case command_code::label: {
        if (addresses > 0)
            fail("sed: no addresses allowed for " + line_);
        std::string name = read_name();
        std::size_t entry = label_entry(name);
        if (entry == 0 || labels_[entry].target != no_target)
            fail("sed: duplicate label " + line_);
        labels_[entry].target = program_.commands.size();
        return finish_line();
    }
    case command_code::line_number:
    case command_code::quit:
        if (addresses > 1)
            fail("sed: only one address allowed for " + line_);
        break;
    case command_code::append:
    case command_code::insert:
        if (addresses > 1)
            fail("sed: only one address allowed for " + line_);
        cmd.arg = text_argument {read_text()};
        break;
    case command_code::change:
        cmd.arg = text_argument {read_text()};
        break;
    case command_code::read_file:
        if (addresses > 1)
            fail("sed: only one address allowed for " + line_);
        if (pos_ + 1 < line_.size() && line_[pos_] == '\\' && line_[pos_ + 1] == '\n')
            pos_ += 2;
        require_file_commands();
        cmd.arg = file_argument {read_name()};
        break;
    case command_code::branch:
    case command_code::test:
    case command_code::test_not: {
        std::size_t entry = label_entry(read_name());
        labels_[entry].referrers.push_back(program_.commands.size());
        cmd.arg = branch_argument {0};
        break;
    }
    case command_code::substitute:
        parse_substitution(cmd);
        break;
    case command_code::translate:
        parse_translation(cmd);
        break;
    case command_code::list:
        if (peek() == 'w') {
            ++pos_;
            cmd.output = w_channel(read_name());
        }
        break;
    case command_code::write:
    case command_code::write_first:
        cmd.output = w_channel(read_name());
        break;
    case command_code::block:
        cmd.negate = !cmd.negate; // runs when its address does not select, to jump past the block
        blocks_.push_back(program_.commands.size());
        cmd.arg = branch_argument {0};
        break;
    default:
        break;
    }
    program_.commands.push_back(std::move(cmd));
    if (program_.commands.size() > limits::max_commands)
        fail("sed: too many commands, last was " + line_);
    if (code == command_code::block)
        return !at_end();
    return finish_line();
}

program compiler::finish()
{
    if (!blocks_.empty())
        fail("sed: too many {'s " + line_);
    for (std::size_t i = 1; i < labels_.size(); ++i) {
        const label& entry = labels_[i];
        if (entry.target == no_target)
            fail("sed: undefined label " + entry.name);
        if (entry.referrers.empty())
            errors_.message("sed: Label not used " + entry.name);
    }
    for (const label& entry : labels_) {
        std::size_t target = entry.target == no_target ? 0 : entry.target;
        if (&entry == &labels_[0])
            target = program_.commands.size();
        for (std::size_t referrer : entry.referrers)
            std::get<branch_argument>(program_.commands[referrer].arg).target = target;
    }
    return std::move(program_);
}

}
