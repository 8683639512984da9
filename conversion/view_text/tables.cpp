#include "conversion/view_text/find_text.h"
#include "conversion/view_text/text_rewriters.h"

#include <algorithm>
#include <array>
#include <vector>

namespace conversion {

namespace {

// Whether `at` lies after a "<!--" with no ">" since.
bool inside_comment_at(std::string_view text, std::size_t at)
{
    const std::string_view before = text.substr(0, at);
    const std::size_t open = before.rfind("<!--");
    if (open == std::string_view::npos)
        return false;
    const std::size_t gt = before.rfind('>');
    return gt == std::string_view::npos || gt < open;
}

// Walks the markup from a position, telling whether each "<" lies inside a comment.
class comment_tracker {
public:
    comment_tracker(std::string_view text, std::size_t from) : text_(text), at_(from), inside_(inside_comment_at(text, from)) { }

    // Moves to `to` (not before the current place) and answers whether it is inside.
    bool inside_at(std::size_t to)
    {
        const std::string_view passed = text_.substr(at_, to - at_);
        const std::size_t gt = passed.rfind('>');
        const std::size_t open = passed.rfind("<!--");
        if (open != std::string_view::npos && (gt == std::string_view::npos || open > gt))
            inside_ = true;
        else if (gt != std::string_view::npos)
            inside_ = false;
        at_ = to;
        return inside_;
    }

private:
    std::string_view text_;
    std::size_t at_;
    bool inside_;
};

struct table_mark {
    std::size_t at;
    bool opening;
    bool matched = false;
};

constexpr std::string_view table_start = "<table";
constexpr std::string_view table_end = "</table>";

// The table tags outside comments from `from`, each end paired with the latest open table;
// stops where the table at `from` ends when `one_table`.
std::vector<table_mark> find_tables(std::string_view text, std::size_t from, bool one_table)
{
    std::vector<table_mark> marks;
    std::vector<std::size_t> open;
    comment_tracker comments(text, from);
    for (std::size_t lt = text.find('<', from); lt != std::string_view::npos; lt = text.find('<', lt + 1)) {
        const bool opening = text_at(text, lt, table_start);
        if ((!opening && !text_at(text, lt, table_end)) || comments.inside_at(lt))
            continue;
        marks.push_back({lt, opening});
        if (opening) {
            open.push_back(marks.size() - 1);
        } else if (!open.empty()) {
            marks[open.back()].matched = true;
            marks.back().matched = true;
            open.pop_back();
            if (one_table && open.empty())
                break;
        }
    }
    return marks;
}

struct cell_rewrite {
    std::string_view tag;
    std::string_view with;
    bool opening; // an opening tag goes up to its ">"
};

constexpr std::array<cell_rewrite, 11> cell_rewrites {{
    {"</td>", "\t", false}, {"</tr>", "<br>", false}, {"</th>", "<br>", false}, {"</caption>", "<br>", false},
    {"</tbody>", "", false}, {"</table>", "", false},
    {"<caption", "", true}, {"<tbody", "", true}, {"<th", "", true}, {"<tr", "", true}, {"<td", "", true},
}};

// Flattens every complete table among `marks`, one scan from `from`; tables without an end
// and the text around them stay.
std::string flatten(std::string_view text, std::size_t from, const std::vector<table_mark>& marks)
{
    std::string out(text.substr(0, from));
    out.reserve(text.size());
    int depth = 0;
    std::size_t next = 0;
    std::size_t i = from;
    auto skip_to = [&](std::size_t to) {
        i = to;
        for (; next < marks.size() && marks[next].at < i; ++next)
            if (marks[next].matched)
                depth += marks[next].opening ? 1 : -1;
    };
    auto past_tag = [&](std::size_t at) {
        const std::size_t gt = text.find('>', at);
        return gt == std::string_view::npos ? text.size() : gt + 1;
    };
    while (i < text.size()) {
        if (next < marks.size() && marks[next].at == i && marks[next].matched) {
            skip_to(marks[next].opening ? past_tag(i) : i + table_end.size());
            continue;
        }
        if (depth > 0 && text[i] == '<') {
            const cell_rewrite* hit = nullptr;
            for (const cell_rewrite& r : cell_rewrites)
                if (text_at(text, i, r.tag)) {
                    hit = &r;
                    break;
                }
            if (hit) {
                out += hit->with;
                skip_to(hit->opening ? past_tag(i) : i + hit->tag.size());
                continue;
            }
        }
        // Marks stand at a "<": the next one ends this run of text.
        const std::size_t stop = std::min(text.find('<', i + 1), text.size());
        out.append(text, i, stop - i);
        skip_to(stop);
    }
    return out;
}

}

std::size_t find_outside_comment(std::string_view text, std::string_view what, std::size_t from)
{
    comment_tracker comments(text, std::min(from, text.size()));
    for (std::size_t at = find_text(text, what, from); at != std::string_view::npos; at = find_text(text, what, at + 1))
        if (!comments.inside_at(at))
            return at;
    return std::string_view::npos;
}

bool convert_table(std::string& text, std::size_t at)
{
    if (!text_at(text, at, table_start))
        return false;
    const std::vector<table_mark> marks = find_tables(text, at, true);
    const bool complete = !marks.empty() && marks.front().matched;
    text = flatten(text, at, marks);
    return complete;
}

void convert_tables(std::string& text)
{
    const std::size_t first = find_outside_comment(text, table_start, 0);
    if (first == std::string::npos)
        return;
    text = flatten(text, first, find_tables(text, first, false));
}

}
