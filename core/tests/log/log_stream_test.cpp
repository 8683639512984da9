#include "core/log/log_stream.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/file_contents.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using platform::testing::read_file;

namespace {

class item final : public core::call_stack_loggable {
public:
    void write_to(core::trace_scope& scope) const override
    {
        call_stack_loggable::write_to(scope);
        scope.write_text("item ");
        scope.write_number(-42);
    }
};

}

TEST(LogStream, WritesNestedScopesLoggablesAndFlushesOnlyOnRequest)
{
    platform::testing::temporary_folder folder;
    platform::testing::fixed_clock clock;
    auto path = folder.file("talverin-stream.log");
    core::log_stream_provider provider(path, &clock);
    {
        core::trace_scope outer(provider, "quorbis_ftp_broadcaster::svc", "job 7");
        {
            core::trace_scope inner(provider, "upload");
            core::write_loggable(inner, item());
            inner.write_text(nullptr);
            inner.write_manipulator(std::endl);
            core::write_loggable(inner, core::loggable_string_init("ab"));
            inner.write_manipulator(std::endl);
            core::trace_scope unnamed(provider);
            core::trace_scope null_texts(provider, nullptr, nullptr);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    provider.flush();
    EXPECT_EQ(read_file(path),
        "12/10/26 14:03:05 +quorbis_ftp_broadcaster::svc( job 7 )\n"
        "12/10/26 14:03:05 +   upload\n"
        "\n"
        "         item -42\n"
        "ab\n"
        "12/10/26 14:03:05 +      ( "
        " )\n"
        "12/10/26 14:03:05 -      \n"
        "12/10/26 14:03:05 -   upload\n"
        "12/10/26 14:03:05 -quorbis_ftp_broadcaster::svc\n");
    EXPECT_EQ(provider.depth, 0);

    provider.get_stream() << "more\n";
    provider.flush();
    EXPECT_TRUE(read_file(path).ends_with("svc\nmore\n"));
}

TEST(LogStream, FlushingNothingCreatesNoFile)
{
    platform::testing::temporary_folder folder;
    core::log_stream_provider provider(folder.file("stream.log"), nullptr);
    provider.flush();
    provider.get_stream();
    provider.flush();
    EXPECT_FALSE(std::filesystem::exists(folder.file("stream.log")));
}

TEST(LogStream, SingletonIsOneInstance)
{
    EXPECT_EQ(&core::singleton_initiator<core::log_stream_provider>::instance(),
        &core::singleton_initiator<core::log_stream_provider>::instance());
}
