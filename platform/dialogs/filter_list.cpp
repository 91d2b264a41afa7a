#include "filter_list.h"

#include <ctype.h>
#include <string.h>

static std::string trimmed(const std::string &text)
{
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string gtk_glob_for(const std::string &windows_glob)
{
    // Windows matches "*.*" against every name, with or without a dot.
    if (windows_glob == "*.*")
        return "*";
    std::string glob;
    for (char c : windows_glob) {
        unsigned char byte = (unsigned char)c;
        if (isascii(byte) && isalpha(byte)) {
            glob += '[';
            glob += (char)tolower(byte);
            glob += (char)toupper(byte);
            glob += ']';
        } else if (c == '[') {
            glob += "[[]"; // brackets are plain characters in Windows globs
        } else {
            glob += c;
        }
    }
    return glob;
}

std::vector<file_filter_entry> parse_filter_list(const char *list)
{
    std::vector<file_filter_entry> entries;
    if (list == NULL)
        return entries;
    const char *at = list;
    while (at[0] != '\0') {
        const char *patterns = at + strlen(at) + 1;
        if (patterns[0] == '\0')
            break; // a name without patterns ends the list
        file_filter_entry entry;
        entry.name = at;
        std::string all = patterns;
        size_t start = 0;
        while (start <= all.size()) {
            size_t end = all.find(';', start);
            if (end == std::string::npos)
                end = all.size();
            std::string glob = trimmed(all.substr(start, end - start));
            if (!glob.empty())
                entry.globs.push_back(gtk_glob_for(glob));
            start = end + 1;
        }
        if (!entry.globs.empty())
            entries.push_back(entry);
        at = patterns + strlen(patterns) + 1;
    }
    return entries;
}
