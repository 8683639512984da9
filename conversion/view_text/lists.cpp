#include "conversion/view_text/find_text.h"
#include "conversion/view_text/text_rewriters.h"

#include <deque>
#include <vector>

namespace conversion {

namespace {

struct list_words {
    std::string_view open;  // "<UL"
    std::string_view close; // "</UL>"
    bool numbered;
};

struct span {
    std::size_t at;
    std::size_t length;
};

// A list runs from its opening tag to the next end tag. A list opened inside it keeps its
// tag until that end; its own items then run on to the following end tag, as when the lists
// are taken one at a time from the top.
class list_flattener {
public:
    list_flattener(std::string_view text, const list_words& words) : text_(text), words_(words) { }

    std::string run()
    {
        out_.reserve(text_.size() + text_.size() / 4);
        std::size_t from = 0;
        for (;;) {
            const std::size_t open = find_text(text_, words_.open, from);
            if (open == std::string_view::npos)
                break;
            std::size_t close = find_text(text_, words_.close, open + 1);
            if (close == std::string_view::npos)
                break;
            out_.append(text_, from, open - from);
            from = text_.find('>', open) + 1; // the end tag holds a '>'
            number_ = 0;
            if (!run_blocks(from, close))
                return finish(from);
        }
        return finish(from);
    }

private:
    // Converts from `from` to `close` and on through the lists left open; false when one of
    // them has no end.
    bool run_blocks(std::size_t& from, std::size_t close)
    {
        for (;;) {
            if (from <= close)
                convert_items(from, close);
            from = std::max(from, close + words_.close.size());
            if (pending_.empty())
                return true;
            close = find_text(text_, words_.close, from);
            if (close == std::string_view::npos)
                return false;
            const std::size_t tag = pending_.front();
            pending_.pop_front();
            const std::size_t gt = out_.find('>', tag);
            removed_.push_back({tag, (gt == std::string::npos ? out_.size() : gt + 1) - tag});
            number_ = 0;
        }
    }

    void convert_items(std::size_t from, std::size_t end)
    {
        std::size_t i = from;
        while (i < end) {
            const std::size_t lt = text_.find('<', i);
            const std::size_t stop = lt < end ? lt : end;
            out_.append(text_, i, stop - i);
            i = stop;
            if (i >= end)
                break;
            if (text_at(text_, i, "<li>")) {
                if (words_.numbered)
                    out_ += "<p>&nbsp;&nbsp;&nbsp;" + std::to_string(++number_) + " ";
                else
                    out_ += "<p>&nbsp;&nbsp;&nbsp;* ";
                i += 4;
            } else if (text_at(text_, i, "</li>")) {
                out_ += "</p>\n";
                i += 5;
            } else if (text_at(text_, i, "<div>")) {
                i += 5;
            } else if (text_at(text_, i, "</div>")) {
                i += 6;
            } else {
                if (text_at(text_, i, words_.open))
                    pending_.push_back(out_.size());
                out_ += text_[i++];
            }
        }
    }

    std::string finish(std::size_t from)
    {
        out_.append(text_, from);
        if (removed_.empty())
            return std::move(out_);
        std::string kept;
        kept.reserve(out_.size());
        std::size_t at = 0;
        for (const span& r : removed_) {
            kept.append(out_, at, r.at - at);
            at = r.at + r.length;
        }
        kept.append(out_, at);
        return kept;
    }

    std::string_view text_;
    list_words words_;
    std::string out_;
    std::deque<std::size_t> pending_;
    std::vector<span> removed_;
    int number_ = 0;
};

}

void convert_unordered_lists(std::string& text) { text = list_flattener(text, {"<UL", "</UL>", false}).run(); }

void convert_ordered_lists(std::string& text) { text = list_flattener(text, {"<OL", "</OL>", true}).run(); }

}
