// Message texts: the built-in English table, the escapes of language texts and the cuts
// at the caller's capacity.
#include <gtest/gtest.h>
#include <wchar.h>

#include "guarded_memory.h"
#include "lang/language.h"
#include "lang/text_escapes.h"
#include "language_block.h"
#include "message_ids.h"

namespace {

// A language holding the given message texts (the loader's first pass applies).
void LoadStrings(CLanguage& language, const LanguageBlock::Entries& strings)
{
    LanguageBlock block;
    block.Header(0, 0).Strings(strings);
    ASSERT_TRUE(language.LoadLanguageData(block.Bytes().data(), block.Bytes().size()));
}

std::wstring Fetch(const CLanguage& language, UINT id, bool& fromResource)
{
    wchar_t text[kLangTextCapacity];
    wmemset(text, L'X', kLangTextCapacity);
    fromResource = language.GetString(id, text, kLangTextCapacity);
    return text;
}

} // namespace

TEST(BuiltInMessages, KeepBlanksQuotesBackslashesAndLineBreakExactly)
{
    EXPECT_EQ(L"path, like C:\\Program Files\\Velmora", BuiltInText(25));
    EXPECT_EQ(L"  Initialize (this can take several minutes)", BuiltInText(32));
    EXPECT_EQ(L"  Start server", BuiltInText(36));
    EXPECT_EQ(L"  Install Certificate", BuiltInText(79));
    EXPECT_EQ(L"  Configuring", BuiltInText(80));
    EXPECT_EQ(L"Service name must not contain  forward-slash (/) and back-slash symbols ", BuiltInText(47));
    EXPECT_EQ(L"Installation successfully completed. Click the \"Finish\" button to exit", BuiltInText(57));
    EXPECT_EQ(L"The installer couldn't find the domain name of \"%s\". Probably, it is not registered with DNS.",
              BuiltInText(46));
    std::wstring mismatch = BuiltInText(48);
    EXPECT_NE(std::wstring::npos, mismatch.find(L"support service.\r\nContinue anyway?"));
    EXPECT_EQ(0u, mismatch.find(L"The domain name '%s' does not correspond"));
    for (UINT id : kMessageIds)
        EXPECT_FALSE(BuiltInText(id).empty()) << "message " << id;
}

TEST(MessageText, SecondPassTurnsBarCaretAndEscapesIntoControlCharacters)
{
    struct Case { const wchar_t* stored; const wchar_t* shown; };
    const Case cases[] = {
        {L"A|\\nB", L"A\r\nB"},
        {L"a\\xb", L"a\\xb"},        // unknown escape keeps its backslash
        {L"a^b", L"a\tb"},
        {L"a\\tb", L"a\tb"},
        {L"a\\\\nb", L"a\\nb"},      // \\ is one backslash; the n is plain
        {L"ab\\0cd", L"ab"},         // \0 ends the text
        {L"end\\", L"end\\"},        // a backslash at the end stays
        {L"", L""},
    };
    for (const Case& c : cases) {
        wchar_t shown[64];
        ExpandMessageText(c.stored, shown, 64);
        EXPECT_EQ(std::wstring(c.shown), shown) << "stored: " << testing::PrintToString(std::wstring(c.stored));
    }
}

TEST(MessageText, BothPassesApplyToTextsFromTheResource)
{
    CLanguage language;
    LoadStrings(language, {{1, L"A|\\nB"}, {2, L"x\\ry"}, {3, L"C:\\Velmora"}, {4, L"a^b"}, {5, L""}});
    bool fromResource = false;
    EXPECT_EQ(L"A\r\nB", Fetch(language, 1, fromResource));
    EXPECT_TRUE(fromResource);
    EXPECT_EQ(L"x\ry", Fetch(language, 2, fromResource));
    EXPECT_EQ(L"C:\\Velmora", Fetch(language, 3, fromResource));
    EXPECT_EQ(L"a\tb", Fetch(language, 4, fromResource));
    EXPECT_EQ(L"", Fetch(language, 5, fromResource));
    EXPECT_TRUE(fromResource);
}

TEST(MessageText, FallsBackToEnglishForIdsTheResourceLacks)
{
    CLanguage language;
    LoadStrings(language, {{37, L"Прервать?"}});
    bool fromResource = true;
    EXPECT_EQ(L"Прервать?", Fetch(language, 37, fromResource));
    EXPECT_TRUE(fromResource);
    EXPECT_EQ(BuiltInText(14), Fetch(language, 14, fromResource));
    EXPECT_FALSE(fromResource);
    // Neither table: an empty text, whatever the buffer held.
    EXPECT_EQ(L"", Fetch(language, 9999, fromResource));
    EXPECT_FALSE(fromResource);
}

TEST(MessageText, CutsAtCapacityAndNeverWritesPastIt)
{
    CLanguage language;
    LoadStrings(language, {{1, L"abcdefghijklmnopqrstuvwxyz0123"}, {2, L"abcdefgh|tail"}, {3, L"abcdefgh\\\\\\\\"}});

    GuardedText text(10);
    EXPECT_TRUE(language.GetString(1, text.Buffer(), text.Capacity()));
    EXPECT_EQ(L"abcdefghi", std::wstring(text.Buffer()));
    EXPECT_TRUE(text.GuardsIntact());

    // An escape counts as the one character it gives.
    EXPECT_TRUE(language.GetString(2, text.Buffer(), text.Capacity()));
    EXPECT_EQ(L"abcdefgh\r", std::wstring(text.Buffer()));
    EXPECT_TRUE(language.GetString(3, text.Buffer(), text.Capacity()));
    EXPECT_EQ(L"abcdefgh\\", std::wstring(text.Buffer()));
    EXPECT_TRUE(text.GuardsIntact());

    // Built-in texts are cut the same way.
    EXPECT_FALSE(language.GetString(37, text.Buffer(), text.Capacity()));
    EXPECT_EQ(BuiltInText(37).substr(0, 9), std::wstring(text.Buffer()));
    EXPECT_TRUE(text.GuardsIntact());

    GuardedText one(1);
    EXPECT_TRUE(language.GetString(1, one.Buffer(), 1));
    EXPECT_EQ(L'\0', one.Buffer()[0]);
    EXPECT_FALSE(language.GetString(37, one.Buffer(), 1));
    EXPECT_EQ(L'\0', one.Buffer()[0]);
    EXPECT_TRUE(one.GuardsIntact());

    // No room at all: nothing is written, not even a terminator.
    GuardedText none(0);
    EXPECT_FALSE(language.GetString(1, none.Buffer(), 0));
    EXPECT_FALSE(language.GetString(37, none.Buffer(), 0));
    EXPECT_TRUE(none.GuardsIntact());
}
