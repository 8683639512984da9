#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "shell/documents/body_parts.h"

#include <gtest/gtest.h>

TEST(BodyParts, WriterGolden)
{
    EXPECT_EQ(shell::format_body_parts({"<p>a</p>", std::nullopt, "text"}),
        "@@HTML_BODY_PART@@\n<p>a</p>\n@@HTML_BODY_PART_END@@\n"
        "@@TXT_BODY_PART@@\ntext\n@@TXT_BODY_PART_END@@\n");
    EXPECT_EQ(shell::format_body_parts({}), "");
}

TEST(BodyParts, EveryBodyReadsBackExactly)
{
    const std::string bodies[] = {
        "<PRE>a\n\n\nb</PRE>",
        "a\r\nb\r\n",
        "no final newline",
        "",
        "\n\n",
        "ends with a newline\n",
        "\r",
        "x @@HTML_BODY_PART_END@@ not at a line start",
    };
    for (const auto& body : bodies) {
        for (std::size_t kind = 0; kind < 3; ++kind) {
            std::array<std::optional<std::string>, 3> parts {"html", "lite", "text"};
            parts[kind] = body;
            const auto text = shell::format_body_parts(parts);
            for (std::size_t k = 0; k < 3; ++k)
                EXPECT_EQ(shell::find_marked_section(text, static_cast<int>(k)), parts[k]) << body << " kind " << kind;
        }
    }
}

TEST(BodyParts, MissingSectionsAndOlderFiles)
{
    const auto html_only = shell::format_body_parts({"<p>x</p>", std::nullopt, std::nullopt});
    EXPECT_EQ(shell::find_marked_section(html_only, 0), "<p>x</p>");
    EXPECT_EQ(shell::find_marked_section(html_only, 1), std::nullopt);
    EXPECT_EQ(shell::find_marked_section(html_only, 2), std::nullopt);

    // A file with sections but not the HTML one has no HTML body.
    const auto lite_only = shell::format_body_parts({std::nullopt, "lite", std::nullopt});
    EXPECT_EQ(shell::find_marked_section(lite_only, 0), std::nullopt);
    EXPECT_EQ(shell::find_marked_section(lite_only, 1), "lite");

    const std::string bare = "<html><body>\nbefore the markers\n</body></html>\n";
    EXPECT_EQ(shell::find_marked_section(bare, 0), bare);
    EXPECT_EQ(shell::find_marked_section(bare, 1), std::nullopt);
    EXPECT_EQ(shell::find_marked_section(bare, 2), std::nullopt);

    // A body holding another kind's start marker line is not taken for that kind's section.
    const auto holding = shell::format_body_parts({"x\n@@TXT_BODY_PART@@\ny", std::nullopt, std::nullopt});
    EXPECT_EQ(shell::find_marked_section(holding, 2), std::nullopt);
    EXPECT_EQ(shell::find_marked_section(holding, 0), "x\n@@TXT_BODY_PART@@\ny");

    // Cut short before its end marker: the rest of the file.
    EXPECT_EQ(shell::find_marked_section("@@TXT_BODY_PART@@\nhalf a body\n", 2), "half a body");
}

TEST(BodyParts, AWindowsFileReadsWithLineFeeds)
{
    const std::string windows = "@@HTML_BODY_PART@@\r\n<p>a</p>\r\n\r\n<p>b</p>\r\n@@HTML_BODY_PART_END@@\r\n"
                                "@@TXT_BODY_PART@@\r\nplain\r\n@@TXT_BODY_PART_END@@\r\n";
    EXPECT_EQ(shell::find_marked_section(windows, 0), "<p>a</p>\n\n<p>b</p>");
    EXPECT_EQ(shell::find_marked_section(windows, 2), "plain");
}

TEST(BodyParts, ReadMarkedSectionAppendsFromTheFile)
{
    platform::testing::temporary_folder folder;
    const auto path = folder.file("m.dndtf");
    platform::testing::write_file(path, shell::format_body_parts({"<p>a</p>", "lite", std::nullopt}));
    std::string text = "kept:";
    EXPECT_TRUE(shell::read_marked_section(path, 1, text));
    EXPECT_EQ(text, "kept:lite");
    EXPECT_FALSE(shell::read_marked_section(path, 2, text));
    EXPECT_EQ(text, "kept:lite");

    std::string none;
    EXPECT_TRUE(shell::read_marked_section(folder.file("missing.dndtf"), 0, none));
    EXPECT_EQ(none, "");
    EXPECT_FALSE(shell::read_marked_section(folder.file("missing.dndtf"), 1, none));
}
