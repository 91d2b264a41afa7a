// How a chosen path comes back through the request record.
#include "chosen_path.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

typedef struct chosen_case {
    std::string path;
    DWORD max_file;
    DWORD max_title;
    bool stored;
    WORD name_at;
    WORD extension_at;
    std::string title;
} chosen_case;

TEST(ChosenPath, OffsetsTitleAndRoom)
{
    const std::string path_255 = "/" + std::string(250, 'p') + "/a.b";
    const chosen_case cases[] = {
        {"/v/clip.avi", 256, 63, true, 3, 8, "clip.avi"},
        {"/v/nodot", 256, 63, true, 3, 8, "nodot"},            // no extension: the terminator
        {"/v.d/nodot", 256, 63, true, 5, 10, "nodot"},         // a dot in a folder is no extension
        {"/v/name.", 256, 63, true, 3, 0, "name."},            // ends in a dot
        {"/v/x.tar.gz", 256, 63, true, 3, 9, "x.tar.gz"},      // the last dot counts
        {"/v/.hidden", 256, 63, true, 3, 4, ".hidden"},
        {path_255, 256, 63, true, 252, 254, "a.b"},            // 255 bytes fit 256 with the terminator
        {path_255 + "c", 256, 63, false, 0, 0, ""},            // 256 bytes do not
        {"/v/abcdef", 256, 4, true, 3, 9, "abc"},              // the title is cut to fit
        {"/v/abcdef", 256, 0, true, 3, 9, ""},                 // no room at all: untouched
        {"/v/日本", 256, 5, true, 3, 9, "日"},                   // never inside a character
        {"/v/日本", 256, 3, true, 3, 9, ""},
    };
    for (const chosen_case &c : cases) {
        SCOPED_TRACE(c.path + " / " + std::to_string(c.max_file) + ":" + std::to_string(c.max_title));
        char file[300];
        char title[64];
        memset(file, 'F', sizeof(file));
        memset(title, 0, sizeof(title));
        OPENFILENAMEA request;
        memset(&request, 0, sizeof(request));
        request.lpstrFile = file;
        request.nMaxFile = c.max_file;
        request.lpstrFileTitle = title;
        request.nMaxFileTitle = c.max_title;

        ASSERT_EQ(store_chosen_path(&request, c.path.c_str()), c.stored);
        if (!c.stored) {
            EXPECT_EQ(file[0], 'F'); // the record is left as it was
            continue;
        }
        EXPECT_EQ(std::string(file), c.path);
        EXPECT_EQ(request.nFileOffset, c.name_at);
        EXPECT_EQ(request.nFileExtension, c.extension_at);
        EXPECT_EQ(std::string(title), c.title);
    }
}

TEST(ChosenPath, NoTitleBufferIsFine)
{
    char file[32];
    OPENFILENAMEA request;
    memset(&request, 0, sizeof(request));
    request.lpstrFile = file;
    request.nMaxFile = sizeof(file);
    request.nMaxFileTitle = 63;
    ASSERT_TRUE(store_chosen_path(&request, "/v/clip.avi"));
    EXPECT_STREQ(file, "/v/clip.avi");
}
