#pragma once

#include "editing/document/editing_commands.h"
#include "html/contract/document_contract.h"
#include "html/headless/headless_document.h"

#include <gtest/gtest.h>

namespace editing::testing {

// A headless document loaded with a page, and its pair.
struct document_fixture : ::testing::Test {
    document_fixture()
    {
        html::headless_ports ports;
        ports.queue = &queue;
        doc = html::make_headless_document(host, ports);
    }
    void load(std::string_view page)
    {
        ASSERT_EQ(doc->load_bytes(page), html::S_OK);
        queue.run_pending();
    }
    document_pair pair() { return document_pair::of(*doc); }
    std::string body_html()
    {
        std::string out;
        doc->body()->inner_html(out);
        return out;
    }
    html::element_ptr by_id(std::string_view id) { return doc->all()->item(id); }

    html::manual_ui_queue queue;
    html::contract::recording_host host;
    std::unique_ptr<html::document> doc;
};

}
