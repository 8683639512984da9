#include "platform/prompts/message_box.h"

#include "platform/strings/string_table.h"

#include <array>
#include <unistd.h>

namespace platform::prompts {

int prompt::message_box(const strings::string_table& strings, unsigned string_id, unsigned type)
{
    return message_box(strings.text(string_id), type);
}

int default_answer(unsigned type)
{
    static constexpr std::array<std::array<int, 3>, 6> buttons {{
        {IDOK, IDOK, IDOK},
        {IDOK, IDCANCEL, IDCANCEL},
        {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL},
        {IDYES, IDNO, IDNO},
        {IDRETRY, IDCANCEL, IDCANCEL},
    }};
    unsigned set = type & MB_TYPEMASK;
    unsigned which = (type & MB_DEFMASK) >> 8;
    if (set >= buttons.size())
        return IDOK;
    return buttons[set][which < 3 ? which : 0];
}

int stderr_prompt::message_box(const message_box_request& request)
{
    std::string line = request.caption + ": " + request.text + "\n";
    [[maybe_unused]] auto written = ::write(STDERR_FILENO, line.data(), line.size());
    return default_answer(request.type);
}

}
