// Arbitrary subjects, names, addresses, note and attachments through the mail composer:
// a refusal code, or a message with no CR, no line over 998 bytes, no line beginning with
// "." and exactly one Subject field in its header.
#include "core/mail/mail_compose.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

class input_reader {
public:
    input_reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) { }
    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::string text()
    {
        std::size_t length = std::min<std::size_t>(byte() * 8u, size_ - position_);
        std::string result(reinterpret_cast<const char*>(data_ + position_), length);
        position_ += length;
        return result;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    input_reader in(data, size);
    platform::mail::mapi_message message;
    message.subject = in.text();
    message.note_text = in.text();
    if (in.byte() & 1)
        message.originator = platform::mail::mapi_recipient {0, 0, in.text(), in.text(), {}};
    for (int count = in.byte() % 4; count > 0; --count)
        message.recipients.push_back({0, static_cast<std::uint32_t>(in.byte() % 5), in.text(), in.text(), {}});
    std::vector<core::attachment_bytes> files;
    for (int count = in.byte() % 3; count > 0; --count)
        files.push_back({in.text(), in.text()});
    std::tm when {};
    when.tm_year = in.byte();
    when.tm_mon = in.byte();
    when.tm_mday = in.byte() % 31 + 1;
    when.tm_gmtoff = (static_cast<long>(in.byte()) - 128) * 900;

    auto composed = core::compose_mail(message, files, when);
    if (composed.code != platform::mail::SUCCESS_SUCCESS)
        return 0;
    const std::string& text = composed.text;
    if (text.find('\r') != std::string::npos)
        std::abort();
    std::istringstream lines(text);
    int subjects = 0;
    bool in_header = true;
    for (std::string line; std::getline(lines, line);) {
        if (line.size() > 998 || (!line.empty() && line[0] == '.'))
            std::abort();
        if (line.empty())
            in_header = false;
        if (in_header && line.rfind("Subject:", 0) == 0)
            ++subjects;
    }
    if (subjects != 1)
        std::abort();
    return 0;
}
