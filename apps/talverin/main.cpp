#include "broadcast/contacts/address_books.h"
#include "broadcast/package/command_file.h"
#include "broadcast/wininet/proxy_login_dlg.h"
#include "core/errors/wizard_thrower.h"
#include "core/log/log_stream.h"
#include "core/log/trace_log.h"
#include "core/mail/local_mail.h"
#include "dialup/dunvell_imports.h"
#include "html/clipboard.h"
#include "html/headless/headless_document.h"
#include "platform/clock/utc_clock.h"
#include "platform/gfx/font_catalogue.h"
#include "platform/gfx/png_size.h"
#include "platform/inet/curl_internet.h"
#include "platform/locale/lcid.h"
#include "platform/mail/sendmail_transfer.h"
#include "platform/random/random_source.h"
#include "platform/services.h"
#include "platform/ui/desktop.h"
#include "platform/ui/message_queue.h"
#include "shell/broadcasting/program_launch.h"
#include "shell/broadcasting/settings_runner.h"
#include "shell/documents/conversion_binding.h"
#include "shell/documents/message_commands.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/documents/wizard_doc.h"
#include "shell/downloads/download_service.h"
#include "shell/downloads/service_download_starter.h"
#include "shell/frames/frame_install.h"
#include "shell/frames/main_frame.h"
#include "shell/importer/html_import_binding.h"
#include "shell/package/job_import.h"
#include "shell/talverin_app.h"
#include "shell/view/program_ui_queue.h"
#include "shell/view/talverin_view.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <sstream>

namespace {

std::array<unsigned, 4> version_numbers(const char* text)
{
    std::array<unsigned, 4> numbers {};
    std::istringstream in(text);
    std::string part;
    for (std::size_t i = 0; i < numbers.size() && std::getline(in, part, '.'); ++i)
        numbers[i] = static_cast<unsigned>(std::stoul(part));
    return numbers;
}

void print_line(const std::string& text)
{
    std::fprintf(stderr, "talverin: %s\n", text.c_str());
}

}

int main(int argc, char** argv)
{
    platform::services services;
    platform::ui::DialogTemplates dialogs;
    platform::ui::ToolbarResources toolbars;
    platform::ui::MenuResources menus;
    const auto environment = platform::env::current_environment();
    try {
        services = platform::make_system_services(environment, platform::env::executable_path(),
            shell::required_string_ids());
        dialogs = platform::ui::DialogTemplates::load(services.locations.resources + "/talverin/dialogs.txt");
        toolbars = platform::ui::ToolbarResources::load(services.locations.resources + "/talverin/toolbars.txt");
        menus = platform::ui::MenuResources::load(services.locations.resources + "/talverin/menus.txt");
    } catch (const std::exception& e) {
        print_line(e.what());
        return 1;
    }

    platform::ui::HeadlessHost host(services.strings);
    core::default_wizard_thrower ui_reporter(host);
    core::set_current_thrower(&ui_reporter);

    platform::env::ensure_private_folder(services.locations.data);
    core::trace_logger logger({services.trace_log_path(), services.clock.get(), services.debug_output.get(),
        services.system_description});
    core::install_trace_logger(&logger);
    core::singleton_initiator<core::log_stream_provider>::instance().configure(services.log_stream_path(),
        services.clock.get());
    platform::ui::set_ui_trace([](const std::string& line) { TRACE_LOG("%s", line.c_str()); });

    platform::registry::profile profile(*services.registry, shell::application_key);
    platform::ui::steady_tick_clock ticks;
    // The local mail system: the sendmail program named by $TALVERIN_SENDMAIL, else the usual places.
    platform::mail::sendmail_setup sendmail;
    if (auto named = environment.find("TALVERIN_SENDMAIL"); named != environment.end())
        sendmail.named_program = named->second;
    sendmail.temp_folder = services.locations.temp;
    platform::mail::sendmail_transfer mail_system(sendmail);
    auto local_mail = std::make_unique<core::local_mail>(mail_system, *services.clock);
    core::local_mail& mail = *local_mail;
    services.mail = std::move(local_mail);
    platform::com::local_ole_runtime ole;
    const std::string bitmaps = services.locations.resources + "/talverin/bitmaps/";

    shell::AppContext context({profile, services.locations, ticks, host, mail, ole, dialogs,
        platform::locale::user_default_lcid(environment), version_numbers(TALVERIN_VERSION),
        [&bitmaps](int id) -> std::optional<shell::BitmapSize> {
            auto size = platform::gfx::png_size(bitmaps + std::to_string(id) + ".png");
            if (!size)
                return std::nullopt;
            return shell::BitmapSize {size->width, size->height};
        },
        print_line});
    auto fonts = platform::gfx::make_system_font_catalogue();
    context.services.fonts = fonts.get();
    context.services.menus = &menus;
    context.services.clipboard = std::make_shared<html::clipboard>();

    DunvellImports dialup;
    broadcast::contacts::file_address_books address_books(shell::read_book_locations(profile, services.locations));
    platform::com::system_class_registry classes;
    platform::random::engine_random_source random;
    shell::ConfigServices configuration {*services.registry, services.strings, host, dialup, mail, address_books,
        classes, random, services.locations.resources + "/talverin/templates", services.locations.data + "/templates"};
    shell::job_package_importer importer(host, services.strings, services.locations.data + "/dictionaries", ".htm");
    configuration.importer = &importer;
    context.configuration = &configuration;

    int status = 1;
    {
        platform::ui::MessageQueue queue(ticks);
        host.set_ui_queue(&queue);
        // Message views edit headless documents whose tasks run on this thread's queue.
        shell::ProgramUiQueue pages(queue);
        context.services.document_factory = [&pages, &context, &services](html::document_host& document_host) {
            html::headless_ports ports;
            ports.queue = &pages;
            ports.clip = context.services.clipboard;
            ports.resource_folder = services.locations.resources + "/talverin";
            return html::make_headless_document(document_host, std::move(ports));
        };
        platform::ui::set_desktop(&queue, &host); // the dial-up library's dialogs and notices
        shell::FrameServices frames {context, queue, toolbars, menus, *fonts}; // outlives the frames the app keeps
        frames.dialup = &dialup;
        shell::CTalverinApp app(context, queue, std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
        shell::install_message_document(context, [&app] { return app.doc_manager(); });
        shell::install_message_view(context, [&app] { return app.doc_manager(); });
        shell::install_text_document(context, [&app] { return app.doc_manager(); });
        shell::register_message_commands(context, app);
        platform::system_utc_clock utc;
        broadcast::system_time_zone zone;
        // The internet layer asks for a proxy's login (12014) on this thread, also for workers,
        // until the program ends.
        std::stop_source ending;
        platform::inet::internet_options internet;
        internet.prompt = broadcast::wininet::make_proxy_login_prompt(dialogs, host, queue.ui_calls(), ending.get_token());
        // The FTP status dialog is the main frame's broadcast dialog while it is open.
        auto register_dialog = [&app](broadcast::registered_broadcast_dialog* dialog) {
            if (auto* main = dynamic_cast<shell::CMainFrame*>(app.doc_manager() ? app.doc_manager()->frame() : nullptr))
                main->RegisterBroadcastDialog(dialog);
        };
        const auto internet_layer = platform::inet::make_curl_internet(std::move(internet));
        shell::ProgramLaunch launch({context, queue, *services.clock, utc, zone, dialup, internet_layer, address_books,
            shell::make_local_mail_sender(mail), platform::env::executable_path(), register_dialog});
        // The views' pictures and pull files come down in the background into the document
        // manager's working folder.
        shell::DownloadService downloads({internet_layer, queue, context.download_results,
            [&app] {
                auto* documents = dynamic_cast<shell::CTalverinDocManager*>(app.doc_manager());
                return documents ? documents->GetTempFolder() : std::string();
            },
            [&context](const std::string& path) { context.temporary_paths.add(path); }});
        shell::ServiceDownloadStarter download_starter(downloads);
        context.download_starter = &download_starter;
        launch.register_broadcast_command(app);
        frames.dispatcher = &launch.launch();
        frames.route.application = &app.commands();
        frames.choose_default_font = [&app] { return app.ChooseDefaultFont(); };
        shell::install_frames(context, frames, [&app] { return app.doc_manager(); });
        // Without a screen the run ends once the main frame may close.
        queue.set_idle_handler([&app] { return app.CloseWhenIdle(); });
        // Page text comes through the off-screen page loader on the program's queue.
        context.conversion = std::make_unique<shell::ConversionBinding>(
            editing::page_services {pages, *services.debug_output, services.strings,
                services.locations.resources + "/talverin", services.locations.temp, nullptr},
            [&context] { return context.current_config.GetDisplayDelay(); });
        bool started = app.InitApplication();
        // A paste into a view brings its pictures and files in through the HTML importer.
        std::optional<shell::PasteFragmentImporter> paste;
        if (auto* documents = dynamic_cast<shell::CTalverinDocManager*>(app.doc_manager()); started && documents) {
            paste.emplace(context, *documents);
            context.fragment_importer = &*paste;
        }
        started = started && app.InitInstance();
        // Start-up has read the logging switch by now.
        TRACE_LOG("main() -- Talverin %s, resources folder: %s, data folder: %s\n", TALVERIN_VERSION,
            services.locations.resources.c_str(), services.locations.data.c_str());
        if (started) {
            status = app.Run();
        } else {
            print_line(app.outcome().reason);
            shell::abandon_startup(app);
            if (app.outcome().kind == shell::StartupOutcome::Kind::sent)
                status = 0;
        }
        ending.request_stop();
        // No transfer outlives the windows it reports to.
        context.download_starter = nullptr;
        context.fragment_importer = nullptr;
        downloads.shutdown();
        context.services.document_factory = nullptr;
        queue.set_idle_handler(nullptr);
        platform::ui::set_desktop(nullptr, nullptr);
        host.set_ui_queue(nullptr);
    }

    context.conversion.reset(); // its page loader ran on the program's queue, gone now
    platform::ui::set_ui_trace(nullptr);
    core::install_trace_logger(nullptr);
    return status;
}
