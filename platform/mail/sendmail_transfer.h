#pragma once

#include "platform/mail/mail_transfer.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::mail {

// Where the sendmail program is looked for and how long it may run.
struct sendmail_setup {
    // The program named by the environment ($TALVERIN_SENDMAIL): when set it is the only
    // candidate, and must be an absolute path.
    std::optional<std::string> named_program;
    std::vector<std::string> search = {"/usr/sbin/sendmail", "/usr/lib/sendmail"};
    // Folder of the private message file handed to the program (empty: $TMPDIR or /tmp).
    std::string temp_folder;
    std::uint32_t time_limit_ms = 10 * 60 * 1000;
};

// The sendmail program of the setup: an executable regular file; nothing when there is none.
std::optional<std::string> find_sendmail(const sendmail_setup& setup);

// The message's Simple MAPI code from the program's exit: 0 sent, 65 (data error) and 67
// (unknown user) an unknown recipient, anything else, a signal or a time-out a failure.
std::uint32_t sendmail_exit_code(int exit_code, bool ended);

// The machine's mail system through the sendmail interface: {program, "-t", "-i"}, the
// recipients taken from the headers, the message on standard input from a private file, the
// environment inherited; the program is killed when it runs past the time limit.
class sendmail_transfer final : public mail_transfer {
public:
    explicit sendmail_transfer(sendmail_setup setup);

    bool available() const override { return program_.has_value(); }
    std::uint32_t deliver(const std::string& message) override;
    std::string last_report() const override { return report_; }

private:
    sendmail_setup setup_;
    std::optional<std::string> program_;
    std::string report_;
};

}
