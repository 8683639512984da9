#include "conversion/bodies/aol_conversion.h"
#include "conversion/bodies/body_error.h"
#include "conversion/bodies/page_head.h"
#include "conversion/bodies/text_body.h"
#include "conversion/vocabulary/vocabulary_texts.h"
#include "platform/testing/temporary_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>

namespace {

using conversion::body_error;

const std::string resources = TALVERIN_RESOURCES_DIR;
const std::string data = CONVERSION_TEST_DATA;

std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Identity passes that can be told to fail and that know a few pull files by number and name.
class scripted_passes : public conversion::identity_body_passes {
public:
    bool reparse_html_text_pass(std::string& text) override
    {
        calls.push_back("text");
        return !fail_text && identity_body_passes::reparse_html_text_pass(text);
    }
    bool reparse_html_alignment_pass(std::string& text, bool flag) override
    {
        calls.push_back(flag ? "alignment 1" : "alignment 0");
        return !fail_alignment && identity_body_passes::reparse_html_alignment_pass(text, flag);
    }
    std::optional<std::string> find_pull_name(int kind, int number) const override
    {
        auto found = by_number.find({kind, number});
        return found == by_number.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    std::optional<std::string> find_pull_name_by_placeholder(std::string_view name) const override
    {
        auto found = by_placeholder.find(std::string(name));
        return found == by_placeholder.end() ? std::nullopt : std::optional<std::string>(found->second);
    }

    bool fail_text = false;
    bool fail_alignment = false;
    std::vector<std::string> calls;
    std::map<std::pair<int, int>, std::string> by_number;
    std::map<std::string, std::string> by_placeholder;
};

const std::string no_policy = "/nonexistent/aoltag.policy.txt";

class aol_conversion : public ::testing::Test {
protected:
    std::string policy(const std::string& text)
    {
        const std::string path = folder_.file("aoltag.policy.txt");
        write(path, text);
        return path;
    }

    platform::testing::temporary_folder folder_;
    scripted_passes passes_;
};

TEST_F(aol_conversion, TableRowTextLosesItsLineBreaksOnlyInsideTheRow)
{
    EXPECT_EQ(conversion::convert_for_aol("<table><tr><td>a\r\nb</td></tr></table>", false, passes_, no_policy),
        "<table>\n <tr>\n  <td>a b</td></tr></table>");
    const std::string outside = conversion::convert_for_aol("<p>a\r\nb\rc\nd</p>", false, passes_, no_policy);
    EXPECT_NE(outside.find("a\r\nb\rc\nd"), std::string::npos) << outside;
    const std::string pre = conversion::convert_for_aol("<table><tr><td><pre>a\r\nb</pre></td></tr></table>", false,
        passes_, no_policy);
    EXPECT_NE(pre.find("a\r\nb"), std::string::npos) << pre;
}

TEST_F(aol_conversion, RowFlagIsAPlainFlagNotADepth)
{
    conversion::aol_preprocessor filter(nullptr);
    core::markup_tag row;
    row.name = "tr";
    row.element = hevtools::markup::html::element(hevtools::markup::html::el::TR);
    EXPECT_TRUE(filter.on_start_tag(row, 0));
    EXPECT_TRUE(filter.on_start_tag(row, 0));
    row.kind = core::markup_tag::end_tag;
    row.end = true;
    EXPECT_TRUE(filter.on_end_tag(row, 0));
    EXPECT_FALSE(filter.in_row());
    std::string text = "a\nb";
    EXPECT_TRUE(filter.on_text(text, false, 0));
    EXPECT_EQ(text, "a\nb");
}

TEST_F(aol_conversion, WithoutAPolicyTheBodyIsTheCopiedTextAfterThePasses)
{
    EXPECT_EQ(conversion::convert_for_aol("<p>x<b>y</b></p>", true, passes_, no_policy), "<p>x<b>y</b></p>");
    EXPECT_EQ(passes_.calls, (std::vector<std::string> {"text", "alignment 1"}));
}

TEST_F(aol_conversion, VariableSetFollowsTheFlag)
{
    const std::string path = policy("<TAG name=BR><ACTION type=print entity=variable what=#nbsp when=onsimple></TAG>");
    EXPECT_EQ(conversion::convert_for_aol("a<br>", true, passes_, path), "a&nbsp;<br>");
    EXPECT_EQ(conversion::convert_for_aol("a<br>", false, passes_, path), "a <br>");
}

TEST_F(aol_conversion, FailingPagePassOrMissingFileIsAnError)
{
    passes_.fail_text = true;
    EXPECT_THROW(conversion::convert_for_aol("<p>x</p>", true, passes_, no_policy), body_error);
    passes_.fail_text = false;
    passes_.fail_alignment = true;
    EXPECT_THROW(conversion::convert_for_aol("<p>x</p>", true, passes_, no_policy), body_error);
    passes_.fail_alignment = false;
    try {
        (void)conversion::convert_file_for_aol(folder_.file("missing.htm"), passes_);
        FAIL() << "a missing body converted";
    } catch (const body_error& e) {
        EXPECT_NE(std::string(e.what()).find("missing.htm"), std::string::npos);
    }
    EXPECT_THROW((void)conversion::convert_file_for_aol(folder_.path(), passes_), body_error);
}

TEST_F(aol_conversion, ShippedPolicyKeepsEveryVisibleCharacterForBothFlags)
{
    const std::string body = read(data + "/aol_message.html");
    ASSERT_FALSE(body.empty());
    for (bool entities : {false, true}) {
        const std::string out = conversion::convert_for_aol(body, entities, passes_, resources + "/aoltag.policy.txt");
        EXPECT_NE(out.find("Spring offers"), std::string::npos);
        EXPECT_EQ(out.find("document.write"), std::string::npos);
        EXPECT_EQ(out.find("<table"), std::string::npos) << "tables are flattened by the policy";
    }
}

// Text-body link rewriting.
std::string text_body(std::string text, const conversion::body_passes& passes)
{
    conversion::rewrite_links_for_text_body(text, passes);
    return text;
}

TEST(text_body_links, AnchorNormalisationFoldsBlanksAndBreaksAndKeepsTheRest)
{
    std::string text = "<A\r\n   HREF=x>y</A> <ABBR title=1> <AREA href=z> wow! a\rb\nc";
    ASSERT_TRUE(conversion::normalise_anchor_tags(text, conversion::default_text_body_sed_limit()));
    EXPECT_EQ(text, "<a href=x>y</A> <ABBR title=1> <AREA href=z> wow! a\rb\nc");

    // Text that looks like the protection's own tokens comes back as it was.
    std::string tokens = "a_!_b\r\n_!!_ _!!!_\n!<A_\n href=x>!~`\r";
    ASSERT_TRUE(conversion::normalise_anchor_tags(tokens, conversion::default_text_body_sed_limit()));
    EXPECT_EQ(tokens, "a_!_b\r\n_!!_ _!!!_\n!<a href=x>!~`\r");
}

TEST(text_body_links, ProtectionStringOrFailingSedLeavesTheTextUnchanged)
{
    std::string protected_text = std::string("<A  HREF=x>") + std::string(conversion::text_body_protection);
    const std::string before = protected_text;
    EXPECT_FALSE(conversion::normalise_anchor_tags(protected_text, conversion::default_text_body_sed_limit()));
    EXPECT_EQ(protected_text, before);

    std::string long_line = "<A  HREF=x>" + std::string(200, 'y') + "</A>";
    const std::string kept = long_line;
    EXPECT_FALSE(conversion::normalise_anchor_tags(long_line, 64));
    EXPECT_EQ(long_line, kept);
    conversion::identity_body_passes passes;
    std::string whole = "<b>" + std::string(200, 'y') + "</b>";
    conversion::rewrite_links_for_text_body(whole, passes, 64);
    EXPECT_EQ(whole, "<b>" + std::string(200, 'y') + "</b>") << "the body is not lost";
}

TEST(text_body_links, AnchorNormalisationHoldsEveryLineToTheSedLimit)
{
    // Each tag starts a line of the protected text; "!" takes the protection string's size,
    // CR LF five bytes. A line beyond the limit anywhere leaves every anchor as written.
    const std::string after_anchor = "<A HREF=x>y</A>";
    const std::string marks = after_anchor + "a!\r\nb"; // the "</A>" line is 43 bytes
    const struct {
        std::string text;
        std::size_t limit;
        bool folds;
    } cases[] = {
        {after_anchor + "<b>" + std::string(60, 'z'), 64, true},
        {after_anchor + "<b>" + std::string(61, 'z'), 64, false},
        {marks, 43, true},
        {marks, 42, false},
        {std::string(70, 'z') + after_anchor, 64, false},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(conversion::normalise_anchor_tags(text, c.limit), c.folds) << c.text;
        EXPECT_EQ(text, c.folds ? "<a href" + c.text.substr(7) : c.text) << c.text;
    }
}

TEST(text_body_links, PartCases)
{
    conversion::identity_body_passes passes;
    EXPECT_EQ(text_body("x([pullsize name=a.zip])y", passes), "xy");
    EXPECT_EQ(text_body("<P>a", passes), "<P><P>&nbsp;</P>a");
    EXPECT_EQ(text_body("<p>a", passes), "<p>a");
}

TEST(text_body_links, AnchorsShowWhereTheyLead)
{
    scripted_passes passes;
    passes.by_number[{2, 4}] = "held.zip";
    passes.by_placeholder["b.zip"] = "named.zip";
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        // pull links: the held object's name, else the one the placeholder names
        {"<a quorbis_id=pullfile4 href=\"[pull name=a.zip]\">Get</a>", "Get&nbsp;[pull name=held.zip]"},
        {"<a quorbis_id=pullfile9 href=\"[pull name=b.zip]\">Get</a>", "Get&nbsp;[pull name=named.zip]"},
        {"<a href=\"[pull name=c&lt;d.zip]\">Get</a>", "Get&nbsp;[pull name=c&lt;d.zip]"},
        // mail-tos: text and address, the address once when it is the text
        {"<A href=\"mailto:me@x.org\">Write</A>", "Write&nbsp;me@x.org"},
        {"<a href=mailto:me@x.org>me@x.org</a>", "me@x.org"},
        // other links: the address as text, or beside the text
        {"<a href=\"http://h/p\">Site</a>", "<a href=\"http://h/p\">Site http://h/p</a>"},
        {"<a href=\"http://h/p\"><img src=x.gif></a>", "<a href=\"http://h/p\">http://h/p </a>"},
        {"<a text_body_alt=alt href=\"http://h/p\">Site</a>", "<a text_body_alt=alt href=\"http://h/p\">Site http://h/p</a>"},
        {"<a text_body_alt=alt href=\"http://h/p\">http://h/p</a>", "<a text_body_alt=alt href=\"http://h/p\">http://h/p</a>"},
        {"<a quorbis_id=sendfriend1 href=\"http://h/f\">Tell</a>", "<a quorbis_id=sendfriend1 href=\"http://h/f\">Tell http://h/f</a>"},
        {"<a href=\"http://h/@@REDIRECTORER_NAME@@\">R</a>", "<a href=\"http://h/@@REDIRECTORER_NAME@@\">R http://h/@@REDIRECTORER_NAME@@</a>"},
        {"<a href=\"\">empty</a>", "<a href=\"\">empty</a>"},
        {"<a href=\"http://h/p\">no end", "<a href=\"http://h/p\">no end"},
        // values enter as text, never as markup
        {"<a href='x\"><script>'> </a>", "<a href='x\"><script>'>x\"&gt;&lt;script&gt; </a>"},
        {"<a href='x\"><script>'>t</a>", "<a href='x\"><script>'>t x\"&gt;&lt;script&gt;</a>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_body(c.in, passes), c.out) << c.in;
}

TEST(text_body_links, PicturesStandForTheirTextBodyAlternative)
{
    conversion::identity_body_passes passes;
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"a<IMG quorbis_id=picture1 src=x.gif text_body_alt=\"Logo\">b", "aLogo&nbsp;b"},
        {"a<img quorbis_id=picture1 src=x.gif text_body_alt=\"\">b", "ab"},
        {"<!--Quorbis-object-start--><img quorbis_id=picture2>kept<!--Quorbis-object-end-->",
            "<!--Quorbis-object-start-->kept<!--Quorbis-object-end-->"},
        {"a<img quorbis_id=picture1 src=x.gif>b", "ab"},
        {"a<img src=x.gif>b", "a<img src=x.gif>b"},
        {"<img quorbis_id=picture1 text_body_alt=\"&lt;b&gt;\">", "&lt;b&gt;&nbsp;"},
        {"<!--Quorbis-object-start--><img quorbis_id=picture2 text_body_alt=L><!--Quorbis-object-end-->x", "L&nbsp;x"},
        {"<!--Quorbis-object-start--><img quorbis_id=picture2 text_body_alt=L>seen<!--Quorbis-object-end-->",
            "<!--Quorbis-object-start--><img quorbis_id=picture2 text_body_alt=L>seen<!--Quorbis-object-end-->"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_body(c.in, passes), c.out) << c.in;
}

TEST(text_body_links, FileMissingGivesEmptyTextAndAFolderIsAnError)
{
    platform::testing::temporary_folder folder;
    conversion::identity_body_passes passes;
    EXPECT_EQ(conversion::rewrite_file_for_text_body(folder.file("none.htm"), passes), "");
    EXPECT_THROW((void)conversion::rewrite_file_for_text_body(folder.path(), passes), body_error);
    write(folder.file("a.htm"), "<P>x");
    EXPECT_EQ(conversion::rewrite_file_for_text_body(folder.file("a.htm"), passes), "<P><P>&nbsp;</P>x");
}

// Page head and view pages.
TEST(page_head, HeadGetsExactlyOneNewDeclarationOfEach)
{
    std::string none = "<html><body>x</body></html>";
    conversion::adjust_head(none, "G 1", "P");
    EXPECT_EQ(none, "<html><body>x</body></html>");

    std::string page = "<HTML><HEAD><title>t</title><meta name=\"generator\" content=\"Other 1\">"
                       "<META NAME=PROGID CONTENT=x><meta name=keywords content=k></HEAD><body></body></HTML>";
    conversion::adjust_head(page, "G 1", "P");
    const std::string expected_declarations = conversion::head_declarations("G 1", "P");
    EXPECT_NE(page.find(expected_declarations + "</HEAD>"), std::string::npos) << page;
    EXPECT_EQ(page.find("Other 1"), std::string::npos);
    EXPECT_EQ(page.find("CONTENT=x"), std::string::npos);
    EXPECT_NE(page.find("keywords"), std::string::npos);
    std::string twice = page;
    conversion::adjust_head(twice, "G 1", "P");
    EXPECT_EQ(twice, page);

    std::string header = "<header>x</header><head >y</head>";
    conversion::adjust_head(header, "G", "P");
    EXPECT_EQ(header.rfind("<header>x</header>", 0), 0u);
}

TEST(page_head, TextPageMarkupEscapesAndBreaksLines)
{
    EXPECT_EQ(conversion::text_page_markup("x<y & z\r\nb"), "x&lt;y &amp; z<br>b");
}

TEST(page_head, TextBodyPageIsATemporaryFileRemovedOnRelease)
{
    platform::testing::temporary_folder folder;
    conversion::identity_body_passes passes;
    std::string path;
    {
        core::file_path page = conversion::write_text_body_page("<P>x", passes);
        path = page.path();
        EXPECT_EQ(read(path), "<P><P>&nbsp;</P>x");
        EXPECT_EQ(page.extension(), "htm");
    }
    EXPECT_FALSE(core::file_path(path).exists());
}

class page_source : public conversion::view_page_source {
public:
    int edit_mode() const override { return mode; }
    bool has_document_manager() const override { return manager; }
    std::string document_path() const override { return path; }
    int document_kind() const override { return kind; }
    int template_index_by_extension(std::string_view extension) const override
    {
        if (extension == "htm")
            return 0;
        if (extension == "quorbis_lite")
            return 1;
        if (extension == "quorbis_txt")
            return 2;
        return -1;
    }
    bool doc_file_exists(int k) const override { return stored.count(k) != 0; }
    std::string doc_file_path(int k) const override
    {
        auto found = stored.find(k);
        return found == stored.end() ? std::string() : found->second;
    }
    std::string working_extension() const override { return "work"; }
    conversion::body_passes& passes() override { return passes_; }

    int mode = 0;
    bool manager = true;
    std::string path;
    int kind = 0;
    std::map<int, std::string> stored;
    conversion::identity_body_passes passes_;
};

TEST(page_head, ViewPageByEditModeKindAndStoredFile)
{
    platform::testing::temporary_folder folder;
    using kind = conversion::view_page::kind_type;
    page_source source;
    source.mode = 2;
    source.path = folder.file("c.htm");
    EXPECT_EQ(conversion::view_page_for(source).file.path(), folder.file("c.htm"));

    source.mode = 0;
    source.manager = false;
    EXPECT_EQ(conversion::view_page_for(source).kind, kind::nothing);
    source.manager = true;

    for (int k : {0, 1, 2}) {
        const char* extension[] = {"htm", "quorbis_lite", "quorbis_txt"};
        source.path = folder.file(std::string("m.") + extension[k]);
        source.stored = {{k, folder.file("stored.htm")}};
        const auto stored = conversion::view_page_for(source);
        EXPECT_EQ(stored.kind, kind::file) << k;
        EXPECT_EQ(stored.file.path(), folder.file("stored.work")) << k;
        EXPECT_FALSE(stored.file.remove_on_release());
    }

    source.stored.clear();
    source.path = folder.file("m.htm");
    EXPECT_EQ(conversion::view_page_for(source).kind, kind::default_page) << "kind 0 without a stored file";

    write(folder.file("m.work"), "x<y & z\r\nb");
    source.path = folder.file("m.quorbis_txt");
    auto text = conversion::view_page_for(source);
    ASSERT_EQ(text.kind, kind::file);
    EXPECT_TRUE(text.file.remove_on_release());
    EXPECT_EQ(read(text.file.path()), "x&lt;y &amp; z<br>b");

    source.path = folder.file("m.quorbis_lite");
    write(folder.file("m.work"), "<p>a</p>");
    auto lite = conversion::view_page_for(source);
    ASSERT_EQ(lite.kind, kind::file);
    EXPECT_NE(read(lite.file.path()).find("a"), std::string::npos);

    write(folder.file("m.work"), "");
    EXPECT_EQ(conversion::view_page_for(source).kind, kind::default_page) << "an empty body shows the default page";
    std::remove(folder.file("m.work").c_str());
    EXPECT_THROW(conversion::view_page_for(source), body_error);
}

}
