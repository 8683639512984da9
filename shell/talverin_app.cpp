#include "shell/talverin_app.h"

#include "core/log/trace_log.h"
#include "platform/registry/registry_tree.h"
#include "shell/about_dlg.h"
#include "shell/default_font.h"
#include "shell/doc_templates.h"
#include "shell/frames/main_frame.h"
#include "shell/documents/conversion_binding.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/importer/html_import_binding.h"
#include "shell/splash.h"

#include <algorithm>
#include <filesystem>

namespace shell {

using platform::ui::DocManager;

namespace {

bool ends_with_no_case(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = text[text.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

StartupOutcome refuse(std::string reason)
{
    return {StartupOutcome::Kind::refused, std::move(reason)};
}

// The steps of the start-up, in order. Each answers nothing to go on, or the outcome
// that ends the start.
using Step = std::optional<StartupOutcome>;

Step InitCommonControls(AppContext&)
{
    return std::nullopt; // no common-control library to load on this platform
}

Step SetRegistryKey(AppContext&)
{
    return std::nullopt; // the profile is bound to Software\Holvane\Talverin when it is made
}

Step ReadLoggingSwitch(AppContext& context)
{
    context.settings.logging = context.services.profile.get_int("Settings", "Logging", 0);
    core::trace_enabled = context.settings.logging;
    return std::nullopt;
}

// A settings store that cannot be used keeps this run's settings in memory only; the
// user is told once, so that changes made now are not lost without a word.
Step ReportUnusableSettingsStore(AppContext& context)
{
    auto reason = context.services.profile.backing().unusable_reason();
    if (reason.empty())
        return std::nullopt;
    TRACE_LOG("CTalverinApp::InitInstance() -- settings store unusable: %s\n", reason.c_str());
    context.services.ui.message_box("The settings cannot be read: " + reason
            + "\nTalverin runs with default settings, and no change made in this run is saved. Mend or remove the file "
              "and start Talverin again to use it.",
        platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
    return std::nullopt;
}

Step InitializeMenuHook(AppContext&)
{
    TRACE_LOG("CMenuXP::InitializeHook()\n");
    return std::nullopt;
}

Step MakeTemplatesFolder(AppContext& context)
{
    std::string folder = context.services.locations.data + "/templates";
    std::error_code ec;
    if (!std::filesystem::exists(folder, ec)) {
        TRACE_LOG("CreateDirectory(\"%s\",NULL)\n", folder.c_str());
        std::filesystem::create_directories(folder, ec);
    }
    return std::nullopt;
}

Step ParseCommandLine(AppContext& context, const std::vector<std::string>& arguments)
{
    auto& line = context.command_line;
    line = parse_command_line(arguments);
    context.edit_mode = line.edit_mode;
    context.result_file_path = line.result_path;
    context.redirector_path = line.redirector_path;
    context.remove_redirect_link = line.remove_redirect_link ? 1 : 0;
    for (const auto& ignored : line.ignored) {
        TRACE_LOG("CTalverinApp::InitInstance() -- parameter ignored: %s\n", ignored.c_str());
        if (context.services.warn)
            context.services.warn("parameter ignored: " + ignored);
    }
    return std::nullopt;
}

Step CheckEditMode(AppContext& context)
{
    const auto& file = context.command_line.file_name;
    if (context.edit_mode == 1 && !(ends_with_no_case(file, ".greetings") || ends_with_no_case(file, ".txtgreetings")))
        return refuse(file.empty() ? "form greetings mode needs a .greetings or .txtgreetings file"
                                   : "form greetings mode needs a .greetings or .txtgreetings file, not \"" + file + "\"");
    if (context.edit_mode == 2 && file.empty())
        return refuse("click-to customize mode needs a file");
    return std::nullopt;
}

Step EnableSplashScreen(AppContext& context)
{
    TRACE_LOG("CSplashWnd::EnableSplashScreen\n");
    CSplashWnd::EnableSplashScreen(context, context.edit_mode == 0 && context.command_line.show_splash);
    return std::nullopt;
}

Step AfxOleInit(AppContext& context)
{
    TRACE_LOG("AfxOleInit()\n");
    if (platform::com::failed(context.services.ole.ole_initialize())) {
        context.services.ui.message_box(IDP_OLE_INIT_FAILED, platform::prompts::MB_OK);
        return StartupOutcome {StartupOutcome::Kind::refused_after_message,
            context.services.ui.strings().text(IDP_OLE_INIT_FAILED)};
    }
    context.afx_ole_initialised = true;
    return std::nullopt;
}

Step AfxEnableControlContainer(AppContext&)
{
    TRACE_LOG("AfxEnableControlContainer()\n");
    return std::nullopt;
}

Step InitSimpleMAPI(AppContext& context)
{
    TRACE_LOG("InitSimpleMAPI()\n");
    if (!context.services.mail.load_simple_mapi())
        context.services.mail.unload_simple_mapi();
    return std::nullopt;
}

Step LoadStdProfileSettings(AppContext&)
{
    TRACE_LOG("LoadStdProfileSettings()\n"); // the program's own recent list replaces the standard one
    return std::nullopt;
}

Step LoadSettings(AppContext& context)
{
    context.defaults = deployment_defaults(context.services.user_lcid);
    int logging = context.settings.logging;
    context.settings = load_settings(context.services.profile, context.defaults);
    context.settings.logging = logging;
    return std::nullopt;
}

Step LoadCurrentConfig(AppContext& context)
{
    TRACE_LOG("LoadCurrentConfig()\n");
    if (!context.configuration) {
        TRACE_LOG("CTalverinApp::InitInstance() -- no configuration services: no configuration loaded\n");
        return std::nullopt;
    }
    context.current_config.LoadActive(*context.configuration);
    return std::nullopt;
}

Step ConvertConfigs(AppContext& context)
{
    TRACE_LOG("ConvertConfigs()\n");
    if (context.configuration)
        shell::ConvertConfigs(*context.configuration, context.current_config);
    return std::nullopt;
}

Step CreateRecentFileList(AppContext& context)
{
    context.recent_files = std::make_unique<CRecentFileListEx>();
    context.recent_files->ReadList(context.services.profile);
    return std::nullopt;
}

Step OleInitialize(AppContext& context)
{
    TRACE_LOG("OleInitialize(NULL)\n");
    if (platform::com::failed(context.services.ole.ole_initialize()))
        return refuse("the object-linking runtime could not be started");
    context.ole_initialised = true;
    return std::nullopt;
}

Step AddDocTemplates(CTalverinApp& app)
{
    auto& context = app.context();
    register_document_templates(*app.doc_manager(), context.services.ui.strings(), context.edit_mode,
        context.document_factories);
    return std::nullopt;
}

Step ProcessShellCommand(CTalverinApp& app)
{
    const auto& line = app.context().command_line;
    if (line.shell_command == CommandLine::ShellCommand::file_open) {
        auto opened = DocManager::Outcome::failed;
        try {
            opened = app.OpenDocumentFile(line.file_name);
        } catch (...) {
            // What a command's handler would do with it: a cancel ends quietly, else the user is told.
            app.report_exception(std::current_exception());
        }
        if (opened != DocManager::Outcome::opened && !app.context().sent_file.empty()
            && app.context().sent_file == line.file_name) {
            TRACE_LOG("CTalverinApp::InitInstance() -- %s was sent, not opened\n", line.file_name.c_str());
            return StartupOutcome {StartupOutcome::Kind::sent, "\"" + line.file_name + "\" was sent, not opened"};
        }
        if (opened != DocManager::Outcome::opened) {
            TRACE_LOG("CTalverinApp::InitInstance() -- cannot open %s\n", line.file_name.c_str());
            return refuse("cannot open \"" + line.file_name + "\""
                + (opened == DocManager::Outcome::no_document_class ? ": message documents cannot be opened yet" : ""));
        }
        return std::nullopt;
    }
    auto made = app.doc_manager()->on_file_new();
    if (made == DocManager::Outcome::no_document_class) {
        TRACE_LOG("CTalverinApp::InitInstance() -- no document class yet: no document opened\n");
        return std::nullopt;
    }
    if (made != DocManager::Outcome::opened)
        return refuse("cannot make a new document");
    return std::nullopt;
}

Step ShowConfigurationName(CTalverinApp& app)
{
    if (auto* frame = dynamic_cast<CMainFrame*>(app.doc_manager()->frame()))
        frame->ShowConfigurationName();
    return std::nullopt;
}

Step ShowMainWindow(CTalverinApp& app)
{
    auto& queue = app.queue();
    if (auto main = queue.main_window(); main != 0)
        queue.show_window(main, true);
    TRACE_LOG("InitInstance() return TRUE\n");
    return std::nullopt;
}

}

std::vector<unsigned> required_string_ids()
{
    std::vector<unsigned> ids {IDP_OLE_INIT_FAILED, IDS_DEFAULT_CONFIG};
    for (const auto& row : document_templates) {
        for (unsigned id : row.string_id) {
            if (std::find(ids.begin(), ids.end(), id) == ids.end())
                ids.push_back(id);
        }
    }
    return ids;
}

StartupOutcome run_startup(CTalverinApp& app, const std::vector<std::string>& arguments)
{
    auto& context = app.context();
    const std::function<Step()> steps[] = {
        [&] { return InitCommonControls(context); },
        [&] { return SetRegistryKey(context); },
        [&] { return ReadLoggingSwitch(context); },
        [&] { return ReportUnusableSettingsStore(context); },
        [&] { return InitializeMenuHook(context); },
        [&] { return MakeTemplatesFolder(context); },
        [&] { return ParseCommandLine(context, arguments); },
        [&] { return CheckEditMode(context); },
        [&] { return EnableSplashScreen(context); },
        [&] { return AfxOleInit(context); },
        [&] { return AfxEnableControlContainer(context); },
        [&] { return InitSimpleMAPI(context); },
        [&] { return LoadStdProfileSettings(context); },
        [&] { return LoadSettings(context); },
        [&] { return LoadCurrentConfig(context); },
        [&] { return ConvertConfigs(context); },
        [&] { return CreateRecentFileList(context); },
        [&] { return OleInitialize(context); },
        [&] { return AddDocTemplates(app); },
        [&] { return ProcessShellCommand(app); },
        [&] { return ShowConfigurationName(app); },
        [&] { return ShowMainWindow(app); },
    };
    for (const auto& step : steps) {
        if (auto ended = step())
            return *ended;
    }
    return {};
}

int run_shutdown(CTalverinApp& app)
{
    auto& context = app.context();
    auto& profile = context.services.profile;
    if (context.edit_mode == 0 && context.recent_files) {
        if (auto code = context.recent_files->WriteList(profile); code != platform::registry::status::ok)
            TRACE_LOG("CTalverinApp::ExitInstance() -- recent files not written: %s\n", platform::registry::to_string(code));
    }
    context.services.mail.unload_simple_mapi();
    if (auto code = save_settings(profile, context.settings, context.defaults); code != platform::registry::status::ok)
        TRACE_LOG("CTalverinApp::ExitInstance() -- settings not written: %s\n", platform::registry::to_string(code));
    for (const auto& failure : context.temporary_paths.delete_all())
        TRACE_LOG("CTalverinApp::ExitInstance() -- not deleted: %s\n", failure.c_str());
    // The menu hook is removed here once the owner-drawn menus install one.
    return 0;
}

void abandon_startup(CTalverinApp& app)
{
    app.context().services.mail.unload_simple_mapi();
}

CTalverinApp::CTalverinApp(AppContext& context, platform::ui::MessageQueue& queue, std::vector<std::string> arguments)
    : Application(queue, context.services.ui), context_(context), arguments_(std::move(arguments))
{
    auto& router = commands();
    router.on_command(ID_APP_ABOUT, [this](int) { OnAppAbout(); });
    router.on_command(ID_FILE_NEW, [this](int) { doc_manager()->on_file_new(); });
    router.on_command(ID_FILE_OPEN, [this](int) {
        std::string chosen;
        auto* manager = static_cast<CTalverinDocManager*>(doc_manager());
        if (manager->DoPromptFileName(chosen, AFX_IDS_OPENFILE, true, nullptr)
                == CTalverinDocManager::prompt_answer::chosen
            && OpenDocumentFile(chosen) == DocManager::Outcome::failed)
            host().message_box("Cannot open \"" + chosen + "\".", platform::prompts::MB_OK | platform::prompts::MB_ICONEXCLAMATION);
    });
    router.on_command(ID_HELP, [this](int) { host().help(0); });
    router.on_command(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + recent_file_count - 1,
        [this](int id) { OnOpenRecentFile(id); });
    router.on_update(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + recent_file_count - 1, [this](platform::ui::CmdUI& ui) {
        if (context_.recent_files)
            context_.recent_files->UpdateMenu(ui);
        else
            ui.Enable(false);
    });
}

CTalverinApp::~CTalverinApp()
{
    // Each successful start of the runtime is ended once.
    for (bool* started : {&context_.ole_initialised, &context_.afx_ole_initialised}) {
        if (*started) {
            context_.services.ole.ole_uninitialize();
            *started = false;
        }
    }
}

bool CTalverinApp::InitApplication()
{
    if (!context_.conversion)
        context_.conversion = std::make_unique<ConversionBinding>(std::nullopt,
            [this] { return context_.current_config.GetDisplayDelay(); });
    auto manager = std::make_unique<CTalverinDocManager>(context_, *context_.conversion);
    // "&Yes" of the importing prompt imports the page through the HTML importer.
    if (!context_.document_seams.import_page)
        bind_html_importer(context_, *manager);
    set_doc_manager(std::move(manager));
    return true;
}

bool CTalverinApp::InitInstance()
{
    if (!doc_manager())
        InitApplication();
    outcome_ = run_startup(*this, arguments_);
    return outcome_.runs();
}

bool CTalverinApp::PreTranslateMessage(const platform::threads::message& message)
{
    return CSplashWnd::FilterMessage(context_, queue(), message);
}

int CTalverinApp::ExitInstance()
{
    return run_shutdown(*this);
}

DocManager::Outcome CTalverinApp::OpenDocumentFile(const std::string& path)
{
    auto opened = doc_manager()->open_document_file(path);
    if (opened == DocManager::Outcome::opened && context_.recent_files)
        context_.recent_files->Add(path);
    return opened;
}

void CTalverinApp::OnOpenRecentFile(int command_id)
{
    auto& recent = context_.recent_files;
    int index = command_id - ID_FILE_MRU_FILE1;
    if (!recent || index < 0 || index >= recent->size() || (*recent)[index].empty())
        return;
    auto opened = OpenDocumentFile(recent_file_to_open((*recent)[index]));
    if (opened == DocManager::Outcome::failed)
        recent->Remove(index);
}

int CTalverinApp::ChooseDefaultFont()
{
    if (!context_.services.fonts) {
        TRACE_LOG("CTalverinApp::ChooseDefaultFont() -- no font catalogue\n");
        return platform::prompts::IDCANCEL;
    }
    return shell::ChooseDefaultFont(context_.settings, context_.services.dialogs, host(), *context_.services.fonts);
}

bool CTalverinApp::execute_command(int id)
{
    if (auto* frame = dynamic_cast<platform::ui::FrameWnd*>(doc_manager() ? doc_manager()->frame() : nullptr))
        return frame->OnCommand(id);
    return Application::execute_command(id);
}

bool CTalverinApp::CloseWhenIdle()
{
    auto* frame = dynamic_cast<CWizardFrame*>(doc_manager() ? doc_manager()->frame() : nullptr);
    if (!frame || frame->window() == 0 || frame->running_downloads() > 0 || queue().quit_pending())
        return false;
    if (frame->OnClose())
        return true;
    TRACE_LOG("CTalverinApp::CloseWhenIdle() -- the message refused to close\n");
    if (context_.services.warn)
        context_.services.warn("the open message was not closed, so its changes were not saved");
    queue().post_quit(1);
    return true;
}

void CTalverinApp::OnAppAbout()
{
    CAboutDlg about(context_);
    about.DoModal();
}

}
