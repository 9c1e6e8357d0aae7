#include "formats/language/language_tables.h"

namespace {

// Zero-filled array of `count` records from the process heap; null when the size does
// not fit into memory at all or the heap refuses.
template <typename Record>
Record* AllocateRecords(DWORD count)
{
    if (count == 0)
        return nullptr;
    if (count > static_cast<size_t>(-1) / sizeof(Record)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(Record));
    if (!block)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<Record*>(block);
}

void FreeRecords(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

} // namespace

CLanguageTables::~CLanguageTables()
{
    FreeAll();
}

bool CLanguageTables::ResetDialogsAndLists(DWORD dialogCapacity, DWORD listCapacity)
{
    FreeDialogsAndLists();
    dialogs_ = AllocateRecords<LangDialog>(dialogCapacity);
    lists_ = AllocateRecords<LangList>(listCapacity);
    dialog_capacity_ = dialogs_ ? dialogCapacity : 0;
    list_capacity_ = lists_ ? listCapacity : 0;
    return dialog_capacity_ == dialogCapacity && list_capacity_ == listCapacity;
}

bool CLanguageTables::ResetStrings(DWORD capacity)
{
    FreeStrings();
    strings_ = AllocateRecords<LangString>(capacity);
    string_capacity_ = strings_ ? capacity : 0;
    return string_capacity_ == capacity;
}

void CLanguageTables::FreeAll()
{
    FreeStrings();
    FreeDialogsAndLists();
}

void CLanguageTables::FreeStrings()
{
    FreeRecords(strings_);
    strings_ = nullptr;
    string_count_ = string_capacity_ = 0;
}

void CLanguageTables::FreeDialogsAndLists()
{
    for (DWORD i = 0; i < dialog_count_; ++i)
        FreeRecords(dialogs_[i].controls);
    for (DWORD i = 0; i < list_count_; ++i)
        FreeRecords(lists_[i].items);
    FreeRecords(dialogs_);
    FreeRecords(lists_);
    dialogs_ = nullptr;
    lists_ = nullptr;
    dialog_count_ = dialog_capacity_ = 0;
    list_count_ = list_capacity_ = 0;
}

LangString* CLanguageTables::NextString()
{
    return string_count_ < string_capacity_ ? &strings_[string_count_] : nullptr;
}

LangDialog* CLanguageTables::NextDialog()
{
    return dialog_count_ < dialog_capacity_ ? &dialogs_[dialog_count_] : nullptr;
}

LangList* CLanguageTables::NextList()
{
    return list_count_ < list_capacity_ ? &lists_[list_count_] : nullptr;
}

LangControl* CLanguageTables::AllocateControls(DWORD count)
{
    return AllocateRecords<LangControl>(count);
}

LangListItem* CLanguageTables::AllocateItems(DWORD count)
{
    return AllocateRecords<LangListItem>(count);
}

const LangString* CLanguageTables::FindString(DWORD id) const
{
    for (DWORD i = 0; i < string_count_; ++i)
        if (strings_[i].id == id)
            return &strings_[i];
    return nullptr;
}

const LangDialog* CLanguageTables::FindDialog(DWORD id) const
{
    for (DWORD i = 0; i < dialog_count_; ++i)
        if (dialogs_[i].id == id)
            return &dialogs_[i];
    return nullptr;
}
