#include "bench/bench_tree.h"

namespace {

const DWORD kPiece = 65536;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

FILETIME LastWriteOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// Empty when the file holds exactly the member's content.
std::string CompareContent(const RecipeMember& member, const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "missing " + Narrow(member.name);
    static BYTE expected[kPiece], actual[kPiece];
    ContentStream stream(member.compressible, member.seed);
    std::string difference;
    for (INT32 left = member.size; left > 0 && difference.empty();) {
        DWORD piece = left < static_cast<INT32>(kPiece) ? static_cast<DWORD>(left) : kPiece, got = 0;
        stream.Next(expected, piece);
        if (!ReadFile(file, actual, piece, &got, nullptr) || got != piece || memcmp(expected, actual, piece) != 0)
            difference = "content of " + Narrow(member.name);
        left -= piece;
    }
    DWORD extra = 0;
    if (difference.empty() && ReadFile(file, actual, 1, &extra, nullptr) && extra != 0)
        difference = "length of " + Narrow(member.name);
    CloseHandle(file);
    return difference;
}

}  // namespace

FILETIME RecipeTime(size_t index)
{
    // 2021-03-04 05:06:08 UTC, then a minute per member: even seconds, which the peer's
    // two-second time stamps keep exactly.
    ULONGLONG ticks = 132593079680000000ull + static_cast<ULONGLONG>(index) * 600000000ull;
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return time;
}

bool WriteRecipeTree(const std::vector<RecipeMember>& recipe, const std::wstring& folder)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    static BYTE chunk[kPiece];
    for (size_t i = 0; i < recipe.size(); ++i) {
        const RecipeMember& member = recipe[i];
        std::wstring path = folder + L"\\" + member.name;
        if (member.size < 0) {
            if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
            continue;
        }
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        ContentStream stream(member.compressible, member.seed);
        bool written = true;
        for (INT32 left = member.size; left > 0 && written;) {
            DWORD piece = left < static_cast<INT32>(kPiece) ? static_cast<DWORD>(left) : kPiece, done = 0;
            stream.Next(chunk, piece);
            written = WriteFile(file, chunk, piece, &done, nullptr) && done == piece;
            left -= piece;
        }
        FILETIME time = RecipeTime(i);
        written = written && SetFileTime(file, &time, &time, &time);
        CloseHandle(file);
        if (!written)
            return false;
    }
    return true;
}

std::string CheckRecipeTree(const std::vector<RecipeMember>& recipe, const std::wstring& folder, bool folderTimes)
{
    for (size_t i = 0; i < recipe.size(); ++i) {
        const RecipeMember& member = recipe[i];
        std::wstring path = folder + L"\\" + member.name;
        if (member.size >= 0) {
            std::string difference = CompareContent(member, path);
            if (!difference.empty())
                return difference;
        } else if (!folderTimes) {
            continue;
        }
        FILETIME expected = RecipeTime(i), actual = LastWriteOf(path);
        if (CompareFileTime(&expected, &actual) != 0)
            return (member.size < 0 ? "time of folder " : "time of ") + Narrow(member.name);
    }
    return std::string();
}
