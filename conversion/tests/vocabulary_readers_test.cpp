#include "conversion/vocabulary/linked_item.h"
#include "conversion/vocabulary/object_markup.h"
#include "conversion/vocabulary/page_forms.h"
#include "conversion/vocabulary/replace_comments.h"
#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/util/strings.h"

#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace {

using conversion::read_page_forms;
using conversion::refreshReplaceComments;

std::string refreshed(std::string body, const std::optional<std::string>& folder = std::nullopt)
{
    refreshReplaceComments(body, folder);
    return body;
}

void write_file_of_size(const std::string& path, off_t size)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

TEST(vocabulary_refresh, PlainCommentsSwapAndSwapBack)
{
    const std::string body = "x<!--replace-->A<!--with{B}-->y<!--replace--><!--with{C}-->";
    const auto once = refreshed(body);
    EXPECT_EQ(once, "x<!--replace-->B<!--with{A}-->y<!--replace-->C<!--with{}-->");
    EXPECT_EQ(refreshed(once), body);
}

TEST(vocabulary_refresh, IncompleteCommentEndsTheScan)
{
    const std::string no_kept = "<!--replace-->A<!--with{B}--><!--replace-->C<!--replace-->D<!--with{E";
    EXPECT_EQ(refreshed(no_kept), "<!--replace-->B<!--with{A}--><!--replace-->C<!--replace-->D<!--with{E");
    EXPECT_EQ(refreshed("<!--replace-->only"), "<!--replace-->only");
    EXPECT_EQ(refreshed(""), "");
}

class vocabulary_pull_sizes : public ::testing::Test {
protected:
    platform::testing::temporary_folder folder;
    std::string comment_for(const std::string& name, const std::string& shown = "(old)")
    {
        return conversion::produceReplaceComment(shown, conversion::pullsize_placeholder(name));
    }
};

TEST_F(vocabulary_pull_sizes, RefreshShowsTheFreshSize)
{
    write_file_of_size(folder.file("a.zip"), 2048);
    const auto body = "<p>" + comment_for("a.zip") + "</p>";
    const auto once = refreshed(body, folder.path());
    EXPECT_EQ(once, "<p><!--replace-->(2 Kb)<!--with{([pullsize name=a.zip])}--></p>");
    EXPECT_EQ(refreshed(once, folder.path()), once);
}

TEST_F(vocabulary_pull_sizes, WithoutAFolderOnlyPlainCommentsSwap)
{
    const auto body = comment_for("a.zip") + "<!--replace-->A<!--with{B}-->";
    EXPECT_EQ(refreshed(body), comment_for("a.zip") + "<!--replace-->B<!--with{A}-->");
}

TEST_F(vocabulary_pull_sizes, AdjacentCommentsAreBothRefreshedAfterAShorterRewrite)
{
    write_file_of_size(folder.file("a"), 1);
    write_file_of_size(folder.file("b"), 1023);
    const auto body = comment_for("a", "(1,000,000.500 Mb and a long stale text)") + comment_for("b");
    EXPECT_EQ(refreshed(body, folder.path()),
        "<!--replace-->(1 b)<!--with{([pullsize name=a])}--><!--replace-->(1023 b)<!--with{([pullsize name=b])}-->");
}

TEST_F(vocabulary_pull_sizes, NamesThatLeaveTheFolderAndUnreadableFilesStay)
{
    ::mkdir(folder.file("sub").c_str(), 0700);
    write_file_of_size(folder.file("x"), 10);
    for (const char* name : {"../x", "a/b", "sub\\x", "..", "missing.zip", "sub"}) {
        SCOPED_TRACE(name);
        const auto body = comment_for(name);
        EXPECT_EQ(refreshed(body, folder.file("sub")), body);
    }
}

TEST_F(vocabulary_pull_sizes, ProducedCommentsTellUnreadableFromEmptyFiles)
{
    write_file_of_size(folder.file("empty"), 0);
    EXPECT_EQ(conversion::produce_pull_size_comment("empty", folder.file("empty")),
        "<!--replace-->(0 b)<!--with{([pullsize name=empty])}-->");
    EXPECT_EQ(conversion::produce_pull_size_comment("gone", folder.file("gone")),
        "<!--replace--><!--with{([pullsize name=gone])}-->");
    EXPECT_EQ(conversion::produce_pull_size_comment("a-->b", folder.file("empty")), "");
    EXPECT_EQ(conversion::produce_pull_size_comment("../empty", folder.file("empty")), "");
}

TEST(vocabulary_sizes, PullSizesUsePointAndComma)
{
    const struct {
        std::uint64_t size;
        const char* text;
    } cases[] = {{0, "0 b"}, {1023, "1023 b"}, {2048, "2 Kb"}, {1536, "1.500 Kb"}, {1572864, "1.500 Mb"},
        {2097152, "2 Mb"}, {5368709120ull, "5,120 Mb"}, {1048575, "1,023.999 Kb"}};
    for (const auto& c : cases)
        EXPECT_EQ(conversion::pull_size_text(c.size), c.text) << c.size;
}

TEST(vocabulary_version, GeneratorVersionFollowsTheProductWords)
{
    const struct {
        const char* content;
        conversion::program_version version;
    } cases[] = {
        {"Quorbis Veltrane Wizard 3.4.0.1", {3, 4, 0, 1}},
        {"QUORBIS veltrane wizard 3.4.0.1", {3, 4, 0, 1}},
        {"Quorbis Veltrane Wizard 12", {12, 0, 0, 0}},
        {"Wizard 2.0.0.0", {2, 0, 0, 0}},
        {"Mozilla/4.7 [en]", {0, 0, 0, 0}},
        {"Microsoft FrontPage 4.0", {0, 0, 0, 0}},
        {"MSHTML 5.50.4807.2300", {5, 50, 4807, 2300}},
        {"", {0, 0, 0, 0}},
        {"nothing", {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        EXPECT_EQ(conversion::read_generator_version(c.content), c.version);
    }
    const auto ours = conversion::read_generator_version(conversion::generator_content(core::GetProgramVersionString()));
    EXPECT_GE(ours[0], 3) << "pages we write would lose their forms when loaded";
}

std::string stamped(const std::string& generator, const std::string& body)
{
    return "<html><head><meta content=\"" + generator + "\" name=GENERATOR></head><body>" + body + "</body></html>";
}

const std::string our_generator = conversion::generator_content("3.4.0.1");
const std::string wrapper = "<form method=\"POST\" action=\"http://f/cgi-bin/qbform\" name=\"quorbis_form\" >";
const std::string user_form = "<form action=\"/mine\" name=\"mine\"><input name=\"q\"></form>";

TEST(vocabulary_page_forms, OurPagesKeepTheUsersForms)
{
    for (const std::string& generator : {our_generator, std::string("quorbis veltrane wizard 3.4.0.1")}) {
        auto page = stamped(generator, user_form);
        const auto before = page;
        EXPECT_FALSE(read_page_forms(page));
        EXPECT_EQ(page, before);
    }
}

TEST(vocabulary_page_forms, OlderPagesLoseEveryForm)
{
    for (const std::string& generator : {std::string("Quorbis Veltrane Wizard 2.0.0.0"), std::string("Mozilla/4.7 [en]")}) {
        SCOPED_TRACE(generator);
        auto page = stamped(generator, "<form name=a>x</form><form name=b>y</form>");
        EXPECT_TRUE(read_page_forms(page));
        EXPECT_EQ(page, stamped(generator, "xy"));
    }
    auto page = "<html><body><form>x</form></body></html>";
    std::string without_generator = page;
    EXPECT_TRUE(read_page_forms(without_generator));
    EXPECT_EQ(without_generator, "<html><body>x</body></html>");
}

TEST(vocabulary_page_forms, TheWrapperAndWhatFollowsItGo)
{
    auto page = stamped(our_generator, user_form + wrapper + "<p>a</p>" + user_form + "</form>");
    EXPECT_TRUE(read_page_forms(page));
    EXPECT_EQ(page, stamped(our_generator, user_form + "<p>a</p><input name=\"q\">"));
}

TEST(vocabulary_page_forms, AFormlessStoredPageComesBackUnchanged)
{
    auto page = stamped(our_generator, "<p class=x>a &amp; b</p><!-- c -->");
    const auto before = page;
    EXPECT_FALSE(read_page_forms(page));
    EXPECT_EQ(page, before);
}

TEST(vocabulary_linked_item, ReadersEndOnBadInput)
{
    conversion::linked_item_info info;
    EXPECT_EQ(conversion::read_linked_item(info, ""), 0u);
    const std::string unended = "<!--Quorbis-object-start--><a href=\"x\">text";
    EXPECT_EQ(conversion::read_linked_item(info, unended), unended.size());
    EXPECT_FALSE(info.stop);
    EXPECT_FALSE(info.end_position);
    EXPECT_EQ(info.text, "text");

    std::string nested = "<!--Quorbis-object-start-->";
    for (int i = 0; i < 100000; ++i)
        nested += "<a href=\"x\">";
    nested += "deep";
    for (int i = 0; i < 100000; ++i)
        nested += "</a>";
    nested += "<!--Quorbis-object-end-->";
    info = {};
    EXPECT_EQ(conversion::read_linked_item(info, nested), nested.size());
    EXPECT_TRUE(info.stop);
    EXPECT_EQ(info.element_count, 100000);
    EXPECT_EQ(info.text, "deep");
}

TEST(vocabulary_linked_item, AResetKeepsTheStart)
{
    conversion::linked_item_info info;
    info.start_position = 12;
    info.end_position = 40;
    info.text = "x";
    info.object_kind = 2;
    info.reset();
    EXPECT_EQ(info.start_position, 12u);
    EXPECT_FALSE(info.end_position);
    EXPECT_EQ(info.text, "");
    EXPECT_EQ(info.object_kind, 7);
}

TEST(vocabulary_flash, MovieParameterOfTheObject)
{
    const struct {
        const char* text;
        const char* movie;
    } cases[] = {
        {"<object><param name=Movie value=a.swf></object>", "a.swf"},
        {"<OBJECT><PARAM NAME=\"SRC\" VALUE=\"b c.swf\"></OBJECT>", "b c.swf"},
        {"<object><param name='movie' value='d.swf'>", "d.swf"},
        {"<object><param name=quality value=high>text<param name=src value=e.swf></object>", "e.swf"},
        {"<object></object><param name=movie value=late.swf>", ""},
        {"<object>", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(conversion::find_flash_movie(c.text, 0), c.movie);
    }
    EXPECT_EQ(conversion::find_flash_movie("<param name=movie value=x.swf>", 99), "");
}

TEST(vocabulary_markers, ObjectMarkupIsWrappedInMarkers)
{
    EXPECT_EQ(conversion::wrap_object_markup("<img src=\"a.gif\">"),
        "<!--Quorbis-object-start--><img src=\"a.gif\"><!--Quorbis-object-end-->");
}

}
