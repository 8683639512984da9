#include "core/markup/dtd.h"
#include "core/markup/dtd_strict.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/test_services.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

std::string dtd_folder() { return core::standard_dtd_folder(platform::testing::share_folder()); }

const core::CDTDStrict& standard_dtd()
{
    static const core::CDTDStrict dtd = [] {
        core::CDTDStrict loaded;
        EXPECT_TRUE(core::LoadStandardDTD(loaded, dtd_folder()));
        return loaded;
    }();
    return dtd;
}

}

TEST(DtdReader, KnowsTheElementsOfTheHtmlTable)
{
    const core::CDTDStrict& dtd = standard_dtd();
    ASSERT_FALSE(dtd.IsEmpty());
    for (const auto& entry : hevtools::markup::html::element_table) {
        const bool expected = entry.name != "FRAMESET";
        EXPECT_EQ(dtd.IsKnownElement(entry.name), expected) << entry.name;
    }
    const std::pair<std::string, bool> rows[] = {
        {"B", true}, {"i", true}, {"Em", true}, {"h3", true}, {"TABLE", true}, {"/table", true},
        {"!DOCTYPE", true}, {"!--", true}, {"BLINK", false}, {"/BLINK", false}, {"", false}, {"//table", false},
    };
    for (const auto& [name, known] : rows)
        EXPECT_EQ(dtd.IsKnownElement(name), known) << name;
}

TEST(DtdReader, KnowsAllDeclaredEntities)
{
    const core::CDTDStrict& dtd = standard_dtd();
    EXPECT_EQ(dtd.entity_declarations().size(), 252u);
    for (const auto& declaration : dtd.entity_declarations())
        EXPECT_TRUE(dtd.IsKnownEntity("&" + declaration.GetEntityName() + ";")) << declaration.GetEntityName();
    const std::pair<std::string, bool> rows[] = {
        {"&#8364;", true}, {"&nbsp;", true}, {"&NBSP;", true}, {"&euro;", true}, {"&foo;", false},
        {"&#x20AC;", true}, {"&#X20ac;", true}, {"&#;", false}, {"&#x;", false}, {"&#12a;", false},
        {"&#xg;", false}, {"amp;", false}, {"&amp", false}, {"&;", false}, {"&", false}, {"", false},
    };
    for (const auto& [reference, known] : rows)
        EXPECT_EQ(dtd.IsKnownEntity(reference), known) << reference;
}

TEST(DtdReader, ReplacesOnlyUnknownReferences)
{
    const core::CDTDStrict& dtd = standard_dtd();
    const std::pair<std::string, std::string> rows[] = {
        {"a &foo; b &amp; c", "a   b &amp; c"},
        {"Tom & Jerry; x", "Tom & Jerry; x"},
        {"a && b) { x = 1;", "a && b) { x = 1;"},
        {"&#x20AC;", "&#x20AC;"},
        {"&foo", "&foo"},
        {"&&foo;;", "& ;"},
        {"&bar1;&#169;&zz;", " &#169; "},
        {"&#12a;", "&#12a;"},
    };
    for (const auto& [input, expected] : rows) {
        std::string text = input;
        dtd.ReplaceUnknownEntities(text);
        EXPECT_EQ(text, expected) << input;
    }
}

TEST(DtdReader, LoadsAllFourFilesOrNone)
{
    for (std::size_t broken = 0; broken < std::size(core::standard_dtd_files); ++broken) {
        for (bool remove : {true, false}) {
            platform::testing::temporary_folder folder;
            for (std::string_view file : core::standard_dtd_files)
                std::filesystem::copy_file(dtd_folder() + "/" + std::string(file), folder.file(std::string(file)));
            const std::string target = folder.file(std::string(core::standard_dtd_files[broken]));
            if (remove)
                std::filesystem::remove(target);
            else
                std::ofstream(target, std::ios::trunc);
            core::CDTDStrict dtd;
            dtd.LoadText("<!ELEMENT X - - EMPTY>");
            EXPECT_FALSE(core::LoadStandardDTD(dtd, folder.path())) << target;
            EXPECT_TRUE(dtd.IsEmpty()) << target;
            EXPECT_FALSE(dtd.IsKnownElement("X"));
        }
    }
    core::CDTDStrict dtd;
    EXPECT_FALSE(core::LoadStandardDTD(dtd, ""));
}

TEST(DtdReader, NameGroupsAreTrimmedAndCyclesEnd)
{
    core::CDTDStrict dtd;
    dtd.LoadText("<!ENTITY % a \"%b; | X\"><!ENTITY % b \"%a;|Y \"><!ENTITY % s \"%s;|Z\">"
                 "<!ENTITY % heading \"H1|H2\"><!ENTITY % list \" P |\n DIV \">"
                 "<!ELEMENT (%a;|%s;) - - EMPTY><!ELEMENT (%heading;|%list;) - - EMPTY><!ELEMENT %undeclared; - - EMPTY>");
    for (const char* name : {"X", "Y", "Z", "H1", "h2", "P", "DIV"})
        EXPECT_TRUE(dtd.IsKnownElement(name)) << name;
    EXPECT_FALSE(dtd.IsKnownElement("undeclared"));
    EXPECT_FALSE(dtd.IsKnownElement(" P "));
}
