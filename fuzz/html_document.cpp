// Bytes up to the first NUL are a page loaded into a headless document; the bytes after it
// choose edits through the document interface and the editing document's key and
// marked-object operations. After each edit the tree and the pointers
// must hold together; at the end the written page must read back to itself.
#include "editing/document/anchor_keys.h"
#include "editing/document/block_keys.h"
#include "editing/document/marked_objects.h"
#include "html/contract/recording_host.h"
#include "html/headless/headless_document.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace html;

namespace {

class bytes_reader {
public:
    bytes_reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) { }
    bool done() const { return at_ >= size_; }
    unsigned next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void require(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "html_document: %s\n", what.c_str());
        std::abort();
    }
}

void check(document& doc)
{
    std::string why = check_headless_document(doc);
    require(why.empty(), why);
}

const char* const snippets[] = {"<b>x</b>", "<p>para</p>", "text", "<!--c-->", "<table><tr><td>c</td></tr></table>",
    "<img src=a.gif>", "<div><font color=red>f</font></div>", "&nbsp;<br>", "<li>item", "", "<pre>a\nb</pre>",
    "<script>if (a<b) x();</script>", "</p><p>"};

const int commands[] = {28, 43, 57, 44, 45, 46, 42, 48, 60, 47, 36, 37, 38, 30, 31, 50, 58, 52, 14, 15, 16, 17, 18, 19, 20, 21, 23, 56, 99};

element_ptr pick_element(document& doc, bytes_reader& in)
{
    auto all = doc.all();
    long n = all->length();
    return n ? all->item(static_cast<long>(in.next() * 256 + in.next()) % n) : nullptr;
}

void load_and_check_fixed_point(document& doc, manual_ui_queue& queue, const std::string& page)
{
    doc.load_bytes(page, true);
    queue.run_pending();
    check(doc);
    std::string again = doc.html();
    if (again != page) {
        std::size_t at = 0;
        while (at < again.size() && at < page.size() && again[at] == page[at])
            ++at;
        std::size_t from = at > 60 ? at - 60 : 0;
        require(false, "a written page does not read back to itself at byte " + std::to_string(at) + ":\n  wrote: "
            + page.substr(from, 120) + "\n  reads: " + again.substr(from, 120));
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t split = 0;
    while (split < size && data[split] != 0)
        ++split;
    manual_ui_queue queue;
    contract::recording_host host;
    headless_ports ports;
    ports.queue = &queue;
    auto doc = make_headless_document(host, ports);
    doc->load_bytes(std::string_view(reinterpret_cast<const char*>(data), split));
    queue.run_pending();
    check(*doc);
    std::string fresh = doc->html();
    load_and_check_fixed_point(*doc, queue, fresh);

    auto& m = doc->markup();
    std::vector<pointer_ptr> pointers {m.create_pointer(), m.create_pointer(), m.create_pointer()};
    bytes_reader in(data + std::min(split + 1, size), size - std::min(split + 1, size));
    for (int steps = 0; !in.done() && steps < 64; ++steps) {
        unsigned op = in.next() % 15;
        auto& p = *pointers[in.next() % pointers.size()];
        auto& q = *pointers[in.next() % pointers.size()];
        switch (op) {
        case 0:
            if (auto e = pick_element(*doc, in))
                p.move_adjacent_to_element(e, static_cast<adjacency>(in.next() % 4));
            break;
        case 1: {
            context what;
            if (in.next() % 2)
                p.left(true, what);
            else
                p.right(true, what);
            break;
        }
        case 2:
            m.insert_text(in.next() % 2 ? "ab" : " ", p);
            break;
        case 3: case 4: case 5: {
            bool ordered = false;
            if (failed(p.is_left_of_or_equal_to(q, ordered)))
                break;
            auto& first = ordered ? p : q;
            auto& last = ordered ? q : p;
            if (op == 3) {
                static const tag_id ids[] = {tag_id::a, tag_id::br, tag_id::comment, tag_id::div, tag_id::p, tag_id::img};
                element_ptr e;
                m.create_element(ids[in.next() % 6], "title=\"t\"", e);
                m.insert_element(e, first, last);
            } else if (op == 4) {
                m.remove(first, last);
            } else {
                m.move(first, last, *pointers[in.next() % pointers.size()]);
            }
            break;
        }
        case 6:
            if (auto e = pick_element(*doc, in))
                m.remove_element(e);
            break;
        case 7: {
            bool ordered = false;
            if (failed(p.is_left_of_or_equal_to(q, ordered)))
                break;
            auto r = doc->selection()->create_range();
            if (r && succeeded(m.move_range_to_pointers(ordered ? p : q, ordered ? q : p, *r)))
                r->paste_html(snippets[in.next() % std::size(snippets)]);
            break;
        }
        case 8: case 9:
            if (auto e = pick_element(*doc, in)) {
                const char* s = snippets[in.next() % std::size(snippets)];
                if (op == 8)
                    e->put_inner_html(s);
                else
                    e->put_outer_html(s);
            }
            break;
        case 10: {
            int id = commands[in.next() % std::size(commands)];
            value arg = id == 36 ? value("Arial") : id == 37 ? value(std::int32_t(in.next() % 9)) : value(std::int32_t(in.next()));
            bool ordered = false;
            if (succeeded(p.is_left_of_or_equal_to(q, ordered))) {
                auto r = doc->selection()->create_range();
                if (r && succeeded(m.move_range_to_pointers(ordered ? p : q, ordered ? q : p, *r)))
                    r->select();
            }
            doc->command_target().exec(edit_command_group, id, 2, &arg, nullptr);
            break;
        }
        case 11:
            doc->command_target().exec(edit_command_group, in.next() % 2 ? 58 : 52, 2, nullptr, nullptr);
            break;
        case 12: {
            static const int keys[] = {8, 13, 46, 37, 39, 38, 40};
            unsigned k = in.next();
            if (k % 8 == 7)
                doc->input().type_text("x");
            else
                doc->input().key_down(keys[k % 7], false, (k & 8) != 0);
            break;
        }
        case 13:
            if (auto e = pick_element(*doc, in)) {
                bool removed;
                if (in.next() % 2)
                    e->set_attribute("align", value("center"));
                else
                    e->remove_attribute("align", removed);
            }
            break;
        case 14: {
            // The editing document's key and marked-object operations at the range p..q.
            bool ordered = false;
            if (succeeded(p.is_left_of_or_equal_to(q, ordered))) {
                auto r = doc->selection()->create_range();
                if (r && succeeded(m.move_range_to_pointers(ordered ? p : q, ordered ? q : p, *r)))
                    r->select();
            }
            const auto pair = editing::document_pair::of(*doc);
            static const int keys[] = {8, 37, 39, 46, 16, 65};
            const unsigned which = in.next();
            switch (which % 7) {
            case 0: editing::on_key_down(pair, keys[in.next() % std::size(keys)], (which & 8) != 0); break;
            case 1: editing::on_delete_key(pair, (which & 8) != 0); break;
            case 2: editing::on_enter_in_block(pair); break;
            case 3: editing::insert_line_break(pair); break;
            case 4: editing::convert_enclosing_block(pair, (which & 8) != 0); break;
            case 5: editing::insert_element_at_selection(pair, (which & 8) ? tag_id::div : tag_id::img, (which & 16) != 0); break;
            default: editing::paste_marked_html(pair, snippets[in.next() % std::size(snippets)], (which & 8) != 0); break;
            }
            break;
        }
        }
        if (std::getenv("HTML_DOCUMENT_TRACE"))
            std::fprintf(stderr, "op %u\n", op);
        check(*doc);
    }
    std::string once = doc->html();
    doc->load_bytes(once, true);
    queue.run_pending();
    check(*doc);
    load_and_check_fixed_point(*doc, queue, doc->html());
    return 0;
}
