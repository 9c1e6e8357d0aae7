// The build's check of the translations' format fields against the English texts.
#include <gtest/gtest.h>

#include "tools/lngc/format_fields.h"

TEST(FormatFields, FindsEachFieldAsWrittenAndSkipsPercentSigns)
{
    const struct
    {
        const wchar_t* text;
        std::vector<std::wstring> fields;
    } cases[] = {
        {L"no fields", {}},
        {L"100%% done", {}},
        {L"'%s' on %d", {L"%s", L"%d"}},
        {L"code [%lu] at %I64x, %-10.3f, %*d", {L"%lu", L"%I64x", L"%-10.3f", L"%*d"}},
        {L"%%%s%%", {L"%s"}},
        {L"ends in %", {L"%"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.fields, FormatFields(c.text)) << testing::PrintToString(std::wstring(c.text));
}

TEST(CheckFormatFields, RefusesATranslationWhoseFieldsDifferInCountOrderOrKind)
{
    std::map<unsigned long, std::wstring> english;
    std::wstring error;
    ASSERT_TRUE(ParseEnglishStringTable(L"// comment\r\nSTRINGTABLE\r\nBEGIN\r\n  15 \"IP address '%s' "
                                        L"used\"\r\n  20 \"disk \"\"%s\"\" needs %d Mb\"\r\n  38 \"plain\"\r\nEND\r\n",
                                        english, error))
        << error;
    ASSERT_EQ(3u, english.size());
    EXPECT_EQ(L"disk \"%s\" needs %d Mb", english[20]);
    const struct
    {
        unsigned long id;
        const wchar_t* text;
        bool accepted;
    } cases[] = {
        {15, L"IP-адрес '%s'", true},
        {20, L"диск «%s»: %d МБ", true},
        {38, L"просто 100%%", true},
        {15, L"IP-адрес", false},             // a field less
        {38, L"адрес %s", false},             // a field more
        {20, L"%d МБ на диске %s", false},     // in another order
        {20, L"диск %s: %s МБ", false},        // of another kind
        {20, L"диск %s: %ld МБ", false},       // of another size
        {99, L"нет такого", false},            // no English text
    };
    for (const auto& c : cases) {
        LanguageSource language;
        language.strings.push_back({c.id, c.text});
        error.clear();
        EXPECT_EQ(c.accepted, CheckFormatFields(language, english, error)) << c.id << " " << error;
        EXPECT_EQ(c.accepted, error.empty()) << c.id;
    }
}
