#include "bench/payload_recipe.h"

namespace {

const char* const kWords[] = {"server ", "mailbox ", "calendar ", "\r\n", "contact ", "<div class=\"x\">",
                              "0123456789 ", "function(){return}; ", "Subject: ", "</td><td>"};
const int kWordCount = sizeof(kWords) / sizeof(kWords[0]);

}  // namespace

std::vector<RecipeMember> MakeRecipe(ULONGLONG totalBytes)
{
    std::vector<RecipeMember> members;
    members.push_back({L"bin", -1, false, 0});
    members.push_back({L"data", -1, false, 0});
    // Half of the bytes in four large files, two of each kind.
    ULONGLONG large = totalBytes / 8;
    for (int i = 0; i < 4; ++i)
        members.push_back({L"bin\\large" + std::to_wstring(i) + (i % 2 ? L".dat" : L".txt"),
                           static_cast<INT32>(large), i % 2 == 0, 1000u + i});
    // The other half in small files of 0 to 64 KiB.
    ULONGLONG left = totalBytes - 4 * large;
    unsigned state = 99;
    for (int index = 0; left > 0; ++index) {
        if (index % 100 == 0)
            members.push_back({L"data\\d" + std::to_wstring(index / 100), -1, false, 0});
        state = state * 1103515245u + 12345u;
        ULONGLONG size = (state >> 8) % 65537;
        if (size > left)
            size = left;
        left -= size;
        members.push_back({L"data\\d" + std::to_wstring(index / 100) + L"\\f" + std::to_wstring(index) +
                               (index % 2 ? L".bin" : L".html"),
                           static_cast<INT32>(size), index % 2 == 0, 5000u + index});
    }
    return members;
}

ContentStream::ContentStream(bool compressible, unsigned seed)
    : compressible_(compressible), state_(seed * 2654435761u + 7), word_(kWords[0])
{
}

void ContentStream::Next(BYTE* out, DWORD count)
{
    for (DWORD i = 0; i < count; ++i) {
        if (compressible_) {
            if (*word_ == 0) {
                state_ = state_ * 1103515245u + 12345u;
                word_ = kWords[(state_ >> 16) % kWordCount];
            }
            out[i] = static_cast<BYTE>(*word_++);
        } else {
            state_ = state_ * 1103515245u + 12345u;
            out[i] = static_cast<BYTE>(state_ >> 23);
        }
    }
}
