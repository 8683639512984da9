#pragma once

#include "core/vocab/object_names.h"
#include "platform/gfx/font_catalogue.h"
#include "editing/site/site.h"
#include "html/clipboard.h"
#include "platform/com/ole.h"
#include "platform/env/locations.h"
#include "platform/mail/mapi_binding.h"
#include "platform/registry/profile.h"
#include "platform/strings/string_table.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/doc_manager.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/tick_clock.h"
#include "platform/ui/ui_host.h"
#include "shell/command_line.h"
#include "shell/config/wizard_config.h"
#include "shell/documents/conversion_services.h"
#include "shell/documents/document_seams.h"
#include "shell/downloads/download_service.h"
#include "shell/objects/download_results.h"
#include "shell/recent_files.h"
#include "shell/settings.h"
#include "shell/temporary_paths.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace shell {

class CTalverinDoc;
class DownloadStarter;
class FragmentImporter;
class ViewObjectServices;

struct BitmapSize {
    int width = 0;
    int height = 0;
};

// What the application gets from outside; tests pass their twins.
struct AppServices {
    platform::registry::profile& profile;
    const platform::env::locations& locations;
    const platform::ui::tick_clock& clock;
    platform::ui::UiHost& ui;
    platform::mail::mapi_binding& mail;
    platform::com::ole_runtime& ole;
    const platform::ui::DialogTemplates& dialogs;
    int user_lcid = 1033;
    std::array<unsigned, 4> file_version {};          // major, minor, build, revision
    std::function<std::optional<BitmapSize>(int id)> bitmap_size; // of a bitmap resource
    std::function<void(const std::string&)> warn;     // one line for the user's terminal
    const platform::gfx::font_catalogue* fonts = nullptr; // the screen's fonts; none: no font dialog
    // Makes the editing document of a view (main binds the headless document on the
    // user-interface queue and the shared clipboard); absent: views have no editor.
    editing::document_factory document_factory {};
    // The clipboard the editing documents share.
    std::shared_ptr<html::clipboard> clipboard {};
    // The program's menus (context menus of the views); none: no context menu.
    const platform::ui::MenuResources* menus = nullptr;
};

struct SplashState {
    bool enabled = false;
    platform::ui::window_id window = 0;
    std::optional<BitmapSize> bitmap; // the bitmap of the window shown
};

// The one application context, made in main() and handed to what the application owns.
struct AppContext {
    explicit AppContext(AppServices given) : services(std::move(given)) { }

    AppServices services;

    CommandLine command_line;
    int edit_mode = 0;
    std::string result_file_path;
    std::string redirector_path;
    int remove_redirect_link = 0;
    int discard_on_close = 1;
    bool ole_initialised = false;      // the second start of the object-linking runtime
    bool afx_ole_initialised = false;  // the first

    SettingsDefaults defaults;
    Settings settings;
    TemporaryPaths temporary_paths;
    std::unique_ptr<CRecentFileListEx> recent_files;
    SplashState splash;

    // The named configurations' services (none: start-up loads no configuration) and the
    // program's current configuration.
    ConfigServices* configuration = nullptr;
    CWizardConfig current_config;

    // Every new object number of the open message is drawn here; File New starts it over.
    core::object_name_counters object_counters;
    // Finished downloads, filed by the workers and taken by the frame.
    DownloadResults download_results;
    // The background downloads, made by main once the message queue and the internet layer
    // exist; declared after the results, so its workers end before the results do.
    std::unique_ptr<DownloadService> downloads;
    // Message conversion and the page loader as the document manager uses them; start-up
    // puts in the program's binding when none is given.
    std::unique_ptr<ConversionServices> conversion;

    // The document classes by template index; absent until each class exists.
    std::array<platform::ui::DocTemplate::Factories, 3> document_factories;
    // The message document the document manager keeps; null when it keeps none.
    CTalverinDoc* current_document = nullptr;
    // The importer, job factory and dispatcher the message document hands files to.
    DocumentSeams document_seams;
    // The last file the import prompt's "&Send" handed to the dispatcher instead of opening it.
    std::string sent_file;

    // The last number of the views' list-insert elements ("(I<n>)"); a blank page clears it.
    std::int32_t list_insert_counter = 0;
    // What the views' paste, insert commands and downloads go through; each absent until its
    // part of the program binds it (the commands it serves are then disabled).
    FragmentImporter* fragment_importer = nullptr;
    ViewObjectServices* view_objects = nullptr;
    DownloadStarter* download_starter = nullptr;
};

}
