#pragma once

#include <string>
#include <string_view>

namespace platform {
class clock;
}

namespace broadcast {

// "Broadcast.log" in the program's data folder.
std::string broadcast_log_path();

// Appends "<short date> <time> " and the text (callers end it with "\r\n") to the log in
// one write, so entries of concurrent writers, threads or processes, never mix. Never
// throws: an entry that cannot be written is traced and lost, and false returned.
bool broadcast_log(std::string_view text, const platform::clock& clock);
bool broadcast_log(std::string_view text, const platform::clock& clock, const std::string& log_path);

}
