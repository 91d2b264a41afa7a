// Button labels for the dialogs, in the user's language.
#pragma once

typedef struct dialog_labels {
    const char *yes;
    const char *no;
    const char *cancel;
    const char *ok;
    const char *open;
} dialog_labels;

// Picks the labels for a message-catalogue locale name such as "ja_JP.UTF-8"
// (null or empty: English).
const dialog_labels *labels_for_locale(const char *locale_name);

// The labels for this process: the locale name comes from LC_ALL, else
// LC_MESSAGES, else LANG, the first one set and non-empty.
const dialog_labels *user_dialog_labels(void);
