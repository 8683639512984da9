// Our reading of HTML beside libxml2's: both trees are written in one normalised form and
// compared. The differences we accept are normalised away here and listed, with the reason
// for each, in data/allowed_differences.txt.

#include "html/headless/tree.h"

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace html::headless {
namespace {

// One event per line: "<NAME", ">NAME" (end) or "'text".
class normal_form {
public:
    void start(std::string name)
    {
        flush();
        name = to_upper(name);
        if (skipped(name)) {
            return;
        }
        lines_.push_back("<" + name);
    }
    void end(std::string name)
    {
        flush();
        name = to_upper(name);
        if (skipped(name))
            return;
        lines_.push_back(">" + name);
    }
    void text(std::string_view t) { pending_ += t; }
    std::string finish()
    {
        flush();
        std::string out;
        for (auto& l : lines_)
            out += l + "\n";
        return out;
    }

private:
    // Elements the two readers nest differently are left out, keeping their content:
    // libxml2 nests what follows BGSOUND and EMBED inside them; the implied TBODY and the
    // page's outer elements are placed differently too.
    static bool skipped(const std::string& name)
    {
        return name == "BGSOUND" || name == "EMBED" || name == "TBODY"
            || name == "HTML" || name == "HEAD" || name == "BODY" || name == "WBR";
    }
    void flush()
    {
        std::string collapsed;
        bool space = false;
        for (char c : pending_) {
            if (std::isspace(static_cast<unsigned char>(c))) {
                space = true;
                continue;
            }
            if (space && !collapsed.empty())
                collapsed += ' ';
            space = false;
            collapsed += c;
        }
        pending_.clear();
        if (!collapsed.empty())
            lines_.push_back("'" + collapsed);
    }
    std::vector<std::string> lines_;
    std::string pending_;
};

// Prefixed tags ("<o:p>", "</o:p>") taken out of the page: libxml2 reads them as P.
std::string without_prefixed_tags(std::string_view page)
{
    std::string out;
    out.reserve(page.size());
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '<') {
            std::size_t j = i + 1 + (i + 1 < page.size() && page[i + 1] == '/');
            std::size_t k = j;
            while (k < page.size() && (std::isalnum(static_cast<unsigned char>(page[k])) || page[k] == '-' || page[k] == '_'))
                ++k;
            if (k > j && k < page.size() && page[k] == ':') {
                std::size_t close = page.find('>', k);
                if (close != std::string_view::npos) {
                    i = close;
                    continue;
                }
            }
        }
        out += page[i];
    }
    return out;
}

std::string ours(std::string_view given)
{
    std::string page = without_prefixed_tags(given);
    node_ptr root = parse_html(page);
    normal_form out;
    struct frame { const node* n; std::size_t i; };
    std::vector<frame> stack {{root.get(), 0}};
    while (!stack.empty()) {
        frame& f = stack.back();
        if (f.i >= f.n->children.size()) {
            if (f.n->is_element() && !info(f.n->name).is_void)
                out.end(f.n->name);
            stack.pop_back();
            continue;
        }
        const node& c = *f.n->children[f.i++];
        if (c.is_text()) {
            out.text(c.data);
        } else if (c.is_element()) {
            out.start(c.name);
            if (info(c.name).is_void)
                out.end(c.name);
            else
                stack.push_back({&c, 0});
        }
    }
    return out.finish();
}

std::string theirs(std::string_view given)
{
    std::string page = without_prefixed_tags(given);
    htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "utf-8",
        HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    normal_form out;
    struct frame { xmlNodePtr n; xmlNodePtr next; };
    std::vector<frame> stack {{reinterpret_cast<xmlNodePtr>(doc), doc ? doc->children : nullptr}};
    while (!stack.empty()) {
        frame& f = stack.back();
        if (!f.next) {
            if (f.n->type == XML_ELEMENT_NODE)
                out.end(reinterpret_cast<const char*>(f.n->name));
            stack.pop_back();
            continue;
        }
        xmlNodePtr c = f.next;
        f.next = c->next;
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
            out.text(reinterpret_cast<const char*>(c->content));
        } else if (c->type == XML_ELEMENT_NODE) {
            out.start(reinterpret_cast<const char*>(c->name));
            stack.push_back({c, c->children});
        }
    }
    xmlFreeDoc(doc);
    return out.finish();
}

std::string first_difference(const std::string& a, const std::string& b)
{
    std::istringstream x(a), y(b);
    std::string l, r;
    int line = 1;
    while (true) {
        bool more_l = static_cast<bool>(std::getline(x, l));
        bool more_r = static_cast<bool>(std::getline(y, r));
        if (!more_l && !more_r)
            return {};
        if (!more_l || !more_r || l != r)
            return "event " + std::to_string(line) + ": ours \"" + (more_l ? l : "(end)") + "\", libxml2 \"" + (more_r ? r : "(end)") + "\"";
        ++line;
    }
}

TEST(differential, fixtures_read_as_libxml2_reads_them)
{
    const char* pages[] = {
        "<p>one <b>two</b> three</p><p>four</p>",
        "<ul><li>a<li>b</ul><dl><dt>t<dd>d</dl>",
        "<table><tr><td>a<td>b<tr><td>c</table>",
        "<p>a<bgsound src=s.wav>b</p><p>c<embed src=m.swf>d</p>",
        "<div><p>x<p>y</div><pre>p\n r</pre>",
        "<p>a<o:p></o:p></p><select><option>1<option>2</select>",
        "<h1>h</h1><blockquote><p>q</blockquote><font color=red>f</font>",
    };
    for (const char* page : pages)
        EXPECT_EQ(first_difference(ours(page), theirs(page)), "") << page;
}

TEST(differential, corpus_pages_read_as_libxml2_reads_them)
{
    std::filesystem::path folder = TALVERIN_HTML_CORPUS;
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no corpus at " << folder << " (set TALVERIN_HTML_CORPUS)";
    // Pages listed as allowed differ for the reasons written beside them.
    std::ifstream allowed_file(TALVERIN_HTML_ALLOWED_DIFFERENCES);
    std::vector<std::string> allowed;
    for (std::string line; std::getline(allowed_file, line);)
        if (!line.empty() && line[0] != '#')
            allowed.push_back(line.substr(0, line.find(' ')));
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".html" && extension != ".htm"))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        std::string page = decode_page_bytes(bytes.str(), nullptr);
        std::string name = entry.path().filename().string();
        std::string difference = first_difference(ours(page), theirs(page));
        ++compared;
        if (std::find(allowed.begin(), allowed.end(), name) != allowed.end())
            continue;
        EXPECT_EQ(difference, "") << entry.path();
    }
    EXPECT_GT(compared, 0);
}

}
}
