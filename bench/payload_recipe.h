#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A synthetic server tree of about a given size: many small files in folders of a
// hundred, and a few large ones; half of the bytes compress like text, half not.
struct RecipeMember
{
    std::wstring name;
    INT32 size;          // -1 for a folder
    bool compressible;
    unsigned seed;
};

std::vector<RecipeMember> MakeRecipe(ULONGLONG totalBytes);

// The content of one member, produced in pieces of any size.
class ContentStream
{
public:
    ContentStream(bool compressible, unsigned seed);
    void Next(BYTE* out, DWORD count);

private:
    bool compressible_;
    unsigned state_;
    const char* word_;
};
