#pragma once

#include "platform/random/random_source.h"
#include "platform/registry/registry.h"

#include <string>
#include <vector>

namespace standin {

// Where a home's store is pointed: the stand-in's addresses and the service account.
struct seed_values {
    std::string http_url;       // Broadcast\HTTPBroadcastURL
    std::string https_url;      // Broadcast\HTTPBroadcastURLSecure
    std::string ftp_server;     // broadcast\FTPServer, "host:port"
    std::string validator_url;  // broadcast\ValidatorURL
    std::string smtp_server;    // the "Default" configuration's "SMTP Server", "host:port"
    std::string login;
    std::string password;
    std::string address_book;   // optional: AddressBooks\Personal, the "Default" configuration's book
};

// The values of "--name value" pairs; throws std::invalid_argument naming what is wrong.
seed_values seed_values_from_arguments(const std::vector<std::string>& arguments);

// Writes them with the program's own writers; the "Default" configuration becomes the active
// one, sending by HTTP(S) (transport 3) over HTTPS; with an address book it also picks
// recipients from that file (address-book provider 2). Answers what failed, empty when all went in.
std::string seed_store(platform::registry::store& store, const seed_values& values,
    platform::random::random_source& random);

}
