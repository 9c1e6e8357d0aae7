#pragma once
#include <windows.h>
#include <string>

// A uniquely named folder for one test, deleted with its contents at the end of the test.
// It lies in "velmora-tests" at the top of the system drive, not in the temporary folder:
// the setup refuses to install anywhere in there, and the tests install into these.
class TempFolder
{
public:
    explicit TempFolder(const wchar_t* tag)
    {
        static LONG counter = 0;
        wchar_t windows[MAX_PATH] = {};
        GetSystemWindowsDirectoryW(windows, MAX_PATH);
        wchar_t base[MAX_PATH] = {};
        wsprintfW(base, L"%c:\\velmora-tests\\", windows[0] ? windows[0] : L'C');
        CreateDirectoryW(base, nullptr);
        wchar_t name[MAX_PATH] = {};
        wsprintfW(name, L"%svelmora-%s-%lu-%lu-%ld", base, tag, GetCurrentProcessId(), GetTickCount(),
                  InterlockedIncrement(&counter));
        path_ = name;
        created_ = CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
    }
    // Deleted entry by entry with long-path names: Wine's shell delete, given a tree deeper
    // than MAX_PATH, empties the current folder instead.
    ~TempFolder()
    {
        if (created_)
            DeleteTree(L"\\\\?\\" + path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

    // Deletes `folder` and everything in it, never through a link.
    static void DeleteTree(const std::wstring& folder)
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                std::wstring child = folder + L"\\" + name;
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                    DeleteTree(child);
                } else {
                    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }

private:

    std::wstring path_;
    bool created_;
};

inline bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool WriteWholeFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

inline std::string ReadWholeFile(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}
