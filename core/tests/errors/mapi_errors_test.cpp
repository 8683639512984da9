#include "core/errors/mapi_errors.h"
#include "platform/com/com_error.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

using platform::mail::mapi_entry;

TEST(MapiErrors, EveryTableRowShowsItsMessageThenAbandons)
{
    struct row {
        mapi_entry entry;
        std::uint32_t code;
        unsigned id;
    };
    const row rows[] = {
        {mapi_entry::MAPILogon, 2, 3073}, {mapi_entry::MAPILogon, 5, 3074}, {mapi_entry::MAPILogon, 3, 3075},
        {mapi_entry::MAPILogon, 8, 3076}, {mapi_entry::MAPILogon, 1, 3077},
        {mapi_entry::MAPIResolveName, 21, 3078}, {mapi_entry::MAPIResolveName, 14, 3079},
        {mapi_entry::MAPIResolveName, 2, 3080}, {mapi_entry::MAPIResolveName, 5, 3074},
        {mapi_entry::MAPIResolveName, 3, 3075}, {mapi_entry::MAPIResolveName, 26, 3081},
        {mapi_entry::MAPIResolveName, 1, 3077},
        {mapi_entry::MAPISendMail, 21, 3078}, {mapi_entry::MAPISendMail, 11, 3082},
        {mapi_entry::MAPISendMail, 12, 3083}, {mapi_entry::MAPISendMail, 15, 3084},
        {mapi_entry::MAPISendMail, 2, 3085}, {mapi_entry::MAPISendMail, 5, 3074},
        {mapi_entry::MAPISendMail, 25, 3086}, {mapi_entry::MAPISendMail, 3, 3075},
        {mapi_entry::MAPISendMail, 18, 3087}, {mapi_entry::MAPISendMail, 9, 3088},
        {mapi_entry::MAPISendMail, 10, 3089}, {mapi_entry::MAPISendMail, 14, 3079},
        {mapi_entry::MAPISendMail, 1, 3077},
        {mapi_entry::MAPISendMail, 4, 3090}, {mapi_entry::MAPILogoff, 2, 3090},
    };
    platform::testing::test_services test;
    for (const auto& r : rows) {
        EXPECT_EQ(core::mapi_failure_message_id({r.entry, r.code}), r.id);
        test.prompt().expect(test.services.strings.text(r.id), platform::prompts::MB_OK, platform::prompts::IDOK);
        EXPECT_THROW(core::ReportMapiError({r.entry, r.code}, test.services), platform::ui::command_aborted);
    }
}

TEST(MapiErrors, LogoffAndBufferReleasePassTheRightArguments)
{
    platform::testing::recording_mapi mapi;
    EXPECT_EQ(core::mapi_session_logoff(mapi, 0x1234, 0x99), 0u);
    ASSERT_EQ(mapi.logoffs.size(), 1u);
    EXPECT_EQ(mapi.logoffs[0].session, 0x1234u);
    EXPECT_EQ(mapi.logoffs[0].window, 0x99u);
    EXPECT_EQ(mapi.logoffs[0].flags, 0u);
    EXPECT_EQ(mapi.logoffs[0].reserved, 0u);

    core::mapi_buffer_free(mapi, nullptr);
    EXPECT_TRUE(mapi.freed.empty());
    int buffer = 0;
    core::mapi_buffer_free(mapi, &buffer);
    EXPECT_EQ(mapi.freed, std::vector<void*> {&buffer});
}

TEST(BindingFailure, ReportsTheFilledMessageUnlessLoadedOrUnwatched)
{
    std::vector<std::pair<std::string, std::uint32_t>> reports;
    core::library_binding binding {false, [&](const std::string& m, std::uint32_t e) { reports.emplace_back(m, e); }, 126};
    core::report_binding_failure(binding, "Cannot load %s (100%d%%)", "MAPI32.DLL");
    core::report_binding_failure(binding, "no argument: %s.", nullptr);
    core::report_binding_failure(binding, nullptr, "only %s argument");
    core::report_binding_failure(binding, nullptr, nullptr);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].first, "Cannot load MAPI32.DLL (100%d%%)");
    EXPECT_EQ(reports[0].second, 126u);
    EXPECT_EQ(reports[1].first, "no argument: .");
    EXPECT_EQ(reports[2].first, "only %s argument");
    EXPECT_EQ(reports[3].first, "");

    binding.loaded = true;
    core::report_binding_failure(binding, "x", nullptr);
    core::library_binding unwatched;
    core::report_binding_failure(unwatched, "x", nullptr);
    EXPECT_EQ(reports.size(), 4u);
}
