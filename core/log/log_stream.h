#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

namespace platform {
class clock;
}

namespace core {

// The log stream: an in-memory text that call scopes of the broadcasting code fill with
// indented entry and exit lines, appended to its file only when flushed. Not locked: one
// thread fills it at a time.
class log_stream_provider {
public:
    log_stream_provider() = default;
    log_stream_provider(std::string file_path, const platform::clock* clock);

    void configure(std::string file_path, const platform::clock* clock);

    // The in-memory stream, made on first use.
    std::ostream& get_stream();
    // Appends the stream's text to the file and starts over; nothing held writes nothing.
    void flush();

    // The "<short date> <time> " stamp of scope lines.
    std::string time_stamp() const;
    int depth = 0;

private:
    std::string file_path_;
    const platform::clock* clock_ = nullptr;
    std::unique_ptr<std::ostringstream> stream_;
};

// The process-wide instance of T, made on first use.
template <class T>
struct singleton_initiator {
    static T& instance()
    {
        static T object;
        return object;
    }
};

inline constexpr int log_indent_width = 3;

// A call scope of the log stream: an entry line when made, an exit line when it ends.
class trace_scope {
public:
    // trace_scope_init: no name, writes nothing.
    explicit trace_scope(log_stream_provider& provider);
    // trace_scope_enter: "+<indent><name>".
    trace_scope(log_stream_provider& provider, const char* name);
    // trace_scope_enter_with_args: "+<indent><name>( <arguments> )".
    trace_scope(log_stream_provider& provider, const char* name, const char* arguments);
    // trace_scope_leave: "-<indent><name>" after the depth goes back.
    ~trace_scope();
    trace_scope(const trace_scope&) = delete;
    trace_scope& operator=(const trace_scope&) = delete;

    void write_text(const char* text);
    void write_number(std::int32_t number);
    void write_manipulator(std::ostream& (*manipulator)(std::ostream&));

    log_stream_provider& provider() { return provider_; }
    std::string indentation() const;

private:
    log_stream_provider& provider_;
    std::string name_;
    bool entered_ = false;
};

// Something that can describe itself into a call scope.
class call_stack_loggable {
public:
    virtual ~call_stack_loggable() = default;
    // Starts a new line at the scope's indentation plus three blanks.
    virtual void write_to(trace_scope& scope) const;
};

void write_loggable(trace_scope& scope, const call_stack_loggable& item);

class loggable_string final : public call_stack_loggable {
public:
    explicit loggable_string(std::string text) : text_(std::move(text)) { }
    void write_to(trace_scope& scope) const override;

private:
    std::string text_;
};

loggable_string loggable_string_init(const std::string& text);

}
