#pragma once
#include <windows.h>

// One change that the setup made to the machine, and how to take it back.
class UndoEntry
{
public:
    virtual ~UndoEntry() = default;
    // Puts back what the change replaced. Nobody can act on a failure here: it is not
    // reported, and the entries before this one are undone all the same.
    virtual void Undo() = 0;

private:
    friend class UndoJournal;
    UndoEntry* previous_ = nullptr;
};

// What the setup changed on the machine for a new installation, in the order of the
// changes, from the wizard's pages (folder, certificate, hosts file) to the installation's
// last step. Each entry goes in at the moment its change succeeded; when the installation
// does not complete, Undo takes the changes back in reverse order, and the machine is as it
// was before the setup ran. The pages and the worker thread append in turn, never at once.
class UndoJournal
{
public:
    UndoJournal() = default;
    ~UndoJournal() { Forget(); }
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;

    // Takes `entry` (made with new) over; null, from an allocation that failed, is ignored.
    void Add(UndoEntry* entry);
    // Undoes every entry, the last first, and empties the journal.
    void Undo();
    // Keeps every change (the installation completed) and empties the journal.
    void Forget();
    bool Empty() const { return last_ == nullptr; }

private:
    UndoEntry* last_ = nullptr;
};

// The setup's one journal.
extern UndoJournal g_undoJournal;
