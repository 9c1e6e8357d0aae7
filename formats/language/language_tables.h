#pragma once
#include "formats/language/language_records.h"

// Owner of the record arrays of the loaded language. Each array is allocated with room
// for a known number of records (its capacity) and never holds more.
class CLanguageTables
{
public:
    CLanguageTables() = default;
    ~CLanguageTables();
    CLanguageTables(const CLanguageTables&) = delete;
    CLanguageTables& operator=(const CLanguageTables&) = delete;

    // Frees the dialog and list arrays and allocates empty ones with the given room.
    bool ResetDialogsAndLists(DWORD dialogCapacity, DWORD listCapacity);
    // Frees the string array and allocates an empty one with the given room.
    bool ResetStrings(DWORD capacity);
    void FreeAll();

    // Next free record, or null when the array is full; Commit* makes it count.
    LangString* NextString();
    void CommitString() { ++string_count_; }
    LangDialog* NextDialog();
    void CommitDialog() { ++dialog_count_; }
    LangList* NextList();
    void CommitList() { ++list_count_; }

    // Arrays owned by a dialog or list record, allocated zero-filled (null on failure).
    static LangControl* AllocateControls(DWORD count);
    static LangListItem* AllocateItems(DWORD count);

    // First record with the id, in stored order; null when there is none.
    const LangString* FindString(DWORD id) const;
    const LangDialog* FindDialog(DWORD id) const;

    const LangString* Strings() const { return strings_; }
    DWORD StringCount() const { return string_count_; }
    DWORD StringCapacity() const { return string_capacity_; }
    const LangDialog* Dialogs() const { return dialogs_; }
    DWORD DialogCount() const { return dialog_count_; }
    DWORD DialogCapacity() const { return dialog_capacity_; }
    const LangList* Lists() const { return lists_; }
    DWORD ListCount() const { return list_count_; }
    DWORD ListCapacity() const { return list_capacity_; }

private:
    void FreeStrings();
    void FreeDialogsAndLists();

    LangString* strings_ = nullptr;
    DWORD string_count_ = 0;
    DWORD string_capacity_ = 0;
    LangDialog* dialogs_ = nullptr;
    DWORD dialog_count_ = 0;
    DWORD dialog_capacity_ = 0;
    LangList* lists_ = nullptr;
    DWORD list_count_ = 0;
    DWORD list_capacity_ = 0;
};
