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

std::wstring Agreement(UINT id, bool* loaded = nullptr)
{
    UniqueLocalMemory text;
    bool ok = LoadAgreementText(GetModuleHandleW(nullptr), id, text);
    if (loaded)
        *loaded = ok;
    return text ? std::wstring(static_cast<const wchar_t*>(text.Get())) : std::wstring();
}

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

TEST(WindowCentering, CentresInTheWorkAreaWithoutOwner)
{
    POINT p = CenteredPosition(kWizard, nullptr, kWorkArea);
    EXPECT_EQ(262, p.x);  // (1024 - 500) / 2
    EXPECT_EQ(189, p.y);  // (738 - 360) / 2
}

TEST(WindowCentering, CentresOverTheOwnerButStaysInsideTheWorkArea)
{
    RECT owner = {200, 100, 400, 300};
    POINT p = CenteredPosition(kWizard, &owner, kWorkArea);
    EXPECT_EQ(50, p.x);
    EXPECT_EQ(20, p.y);

    RECT nearCorner = {900, 650, 1100, 760};  // would push the wizard out right and below
    p = CenteredPosition(kWizard, &nearCorner, kWorkArea);
    EXPECT_EQ(1024 - 500, p.x);
    EXPECT_EQ(738 - 360, p.y);

    RECT offScreen = {-400, -300, -200, -100};
    p = CenteredPosition(kWizard, &offScreen, kWorkArea);
    EXPECT_EQ(0, p.x);
    EXPECT_EQ(0, p.y);

    RECT huge = {0, 0, 1400, 900};
    RECT shifted = {50, 40, 1074, 778};  // taskbar on the left and at the top
    p = CenteredPosition(huge, nullptr, shifted);
    EXPECT_EQ(50, p.x) << "larger than the work area: starts at its top left";
    EXPECT_EQ(40, p.y);
}

TEST(LocaleChoices, AssistantAndAgreementFollowTheLocale)
{
    wchar_t address[260] = {};
    FormatAssistantAddress(1049, address, 260);
    EXPECT_EQ(std::wstring(kMakerSiteAddress) + L"/ru/assistant", address);
    FormatAssistantAddress(1033, address, 260);
    EXPECT_EQ(std::wstring(kMakerSiteAddress) + L"/en/assistant", address);
    FormatAssistantAddress(1058, address, 260);  // any other language: English
    EXPECT_EQ(std::wstring(kMakerSiteAddress) + L"/en/assistant", address);

    wchar_t small[8];
    EXPECT_EQ(7u, FormatAssistantAddress(1049, small, 8));
    EXPECT_EQ(std::wstring(kMakerSiteAddress).substr(0, 7), small);

    EXPECT_EQ(12u, AgreementResourceId(1049));
    EXPECT_EQ(11u, AgreementResourceId(1033));
    EXPECT_EQ(11u, AgreementResourceId(1058));
}

TEST(AgreementText, ShippedTextsLoseTheMarkAndKeepTheirLastCharacter)
{
    for (UINT id : {11u, 12u}) {
        bool loaded = false;
        std::wstring text = Agreement(id, &loaded);
        ASSERT_TRUE(loaded) << id;
        std::wstring raw = RawResourceText(id, 0);
        ASSERT_GT(raw.size(), 25u);
        ASSERT_EQ(0xFEFF, raw[0]) << "the shipped texts carry a byte-order mark";
        EXPECT_EQ(raw.substr(1), text) << id;
        EXPECT_NE(0xFEFF, text[0]);
    }
    EXPECT_NE(Agreement(11), Agreement(12));
}

TEST(AgreementText, ShortOrMissingResourcesLeaveTheTextEmpty)
{
    HRSRC shortOne = FindResourceW(nullptr, MAKEINTRESOURCEW(9001), L"LNG");
    ASSERT_NE(nullptr, shortOne);
    ASSERT_EQ(50u, SizeofResource(nullptr, shortOne));
    bool loaded = true;
    EXPECT_EQ(L"", Agreement(9001, &loaded));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(L"", Agreement(9999, &loaded));
    EXPECT_FALSE(loaded);
}

TEST(AgreementText, OnlyBothBytesOfTheMarkAreDropped)
{
    bool loaded = false;
    EXPECT_EQ(L"Agreement without any mark", Agreement(9002, &loaded));
    EXPECT_TRUE(loaded);
    // A leading U+00FF (bytes FF 00) is text, not a mark.
    std::wstring text = Agreement(9003);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(wchar_t(0x00FF), text[0]);
    EXPECT_EQ(RawResourceText(9003, 0), text);
}
