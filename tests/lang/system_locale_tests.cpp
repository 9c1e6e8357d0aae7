// The language follows the system's default locale. ctest runs these tests twice: in
// the default environment, and with the Russian Unix locale, under which Wine reports
// locale 1049; VELMORA_EXPECTED_LOCALE tells the test which one to expect.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "formats/language/language.h"
#include "lang/lang_test_support.h"

TEST(SystemLocale, SelectsRussianOnlyOnARussianSystem)
{
    LCID system = GetSystemDefaultLCID();
    wchar_t expected[16] = {};
    if (GetEnvironmentVariableW(L"VELMORA_EXPECTED_LOCALE", expected, 16)) {
        ASSERT_EQ(static_cast<LCID>(wcstoul(expected, nullptr, 10)), system);
    }

    // Only Russian has a language; any other locale loads nothing.
    CLanguage language, german;
    wchar_t text[kLangTextCapacity];
    EXPECT_FALSE(german.SelectLanguage(1031));
    EXPECT_EQ(kEnglishLocale, german.CurrentLocale());
    EXPECT_FALSE(german.GetString(37, text, kLangTextCapacity));
    bool selected = language.SelectLanguage(system);
    WizardPage page(3);
    const std::vector<std::wstring> english = page.Texts();
    if (system == kRussianLocale) {
        EXPECT_TRUE(selected);
        EXPECT_EQ(kRussianLocale, language.CurrentLocale());
        EXPECT_TRUE(language.GetString(37, text, kLangTextCapacity));
        EXPECT_NE(BuiltInText(37), text);
        EXPECT_TRUE(language.TranslateDialog(page.Handle(), 3));
        EXPECT_NE(english, page.Texts());
    } else {
        // No language resource is read: English texts, dialogs untouched.
        EXPECT_FALSE(selected);
        EXPECT_EQ(kEnglishLocale, language.CurrentLocale());
        for (UINT id : MessageIds()) {
            EXPECT_FALSE(language.GetString(id, text, kLangTextCapacity)) << id;
            EXPECT_EQ(BuiltInText(id), text) << id;
        }
        EXPECT_FALSE(language.TranslateDialog(page.Handle(), 3));
        EXPECT_EQ(english, page.Texts());
    }
}
