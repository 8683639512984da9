// Any bytes as a page rewritten for the text body: the rewriting ends, and no "<script" comes
// out that the input lacked (values read from tags enter the text escaped).
#include "conversion/bodies/text_body.h"
#include "core/markup/ascii.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class named_objects : public conversion::identity_body_passes {
public:
    std::optional<std::string> find_pull_name(int kind, int number) const override
    {
        return (kind + number) % 2 ? std::optional<std::string>("<script>held.zip") : std::nullopt;
    }
    std::optional<std::string> find_pull_name_by_placeholder(std::string_view name) const override
    {
        return name.size() % 2 ? std::optional<std::string>(std::string(name) + "<script>") : std::nullopt;
    }
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    const bool had_script = core::find_ignoring_case(text, "<script") != std::string::npos;
    named_objects passes;
    conversion::rewrite_links_for_text_body(text, passes);
    if (!had_script && core::find_ignoring_case(text, "<script") != std::string::npos)
        std::abort();
    return 0;
}
