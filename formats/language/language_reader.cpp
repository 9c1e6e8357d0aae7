#include "formats/language/language_reader.h"

#include "formats/language/text_escapes.h"

namespace {

enum RecordType : DWORD { kStringRecord = 0, kDialogRecord = 1, kListRecord = 2 };
const DWORD kDialogMarker = 0xFFFFFFFF;
const size_t kRecordHeadSize = 12;
// Fewest bytes that one entry can take, so that a count read from the resource never
// allocates more entries than the rest of the resource could hold.
const size_t kMinDialogRecordSize = kRecordHeadSize + 4 + 4;  // head, marker, empty title
const size_t kMinListRecordSize = kRecordHeadSize;
const size_t kMinStringSize = 4 + 4;   // id, empty text
const size_t kMinControlSize = 4 + 4;  // ordinal, empty text
const size_t kMinItemSize = 4;         // a non-zero value

enum class Step { kNext, kStop, kFail };

class ByteCursor
{
public:
    ByteCursor(const BYTE* data, size_t size) : data_(data), size_(size) {}

    size_t Remaining() const { return size_ - pos_; }

    bool ReadNumber(DWORD& value)
    {
        if (Remaining() < 4)
            return false;
        const BYTE* p = data_ + pos_;
        value = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
        pos_ += 4;
        return true;
    }

    // A string field: byte length, then UTF-16LE text. A length that runs past the end
    // takes what is there; characters that do not fit `dest` are passed over.
    bool ReadText(wchar_t* dest, size_t capacity)
    {
        DWORD length = 0;
        if (!ReadNumber(length)) {
            dest[0] = 0;
            return false;
        }
        size_t available = length < Remaining() ? length : Remaining();
        DecodeFieldText(data_ + pos_, available / 2, dest, capacity);
        pos_ += available;
        return true;
    }

    void Skip(size_t bytes) { pos_ += bytes < Remaining() ? bytes : Remaining(); }

private:
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
};

DWORD Bounded(DWORD count, size_t remaining, size_t entrySize)
{
    size_t room = remaining / entrySize;
    return count < room ? count : static_cast<DWORD>(room);
}

Step ReadStrings(ByteCursor& cursor, DWORD count, CLanguageTables& tables)
{
    if (!tables.ResetStrings(Bounded(count, cursor.Remaining(), kMinStringSize)))
        return Step::kFail;
    for (DWORD i = 0; i < count; ++i) {
        DWORD id = 0;
        LangString* record = tables.NextString();
        if (!record || !cursor.ReadNumber(id))
            break;
        if (id < 1 || id > 65535)
            break;  // the rest of this record is read as the next record
        record->id = id;
        if (!cursor.ReadText(record->text, kLangTextCapacity))
            break;
        tables.CommitString();
    }
    return Step::kNext;
}

Step ReadDialog(ByteCursor& cursor, DWORD id, DWORD count, CLanguageTables& tables)
{
    DWORD marker = 0;
    if (!cursor.ReadNumber(marker) || marker != kDialogMarker)
        return Step::kNext;  // passed over without a record
    LangDialog* dialog = tables.NextDialog();
    if (!dialog)
        return Step::kStop;  // more dialogs than the header counted
    dialog->id = id;
    cursor.ReadText(dialog->title, kLangTitleCapacity);
    DWORD room = Bounded(count, cursor.Remaining(), kMinControlSize);
    dialog->controls = CLanguageTables::AllocateControls(room);
    if (room && !dialog->controls)
        return Step::kFail;
    tables.CommitDialog();
    for (DWORD i = 0; i < room; ++i) {
        LangControl& control = dialog->controls[dialog->control_count];
        if (!cursor.ReadNumber(control.ordinal) || !cursor.ReadText(control.text, kLangTextCapacity))
            break;
        ++dialog->control_count;
    }
    return Step::kNext;
}

Step ReadList(ByteCursor& cursor, DWORD id, DWORD count, CLanguageTables& tables)
{
    LangList* list = tables.NextList();
    if (!list)
        return Step::kStop;  // more lists than the header counted
    list->id = id;
    DWORD room = Bounded(count, cursor.Remaining(), kMinItemSize);
    list->items = CLanguageTables::AllocateItems(room);
    if (room && !list->items)
        return Step::kFail;
    tables.CommitList();
    for (DWORD i = 0; i < room; ++i) {
        LangListItem& item = list->items[list->item_count];
        if (!cursor.ReadNumber(item.value))
            break;
        if (item.value == 0 && !cursor.ReadText(item.text, kLangItemCapacity))
            break;
        ++list->item_count;
    }
    return Step::kNext;
}

} // namespace

bool ReadLanguageResource(const BYTE* data, size_t size, CLanguageTables& tables)
{
    if (!data || size < kLanguageHeaderSize) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    ByteCursor cursor(data, size);
    DWORD codePage = 0, dialogCount = 0, listCount = 0, descriptionLength = 0;
    cursor.ReadNumber(codePage);
    cursor.ReadNumber(dialogCount);
    cursor.ReadNumber(listCount);
    cursor.ReadNumber(descriptionLength);
    cursor.Skip(descriptionLength);

    if (!tables.ResetDialogsAndLists(Bounded(dialogCount, cursor.Remaining(), kMinDialogRecordSize),
                                     Bounded(listCount, cursor.Remaining(), kMinListRecordSize)))
        return false;

    while (cursor.Remaining() > kRecordHeadSize) {
        DWORD type = 0, id = 0, count = 0;
        cursor.ReadNumber(type);
        cursor.ReadNumber(id);
        cursor.ReadNumber(count);
        Step step;
        switch (type) {
        case kStringRecord: step = ReadStrings(cursor, count, tables); break;
        case kDialogRecord: step = ReadDialog(cursor, id, count, tables); break;
        case kListRecord: step = ReadList(cursor, id, count, tables); break;
        default: SetLastError(ERROR_INVALID_DATA); return false;
        }
        if (step == Step::kFail)
            return false;
        if (step == Step::kStop)
            break;
    }
    return true;
}
