#pragma once
#include <windows.h>
#include <stddef.h>

// What the setup made in an installation folder, kept in the folder so that removing the
// installation takes exactly that and nothing an administrator put there. The file
// "uninstall.lst" holds UTF-8 lines ended by CR LF: "folder" when the setup made the
// installation folder itself, then "D <path>" for each folder and "F <path>" for each file
// that it made, and "T <path>" for a folder that it made with everything in it, paths
// relative to the installation folder and separated by "\". Written as the work goes, so
// that a run stopped half-way is still on record; an upgrade adds to the record it finds.
extern const wchar_t kInstallationRecordName[];

enum class RecordedKind : char
{
    kFolder = 'D',
    kFile = 'F',
    kTree = 'T',  // a folder made with everything in it
};

class InstallationRecordWriter
{
public:
    InstallationRecordWriter() = default;
    ~InstallationRecordWriter();
    InstallationRecordWriter(const InstallationRecordWriter&) = delete;
    InstallationRecordWriter& operator=(const InstallationRecordWriter&) = delete;

    // Opens the record of `folder`, adding to one that exists; `madeFolder` is written
    // first when the record is new. False, with the reason in the last error, on failure.
    bool Open(const wchar_t* folder, bool madeFolder);
    // One entry; `path` relative to the folder. False when it cannot be written, and
    // ERROR_INVALID_NAME for a path that IsRelativePathKeptAsWritten refuses.
    bool Add(RecordedKind kind, const wchar_t* path);
    void Close();
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// A record read whole, its entries checked, as the record lies in the folder it describes
// and is no more trusted than the folder. An entry whose path IsRelativePathKeptAsWritten
// refuses (one that leaves the folder, or that Windows reads as another name) is passed
// over: acting on it could take what the record does not name, and the entries around it
// still go. A line that is no entry at all refuses the whole record: no setup wrote it.
class InstallationRecord
{
public:
    InstallationRecord() = default;
    ~InstallationRecord();
    InstallationRecord(const InstallationRecord&) = delete;
    InstallationRecord& operator=(const InstallationRecord&) = delete;

    // False, with the reason in the last error: ERROR_FILE_NOT_FOUND when there is no
    // record, ERROR_INVALID_DATA when a line is not an entry.
    bool Load(const wchar_t* folder);
    bool MadeFolder() const { return madeFolder_; }
    size_t Count() const { return count_; }
    // How many entries were passed over.
    size_t PassedOver() const { return passedOver_; }
    // Entry `index` (0 to Count() - 1), in the order they were made.
    RecordedKind Kind(size_t index) const { return static_cast<RecordedKind>(text_[starts_[index] - 2]); }
    const wchar_t* Path(size_t index) const { return text_ + starts_[index]; }

private:
    wchar_t* text_ = nullptr;
    size_t* starts_ = nullptr;
    size_t count_ = 0;
    size_t passedOver_ = 0;
    bool madeFolder_ = false;
};
