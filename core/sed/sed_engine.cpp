#include "core/sed/sed_engine.h"

#include "core/sed/sed_compiler.h"

#include <cstring>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

namespace hevtools {

using namespace sed;

namespace {

constexpr std::size_t block_size = std::size_t(1) << 16;

// Reads lines from a stream buffer in blocks.
class line_reader {
public:
    explicit line_reader(std::istream* stream) : buffer_(stream ? stream->rdbuf() : nullptr), block_(block_size) { }

    // Reads the next line (without its line end) into or onto out; false at the end of input.
    bool read(std::string& out, bool append, bool& ended_with_newline, std::size_t limit, bool& too_long)
    {
        too_long = false;
        if (begin_ == end_ && !fill())
            return false;
        if (!append)
            out.clear();
        for (;;) {
            const char* start = block_.data() + begin_;
            const void* newline = std::memchr(start, '\n', end_ - begin_);
            std::size_t take = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - start) : end_ - begin_;
            if (out.size() + take > limit) {
                too_long = true;
                return true;
            }
            if (!newline && out.capacity() < out.size() + take + block_size) {
                // A long line: grow in few large steps, no further than the stream says is left.
                std::streamsize left = buffer_->in_avail();
                std::size_t step = std::max(4 * (out.size() + take), std::size_t(16) << 20);
                if (left > 0)
                    step = std::min(step, static_cast<std::size_t>(left));
                std::size_t want = out.size() + take + step;
                out.reserve(std::min(want, limit) + 1);
            }
            out.append(start, take);
            begin_ += take;
            if (newline) {
                ++begin_;
                ended_with_newline = true;
                return true;
            }
            if (!fill()) {
                ended_with_newline = false;
                return true;
            }
        }
    }

    bool exhausted() { return begin_ == end_ && !fill(); }

private:
    bool fill()
    {
        if (done_ || !buffer_)
            return false;
        std::streamsize got = 0;
        try {
            got = buffer_->sgetn(block_.data(), static_cast<std::streamsize>(block_.size()));
        } catch (...) {
            got = 0;
        }
        if (got <= 0) {
            done_ = true;
            return false;
        }
        begin_ = 0;
        end_ = static_cast<std::size_t>(got);
        return true;
    }

    std::streambuf* buffer_;
    std::vector<char> block_;
    std::size_t begin_ = 0, end_ = 0;
    bool done_ = false;
};

// One output stream, written in blocks. A line end owed by a last line without one is written
// before anything else goes to the stream.
struct channel {
    std::ostream* stream = nullptr;
    std::string name;
    std::string pending;
    bool owed_newline = false;

    void write(const char* data, std::size_t size)
    {
        if (owed_newline) {
            pending.push_back('\n');
            owed_newline = false;
        }
        if (size >= block_size) {
            // Large texts go straight to the stream instead of through a second copy.
            write_pending();
            if (stream)
                stream->write(data, static_cast<std::streamsize>(size));
            return;
        }
        pending.append(data, size);
        if (pending.size() >= block_size)
            write_pending();
    }
    void write(std::string_view text) { write(text.data(), text.size()); }
    void write_pending()
    {
        if (!pending.empty() && stream)
            stream->write(pending.data(), static_cast<std::streamsize>(pending.size()));
        pending.clear();
    }
    void flush()
    {
        write_pending();
        if (stream)
            stream->flush();
    }
};

struct range_state {
    bool active = false;
    std::uint32_t remaining = 0;
};

}

struct sed_engine::run_state {
    program prog;
    std::vector<channel> channels;
    std::vector<range_state> ranges;
    std::vector<const command*> appends;
    matcher match;
    std::string pattern, hold, result;
    std::uint32_t line_number = 0;
    bool no_autoprint = false;
    bool last_line = false;
    bool missing_newline = false; // the current last line had no line end
    bool substituted = false;
    bool quit = false;
    bool deleted = false, restart = false, jump = false;
    std::uint64_t branches = 0;
    std::optional<std::size_t> pending;
    std::size_t remaining_inputs = 0;
    std::size_t next_index = 0;
    line_reader* reader = nullptr;
};

namespace {

[[noreturn]] void fatal(error_sink& errors, const std::string& message)
{
    errors.message(message);
    throw termination_by_exit(2);
}

}

sed_engine::sed_engine() : sed_engine(engine_options {}) { }

sed_engine::sed_engine(engine_options options)
    : options_(options), input_(&std::cin), output_(&std::cout), run_(std::make_unique<run_state>())
{
    if (!options_.errors)
        options_.errors = &default_error_sink();
    if (!options_.files)
        options_.files = &default_file_opener();
}

sed_engine::~sed_engine() = default;

std::istream* sed_engine::input_stream() const { return input_; }
std::ostream* sed_engine::output_stream() const { return output_; }
void sed_engine::set_input_stream(std::istream* input) { input_ = input; }
void sed_engine::set_output_stream(std::ostream* output) { output_ = output; }

void sed_engine::finish()
{
    for (auto& ch : run_->channels)
        ch.flush();
    run_ = std::make_unique<run_state>();
}

int sed_engine::main(int argc, const char* const* argv)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc && argv; ++i)
        arguments.emplace_back(argv[i] ? argv[i] : "");
    return main(arguments);
}

int sed_engine::main(const std::vector<std::string>& args)
{
    error_sink& errors = *options_.errors;
    int status = 0;
    try {
        if (args.size() < 2) {
            errors.message("usage: sed [-n] [-g] [-e cmds] [-f cmdfile] files");
            throw termination_by_exit(1);
        }
        compiler compile(errors, *options_.files);
        compile.set_file_commands(options_.file_commands);
        bool no_autoprint = false;
        bool compiled = false;
        std::size_t i = 1;
        for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
            const std::string& arg = args[i];
            char letter = arg[1];
            switch (letter) {
            case 'n':
            case 'g':
                if (arg.size() > 2)
                    fatal(errors, "sed: error proccessing: " + arg);
                if (letter == 'n')
                    no_autoprint = true;
                else
                    compile.set_global(true);
                break;
            case 'e':
                if (arg.size() > 2) {
                    compile.compile(std::string_view(arg).substr(2));
                } else {
                    if (i + 1 >= args.size())
                        fatal(errors, "sed: no argument for -e");
                    compile.compile(args[++i]);
                }
                compiled = true;
                break;
            case 'f': {
                std::string name;
                if (arg.size() > 2) {
                    name = arg.substr(2);
                } else {
                    if (i + 1 >= args.size())
                        fatal(errors, "sed: no argument for -f");
                    name = args[++i];
                }
                auto file = options_.files->open_for_reading(name);
                if (!file)
                    fatal(errors, "sed: cannot open command-file " + name);
                std::string text((std::istreambuf_iterator<char>(*file)), std::istreambuf_iterator<char>());
                compile.compile(without_cr_before_lf(text));
                compiled = true;
                break;
            }
            case 's':
                if (!options_.script_stream) {
                    errors.message("sed: unknown flag s");
                    throw termination_by_exit(1);
                }
                if (arg.size() > 2)
                    fatal(errors, "sed: error proccessing: " + arg);
                {
                    std::string text((std::istreambuf_iterator<char>(*options_.script_stream)),
                        std::istreambuf_iterator<char>());
                    compile.compile(without_cr_before_lf(text));
                }
                compiled = true;
                break;
            default:
                errors.message(std::string("sed: unknown flag ") + letter);
                throw termination_by_exit(1);
            }
        }
        if (!compiled) {
            if (i >= args.size()) {
                errors.message("usage: sed [-n] [-g] [-e cmds] [-f cmdfile] files");
                throw termination_by_exit(1);
            }
            compile.compile(args[i++]);
        }
        run_state& run = *run_;
        run.prog = compile.finish();
        run.no_autoprint = no_autoprint || run.prog.no_autoprint;
        run.ranges.assign(run.prog.commands.size(), range_state {});
        run.channels.resize(run.prog.w_streams.size() + 1);
        run.channels[0].stream = output_;
        run.channels[0].name = "stdout";
        for (std::size_t w = 0; w < run.prog.w_streams.size(); ++w) {
            run.channels[w + 1].stream = run.prog.w_streams[w].get();
            run.channels[w + 1].name = run.prog.w_names[w];
        }

        if (i >= args.size()) {
            run.remaining_inputs = 0;
            execute(input_, "stdin");
        } else {
            for (; i < args.size() && !run.quit; ++i) {
                run.remaining_inputs = args.size() - i - 1;
                auto file = options_.files->open_for_reading(args[i]);
                execute(file.get(), args[i]);
            }
        }
        // A write that failed (a full disk, a closed stream) is an error, not a success.
        for (auto& ch : run.channels) {
            ch.flush();
            if (ch.stream && ch.stream->fail())
                fatal(errors, "sed: cannot write " + ch.name);
        }
    } catch (const termination_by_exit& end) {
        status = end.status();
    } catch (const std::bad_alloc&) {
        errors.message("sed: out of memory");
        status = 2;
    }
    try {
        finish();
    } catch (...) {
        if (status == 0)
            status = 2;
    }
    return status;
}

namespace {

bool is_printable(unsigned char c)
{
    return c >= 0x20 && c < 0x7f;
}

// The visible form that "l" writes: C escapes, a doubled backslash, "\xhh " for other bytes.
std::string listed(std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 1);
    for (unsigned char c : text) {
        switch (c) {
        case 7: out += "\\a"; break;
        case 8: out += "\\b"; break;
        case 9: out += "\\t"; break;
        case 10: out += "\\n"; break;
        case 11: out += "\\v"; break;
        case 12: out += "\\f"; break;
        case 13: out += "\\r"; break;
        case 27: out += "\\e"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (is_printable(c)) {
                out.push_back(static_cast<char>(c));
            } else {
                out += "\\x";
                out.push_back(hex[c >> 4]);
                out.push_back(hex[c & 15]);
                out.push_back(' ');
            }
        }
    }
    out.push_back('\n');
    return out;
}

class executor {
public:
    executor(sed_engine::run_state& run, const engine_options& options, line_reader& reader)
        : run_(run), options_(options), errors_(*options.errors), reader_(reader)
    {
    }

    void run_input()
    {
        const auto& commands = run_.prog.commands;
        for (;;) {
            std::optional<std::size_t> resume = run_.pending;
            run_.pending.reset();
            if (run_.restart && !resume) {
                // A cycle that D restarts without reading counts as a branch, so D loops end.
                count_branch();
            } else {
                if (!resume && !read_line(false))
                    return;
                run_.branches = 0;
            }
            run_.jump = run_.deleted = run_.restart = false;
            std::size_t index = resume ? *resume : 0;
            if (resume) {
                resume_read(commands[index]);
                index = run_.pending ? commands.size() : index + 1;
            }
            while (index < commands.size() && !run_.deleted && !run_.quit) {
                run_.next_index = index + 1;
                if (selects(index))
                    perform(index);
                index = next_after();
            }
            if (run_.pending)
                return;
            if (run_.quit)
                return;
            if (!run_.no_autoprint && !run_.deleted)
                write_space(out(), run_.pattern);
            flush_appends();
        }
    }

private:
    channel& out() { return run_.channels[0]; }

    std::size_t next_after()
    {
        if (!run_.jump)
            return run_.next_index;
        run_.jump = false;
        count_branch();
        return run_.next_index;
    }

    void count_branch()
    {
        if (++run_.branches >= options_.branch_limit)
            fatal(errors_, "sed: infinite branch loop at line " + std::to_string(run_.line_number));
    }

    void jump_to(std::size_t target)
    {
        run_.jump = true;
        run_.next_index = target;
    }

    bool read_line(bool append)
    {
        bool newline = false;
        bool too_long = false;
        std::size_t limit = options_.space_limit;
        if (append) {
            // Room for the line end that joins the lines.
            if (run_.pattern.size() >= limit)
                fatal(errors_, "sed: append too long after line " + std::to_string(run_.line_number));
            if (reader_.exhausted())
                return false;
            run_.pattern.push_back('\n');
        }
        if (!reader_.read(run_.pattern, append, newline, limit, too_long)) {
            return false;
        }
        ++run_.line_number;
        if (too_long)
            fatal(errors_, std::string(append ? "sed: append too long after line " : "sed: line too long at line ")
                    + std::to_string(run_.line_number));
        run_.last_line = run_.remaining_inputs == 0 && reader_.exhausted();
        run_.missing_newline = run_.last_line && !newline;
        return true;
    }

    void write_space(channel& ch, std::string_view text)
    {
        ch.write(text);
        if (run_.missing_newline)
            ch.owed_newline = true;
        else
            ch.write("\n", 1);
    }

    void write_first_line(channel& ch, std::string_view text)
    {
        std::size_t newline = text.find('\n');
        if (newline == std::string_view::npos) {
            write_space(ch, text);
            return;
        }
        ch.write(text.substr(0, newline + 1));
    }

    bool matches(const address& a)
    {
        switch (a.kind) {
        case address_kind::none: return false;
        case address_kind::last: return run_.last_line;
        case address_kind::line: return run_.line_number == a.line;
        case address_kind::relative: return false;
        case address_kind::regex:
            run_.match.begin(*a.re, run_.pattern);
            return run_.match.search(0, false);
        }
        return false;
    }

    bool selects(std::size_t index)
    {
        const command& cmd = run_.prog.commands[index];
        bool selected;
        if (cmd.first.kind == address_kind::none) {
            selected = true;
        } else if (cmd.second.kind == address_kind::none) {
            selected = matches(cmd.first);
        } else {
            range_state& range = run_.ranges[index];
            bool starting = false;
            if (!range.active && matches(cmd.first)) {
                range.active = true;
                range.remaining = cmd.second.line;
                starting = true;
            }
            selected = range.active;
            if (range.active) {
                switch (cmd.second.kind) {
                case address_kind::line:
                    if (run_.line_number >= cmd.second.line)
                        range.active = false;
                    break;
                case address_kind::relative:
                    if (!starting && range.remaining > 0)
                        --range.remaining;
                    if (range.remaining == 0)
                        range.active = false;
                    break;
                case address_kind::regex:
                    if (matches(cmd.second))
                        range.active = false;
                    break;
                case address_kind::last:
                    if (run_.last_line)
                        range.active = false;
                    break;
                case address_kind::none:
                    break;
                }
            }
        }
        return selected != cmd.negate;
    }

    void queue_append(const command& cmd, const char* what)
    {
        if (run_.appends.size() >= limits::max_appends)
            fatal(errors_, std::string("sed: too many ") + what + " after line " + std::to_string(run_.line_number));
        run_.appends.push_back(&cmd);
    }

    void flush_appends()
    {
        for (const command* cmd : run_.appends) {
            if (cmd->code == command_code::append) {
                const std::string& text = std::get<text_argument>(cmd->arg).text;
                out().write(text);
                out().write("\n", 1);
                continue;
            }
            const std::string& name = std::get<file_argument>(cmd->arg).name;
            for (auto& ch : run_.channels)
                ch.flush();
            auto file = options_.files->open_for_reading(name);
            if (!file)
                fatal(errors_, "sed: cannot open " + name);
            std::vector<char> block(block_size);
            for (;;) {
                std::streamsize got = file->rdbuf()->sgetn(block.data(), static_cast<std::streamsize>(block.size()));
                if (got <= 0)
                    break;
                out().write(block.data(), static_cast<std::size_t>(got));
            }
        }
        run_.appends.clear();
    }

    void grow_check(std::size_t size)
    {
        if (size > options_.space_limit)
            fatal(errors_, "sed: append too long after line " + std::to_string(run_.line_number));
    }

    // The reading half of n and N; also what a pending n or N does in the next input.
    void resume_read(const command& cmd)
    {
        bool append = cmd.code == command_code::next_append;
        if (read_line(append)) {
            run_.branches = 0;
            return;
        }
        run_.deleted = true;
        if (run_.remaining_inputs > 0)
            run_.pending = static_cast<std::size_t>(&cmd - run_.prog.commands.data());
    }

    void substitute(const command& cmd)
    {
        const auto& arg = std::get<substitution_argument>(cmd.arg);
        std::string& text = run_.pattern;
        matcher& m = run_.match;
        m.begin(*arg.re, text);
        if (!m.search(0, false)) {
            run_.substituted = false;
            return;
        }
        std::string& result = run_.result;
        result.clear();
        if (result.capacity() < text.size())
            result.reserve(text.size() + text.size() / 8);
        std::size_t copied = 0;
        bool replaced = false;
        auto replace = [&]() {
            result.append(text, copied, m.match_start() - copied);
            for (const replacement_part& part : *arg.with) {
                if (!part.reference)
                    result += part.text;
                else if (part.group == 0)
                    result.append(text, m.match_start(), m.match_end() - m.match_start());
                else
                    result += m.group(part.group);
            }
            copied = m.match_end();
            replaced = true;
            if (result.size() > options_.space_limit)
                fatal(errors_, "sed: line too long at line " + std::to_string(run_.line_number));
        };
        const std::uint32_t n = cmd.match_count;
        if (n <= 1)
            replace();
        if (n > 1 || cmd.global) {
            std::uint32_t number = 1;
            std::size_t previous_end = m.match_end();
            std::size_t from = previous_end;
            while (from < text.size()) {
                if (!m.search(from, true))
                    break;
                if (m.match_start() == m.match_end() && m.match_start() == previous_end) {
                    // An empty match where the last one ended is not taken: step over one byte.
                    from = m.match_start() + 1;
                    continue;
                }
                if (number < 0xFFFFFFFFu)
                    ++number;
                if (cmd.global ? number >= n : number == n)
                    replace();
                previous_end = from = m.match_end();
                if (!cmd.global && number == n)
                    break;
            }
        }
        if (!replaced) {
            run_.substituted = false;
            return;
        }
        result.append(text, copied, std::string::npos);
        if (result.size() > options_.space_limit)
            fatal(errors_, "sed: line too long at line " + std::to_string(run_.line_number));
        text.swap(result);
        run_.substituted = true;
        if (cmd.output >= 0)
            write_space(run_.channels[static_cast<std::size_t>(cmd.output)], text);
        if (cmd.print == print_mode::all)
            write_space(out(), text);
        else if (cmd.print == print_mode::first_line)
            write_first_line(out(), text);
    }

    void perform(std::size_t index)
    {
        const command& cmd = run_.prog.commands[index];
        switch (cmd.code) {
        case command_code::label:
            break;
        case command_code::line_number: {
            std::string number = std::to_string(run_.line_number) + "\n";
            out().write(number);
            break;
        }
        case command_code::append:
            queue_append(cmd, "appends");
            break;
        case command_code::read_file:
            queue_append(cmd, "reads");
            break;
        case command_code::branch:
            jump_to(std::get<branch_argument>(cmd.arg).target);
            break;
        case command_code::change: {
            run_.deleted = true;
            bool in_range = cmd.second.kind != address_kind::none && run_.ranges[index].active;
            if (!in_range || run_.last_line) {
                out().write(std::get<text_argument>(cmd.arg).text);
                out().write("\n", 1);
            }
            break;
        }
        case command_code::del:
            run_.deleted = true;
            break;
        case command_code::delete_first: {
            run_.deleted = true;
            std::size_t newline = run_.pattern.find('\n');
            if (newline != std::string::npos) {
                run_.pattern.erase(0, newline + 1);
                run_.restart = true;
            }
            break;
        }
        case command_code::get:
            run_.pattern = run_.hold;
            break;
        case command_code::get_append:
            grow_check(run_.pattern.size() + (run_.pattern.empty() ? 0 : 1) + run_.hold.size());
            if (!run_.pattern.empty())
                run_.pattern.push_back('\n');
            run_.pattern += run_.hold;
            break;
        case command_code::hold:
            run_.hold = run_.pattern;
            break;
        case command_code::hold_append:
            grow_check(run_.hold.size() + (run_.hold.empty() ? 0 : 1) + run_.pattern.size());
            if (!run_.hold.empty())
                run_.hold.push_back('\n');
            run_.hold += run_.pattern;
            break;
        case command_code::insert:
            out().write(std::get<text_argument>(cmd.arg).text);
            out().write("\n", 1);
            break;
        case command_code::list: {
            std::size_t target = cmd.output >= 0 ? static_cast<std::size_t>(cmd.output) : 0;
            run_.channels[target].write(listed(run_.pattern));
            break;
        }
        case command_code::next:
            if (!run_.no_autoprint)
                write_space(out(), run_.pattern);
            flush_appends();
            resume_read(cmd);
            break;
        case command_code::next_append:
            flush_appends();
            resume_read(cmd);
            break;
        case command_code::print:
            write_space(out(), run_.pattern);
            break;
        case command_code::print_first:
            write_first_line(out(), run_.pattern);
            break;
        case command_code::quit:
            if (!run_.no_autoprint)
                write_space(out(), run_.pattern);
            flush_appends();
            run_.quit = true;
            break;
        case command_code::substitute:
            substitute(cmd);
            break;
        case command_code::test:
            if (run_.substituted)
                jump_to(std::get<branch_argument>(cmd.arg).target);
            run_.substituted = false;
            break;
        case command_code::test_not:
            if (!run_.substituted)
                jump_to(std::get<branch_argument>(cmd.arg).target);
            run_.substituted = false;
            break;
        case command_code::write:
            write_space(run_.channels[static_cast<std::size_t>(cmd.output)], run_.pattern);
            break;
        case command_code::write_first:
            write_first_line(run_.channels[static_cast<std::size_t>(cmd.output)], run_.pattern);
            break;
        case command_code::exchange:
            run_.pattern.swap(run_.hold);
            break;
        case command_code::translate: {
            const auto& table = std::get<translation_argument>(cmd.arg).table;
            for (char& c : run_.pattern)
                c = static_cast<char>(table[static_cast<unsigned char>(c)]);
            break;
        }
        case command_code::block: {
            std::size_t end = std::get<branch_argument>(cmd.arg).target;
            for (std::size_t inner = index + 1; inner < end; ++inner)
                run_.ranges[inner].active = false;
            jump_to(end);
            break;
        }
        }
    }

    sed_engine::run_state& run_;
    const engine_options& options_;
    error_sink& errors_;
    line_reader& reader_;
};

}

void sed_engine::execute(std::istream* input, const std::string& name)
{
    if (!input || input->fail()) {
        options_.errors->message("sed: cannot open " + name);
        throw termination_by_exit(2);
    }
    if (run_->channels.empty()) {
        // Called before main compiled anything: an empty script over the bound output.
        run_->channels.resize(1);
        run_->channels[0].stream = output_;
        run_->channels[0].name = "stdout";
    }
    line_reader reader(input);
    executor run(*run_, options_, reader);
    run.run_input();
}

}
