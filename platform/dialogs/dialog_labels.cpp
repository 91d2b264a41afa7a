#include "dialog_labels.h"

#include <stdlib.h>
#include <string.h>

static const dialog_labels english_labels = {"_Yes", "_No", "_Cancel", "_OK", "_Open"};

// Japanese boxes show the access key after the word, as "はい(Y)".
static const dialog_labels japanese_labels = {"はい(_Y)", "いいえ(_N)", "キャンセル", "OK", "開く(_O)"};

const dialog_labels *labels_for_locale(const char *locale_name)
{
    if (locale_name == NULL)
        return &english_labels;
    // "ja" alone or followed by a territory, code set or modifier (strchr
    // also finds the terminator, so "ja" itself matches).
    if (strncmp(locale_name, "ja", 2) == 0 && strchr("_.@", locale_name[2]) != NULL)
        return &japanese_labels;
    return &english_labels;
}

const dialog_labels *user_dialog_labels(void)
{
    const char *names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char *name : names) {
        const char *value = getenv(name);
        if (value != NULL && value[0] != '\0')
            return labels_for_locale(value);
    }
    return labels_for_locale(NULL);
}
