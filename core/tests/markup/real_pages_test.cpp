#include "core/markup/copying_callback.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

// A copy that also counts the tags whose start offset misses their "<".
class checking_copy : public hevtools::markup::copying_parser_callback {
public:
    checking_copy(std::string& out, const std::string& input) : copying_parser_callback(out), input_(input) { }
    std::size_t misplaced = 0;

    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override
    {
        check(tag);
        return copying_parser_callback::on_empty_tag(tag, position);
    }
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override
    {
        check(tag);
        return copying_parser_callback::on_start_tag(tag, position);
    }
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override
    {
        check(tag);
        return copying_parser_callback::on_end_tag(tag, position);
    }

private:
    void check(const core::markup_tag& tag) { misplaced += input_[tag.start] != '<'; }
    const std::string& input_;
};

std::string copy_of(const std::string& input, std::size_t& misplaced)
{
    std::string out;
    checking_copy copy(out, input);
    core::markup_parser parser(true);
    core::run_markup_parser(copy, input.data(), input.data() + input.size(), hevtools::markup::html::html_dtd(), parser);
    misplaced = copy.misplaced;
    return out;
}

}

// Pages written elsewhere: every tag offset hits its "<", and a copy of the copy is the copy.
TEST(RealPages, CopiesAreStableAndTagsAreFound)
{
    const std::filesystem::path folder = TALVERIN_HTML_CORPUS;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        GTEST_SKIP() << "no real pages: " << folder << " is absent";
    std::size_t pages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".html")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::size_t misplaced = 0;
        const std::string copy = copy_of(page, misplaced);
        EXPECT_EQ(misplaced, 0u) << entry.path();
        EXPECT_EQ(copy_of(copy, misplaced), copy) << entry.path();
        ++pages;
    }
    EXPECT_GT(pages, 0u);
}
