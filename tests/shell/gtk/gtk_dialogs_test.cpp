// The text entry's conversion of the user's UTF-8 to the deck's charset;
// cuts between characters and Latin-1 bytes are the dialogs' window test's.
#include <gtest/gtest.h>

#include "cache/cache.h"
#include "shell/display/text.h"
#include "shell/gtk/gtk_dialogs.h"

// The library also holds the preferences window, which asks the cache; the
// linker may take it in for a shared template instance.
void C_getCacheSize(uint32_t *minSize, uint32_t *maxSize) { *minSize = *maxSize = 0; }
void C_setCacheSize(uint32_t, uint32_t) { }
void C_reconnect() { }
void C_clearCache() { }

namespace {

constexpr uint32_t LATIN1 = 4;

TEST(GtkDialogText, UserTextInTheDeckCharset)
{
    const struct {
        const char *typed;
        uint32_t charset;
        size_t maxBytes;
        const char *deck;
        // clang-format off
    } cases[] = {
        {"a\xC3\xA9\xE2\x82\xAC" "b", LATIN1, 8, "a\xE9?b"},  // above U+00FF: '?'
        {"ab\xFF" "cd", LATIN1, 8, "ab"},  // malformed: as far as it is well formed
        {"", LATIN1, 0, ""},
        {"abc", LATIN1, 0, ""},
    };
    // clang-format on
    for (const auto &c : cases)
        EXPECT_EQ(dialogTextToDeck(c.typed, c.charset, c.maxBytes), c.deck) << c.typed << " " << c.maxBytes;
    EXPECT_EQ(dialogTextToDeck(nullptr, LATIN1, 4), "");

    EXPECT_EQ(deckTextCharacters("a\xC3\xA9", CHARSET_UTF8), 2u);
    EXPECT_EQ(deckTextCharacters("a\xC3\xA9", LATIN1), 3u);
}

}  // namespace
