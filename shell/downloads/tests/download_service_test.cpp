#include "shell/downloads/download_service.h"

#include "download_fixture.h"
#include "platform/ui/testing/manual_clock.h"
#include "shell/downloads/download_messages.h"
#include "shell/downloads/service_download_starter.h"

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace downloads_test;
namespace inet = platform::inet;
namespace ui = platform::ui;
using pictures = shell::DownloadResults::pictures;

struct seen {
    ui::window_id window;
    std::uint32_t id;
    std::uintptr_t wparam;
    bool operator==(const seen&) const = default;
};

class Downloads : public DownloadFixture {
protected:
    Downloads()
    {
        notify = make_window();
        main = make_window();
        queue.set_main_window(main);
    }

    ui::window_id make_window()
    {
        ui::window_options options;
        options.handler = [this](const ui::message& m) -> std::intptr_t {
            if (m.id >= shell::WM_DOWNLOAD_STATUS && m.id <= shell::WM_SENDFRIEND_PICTURE_DOWNLOADED)
                messages.push_back({m.window, m.id, m.wparam});
            return 0;
        };
        return queue.create_window(std::move(options));
    }

    shell::DownloadService& service(std::uint64_t cap = shell::default_download_cap)
    {
        if (!service_) {
            shell::DownloadSettings settings;
            settings.access_type = inet::open_type_direct;
            settings.max_body = cap;
            service_ = std::make_unique<shell::DownloadService>(
                shell::DownloadServices {layer, queue, results, [this] { return landed(); },
                    [this](const std::string& path) { deleted_at_exit.push_back(path); }},
                settings);
        }
        return *service_;
    }

    // Dispatches what the workers post until every download has ended.
    void finish_all()
    {
        ASSERT_TRUE(service().wait_until_idle(std::chrono::seconds(20)));
        queue.pump();
    }

    std::size_t count(std::uint32_t id, std::uintptr_t wparam) const
    {
        std::size_t n = 0;
        for (const auto& m : messages)
            n += m.id == id && m.wparam == wparam;
        return n;
    }

    ui::testing::ManualClock clock;
    ui::MessageQueue queue {clock};
    ui::window_id notify = 0;
    ui::window_id main = 0;
    std::vector<seen> messages;
    shell::DownloadResults results;
    std::vector<std::string> deleted_at_exit;
    std::shared_ptr<inet::internet> layer = inet::make_curl_internet(short_times());
    std::unique_ptr<shell::DownloadService> service_;
};

TEST_F(Downloads, APictureIsFiledAndAnnouncedToItsWindow)
{
    service().DownloadPicture(7, stand_in.file_url("pic.png"), notify, 0, 1, 42);
    finish_all();
    const auto filed = results.find_picture(pictures::ordinary, 7);
    ASSERT_TRUE(filed);
    EXPECT_EQ(filed->local_path, landed() + "/pic.png");
    EXPECT_EQ(filed->document_serial, 42u);
    EXPECT_EQ(read_file(filed->local_path), read_file(served.file("pic.png")));
    EXPECT_EQ(messages, (std::vector<seen> {{notify, shell::WM_DOWNLOAD_STATUS, 3103},
                            {notify, shell::WM_DOWNLOAD_STATUS, 0}, {notify, shell::WM_PICTURE_DOWNLOADED, 7}}));
}

TEST_F(Downloads, EachKindFilesAndPostsAsItSays)
{
    struct row {
        int kind;
        std::uint32_t message;
        pictures map;
    } rows[] = {
        {0, shell::WM_PICTURE_DOWNLOADED, pictures::ordinary},
        {3, shell::WM_CLICKTO_PICTURE_DOWNLOADED, pictures::clickto},
        {4, shell::WM_HYPERLINK_PICTURE_DOWNLOADED, pictures::ordinary},
        {5, shell::WM_MAILTO_PICTURE_DOWNLOADED, pictures::ordinary},
        {6, shell::WM_SENDFRIEND_PICTURE_DOWNLOADED, pictures::ordinary},
        {7, shell::WM_CLICKTO_PICTURE_DOWNLOADED, pictures::ordinary},
    };
    for (const auto& r : rows) {
        messages.clear();
        service().DownloadPicture(100 + r.kind, stand_in.file_url("pic.png"), notify, r.kind, 1);
        finish_all();
        EXPECT_TRUE(results.find_picture(r.map, 100 + r.kind)) << r.kind;
        EXPECT_EQ(count(r.message, 100 + r.kind), 1u) << r.kind;
    }
    EXPECT_FALSE(results.find_picture(pictures::ordinary, 103));
}

TEST_F(Downloads, AGoneWindowSendsTheCompletionToTheMainWindow)
{
    queue.destroy_window(notify);
    service().DownloadPicture(3, stand_in.file_url("pic.png"), notify, 0, 1);
    finish_all();
    EXPECT_EQ(messages, (std::vector<seen> {{main, shell::WM_PICTURE_DOWNLOADED, 3}}));
}

TEST_F(Downloads, AFailedPictureFilesAndAnnouncesNothing)
{
    // Each address fails whichever request takes the scripted 500.
    stand_in.script("download", {{"http", "500"}});
    service().DownloadPicture(1, stand_in.file_url("missing.png"), notify, 0, 1);
    service().DownloadPicture(2, stand_in.file_url("other-missing.png"), notify, 0, 1);
    service().DownloadPicture(3, stand_in.file_url("page.html"), notify, 0, 1);
    finish_all();
    for (int id = 1; id <= 3; ++id)
        EXPECT_FALSE(results.find_picture(pictures::ordinary, id)) << id;
    EXPECT_EQ(count(shell::WM_DOWNLOAD_STATUS, 3103), 3u);
    EXPECT_EQ(count(shell::WM_DOWNLOAD_STATUS, 0), 3u);
    EXPECT_EQ(messages.size(), 6u);
    EXPECT_TRUE(names_in(landed()).empty());
}

TEST_F(Downloads, APullFileCompletesWithWhatArrived)
{
    write_file(served.file("offer.pdf"), "%PDF-1.4 any bytes");
    service().DownloadPullFile(5, {}, stand_in.file_url("pic.png"), notify, 1, 0);
    service().DownloadPullFile(6, stand_in.file_url("missing.pdf"), stand_in.file_url("pic.png"), notify, 0, 1);
    service().DownloadPullFile(8, stand_in.file_url("missing.pdf"), {}, notify, 0, 0);
    finish_all();

    const auto picture_only = results.find_pullfile(5);
    ASSERT_TRUE(picture_only);
    EXPECT_EQ(picture_only->local_pullfile_path, "");
    EXPECT_NE(picture_only->local_picture_path.find("[pull name=pic"), std::string::npos);
    const auto half = results.find_pullfile(6);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->local_pullfile_path, "");
    EXPECT_FALSE(half->local_picture_path.empty());
    EXPECT_FALSE(results.find_pullfile(8));
    EXPECT_EQ(count(shell::WM_PULLFILE_DOWNLOADED, 5), 1u);
    EXPECT_EQ(count(shell::WM_PULLFILE_DOWNLOADED, 6), 1u);
    EXPECT_EQ(count(shell::WM_PULLFILE_DOWNLOADED, 8), 0u);
}

TEST_F(Downloads, TheViewsStarterPassesRefreshAsKeepNameAndTheDocumentsSerial)
{
    write_file(served.file("offer.pdf"), "%PDF-1.4 any bytes");
    shell::ServiceDownloadStarter starter(service());
    starter.start_object("/ignored/local.png", stand_in.file_url("pic.png"), 7, 4, true, notify, 42);
    starter.start_pull_file("/ignored/offer.pdf", "/ignored/pic.png", stand_in.file_url("offer.pdf"),
        stand_in.file_url("pic.png"), 8, true, false, notify, 43);
    finish_all();

    const auto picture = results.find_picture(pictures::ordinary, 7);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->local_path, landed() + "/pic.png") << "refresh keeps the name";
    EXPECT_EQ(picture->document_serial, 42u);
    const auto pull = results.find_pullfile(8);
    ASSERT_TRUE(pull);
    EXPECT_EQ(pull->local_pullfile_path, landed() + "/offer.pdf");
    EXPECT_NE(pull->local_picture_path.find("[pull name=pic"), std::string::npos) << "no refresh: the pull form";
    EXPECT_EQ(pull->document_serial, 43u);
    EXPECT_EQ(count(shell::WM_HYPERLINK_PICTURE_DOWNLOADED, 7), 1u);
    EXPECT_EQ(count(shell::WM_PULLFILE_DOWNLOADED, 8), 1u);
}

TEST_F(Downloads, ManyDownloadsAllEndAndEachStatusIsPaired)
{
    for (int id = 0; id < 40; ++id)
        service().DownloadPicture(id, stand_in.file_url("pic.png"), notify, 0, 1);
    finish_all();
    for (int id = 0; id < 40; ++id)
        EXPECT_TRUE(results.find_picture(pictures::ordinary, id)) << id;
    EXPECT_EQ(count(shell::WM_DOWNLOAD_STATUS, 3103), 40u);
    EXPECT_EQ(count(shell::WM_DOWNLOAD_STATUS, 0), 40u);
    EXPECT_EQ(names_in(landed()).size(), 40u);
}

TEST_F(Downloads, AtMostEightTransfersRunAtOnce)
{
    auto options = short_times();
    options.idle_timeout = std::chrono::minutes(5);
    layer = inet::make_curl_internet(options);
    stand_in.hold("download");
    for (int id = 0; id < 20; ++id)
        service().DownloadPicture(id, stand_in.file_url("pic.png"), notify, 0, 1);
    for (int held = 0; held < 8; ++held)
        stand_in.wait_event("held download");
    EXPECT_EQ(service().pending(), 20u);
    EXPECT_EQ(service().progress().total, 0u); // no length is known yet
    // Read while all are held: once released, a request the stand-in has not finished
    // counting may overlap the client's next one.
    EXPECT_EQ(stand_in.download_peak(), 8);
    stand_in.release("download");
    finish_all();
    EXPECT_EQ(service().progress().total, 0u);
    EXPECT_EQ(service().progress().received, 0u);
    EXPECT_EQ(count(shell::WM_PICTURE_DOWNLOADED, 19), 1u);
    EXPECT_EQ(names_in(landed()).size(), 20u);
}

TEST_F(Downloads, ShutdownInAHeldTransferIsBoundedAndLeavesNothing)
{
    auto options = short_times();
    options.idle_timeout = std::chrono::minutes(5);
    layer = inet::make_curl_internet(options);
    stand_in.script("download", {{"fault", "silence"}});
    service().DownloadPicture(1, stand_in.file_url("pic.png"), notify, 0, 1);
    for (int id = 2; id < 12; ++id)
        service().DownloadPicture(id, stand_in.file_url("pic.png"), notify, 0, 1);
    stand_in.wait_event("held download");
    const auto started = std::chrono::steady_clock::now();
    service().shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(service().pending(), 0u);
    queue.pump();
    EXPECT_FALSE(results.find_picture(pictures::ordinary, 1));
    EXPECT_EQ(count(shell::WM_PICTURE_DOWNLOADED, 1), 0u);
    EXPECT_EQ(names_in(landed()).count("pic.png"), 0u);
    service().DownloadPicture(20, stand_in.file_url("pic.png"), notify, 0, 1);
    EXPECT_EQ(service().pending(), 0u);
}

TEST_F(Downloads, WithoutAWorkingFolderTheyLandInAPrivateOne)
{
    service_ = std::make_unique<shell::DownloadService>(
        shell::DownloadServices {layer, queue, results, [] { return std::string(); },
            [this](const std::string& path) { deleted_at_exit.push_back(path); }},
        shell::DownloadSettings {"Talverin", inet::open_type_direct, {}});
    service().DownloadPicture(1, stand_in.file_url("pic.png"), notify, 0, 1);
    finish_all();
    const auto filed = results.find_picture(pictures::ordinary, 1);
    ASSERT_TRUE(filed);
    ASSERT_EQ(deleted_at_exit.size(), 1u);
    EXPECT_EQ(filed->local_path, deleted_at_exit[0] + "/pic.png");
    struct stat info {};
    ASSERT_EQ(::stat(deleted_at_exit[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    std::filesystem::remove_all(deleted_at_exit[0]);
}

}
