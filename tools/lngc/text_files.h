#pragma once
#include <string>
#include <vector>

// Whole-file reading and writing for the language compiler.

// Reads a UTF-8 file (an optional byte-order mark is dropped) as UTF-16 text.
bool ReadUtf8File(const wchar_t* path, std::wstring& text, std::wstring& error);
bool WriteBinaryFile(const wchar_t* path, const std::vector<unsigned char>& bytes, std::wstring& error);
// Appends UTF-16LE code units to `bytes`.
void AppendUtf16(std::vector<unsigned char>& bytes, const std::wstring& text);
