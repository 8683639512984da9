#include "broadcast/form_site/registration_conversation.h"

#include "broadcast/form_site/form_data.h"

namespace broadcast::form_site {

namespace {

constexpr unsigned IDS_LOOKING_FOR_SITE = 160;
constexpr unsigned IDS_LOGGING_IN = 232;
constexpr unsigned IDS_LOGGING_OUT = 133;

std::string joined(const std::string& server, const char* path)
{
    if (!server.empty() && server.back() == '/')
        return server.substr(0, server.size() - 1) + path;
    return server + path;
}

bool has_text(const std::string& text)
{
    return text.find_first_not_of(" \t\r\n") != std::string::npos;
}

}

unsigned progress_title_id(conversation_state state)
{
    switch (state) {
    case conversation_state::none:
    case conversation_state::start:
        return IDS_LOOKING_FOR_SITE;
    case conversation_state::login:
        return IDS_LOGGING_IN;
    case conversation_state::logout:
        return IDS_LOGGING_OUT;
    default:
        return 0;
    }
}

std::string request_name(conversation_state state)
{
    switch (state) {
    case conversation_state::login:
        return "Connecting to server...";
    case conversation_state::registration_screen:
        return "Verifying UserID & Password...";
    case conversation_state::validation:
        return "Opening the registration screen...";
    case conversation_state::outcome:
        return "Submitting form...";
    default:
        return {};
    }
}

std::string upper_ascii(std::string text)
{
    for (auto& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string with_crlf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

std::string outcome_message(const std::string& text)
{
    auto first_line_feed = text.find('\n');
    if (first_line_feed != std::string::npos) {
        auto count = static_cast<long long>(text.size()) - static_cast<long long>(first_line_feed) - 2;
        if (count > 0)
            return text.substr(text.size() - static_cast<std::size_t>(count));
    }
    auto end = text.find_last_not_of('\n');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

conversation_end registration_outcome(const std::string& text)
{
    if (!has_text(text))
        return {registration_refused, with_crlf("Submitting form...: the form site answered an empty page")};
    auto upper = upper_ascii(text);
    if (upper.find("UNSUCCESSFUL") != std::string::npos)
        return {registration_refused, with_crlf(outcome_message(text))};
    if (auto at = upper.find("SERVER ERROR"); at != std::string::npos)
        return {registration_refused, with_crlf(text.substr(at))};
    if (upper.find("WARNING") != std::string::npos)
        return {registration_warning, with_crlf(outcome_message(text))};
    return {registration_done, {}};
}

conversation_step next_conversation_step(conversation_state state, const std::optional<previous_reply>& previous,
    const registration_login& login, const std::string& form_text, const std::string& server)
{
    if (state == conversation_state::none || state == conversation_state::start)
        return conversation_request {false, server, {}, "Connecting to server...", conversation_state::login};
    if (state == conversation_state::logout)
        return conversation_end {registration_refused, {}};

    if (!previous)
        return conversation_end {registration_refused, request_name(state) + ": no response from the form site"};
    if (previous->status < 200 || previous->status > 299)
        return conversation_end {registration_refused,
            request_name(state) + ": HTTP " + std::to_string(previous->status)};

    switch (state) {
    case conversation_state::login:
        return conversation_request {true, joined(server, "/cgi-bin/form_login"),
            "userid=" + percent_encode_component(login.user_id) + "&password="
                + percent_encode_component(login.password),
            "Verifying UserID & Password...", conversation_state::registration_screen};
    case conversation_state::registration_screen: {
        auto upper = upper_ascii(previous->page_text);
        if (upper.find("LOGIN FAILED") != std::string::npos || upper.find("LOGIN WAS UNSUCCESSFUL") != std::string::npos)
            return conversation_end {registration_login_failed, {}};
        return conversation_request {false,
            joined(server, "/cgi-bin/registration_screen") + "?userid=" + percent_encode_component(login.user_id), {},
            {}, conversation_state::validation};
    }
    case conversation_state::validation:
        return conversation_request {true, joined(server, "/cgi-bin/form_validation"),
            percent_encode_component(login.user_id) + "=" + form_text, "Submitting form...",
            conversation_state::outcome};
    case conversation_state::outcome:
        return registration_outcome(previous->page_text);
    default:
        return conversation_end {registration_refused, {}};
    }
}

}
