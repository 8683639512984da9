#pragma once

#include "platform/ui/dialog.h"

#include <string>

namespace platform::ui {

// Exchanges a text field; when saving, the number the text starts with (0 for an empty
// text or one that starts with no number) must lie between the bounds, else the user is
// told the range (61714) and the exchange fails on that field.
void DDX_TextIntRange(DataExchange& exchange, int control_id, std::string& text, int min_value, int max_value);

// The same, but an empty text counts as one less than `min_value`: an empty field always
// fails.
void DDX_RequiredTextIntRange(DataExchange& exchange, int control_id, std::string& text, int min_value, int max_value);

}
