// The open dialog's filter list: "name\0pattern\0...\0\0", where a pattern
// may list several globs separated by ';'.
#pragma once

#include <string>
#include <vector>

typedef struct file_filter_entry {
    std::string name;
    // Globs as GTK matches them: case-blind, "*.*" widened to "*" so that
    // names without a dot are shown too.
    std::vector<std::string> globs;
} file_filter_entry;

std::vector<file_filter_entry> parse_filter_list(const char *list);

// One Windows glob ('*', '?', literal rest) as a case-blind GTK glob.
std::string gtk_glob_for(const std::string &windows_glob);
