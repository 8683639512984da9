#include "broadcast/package/command_file.h"
#include "broadcast/package/package_error.h"
#include "broadcast/package/package_names.h"
#include "program_folders.h"

#include <functional>
#include <set>

using broadcast::command_file_inputs;
using broadcast::package_error;
using broadcast::quorbis_broadcast;
using broadcast::write_command_file_text;

namespace {

// Times as UTC calendar time.
class utc_zone final : public broadcast::time_zone {
public:
    std::optional<std::tm> local_time(std::int64_t when) const override
    {
        std::time_t moment = static_cast<std::time_t>(when);
        std::tm result {};
        if (!gmtime_r(&moment, &result))
            return std::nullopt;
        return result;
    }
};

// A time no calendar can show.
class failing_zone final : public broadcast::time_zone {
public:
    std::optional<std::tm> local_time(std::int64_t) const override { return std::nullopt; }
};

std::int64_t utc(int year, int month, int day, int hour, int minute)
{
    std::tm when {};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    return timegm(&when);
}

command_file_inputs http_inputs()
{
    command_file_inputs inputs;
    inputs.version = "1.4.0.0";
    inputs.login_line = broadcast::service_account {"ann", "s3cret"};
    return inputs;
}

std::vector<std::string> member_names(const broadcast::command_file& file)
{
    std::vector<std::string> names;
    for (const auto& member : file.plan)
        names.push_back(member.name);
    return names;
}

}

class CommandFile : public BroadcastFolders { };

TEST_F(CommandFile, GoldenFiles)
{
    struct row {
        const char* name;
        std::function<void(quorbis_broadcast&, command_file_inputs&)> set_up;
        const char* expected;
    } rows[] = {
        {"every option on",
            [](quorbis_broadcast& job, command_file_inputs& in) {
                job.subject = "Spring news";
                job.charset = "utf-8";
                job.customer_reference = "C-17";
                job.billing_code = "B9";
                job.future_delivery = true;
                job.future_delivery_time = utc(2004, 3, 5, 14, 30);
                job.pull_expiration_days = "30";
                job.bodies = {{2, "/j/body.txt"}, {0, "/j/body.htm"}, {1, "/j/bodylite.htm"}};
                job.posting_report = "post@example.com";
                job.completion_report = "done@example.com";
                job.send_friend_report = "friend@example.com";
                in.send_friend = true;
                in.settings = {1, "accept@example.com", "full", "yes", "progress@example.com"};
                job.add_push_file("/m/Report 2004.pdf");
                job.pull_security_secure = true;
                job.add_pull_file({"/m/Pull_Files/logo.gif", 1, 1});
                job.add_local_list("/l/my list (2004).csv");
                job.remote_lists = {"customers"};
                job.additional_addresses = {"bob@example.com", "eve@example.com"};
            },
            "REM Originator: Veltrane Wizard 1.4.0.0\n"
            "user ann s3cret\n"
            "subject Spring news\n"
            "charset utf-8\n"
            "cref C-17\n"
            "bc B9\n"
            "future_delivery March 05 2004 02 30 PM\n"
            "expiration_days 30\n"
            "body body.htm\n"
            "body bodylite.htm\n"
            "body body.txt\n"
            "SEND_FRIEND yes\n"
            "posting_report post@example.com\n"
            "completion_report done@example.com\n"
            "FRIEND_REPORT friend@example.com\n"
            "ACCEPTANCE_REPORT accept@example.com\n"
            "DSN full\n"
            "MDN yes\n"
            "PROGRESS_REPORT progress@example.com\n"
            "attachment Report 2004.pdf\n"
            "pull logo.gif autopull yes  PULL_SECURITY secure  PASSWORD_NEEDED yes \n"
            "LOCAL_LIST my_list__2004_.csv\n"
            "list customers\n"
            "inet bob@example.com\n"
            "inet eve@example.com\n"},
        {"the master password suppresses each file's flag; AutopullImages 0",
            [](quorbis_broadcast& job, command_file_inputs& in) {
                job.bodies = {{0, "/j/body.htm"}};
                job.pull_password_needed = true;
                job.master_password = "open sesame";
                job.add_pull_file({"/m/a.zip", 1, 1});
                in.settings.autopull_images = 0;
            },
            "REM Originator: Veltrane Wizard 1.4.0.0\n"
            "user ann s3cret\n"
            "password open sesame\n"
            "body body.htm\n"
            "posting_report \n"
            "completion_report \n"
            "FRIEND_REPORT \n"
            "pull a.zip autopull no \n"},
        {"FTP has no user line; text body only",
            [](quorbis_broadcast& job, command_file_inputs& in) {
                in.login_line.reset();
                job.bodies = {{2, "/j/body.txt"}};
            },
            "REM Originator: Veltrane Wizard 1.4.0.0\n"
            "body body.txt\n"
            "posting_report \n"
            "completion_report \n"
            "FRIEND_REPORT \n"},
        {"an empty account still gives the user line",
            [](quorbis_broadcast& job, command_file_inputs& in) {
                in.login_line = broadcast::service_account {};
                job.bodies = {{0, "/j/body.htm"}};
            },
            "REM Originator: Veltrane Wizard 1.4.0.0\n"
            "user  \n"
            "body body.htm\n"
            "posting_report \n"
            "completion_report \n"
            "FRIEND_REPORT \n"},
    };
    utc_zone zone;
    for (const auto& r : rows) {
        quorbis_broadcast job;
        auto inputs = http_inputs();
        r.set_up(job, inputs);
        auto file = write_command_file_text(job, inputs, zone);
        EXPECT_TRUE(file.written) << r.name;
        EXPECT_EQ(file.bytes, r.expected) << r.name;
    }
}

TEST_F(CommandFile, AJobWithoutBodiesHasNoCommandFile)
{
    quorbis_broadcast job;
    job.subject = "x";
    job.add_push_file("/m/a.pdf");
    auto file = write_command_file_text(job, http_inputs(), utc_zone());
    EXPECT_FALSE(file.written);
    EXPECT_EQ(file.bytes, "");
    EXPECT_TRUE(file.plan.empty());
}

TEST_F(CommandFile, AnUnconvertibleDeliveryTimeGivesAnEmptyValue)
{
    quorbis_broadcast job;
    job.bodies = {{0, "/j/body.htm"}};
    job.future_delivery = true;
    auto file = write_command_file_text(job, http_inputs(), failing_zone());
    EXPECT_NE(file.bytes.find("\nfuture_delivery \n"), std::string::npos) << file.bytes;
}

TEST_F(CommandFile, DeliveryTimesInTheCLocale)
{
    struct row {
        int month, day, hour, minute;
        const char* text;
    } rows[] = {
        {3, 5, 14, 30, "March 05 2004 02 30 PM"},
        {1, 1, 0, 0, "January 01 2004 12 00 AM"},
        {12, 31, 12, 5, "December 31 2004 12 05 PM"},
        {7, 9, 11, 59, "July 09 2004 11 59 AM"},
    };
    for (const auto& r : rows) {
        auto when = utc_zone().local_time(utc(2004, r.month, r.day, r.hour, r.minute));
        ASSERT_TRUE(when);
        EXPECT_EQ(broadcast::future_delivery_text(*when), r.text);
    }
}

TEST_F(CommandFile, ALineBreakOrNulInAnyValueFailsNamingIt)
{
    struct row {
        const char* field;
        std::function<void(quorbis_broadcast&, command_file_inputs&, const std::string&)> set;
    } rows[] = {
        {"subject", [](auto& job, auto&, const std::string& v) { job.subject = v; }},
        {"charset", [](auto& job, auto&, const std::string& v) { job.charset = v; }},
        {"customer reference", [](auto& job, auto&, const std::string& v) { job.customer_reference = v; }},
        {"billing code", [](auto& job, auto&, const std::string& v) { job.billing_code = v; }},
        {"master password",
            [](auto& job, auto&, const std::string& v) {
                job.pull_password_needed = true;
                job.master_password = v;
            }},
        {"pull expiration days", [](auto& job, auto&, const std::string& v) { job.pull_expiration_days = v; }},
        {"posting report", [](auto& job, auto&, const std::string& v) { job.posting_report = v; }},
        {"completion report", [](auto& job, auto&, const std::string& v) { job.completion_report = v; }},
        {"send-a-friend report", [](auto& job, auto&, const std::string& v) { job.send_friend_report = v; }},
        {"ACCEPTANCE_REPORT", [](auto&, auto& in, const std::string& v) { in.settings.acceptance_report = v; }},
        {"DSN", [](auto&, auto& in, const std::string& v) { in.settings.dsn = v; }},
        {"MDN", [](auto&, auto& in, const std::string& v) { in.settings.mdn = v; }},
        {"PROGRESS_REPORT", [](auto&, auto& in, const std::string& v) { in.settings.progress_report = v; }},
        {"login", [](auto&, auto& in, const std::string& v) { in.login_line->login = v; }},
        {"password", [](auto&, auto& in, const std::string& v) { in.login_line->password = v; }},
        {"program version", [](auto&, auto& in, const std::string& v) { in.version = v; }},
        {"recipient list name", [](auto& job, auto&, const std::string& v) { job.remote_lists = {"a", v}; }},
        {"recipient address", [](auto& job, auto&, const std::string& v) { job.additional_addresses = {v}; }},
        {"attachment path", [](auto& job, auto&, const std::string& v) { job.add_push_file("/m/" + v); }},
    };
    const std::string breaks[] = {"a\nb", "a\rb", std::string("a\0b", 3)};
    for (const auto& r : rows) {
        for (const auto& value : breaks) {
            if (std::string(r.field) == "attachment path" && value.find('\0') == std::string::npos)
                continue; // file names lose their line breaks instead
            quorbis_broadcast job;
            job.bodies = {{0, "/j/body.htm"}};
            auto inputs = http_inputs();
            r.set(job, inputs, value);
            try {
                (void)write_command_file_text(job, inputs, utc_zone());
                ADD_FAILURE() << r.field << " accepted a line break";
            } catch (const package_error& error) {
                EXPECT_NE(std::string(error.what()).find(r.field), std::string::npos) << error.what();
            }
        }
    }
}

TEST_F(CommandFile, FileNamesLoseTheirLineBreaks)
{
    quorbis_broadcast job;
    job.bodies = {{0, "/j/body.htm"}};
    job.add_pull_file({"/m/a\r\nb.zip", 0, 0});
    job.add_push_file("/m/inet x@example.com\nc.pdf");
    auto file = write_command_file_text(job, http_inputs(), utc_zone());
    EXPECT_NE(file.bytes.find("\npull ab.zip autopull no \n"), std::string::npos) << file.bytes;
    EXPECT_NE(file.bytes.find("\nattachment inet x@example.comc.pdf\n"), std::string::npos) << file.bytes;
    EXPECT_EQ(file.bytes.find("\ninet "), std::string::npos);
    ASSERT_EQ(file.plan.size(), 3u);
    EXPECT_EQ(file.plan[2].source, "/m/a\r\nb.zip");
}

TEST_F(CommandFile, PackageNamesAreDistinctWhateverTheirCase)
{
    const std::string long_stem(100, 'n');
    quorbis_broadcast job;
    job.bodies = {{0, "/j/body.htm"}};
    job.add_push_file("/a/body.htm");
    job.add_push_file("/a/command.txt");
    job.add_push_file("/a/report.pdf");
    job.add_push_file("/b/Report.PDF");
    job.add_push_file("/a/" + long_stem + ".pdf");
    job.add_push_file("/b/" + long_stem + ".pdf");
    job.add_push_file("/a/" + long_stem);
    job.add_push_file("/j/body.htm"); // the body itself, sent as an attachment too
    job.add_local_list("/l/list.csv");
    job.add_local_list("/m/list.csv");
    job.add_local_list("/n/list1.csv");
    job.add_local_list("/n/M\xC3\xBCller.csv");
    auto file = write_command_file_text(job, http_inputs(), utc_zone());
    std::string cut(long_stem.substr(0, 90));
    std::vector<std::string> expected {"body.htm", "body0001.htm", "command0002.txt", "report.pdf", "Report0003.PDF",
        cut + "0004.pdf", cut + "0005.pdf", cut + "0006.ext", "list.csv", "list1.csv", "list11.csv", "M__ller.csv"};
    EXPECT_EQ(member_names(file), expected);
    EXPECT_NE(file.bytes.find("\nattachment body.htm\n"), std::string::npos) << file.bytes;
}

TEST_F(CommandFile, APullFileWhoseNameIsTakenFailsThePackage)
{
    quorbis_broadcast job;
    job.bodies = {{0, "/j/body.htm"}};
    job.add_push_file("/a/logo.gif");
    job.add_pull_file({"/b/LOGO.gif", 1, 0});
    EXPECT_THROW((void)write_command_file_text(job, http_inputs(), utc_zone()), package_error);

    quorbis_broadcast same;
    same.bodies = {{0, "/j/body.htm"}};
    same.add_push_file("/a/logo.gif");
    same.add_pull_file({"/a/logo.gif", 1, 0});
    same.add_pull_file({"/a/command.txt", 0, 0});
    auto file = write_command_file_text(same, http_inputs(), utc_zone());
    EXPECT_EQ(member_names(file), (std::vector<std::string> {"body.htm", "logo.gif", "command0001.txt"}));
}

TEST(PackageNames, LongNamesCountOnWithinOnePackage)
{
    const std::string long_name = std::string(95, 'a') + ".pdf";
    broadcast::package_names names;
    EXPECT_EQ(names.place_file("/a/" + long_name, "attachment", false), std::string(90, 'a') + "0001.pdf");
    EXPECT_EQ(names.place_file("/b/" + long_name, "attachment", false), std::string(90, 'a') + "0002.pdf");
    EXPECT_EQ(names.place_file("/a/" + long_name, "attachment", false), std::string(90, 'a') + "0001.pdf");
    // A name of 95 bytes and its extension of 3 make 98: kept.
    EXPECT_EQ(names.place_file("/c/" + std::string(91, 'b') + ".pdf", "attachment", false), std::string(91, 'b') + ".pdf");
}

TEST(PackageNames, CutsNeverSplitACharacter)
{
    // 89 ASCII bytes, then "é" (2 bytes) straddling the 90-byte cut.
    std::string name = std::string(89, 'x') + "\xC3\xA9" + std::string(20, 'y') + ".txt";
    broadcast::package_names names;
    auto placed = names.place_file("/a/" + name, "attachment", false);
    EXPECT_EQ(placed, std::string(89, 'x') + "0001.txt");
    EXPECT_EQ(broadcast::utf8_prefix("ab\xE2\x82\xAC", 3), "ab");
    EXPECT_EQ(broadcast::utf8_prefix("ab\xE2\x82\xAC", 5), "ab\xE2\x82\xAC");
}

TEST(PackageNames, ListNamesKeepTheirLast43Bytes)
{
    broadcast::package_names names;
    std::string long_list = std::string(50, 'q') + "-tail_name.csv";
    auto placed = names.place_local_list("/l/" + long_list);
    EXPECT_EQ(placed, long_list.substr(long_list.size() - 43));
    // An extension too long for the number to survive the cut ends in a refusal, not a loop.
    std::string long_extension = "a." + std::string(60, 'e');
    EXPECT_EQ(names.place_local_list("/l/" + long_extension), std::string(43, 'e'));
    EXPECT_THROW(names.place_local_list("/m/" + long_extension), package_error);
}

TEST(PackageNames, PathsWithoutAFileNameAreRefused)
{
    broadcast::package_names names;
    for (const char* path : {"/a/", "", "/a/..", "C:\\docs\\"}) {
        EXPECT_THROW(names.place_file(path, "attachment", false), package_error) << path;
        EXPECT_THROW(names.place_local_list(path), package_error) << path;
    }
    EXPECT_EQ(names.place_file("C:\\docs\\a b.doc", "attachment", false), "a b.doc");
}
