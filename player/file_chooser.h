#pragma once

// Asks for the file to view. Returns the chosen file's full path, held in a
// buffer that lives for the whole run, or NULL when the user cancelled.
char *select_avi_file(void);
