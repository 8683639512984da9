#include "core/markup/html_tag.h"

#include "core/url/file_url.h"

#include <algorithm>

namespace core {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool is_quote(char c) { return c == '"' || c == '\''; }

std::size_t skip_spaces(std::string_view text, std::size_t position)
{
    while (position < text.size() && is_space(text[position]))
        ++position;
    return position;
}

bool name_matches(const CAttribute& attribute, std::string_view name)
{
    return equal_ignoring_case(trim_view(attribute.name), name);
}

}

std::string_view trim_view(std::string_view text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && is_space(text[first]))
        ++first;
    while (last > first && is_space(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

CAttribute::CAttribute(std::string_view name_text, std::string_view value_text)
    : name(trim_view(name_text)), value(trim_view(value_text))
{
}

bool operator==(const CTagAttributes& a, const CTagAttributes& b)
{
    return std::equal(a.attributes_.begin(), a.attributes_.end(), b.attributes_.begin(), b.attributes_.end(),
        [](const CAttribute& x, const CAttribute& y) { return x.name == y.name && x.value == y.value; });
}

std::size_t CTagAttributes::Parse(std::string_view text, std::size_t position, bool is_comment)
{
    const std::size_t size = text.size();
    position = std::min(position, size);
    if (is_comment) {
        const std::size_t close = text.find("-->", position);
        const std::size_t end = close == std::string_view::npos ? size : close;
        attributes_.emplace_back(text.substr(position, end - position), std::string_view());
        return close == std::string_view::npos ? size : close + 3;
    }
    while (position < size && text[position] != '>') {
        position = skip_spaces(text, position);
        if (position >= size)
            break;
        std::string_view name;
        bool quoted_name = false;
        if (is_quote(text[position])) {
            const char quote = text[position];
            const std::size_t close = text.find(quote, position + 1);
            const std::size_t end = close == std::string_view::npos ? size : close;
            name = text.substr(position + 1, end - position - 1);
            position = close == std::string_view::npos ? size : close + 1;
            quoted_name = true;
        } else {
            const std::size_t begin = position;
            while (position < size && text[position] != '=' && text[position] != '>' && !is_space(text[position]))
                ++position;
            name = text.substr(begin, position - begin);
            if (name.empty() && position < size && text[position] == '=') {
                name = text.substr(position, 1);
                ++position;
            }
        }
        position = skip_spaces(text, position);
        std::string_view value;
        if (!quoted_name && position < size && text[position] == '=') {
            position = skip_spaces(text, position + 1);
            if (position < size && is_quote(text[position])) {
                const char quote = text[position];
                const std::size_t close = text.find(quote, position + 1);
                if (close == std::string_view::npos) {
                    value = text.substr(position);
                    position = size;
                } else {
                    value = text.substr(position + 1, close - position - 1);
                    position = close + 1;
                }
            } else {
                const std::size_t begin = position;
                while (position < size && text[position] != '>' && !is_space(text[position]))
                    ++position;
                value = text.substr(begin, position - begin);
            }
        }
        attributes_.emplace_back(name, value);
    }
    if (position < size && text[position] == '>')
        ++position;
    return position;
}

bool CTagAttributes::GetValue(std::string_view name, std::string& value) const
{
    value.clear();
    for (const auto& attribute : attributes_) {
        if (name_matches(attribute, name)) {
            value = attribute.value;
            return true;
        }
    }
    return false;
}

bool CTagAttributes::Has(std::string_view name) const
{
    return std::any_of(attributes_.begin(), attributes_.end(), [&](const CAttribute& a) { return name_matches(a, name); });
}

bool CTagAttributes::HasValue(std::string_view name) const
{
    std::string value;
    return GetValue(name, value) && !value.empty();
}

void CTagAttributes::GetAt(std::size_t index, std::string& name, std::string& value) const
{
    value.clear();
    if (index >= attributes_.size())
        return;
    name = attributes_[index].name;
    value = attributes_[index].value;
}

void CTagAttributes::SetValue(std::string_view name, std::string_view value)
{
    value = trim_view(value);
    if (value.size() >= 2 && is_quote(value.front()) && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    for (auto& attribute : attributes_) {
        if (name_matches(attribute, name)) {
            attribute.value = trim_view(value);
            return;
        }
    }
    attributes_.emplace_back(name, value);
}

void CTagAttributes::Remove(std::string_view name)
{
    const auto it = std::find_if(attributes_.begin(), attributes_.end(), [&](const CAttribute& a) { return name_matches(a, name); });
    if (it != attributes_.end())
        attributes_.erase(it);
}

void CTagAttributes::RemoveEvery(std::string_view name)
{
    std::erase_if(attributes_, [&](const CAttribute& a) { return name_matches(a, name); });
}

void CTagAttributes::RemoveAt(std::size_t index)
{
    if (index < attributes_.size())
        attributes_.erase(attributes_.begin() + static_cast<std::ptrdiff_t>(index));
}

void CTagAttributes::DecodeLocalLinks()
{
    for (auto& attribute : attributes_) {
        const std::string_view name = trim_view(attribute.name);
        if (equal_ignoring_case(name, "HREF") || equal_ignoring_case(name, "SRC") || equal_ignoring_case(name, "BACKGROUND"))
            attribute.value = FileUrlToPath(DecodeUrlEscapes(attribute.value));
    }
}

const std::array<std::string_view, 61> event_handler_names {"onabort", "onafterprint", "onafterupdate",
    "onbeforecopy", "onbeforecut", "onbeforeeditfocus", "onbeforepaste", "onbeforeprint", "onbeforeunload",
    "onbeforeupdate", "onblur", "onbounce", "oncellchange", "onchange", "onclick", "oncontextmenu", "oncopy",
    "oncut", "ondataavailable", "ondatasetchanged", "ondatasetcomplete", "ondblclick", "ondrag", "ondragend",
    "ondragenter", "ondragleave", "ondragover", "ondragstart", "ondrop", "onerror", "onerrorupdate",
    "onfilterchange", "onfinish", "onfocus", "onhelp", "onkeydown", "onkeypress", "onkeyup", "onload",
    "onlosecapture", "onmousedown", "onmousemove", "onmouseout", "onmouseover", "onmouseup", "onpaste",
    "onpropertychange", "onreadystatechange", "onreset", "onresize", "onrowenter", "onrowexit", "onrowsdelete",
    "onrowsinserted", "onscroll", "onselect", "onselectstart", "onstart", "onstop", "onsubmit", "onunload"};

std::size_t CHTMLTag::Parse(std::string_view text, std::size_t position)
{
    name_.clear();
    attributes_.RemoveAll();
    declaration_text_.clear();
    const std::size_t size = text.size();
    position = skip_spaces(text, std::min(position, size));
    if (position >= size)
        return position;
    if (text[position] == '<')
        ++position;
    const std::size_t inner_begin = position;
    bool comment = false;
    if (position < size && text[position] == '!') {
        const std::size_t after = skip_spaces(text, position + 1);
        if (text.substr(after, 2) == "--") {
            comment = true;
            name_ = "!--";
            position = after + 2;
        }
    }
    bool ended = false;
    if (!comment) {
        const std::size_t begin = position;
        while (position < size && text[position] != '>' && !is_space(text[position]))
            ++position;
        name_ = std::string(text.substr(begin, position - begin));
        while (!name_.empty() && is_space(name_.back()))
            name_.pop_back();
        if (position < size) {
            ended = text[position] == '>';
            ++position;
        }
    }
    if (comment || !ended)
        position = attributes_.Parse(text, position, comment);
    if (!comment && !name_.empty() && name_[0] == '!') {
        std::size_t inner_end = position;
        if (inner_end > inner_begin && inner_end <= size && text[inner_end - 1] == '>')
            --inner_end;
        declaration_text_ = std::string(text.substr(inner_begin, inner_end - inner_begin));
        keep_declaration_snapshot();
    }
    return position;
}

std::size_t CHTMLTag::Parse(const char* buffer, std::size_t position, std::size_t length)
{
    return Parse(std::string_view(buffer, length), position);
}

void CHTMLTag::keep_declaration_snapshot()
{
    if (declaration_text_.empty())
        return;
    declaration_name_ = name_;
    declaration_attributes_ = attributes_;
}

std::string CHTMLTag::GetText() const
{
    if (!declaration_text_.empty() && name_ == declaration_name_ && attributes_ == declaration_attributes_)
        return "<" + declaration_text_ + ">";
    const bool comment = name_ == "!--";
    std::string text = "<" + name_;
    for (const auto& attribute : attributes_.items()) {
        if (!comment)
            text.push_back(' ');
        text += attribute.name;
        if (attribute.value.empty())
            continue;
        const bool has_double = attribute.value.find('"') != std::string::npos;
        const bool has_single = attribute.value.find('\'') != std::string::npos;
        if (has_double && !has_single) {
            text += "='" + attribute.value + "'";
        } else {
            // Double quotes; a value holding both kinds writes its double quotes as entities so
            // that it cannot end the attribute early.
            text += "=\"";
            for (char c : attribute.value) {
                if (c == '"')
                    text += "&quot;";
                else
                    text.push_back(c);
            }
            text.push_back('"');
        }
    }
    text += comment ? "-->" : ">";
    return text;
}

void CHTMLTag::RemoveEventHandlers()
{
    for (std::string_view name : event_handler_names)
        attributes_.RemoveEvery(name);
}

std::size_t CSGMLTag::Parse(std::string_view text, std::size_t position)
{
    position = CHTMLTag::Parse(text, position);
    if (equal_ignoring_case(name_, "!ENTITY") && attributes_.GetCount() > 0 && attributes_.items()[0].name == "%") {
        name_ = "!ENTITY %";
        attributes_.RemoveAt(0);
        keep_declaration_snapshot();
    }
    return position;
}

std::size_t CSGMLTag::Parse(const char* buffer, std::size_t position, std::size_t length)
{
    return Parse(std::string_view(buffer, length), position);
}

std::string CSGMLTag::first_attribute_name_if(std::string_view tag_name) const
{
    if (!equal_ignoring_case(name_, tag_name) || attributes_.GetCount() == 0)
        return {};
    return attributes_.items()[0].name;
}

std::string CSGMLTag::GetElementName() const { return first_attribute_name_if("!ELEMENT"); }
std::string CSGMLTag::GetParameterEntityName() const { return first_attribute_name_if("!ENTITY %"); }
std::string CSGMLTag::GetEntityName() const { return first_attribute_name_if("!ENTITY"); }

std::string CSGMLTag::GetParameterEntityText() const
{
    if (!equal_ignoring_case(name_, "!ENTITY %") || attributes_.GetCount() < 2)
        return {};
    std::string_view text = trim_view(attributes_.items()[1].name);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

void SkipToNextTag(std::string_view text, std::size_t& position, std::size_t last)
{
    const std::size_t found = position < text.size() ? text.find('<', position) : std::string_view::npos;
    if (found != std::string_view::npos && found <= last)
        position = found;
    else
        position = last == std::string_view::npos ? text.size() : std::max(position, last + 1);
}

std::string GetTextToNextTag(std::string_view text, std::size_t& position)
{
    if (position >= text.size())
        return {};
    const std::size_t found = text.find('<', position);
    const std::size_t end = found == std::string_view::npos ? text.size() : found;
    std::string result(text.substr(position, end - position));
    position = end;
    return result;
}

}
