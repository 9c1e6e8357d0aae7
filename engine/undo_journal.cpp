#include "engine/undo_journal.h"

UndoJournal g_undoJournal;

void UndoJournal::Add(UndoEntry* entry)
{
    if (entry == nullptr)
        return;
    entry->previous_ = last_;
    last_ = entry;
}

void UndoJournal::Undo()
{
    while (last_ != nullptr) {
        UndoEntry* entry = last_;
        last_ = entry->previous_;
        entry->Undo();
        delete entry;
    }
}

void UndoJournal::Forget()
{
    while (last_ != nullptr) {
        UndoEntry* entry = last_;
        last_ = entry->previous_;
        delete entry;
    }
}
