// The usage of setup.exe and uninstall.exe as each shows it, in English and in Russian.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/language/language.h"
#include "formats/language/usage_text.h"

// Each program's usage names every switch it takes and no other, and its exit codes, whole,
// in the system's language; a refused line names the refused word first.
TEST(Usage, ListsEverySwitchOfTheProgramAndItsExitCodesInEitherLanguage)
{
    const struct
    {
        SwitchSet set;
        std::vector<std::wstring> listed, absent;
    } programs[] = {
        {SwitchSet::kSetup,
         {L"setup.exe [", L"  /quiet ", L"  /norestart ", L"  /config ", L"  /log ", L"  /whatif ", L"  /? ", L" -1 ",
          L" 4 ", L"VelmoraSetup-<"},
         {L"uninstall.exe", L" 87 "}},
        {SwitchSet::kUninstall,
         {L"uninstall.exe [", L"  /quiet ", L"  /norestart ", L"  /log ", L"  /? ", L" 87 ", L"VelmoraUninstall-<"},
         {L"/config", L"/whatif", L"setup.exe"}},
    };
    std::wstring english[2];
    for (LCID locale : {kEnglishLocale, kRussianLocale}) {
        // English is built in: the one instance starts with it.
        if (locale != kEnglishLocale) {
            ASSERT_TRUE(g_language.SelectLanguage(locale));
        }
        for (size_t i = 0; i < 2; ++i) {
            SCOPED_TRACE(testing::Message() << locale << " " << i);
            wchar_t text[kUsageTextCapacity] = {};
            FormatUsage(programs[i].set, text, kUsageTextCapacity);
            const std::wstring usage = text;
            for (const std::wstring& part : programs[i].listed)
                EXPECT_NE(std::wstring::npos, usage.find(part)) << part << "\n" << usage;
            for (const std::wstring& part : programs[i].absent)
                EXPECT_EQ(std::wstring::npos, usage.find(part)) << part << "\n" << usage;
            EXPECT_LT(usage.size() + 1, kUsageTextCapacity) << "cut";
            if (locale == kEnglishLocale) {
                english[i] = usage;
                EXPECT_NE(std::wstring::npos, usage.find(L"Exit codes: "));
            } else {
                EXPECT_NE(english[i], usage);
                EXPECT_NE(std::wstring::npos, usage.find(L"Коды завершения: ")) << usage;
            }
        }
    }
    RunSwitches switches = {};
    lstrcpyW(switches.refused, L"stray");
    wchar_t refused[kUsageTextCapacity] = {};
    FormatRefusedCommandLine(SwitchSet::kSetup, switches, refused, kUsageTextCapacity);
    wchar_t usage[kUsageTextCapacity] = {};
    FormatUsage(SwitchSet::kSetup, usage, kUsageTextCapacity);
    EXPECT_EQ(std::wstring(L"Неизвестный аргумент: stray\r\n\r\n") + usage, refused);
    // /? alone: the usage and nothing before it.
    switches.refused[0] = 0;
    FormatRefusedCommandLine(SwitchSet::kUninstall, switches, refused, kUsageTextCapacity);
    FormatUsage(SwitchSet::kUninstall, usage, kUsageTextCapacity);
    EXPECT_STREQ(usage, refused);
}
