#include "html/contract/document_contract.h"
#include "html/headless/headless_document.h"
#include "html/url_loader.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace html {
namespace {

struct headless : ::testing::Test {
    void SetUp() override
    {
        headless_ports ports;
        ports.queue = &queue;
        ports.resource_folder = folder.path() + "/share";
        doc = make_headless_document(host, ports);
        host.doc = doc.get();
    }
    void load(std::string_view bytes)
    {
        ASSERT_EQ(doc->load_bytes(bytes), S_OK);
        queue.run_pending();
    }
    std::string body_html()
    {
        std::string out;
        doc->body()->inner_html(out);
        return out;
    }
    void write(const std::string& path, std::string_view bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Pumps until the document is complete or the load failed.
    void pump()
    {
        for (int i = 0; i < 100 && doc->ready_state() != 4 && host.failures.empty(); ++i)
            queue.pump_one(queue.now() + std::chrono::seconds(1), nullptr);
    }

    platform::testing::temporary_folder folder;
    manual_ui_queue queue;
    contract::recording_host host;
    std::unique_ptr<document> doc;
};

TEST_F(headless, builder_implies_the_optional_structure)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<p>a<p>b", "<P>a</P>\r\n<P>b</P>"},
        {"<ul><li>a<li>b</ul>", "<UL>\r\n<LI>a</LI>\r\n<LI>b</LI></UL>"},
        {"<dl><dt>t<dd>d</dl>", "<DL>\r\n<DT>t</DT>\r\n<DD>d</DD></DL>"},
        {"<table><tr><td>a<td>b<tr><td>c</table>", "<TABLE>\r\n<TR>\r\n<TD>a</TD>\r\n<TD>b</TD></TR>\r\n<TR>\r\n<TD>c</TD></TR></TABLE>"},
        {"<p>x<div>y</div>", "<P>x</P>\r\n<DIV>y</DIV>"},
        {"<b>a</i>b</b>", "<B>ab</B>"},
        {"<table><tr><td><b>x</td><td>y</td></tr></table>", "<TABLE>\r\n<TR>\r\n<TD><B>x</B></TD>\r\n<TD>y</TD></TR></TABLE>"},
        {"<select><option>a<option>b</select>", "<SELECT>\r\n<OPTION>a</OPTION>\r\n<OPTION>b</OPTION></SELECT>"},
        {"<textarea>a &amp; <b></textarea>", "<TEXTAREA>a &amp; &lt;b&gt;</TEXTAREA>"},
        {"<p>\n  <b>x</b>\n</p>\n\n<p>y</p>", "<P>\n  <B>x</B>\n</P>\r\n<P>y</P>"},
    };
    for (auto& [html, body] : cases) {
        load(html);
        EXPECT_EQ(body_html(), body) << html;
    }
    load("<html><head><title>T</title></head><style>p{}</style><body>b</body></html>");
    EXPECT_EQ(doc->html(), "<HTML>\r\n<HEAD>\r\n<TITLE>T</TITLE></HEAD>\r\n<STYLE>p{}</STYLE>\r\n<BODY>b</BODY></HTML>");
}

TEST_F(headless, reader_keeps_every_byte_of_odd_markup)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<title>T</title\n><p>x</p>", "<P>x</P>"},
        {"x<script>a</script >b", "x<SCRIPT>a</SCRIPT>b"},
        {"x<script>a</script>b</script >c", "x<SCRIPT>a</SCRIPT>bc"},
        {"<pre><b>x</b></pre>", "<PRE><B>x</B></PRE>"},
        {"a<1>b</ 2>c", "a&lt;1&gt;b&lt;/ 2&gt;c"},
        {"a<b<i>c</i>", "a<B i>c</B>"},
        {"a<b<!--c", "a&lt;b&lt;!--c"},
        {"a<b<!--c-->d", "a<B !--c-->d</B>"},
        {"<a=b", "&lt;a=b"},
        {"a<!-'-b-->c", "a<!-'-b-->c"},
        {"<br/>x<script/>y", "<BR>x<SCRIPT></SCRIPT>y"},
        {"<p>a<!-->b-->c</p>", "<P>a<!-->b-->c</P>"},
        {"a<![if !vml]><img src=i><![endif]>", "a<![if !vml]><IMG src=\"i\"><![endif]>"},
        {"<textarea>&lt;b&gt; &nbsp</textarea>", "<TEXTAREA>&lt;b&gt; &nbsp;</TEXTAREA>"},
        {"<wbr>a<o:p>b</o:p>", "<WBR>a<O:P>b</O:P>"},
        {"a<b href=\"x", "a&lt;b href=\"x"},
        {"<a href=p.cgi?id=5&amp;x=1 title=a=b>l</a>", "<A href=\"p.cgi?id=5&amp;x=1\" title=\"a=b\">l</A>"},
    };
    for (auto& [html, body] : cases) {
        load(html);
        EXPECT_EQ(body_html(), body) << html;
        std::string page = doc->html();
        load(page);
        EXPECT_EQ(doc->html(), page) << "written page reads back byte for byte: " << html;
    }
    load("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\"><p>x");
    EXPECT_EQ(doc->html(), "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<HTML>\r\n<BODY>\r\n<P>x</P></BODY></HTML>");
}

TEST_F(headless, stray_lt_is_text_and_the_tags_after_it_stay_tags)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<b>a<, </b>c", "<B>a&lt;, </B>c"},
        {"<table><tr><td>M-<, HOME</td><td>x</td></tr></table>",
            "<TABLE>\r\n<TR>\r\n<TD>M-&lt;, HOME</TD>\r\n<TD>x</TD></TR></TABLE>"},
        {"<p>x</1>y</ b>z a<=b</p>", "<P>x&lt;/1&gt;y&lt;/ b&gt;z a&lt;=b</P>"},
        {"a</!>b", "ab"},
        {"<p><a href=x/>l</a></p>", "<P><A href=\"x/\">l</A></P>"},
    };
    for (auto& [html, body] : cases) {
        load(html);
        EXPECT_EQ(body_html(), body) << html;
    }
    load("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<p>x");
    EXPECT_EQ(doc->html(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<HTML>\r\n<BODY>\r\n<P>x</P></BODY></HTML>");
}

TEST_F(headless, deep_nesting_reads_and_writes_without_recursion)
{
    std::string html;
    for (int i = 0; i < 100000; ++i)
        html += "<div>";
    html += "deep";
    load(html);
    std::string text;
    doc->body()->inner_text(text);
    EXPECT_EQ(text, "deep");
    EXPECT_EQ(doc->all()->tags("div")->length(), 100000);
    std::string page = doc->html();
    load(page);
    EXPECT_EQ(doc->html(), page);
}

TEST_F(headless, keys_never_edit_a_title_a_selection_starts_at)
{
    // From the title text's end to the body's start the selection holds only edges: keys
    // act at the body's start, never inside the TITLE.
    for (int key : {13, -13, 0}) {
        load("<html><head><title>T</title></head><body><p>x</p></body></html>");
        auto title = doc->all()->tags("title")->item(0L);
        auto& m = doc->markup();
        auto from = m.create_pointer();
        auto to = m.create_pointer();
        ASSERT_EQ(from->move_adjacent_to_element(title, adjacency::before_end), S_OK);
        ASSERT_EQ(to->move_adjacent_to_element(doc->body(), adjacency::after_begin), S_OK);
        auto range = doc->selection()->create_range();
        ASSERT_EQ(m.move_range_to_pointers(*from, *to, *range), S_OK);
        ASSERT_EQ(range->select(), S_OK);
        if (key == 0)
            doc->input().type_text("y");
        else
            doc->input().key_down(key < 0 ? -key : key, false, key < 0);
        std::string title_html;
        title->outer_html(title_html);
        EXPECT_EQ(title_html, "<TITLE>T</TITLE>") << key;
        EXPECT_NE(body_html(), "<P>x</P>") << key;
    }
}

TEST_F(headless, page_bytes_decode_by_mark_meta_utf8_then_1252)
{
    struct sample {
        std::string bytes;
        const char* charset;
        const char* text;
    };
    const sample samples[] = {
        {"\xEF\xBB\xBF<p>caf\xC3\xA9</p>", "utf-8", "caf\xC3\xA9"},
        {std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), "utf-16", "\xC3\xA9"},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-2\"><p>\xB1</p>", "iso-8859-2", "\xC4\x85"},
        {"<p>caf\xC3\xA9</p>", "utf-8", "caf\xC3\xA9"},
        {"<p>\x93quoted\x94 caf\xE9</p>", "windows-1252", "\xE2\x80\x9Cquoted\xE2\x80\x9D caf\xC3\xA9"},
    };
    for (const sample& s : samples) {
        load(s.bytes);
        EXPECT_EQ(doc->charset(), s.charset);
        std::string text;
        doc->body()->inner_text(text);
        EXPECT_EQ(text, s.text) << s.charset;
    }
}

TEST_F(headless, save_writes_the_charset_and_references_what_it_lacks)
{
    load("<p>caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD</p>");
    ASSERT_EQ(doc->put_charset("iso-8859-1"), S_OK);
    std::string path = folder.path() + "/page.htm";
    ASSERT_EQ(doc->save(path, true), S_OK);
    std::string bytes = read(path);
    EXPECT_NE(bytes.find("<META http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("caf\xE9 &#8364; &#20013;"), std::string::npos) << bytes;
    EXPECT_FALSE(doc->is_dirty());
    EXPECT_EQ(doc->current_file(), path);
    // It reads back as the same page.
    std::string page = doc->html();
    ASSERT_EQ(doc->load_file(path), S_OK);
    queue.run_pending();
    EXPECT_EQ(doc->charset(), "iso-8859-1");
    std::string text;
    doc->body()->inner_text(text);
    EXPECT_EQ(text, "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD");
    EXPECT_EQ(doc->save(folder.path() + "/missing/dir/x.htm", false), platform::com::hresult_from_system_code(ENOENT));
}

TEST_F(headless, save_through_a_link_replaces_its_target_and_keeps_the_link)
{
    std::string target = folder.path() + "/pages/page.htm";
    std::filesystem::create_directories(folder.path() + "/pages");
    write(target, "<p>old</p>");
    std::string link = folder.path() + "/page.htm";
    std::filesystem::create_symlink("pages/page.htm", link);
    load("<p>new</p>");
    ASSERT_EQ(doc->save(link, false), S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(read(target).find("<P>new</P>"), std::string::npos) << read(target);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() + "/pages"))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string> {"page.htm"});
}

TEST_F(headless, file_urls_take_the_rest_as_a_literal_path)
{
    std::string path = folder.path() + "/a #1 100%.htm";
    write(path, "<p>odd name</p>");
    ASSERT_EQ(doc->load_url("file://" + path), S_OK);
    pump();
    ASSERT_EQ(doc->ready_state(), 4);
    EXPECT_EQ(body_html(), "<P>odd name</P>");
    EXPECT_EQ(doc->current_file(), path);
}

TEST_F(headless, missing_pages_report_a_load_failure)
{
    load("<p>kept</p>");
    for (std::string url : {"file:///no/such/page.htm", "res://talverin.exe/999", "gopher://x/"}) {
        host.failures.clear();
        ASSERT_EQ(doc->load_url(url), S_OK);
        pump();
        EXPECT_EQ(host.failures.size(), 1u) << url;
        EXPECT_EQ(body_html(), "<P>kept</P>") << url;
    }
}

TEST_F(headless, resource_pages_load_by_their_number)
{
    std::filesystem::create_directories(folder.path() + "/share/pages");
    write(folder.path() + "/share/pages/185.htm", "<html><body></body></html>");
    ASSERT_EQ(doc->load_url("res://talverin.exe/185"), S_OK);
    pump();
    EXPECT_EQ(doc->ready_state(), 4);
    EXPECT_EQ(body_html(), "");
}

}
}
