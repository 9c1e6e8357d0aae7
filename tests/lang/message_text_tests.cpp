// Message texts: the built-in English table, the escapes of language texts and the cuts
// at the caller's capacity.
#include <gtest/gtest.h>
#include <wchar.h>

#include "base/message_ids.h"
#include "lang/lang_test_support.h"
#include "formats/language/language.h"
#include "formats/language/text_escapes.h"

namespace {

// A language holding the given message texts (the loader's first pass applies).
void LoadStrings(CLanguage& language, const LanguageBlock::Entries& strings)
{
    LanguageBlock block;
    block.Header(0, 0).Strings(strings);
    ASSERT_TRUE(language.LoadLanguageData(block.Bytes().data(), block.Bytes().size()));
}

} // namespace

TEST(BuiltInMessages, KeepBlanksQuotesBackslashesAndLineBreakExactly)
{
    EXPECT_EQ(L"path, like C:\\Program Files\\Velmora", BuiltInText(25));
    EXPECT_EQ(L"  Initialize (this can take several minutes)", BuiltInText(32));
    EXPECT_EQ(L"Service name must not contain  forward-slash (/) and back-slash symbols ", BuiltInText(47));
    EXPECT_EQ(L"Installation successfully completed. Click the \"Finish\" button to exit", BuiltInText(57));
    std::wstring mismatch = BuiltInText(48);
    EXPECT_NE(std::wstring::npos, mismatch.find(L"support service.\r\nContinue anyway?"));
    EXPECT_EQ(0u, mismatch.find(L"The domain name '%s' does not correspond"));
    // Every name the code gives a message (all of base/message_ids.h, as the build reads it)
    // has a built-in text, or is a language resource (the agreements).
    for (UINT id : {VELMORA_MESSAGE_ID_NAMES})
        EXPECT_TRUE(!BuiltInText(id).empty() || !LanguageResourceBytes(id).empty()) << "message " << id;
}

TEST(MessageText, BarCaretAndEscapesBecomeControlCharacters)
{
    // `fetched`: what a resource holding the stored text gives, after both passes.
    const struct Case { const wchar_t* stored; const wchar_t* shown; const wchar_t* fetched; } cases[] = {
        {L"A|\\nB", L"A\r\nB", L"A\r\nB"},
        {L"a\\xb", L"a\\xb", nullptr},        // unknown escape keeps its backslash
        {L"C:\\Velmora", L"C:\\Velmora", L"C:\\Velmora"},
        {L"a^b", L"a\tb", L"a\tb"},
        {L"a\\tb", L"a\tb", nullptr},
        {L"x\\ry", L"x\\ry", L"x\ry"},
        {L"a\\\\nb", L"a\\nb", nullptr},      // \\ is one backslash; the n is plain
        {L"ab\\0cd", L"ab", nullptr},         // \0 ends the text
        {L"end\\", L"end\\", nullptr},        // a backslash at the end stays
        {L"", L"", L""},
    };
    LanguageBlock::Entries strings;
    for (const Case& c : cases)
        strings.push_back({static_cast<DWORD>(strings.size() + 1), c.stored});
    CLanguage language;
    ASSERT_NO_FATAL_FAILURE(LoadStrings(language, strings));
    for (UINT id = 1; id <= strings.size(); ++id) {
        const Case& c = cases[id - 1];
        SCOPED_TRACE("stored: " + testing::PrintToString(std::wstring(c.stored)));
        wchar_t shown[64];
        ExpandMessageText(c.stored, shown, 64);
        EXPECT_EQ(std::wstring(c.shown), shown);
        if (c.fetched) {
            wchar_t fetched[kLangTextCapacity];
            wmemset(fetched, L'X', kLangTextCapacity);
            EXPECT_TRUE(language.GetString(id, fetched, kLangTextCapacity));
            EXPECT_EQ(std::wstring(c.fetched), fetched);
        }
    }
}

TEST(MessageText, FallsBackToEnglishAndCutsAtCapacityNeverWritingPastIt)
{
    CLanguage language;
    ASSERT_NO_FATAL_FAILURE(LoadStrings(language, {{1, L"abcdefghijklmnopqrstuvwxyz0123"}, {2, L"abcdefgh|tail"}}));
    const struct { UINT id; size_t capacity; std::wstring text; bool fromResource; } cases[] = {
        {1, 10, L"abcdefghi", true},
        // An escape counts as the one character it gives.
        {2, 10, L"abcdefgh\r", true},
        // Ids the resource lacks give the built-in text, cut the same way; ids of neither
        // table an empty text, whatever the buffer held.
        {37, 10, BuiltInText(37).substr(0, 9), false},
        {9999, 10, L"", false},
        {1, 1, L"", true},
        // No room at all: nothing is written, not even a terminator.
        {1, 0, L"", false},
        {37, 0, L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("message " + std::to_string(c.id) + ", capacity " + std::to_string(c.capacity));
        GuardedText text(c.capacity);
        EXPECT_EQ(c.fromResource, language.GetString(c.id, text.Buffer(), c.capacity));
        if (c.capacity > 0) {
            EXPECT_EQ(c.text, std::wstring(text.Buffer()));
        }
        EXPECT_TRUE(text.GuardsIntact());
    }
}
