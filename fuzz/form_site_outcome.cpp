// Any bytes as a form site's outcome page: its text and the registration's verdict. No
// crash; the message is cut from the page text (its line feeds written CR LF), or is the
// note for an empty page.
#include "broadcast/form_site/form_data.h"
#include "broadcast/form_site/registration_conversation.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace broadcast::form_site;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    const std::string text = page_text(page);
    const conversation_end end = registration_outcome(text);
    if (end.code < registration_refused || end.code > registration_done)
        std::abort();
    if (end.code == registration_done && !end.message.empty())
        std::abort();
    const bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
    if (!blank && with_crlf(text).find(end.message) == std::string::npos)
        std::abort();
    return 0;
}
