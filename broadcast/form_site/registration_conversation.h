#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

// The registration conversation with the form site as a pure step function: from the state,
// the previous request's outcome and the account, the next request or the end with a code.
namespace broadcast::form_site {

// Result codes of a registration.
inline constexpr std::int32_t registration_login_failed = -1;
inline constexpr std::int32_t registration_refused = 0;
inline constexpr std::int32_t registration_warning = 1;
inline constexpr std::int32_t registration_done = 2;

enum class conversation_state { none, start, login, registration_screen, validation, outcome, logout };

// What the previous request gave: nothing (no response), or its final status and page text.
struct previous_reply {
    std::int32_t status = 0;
    std::string page_text;
};

struct registration_login {
    std::string user_id;
    std::string password;
};

struct conversation_request {
    bool post = false;
    std::string url;
    std::string form_data;   // url-encoded
    std::string status_text; // for the main window's status bar; may be empty
    conversation_state next = conversation_state::none;
};

struct conversation_end {
    std::int32_t code = registration_refused;
    std::string message; // line feeds written CR LF
};

using conversation_step = std::variant<conversation_request, conversation_end>;

// The progress title's string id of a state (0: none): start 160, login 232, logout 133.
unsigned progress_title_id(conversation_state state);

// The name of the request a state's previous reply answered, for messages.
std::string request_name(conversation_state state);

// The next step. `previous` is empty when the last request gave no response; it is not read
// in the start state. A missing response or a status outside 200-299 ends the conversation
// with code 0 and a message naming the request and the cause.
conversation_step next_conversation_step(conversation_state state, const std::optional<previous_reply>& previous,
    const registration_login& login, const std::string& form_text, const std::string& server);

// The outcome page's verdict (T the page text): UNSUCCESSFUL 0, SERVER ERROR 0 with the
// text from there, WARNING 1, else 2. An empty page is no outcome: 0.
conversation_end registration_outcome(const std::string& text);

// The message cut from an outcome page: the last (length - first line feed - 2) characters,
// or the text without trailing line feeds when it has no line feed or the count is not
// positive.
std::string outcome_message(const std::string& text);

// Every line feed written CR LF (a CR LF stays as it is).
std::string with_crlf(const std::string& text);

// Upper case per ASCII byte, so positions agree with the original.
std::string upper_ascii(std::string text);

}
