#pragma once

#include <string>
#include <string_view>

namespace broadcast {

// The job number in the FTP server's last reply: the first line holding "JOB", blanks,
// "=", blanks and a digit goes, from that "JOB" on, through the job-number sed script (with any "!" and
// control byte made a blank first, since the script marks the number with "!"), giving the digits; a reply
// without such a line is returned whole without its line breaks.
std::string job_number_from_reply(std::string_view reply);

// The FTP status dialog's outcome: "<head>, \r\nJob Number <number> (Please make a note of
// it)", the head saying success or failure, the number from the last status text.
std::string make_result_text(bool success, std::string_view last_status);

}
