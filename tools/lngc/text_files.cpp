#include "text_files.h"

#include <windows.h>
#include <stdio.h>

bool ReadUtf8File(const wchar_t* path, std::wstring& text, std::wstring& error)
{
    FILE* file = _wfopen(path, L"rb");
    if (!file) {
        error = L"cannot open the file";
        return false;
    }
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    text.clear();
    if (bytes.empty())
        return true;
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                     nullptr, 0);
    if (length <= 0) {
        error = L"the file is not valid UTF-8";
        return false;
    }
    text.resize(length);
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
    return true;
}

bool WriteBinaryFile(const wchar_t* path, const std::vector<unsigned char>& bytes, std::wstring& error)
{
    FILE* file = _wfopen(path, L"wb");
    if (!file) {
        error = L"cannot create the file";
        return false;
    }
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (fclose(file) != 0)
        written = false;
    if (!written) {
        error = L"cannot write the file";
        _wremove(path);
    }
    return written;
}

void AppendUtf16(std::vector<unsigned char>& bytes, const std::wstring& text)
{
    for (wchar_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>(c >> 8));
    }
}
