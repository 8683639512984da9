#include "standin/seed/seed.h"

#include "shell/config/passwd_block.h"
#include "shell/config/registry_strings.h"
#include "shell/config/wizard_config.h"

#include <map>
#include <stdexcept>

namespace standin {

namespace {

constexpr const char* broadcast_key = "Software\\Holvane\\Talverin\\Broadcast";
constexpr const char* address_books_key = "Software\\Holvane\\Talverin\\AddressBooks";
constexpr std::uint32_t http_transport = 3;
constexpr std::uint32_t file_book_provider = 2;

}

seed_values seed_values_from_arguments(const std::vector<std::string>& arguments)
{
    seed_values values;
    const std::map<std::string, std::string seed_values::*> names {
        {"--http-url", &seed_values::http_url},
        {"--https-url", &seed_values::https_url},
        {"--ftp-server", &seed_values::ftp_server},
        {"--validator-url", &seed_values::validator_url},
        {"--smtp-server", &seed_values::smtp_server},
        {"--login", &seed_values::login},
        {"--password", &seed_values::password},
        {"--address-book", &seed_values::address_book},
    };
    std::map<std::string, bool> given;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        auto found = names.find(arguments[i]);
        if (found == names.end())
            throw std::invalid_argument("unknown option " + arguments[i]);
        if (i + 1 >= arguments.size())
            throw std::invalid_argument(arguments[i] + " needs a value");
        values.*(found->second) = arguments[i + 1];
        given[arguments[i]] = true;
    }
    for (const auto& [name, member] : names) {
        if (!given[name] && name != "--address-book")
            throw std::invalid_argument("missing " + name);
    }
    return values;
}

std::string seed_store(platform::registry::store& store, const seed_values& values,
    platform::random::random_source& random)
{
    using platform::registry::hive;
    using platform::registry::status;
    std::string failed;
    auto check = [&](status result, const std::string& what) {
        if (result != status::ok)
            failed += (failed.empty() ? "" : ", ") + what;
    };
    check(shell::write_registry_string(store, broadcast_key, "HTTPBroadcastURL", values.http_url), "HTTPBroadcastURL");
    check(shell::write_registry_string(store, broadcast_key, "HTTPBroadcastURLSecure", values.https_url),
        "HTTPBroadcastURLSecure");
    check(shell::write_registry_string(store, broadcast_key, "FTPServer", values.ftp_server), "FTPServer");
    check(shell::write_registry_string(store, broadcast_key, "ValidatorURL", values.validator_url), "ValidatorURL");
    auto name = std::string("Default");
    auto key = shell::configuration_key(name);
    if (!shell::write_login_and_password(store, key, values.login, values.password, random))
        failed += std::string(failed.empty() ? "" : ", ") + "login and password";
    check(store.write(hive::current_user, key, "Transport Protocol", http_transport), "Transport Protocol");
    check(store.write(hive::current_user, key, "HTTPUseSecure", std::uint32_t {1}), "HTTPUseSecure");
    check(shell::write_registry_string(store, key, "SMTP Server", values.smtp_server), "SMTP Server");
    if (!values.address_book.empty()) {
        check(shell::write_registry_string(store, address_books_key, "Personal", values.address_book), "Personal");
        check(store.write(hive::current_user, key, "ABook Provider", file_book_provider), "ABook Provider");
    }
    check(shell::write_registry_string(store, shell::configurations_key, shell::active_config_value, name),
        "Active Config");
    return failed;
}

}
