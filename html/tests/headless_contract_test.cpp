#include "html/contract/document_contract.h"
#include "html/headless/headless_document.h"

namespace html::contract {

INSTANTIATE_TEST_SUITE_P(headless, DocumentContract,
    ::testing::Values(named_factory {"headless", [](document_host& host, ui_queue& queue, const std::shared_ptr<clipboard>& clip) {
        headless_ports ports;
        ports.queue = &queue;
        ports.clip = clip;
        return make_headless_document(host, ports);
    }}),
    [](const ::testing::TestParamInfo<named_factory>& info) { return info.param.name; });

}
