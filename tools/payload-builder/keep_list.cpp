#include "tools/payload-builder/keep_list.h"

#include "base/scoped_handle.h"

#include <windows.h>
#include <wchar.h>

namespace {

std::wstring Normalized(std::wstring path)
{
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    size_t first = path.find_first_not_of(L" \t\\");
    size_t last = path.find_last_not_of(L" \t\r\\");
    if (first == std::wstring::npos)
        return std::wstring();
    path = path.substr(first, last - first + 1);
    if (path.compare(0, 2, L".\\") == 0)
        path = path.substr(2);
    return path;
}

}  // namespace

bool CKeepList::Load(const wchar_t* path)
{
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        text.append(chunk, read);

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        size_t comment = line.find('#');
        if (comment != std::string::npos)
            line.erase(comment);
        if (line.empty())
            continue;
        int length = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        std::wstring wide(length, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &wide[0], length);
        Add(wide);
    }
    return true;
}

void CKeepList::Add(const std::wstring& path)
{
    std::wstring normalized = Normalized(path);
    if (!normalized.empty())
        paths_.push_back(normalized);
}

bool CKeepList::Keeps(const wchar_t* name) const
{
    size_t nameLength = wcslen(name);
    for (const std::wstring& kept : paths_) {
        size_t length = kept.size();
        if (nameLength >= length && _wcsnicmp(name, kept.c_str(), length) == 0 &&
            (nameLength == length || name[length] == L'\\'))
            return true;
    }
    return false;
}
