// The run's transaction on changes that only write down what is done to them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/changes/change_transaction.h"

namespace {

// Writes "+A" when applied, "-A" when undone, "=A" when remembered, "~A" when deleted.
class FakeChange final : public MachineChange
{
public:
    FakeChange(wchar_t name, std::wstring& events, bool applies = true, bool undoes = true, wchar_t replaces = 0)
        : name_(name), events_(events), applies_(applies), undoes_(undoes), replaces_(replaces)
    {
    }
    ~FakeChange() override { Note(L'~'); }
    bool Apply() override
    {
        Note(L'+');
        SetLastError(applies_ ? 0 : ERROR_ACCESS_DENIED);
        return applies_;
    }
    bool Undo() override
    {
        Note(L'-');
        SetLastError(undoes_ ? 0 : ERROR_SHARING_VIOLATION);
        return undoes_;
    }
    // Says "A" when the change can be made; refuses like its Apply when it cannot.
    bool Preview(ChangePreview& preview) override
    {
        Note(L'?');
        if (applies_)
            preview.Say(Kind(), L"%c", name_);
        SetLastError(applies_ ? 0 : ERROR_ACCESS_DENIED);
        return applies_;
    }
    void Remember(RememberedInstallation& memory) const override
    {
        Note(L'=');
        memory.service_name[lstrlenW(memory.service_name)] = name_;
    }
    bool Replaces(const MachineChange& earlier) const override
    {
        const auto* fake = dynamic_cast<const FakeChange*>(&earlier);
        return fake && fake->name_ == replaces_;
    }
    const wchar_t* Kind() const override { return name_ == L'B' ? L"B" : L"other"; }

private:
    void Note(wchar_t what) const { events_ += std::wstring{what, name_, L' '}; }
    wchar_t name_;
    std::wstring& events_;
    bool applies_;
    bool undoes_;
    wchar_t replaces_;
};

enum class End
{
    kRollBack,
    kRollBackTwice,
    kCommit,
    kCommitThenRollBack,
    kDestroy,
};

struct Row
{
    const char* name;
    // Per change: its letter; lower case when its apply fails, '!' after it when its undo
    // does; '0' for one that could not be made (no memory), refused before anything is touched.
    const char* changes;
    End end;
    const wchar_t* events;  // after the applies
    int failedUndos;
    const wchar_t* remembered;
};

const Row kRows[] = {
    {"taken back last first", "ABC", End::kRollBack, L"-C ~C -B ~B -A ~A ", 0, L""},
    {"a failed apply is not recorded", "AbC", End::kRollBack, L"-C ~C -A ~A ", 0, L""},
    {"a change that could not be made is refused, what came before stays", "A0", End::kRollBack, L"-A ~A ", 0, L""},
    {"a failing undo does not stop the ones before it", "AB!C", End::kRollBack, L"-C ~C -B ~B -A ~A ", 1, L""},
    {"a second rollback finds nothing", "AB", End::kRollBackTwice, L"-B ~B -A ~A ", 0, L""},
    {"commit keeps all and remembers first first", "ABC", End::kCommit, L"=A ~A =B ~B =C ~C ", 0, L"ABC"},
    {"nothing is left to take back after a commit", "AB", End::kCommitThenRollBack, L"=A ~A =B ~B ", 0, L"AB"},
    {"what was neither kept nor taken back goes back", "AB", End::kDestroy, L"-B ~B -A ~A ", 0, L""},
};

TEST(ChangeTransaction, TakesBackWhatWasAppliedAndOnlyThat)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        std::wstring events;
        RememberedInstallation memory;
        RollBackReport report;
        {
            ChangeTransaction changes;
            for (const char* c = row.changes; *c; ++c) {
                if (*c == '!')
                    continue;
                const bool applies = *c >= 'A' && *c <= 'Z';
                const wchar_t name = static_cast<wchar_t>(applies ? *c : *c - 'a' + 'A');
                MachineChange* change = *c == '0' ? nullptr : new FakeChange(name, events, applies, c[1] != '!');
                EXPECT_EQ(applies, changes.Apply(change));
                EXPECT_EQ(applies ? 0u : change ? ERROR_ACCESS_DENIED : ERROR_OUTOFMEMORY, GetLastError());
            }
            events.clear();
            switch (row.end) {
            case End::kRollBack:
                report = changes.RollBack();
                break;
            case End::kRollBackTwice:
                changes.RollBack();
                report = changes.RollBack();
                break;
            case End::kCommit:
                changes.Commit(&memory);
                break;
            case End::kCommitThenRollBack:
                changes.Commit(&memory);
                report = changes.RollBack();
                break;
            case End::kDestroy:
                break;
            }
            if (row.end != End::kDestroy) {
                EXPECT_TRUE(changes.Empty());
            }
        }
        EXPECT_EQ(row.events, events);
        EXPECT_EQ(row.failedUndos, report.failed);
        if (row.failedUndos) {
            EXPECT_STREQ(L"B", report.first_kind);
            EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), report.first_error);
        }
        EXPECT_STREQ(row.remembered, memory.service_name);
    }
}

// A preview makes nothing: each change only says what it would do, a change that could
// not be made is refused as in the run, and nothing is left to take back or to keep.
TEST(ChangeTransaction, APreviewSaysEachChangeAndMakesNone)
{
    std::wstring events;
    ChangePreview preview;
    ChangeTransaction changes;
    changes.PreviewInto(preview);
    EXPECT_TRUE(changes.Apply(new FakeChange(L'A', events)));
    EXPECT_TRUE(changes.Apply(new FakeChange(L'B', events, true, true, L'A')));
    EXPECT_FALSE(changes.Apply(new FakeChange(L'C', events, false)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(changes.Apply(nullptr));
    EXPECT_EQ(L"?A ~A ?B ~B ?C ~C ", events);
    EXPECT_TRUE(changes.Empty());
    RememberedInstallation memory;
    changes.Commit(&memory);
    EXPECT_EQ(0, changes.RollBack().failed);
    EXPECT_EQ(L"?A ~A ?B ~B ?C ~C ", events);
    wchar_t said[64];
    preview.Write(said, 64);
    EXPECT_STREQ(L"other: A\r\nB: B\r\n", said);
}

} // namespace

// A change that makes an earlier one of the run needless takes it back when it is made, not
// before, and never takes back one whose undo failed from the record.
TEST(ChangeTransaction, AChangeThatReplacesAnEarlierOneTakesItBackWhenItIsMade)
{
    const struct
    {
        const char* name;
        bool aUndoes, cApplies;
        const wchar_t* applying;  // the events while C is applied
        const wchar_t* rolledBack;
    } rows[] = {
        {"replaced", true, true, L"+C -A ~A ", L"-C ~C -B ~B "},
        {"not made: nothing replaced", true, false, L"+C ~C ", L"-B ~B -A ~A "},
        {"its undo fails: it stays on record", false, true, L"+C -A ", L"-C ~C -B ~B -A ~A "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::wstring events;
        ChangeTransaction changes;
        ASSERT_TRUE(changes.Apply(new FakeChange(L'A', events, true, row.aUndoes)));
        ASSERT_TRUE(changes.Apply(new FakeChange(L'B', events)));
        events.clear();
        EXPECT_EQ(row.cApplies, changes.Apply(new FakeChange(L'C', events, row.cApplies, true, L'A')));
        EXPECT_EQ(row.applying, events);
        events.clear();
        changes.RollBack();
        EXPECT_EQ(row.rolledBack, events);
    }
}
