#include "broadcast/mapi/simple_mapi_classes.h"

#include "platform/mail/sendmail_transfer.h"

namespace broadcast::mapi {

namespace mail = platform::mail;

bool simple_mapi_installed(const mail::sendmail_setup& setup)
{
    return mail::find_sendmail(setup).has_value();
}

session::session(mail::simple_mapi& mapi, mail::window_handle window, std::uint32_t flags,
    const std::string& profile_name, const std::string& password)
    : mapi_(mapi), window_(window)
{
    std::uint32_t code = mapi_.logon(window, profile_name, password, flags, 0, handle_);
    if (code != mail::SUCCESS_SUCCESS)
        throw mapi_error("session::session(): MAPILogon failed", mail::mapi_entry::MAPILogon, code);
}

recipient::recipient(const session& in, const std::string& address, const std::string& display_name,
    std::uint32_t recip_class)
    : display_name_(display_name.empty() ? address : display_name), address_(address), recip_class_(recip_class)
{
    mail::mapi_recipient* resolved = nullptr;
    std::uint32_t code = in.mapi().resolve_name(in.handle(), in.window(), address, mail::MAPI_DIALOG, 0, resolved);
    if (code != mail::SUCCESS_SUCCESS)
        throw mapi_error("recipient::recipient(): MAPIResolveName failed", mail::mapi_entry::MAPIResolveName, code);
    if (resolved) {
        address_ = resolved->address;
        if (display_name.empty())
            display_name_ = resolved->name;
        reserved_ = resolved->reserved;
        entry_id_ = resolved->entry_id;
        core::mapi_buffer_free(in.mapi(), resolved);
    }
}

mail::mapi_recipient recipient::description() const
{
    return {reserved_, recip_class_, display_name_, address_, entry_id_};
}

void message::add_recipient(const std::string& address, const std::string& display_name, std::uint32_t recip_class)
{
    recipients_.emplace_back(session_, address, display_name, recip_class);
}

void message::add_attachment(const std::string& path, const std::string& file_name, std::uint32_t flags,
    std::uint32_t position)
{
    std::string name = file_name;
    if (name.empty()) {
        auto slash = path.find_last_of("/\\");
        name = slash == std::string::npos ? path : path.substr(slash + 1);
    }
    attachments_.push_back({path, name, flags, position});
}

void message::send(std::uint32_t message_flags, mail::window_handle window)
{
    mail::mapi_message description;
    description.subject = subject;
    description.note_text = note_text;
    description.flags = message_flags;
    if (!originator.address.empty())
        description.originator = originator;
    for (const auto& each : recipients_)
        description.recipients.push_back(each.description());
    for (const auto& each : attachments_)
        description.files.push_back({0, each.flags, each.position, each.path_name, each.file_name});
    std::uint32_t code = session_.mapi().send_mail(session_.handle(), window != 0 ? window : session_.window(),
        description, 0, 0);
    if (code != mail::SUCCESS_SUCCESS)
        throw mapi_error("message::send(): MAPISendMail failed", mail::mapi_entry::MAPISendMail, code);
}

void mapi_mail_sender::logon(mail::window_handle parent)
{
    logoff();
    session_ = std::make_unique<session>(mapi_, parent, mail::MAPI_LOGON_UI | mail::MAPI_NEW_SESSION, "", "");
}

void mapi_mail_sender::send(const std::string& subject, const std::string& destination,
    const std::vector<std::string>& attachment_paths)
{
    if (!session_)
        throw mapi_error("message::send(): no session", mail::mapi_entry::MAPISendMail, mail::MAPI_E_INVALID_SESSION);
    message outgoing(*session_);
    outgoing.subject = subject;
    outgoing.add_recipient(destination, destination, mail::MAPI_TO);
    for (const auto& path : attachment_paths)
        outgoing.add_attachment(path, "", 0, 0xFFFFFFFFu);
    outgoing.send(1);
}

void mapi_mail_sender::logoff()
{
    if (!session_)
        return;
    core::mapi_session_logoff(mapi_, session_->handle(), session_->window());
    session_.reset();
}

}
