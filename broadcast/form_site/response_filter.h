#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace broadcast::form_site {

// The filter a downloaded page passes on its way to its file, fed in chunks of any size:
// CR bytes are dropped; a blank or tab met once the line holds more than `width` bytes
// becomes a line feed while wrapping is allowed; a tag forbids wrapping until it closes, and
// "<option>" keeps it forbidden until the next tag closes; "</option>" is followed by a line
// feed; the page ends at "</html>". Tag names ignore ASCII case; wrapping is allowed before
// the first tag. A page longer than the limit ends the download.
class response_filter {
public:
    static constexpr std::size_t default_width = 80;
    static constexpr std::uint64_t default_limit = 8u * 1024 * 1024;

    explicit response_filter(std::size_t width = default_width, std::uint64_t limit = default_limit);

    // Appends the filtered bytes of the chunk to out; false once the page ended ("</html>")
    // or went over the limit (the rest is not read).
    bool feed(std::string_view chunk, std::string& out);

    bool html_end_seen() const { return html_end_; }
    bool over_limit() const { return over_limit_; }

private:
    void end_tag(std::string& out);

    std::size_t width_;
    std::uint64_t limit_;
    std::uint64_t taken_ = 0;
    std::size_t column_ = 0;
    bool wrap_allowed_ = true;
    bool in_tag_ = false;
    bool name_done_ = false;
    std::string tag_name_; // lower case, "/" first for an end tag; capped
    bool html_end_ = false;
    bool over_limit_ = false;
};

}
