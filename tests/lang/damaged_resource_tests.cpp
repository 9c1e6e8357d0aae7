// Damaged copies of the Russian resource through the loader: truncated at every length
// and randomly mutated (fixed seed). The input ends at an inaccessible page, so a read
// past its end faults; texts are fetched into guarded buffers; English stays in force for
// every message the copy did not give.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <wchar.h>

#include "lang/lang_test_support.h"
#include "formats/language/language.h"
#include "formats/language/language_reader.h"

namespace {

class DamagedResource : public testing::Test
{
protected:
    void SetUp() override
    {
        original_ = LanguageResourceBytes(13);
        ASSERT_GT(original_.size(), kLanguageHeaderSize);
        for (UINT id : MessageIds())
            english_[id] = BuiltInText(id);
    }

    // Every record within its array, every text terminated inside its field.
    static void ExpectTablesInBounds(const CLanguageTables& tables, size_t trial)
    {
        ASSERT_LE(tables.StringCount(), tables.StringCapacity()) << trial;
        ASSERT_LE(tables.DialogCount(), tables.DialogCapacity()) << trial;
        ASSERT_LE(tables.ListCount(), tables.ListCapacity()) << trial;
        for (DWORD i = 0; i < tables.StringCount(); ++i)
            ASSERT_LT(wcsnlen(tables.Strings()[i].text, kLangTextCapacity), kLangTextCapacity) << trial;
        for (DWORD i = 0; i < tables.DialogCount(); ++i) {
            const LangDialog& dialog = tables.Dialogs()[i];
            ASSERT_LT(wcsnlen(dialog.title, kLangTitleCapacity), kLangTitleCapacity) << trial;
            for (DWORD c = 0; c < dialog.control_count; ++c)
                ASSERT_LT(wcsnlen(dialog.controls[c].text, kLangTextCapacity), kLangTextCapacity) << trial;
        }
        for (DWORD i = 0; i < tables.ListCount(); ++i)
            for (DWORD c = 0; c < tables.Lists()[i].item_count; ++c)
                ASSERT_LT(wcsnlen(tables.Lists()[i].items[c].text, kLangItemCapacity), kLangItemCapacity) << trial;
    }

    void CheckDamaged(const std::vector<BYTE>& damaged, size_t trial)
    {
        const BYTE* data = guarded_.Place(damaged);

        CLanguageTables tables;
        ReadLanguageResource(data, damaged.size(), tables);
        ASSERT_NO_FATAL_FAILURE(ExpectTablesInBounds(tables, trial));

        CLanguage language;
        language.LoadLanguageData(data, damaged.size());
        for (const auto& [id, english] : english_) {
            GuardedText text(kLangTextCapacity);
            bool fromResource = language.GetString(id, text.Buffer(), kLangTextCapacity);
            ASSERT_TRUE(text.GuardsIntact()) << trial << " message " << id;
            if (!fromResource) {
                ASSERT_EQ(english, text.Buffer()) << trial << " message " << id;
            }
        }

        if (trial % 500 == 0) {
            ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << trial;
        }
    }

    std::vector<BYTE> original_;
    std::map<UINT, std::wstring> english_;
    GuardedBytes guarded_{64 * 1024};
};

} // namespace

TEST_F(DamagedResource, TruncatedOrMutatedStaysInBoundsAndKeepsEnglishForTheRest)
{
    for (size_t length = 0; length <= original_.size(); ++length) {
        ASSERT_NO_FATAL_FAILURE(CheckDamaged(std::vector<BYTE>(original_.begin(), original_.begin() + length), length));
    }
    // Values that make counts and lengths lie.
    const DWORD lies[] = {0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0x10000, 0, 1, 3,
                          static_cast<DWORD>(original_.size()), static_cast<DWORD>(original_.size() + 1)};
    std::mt19937 random(20261206);
    for (size_t trial = 0; trial < 4000; ++trial) {
        std::vector<BYTE> damaged = original_;
        int changes = 1 + random() % 8;
        for (int i = 0; i < changes; ++i) {
            size_t at = random() % damaged.size();
            DWORD kind = random() % 4, lie = lies[random() % (sizeof lies / sizeof lies[0])];
            if (kind == 0)  // a count or length that lies
                for (size_t b = 0; b < 4 && at + b < damaged.size(); ++b)
                    damaged[at + b] = static_cast<BYTE>(lie >> (8 * b));
            else if (kind == 1)  // a control character or escape into a text
                damaged[at & ~static_cast<size_t>(1)] = static_cast<BYTE>("\x00\x01\x0A\x0D\x1F\x7F\\|^"[random() % 9]);
            else
                damaged[at] = static_cast<BYTE>(random());
        }
        if (random() % 4 == 0)
            damaged.resize(random() % (damaged.size() + 1));
        ASSERT_NO_FATAL_FAILURE(CheckDamaged(damaged, original_.size() + 1 + trial));  // numbered after the truncations
    }
}
