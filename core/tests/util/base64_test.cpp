#include "core/util/base64.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// What the coreutils tool writes for the bytes, its LF line ends made CR LF.
std::string tool_base64(const std::string& bytes)
{
    platform::testing::temporary_folder folder;
    platform::testing::write_file(folder.file("in"), bytes);
    const std::string command = "base64 -w 76 '" + folder.file("in") + "' > '" + folder.file("out") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::string crlf;
    for (char c : platform::testing::read_file(folder.file("out"))) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

std::string bytes_of_length(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7919u + (i >> 8)) & 0xFFu);
    return bytes;
}

}

TEST(Base64, LinesMatchTheToolAtLineAndFillBoundaries)
{
    for (std::size_t length : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 114u, 57001u}) {
        const std::string bytes = bytes_of_length(length);
        EXPECT_EQ(core::base64_lines(bytes), tool_base64(bytes)) << length << " bytes";
    }
}

TEST(Base64, PiecesOfAnySizeGiveTheSameLines)
{
    const std::string bytes = bytes_of_length(57 * 40 + 13);
    const std::string whole = core::base64_lines(bytes);
    for (std::size_t piece : {1u, 2u, 56u, 57u, 58u, 1000u}) {
        core::base64_line_encoder encoder;
        std::string out;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            encoder.feed(std::string_view(bytes).substr(at, piece), out);
        encoder.finish(out);
        EXPECT_EQ(out, whole) << "pieces of " << piece;
    }
}

TEST(Base64, FullLastLineHasNoFillAndOneMoreByteEndsInTwoFills)
{
    const std::string lines = core::base64_lines(bytes_of_length(114));
    ASSERT_EQ(lines.size(), 2 * 78u);
    EXPECT_NE(lines[75], '=');
    const std::string more = core::base64_lines(bytes_of_length(115));
    EXPECT_EQ(more.substr(2 * 78), more.substr(2 * 78, 2) + "==\r\n");
}
