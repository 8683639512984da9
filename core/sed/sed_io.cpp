#include "core/sed/sed_io.h"

#include "core/log/trace_log.h"

#include <fstream>
#include <sstream>
#include <streambuf>
#include <unistd.h>

namespace hevtools::sed {

namespace {

// Appends everything written to a string that outlives the stream.
class string_append_buffer final : public std::streambuf {
public:
    explicit string_append_buffer(std::string& target) : target_(target) { }

protected:
    int_type overflow(int_type ch) override
    {
        if (!traits_type::eq_int_type(ch, traits_type::eof()))
            target_.push_back(traits_type::to_char_type(ch));
        return traits_type::not_eof(ch);
    }
    std::streamsize xsputn(const char* data, std::streamsize count) override
    {
        target_.append(data, static_cast<std::size_t>(count));
        return count;
    }

private:
    std::string& target_;
};

class string_append_stream final : public std::ostream {
public:
    explicit string_append_stream(std::string& target) : std::ostream(nullptr), buffer_(target) { rdbuf(&buffer_); }

private:
    string_append_buffer buffer_;
};

}

std::unique_ptr<std::istream> disk_file_opener::open_for_reading(const std::string& name)
{
    auto stream = std::make_unique<std::ifstream>(name, std::ios::in | std::ios::binary);
    if (!stream->is_open())
        return nullptr;
    return stream;
}

std::unique_ptr<std::ostream> disk_file_opener::create_for_writing(const std::string& name)
{
    auto stream = std::make_unique<std::ofstream>(name, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!stream->is_open())
        return nullptr;
    return stream;
}

std::unique_ptr<std::istream> memory_file_opener::open_for_reading(const std::string& name)
{
    auto found = files.find(name);
    if (found == files.end())
        return nullptr;
    return std::make_unique<std::istringstream>(found->second, std::ios::in | std::ios::binary);
}

std::unique_ptr<std::ostream> memory_file_opener::create_for_writing(const std::string& name)
{
    if (name.empty())
        return nullptr;
    std::string& target = files[name];
    target.clear();
    created.push_back(name);
    return std::make_unique<string_append_stream>(target);
}

void stderr_error_sink::message(const std::string& text)
{
    std::string line = text + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
        ssize_t written = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (written <= 0)
            break;
        done += static_cast<std::size_t>(written);
    }
    TRACE_LOG("sed_engine::main() -- %s", text.c_str());
}

error_sink& default_error_sink()
{
    static stderr_error_sink sink;
    return sink;
}

file_opener& default_file_opener()
{
    static disk_file_opener opener;
    return opener;
}

}
