// TranslateDialog on a real wizard page under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "formats/language/language.h"
#include "lang/lang_test_support.h"

namespace {

const DWORD kPageId = 7;  // a page with many children
using Texts = std::vector<std::wstring>;

} // namespace

// The record's texts go to the children at its ordinals (counted from 1) and nowhere else;
// an empty title keeps the window's. The walk stops at an ordinal behind it or beyond the
// children. In English, or without a record for the page, nothing changes.
TEST(TranslateDialog, SetsExactlyTheChildrenAtTheRecordsOrdinals)
{
    const DWORD beyond = static_cast<DWORD>(WizardPage(kPageId).Children().size()) + 1;
    ASSERT_GE(beyond, 14u);
    const struct {
        bool russian;
        DWORD recordId;
        std::wstring title;
        LanguageBlock::Entries controls;
        std::vector<size_t> set;
    } cases[] = {
        {true, kPageId, L"", {{1, L"первый"}, {2, L"второй"}, {5, L"пятый"}}, {1, 2, 5}},
        {true, kPageId, L"Установка", {{beyond - 1, L"последний"}}, {0, beyond - 1}},
        {true, kPageId, L"", {{12, L"двенадцатый"}, {11, L"одиннадцатый"}, {13, L"тринадцатый"}}, {12}},
        {true, kPageId, L"", {{2, L"второй"}, {beyond, L"за краем"}, {0xFFFFFFFF, L"last"}}, {2}},
        {false, kPageId, L"Установка", {{1, L"первый"}}, {}},
        {true, kPageId + 1, L"Установка", {{1, L"первый"}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.russian << " " << c.recordId << " " << testing::PrintToString(c.set));
        CLanguage language;
        ASSERT_TRUE(!c.russian || language.SelectLanguage(kRussianLocale));
        LanguageBlock block;
        block.Header(1, 0).Dialog(c.recordId, c.title, c.controls);
        ASSERT_TRUE(language.LoadLanguageData(block.Bytes().data(), block.Bytes().size()));
        WizardPage page(kPageId);
        Texts expected = page.Texts();
        for (size_t index : c.set) {
            for (const auto& control : c.controls)
                if (control.first == index)
                    expected[index] = control.second;
        }
        if (!c.set.empty() && !c.title.empty())
            expected[0] = c.title;
        EXPECT_EQ(!c.set.empty(), language.TranslateDialog(page.Handle(), kPageId));
        EXPECT_EQ(expected, page.Texts());
    }
}
