#pragma once

// The peer of our HTML readers and writers: libxml2 reads a page into its tree and writes
// it out again.
#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>

#include <string>

namespace bench {

// htmlReadMemory + htmlDocDumpMemory on the bytes; the size of what was written.
inline std::size_t libxml2_read_and_write(const std::string& body)
{
    htmlDocPtr doc = htmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, "UTF-8",
        HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_COMPACT);
    xmlChar* text = nullptr;
    int size = 0;
    htmlDocDumpMemory(doc, &text, &size);
    xmlFree(text);
    xmlFreeDoc(doc);
    return static_cast<std::size_t>(size);
}

}
