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

// Strings and dialogs as the real resource holds them are read by the Russian resource's
// tests; lists only come from here.
TEST(ResourceFormat, ReadsListsAndPassesOverADialogWithoutMarker)
{
    LanguageBlock block;
    block.Header(2, 1)
        .Number(1).Number(106).Number(0).Number(0x12345678)
        .Dialog(3, L"", {{1, L"Ход установки"}})
        .List(9, {{0, L"ноль"}, {5, L"ignored"}, {0, L""}});
    CLanguageTables tables;
    ASSERT_TRUE(Read(block, tables));
    EXPECT_EQ(nullptr, tables.FindDialog(106));
    ASSERT_NE(nullptr, tables.FindDialog(3));
    EXPECT_STREQ(L"Ход установки", tables.FindDialog(3)->controls[0].text);
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
    for (DWORD badId : {0ul, 65536ul}) {
        LanguageBlock block;
        block.Header(0, 0).Number(0).Number(0).Number(3).Number(30).Field(L"first").Number(badId).Field(L"x")
            .Number(31).Field(L"never");
        CLanguageTables tables;
        Read(block, tables);  // the rest of the record is read as more records
        EXPECT_EQ(1u, tables.StringCount()) << badId;
        EXPECT_EQ(nullptr, tables.FindString(31));
    }
}

TEST(ResourceFormat, CutsOverlongTextsAndDropsControlCharactersWithoutLosingItsPlace)
{
    std::wstring longText(700, L'ж');
    LanguageBlock block;
    block.Header(1, 0)
        .Strings({{1, longText}, {2, std::wstring(L"a\x01" L"b\rc\nd\te\x7F" L"f\x9B" L"g", 13)},
                  {3, std::wstring(L"nul\0inside", 10)}, {4, L"after"}})
        .Dialog(5, std::wstring(200, L'T'), {{1, longText}, {2, L"next"}});
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

// Counts far beyond the data: room only for what the bytes could hold. (Damaged copies
// of the real resource check that such counts stay in bounds.)
TEST(ResourceFormat, CountsThatLieAllocateNothingBeyondTheResource)
{
    CLanguageTables tables;
    LanguageBlock block;
    block.Header(0xFFFFFFFF, 0xFFFFFFFF).Number(0).Number(0).Number(0xFFFFFFFF).Number(14).Field(L"любой");
    Read(block, tables);
    EXPECT_LE(tables.DialogCapacity(), block.Bytes().size() / 20);
    EXPECT_LE(tables.ListCapacity(), block.Bytes().size() / 12);
    EXPECT_LE(tables.StringCapacity(), block.Bytes().size() / 8);
    EXPECT_STREQ(L"любой", tables.FindString(14)->text);
}
