#include "tools/payload-builder/folder_packer.h"

#include "base/relative_path_rules.h"
#include "base/scoped_handle.h"

#include <algorithm>
#include <string.h>
#include <vector>

namespace {

struct Found
{
    std::wstring name;
    bool directory;
};

bool ListFolder(const std::wstring& folder, std::vector<Found>& found)
{
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
            found.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(search, &data));
    DWORD error = GetLastError();
    FindClose(search);
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return _wcsicmp(a.name.c_str(), b.name.c_str()) < 0; });
    return error == ERROR_NO_MORE_FILES;
}

bool MakeEntry(const std::wstring& path, const std::wstring& name, const CKeepList& keep,
               PayloadEntry& entry, WIN32_FILE_ATTRIBUTE_DATA& info)
{
    memset(&entry, 0, sizeof(entry));
    if (name.size() >= 260) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info))
        return false;
    wcscpy(entry.name, name.c_str());
    entry.creationTime = info.ftCreationTime;
    entry.lastAccessTime = info.ftLastAccessTime;
    entry.lastWriteTime = info.ftLastWriteTime;
    entry.attributes = info.dwFileAttributes;
    entry.replace = keep.Keeps(entry.name) ? 0 : 1;
    return true;
}

bool PackFile(const std::wstring& path, PayloadEntry& entry, const WIN32_FILE_ATTRIBUTE_DATA& info,
              CPayloadWriter& writer, PackResult& result)
{
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow > 0x7FFFFFFF) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    entry.size = static_cast<INT32>(info.nFileSizeLow);
    if (!writer.AddEntry(entry))
        return false;
    // Exactly the size announced, even if the file changes meanwhile.
    static BYTE chunk[65536];
    DWORD left = info.nFileSizeLow;
    while (left > 0) {
        DWORD want = left < sizeof(chunk) ? left : sizeof(chunk);
        DWORD read = 0;
        if (!ReadFile(file.Get(), chunk, want, &read, nullptr) || read != want) {
            SetLastError(ERROR_READ_FAULT);
            return false;
        }
        if (!writer.AddContent(chunk, read))
            return false;
        left -= read;
    }
    ++result.files;
    result.contentBytes += info.nFileSizeLow;
    return true;
}

bool PackBelow(const std::wstring& root, const std::wstring& relative, const CKeepList& keep,
               CPayloadWriter& writer, PackResult& result)
{
    std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    std::vector<Found> found;
    if (!ListFolder(folder, found)) {
        result.failedPath = folder;
        return false;
    }
    for (const Found& item : found) {
        std::wstring name = relative.empty() ? item.name : relative + L"\\" + item.name;
        std::wstring path = folder + L"\\" + item.name;
        // The setup would write it under another name, or refuse the whole archive.
        if (!IsRelativePathKeptAsWritten(name.c_str())) {
            result.failedPath = path;
            result.nameRefused = true;
            SetLastError(ERROR_INVALID_NAME);
            return false;
        }
        PayloadEntry entry;
        WIN32_FILE_ATTRIBUTE_DATA info;
        if (!MakeEntry(path, name, keep, entry, info)) {
            result.failedPath = path;
            return false;
        }
        result.longestPath = std::max(result.longestPath, name.size());
        if (item.directory) {
            entry.size = kPayloadDirectorySize;
            if (!writer.AddEntry(entry) || !PackBelow(root, name, keep, writer, result)) {
                if (result.failedPath.empty())
                    result.failedPath = path;
                return false;
            }
            ++result.folders;
        } else if (!PackFile(path, entry, info, writer, result)) {
            result.failedPath = path;
            return false;
        }
    }
    return true;
}

}  // namespace

bool PackFolder(const wchar_t* root, const CKeepList& keep, CPayloadWriter& writer, PackResult& result)
{
    std::wstring base(root);
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/'))
        base.pop_back();
    return PackBelow(base, std::wstring(), keep, writer, result);
}
