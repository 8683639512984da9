#pragma once

// The behaviour every HTML document implementation shows, as one parameterised suite.
// An implementation's tests instantiate `DocumentContract` with a factory:
//
//   INSTANTIATE_TEST_SUITE_P(headless, DocumentContract, testing::Values(named_factory {...}));

#include "html/clipboard.h"
#include "html/contract/recording_host.h"
#include "html/document.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace html::contract {

// The document shares the given clipboard.
using document_factory = std::function<std::unique_ptr<document>(document_host&, ui_queue&, const std::shared_ptr<clipboard>&)>;

struct named_factory {
    std::string name;
    document_factory make;
};

inline void PrintTo(const named_factory& factory, std::ostream* out) { *out << factory.name; }

class DocumentContract : public ::testing::TestWithParam<named_factory> {
public:
    void SetUp() override;
    // Loads a page and lets its ready states arrive.
    void load(std::string_view html);
    std::string body_html() const;
    element_ptr by_id(std::string_view id) const;
    // A caret or range by the text around it: "[" and "]" mark the range inside the
    // body's markup given to `load_marked` (the marks are taken out first).
    void select_text(std::string_view before, std::string_view selected);
    hresult exec(command id, const value* in = nullptr);
    std::uint32_t status(command id);

    manual_ui_queue queue;
    recording_host host;
    std::shared_ptr<clipboard> clip = std::make_shared<clipboard>();
    std::unique_ptr<document> doc;
};

}
