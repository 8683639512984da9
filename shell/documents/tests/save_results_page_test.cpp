#include "shell/documents/recent_forms.h"
#include "shell/documents/save_results_page.h"

#include "platform/strings/string_table.h"
#include "platform/testing/memory_store.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

platform::strings::string_table strings()
{
    return platform::strings::string_table::load(std::string(TALVERIN_SHARE_DIR) + "/talverin/strings.txt");
}

TEST(save_results_page, golden_for_news)
{
    save_results results {"news", "Quorbis Veltrane Wizard", "news", "news_files",
        {{"HTML", "/home/u/news_files/Message_Files/Message_Body.htm"}}, {"logo.gif"}, {}};
    EXPECT_EQ(format_save_results_page(strings(), results),
        "<html>\n<head>\n<title>Quorbis Save Results for project 'news'</title>\n"
        "<meta name=GENERATOR content='Quorbis Veltrane Wizard'>\n"
        "<meta name=ProgId content='Veltrane_Wizard.Editor.Document'>\n"
        " <meta name=QBBFile content='news'>\n</head>\n\n<body>\n"
        "<p><h1 align='center'>Quorbis Save Results for project &quot;news&quot;</h1></p>\n<br>\n"
        "Message Body files are located at <a href='news_files/Message_Files'>Message_Files</a> subfolder<br>\n"
        "Pull files are located at <a href='news_files/Pull_Files'>Pull_Files</a> subfolder<br>\n"
        "Attachment are located at <a href='news_files/Push_Files'>Push_Files</a> subfolder<br>\n<br>\n"
        "<table>\n<tr>\n<td>The content of HTML Message Body has been saved into the file</td>\n"
        "<td><a href='file:///home/u/news_files/Message_Files/Message_Body.htm'>"
        "/home/u/news_files/Message_Files/Message_Body.htm</a></td>\n</tr>\n</table>\n"
        "<h2>Message Body pull files:</h2>\n<a href='news_files/Pull_Files/logo.gif'>logo.gif</a><br>\n"
        "<h2>Message Body push files:</h2>\n</body>\n</html>\n");
}

TEST(save_results_page, hostile_names_stay_text_and_links_stay_links)
{
    const std::string name = "a'b<c>&d #%";
    save_results results {name, "G'en", name, name + "_files", {{"HTML", "/d/" + name + "/x y.htm"}},
        {"it's <b>.gif"}, {"\" onload=\"x.txt"}};
    const auto page = format_save_results_page(strings(), results);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("Push_Files/%22%20onload%3D%22x.txt'>"), std::string::npos) << page;
    EXPECT_NE(page.find("content='G&#39;en'"), std::string::npos);
    EXPECT_NE(page.find("href='file:///d/a%27b%3Cc%3E%26d%20%23%25/x%20y.htm'"), std::string::npos) << page;
    EXPECT_NE(page.find("href='a%27b%3Cc%3E%26d%20%23%25_files/Pull_Files/it%27s%20%3Cb%3E.gif'"), std::string::npos);
    // One title, one head, one body.
    for (const char* tag : {"<title>", "<head>", "<body>"})
        EXPECT_EQ(page.find(tag, page.find(tag) + 1), std::string::npos) << tag;
}

TEST(recent_forms, any_length_of_name_and_any_case)
{
    platform::testing::memory_store store;
    platform::registry::profile profile(store, "Software\\Holvane\\Talverin");
    ASSERT_EQ(profile.write_string("SaveSettings\\Resent Forms", std::string(300, 'x'), ""),
        platform::registry::status::ok);
    ASSERT_EQ(profile.write_string("SaveSettings\\Resent Forms", "MyForm", ""), platform::registry::status::ok);
    EXPECT_TRUE(is_recent_form(profile, "myform"));
    EXPECT_TRUE(is_recent_form(profile, std::string(300, 'X')));
    EXPECT_FALSE(is_recent_form(profile, "MyForm2"));

    platform::testing::memory_store empty;
    platform::registry::profile none(empty, "Software\\Holvane\\Talverin");
    EXPECT_FALSE(is_recent_form(none, "MyForm"));
}

}
}
