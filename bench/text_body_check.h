#pragma once

// The text body's lost-text check: each text node libxml2 reads in a page's body (outside
// SCRIPT, STYLE, OBJECT, TITLE and comments), stripped of white space and non-breaking
// spaces, must be found in order in the text the view shows for the page's text body,
// likewise stripped. Shared by the benchmark and its ctest.
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <string>
#include <string_view>
#include <vector>

namespace bench {

inline std::string stripped_text(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v')
            continue;
        if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

namespace detail {

inline bool hidden_element(const xmlNode* node)
{
    if (node->type != XML_ELEMENT_NODE || !node->name)
        return false;
    const std::string_view name = reinterpret_cast<const char*>(node->name);
    return name == "script" || name == "style" || name == "object" || name == "title" || name == "head";
}

inline void collect_text(const xmlNode* node, std::vector<std::string>& texts)
{
    for (; node; node = node->next) {
        if (hidden_element(node))
            continue;
        if (node->type == XML_TEXT_NODE && node->content) {
            std::string text = stripped_text(reinterpret_cast<const char*>(node->content));
            if (!text.empty())
                texts.push_back(std::move(text));
        }
        collect_text(node->children, texts);
    }
}

}

// The stripped body texts of a UTF-8 page, in document order.
inline std::vector<std::string> libxml2_body_texts(const std::string& page)
{
    std::vector<std::string> texts;
    htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8",
        HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc)
        return texts;
    detail::collect_text(xmlDocGetRootElement(doc), texts);
    xmlFreeDoc(doc);
    return texts;
}

// The page's body texts that `shown` lacks (in order); empty when none is lost.
inline std::vector<std::string> lost_texts(const std::string& page, std::string_view shown)
{
    const std::string ours = stripped_text(shown);
    std::vector<std::string> lost;
    std::size_t at = 0;
    for (const std::string& text : libxml2_body_texts(page)) {
        const auto found = ours.find(text, at);
        if (found == std::string::npos)
            lost.push_back(text);
        else
            at = found + text.size();
    }
    return lost;
}

}
