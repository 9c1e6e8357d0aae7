// TranslateDialog on real dialog windows under Wine.
#include <gtest/gtest.h>

#include "lang/language.h"
#include "language_block.h"
#include "test_dialog.h"

namespace {

const DWORD kTemplateId = 4242;

// A language in the Russian locale whose dialog records are the given ones.
void LoadDialog(CLanguage& language, const std::wstring& title, const LanguageBlock::Entries& controls)
{
    ASSERT_TRUE(language.SelectLanguage(kRussianLocale));
    LanguageBlock block;
    block.Header(1, 0).Dialog(kTemplateId, title, controls);
    ASSERT_TRUE(language.LoadLanguageData(block.Bytes().data(), block.Bytes().size()));
}

} // namespace

TEST(TranslateDialog, SetsExactlyTheChildrenAtTheRecordsOrdinals)
{
    CLanguage language;
    LoadDialog(language, L"", {{1, L"первый"}, {2, L"второй"}, {5, L"пятый"}});
    TestDialog dialog(6, L"English title");
    ASSERT_NE(nullptr, dialog.Handle());

    EXPECT_TRUE(language.TranslateDialog(dialog.Handle(), kTemplateId));
    EXPECT_EQ(L"первый", dialog.ChildText(1));
    EXPECT_EQ(L"второй", dialog.ChildText(2));
    EXPECT_EQ(L"child 3", dialog.ChildText(3));
    EXPECT_EQ(L"child 4", dialog.ChildText(4));
    EXPECT_EQ(L"пятый", dialog.ChildText(5));
    EXPECT_EQ(L"child 6", dialog.ChildText(6));
    EXPECT_EQ(L"English title", dialog.Title());  // an empty title keeps the window's

    LoadDialog(language, L"Установка", {{6, L"шестой"}});
    EXPECT_TRUE(language.TranslateDialog(dialog.Handle(), kTemplateId));
    EXPECT_EQ(L"Установка", dialog.Title());
    EXPECT_EQ(L"шестой", dialog.ChildText(6));
}

TEST(TranslateDialog, StopsAtAnOrdinalBehindTheWalkOrBeyondTheChildren)
{
    CLanguage language;
    LoadDialog(language, L"", {{3, L"третий"}, {2, L"второй"}, {4, L"четвёртый"}});
    TestDialog descending(4, L"t");
    EXPECT_TRUE(language.TranslateDialog(descending.Handle(), kTemplateId));
    EXPECT_EQ(L"child 2", descending.ChildText(2));
    EXPECT_EQ(L"третий", descending.ChildText(3));
    EXPECT_EQ(L"child 4", descending.ChildText(4));

    LoadDialog(language, L"", {{2, L"второй"}, {9, L"девятый"}, {0xFFFFFFFF, L"last"}});
    TestDialog few(3, L"t");
    EXPECT_TRUE(language.TranslateDialog(few.Handle(), kTemplateId));
    EXPECT_EQ(L"второй", few.ChildText(2));
    EXPECT_EQ(L"child 3", few.ChildText(3));
}

TEST(TranslateDialog, ChangesNothingInEnglishWithoutRecordOrWithoutChildren)
{
    LanguageBlock block;
    block.Header(1, 0).Dialog(kTemplateId, L"Установка", {{1, L"первый"}});
    CLanguage english;
    ASSERT_TRUE(english.LoadLanguageData(block.Bytes().data(), block.Bytes().size()));
    TestDialog dialog(2, L"English title");
    EXPECT_FALSE(english.TranslateDialog(dialog.Handle(), kTemplateId));
    EXPECT_EQ(L"child 1", dialog.ChildText(1));
    EXPECT_EQ(L"English title", dialog.Title());

    CLanguage russian;
    LoadDialog(russian, L"Установка", {{1, L"первый"}});
    EXPECT_FALSE(russian.TranslateDialog(dialog.Handle(), kTemplateId + 1));
    EXPECT_FALSE(russian.TranslateDialog(nullptr, kTemplateId));
    TestDialog empty(0, L"English title");
    EXPECT_FALSE(russian.TranslateDialog(empty.Handle(), kTemplateId));
    EXPECT_EQ(L"English title", empty.Title());
    EXPECT_EQ(L"child 1", dialog.ChildText(1));
}
