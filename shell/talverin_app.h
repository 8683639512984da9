#pragma once

#include "platform/ui/application.h"
#include "shell/app_context.h"

#include <string>
#include <vector>

namespace shell {

inline constexpr const char* application_key = "Software\\Holvane\\Talverin";

// Command ids of the application's own commands.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_SPELLING_SETUP = 32794;
inline constexpr unsigned IDP_OLE_INIT_FAILED = 100;

struct StartupOutcome {
    // sent: the file of the command line was broadcast instead of opened, so nothing is left to do.
    enum class Kind { run, refused, refused_after_message, sent };
    Kind kind = Kind::run;
    std::string reason; // for a refused start: what the terminal is told

    bool runs() const { return kind == Kind::run; }
};

// The application object: start-up, the commands no window handles, shutdown.
class CTalverinApp final : public platform::ui::Application {
public:
    CTalverinApp(AppContext& context, platform::ui::MessageQueue& queue, std::vector<std::string> arguments);
    ~CTalverinApp() override;

    bool InitApplication() override;
    bool InitInstance() override;
    bool PreTranslateMessage(const platform::threads::message& message) override;
    // A menu command goes where the main frame routes it (view, document, frame, application).
    bool execute_command(int id) override;
    int ExitInstance() override;

    const StartupOutcome& outcome() const { return outcome_; }
    AppContext& context() { return context_; }

    // Opens a file as the document; a file opened is put first in the recent list.
    platform::ui::DocManager::Outcome OpenDocumentFile(const std::string& path);
    void OnOpenRecentFile(int command_id);
    void OnAppAbout();
    // The program-wide editing font chosen in the font dialog; the dialog's result.
    int ChooseDefaultFont();
    // The end of a run without a screen, for the queue's idle time: the main frame is
    // closed once no download runs. A message that refuses to close is told on the
    // terminal and the run ends with status 1. True when it did something.
    bool CloseWhenIdle();

private:
    AppContext& context_;
    std::vector<std::string> arguments_;
    StartupOutcome outcome_;
};

// The texts start-up cannot do without (the document templates' strings, message 100, the
// default configuration's name): a string table lacking one is refused as damaged.
std::vector<unsigned> required_string_ids();

// The start-up sequence, step by step; the first step that refuses ends it.
StartupOutcome run_startup(CTalverinApp& app, const std::vector<std::string>& arguments);
// The exit sequence of a started run; the exit status.
int run_shutdown(CTalverinApp& app);
// What a refused start undoes: nothing is written back.
void abandon_startup(CTalverinApp& app);

}
