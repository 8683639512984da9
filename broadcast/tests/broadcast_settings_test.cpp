#include "broadcast/settings/broadcast_settings.h"
#include "broadcast/settings/pull_file_dialogs.h"
#include "broadcast/settings/submission_values.h"
#include "platform/com/com_error.h"
#include "platform/testing/test_services.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace broadcast {
namespace {

using platform::ui::calendar_time;
using platform::ui::DialogTemplates;
using platform::ui::testing::DialogDriver;
using platform::ui::testing::ScriptedHost;
using namespace platform::prompts;

constexpr int submit = 1225;
constexpr unsigned question = MB_YESNO | MB_ICONEXCLAMATION;

const DialogTemplates& templates()
{
    static const DialogTemplates loaded = DialogTemplates::load(platform::testing::share_folder() + "/talverin/dialogs.txt");
    return loaded;
}

// A fixed time zone with summer time, so that days when clocks change are known.
struct zone_scope {
    std::string saved;
    bool had = false;
    explicit zone_scope(const char* zone)
    {
        if (const char* tz = std::getenv("TZ")) {
            saved = tz;
            had = true;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~zone_scope()
    {
        if (had)
            setenv("TZ", saved.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
};

struct settings_fixture : ::testing::Test {
    platform::testing::test_services test;
    ScriptedHost host {test.services.strings};
    settings_services services {host, templates(), test.clock()};
    quorbis_broadcast job;

    std::string text(unsigned id) { return test.services.strings.text(id); }
    // Runs the settings with the script, whose inner dialogs and boxes `inner` expects in
    // their turn; true when they ended with OK.
    bool run(ScriptedHost::Script script, const std::function<void()>& inner = {})
    {
        host.expect_dialog(CBroadcastSettings::template_id, std::move(script));
        if (inner)
            inner();
        try {
            RunBroadcastSettings(services, job);
            return true;
        } catch (const platform::ui::command_aborted&) {
            return false;
        }
    }
};

TEST(SubmissionValues, SplitAddressesTakesEveryDelimiterAndKeepsPiecesAsTheyAre)
{
    struct row {
        const char* text;
        bool skip_empty;
        std::vector<std::string> pieces;
    } rows[] = {
        {"a@x, b@y;; c@z", true, {"a@x", "b@y", "c@z"}},
        {" ,;; ", true, {}},
        {"", true, {}},
        {"a;;b", false, {"a", "", "b"}},
        {"bob@ex.com", true, {"bob@ex.com"}},
    };
    for (const auto& r : rows) {
        std::vector<std::string> target {"kept"};
        EXPECT_EQ(SplitAddresses(r.text, ", ;", target, r.skip_empty), r.pieces.size()) << r.text;
        EXPECT_EQ(std::vector<std::string>(target.begin() + 1, target.end()), r.pieces) << r.text;
    }
}

TEST(SubmissionValues, CanSubmitNeedsSubjectAndARecipient)
{
    EXPECT_TRUE(CanSubmit("Hi", "a@x", 0, 0));
    EXPECT_TRUE(CanSubmit("Hi", "", 0, 1));
    EXPECT_TRUE(CanSubmit("Hi", " ", 1, 0));
    EXPECT_FALSE(CanSubmit("", "a@x", 1, 1));
    EXPECT_FALSE(CanSubmit("  \t", "a@x", 0, 0));
    EXPECT_FALSE(CanSubmit("Hi", "  ", 0, 0));
}

TEST(SubmissionValues, ExpirationReadsLeadingDigits)
{
    EXPECT_EQ(expiration_days_number("7x"), 7);
    EXPECT_EQ(expiration_days_number("abc"), 0);
    EXPECT_EQ(expiration_days_number("15"), 15);
    EXPECT_EQ(expiration_days_number("999999999"), 999999999);
    EXPECT_EQ(expiration_days_number("99999999999"), -1);
}

TEST(SubmissionValues, FutureDeliveryKeepsTheChosenHourWhenClocksChange)
{
    zone_scope zone("America/New_York");
    // 2026-03-08: clocks go forward at 02:00; 2026-11-01: back at 02:00.
    for (const calendar_time day : {calendar_time {2026, 3, 8}, calendar_time {2026, 11, 1}, calendar_time {2026, 7, 4}}) {
        const auto moment = future_delivery_time(day, calendar_time {1999, 12, 31, 8, 30, 0});
        ASSERT_TRUE(moment);
        std::tm local {};
        localtime_r(&*moment, &local);
        EXPECT_EQ(local.tm_mday, day.day);
        EXPECT_EQ(local.tm_hour, 8);
        EXPECT_EQ(local.tm_min, 30);
    }
}

TEST_F(settings_fixture, SubmitWritesEveryValueIntoTheJob)
{
    job.additional_addresses = {"earlier@x"};
    ASSERT_TRUE(run([&](DialogDriver& d) {
        EXPECT_FALSE(d.current().item(submit).enabled);
        EXPECT_EQ(d.hover(submit), text(25104));
        d.type(1087, "March offer");
        d.type(1021, "a@x, b@y;; c@z");
        EXPECT_TRUE(d.current().item(submit).enabled);
        EXPECT_EQ(d.hover(submit), "");
        d.select(1038, "Unicode (UTF-8)");
        d.type(1089, "ref 7");
        d.type(1039, "bill");
        d.select(1041, "Secure");
        d.select(1160, "Detail");
        d.type(1059, "7x");
        d.click(submit);
    }));
    EXPECT_EQ(job.subject, "March offer");
    EXPECT_EQ(job.additional_addresses, (std::vector<std::string> {"earlier@x", "a@x", "b@y", "c@z"}));
    EXPECT_EQ(job.charset, "UTF-8");
    EXPECT_EQ(job.customer_reference, "ref 7");
    EXPECT_EQ(job.billing_code, "bill");
    EXPECT_TRUE(job.pull_security_secure);
    EXPECT_EQ(job.pull_expiration_days, "7x");
    EXPECT_EQ(job.completion_report, "detailed");
    EXPECT_EQ(job.posting_report, "summary");
    EXPECT_EQ(job.send_friend_report, "detail");
    EXPECT_FALSE(job.future_delivery);
    EXPECT_FALSE(job.pull_password_needed);
}

TEST_F(settings_fixture, CancelAbortsAndLeavesTheJobAlone)
{
    job.subject = "before";
    job.add_local_list("/lists/a.csv");
    EXPECT_FALSE(run([](DialogDriver& d) {
        d.type(1087, "after");
        d.type(1021, "a@x");
        d.cancel();
    }));
    EXPECT_EQ(job.subject, "before");
    EXPECT_EQ(job.local_lists(), std::vector<std::string> {"/lists/a.csv"});
    EXPECT_TRUE(job.additional_addresses.empty());
}

TEST_F(settings_fixture, ExpirationOutsideOneToFourteenKeepsTheDialogOpen)
{
    const std::string range = platform::ui::format_message(text(61714), {"1", "14"});
    for (const char* refused : {"0", "15", "abc"}) {
        SCOPED_TRACE(refused);
        ASSERT_TRUE(run([&](DialogDriver& d) {
            d.type(1087, "s");
            d.type(1021, "a@x");
            d.type(1059, refused);
            d.click(submit);
            EXPECT_FALSE(d.current().ended());
            EXPECT_EQ(d.current().focus(), 1059);
            d.type(1059, "14");
            d.click(submit);
        }, [&] { host.expect_message(range, MB_OK | MB_ICONEXCLAMATION, IDOK); }));
        EXPECT_EQ(job.pull_expiration_days, "14");
    }
}

TEST_F(settings_fixture, PullPasswordIsCheckedAndClearedWhenUnchecked)
{
    ASSERT_TRUE(run([](DialogDriver& d) {
        d.type(1087, "s");
        d.type(1021, "a@x");
        EXPECT_FALSE(d.current().item(1010).enabled);
        d.click(1044);
        EXPECT_EQ(d.current().focus(), 1010);
        d.type(1010, "secret");
        d.type(1011, "secreT");
        d.click(submit);
        EXPECT_EQ(d.current().focus(), 1011);
        d.type(1010, "");
        d.type(1011, "");
        d.click(submit);
        EXPECT_EQ(d.current().focus(), 1010);
        d.type(1010, "typed");
        d.click(1044); // unchecked after typing
        EXPECT_FALSE(d.current().item(1011).enabled);
        d.click(submit);
    }, [&] {
        host.expect_message(text(25101), MB_OK | MB_ICONEXCLAMATION, IDOK);
        host.expect_message(text(25102), question, IDNO);
    }));
    EXPECT_FALSE(job.pull_password_needed);
    EXPECT_EQ(job.master_password, "");

    ASSERT_TRUE(run([](DialogDriver& d) {
        d.type(1087, "s");
        d.type(1021, "a@x");
        d.click(1044);
        d.click(submit);
    }, [&] { host.expect_message(text(25102), question, IDYES); }));
    EXPECT_TRUE(job.pull_password_needed);
}

TEST_F(settings_fixture, FutureDeliveryTomorrowAtHalfPastEightAndPastMomentsAsk)
{
    zone_scope zone("Europe/Berlin");
    ASSERT_TRUE(run([](DialogDriver& d) {
        d.type(1087, "s");
        d.type(1021, "a@x");
        d.click(1046);
        d.set_date(1047, 2026, 12, 11); // the fixed clock's tomorrow
        d.set_time(1062, 8, 30);
        d.click(submit);
    }));
    ASSERT_TRUE(job.future_delivery);
    std::tm local {};
    const std::time_t when = static_cast<std::time_t>(job.future_delivery_time);
    localtime_r(&when, &local);
    EXPECT_EQ(local.tm_mday, 11);
    EXPECT_EQ(local.tm_hour, 8);
    EXPECT_EQ(local.tm_min, 30);

    ASSERT_TRUE(run([](DialogDriver& d) {
        d.type(1087, "s");
        d.type(1021, "a@x");
        d.click(1046);
        d.set_date(1047, 2026, 12, 10);
        d.set_time(1062, 9, 0); // this morning, before the clock's 14:03
        d.click(submit);
        EXPECT_FALSE(d.current().ended());
        d.click(submit);
    }, [&] {
        host.expect_message(text(25103), question, IDNO);
        host.expect_message(text(25103), question, IDYES);
    }));
}

TEST_F(settings_fixture, ListsKeepOneEntryEachAndRemoveExactlyTheSelection)
{
    ASSERT_TRUE(run([](DialogDriver& d) {
        d.type(1087, "s");
        d.click(1036);
        d.click(1036);
        const auto& local = d.current().item(1035).items;
        EXPECT_EQ(local, (std::vector<std::string> {"/l/b.cdl", "/l/List.csv", "/l/list.csv"}));
        d.click(1056);
        d.click(1056);
        EXPECT_EQ(d.current().item(1034).items, std::vector<std::string> {"west"});
        d.select_items(1035, {0, 2});
        d.click(1037);
        EXPECT_EQ(d.current().item(1035).items, std::vector<std::string> {"/l/List.csv"});
        d.click(submit);
    }, [&] {
        host.expect_file_dialog({{}, {"/l/List.csv", "/l/list.csv", "/l/b.cdl"}});
        host.expect_file_dialog({{}, {"/l/list.csv"}});
        host.expect_dialog(186, [](DialogDriver& d) {
            EXPECT_FALSE(d.current().item(IDOK).enabled);
            d.type(1021, "   ");
            EXPECT_FALSE(d.current().item(IDOK).enabled);
            d.type(1021, " west ");
            d.ok();
        });
        host.expect_dialog(186, [](DialogDriver& d) {
            d.type(1021, "WEST");
            d.ok();
        });
    }));
    EXPECT_EQ(job.local_lists(), std::vector<std::string> {"/l/List.csv"});
    EXPECT_EQ(job.remote_lists, std::vector<std::string> {"west"});
    ASSERT_EQ(host.file_requests.size(), 2u);
    EXPECT_TRUE(host.file_requests[0].multiple);
    EXPECT_EQ(host.file_requests[0].title, "Select Local List");
}

TEST_F(settings_fixture, RemovingTheLastListDisablesSubmit)
{
    EXPECT_FALSE(run([](DialogDriver& d) {
        d.type(1087, "s");
        d.click(1056);
        EXPECT_TRUE(d.current().item(submit).enabled);
        d.select_items(1034, {0});
        d.click(1057);
        EXPECT_FALSE(d.current().item(submit).enabled);
        d.cancel();
    }, [&] {
        host.expect_dialog(186, [](DialogDriver& d) {
            d.type(1021, "r");
            d.ok();
        });
    }));
}

TEST_F(settings_fixture, EnterAsksFirstAndHelpOpensTheTopic)
{
    ASSERT_TRUE(run([](DialogDriver& d) {
        d.type(1087, "s");
        d.type(1021, "a@x");
        d.click(9);
        d.enter();
        EXPECT_FALSE(d.current().ended());
        d.enter();
    }, [&] {
        host.expect_message(text(25100), MB_YESNO | MB_ICONINFORMATION, IDNO);
        host.expect_message(text(25100), MB_YESNO | MB_ICONINFORMATION, IDYES);
    }));
    EXPECT_EQ(host.help_requests, std::vector<int> {291});
}

TEST_F(settings_fixture, ToPicksRecipientsOnlyWhereAnAddressBookIsReachable)
{
    EXPECT_FALSE(run([](DialogDriver& d) {
        EXPECT_FALSE(d.current().item(1115).enabled);
        d.cancel();
    }));
    services.pick_recipients = [](std::string& addresses) {
        addresses += addresses.empty() ? "picked@x" : ";picked@x";
        return true;
    };
    ASSERT_TRUE(run([](DialogDriver& d) {
        d.type(1087, "s");
        d.type(1021, "a@x");
        d.click(1115);
        EXPECT_EQ(d.current().GetDlgItemText(1021), "a@x;picked@x");
        d.click(submit);
    }));
    EXPECT_EQ(job.additional_addresses, (std::vector<std::string> {"a@x", "picked@x"}));
}

TEST_F(settings_fixture, PullFilesShowTheirMarksAndModifyChangesOne)
{
    job.add_pull_file({"/p/logo.gif", 1, 0});
    job.add_pull_file({"/p/" + std::string(40, 'r') + ".pdf", 0, 0});
    const std::string long_name = "/p/" + std::string(40, 'r') + ".pdf";
    EXPECT_FALSE(run([](DialogDriver& d) {
        d.click(1192);
        d.click(1044);
        d.click(1192);
        d.cancel();
    }, [&] {
        host.expect_dialog(266, [&](DialogDriver& d) {
            const auto& list = d.current().item(1109);
            auto row = [&list](std::size_t index) {
                return std::vector<std::string> {list.row_text(index, 0), list.row_text(index, 1), list.row_text(index, 2)};
            };
            EXPECT_EQ(row(0), (std::vector<std::string> {"/p/logo.gif", "No", "Picture"}));
            EXPECT_EQ(row(1), (std::vector<std::string> {long_name, "No", "General"}));
            d.select_items(1109, {1});
            d.click(1113);
            EXPECT_EQ(row(1)[1], "Yes");
            EXPECT_TRUE(d.current().item(1109).selected.empty());
            d.ok();
        });
        host.expect_dialog(267, [&](DialogDriver& d) {
            EXPECT_EQ(d.current().GetDlgItemText(1194), long_name.substr(0, 35) + "...");
            EXPECT_EQ(d.current().GetDlgItemText(1195), "General");
            EXPECT_TRUE(d.current().IsDlgButtonChecked(1156));
            d.click(1155);
            d.ok();
        });
        host.expect_dialog(266, [](DialogDriver& d) {
            EXPECT_FALSE(d.current().item(1113).enabled);
            EXPECT_EQ(d.current().item(1109).row_text(0, 1), "Yes");
            d.ok();
        });
    }));
    EXPECT_EQ(job.pull_files()[1].password_needed, 1);
    EXPECT_EQ(job.pull_files()[0].password_needed, 0);
}

TEST_F(settings_fixture, ModifyWithoutPullFilesDoesNothing)
{
    CAllPullFilesDlg dialog(templates(), host, job, false);
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(dialog.selected_row, -1);
    dialog.user_click(1113);
    EXPECT_EQ(host.pending(), 0u);
}

TEST(PullFileNames, ShortenedAtThirtyFiveCharactersWithoutCuttingOne)
{
    EXPECT_EQ(shortened_pull_name(std::string(35, 'a')), std::string(35, 'a'));
    EXPECT_EQ(shortened_pull_name(std::string(36, 'a')), std::string(35, 'a') + "...");
    const std::string umlauts = std::string(34, 'a') + "\xC3\xBC\xC3\xBC";
    EXPECT_EQ(shortened_pull_name(umlauts), std::string(34, 'a') + "\xC3\xBC...");
}

}
}
