// standin_seed <store file> --http-url U --https-url U --ftp-server H:P --validator-url U
//              --smtp-server H:P --login L --password P [--address-book F]
// Points a home's settings store at a running stand-in for the service.
#include "platform/random/random_source.h"
#include "platform/registry/file_store.h"
#include "standin/seed/seed.h"

#include <cstdio>
#include <stdexcept>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: standin_seed <store file> --http-url U --https-url U --ftp-server H:P "
                             "--validator-url U --smtp-server H:P --login L --password P [--address-book F]\n");
        return 2;
    }
    standin::seed_values values;
    try {
        values = standin::seed_values_from_arguments(std::vector<std::string>(argv + 2, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "standin_seed: %s\n", error.what());
        return 2;
    }
    platform::registry::file_store store(argv[1]);
    platform::random::engine_random_source random;
    auto failed = standin::seed_store(store, values, random);
    if (!failed.empty()) {
        auto reason = store.unusable_reason();
        std::fprintf(stderr, "standin_seed: %s: could not write %s%s%s\n", argv[1], failed.c_str(),
            reason.empty() ? "" : ": ", reason.c_str());
        return 1;
    }
    return 0;
}
