// TranslateDialog on real dialog windows under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "formats/language/language.h"
#include "lang/lang_test_support.h"

namespace {

const DWORD kTemplateId = 4242;
using Texts = std::vector<std::wstring>;

// A language in the Russian locale whose dialog records are the given ones.
void LoadDialog(CLanguage& language, const std::wstring& title, const LanguageBlock::Entries& controls)
{
    ASSERT_TRUE(language.SelectLanguage(kRussianLocale));
    LanguageBlock block;
    block.Header(1, 0).Dialog(kTemplateId, title, controls);
    ASSERT_TRUE(language.LoadLanguageData(block.Data(), block.Size()));
}

// The title and every child's text.
Texts AllTexts(const TestDialog& dialog, int children)
{
    Texts texts{ dialog.Title() };
    for (int ordinal = 1; ordinal <= children; ++ordinal)
        texts.push_back(dialog.ChildText(ordinal));
    return texts;
}

} // namespace

TEST(TranslateDialog, SetsExactlyTheChildrenAtTheRecordsOrdinals)
{
    CLanguage language;
    LoadDialog(language, L"", {{1, L"первый"}, {2, L"второй"}, {5, L"пятый"}});
    TestDialog dialog(6, L"English title");
    ASSERT_NE(nullptr, dialog.Handle());
    EXPECT_TRUE(language.TranslateDialog(dialog.Handle(), kTemplateId));
    // An empty title keeps the window's.
    EXPECT_EQ((Texts{L"English title", L"первый", L"второй", L"child 3", L"child 4", L"пятый", L"child 6"}),
              AllTexts(dialog, 6));

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
    EXPECT_EQ((Texts{L"t", L"child 1", L"child 2", L"третий", L"child 4"}), AllTexts(descending, 4));

    LoadDialog(language, L"", {{2, L"второй"}, {9, L"девятый"}, {0xFFFFFFFF, L"last"}});
    TestDialog few(3, L"t");
    EXPECT_TRUE(language.TranslateDialog(few.Handle(), kTemplateId));
    EXPECT_EQ((Texts{L"t", L"child 1", L"второй", L"child 3"}), AllTexts(few, 3));
}

TEST(TranslateDialog, ChangesNothingInEnglishWithoutRecordOrWithoutChildren)
{
    LanguageBlock block;
    block.Header(1, 0).Dialog(kTemplateId, L"Установка", {{1, L"первый"}});
    CLanguage english;
    ASSERT_TRUE(english.LoadLanguageData(block.Data(), block.Size()));
    TestDialog dialog(2, L"English title");
    const Texts untouched = AllTexts(dialog, 2);
    EXPECT_FALSE(english.TranslateDialog(dialog.Handle(), kTemplateId));

    CLanguage russian;
    LoadDialog(russian, L"Установка", {{1, L"первый"}});
    EXPECT_FALSE(russian.TranslateDialog(dialog.Handle(), kTemplateId + 1));
    EXPECT_FALSE(russian.TranslateDialog(nullptr, kTemplateId));
    EXPECT_EQ(untouched, AllTexts(dialog, 2));
    TestDialog empty(0, L"English title");
    EXPECT_FALSE(russian.TranslateDialog(empty.Handle(), kTemplateId));
    EXPECT_EQ(L"English title", empty.Title());
}
