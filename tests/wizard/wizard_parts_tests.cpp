// The wizard's small parts: where it is centred, where the assistant lives, and how the
// agreement text is read.
#include <gtest/gtest.h>

#include <string>

#include "wizard/agreement_page/agreement_text.h"
#include "wizard/welcome_page/maker_site.h"
#include "wizard/window_centering.h"

namespace {
const RECT kWorkArea = {0, 0, 1024, 738};  // a 1024x768 screen with a 30-pixel taskbar
const RECT kWizard = {100, 100, 600, 460};  // 500x360

std::wstring RawResourceText(UINT id, size_t skipBytes)
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"LNG");
    if (!found)
        return L"<missing>";
    DWORD size = SizeofResource(nullptr, found);
    auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes + skipBytes),
                        (size - skipBytes) / sizeof(wchar_t));
}
} // namespace

TEST(WindowCentering, CentresOverTheOwnerOrTheWorkAreaButStaysInsideTheWorkArea)
{
    const RECT owner = {200, 100, 400, 300}, nearCorner = {900, 650, 1100, 760}, offScreen = {-400, -300, -200, -100};
    const RECT huge = {0, 0, 1400, 900};
    const RECT shifted = {50, 40, 1074, 778};  // taskbar on the left and at the top
    const struct
    {
        const char* name;
        RECT window;
        const RECT* owner;
        RECT work;
        POINT expected;
    } cases[] = {
        {"no owner", kWizard, nullptr, kWorkArea, {262, 189}},  // ((1024 - 500) / 2, (738 - 360) / 2)
        {"over the owner", kWizard, &owner, kWorkArea, {50, 20}},
        {"owner near the corner", kWizard, &nearCorner, kWorkArea, {1024 - 500, 738 - 360}},
        {"owner off the screen", kWizard, &offScreen, kWorkArea, {0, 0}},
        {"larger than the work area: its top left", huge, nullptr, shifted, {50, 40}},
    };
    for (const auto& c : cases) {
        POINT p = CenteredPosition(c.window, c.owner, c.work);
        EXPECT_EQ(c.expected.x, p.x) << c.name;
        EXPECT_EQ(c.expected.y, p.y) << c.name;
    }
}

TEST(LocaleChoices, AssistantAndAgreementFollowTheLocale)
{
    const std::wstring site = kMakerSiteAddress;
    const struct { LCID locale; size_t capacity; std::wstring address; UINT agreement; } cases[] = {
        {1049, 260, site + L"/ru/assistant", 12},
        {1033, 260, site + L"/en/assistant", 11},
        {1058, 260, site + L"/en/assistant", 11},
        {1049, 8, site.substr(0, 7), 12},  // cut to the capacity
    };
    for (const auto& c : cases) {
        wchar_t address[260] = {};
        EXPECT_EQ(c.address.size(), FormatAssistantAddress(c.locale, address, c.capacity)) << c.locale;
        EXPECT_EQ(c.address, address) << c.locale;
        EXPECT_EQ(c.agreement, AgreementResourceId(c.locale)) << c.locale;
    }
}

// The shipped texts (11, 12) carry a byte-order mark (AgreementTexts); 9001 is a 50-byte
// resource too short for a text, 9002 has no mark, 9003 starts with U+00FF (bytes FF 00),
// which is text. (Any language but Russian takes English: the agreement's 1058 row.)
TEST(AgreementText, DropsOnlyAWholeMarkAndKeepsTheLastCharacter)
{
    ASSERT_EQ(50u, SizeofResource(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(9001), L"LNG")));
    const struct
    {
        UINT id;
        bool loaded;
        std::wstring text;
    } cases[] = {
        {11, true, RawResourceText(11, 2)},  {12, true, RawResourceText(12, 2)},
        {9001, false, L""},                  {9999, false, L""},
        {9002, true, L"Agreement without any mark"}, {9003, true, RawResourceText(9003, 0)},
    };
    for (const auto& c : cases) {
        UniqueLocalMemory text;
        EXPECT_EQ(c.loaded, LoadAgreementText(GetModuleHandleW(nullptr), c.id, text)) << c.id;
        EXPECT_EQ(c.text, text ? std::wstring(static_cast<const wchar_t*>(text.Get())) : std::wstring()) << c.id;
    }
}
