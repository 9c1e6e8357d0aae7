// The language resource reader on well-formed and malformed blocks.
#include <gtest/gtest.h>

#include "formats/language/language_reader.h"
#include "lang/lang_test_support.h"

namespace {

bool Read(const LanguageBlock& block, CLanguageTables& tables)
{
    return ReadLanguageResource(block.Bytes().data(), block.Bytes().size(), tables);
}

} // namespace

TEST(ResourceFormat, ReadsStringsDialogsAndLists)
{
    LanguageBlock block;
    block.Header(2, 1)
        .Strings({{14, L"любой"}, {37, L"Прервать?"}})
        .Dialog(107, L"", {{1, L"Привет"}, {4, L"Помощь"}})
        .Dialog(4, L"Соглашение", {{2, L"Да"}})
        .List(9, {{0, L"ноль"}, {5, L"ignored"}, {0, L""}});
    CLanguageTables tables;
    ASSERT_TRUE(Read(block, tables));

    ASSERT_EQ(2u, tables.StringCount());
    EXPECT_STREQ(L"Прервать?", tables.FindString(37)->text);
    EXPECT_EQ(nullptr, tables.FindString(15));

    ASSERT_EQ(2u, tables.DialogCount());
    const LangDialog* welcome = tables.FindDialog(107);
    ASSERT_NE(nullptr, welcome);
    EXPECT_STREQ(L"", welcome->title);
    ASSERT_EQ(2u, welcome->control_count);
    EXPECT_EQ(4u, welcome->controls[1].ordinal);
    EXPECT_STREQ(L"Помощь", welcome->controls[1].text);
    EXPECT_STREQ(L"Соглашение", tables.FindDialog(4)->title);

    ASSERT_EQ(1u, tables.ListCount());
    const LangList& list = tables.Lists()[0];
    EXPECT_EQ(9u, list.id);
    ASSERT_EQ(3u, list.item_count);
    EXPECT_STREQ(L"ноль", list.items[0].text);
    EXPECT_EQ(5u, list.items[1].value);
    EXPECT_STREQ(L"", list.items[1].text);
}

TEST(ResourceFormat, RejectsShortBlocksAndUnknownRecordTypesKeepingWhatCameBefore)
{
    CLanguageTables tables;
    LanguageBlock header;
    header.Header(0, 0, L"");
    ASSERT_EQ(16u, header.Bytes().size());
    EXPECT_FALSE(ReadLanguageResource(header.Bytes().data(), 15, tables));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    EXPECT_TRUE(ReadLanguageResource(header.Bytes().data(), 16, tables));

    LanguageBlock block;
    block.Header(1, 0).Strings({{21, L"Пароли не совпадают"}}).Number(7).Number(0).Number(0)
        .Dialog(8, L"", {{1, L"never read"}});
    EXPECT_FALSE(Read(block, tables));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    EXPECT_NE(nullptr, tables.FindString(21));
    EXPECT_EQ(0u, tables.DialogCount());
}

TEST(ResourceFormat, EndsAStringRecordAtAnIdOutsideTheRange)
{
    for (DWORD badId : {0ul, 65536ul, 0xFFFFFFFFul}) {
        LanguageBlock block;
        block.Header(0, 0).Number(0).Number(0).Number(3).Number(30).Field(L"first").Number(badId).Field(L"x")
            .Number(31).Field(L"never");
        CLanguageTables tables;
        Read(block, tables);  // the rest of the record is read as more records
        EXPECT_EQ(1u, tables.StringCount()) << badId;
        EXPECT_STREQ(L"first", tables.FindString(30)->text);
        EXPECT_EQ(nullptr, tables.FindString(31));
    }
}

TEST(ResourceFormat, CutsOverlongTextsAndDropsControlCharactersWithoutLosingItsPlace)
{
    std::wstring longText(700, L'ж');
    std::wstring longTitle(200, L'T');
    LanguageBlock block;
    block.Header(1, 0)
        .Strings({{1, longText}, {2, std::wstring(L"a\x01" L"b\rc\nd\te\x7F" L"f\x9B" L"g", 13)},
                  {3, std::wstring(L"nul\0inside", 10)}, {4, L"after"}})
        .Dialog(5, longTitle, {{1, longText}, {2, L"next"}});
    CLanguageTables tables;
    ASSERT_TRUE(Read(block, tables));
    EXPECT_EQ(std::wstring(511, L'ж'), tables.FindString(1)->text);
    EXPECT_STREQ(L"abcd\tefg", tables.FindString(2)->text);
    EXPECT_STREQ(L"nulinside", tables.FindString(3)->text);
    EXPECT_STREQ(L"after", tables.FindString(4)->text);
    const LangDialog* dialog = tables.FindDialog(5);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(std::wstring(127, L'T'), dialog->title);
    ASSERT_EQ(2u, dialog->control_count);
    EXPECT_EQ(std::wstring(511, L'ж'), dialog->controls[0].text);
    EXPECT_STREQ(L"next", dialog->controls[1].text);
}

TEST(ResourceFormat, CountsThatLieNeitherOverrunNorAllocateBeyondTheResource)
{
    // More dialogs than the header counts: the extra ones are not stored.
    LanguageBlock extra;
    extra.Header(1, 0).Dialog(1, L"", {{1, L"one"}}).Dialog(2, L"", {{1, L"two"}});
    CLanguageTables tables;
    EXPECT_TRUE(Read(extra, tables));
    EXPECT_EQ(1u, tables.DialogCount());
    EXPECT_EQ(nullptr, tables.FindDialog(2));

    // Counts far beyond the data: room only for what the bytes could hold, and every
    // entry that is there is read.
    LanguageBlock headerCounts;
    headerCounts.Header(0xFFFFFFFF, 0xFFFFFFFF).Dialog(7, L"", {{1, L"x"}});
    EXPECT_TRUE(Read(headerCounts, tables));
    EXPECT_LE(tables.DialogCapacity(), headerCounts.Bytes().size() / 20);
    EXPECT_LE(tables.ListCapacity(), headerCounts.Bytes().size() / 12);
    EXPECT_NE(nullptr, tables.FindDialog(7));

    LanguageBlock stringCount;
    stringCount.Header(0, 0).Number(0).Number(0).Number(0xFFFFFFFF).Number(14).Field(L"любой");
    EXPECT_TRUE(Read(stringCount, tables));
    EXPECT_LE(tables.StringCapacity(), stringCount.Bytes().size() / 8);
    EXPECT_STREQ(L"любой", tables.FindString(14)->text);

    LanguageBlock controlCount;
    controlCount.Header(1, 0).Number(1).Number(7).Number(0x7FFFFFFF).Number(0xFFFFFFFF).Field(L"")
        .Number(1).Field(L"x");
    EXPECT_TRUE(Read(controlCount, tables));
    ASSERT_NE(nullptr, tables.FindDialog(7));
    EXPECT_EQ(1u, tables.FindDialog(7)->control_count);

    LanguageBlock itemCount;
    itemCount.Header(0, 1).Number(2).Number(9).Number(0xFFFFFFFF).Number(5).Number(0).Field(L"z");
    EXPECT_TRUE(Read(itemCount, tables));
    ASSERT_EQ(1u, tables.ListCount());
    EXPECT_EQ(2u, tables.Lists()[0].item_count);
    EXPECT_STREQ(L"z", tables.Lists()[0].items[1].text);

    // A text length beyond the end takes what is there.
    LanguageBlock truncated;
    truncated.Header(0, 0).Number(0).Number(0).Number(1).Number(5).Number(1000).Number(0x00620061);
    EXPECT_TRUE(Read(truncated, tables));
    EXPECT_STREQ(L"ab", tables.FindString(5)->text);
}

TEST(ResourceFormat, PassesOverADialogWithoutMarker)
{
    LanguageBlock block;
    block.Header(2, 0).Number(1).Number(106).Number(0).Number(0x12345678)
        .Dialog(3, L"", {{1, L"Ход установки"}});
    CLanguageTables tables;
    ASSERT_TRUE(Read(block, tables));
    EXPECT_EQ(nullptr, tables.FindDialog(106));
    ASSERT_NE(nullptr, tables.FindDialog(3));
    EXPECT_STREQ(L"Ход установки", tables.FindDialog(3)->controls[0].text);
}

TEST(ResourceFormat, ANewResourceReplacesDialogsAndKeepsStringsUnlessItHasItsOwn)
{
    CLanguageTables tables;
    LanguageBlock first;
    first.Header(1, 0).Strings({{14, L"любой"}}).Dialog(4, L"", {{2, L"Да"}});
    ASSERT_TRUE(Read(first, tables));

    LanguageBlock noStrings;
    noStrings.Header(1, 0).Dialog(3, L"", {{1, L"Ход"}});
    ASSERT_TRUE(Read(noStrings, tables));
    EXPECT_EQ(nullptr, tables.FindDialog(4));
    EXPECT_NE(nullptr, tables.FindDialog(3));
    EXPECT_STREQ(L"любой", tables.FindString(14)->text);

    LanguageBlock newStrings;
    newStrings.Header(0, 0).Strings({{15, L"занят"}});
    ASSERT_TRUE(Read(newStrings, tables));
    EXPECT_EQ(nullptr, tables.FindString(14));
    EXPECT_EQ(0u, tables.DialogCount());
    EXPECT_STREQ(L"занят", tables.FindString(15)->text);
}
