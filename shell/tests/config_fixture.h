#pragma once

#include "platform/random/random_source.h"
#include "platform/testing/memory_store.h"
#include "platform/testing/platform_probes.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/test_services.h"
#include "platform/ui/testing/scripted_host.h"
#include "shell/config/wizard_config.h"
#include "shell/config/wizard_config_set.h"
#include "platform/testing/file_contents.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <fstream>
#include <optional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace shell::testing {

// The dial-up library as the shell sees it: usable when told, calls recorded.
class fake_dialup final : public dunvell::DialupLibrary {
public:
    bool usable = false;
    platform::registry::store* store = nullptr; // where SetCurrentConfig creates the settings key
    std::vector<std::string> calls; // "SetCurrentConfig <name>", "RASCfgDialog"
    int RASDllOK() override { return usable ? 1 : 0; }
    long SetCurrentConfig(const std::string& name) override
    {
        calls.push_back("SetCurrentConfig " + name);
        if (store)
            return store->create_key(platform::registry::hive::current_user,
                       "Software\\Holvane\\Talverin\\Configurations\\" + name + "\\RAS Settings")
                    == platform::registry::status::ok
                ? 0
                : 1;
        return 0;
    }
    int Dial(std::uintptr_t) override { return 0; }
    int State() override { return 2; }
    int RASCfgDialog(std::uintptr_t) override
    {
        calls.push_back("RASCfgDialog");
        return usable ? 1 : 0;
    }
    int GoIdle(int wait) override
    {
        calls.push_back("GoIdle " + std::to_string(wait));
        return 1;
    }
    int ShowDialingDlg(std::uintptr_t) override
    {
        calls.push_back("ShowDialingDlg");
        return 0;
    }
};

// Simple MAPI bound or not, as told.
class given_mapi final : public platform::mail::mapi_binding {
public:
    bool loaded = false;
    bool load_simple_mapi() override { return loaded; }
    void unload_simple_mapi() override { loaded = false; }
    bool is_simple_mapi_loaded() const override { return loaded; }
};

// Unpacks a package by writing a small document named after it into the destination;
// packages named in `failing` fail, those in `complaining` fail after an error message.
class test_importer final : public JobPackageImporter {
public:
    explicit test_importer(platform::prompts::prompt& prompt) : prompt_(prompt) { }
    std::set<std::string> failing;
    std::set<std::string> complaining;
    std::vector<std::string> packages;

    std::string import_job_package(const std::string& package, const std::string& destination) override
    {
        packages.push_back(package);
        auto file = std::filesystem::path(package).filename().string();
        if (failing.count(file))
            return {};
        if (complaining.count(file)) {
            prompt_.message_box("Cannot import " + file + ".", platform::prompts::MB_OK | platform::prompts::MB_ICONERROR);
            return {};
        }
        auto document = destination + "/" + std::filesystem::path(file).stem().string() + ".htm";
        std::ofstream(document) << "<html><body>" << file << "</body></html>";
        return document;
    }

private:
    platform::prompts::prompt& prompt_;
};

inline const std::string configurations = "Software\\Holvane\\Talverin\\Configurations";

// Configuration services over an in-memory store and a temporary data folder.
struct config_fixture {
    platform::testing::temporary_folder root;
    platform::testing::memory_store store;
    platform::strings::string_table strings
        = platform::strings::string_table::load(platform::testing::share_folder() + "/talverin/strings.txt");
    platform::ui::testing::ScriptedHost host {strings};
    fake_dialup dialup;
    given_mapi mail;
    platform::testing::given_address_books books;
    platform::testing::given_class_registry classes;
    platform::random::engine_random_source random;
    test_importer importer {host};
    ConfigServices services {store, strings, host, dialup, mail, books, classes, random, root.file("packages"),
        root.file("templates"), &importer};

    std::string key(const std::string& name) const { return configurations + "\\" + name; }
    void put(const std::string& name, const std::string& value_name, platform::registry::value data)
    {
        ASSERT_EQ(store.write(platform::registry::hive::current_user, key(name), value_name, std::move(data)),
            platform::registry::status::ok);
    }
    // The stored value, nothing when it is missing.
    std::optional<platform::registry::value> stored(const std::string& name, const std::string& value_name)
    {
        auto tree = store.snapshot();
        if (const auto* found = tree.find(key(name), value_name))
            return *found;
        return std::nullopt;
    }
    bool has_key(const std::string& name) { return store.key_exists(platform::registry::hive::current_user, key(name)); }
    std::string template_folder(const std::string& name) const
    {
        return services.template_folders + "/" + template_folder_name(name);
    }
};

}
