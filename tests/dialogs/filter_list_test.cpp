// Reading the open dialog's filter list.
#include "filter_list.h"

#include <gtest/gtest.h>

#include <string>

typedef struct filter_case {
    std::string list; // with its embedded terminators
    std::vector<file_filter_entry> entries;
} filter_case;

static std::string entries_text(const std::vector<file_filter_entry> &entries)
{
    std::string text;
    for (const file_filter_entry &entry : entries) {
        text += entry.name + ":";
        for (const std::string &glob : entry.globs)
            text += " " + glob;
        text += "\n";
    }
    return text;
}

TEST(FilterList, PairsAndGlobs)
{
    using namespace std::string_literals;
    const filter_case cases[] = {
        {"*.*\0*.*\0"s, {{"*.*", {"*"}}}},
        {"Video\0*.avi; *.mp4\0All\0*.*\0"s, {{"Video", {"*.[aA][vV][iI]", "*.[mM][pP]4"}}, {"All", {"*"}}}},
        {"Odd\0a[1]?.txt\0"s, {{"Odd", {"[aA][[]1]?.[tT][xX][tT]"}}}},
        {"Name only\0\0"s, {}},
        {"Blank\0 ; \0"s, {}},
        {""s, {}},
    };
    for (const filter_case &c : cases) {
        std::string list = c.list + '\0' + '\0'; // the list's own end
        SCOPED_TRACE(entries_text(c.entries));
        EXPECT_EQ(entries_text(parse_filter_list(list.c_str())), entries_text(c.entries));
    }
    EXPECT_TRUE(parse_filter_list(nullptr).empty());
}
