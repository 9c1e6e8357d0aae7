#pragma once
#include <functional>
#include <utility>

// Runs `undo` when it goes: a test's clean-up of what it made or changed, which a failing
// ASSERT, leaving the test early, would otherwise skip.
//
//     AtScopeExit entry([&] { RemoveUninstallEntriesOfFolder(folder.c_str()); });
class AtScopeExit
{
public:
    explicit AtScopeExit(std::function<void()> undo) : undo_(std::move(undo)) {}
    ~AtScopeExit() { undo_(); }
    AtScopeExit(const AtScopeExit&) = delete;
    AtScopeExit& operator=(const AtScopeExit&) = delete;

private:
    std::function<void()> undo_;
};
