#include "core/log/log_stream.h"

#include "platform/clock/clock.h"

#include <cstdio>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace core {

log_stream_provider::log_stream_provider(std::string file_path, const platform::clock* clock)
    : file_path_(std::move(file_path))
    , clock_(clock)
{
}

void log_stream_provider::configure(std::string file_path, const platform::clock* clock)
{
    file_path_ = std::move(file_path);
    clock_ = clock;
}

std::ostream& log_stream_provider::get_stream()
{
    if (!stream_) {
        try {
            stream_ = std::make_unique<std::ostringstream>();
        } catch (const std::bad_alloc&) {
            static std::ostringstream fallback; // text written here is not saved
            return fallback;
        }
    }
    return *stream_;
}

void log_stream_provider::flush()
{
    if (!stream_)
        return;
    auto text = stream_->str();
    stream_.reset();
    if (text.empty() || file_path_.empty())
        return;
    int fd = ::open(file_path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return; // a file that cannot be opened loses the text
    [[maybe_unused]] auto written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

std::string log_stream_provider::time_stamp() const
{
    if (!clock_)
        return "  ";
    auto now = clock_->local_now();
    return clock_->short_date(now) + " " + clock_->short_time(now) + " ";
}

trace_scope::trace_scope(log_stream_provider& provider)
    : provider_(provider)
{
}

trace_scope::trace_scope(log_stream_provider& provider, const char* name)
    : provider_(provider)
    , name_(name ? name : "")
{
    provider_.get_stream() << provider_.time_stamp() << '+' << indentation() << name_ << std::endl;
    ++provider_.depth;
    entered_ = true;
}

trace_scope::trace_scope(log_stream_provider& provider, const char* name, const char* arguments)
    : provider_(provider)
    , name_(name ? name : "")
{
    provider_.get_stream() << provider_.time_stamp() << '+' << indentation() << name_ << "( "
                           << (arguments ? arguments : "") << " )" << std::endl;
    ++provider_.depth;
    entered_ = true;
}

trace_scope::~trace_scope()
{
    // Every entered scope gives its level back, a null name included, so the depth of
    // later scopes stays right.
    if (!entered_)
        return;
    --provider_.depth;
    provider_.get_stream() << provider_.time_stamp() << '-' << indentation() << name_ << std::endl;
}

std::string trace_scope::indentation() const
{
    return std::string(static_cast<std::size_t>(std::max(provider_.depth, 0)) * log_indent_width, ' ');
}

void trace_scope::write_text(const char* text)
{
    if (text)
        provider_.get_stream() << text << std::flush;
}

void trace_scope::write_number(std::int32_t number)
{
    provider_.get_stream() << number << std::flush;
}

void trace_scope::write_manipulator(std::ostream& (*manipulator)(std::ostream&))
{
    provider_.get_stream() << manipulator << std::flush;
}

void call_stack_loggable::write_to(trace_scope& scope) const
{
    scope.write_manipulator(std::endl);
    auto indent = scope.indentation() + "   ";
    scope.write_text(indent.c_str());
}

void write_loggable(trace_scope& scope, const call_stack_loggable& item)
{
    item.write_to(scope);
}

void loggable_string::write_to(trace_scope& scope) const
{
    char one[2] = {0, 0};
    for (char c : text_) {
        one[0] = c;
        scope.write_text(one);
    }
}

loggable_string loggable_string_init(const std::string& text)
{
    return loggable_string(text);
}

}
