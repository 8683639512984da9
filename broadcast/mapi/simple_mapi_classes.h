#pragma once

#include "core/errors/mapi_errors.h"
#include "platform/mail/simple_mapi.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::mail {
struct sendmail_setup;
}

namespace broadcast::mapi {

// Whether the machine has a local mail system to send through: a sendmail program that is
// an executable regular file.
bool simple_mapi_installed(const platform::mail::sendmail_setup& setup);

// A failed Simple MAPI call: its text, the entry point and the code it returned, so that
// the catcher can tell the user with core::ReportMapiError.
class mapi_error : public std::runtime_error {
public:
    mapi_error(const std::string& text, platform::mail::mapi_entry entry, std::uint32_t code)
        : std::runtime_error(text), failure_ {entry, code}
    {
    }
    const core::mapi_failure& failure() const { return failure_; }
    std::uint32_t code() const { return failure_.code; }

private:
    core::mapi_failure failure_;
};

// A logon. It does not log off by itself: the owner calls core::mapi_session_logoff.
class session {
public:
    // Throws mapi_error "session::session(): MAPILogon failed".
    session(platform::mail::simple_mapi& mapi, platform::mail::window_handle window, std::uint32_t flags,
        const std::string& profile_name, const std::string& password);

    platform::mail::simple_mapi& mapi() const { return mapi_; }
    platform::mail::session_handle handle() const { return handle_; }
    platform::mail::window_handle window() const { return window_; }

private:
    platform::mail::simple_mapi& mapi_;
    platform::mail::session_handle handle_ = 0;
    platform::mail::window_handle window_;
};

// A resolved address.
class recipient {
public:
    // Throws mapi_error "recipient::recipient(): MAPIResolveName failed".
    recipient(const session& in, const std::string& address, const std::string& display_name,
        std::uint32_t recip_class);

    const std::string& display_name() const { return display_name_; }
    const std::string& address() const { return address_; }
    // The description as it goes into a message.
    platform::mail::mapi_recipient description() const;

private:
    std::string display_name_;
    std::string address_;
    std::uint32_t reserved_ = 0;
    std::uint32_t recip_class_;
    std::vector<std::uint8_t> entry_id_;
};

struct attachment {
    std::string path_name;
    std::string file_name;
    std::uint32_t flags = 0;
    std::uint32_t position = 0;
};

class message {
public:
    explicit message(const session& in) : session_(in) { }

    std::string subject;
    std::string note_text;
    platform::mail::mapi_recipient originator;  // used only when its address is not empty

    void add_recipient(const std::string& address, const std::string& display_name, std::uint32_t recip_class);
    // An empty file name becomes the path's last part.
    void add_attachment(const std::string& path, const std::string& file_name, std::uint32_t flags,
        std::uint32_t position);
    // Throws mapi_error "message::send(): MAPISendMail failed". Window 0: the session's.
    void send(std::uint32_t message_flags, platform::mail::window_handle window = 0);

    const std::deque<recipient>& recipients() const { return recipients_; }
    const std::deque<attachment>& attachments() const { return attachments_; }

private:
    const session& session_;
    std::deque<recipient> recipients_;
    std::deque<attachment> attachments_;
};

// What the mail-system transport does with a job: log on, send one message to the
// submission address with the package files attached, log off. Failures throw mapi_error.
class mapi_mail_sender {
public:
    explicit mapi_mail_sender(platform::mail::simple_mapi& mapi) : mapi_(mapi) { }
    ~mapi_mail_sender() { logoff(); }
    mapi_mail_sender(const mapi_mail_sender&) = delete;
    mapi_mail_sender& operator=(const mapi_mail_sender&) = delete;

    // Logon flags 3 (user interface allowed, new session) with the given parent.
    void logon(platform::mail::window_handle parent);
    // One recipient of class 1 (address and display name alike), attachments in order,
    // message flags 1.
    void send(const std::string& subject, const std::string& destination,
        const std::vector<std::string>& attachment_paths);
    // Ends the session when there is one; safe to call again.
    void logoff();

private:
    platform::mail::simple_mapi& mapi_;
    std::unique_ptr<session> session_;
};

}
