#include "shell/objects/download_results.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using pictures = shell::DownloadResults::pictures;

TEST(DownloadResults, SameIdOverwritesAndMapsStayApart)
{
    shell::DownloadResults results;
    results.set(shell::CDownloadedPicture(5, "/d/a.gif", "http://h/a.gif", 1, 1625, 0, 1));
    results.set(shell::CDownloadedPicture(5, "/d/b.gif", "http://h/b.gif", 1, 1625, 0, 1));
    results.set(shell::CDownloadedPicture(5, "/d/c.gif", "http://h/c.gif", 1, 1626, 1, 1));
    results.set(shell::CDownloadedPullfile(5, "/d/r.pdf", "http://h/r.pdf", "", "", 1, 1627, 1, 0));

    ASSERT_TRUE(results.find_picture(pictures::ordinary, 5));
    EXPECT_EQ(results.find_picture(pictures::ordinary, 5)->local_path, "/d/b.gif");
    ASSERT_TRUE(results.find_picture(pictures::clickto, 5));
    EXPECT_EQ(results.find_picture(pictures::clickto, 5)->local_path, "/d/c.gif");
    ASSERT_TRUE(results.find_pullfile(5));
    EXPECT_EQ(results.find_pullfile(5)->pullfile_address, "http://h/r.pdf");
    EXPECT_FALSE(results.find_picture(pictures::ordinary, 6));

    results.erase_picture(pictures::ordinary, 5);
    EXPECT_FALSE(results.find_picture(pictures::ordinary, 5));
    EXPECT_TRUE(results.find_picture(pictures::clickto, 5));
    results.erase_pullfile(5);
    EXPECT_FALSE(results.find_pullfile(5));
}

TEST(DownloadResults, EightWorkersLoseNothing)
{
    shell::DownloadResults results;
    constexpr int per_thread = 200;
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([&results, t] {
            for (int i = 0; i < per_thread; ++i) {
                const int id = t * per_thread + i;
                results.set(shell::CDownloadedPicture(id, "/d/" + std::to_string(id), "", 0, 0, t % 2, 0));
                results.set(shell::CDownloadedPullfile(id, "/d/p" + std::to_string(id), "", "", "", 0, 0, 0, 0));
            }
        });
    }
    // The reading side takes and removes entries meanwhile, as the frame does.
    int taken = 0;
    while (taken < 100) {
        for (int id = 0; id < 8 * per_thread && taken < 100; id += 2) {
            if (results.find_picture(pictures::ordinary, id)) {
                results.erase_picture(pictures::ordinary, id);
                ++taken;
            }
        }
    }
    for (auto& worker : workers)
        worker.join();
    int pictures_left = 0;
    for (int id = 0; id < 8 * per_thread; ++id) {
        const int t = id / per_thread;
        if (results.find_picture(t % 2 ? pictures::clickto : pictures::ordinary, id))
            ++pictures_left;
        ASSERT_TRUE(results.find_pullfile(id)) << id;
        EXPECT_EQ(results.find_pullfile(id)->local_pullfile_path, "/d/p" + std::to_string(id));
    }
    EXPECT_EQ(pictures_left, 8 * per_thread - taken);
}
