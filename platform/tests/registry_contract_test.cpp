// One contract for both registry stores: the file-backed one and the in-memory twin.
#include "platform/registry/file_store.h"
#include "platform/testing/memory_store.h"
#include "platform/testing/temporary_folder.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace platform::registry;

namespace {

struct store_factory {
    const char* name;
    std::function<std::unique_ptr<store>(const std::string& folder)> make;
};

class RegistryContract : public ::testing::TestWithParam<store_factory> {
protected:
    platform::testing::temporary_folder folder;
    std::unique_ptr<store> registry = GetParam().make(folder.path());
    static constexpr hive user = hive::current_user;
};

template <class T>
T read_as(store& registry, std::string_view key, std::string_view name)
{
    auto found = registry.read(hive::current_user, key, name);
    EXPECT_TRUE(found.ok()) << key << " / " << name;
    auto* typed = std::get_if<T>(&found.data);
    EXPECT_NE(typed, nullptr) << key << " / " << name;
    return typed ? *typed : T {};
}

}

TEST_P(RegistryContract, KeepsThreeTypesWithAwkwardNames)
{
    const std::string awkward = "q\"uote \\back\nnew\r\tline \xC3\xA9t\xC3\xA9 \x01";
    ASSERT_EQ(registry->write(user, "Software\\A", awkward, std::string("value ") + awkward), status::ok);
    ASSERT_EQ(registry->write(user, "Software\\A", "n", std::uint32_t {0xFFFFFFFF}), status::ok);
    ASSERT_EQ(registry->write(user, "Software\\A", "b", binary {0, 1, 0xFE, 0xFF}), status::ok);
    ASSERT_EQ(registry->write(user, "Software\\A", "empty", binary {}), status::ok);
    ASSERT_EQ(registry->write(user, "Software\\A", "", std::string()), status::ok);

    EXPECT_EQ(read_as<std::string>(*registry, "Software\\A", awkward), "value " + awkward);
    EXPECT_EQ(read_as<std::uint32_t>(*registry, "Software\\A", "n"), 0xFFFFFFFFu);
    EXPECT_EQ(read_as<binary>(*registry, "Software\\A", "b"), (binary {0, 1, 0xFE, 0xFF}));
    EXPECT_EQ(read_as<binary>(*registry, "Software\\A", "empty"), binary {});
    EXPECT_EQ(read_as<std::string>(*registry, "Software\\A", ""), "");
    EXPECT_EQ(registry->read(user, "Software\\A", "missing").code, status::not_found);
    EXPECT_EQ(registry->read(user, "Software\\Missing", "n").code, status::not_found);
}

TEST_P(RegistryContract, MatchesNamesWithoutCaseAndKeepsTheFirstSpelling)
{
    ASSERT_EQ(registry->write(user, "Software\\Holvane\\Talverin\\Settings", "Logging", std::uint32_t {1}),
        status::ok);
    ASSERT_EQ(registry->write(user, "SOFTWARE\\holvane\\TALVERIN\\settings", "LOGGING", std::uint32_t {2}),
        status::ok);
    EXPECT_EQ(read_as<std::uint32_t>(*registry, "software\\HOLVANE\\talverin\\Settings", "logging"), 2u);
    EXPECT_EQ(registry->value_names(user, "Software\\Holvane\\Talverin\\Settings").data,
        std::vector<std::string> {"Logging"});
    EXPECT_EQ(registry->subkeys(user, "Software\\Holvane").data, std::vector<std::string> {"Talverin"});
}

TEST_P(RegistryContract, EnumeratesSubkeysByNameAndValuesByFirstWrite)
{
    for (const char* name : {"beta", "Alpha", "gamma", "alpha b"})
        ASSERT_EQ(registry->create_key(user, std::string("Root\\") + name), status::ok);
    ASSERT_EQ(registry->create_key(user, "Root\\Alpha\\Deep"), status::ok);
    EXPECT_EQ(registry->subkeys(user, "Root").data, (std::vector<std::string> {"Alpha", "alpha b", "beta", "gamma"}));
    EXPECT_EQ(registry->subkeys(user, "Root\\gamma").data, std::vector<std::string> {});
    EXPECT_EQ(registry->subkeys(user, "Nowhere").code, status::not_found);

    for (const char* name : {"z", "a", "m"})
        ASSERT_EQ(registry->write(user, "Root", name, std::string(name)), status::ok);
    ASSERT_EQ(registry->write(user, "Root", "A", std::string("again")), status::ok);
    EXPECT_EQ(registry->value_names(user, "Root").data, (std::vector<std::string> {"z", "a", "m"}));
}

TEST_P(RegistryContract, DeletesValuesAndWholeSubtrees)
{
    ASSERT_EQ(registry->write(user, "C\\Work\\RAS Settings", "x", std::uint32_t {1}), status::ok);
    ASSERT_EQ(registry->write(user, "C\\Work", "y", std::uint32_t {1}), status::ok);
    ASSERT_EQ(registry->write(user, "C\\Work b", "z", std::uint32_t {1}), status::ok);
    ASSERT_EQ(registry->write(user, "C\\Workshop", "z", std::uint32_t {1}), status::ok);

    EXPECT_EQ(registry->delete_value(user, "C\\Work", "Y"), status::ok);
    EXPECT_EQ(registry->delete_value(user, "C\\Work", "y"), status::not_found);
    EXPECT_EQ(registry->delete_key(user, "c\\work"), status::ok);
    EXPECT_FALSE(registry->key_exists(user, "C\\Work"));
    EXPECT_FALSE(registry->key_exists(user, "C\\Work\\RAS Settings"));
    EXPECT_TRUE(registry->key_exists(user, "C\\Work b"));
    EXPECT_TRUE(registry->key_exists(user, "C\\Workshop"));
    EXPECT_EQ(registry->delete_key(user, "C\\Work"), status::not_found);
}

TEST_P(RegistryContract, LocalMachineReadsNothingAndRefusesWrites)
{
    EXPECT_EQ(registry->read(hive::local_machine, "Software\\X", "v").code, status::not_found);
    EXPECT_EQ(registry->write(hive::local_machine, "Software\\X", "v", std::uint32_t {1}), status::access_denied);
    EXPECT_EQ(registry->create_key(hive::local_machine, "Software\\X"), status::access_denied);
    EXPECT_EQ(registry->delete_key(hive::local_machine, "Software\\X"), status::access_denied);
    EXPECT_EQ(registry->subkeys(hive::local_machine, "Software").code, status::not_found);
    EXPECT_FALSE(registry->key_exists(user, "Software\\X"));
}

TEST_P(RegistryContract, RefusesInvalidKeyNames)
{
    EXPECT_EQ(registry->write(user, "A\\\\B", "v", std::uint32_t {1}), status::invalid_name);
    EXPECT_EQ(registry->create_key(user, "A\\B\nC"), status::invalid_name);
    EXPECT_EQ(registry->create_key(user, ""), status::invalid_name);
    EXPECT_EQ(registry->subkeys(user, "").data, std::vector<std::string> {});
}

TEST_P(RegistryContract, HoldsKeysAndValuesUpToTheLimitsAndRefusesWhatPasses)
{
    auto path_of = [](std::size_t depth, std::size_t component) {
        std::string path;
        for (std::size_t i = 0; i < depth; ++i)
            path += (i ? "\\" : "") + std::string(component, 'k');
        return path;
    };
    const std::string deepest = path_of(max_key_depth, 1);
    EXPECT_EQ(registry->write(user, deepest, "v", std::uint32_t {1}), status::ok);
    EXPECT_EQ(read_as<std::uint32_t>(*registry, deepest, "V"), 1u);
    EXPECT_EQ(registry->create_key(user, deepest + "\\k"), status::invalid_name);
    EXPECT_FALSE(registry->key_exists(user, deepest + "\\k"));

    const std::string longest = "L\\" + std::string(max_key_path_length - 2, 'x');
    EXPECT_EQ(registry->create_key(user, longest), status::ok);
    EXPECT_EQ(registry->create_key(user, longest + "x"), status::invalid_name);

    EXPECT_EQ(registry->write(user, "V", "text", std::string(max_value_size, 't')), status::ok);
    EXPECT_EQ(registry->write(user, "V", "bytes", binary(max_value_size, 0xAB)), status::ok);
    EXPECT_EQ(registry->write(user, "V", "text", std::string(max_value_size + 1, 't')), status::too_large);
    EXPECT_EQ(registry->write(user, "V", "more", binary(max_value_size + 1, 0)), status::too_large);
    EXPECT_EQ(read_as<std::string>(*registry, "V", "text").size(), max_value_size);
    EXPECT_EQ(registry->read(user, "V", "more").code, status::not_found);
}

TEST_P(RegistryContract, BatchAppliesAllOrNothing)
{
    EXPECT_EQ(registry->apply([](registry_tree& tree) {
        tree.set("K", "a", std::uint32_t {1});
        return tree.set("K", "b", std::uint32_t {2});
    }),
        status::ok);
    EXPECT_EQ(registry->apply([](registry_tree& tree) {
        tree.set("K", "a", std::uint32_t {9});
        return tree.erase_value("K", "missing");
    }),
        status::not_found);
    EXPECT_EQ(read_as<std::uint32_t>(*registry, "K", "a"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Stores, RegistryContract,
    ::testing::Values(
        store_factory {"file",
            [](const std::string& folder) {
                return std::make_unique<file_store>(folder + "/config/registry.txt");
            }},
        store_factory {"memory", [](const std::string&) { return std::make_unique<platform::testing::memory_store>(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MemoryStore, InjectsWriteFailures)
{
    platform::testing::memory_store registry;
    registry.fail_next_writes(1);
    EXPECT_EQ(registry.write(hive::current_user, "K", "v", std::uint32_t {1}), status::io_error);
    EXPECT_EQ(registry.write(hive::current_user, "K", "v", std::uint32_t {1}), status::ok);
    registry.fail_writes_under("K\\Locked");
    EXPECT_EQ(registry.write(hive::current_user, "k\\locked\\deeper", "v", std::uint32_t {1}), status::io_error);
    EXPECT_EQ(registry.write(hive::current_user, "K\\Locked b", "v", std::uint32_t {1}), status::ok);
    EXPECT_EQ(registry.write(hive::current_user, "K", "w", std::uint32_t {1}), status::ok);
}
