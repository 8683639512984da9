#include "core/markup/dtd_strict.h"

#include "core/markup/escape.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <unordered_map>

namespace core {

namespace {

std::string lower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), ascii_lower);
    return result;
}

}

void CDTDStrict::Clear()
{
    elements_.clear();
    parameter_entities_.clear();
    entities_.clear();
    known_names_ready_ = false;
}

bool CDTDStrict::IsEmpty() const
{
    return elements_.empty() && parameter_entities_.empty() && entities_.empty();
}

bool CDTDStrict::LoadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || bytes.empty())
        return false;
    LoadText(bytes);
    return true;
}

void CDTDStrict::LoadText(std::string_view text)
{
    known_names_ready_ = false;
    std::size_t position = 0;
    while (position < text.size()) {
        if (text[position] != '<') {
            const std::size_t next = text.find('<', position);
            if (next == std::string_view::npos)
                break;
            position = next;
        }
        CSGMLTag tag;
        const std::size_t after = tag.Parse(text, position);
        position = std::max(after, position + 1);
        const std::string& name = tag.GetName();
        if (equal_ignoring_case(name, "!ELEMENT"))
            elements_.push_back(std::move(tag));
        else if (equal_ignoring_case(name, "!ENTITY %"))
            parameter_entities_.push_back(std::move(tag));
        else if (equal_ignoring_case(name, "!ENTITY"))
            entities_.push_back(std::move(tag));
    }
}

namespace {

// Expands name groups into element names. Each parameter entity is expanded once: the names it
// gives are already in the set the second time, and a reference back to one being expanded
// (a cycle) adds nothing more.
class name_group_expander {
public:
    name_group_expander(const std::unordered_map<std::string, std::string>& entity_texts,
        std::unordered_set<std::string>& names)
        : entity_texts_(entity_texts), names_(names) { }

    void expand_group(std::string_view text)
    {
        text = trim_view(text);
        while (!text.empty()) {
            std::string_view group;
            if (text.front() == '(') {
                const std::size_t close = text.find(')');
                group = text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
                text = close == std::string_view::npos ? std::string_view() : text.substr(close + 1);
            } else {
                group = text;
                text = {};
            }
            for (std::size_t start = 0;;) {
                const std::size_t bar = group.find('|', start);
                const std::size_t end = bar == std::string_view::npos ? group.size() : bar;
                expand_token(trim_view(group.substr(start, end - start)));
                if (bar == std::string_view::npos)
                    break;
                start = bar + 1;
            }
        }
    }

private:
    void expand_token(std::string_view token)
    {
        if (token.empty())
            return;
        if (token.front() != '%') {
            names_.insert(lower(token));
            return;
        }
        std::string_view name = token.substr(1);
        if (!name.empty() && name.back() == ';')
            name.remove_suffix(1);
        std::string key = lower(name);
        const auto found = entity_texts_.find(key);
        if (found == entity_texts_.end() || !expanded_.insert(std::move(key)).second)
            return;
        expand_group(found->second);
    }

    const std::unordered_map<std::string, std::string>& entity_texts_;
    std::unordered_set<std::string>& names_;
    std::unordered_set<std::string> expanded_;
};

}

void CDTDStrict::build_known_names() const
{
    element_names_.clear();
    entity_names_.clear();
    std::unordered_map<std::string, std::string> entity_texts;
    for (const auto& declaration : parameter_entities_)
        entity_texts.emplace(lower(declaration.GetParameterEntityName()), declaration.GetParameterEntityText());
    name_group_expander expander(entity_texts, element_names_);
    for (const auto& declaration : elements_)
        expander.expand_group(declaration.GetElementName());
    for (const auto& declaration : entities_)
        entity_names_.insert(lower(declaration.GetEntityName()));
    known_names_ready_ = true;
}

bool CDTDStrict::IsKnownElement(std::string_view name) const
{
    if (equal_ignoring_case(name, "!DOCTYPE") || name == "!--")
        return true;
    if (!known_names_ready_)
        build_known_names();
    if (element_names_.count(lower(name)))
        return true;
    return !name.empty() && name.front() == '/' && element_names_.count(lower(name.substr(1)));
}

bool CDTDStrict::IsKnownEntity(std::string_view reference) const
{
    if (reference.size() < 2 || reference.front() != '&' || reference.back() != ';')
        return false;
    const std::string_view inner = reference.substr(1, reference.size() - 2);
    if (!inner.empty() && inner.front() == '#') {
        std::string_view digits = inner.substr(1);
        const bool hex = !digits.empty() && (digits.front() == 'x' || digits.front() == 'X');
        if (hex)
            digits.remove_prefix(1);
        return !digits.empty() && std::all_of(digits.begin(), digits.end(), hex ? is_ascii_hex_digit : is_ascii_digit);
    }
    if (!known_names_ready_)
        build_known_names();
    return entity_names_.count(lower(inner)) != 0;
}

void CDTDStrict::ReplaceUnknownEntities(std::string& text) const
{
    if (text.find('&') == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    std::size_t at = 0;
    while ((at = text.find('&', at)) != std::string::npos) {
        const std::size_t length = reference_length(text, at);
        if (length == 0) {
            ++at;
            continue;
        }
        if (!IsKnownEntity(std::string_view(text).substr(at, length))) {
            out.append(text, copied, at - copied);
            out.push_back(' ');
            copied = at + length;
        }
        at += length;
    }
    out.append(text, copied, std::string::npos);
    text.swap(out);
}

bool LoadStandardDTD(CDTDStrict& dtd, const std::string& folder)
{
    dtd.Clear();
    if (folder.empty())
        return false;
    for (std::string_view file : standard_dtd_files) {
        if (!dtd.LoadFile(folder + "/" + std::string(file))) {
            dtd.Clear();
            return false;
        }
    }
    return true;
}

std::string standard_dtd_folder(const std::string& resources_folder)
{
    return resources_folder + "/talverin";
}

}
