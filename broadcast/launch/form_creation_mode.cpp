#include "broadcast/launch/form_creation_mode.h"

#include "platform/strings/string_table.h"

namespace broadcast {

form_mode_display CheckFormCreationMode(bool on, const platform::strings::string_table& strings)
{
    const auto& text = strings.text(on ? 34012 : 34013);
    auto line_break = text.find('\n');
    return {on, on, line_break == std::string::npos ? text : text.substr(line_break + 1)};
}

}
