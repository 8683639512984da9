#include "editing/document/page_passes.h"

#include <cctype>

namespace editing {

using namespace html;

namespace {

// left 0, center 1, right 2; anything else 0.
int alignment_code(const element_ptr& paragraph)
{
    value v;
    paragraph->get(facet::paragraph, "align", v);
    std::string text = v.to_text();
    std::size_t a = text.find_first_not_of(" \t\r\n");
    std::size_t b = text.find_last_not_of(" \t\r\n");
    text = a == std::string::npos ? std::string() : text.substr(a, b - a + 1);
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text == "center")
        return 1;
    if (text == "right")
        return 2;
    return 0;
}

// The page's paragraphs in document order; null without a document.
collection_ptr paragraphs_of(const document_pair& pair)
{
    collection_ptr all;
    return get_all_elements(pair, all) ? all->tags("P") : nullptr;
}

bool range_has_text(const text_range& r)
{
    std::string text;
    return succeeded(r.text(text)) && !text.empty();
}

}

bool remove_all_comments(const document_pair& pair)
{
    collection_ptr all;
    if (!get_all_elements(pair, all))
        return false;
    auto comments = all->tags("!");
    if (!comments)
        return false;
    auto& markup = pair.document->markup();
    for (long i = comments->length() - 1; i >= 0; --i) {
        auto c = comments->item(i);
        if (!c)
            continue;
        if (failed(markup.remove_element(c)))
            return false;
    }
    return true;
}

bool separate_paragraphs(const document_pair& pair)
{
    auto paragraphs = paragraphs_of(pair);
    if (!paragraphs)
        return false;
    auto& markup = pair.document->markup();
    auto a = markup.create_pointer();
    auto b = markup.create_pointer();
    auto r = get_selection_text_range(pair);
    if (!a || !b || !r)
        return false;
    a->set_gravity(gravity::right);
    b->set_gravity(gravity::right);
    long n = paragraphs->length();
    auto counts = [&](long i) -> element_ptr {
        auto p = paragraphs->item(i);
        return p && !is_in_table_cell(p) ? p : nullptr;
    };
    if (n == 0)
        return true;
    if (auto first = counts(0)) {
        a->move_adjacent_to_element(first, adjacency::before_begin);
        markup.move_range_to_pointers(*a, *a, *r);
        r->move_start("textedit", -1);
        if (range_has_text(*r))
            insert_line_break_at(pair, *a);
    }
    for (long i = 0; i + 1 < n; ++i) {
        if (auto p = counts(i)) {
            a->move_adjacent_to_element(p, adjacency::after_end);
            insert_line_break_at(pair, *a);
        }
        if (auto next = counts(i + 1)) {
            b->move_adjacent_to_element(next, adjacency::before_begin);
            markup.move_range_to_pointers(*a, *b, *r);
            if (range_has_text(*r)) {
                insert_line_break_at(pair, *b);
                markup.move_range_to_pointers(*b, *b, *r);
                r->paste_html("&nbsp;");
            }
        }
    }
    if (auto last = counts(n - 1)) {
        b->move_adjacent_to_element(last, adjacency::after_end);
        markup.move_range_to_pointers(*b, *b, *r);
        r->move_end("textedit", 1);
        if (range_has_text(*r))
            insert_line_break_at(pair, *b);
    }
    return true;
}

bool merge_aligned_paragraphs(const document_pair& pair, int flag)
{
    auto paragraphs = paragraphs_of(pair);
    if (!paragraphs)
        return false;
    auto& markup = pair.document->markup();
    auto a = markup.create_pointer();
    auto b = markup.create_pointer();
    auto c = markup.create_pointer();
    if (!a || !b || !c)
        return false;
    a->set_gravity(gravity::left);
    element_ptr following;
    int following_code = -1;
    for (long i = paragraphs->length() - 1; i >= 0; --i) {
        auto e = paragraphs->item(i);
        if (!e || !e->has(facet::paragraph))
            continue;
        int code = alignment_code(e);
        bool adjacent = false;
        if (following && code == following_code) {
            a->move_adjacent_to_element(following, adjacency::before_begin);
            c->move_adjacent_to_element(e, adjacency::after_end);
            a->is_equal_to(*c, adjacent);
        }
        if (adjacent) {
            a->move_adjacent_to_element(following, adjacency::after_begin);
            b->move_adjacent_to_element(e, adjacency::after_begin);
            c->move_adjacent_to_element(e, adjacency::before_end);
            insert_line_break_at(pair, *a);
            markup.move(*b, *c, *a);
            markup.remove_element(e);
            continue;
        }
        if (flag != 0 && following) {
            auto at = markup.create_pointer();
            at->move_adjacent_to_element(following, adjacency::before_begin);
            insert_line_break_at(pair, *at);
        }
        following = e;
        following_code = code;
    }
    return true;
}

}
