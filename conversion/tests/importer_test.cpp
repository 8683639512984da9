#include "conversion/importer/html_importer.h"
#include "conversion/importer/link_classification.h"
#include "platform/testing/memory_store.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/test_services.h"

#include <deque>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace {

using conversion::importer_host;
namespace fs = std::filesystem;

const std::string resources = TALVERIN_RESOURCES_DIR;

std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

conversion::mime_table shipped_types()
{
    return conversion::mime_table::from_text(read(resources + "/talverin/mime-types.txt"));
}

TEST(importer_links, ClassifiesByAddressAndType)
{
    const auto types = shipped_types();
    ASSERT_FALSE(types.empty());
    const struct {
        const char* href;
        int kind;
    } cases[] = {
        {"", 4}, {"#a", 4}, {"page.htm#a", 4}, {"VBScript:x", 4}, {"JaVaScRiPt:x", 4},
        {"other.htm#a", 3}, {"http://h/cgi?x=1", 3}, {"page.php?x=1", 3}, {"http://h/", 3},
        {"MAILTO:x@y", 5}, {"mailto:x@y", 5},
        {"http://h/a.ZIP", 2}, {"file:///d/a.pdf", 2}, {"[pull name=a.zip]", 2}, {"setup.exe", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(conversion::classify_link(c.href, "page.htm", types), c.kind) << c.href;
}

TEST(importer_links, CandidatesAreThePagesFolderOrTheAbsolutePath)
{
    using conversion::resource_candidates;
    EXPECT_EQ(resource_candidates("x.gif", "/p"), std::vector<std::string> {"/p/x.gif"});
    EXPECT_EQ(resource_candidates("../x.gif", "/p/q"), std::vector<std::string> {"/p/x.gif"});
    EXPECT_EQ(resource_candidates("img\\x.gif", "/p"), std::vector<std::string> {"/p/img/x.gif"});
    EXPECT_EQ(resource_candidates("file:///abs/x.gif", "/p"), std::vector<std::string> {"/abs/x.gif"});
    EXPECT_EQ(resource_candidates("/abs/../x.gif", "/p"), std::vector<std::string> {"/x.gif"});
    EXPECT_EQ(resource_candidates("[pull name=a.zip]", "/p"), std::vector<std::string> {"/p/a.zip"});
    EXPECT_TRUE(resource_candidates("http://h/x.gif", "/p").empty());
    EXPECT_TRUE(resource_candidates("data:image/gif;base64,AA", "/p").empty());
    EXPECT_TRUE(resource_candidates(std::string(5000, 'a'), "/p").empty());
}

// Answers the importer's questions from queues and records what was asked.
class scripted_host : public importer_host {
public:
    int ask_form_action() override
    {
        asked.push_back("form");
        return pop(form_answers, conversion::import_answer_cancel);
    }
    missing_answer ask_missing_resource(const std::string& name) override
    {
        asked.push_back("missing " + name);
        if (missing_answers.empty())
            return {conversion::import_answer_no, false, name, false};
        auto answer = missing_answers.front();
        missing_answers.pop_front();
        if (answer.name.empty())
            answer.name = name;
        return answer;
    }
    std::optional<std::string> choose_resource_file(const std::string& name) override
    {
        asked.push_back("browse " + name);
        if (chosen.empty())
            return std::nullopt;
        auto path = chosen.front();
        chosen.pop_front();
        return path;
    }
    void warn_foreign_page() override { asked.push_back("21077"); }
    void begin_wait() override { ++waits; }
    void end_wait() override { --waits; }

    std::deque<int> form_answers;
    std::deque<missing_answer> missing_answers;
    std::deque<std::optional<std::string>> chosen;
    std::vector<std::string> asked;
    int waits = 0;

private:
    static int pop(std::deque<int>& queue, int fallback)
    {
        if (queue.empty())
            return fallback;
        int value = queue.front();
        queue.pop_front();
        return value;
    }
};

std::vector<std::string> listing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

class importer : public ::testing::Test {
protected:
    importer()
    {
        fs::create_directories(page_folder());
        fs::create_directories(message_folder());
        settings_.tag_list_path = resources + "/aoltags.txt";
        settings_.report_path = folder_.file("aolincompatible.txt");
        settings_.types = shipped_types();
        settings_.clickto_texts = {1, "Please wait for page", "to load..."};
        settings_.text_style.sizes = conversion::default_font_sizes();
        settings_.text_style.size = 10;
    }

    std::string page_folder() const { return folder_.file("site"); }
    std::string message_folder() const { return folder_.file("message"); }
    std::string page(const std::string& name, const std::string& text)
    {
        const std::string path = page_folder() + "/" + name;
        fs::create_directories(fs::path(path).parent_path());
        write(path, text);
        return path;
    }

    conversion::quorbis_html_importer& make(bool with_dtd = false)
    {
        if (with_dtd)
            EXPECT_TRUE(core::LoadStandardDTD(dtd_, core::standard_dtd_folder(platform::testing::share_folder())));
        importer_.emplace(host_, maps_.pictures, maps_.clicktos, maps_.pullfiles, maps_.flashfiles, message_folder(),
            counters_, dtd_, forms_, settings_);
        return *importer_;
    }

    conversion::import_result import(const std::string& name, const std::string& text)
    {
        return make().import_page(page(name, text));
    }

    platform::testing::temporary_folder folder_;
    platform::testing::memory_store store_;
    platform::registry::profile profile_ {store_, "Software\\Holvane\\Talverin"};
    conversion::form_settings forms_ {profile_, "forms.test"};
    conversion::importer_settings settings_;
    scripted_host host_;
    shell::object_maps maps_;
    core::object_name_counters counters_;
    core::CDTDStrict dtd_;
    std::optional<conversion::quorbis_html_importer> importer_;
};

TEST_F(importer, NumbersRestartPerImportAndLinksDrawFromThePictureCounter)
{
    page("a.gif", "GIF89a-a");
    page("b.gif", "GIF89a-b");
    page("c.gif", "GIF89a-c");
    const std::string body = "<html><body><img src=a.gif><a href=\"http://h/\"><img src=b.gif alt=B><img src=c.gif></a>"
                             "<a href=\"mailto:x@y\">m</a></body></html>";
    counters_.raise_to_at_least(0, 40);
    auto result = import("p.htm", body);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_NE(result.body.find("quorbis_id=\"picture1\""), std::string::npos) << result.body;
    EXPECT_NE(result.body.find("quorbis_id=\"clickto1\""), std::string::npos) << result.body;
    // the link's first picture takes the link's id, the second one a picture number of its own
    EXPECT_EQ(count(result.body, "quorbis_id=\"clickto1\""), 2u) << result.body;
    EXPECT_NE(result.body.find("quorbis_id=\"picture2\""), std::string::npos) << result.body;
    EXPECT_NE(result.body.find("quorbis_id=\"mailto3\""), std::string::npos) << result.body;
    EXPECT_EQ(maps_.pictures.size(), 2u);
    ASSERT_EQ(maps_.clicktos.count(1), 1u);
    EXPECT_EQ(maps_.clicktos[1].target, "http://h/");
    EXPECT_EQ(maps_.clicktos[1].picture.alternate_text, "B");
    EXPECT_EQ(count(result.body, "<!--Quorbis-object-start-->"), count(result.body, "<!--Quorbis-object-end-->"));
    EXPECT_EQ(host_.asked, (std::vector<std::string> {"21077"}));
    EXPECT_EQ(host_.waits, 0);

    // a paste draws above the numbers the message holds
    const std::string pasted = importer_->scan_tags("<img src=\"http://h/x.gif\">", false);
    EXPECT_NE(pasted.find("quorbis_id=\"picture4\""), std::string::npos) << pasted;
}

TEST_F(importer, BackgroundSoundFlashCommentsAndKeptTags)
{
    page("s.wav", "RIFF");
    page("m.swf", "FWS");
    page("bg.gif", "GIF89a");
    const std::string body =
        "<!--before--><html><!--[if IE]>x<![endif]--><!--inside--><!--Quorbis-object-start-->"
        "<body background=bg.gif><bgsound src=s.wav><marquee>m</marquee>"
        "<object classid=\"CLSID:d27cdb6e-ae6d-11cf-96b8-444553540000\"><param name=movie value=m.swf>"
        "<param name=quality value=high><param name=SRC value=other.swf></object></body></html>";
    auto result = import("p.htm", body);
    ASSERT_TRUE(result.ok) << result.reason;
    const std::string& out = result.body;
    EXPECT_EQ(out.find("before"), std::string::npos);
    EXPECT_EQ(out.find("[if"), std::string::npos);
    EXPECT_NE(out.find("<!--inside-->"), std::string::npos);
    EXPECT_EQ(out.find("Quorbis-object-start"), std::string::npos) << "markers of the page go";
    EXPECT_NE(out.find("quorbis_src_bgsound="), std::string::npos) << out;
    EXPECT_EQ(maps_.pullfiles.size(), 1u);
    EXPECT_NE(out.find("<marquee>"), std::string::npos);
    EXPECT_NE(out.find("quorbis_id=\"flashfile1\""), std::string::npos) << out;
    EXPECT_EQ(count(out, "?download=yes&cpw=FP"), 2u) << "the later SRC gets the movie's value: " << out;
    EXPECT_NE(out.find("value=\"high\""), std::string::npos);
    EXPECT_EQ(maps_.flashfiles.size(), 1u);
    EXPECT_EQ(maps_.pictures.size(), 1u) << "the background";
}

TEST_F(importer, OwnGeneratorInAnyCaseAsksNothingAndUnknownTagsAreDroppedAndReported)
{
    auto& imp = make(true);
    auto result = imp.import_page(page("p.htm",
        "<html><head><meta name=generator content=\"QUORBIS veltrane wizard 3.4\"></head>"
        "<body><blink>b</blink><foo>f</foo><p>x</p></body></html>"));
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_TRUE(host_.asked.empty());
    EXPECT_EQ(result.body.find("<foo"), std::string::npos) << result.body;
    EXPECT_NE(result.body.find("f"), std::string::npos);
    EXPECT_NE(result.body.find("QUORBIS veltrane"), std::string::npos) << "the meta is kept";
    const std::string report = read(folder_.file("aolincompatible.txt"));
    EXPECT_NE(report.find("<foo>"), std::string::npos) << report;
}

TEST_F(importer, FormQuestionOnceAndNeverAfterTheModeFlag)
{
    const std::string body = "<html><body><p>a</p><form action=x><input name=q></form><form></form></body></html>";
    host_.form_answers = {conversion::IDC_FORM_MODIFY};
    auto modified = import("p.htm", body);
    ASSERT_TRUE(modified.ok);
    EXPECT_EQ(count(modified.body, "<form"), 1u) << modified.body;
    EXPECT_NE(modified.body.find("name=\"quorbis_form\""), std::string::npos) << modified.body;
    EXPECT_NE(modified.body.find("</form></body>"), std::string::npos) << modified.body;
    EXPECT_EQ(std::count(host_.asked.begin(), host_.asked.end(), "form"), 1);

    host_.asked.clear();
    host_.form_answers = {conversion::IDC_FORM_IGNORE};
    auto ignored = import("p.htm", body);
    EXPECT_EQ(count(ignored.body, "<form"), 2u) << ignored.body;
    EXPECT_EQ(ignored.body.find("quorbis_form"), std::string::npos);

    host_.asked.clear();
    host_.form_answers.clear();  // closing the box: Modify
    auto closed = import("p.htm", body);
    EXPECT_NE(closed.body.find("quorbis_form"), std::string::npos);

    host_.asked.clear();
    auto& imp = make();
    imp.set_mode_flag(true);
    const std::string pasted = imp.scan_tags("<form><input></form>", false);
    EXPECT_TRUE(host_.asked.empty());
    EXPECT_EQ(count(pasted, "<form"), 1u);
}

TEST_F(importer, MissingResourceAnswers)
{
    page("real.gif", "GIF");
    using answer = importer_host::missing_answer;
    // OK with the box checked: kept as typed, no copy
    host_.missing_answers = {answer {conversion::import_answer_ok, true, "http://cdn/typed.gif", true}};
    auto typed = import("p.htm", "<img src=gone.gif>");
    EXPECT_NE(typed.body.find("src=\"http://cdn/typed.gif\""), std::string::npos) << typed.body;
    EXPECT_TRUE(listing(message_folder()).empty());

    // OK unchecked, then a chosen file: copied; cancelled: untouched
    host_.missing_answers = {answer {conversion::import_answer_ok}, answer {conversion::import_answer_ok}};
    host_.chosen = {page_folder() + "/real.gif", std::nullopt};
    auto browsed = import("p.htm", "<img src=gone.gif><img src=lost.gif>");
    EXPECT_EQ(maps_.pictures.size(), 1u);
    EXPECT_NE(browsed.body.find("src=\"lost.gif\""), std::string::npos) << browsed.body;
    EXPECT_EQ(listing(message_folder()).size(), 1u);

    // No: asked again next time; No to All: never again
    host_.asked.clear();
    host_.missing_answers = {answer {conversion::import_answer_no}, answer {conversion::import_answer_cancel}};
    (void)import("p.htm", "<img src=a.gif><img src=b.gif><img src=c.gif>");
    EXPECT_EQ(host_.asked, (std::vector<std::string> {"missing a.gif", "missing b.gif"}));

    // Yes to All: this and later references as written, unasked
    host_.asked.clear();
    host_.missing_answers = {answer {conversion::IDC_YES_TO_ALL, true, "", false}};
    auto all = import("p.htm", "<img src=a.gif><img src=real.gif><img src=c.gif>");
    EXPECT_EQ(host_.asked, (std::vector<std::string> {"missing a.gif"}));
    EXPECT_NE(all.body.find("src=\"a.gif\""), std::string::npos) << all.body;
    EXPECT_NE(all.body.find("src=\"real.gif\""), std::string::npos) << all.body;
}

TEST_F(importer, PathsStayWithinThePagesFolderAndOnlyRegularFilesAreTaken)
{
    page("logo.gif", "page-logo");
    page("sub/logo.gif", "sub-logo");
    write(folder_.file("up.gif"), "up");
    const std::string absolute = folder_.file("abs.gif");
    write(absolute, "abs");
    ASSERT_EQ(::mkfifo((page_folder() + "/fifo.gif").c_str(), 0600), 0);
    fs::create_directories(page_folder() + "/dir.gif");
    const auto before = listing(folder_.path());

    // the current folder holds a logo.gif too: the page's own is taken
    const auto cwd = fs::current_path();
    fs::current_path(page_folder() + "/sub");
    auto result = import("p.htm",
        "<img src=logo.gif><img src=sub/logo.gif><img src=\"../up.gif\"><img src=\"file://" + absolute
            + "\"><img src=fifo.gif><img src=/dev/zero><img src=dir.gif>");
    fs::current_path(cwd);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(maps_.pictures.size(), 4u);
    EXPECT_EQ(read(maps_.pictures[1].source), "page-logo");
    EXPECT_EQ(read(maps_.pictures[2].source), "sub-logo");
    EXPECT_NE(maps_.pictures[1].source, maps_.pictures[2].source) << "two logo.gif, two copies";
    EXPECT_EQ(read(maps_.pictures[3].source), "up");
    EXPECT_EQ(read(maps_.pictures[4].source), "abs");
    EXPECT_EQ(host_.asked, (std::vector<std::string> {"missing fifo.gif", "missing /dev/zero", "missing dir.gif"}));

    auto after = listing(folder_.path());
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    for (const auto& name : added)
        EXPECT_TRUE(name.rfind("message", 0) == 0 || name == "site/p.htm" || name == "aolincompatible.txt") << name;
    for (const auto& [number, record] : maps_.pictures)
        EXPECT_EQ(fs::path(record.source).parent_path(), fs::path(message_folder())) << record.source;
}

TEST_F(importer, CharsetsDecodeToUtf8)
{
    const struct {
        const char* name;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"1252", "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\"><p>caf\xE9 \x93q\x94</p>",
            "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D"},
        {"sjis", "<meta charset=Shift_JIS><p>\x93\xFA\x96\x7B</p>", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"utf16le", std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), "<p>\xC3\xA9"},
        {"utf16be", std::string("\xFE\xFF\0<\0p\0>\0\xE9", 10), "<p>\xC3\xA9"},
        {"bad utf8", "<p>a\xC3(</p>", "a\xC3\x83("},
        {"unknown", "<meta charset=x-unknown><p>\xC3\xA9</p>", "\xC3\xA9"},
        {"nul", std::string("<p>a\0b</p>", 10), "a\xEF\xBF\xBD" "b"},
    };
    for (const auto& c : cases) {
        const std::string text = conversion::decode_import_bytes(c.bytes);
        EXPECT_NE(text.find(c.expected), std::string::npos) << c.name << ": " << text;
    }
    auto result = import("m.htm", "<html><head><meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">"
                                  "<meta charset=\"windows-1252\"></head><body>\xE9</body></html>");
    EXPECT_NE(result.body.find("charset=utf-8"), std::string::npos) << result.body;
    EXPECT_EQ(result.body.find("1252"), std::string::npos) << result.body;
}

TEST_F(importer, BrokenAndHostileInputKeepsEveryTextCharacter)
{
    auto& imp = make();
    const struct {
        const char* in;
        const char* kept;
    } cases[] = {
        {"a < b", "a &lt; b"},
        {"x<3", "x&lt;3"},
        {"<<b>z", "&lt;<b>z"},
        {"<p>cut <b", "cut "},
        {"<p>y<!-- open", "y"},
        {"<a href=x>no end", "no end"},
        {"<script>if (a<b) x();</SCRIPT><img src=\"http://h/q.gif\">", "if (a<b) x();</SCRIPT>"},
        {"<script>never closed <p>", "never closed <p>"},
        // markup inside a value, a forged object marker among it, is kept as entities
        {"<p title=\"a<!--Quorbis-object-start-->b\">t", "<p title=\"a&lt;!--Quorbis-object-start--&gt;b\">t"},
        // a name running into another "<" is text, and what follows is read afresh
        {"<htmlB<b>z", "&lt;htmlB<b>z"},
        // a raw body keeps its text; a comment naming an object marker is emptied
        {"<script>a<!-- b --><!--Quorbis-object-end-->c</script>", "<script>a<!-- b --><!-- -->c</script>"},
        // a comment written with white space after "<!" goes under the comments' rules
        {"<html>x<! --note-->y", "x<!--note-->y"},
    };
    for (const auto& c : cases)
        EXPECT_NE(imp.scan_tags(c.in, false).find(c.kept), std::string::npos) << c.in;
    for (const char* page : {"<img src=\"http://h/x.gif\" alt=\"<!--Quorbis-object-end-->\">",
             "<html><x<!--Quorbis-object-start--><img src=\"http://h/x.gif\"></html>",
             // a missing picture kept as typed: the reference as written goes back as entities
             "<img src=\"<!--Quorbis-object-end-->",
             // a raw body keeps its text but no marker
             "<script>x<!--Quorbis-object-end-->y</script>", "<style><!--Quorbis-object-start-->",
             "<script><!-<!--Quorbis-object-end-->-Quorbis-object-end-->",
             // a comment written with white space after "<!" is read as one
             "<html>x<!\t--Quorbis-object-end-->y</html>"}) {
        const std::string forged = imp.scan_tags(page, false);
        EXPECT_EQ(count(forged, "<!--Quorbis-object-start-->"), count(forged, "<!--Quorbis-object-end-->")) << forged;
    }
    host_.asked.clear(); // the missing picture above was asked about
    // after a closing SCRIPT in capitals the scan goes on
    EXPECT_NE(imp.scan_tags("<script>x</SCRIPT><img src=\"http://h/q.gif\">", false).find("quorbis_id"),
        std::string::npos);

    std::string nested;
    for (int i = 0; i < 100000; ++i)
        nested += "<a href=#x>";
    nested += "deep";
    const std::string deep = imp.scan_tags(nested, false);
    EXPECT_NE(deep.find("deep"), std::string::npos);
    EXPECT_EQ(count(deep, "</A>"), 100000u);

    std::string attributes = "<p";
    for (int i = 0; i < 100000; ++i)
        attributes += " a" + std::to_string(i) + "=1";
    attributes += ">t";
    EXPECT_NE(imp.scan_tags(attributes, false).find(">t"), std::string::npos);

    const std::string huge = "<img src=\"" + std::string(10 << 20, 'x') + ".gif\">";
    EXPECT_NE(imp.scan_tags(huge, false).find(std::string(1000, 'x')), std::string::npos);
    EXPECT_TRUE(host_.asked.empty()) << "a reference too long for a file is not looked up";
}

TEST_F(importer, ScriptAndDataReferencesStayAsWritten)
{
    page("x.gif", "GIF");
    auto result = import("p.htm",
        "<html><body><a href=\"JaVaScRiPt:go()\"><img src=\"data:image/gif;base64,R0lG\"></a>"
        "<table background=\"javascript:x\"><tr><td>c</td></tr></table>"
        "<object classid=\"clsid:D27CDB6E-AE6D-11CF-96B8-444553540000\"><param name=movie value=\"about:blank\">"
        "</object></body></html>");
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.body.find("href=\"JaVaScRiPt:go()\""), std::string::npos) << result.body;
    EXPECT_NE(result.body.find("quorbis_id=\"hyperlink"), std::string::npos) << result.body;
    EXPECT_NE(result.body.find("data:image/gif;base64,R0lG"), std::string::npos);
    EXPECT_NE(result.body.find("javascript:x"), std::string::npos);
    EXPECT_NE(result.body.find("about:blank"), std::string::npos);
    EXPECT_TRUE(maps_.empty());
    EXPECT_EQ(host_.asked, (std::vector<std::string> {"21077"}));
    EXPECT_TRUE(listing(message_folder()).empty());
}

TEST_F(importer, FailuresNameTheFileAndLeaveNoTarget)
{
    auto& imp = make();
    const std::string target = folder_.file("out.htm");
    auto missing = imp.import(folder_.file("none.htm"), target);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.reason.find("none.htm"), std::string::npos);
    auto folder = imp.import(page_folder(), target);
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.reason.find("site"), std::string::npos);
    EXPECT_FALSE(fs::exists(target));

    const std::string source = page("p.htm", "<p>x</p>");
    auto unwritable = imp.import(source, folder_.file("no/such/folder/out.htm"));
    EXPECT_FALSE(unwritable.ok);
    EXPECT_NE(unwritable.reason.find("out.htm"), std::string::npos);

    auto ok = imp.import(source, target);
    ASSERT_TRUE(ok.ok) << ok.reason;
    EXPECT_EQ(read(target), ok.body);
}

TEST_F(importer, FailingCopyKeepsTheReferenceNamed)
{
    page("x.gif", "GIF");
    fs::remove_all(message_folder());
    write(message_folder(), "not a folder");
    auto result = import("p.htm", "<img src=x.gif>");
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.body.find("src=\"x.gif\""), std::string::npos) << result.body;
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_NE(result.problems[0].find("x.gif"), std::string::npos);
    EXPECT_TRUE(maps_.pictures.empty());
}

TEST_F(importer, WindowsTextFileImports)
{
    auto result = import("note.TXT", "caf\xE9 at http://h/p\r\nnext line\r\n");
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_NE(result.body.find("caf\xC3\xA9"), std::string::npos) << result.body;
    EXPECT_NE(result.body.find("next line"), std::string::npos);
    EXPECT_EQ(result.body.find('\r'), std::string::npos);
    EXPECT_EQ(maps_.clicktos.size(), 1u);
}

}
