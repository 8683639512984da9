#include "core/vocab/pull_placeholders.h"

#include "core/url/file_url.h"

#include <cctype>

namespace core {

namespace {

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool starts_with_prefix(std::string_view text)
{
    return text.size() >= pull_placeholder_prefix.size()
        && equal_ignoring_case(text.substr(0, pull_placeholder_prefix.size()), pull_placeholder_prefix);
}

std::string_view last_component(std::string_view path)
{
    auto at = path.find_last_of("/\\");
    return at == std::string_view::npos ? path : path.substr(at + 1);
}

}

bool FindPullPlaceholder(std::string_view text, int& start, int& end)
{
    auto first = text.find(pull_placeholder_prefix);
    if (first == std::string_view::npos) {
        start = -1;
        return false;
    }
    start = static_cast<int>(first);
    auto last = text.rfind(']');
    end = last == std::string_view::npos ? -1 : static_cast<int>(last);
    // A "]" before the name's start closes nothing.
    return last != std::string_view::npos && last >= first + pull_placeholder_prefix.size();
}

bool GetPullPlaceholderName(std::string& text)
{
    int start = -1;
    int end = -1;
    if (!FindPullPlaceholder(text, start, end))
        return false;
    auto name_start = static_cast<std::size_t>(start) + pull_placeholder_prefix.size();
    text = text.substr(name_start, static_cast<std::size_t>(end) - name_start);
    return true;
}

bool ExtractPullPlaceholder(std::string& text, bool keep_rest)
{
    auto split = text.find("[pull");
    if (split != std::string::npos && split + 6 < text.size() && (text[split + 6] == '\r' || text[split + 6] == '\n')) {
        auto name = text.find("name=", split + 6);
        if (name != std::string::npos)
            text.erase(split + 6, name - (split + 6));
    }
    int start = -1;
    int end = -1;
    if (!FindPullPlaceholder(text, start, end))
        return false;
    auto from = static_cast<std::size_t>(start);
    text = keep_rest ? text.substr(from) : text.substr(from, static_cast<std::size_t>(end) - from + 1);
    return true;
}

bool IsFileLink(std::string_view reference)
{
    if (reference.empty())
        return false;
    auto query = reference.find('?');
    auto file = last_component(reference.substr(0, query));
    return !(starts_with_prefix(file) && !file.empty() && file.back() == ']');
}

std::string GetLinkFileName(std::string_view reference)
{
    auto local = FileUrlToPath(DecodeUrlEscapes(reference));
    std::string name(last_component(local));
    if (!starts_with_prefix(name))
        return name;
    std::string stripped;
    for (std::size_t i = 0; i < name.size();) {
        if (starts_with_prefix(std::string_view(name).substr(i))) {
            i += pull_placeholder_prefix.size();
            continue;
        }
        stripped += name[i++];
    }
    if (!stripped.empty())
        stripped.pop_back();
    return stripped;
}

std::string make_pull_placeholder(std::string_view name)
{
    std::string placeholder(pull_placeholder_prefix);
    placeholder += name;
    placeholder += ']';
    return placeholder;
}

}
