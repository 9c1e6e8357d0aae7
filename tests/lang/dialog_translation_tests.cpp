// TranslateDialog on a real wizard page under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "formats/language/language.h"
#include "lang/lang_test_support.h"

namespace {

const DWORD kPageId = 7;  // a page with many children
using Texts = std::vector<std::wstring>;

// A language in the Russian locale whose only dialog record is the given one.
void LoadDialog(CLanguage& language, const std::wstring& title, const LanguageBlock::Entries& controls)
{
    ASSERT_TRUE(language.SelectLanguage(kRussianLocale));
    LanguageBlock block;
    block.Header(1, 0).Dialog(kPageId, title, controls);
    ASSERT_TRUE(language.LoadLanguageData(block.Bytes().data(), block.Bytes().size()));
}

} // namespace

// The record's texts go to the children at its ordinals (counted from 1) and nowhere else;
// an empty title keeps the window's. The walk stops at an ordinal behind it or beyond the
// children.
TEST(TranslateDialog, SetsExactlyTheChildrenAtTheRecordsOrdinals)
{
    const DWORD beyond = static_cast<DWORD>(WizardPage(kPageId).Children().size()) + 1;
    ASSERT_GE(beyond, 14u);
    const struct { std::wstring title; LanguageBlock::Entries controls; std::vector<size_t> set; } cases[] = {
        {L"", {{1, L"первый"}, {2, L"второй"}, {5, L"пятый"}}, {1, 2, 5}},
        {L"Установка", {{beyond - 1, L"последний"}}, {0, beyond - 1}},
        {L"", {{12, L"двенадцатый"}, {11, L"одиннадцатый"}, {13, L"тринадцатый"}}, {12}},
        {L"", {{2, L"второй"}, {beyond, L"за краем"}, {0xFFFFFFFF, L"last"}}, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.set));
        CLanguage language;
        LoadDialog(language, c.title, c.controls);
        WizardPage page(kPageId);
        Texts expected = page.Texts();
        for (size_t index : c.set) {
            for (const auto& control : c.controls)
                if (control.first == index)
                    expected[index] = control.second;
        }
        if (!c.title.empty())
            expected[0] = c.title;
        EXPECT_TRUE(language.TranslateDialog(page.Handle(), kPageId));
        EXPECT_EQ(expected, page.Texts());
    }
}

TEST(TranslateDialog, ChangesNothingInEnglishOrWithoutARecord)
{
    LanguageBlock block;
    block.Header(1, 0).Dialog(kPageId, L"Установка", {{1, L"первый"}});
    CLanguage english, russian;
    ASSERT_TRUE(english.LoadLanguageData(block.Bytes().data(), block.Bytes().size()));
    LoadDialog(russian, L"Установка", {{1, L"первый"}});
    WizardPage page(kPageId);
    const Texts untouched = page.Texts();
    EXPECT_FALSE(english.TranslateDialog(page.Handle(), kPageId));
    EXPECT_FALSE(russian.TranslateDialog(page.Handle(), kPageId + 1));
    EXPECT_EQ(untouched, page.Texts());
}
