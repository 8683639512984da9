#include "core/sed/sed_regex.h"

#include "core/sed/sed_limits.h"
#include "platform/text/quoted_text.h"

#include <algorithm>
#include <cstring>

namespace hevtools::sed {

namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

bool is_word(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool repeatable(const std::vector<element>& elements)
{
    if (elements.empty())
        return false;
    const element& last = elements.back();
    if (last.repeated())
        return false;
    return last.kind == element_kind::literal || last.kind == element_kind::any || last.kind == element_kind::set
        || last.kind == element_kind::back_reference;
}

// Reads a decimal number of at most 3 digits; false when there is none or it is too long.
bool read_count(std::string_view text, std::size_t& pos, std::uint32_t& out)
{
    std::size_t begin = pos;
    std::uint32_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (pos - begin >= 3)
            return false;
        value = value * 10 + static_cast<std::uint32_t>(text[pos] - '0');
        ++pos;
    }
    out = value;
    return pos > begin;
}

// One byte of a bracket expression, escapes decoded.
regex_status set_byte(std::string_view text, std::size_t& pos, unsigned char& out, std::string& bad_text)
{
    if (pos >= text.size() || text[pos] == '\n')
        return regex_status::garbled;
    if (text[pos] != '\\') {
        out = static_cast<unsigned char>(text[pos++]);
        return regex_status::ok;
    }
    std::size_t backslash = pos++;
    if (pos >= text.size() || text[pos] == '\n')
        return regex_status::garbled;
    if (!decode_escape(text, pos, out)) {
        bad_text = std::string(text.substr(backslash));
        return regex_status::bad_escape;
    }
    return regex_status::ok;
}

regex_status parse_set(std::string_view text, std::size_t& pos, char_set& set, std::string& bad_text)
{
    bool negate = false;
    if (pos < text.size() && text[pos] == '^') {
        negate = true;
        ++pos;
    }
    bool first = true;
    for (;;) {
        if (pos >= text.size() || text[pos] == '\n')
            return regex_status::garbled;
        if (text[pos] == ']') {
            ++pos;
            break;
        }
        if (text[pos] == '-' && (first || (pos + 1 < text.size() && text[pos + 1] == ']'))) {
            set.set('-');
            ++pos;
            first = false;
            continue;
        }
        unsigned char from = 0;
        if (auto status = set_byte(text, pos, from, bad_text); status != regex_status::ok)
            return status;
        first = false;
        if (pos + 1 < text.size() && text[pos] == '-' && text[pos + 1] != ']') {
            ++pos;
            unsigned char to = 0;
            if (auto status = set_byte(text, pos, to, bad_text); status != regex_status::ok)
                return status;
            if (to < from)
                return regex_status::range_error;
            for (unsigned c = from; c <= to; ++c)
                set.set(c);
        } else {
            set.set(from);
        }
    }
    if (negate) {
        set.flip();
        set.reset(0);
    }
    return regex_status::ok;
}

void add_literal(regex& re, unsigned char c)
{
    element e;
    e.kind = element_kind::literal;
    e.value = c;
    re.elements.push_back(e);
}

void add_plain(regex& re, element_kind kind, unsigned char value = 0)
{
    element e;
    e.kind = kind;
    e.value = value;
    re.elements.push_back(e);
}

void find_shortcuts(regex& re)
{
    if (!re.anchored) {
        for (const element& e : re.elements) {
            if (e.kind == element_kind::group_start || e.kind == element_kind::group_end)
                continue;
            if (e.kind != element_kind::literal || e.min == 0)
                break;
            re.leading_literals.push_back(static_cast<char>(e.value));
            if (e.repeated())
                break;
        }
    }
    if (re.leading_literals.empty()) {
        for (const element& e : re.elements) {
            if (e.kind == element_kind::literal && e.min > 0) {
                re.required_byte = e.value;
                break;
            }
        }
    }
}

}

bool decode_escape(std::string_view text, std::size_t& pos, unsigned char& out)
{
    unsigned char c = static_cast<unsigned char>(text[pos++]);
    switch (c) {
    case 'a': out = 7; return true;
    case 'b': out = 8; return true;
    case 'e': out = 27; return true;
    case 'f': out = 12; return true;
    case 'n': out = 10; return true;
    case 'r': out = 13; return true;
    case 't': out = 9; return true;
    case 'v': out = 11; return true;
    case 'x': {
        if (pos + 2 > text.size())
            return false;
        int high = platform::text::hex_digit(text[pos]);
        int low = platform::text::hex_digit(text[pos + 1]);
        if (high < 0 || low < 0)
            return false;
        out = static_cast<unsigned char>(high * 16 + low);
        pos += 2;
        return true;
    }
    default:
        out = c;
        return true;
    }
}

regex_parse parse_regex(std::string_view text, std::size_t& pos, char delimiter)
{
    regex_parse result;
    if (pos < text.size() && text[pos] == delimiter) {
        ++pos;
        result.status = regex_status::reuse_last;
        return result;
    }
    auto re = std::make_shared<regex>();
    if (pos < text.size() && text[pos] == '^') {
        re->anchored = true;
        ++pos;
    }
    std::vector<int> open;
    unsigned closed = 0;
    for (;;) {
        if (pos >= text.size() || text[pos] == '\n')
            return result;
        char c = text[pos];
        if (c == delimiter) {
            ++pos;
            break;
        }
        if (c == '$' && pos + 1 < text.size() && text[pos + 1] == delimiter) {
            add_plain(*re, element_kind::end_of_line);
            ++pos;
            continue;
        }
        if (c == '.') {
            add_plain(*re, element_kind::any);
            ++pos;
            continue;
        }
        if (c == '[') {
            ++pos;
            char_set set;
            auto status = parse_set(text, pos, set, result.bad_text);
            if (status != regex_status::ok) {
                result.status = status;
                return result;
            }
            element e;
            e.kind = element_kind::set;
            e.set = static_cast<std::uint32_t>(re->sets.size());
            re->sets.push_back(set);
            re->elements.push_back(e);
            continue;
        }
        if ((c == '*' || c == '+') && repeatable(re->elements)) {
            re->elements.back().min = c == '*' ? 0 : 1;
            re->elements.back().max = unbounded;
            ++pos;
            continue;
        }
        if (c != '\\') {
            add_literal(*re, static_cast<unsigned char>(c));
            ++pos;
            continue;
        }
        std::size_t backslash = pos++;
        if (pos >= text.size() || text[pos] == '\n')
            return result;
        char d = text[pos];
        if (d == delimiter) {
            add_literal(*re, static_cast<unsigned char>(d));
            ++pos;
        } else if (d == '(') {
            if (re->groups >= limits::max_groups)
                return result;
            ++re->groups;
            open.push_back(re->groups);
            add_plain(*re, element_kind::group_start, static_cast<unsigned char>(re->groups));
            ++pos;
        } else if (d == ')') {
            if (open.empty())
                return result;
            int group = open.back();
            open.pop_back();
            closed |= 1u << group;
            add_plain(*re, element_kind::group_end, static_cast<unsigned char>(group));
            ++pos;
        } else if (d >= '1' && d <= '9') {
            int group = d - '0';
            if (!(closed & (1u << group)))
                return result;
            add_plain(*re, element_kind::back_reference, static_cast<unsigned char>(group));
            re->has_back_references = true;
            ++pos;
        } else if (d == '<' || d == '>') {
            add_plain(*re, d == '<' ? element_kind::word_start : element_kind::word_end);
            ++pos;
        } else if (d == '{') {
            if (!repeatable(re->elements))
                return result;
            ++pos;
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            if (!read_count(text, pos, low) || low < 1 || low > limits::max_repeat_min)
                return result;
            high = low;
            if (pos < text.size() && text[pos] == ',') {
                ++pos;
                if (pos < text.size() && text[pos] == '\\') {
                    high = unbounded;
                } else {
                    if (!read_count(text, pos, high) || high < low || high - low > limits::max_repeat_span)
                        return result;
                }
            }
            if (pos + 1 >= text.size() || text[pos] != '\\' || text[pos + 1] != '}')
                return result;
            pos += 2;
            re->elements.back().min = low;
            re->elements.back().max = high;
        } else {
            unsigned char byte = 0;
            if (!decode_escape(text, pos, byte)) {
                result.status = regex_status::bad_escape;
                result.bad_text = std::string(text.substr(backslash));
                return result;
            }
            add_literal(*re, byte);
        }
    }
    if (!open.empty())
        return result;
    find_shortcuts(*re);
    result.status = regex_status::ok;
    result.compiled = std::move(re);
    return result;
}

// ---- matching ----

void matcher::begin(const regex& re, std::string_view text)
{
    re_ = &re;
    text_ = reinterpret_cast<const unsigned char*>(text.data());
    length_ = text.size();
    learn_ = !re.has_back_references;
    known_.assign(re.elements.size(), known_failures {});
    memo_.clear();
    memo_on_ = false;
    work_ = 0;
    required_valid_ = false;
    match_start_ = match_end_ = 0;
    for (auto& g : groups_)
        g[0] = g[1] = npos;
}

std::string_view matcher::group(int g) const
{
    if (g < 1 || g > 9 || groups_[g][0] == npos || groups_[g][1] == npos || groups_[g][1] < groups_[g][0])
        return {};
    return std::string_view(reinterpret_cast<const char*>(text_) + groups_[g][0], groups_[g][1] - groups_[g][0]);
}

bool matcher::atom_matches(const element& e, unsigned char c) const
{
    switch (e.kind) {
    case element_kind::literal: return c == e.value;
    case element_kind::any: return true;
    case element_kind::set: return re_->sets[e.set].test(c);
    default: return false;
    }
}

std::size_t matcher::run_end(std::uint32_t index, std::size_t pos, std::size_t limit)
{
    const element& e = re_->elements[index];
    if (e.kind == element_kind::any)
        return limit;
    known_failures& k = known_[index];
    std::size_t end;
    if (pos >= k.run_from && pos <= k.run_to) {
        end = k.run_to;
    } else {
        end = pos;
        if (e.kind == element_kind::literal) {
            while (end < length_ && text_[end] == e.value)
                ++end;
        } else {
            const char_set& set = re_->sets[e.set];
            while (end < length_ && set.test(text_[end]))
                ++end;
        }
        work_ += end - pos;
        k.run_from = pos;
        k.run_to = end;
    }
    return std::min(end, limit);
}

void matcher::enable_memo()
{
    std::size_t bits = (re_->elements.size() + 1) * (length_ + 1);
    if (bits > (std::size_t(1) << 30))
        return; // too large to remember: searching stays correct, only slower
    memo_.assign((bits + 63) / 64, 0);
    memo_on_ = true;
}

bool matcher::failed(std::uint32_t elem, std::size_t pos) const
{
    std::size_t bit = elem * (length_ + 1) + pos;
    return (memo_[bit / 64] >> (bit % 64)) & 1u;
}

void matcher::mark_failed(std::uint32_t elem, std::size_t pos)
{
    std::size_t bit = elem * (length_ + 1) + pos;
    memo_[bit / 64] |= std::uint64_t(1) << (bit % 64);
}

bool matcher::next_candidate(frame& f, std::size_t& position)
{
    const auto& elements = re_->elements;
    bool reference = elements[f.elem].kind == element_kind::back_reference;
    if (f.last != npos && memo_on_)
        mark_failed(f.elem + 1, reference ? f.pos + f.last * f.step : f.last);
    const element* follow = f.elem + 1 < elements.size() ? &elements[f.elem + 1] : nullptr;
    bool literal_follows = !reference && follow && follow->kind == element_kind::literal && follow->min > 0;
    while (f.next != npos) {
        std::size_t candidate = f.next;
        if (literal_follows) {
            // Only positions holding the following literal can go on.
            if (f.low >= length_)
                return false;
            std::size_t high = std::min(candidate, length_ - 1);
            if (high < f.low)
                return false;
            const void* hit = memrchr(text_ + f.low, follow->value, high - f.low + 1);
            if (!hit)
                return false;
            candidate = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - text_);
        }
        f.next = candidate == f.low ? npos : candidate - 1;
        std::size_t at = reference ? f.pos + candidate * f.step : candidate;
        ++work_;
        if (memo_on_ && failed(f.elem + 1, at))
            continue;
        f.last = candidate;
        position = at;
        return true;
    }
    return false;
}

bool matcher::match_at(std::size_t start)
{
    const auto& elements = re_->elements;
    const std::uint32_t count = static_cast<std::uint32_t>(elements.size());
    frames_.clear();
    std::uint32_t i = 0;
    std::size_t p = start;
    for (;;) {
        bool ok = true;
        while (ok) {
            if (i == count) {
                match_start_ = start;
                match_end_ = p;
                return true;
            }
            ++work_;
            if (memo_on_ && failed(i, p)) {
                ok = false;
                break;
            }
            const element& e = elements[i];
            switch (e.kind) {
            case element_kind::group_start:
                groups_[e.value][0] = p;
                groups_[e.value][1] = npos;
                ++i;
                break;
            case element_kind::group_end:
                groups_[e.value][1] = p;
                ++i;
                break;
            case element_kind::word_start:
                ok = p < length_ && is_word(text_[p]) && (p == 0 || !is_word(text_[p - 1]));
                ++i;
                break;
            case element_kind::word_end:
                ok = (p == length_ || !is_word(text_[p])) && p > 0 && is_word(text_[p - 1]);
                ++i;
                break;
            case element_kind::end_of_line:
                ok = p == length_;
                ++i;
                break;
            case element_kind::back_reference: {
                std::size_t from = groups_[e.value][0];
                std::size_t to = groups_[e.value][1];
                std::size_t size = (from == npos || to == npos || to < from) ? 0 : to - from;
                if (!e.repeated()) {
                    ok = size <= length_ - p && std::memcmp(text_ + p, text_ + from, size) == 0;
                    p += ok ? size : 0;
                    ++i;
                    break;
                }
                if (size == 0) {
                    ++i;
                    break;
                }
                std::size_t times = 0;
                std::size_t q = p;
                while (times < e.max && size <= length_ - q && std::memcmp(text_ + q, text_ + from, size) == 0) {
                    q += size;
                    ++times;
                }
                if (times < e.min) {
                    ok = false;
                    break;
                }
                frames_.push_back(frame {i, p, times, e.min, times, npos, size, times});
                std::size_t next = 0;
                if (!next_candidate(frames_.back(), next)) {
                    frames_.pop_back();
                    ok = false;
                    break;
                }
                p = next;
                ++i;
                break;
            }
            default: {
                if (!e.repeated()) {
                    ok = p < length_ && atom_matches(e, text_[p]);
                    ++p;
                    ++i;
                    break;
                }
                std::size_t limit = e.max == unbounded ? length_ : std::min(length_, p + e.max);
                std::size_t end = run_end(i, p, limit);
                if (end - p < e.min) {
                    ok = false;
                    break;
                }
                std::size_t low = p + e.min;
                std::size_t high = end;
                std::size_t top = end;
                if (learn_) {
                    const known_failures& k = known_[i];
                    if (k.low <= k.high && k.low <= high && k.high >= high) {
                        top = k.high;
                        if (k.low <= low) {
                            ok = false;
                            break;
                        }
                        high = k.low - 1;
                    }
                }
                frames_.push_back(frame {i, p, high, low, top, npos, 0, 0});
                std::size_t next = 0;
                if (!next_candidate(frames_.back(), next)) {
                    if (learn_)
                        known_[i] = {low, top, known_[i].run_from, known_[i].run_to};
                    frames_.pop_back();
                    ok = false;
                    break;
                }
                p = next;
                ++i;
                break;
            }
            }
        }
        // Backtrack to the latest repetition that has another candidate.
        if (learn_ && !memo_on_ && work_ > 16 * (length_ + 1) + 100000)
            enable_memo();
        for (;;) {
            if (frames_.empty())
                return false;
            frame& f = frames_.back();
            std::size_t next = 0;
            if (next_candidate(f, next)) {
                i = f.elem + 1;
                p = next;
                break;
            }
            if (learn_ && elements[f.elem].kind != element_kind::back_reference)
                known_[f.elem] = {f.low, f.top, known_[f.elem].run_from, known_[f.elem].run_to};
            frames_.pop_back();
        }
    }
}

std::size_t matcher::find_byte(std::size_t from, unsigned char byte) const
{
    const void* hit = std::memchr(text_ + from, byte, length_ - from);
    return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - text_) : npos;
}

bool matcher::search(std::size_t from, bool continuing)
{
    if (from > length_)
        return false;
    if (re_->anchored) {
        if (continuing || from != 0)
            return false;
        return match_at(0);
    }
    if (re_->required_byte >= 0) {
        if (!required_valid_ || required_at_ < from) {
            required_at_ = find_byte(from, static_cast<unsigned char>(re_->required_byte));
            if (required_at_ == npos)
                return false;
            required_valid_ = true;
        }
    }
    const std::string& lead = re_->leading_literals;
    for (std::size_t p = from; p <= length_; ++p) {
        if (!lead.empty()) {
            const void* hit = lead.size() == 1 ? std::memchr(text_ + p, static_cast<unsigned char>(lead[0]), length_ - p)
                                               : memmem(text_ + p, length_ - p, lead.data(), lead.size());
            if (!hit)
                return false;
            p = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - text_);
        }
        if (match_at(p))
            return true;
    }
    return false;
}

}
