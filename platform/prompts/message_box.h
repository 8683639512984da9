#pragma once

#include <string>

namespace platform::strings {
class string_table;
}

namespace platform::prompts {

// Message-box styles and answers with the platform's numbers, which callers compare.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
inline constexpr unsigned MB_ICONHAND = 0x10;
inline constexpr unsigned MB_ICONERROR = MB_ICONHAND;
inline constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr unsigned MB_ICONASTERISK = 0x40;
inline constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr unsigned MB_DEFBUTTON1 = 0x000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;
inline constexpr unsigned MB_TYPEMASK = 0xF;
inline constexpr unsigned MB_ICONMASK = 0xF0;
inline constexpr unsigned MB_DEFMASK = 0xF00;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The caption of the program's own message boxes.
inline constexpr const char* application_title = "Talverin";

struct message_box_request {
    std::string text;
    std::string caption;
    unsigned type = MB_OK; // buttons | icon | default button
    int help_context = 0;  // the help topic of its Help button (F1); 0 for none
};

// Asks the user a question; answers with one of the ID* numbers.
class prompt {
public:
    virtual ~prompt() = default;
    virtual int message_box(const message_box_request& request) = 0;

    int message_box(std::string text, unsigned type, std::string caption = application_title)
    {
        return message_box(message_box_request {std::move(text), std::move(caption), type});
    }
    // The text of a string resource.
    int message_box(const strings::string_table& strings, unsigned string_id, unsigned type);
};

// The answer of the default button of a style.
int default_answer(unsigned type);

// Until the on-screen backend exists: prints the box on stderr and takes its default button.
class stderr_prompt final : public prompt {
public:
    using prompt::message_box;
    int message_box(const message_box_request& request) override;
};

}
