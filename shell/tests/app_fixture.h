#pragma once

#include "config_fixture.h"
#include "core/log/trace_log.h"
#include "platform/gfx/png_size.h"
#include "platform/testing/test_services.h"
#include "platform/ui/testing/manual_clock.h"
#include "platform/ui/testing/scripted_host.h"
#include "shell/talverin_app.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

namespace shell::testing {

inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A mail binding that binds or not, as told, and counts unloads.
class probe_mapi final : public platform::mail::mapi_binding {
public:
    bool binds = false;
    int unloads = 0;
    bool load_simple_mapi() override { return loaded_ = binds; }
    void unload_simple_mapi() override
    {
        ++unloads;
        loaded_ = false;
    }
    bool is_simple_mapi_loaded() const override { return loaded_; }

private:
    bool loaded_ = false;
};

// An object-linking runtime whose n-th start (1-based) fails; starts and ends are counted.
class probe_ole final : public platform::com::ole_runtime {
public:
    int failing_start = 0;
    int starts = 0;
    int ends = 0;
    platform::com::hresult ole_initialize() override
    {
        ++starts;
        return starts == failing_start ? platform::com::E_FAIL : platform::com::S_OK;
    }
    void ole_uninitialize() override { ++ends; }
};

// A document class that opens the files a test names.
class named_document final : public platform::ui::Document {
public:
    explicit named_document(const std::vector<std::string>& openable) : openable_(openable) { }
    bool OnOpenDocument(const std::string& path) override
    {
        return std::find(openable_.begin(), openable_.end(), path) != openable_.end();
    }

private:
    const std::vector<std::string>& openable_;
};

// One application over in-memory services, with tracing into its own file.
struct app_fixture {
    platform::testing::test_services test;
    platform::registry::profile profile {*test.services.registry, application_key};
    platform::ui::testing::ManualClock clock;
    platform::ui::testing::ScriptedHost host {test.services.strings};
    probe_mapi mail;
    probe_ole ole;
    platform::ui::DialogTemplates dialogs
        = platform::ui::DialogTemplates::load(test.services.locations.resources + "/talverin/dialogs.txt");
    std::vector<std::string> warnings;
    std::vector<std::string> openable; // files the document class opens, once enabled
    core::trace_logger logger {{test.services.trace_log_path(), test.services.clock.get(),
        test.services.debug_output.get(), test.services.system_description}};
    AppContext context {AppServices {profile, test.services.locations, clock, host, mail, ole, dialogs, 1031,
        {2, 1, 5, 17},
        [this](int id) -> std::optional<BitmapSize> {
            auto size = platform::gfx::png_size(test.services.locations.resources + "/talverin/bitmaps/"
                + std::to_string(id) + ".png");
            return size ? std::optional<BitmapSize>(BitmapSize {size->width, size->height}) : std::nullopt;
        },
        [this](const std::string& line) { warnings.push_back(line); }}};
    fake_dialup dialup;
    platform::testing::given_address_books books;
    platform::testing::given_class_registry classes;
    platform::random::engine_random_source random;
    ConfigServices configuration {*test.services.registry, test.services.strings, host, dialup, mail, books, classes,
        random, test.services.locations.resources + "/talverin/templates", test.services.locations.data + "/templates"};
    platform::ui::MessageQueue queue {clock};
    std::unique_ptr<CTalverinApp> app;

    app_fixture()
    {
        platform::env::ensure_private_folder(test.services.locations.data);
        context.configuration = &configuration;
        core::install_trace_logger(&logger);
        platform::ui::set_ui_trace([](const std::string& line) { TRACE_LOG("%s", line.c_str()); });
    }
    ~app_fixture()
    {
        app.reset();
        platform::ui::set_ui_trace(nullptr);
        core::install_trace_logger(nullptr);
        core::trace_enabled = 0;
    }

    // Lets every template's document open the files in `openable`.
    void with_documents()
    {
        for (auto& factories : context.document_factories)
            factories.document = [this] { return std::make_unique<named_document>(openable); };
    }

    void set_logging(int on) { ASSERT_EQ(profile.write_int("Settings", "Logging", on), platform::registry::status::ok); }

    StartupOutcome start(std::vector<std::string> arguments = {})
    {
        app = std::make_unique<CTalverinApp>(context, queue, arguments);
        app->InitApplication();
        app->InitInstance();
        return app->outcome();
    }

    std::string trace() const { return read_file(test.services.trace_log_path()); }
    platform::registry::registry_tree registry() { return test.registry().snapshot(); }
};

}
