// The Russian language resource and the agreement texts as compiled into this program.
#include <gtest/gtest.h>

#include <iterator>
#include <set>

#include "formats/language/language.h"
#include "formats/language/language_reader.h"
#include "lang/lang_test_support.h"

namespace {

// Which children of the wizard page show a text of the template that a language must
// translate: statics (not icons) and buttons with a text. Empty statics get their text
// at run time; edits and lists hold the user's data.
std::vector<std::pair<int, bool>> WizardPageChildren(DWORD id)
{
    WizardPage page(id);
    std::vector<std::pair<int, bool>> children;  // control id, translatable
    for (HWND child : page.Children()) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        bool icon = (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        bool translatable = !WindowText(child).empty() &&
                            (lstrcmpiW(name, L"Button") == 0 || (lstrcmpiW(name, L"Static") == 0 && !icon));
        children.push_back({GetDlgCtrlID(child), translatable});
    }
    return children;
}

std::wstring Fetch(const CLanguage& language, UINT id)
{
    wchar_t text[kLangTextCapacity] = {};
    language.GetString(id, text, kLangTextCapacity);
    return text;
}

class RussianResource : public testing::Test
{
protected:
    void SetUp() override
    {
        bytes_ = LanguageResourceBytes(13);
        ASSERT_GE(bytes_.size(), kLanguageHeaderSize);
        ASSERT_TRUE(ReadLanguageResource(bytes_.data(), bytes_.size(), tables_));
    }

    std::vector<BYTE> bytes_;
    CLanguageTables tables_;
};

} // namespace

// The build refuses a Russian text whose format fields differ from the English one's, or
// that no English text has (CheckFormatFields); here every English message must have one.
TEST_F(RussianResource, NamesItsCodePageAndTranslatesEveryMessageKeepingItsBlanks)
{
    EXPECT_EQ(1251u, bytes_[0] | (bytes_[1] << 8) | (bytes_[2] << 16) | (bytes_[3] << 24));
    std::wstring description(reinterpret_cast<const wchar_t*>(&bytes_[16]), (bytes_[12] | (bytes_[13] << 8)) / 2);
    EXPECT_EQ(L"language=Russian,1049", description);
    EXPECT_EQ(0u, tables_.ListCount());
    CLanguage russian;
    ASSERT_TRUE(russian.SelectLanguage(kRussianLocale));
    for (UINT id : MessageIds()) {
        EXPECT_NE(nullptr, tables_.FindString(id)) << "message " << id << " has no Russian text";
        std::wstring text = Fetch(russian, id);
        bool indented = BuiltInText(id).compare(0, 2, L"  ") == 0;
        EXPECT_EQ(indented, text.compare(0, 2, L"  ") == 0) << "message " << id;
        if (id != 38) {
            EXPECT_NE(BuiltInText(id), text) << "message " << id << " is not translated";
        }
    }
    EXPECT_EQ(L"Velmora Server Setup", Fetch(russian, 38));
    EXPECT_NE(std::wstring::npos, Fetch(russian, 48).find(L".\r\n"));
}

// Translating follows the records' ordinals (the dialog translation tests); here the
// records must name exactly the controls with a text to translate, in ascending order.
TEST_F(RussianResource, HoldsOneRecordForEachWizardDialogNamingEveryTextOfIt)
{
    std::set<DWORD> ids;
    for (DWORD i = 0; i < tables_.DialogCount(); ++i)
        ids.insert(tables_.Dialogs()[i].id);
    EXPECT_EQ(std::set<DWORD>(std::begin(kWizardDialogIds), std::end(kWizardDialogIds)), ids);
    for (DWORD id : kWizardDialogIds) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        const LangDialog* record = tables_.FindDialog(id);
        ASSERT_NE(nullptr, record);
        EXPECT_STREQ(L"", record->title);
        std::vector<std::pair<int, bool>> children = WizardPageChildren(id);
        ASSERT_FALSE(children.empty());
        std::set<DWORD> named;
        for (DWORD i = 0; i < record->control_count; ++i) {
            const LangControl& control = record->controls[i];
            EXPECT_TRUE(named.empty() || control.ordinal > *named.rbegin()) << "ordinals must ascend";
            named.insert(control.ordinal);
            ASSERT_LE(control.ordinal, children.size());
            EXPECT_TRUE(children[control.ordinal - 1].second) << "names control " << control.ordinal;
            EXPECT_NE(L'\0', control.text[0]);
        }
        for (DWORD ordinal = 1; ordinal <= children.size(); ++ordinal) {
            bool makerLine = id == 107 && children[ordinal - 1].first == 265;  // the maker's name and address
            if (children[ordinal - 1].second && !makerLine) {
                EXPECT_EQ(1u, named.count(ordinal)) << "lacks control " << ordinal;
            }
        }
    }
}

TEST(AgreementTexts, AreUtf16WithByteOrderMarkAndCrLfLines)
{
    for (DWORD id : {11u, 12u}) {
        std::vector<BYTE> bytes = LanguageResourceBytes(id);
        ASSERT_GT(bytes.size(), 50u) << "agreement " << id;
        ASSERT_EQ(0u, bytes.size() % 2) << "agreement " << id;
        EXPECT_EQ(0xFF, bytes[0]);
        EXPECT_EQ(0xFE, bytes[1]);
        std::wstring text;
        for (size_t i = 2; i < bytes.size(); i += 2)
            text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        EXPECT_EQ(std::wstring::npos, text.find(L'\0')) << "agreement " << id;
        for (size_t pos = text.find(L'\n'); pos != std::wstring::npos; pos = text.find(L'\n', pos + 1))
            ASSERT_TRUE(pos > 0 && text[pos - 1] == L'\r') << "agreement " << id << " has a bare LF";
        EXPECT_NE(std::wstring::npos, text.find(L"Velmora Server")) << "agreement " << id;
        EXPECT_NE(std::wstring::npos, text.find(L"Brindleway Software Corp.")) << "agreement " << id;
        bool cyrillic = text.find_first_of(L"АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЭЮЯабвгдежзиклмнопрстуфхцчшщэюя") != std::wstring::npos;
        EXPECT_EQ(id == 12, cyrillic) << "agreement " << id;
    }
}
