#pragma once
#include <windows.h>

// The two escape passes of language texts.

// Decodes `charCount` UTF-16LE characters of a resource's string field (any alignment)
// into `dest`: \n, \r and \t become LF, CR and TAB; a backslash before any other
// character stays and that character is read normally. Control characters other than
// TAB in the field are dropped. Writes at most capacity - 1 characters and a terminator;
// returns the characters written.
size_t DecodeFieldText(const BYTE* field, size_t charCount, wchar_t* dest, size_t capacity);

// Expands a stored message text into `dest`: \0 ends the text, \\ gives one backslash,
// \n gives LF, \t gives TAB, | gives CR and ^ gives TAB; a backslash before any other
// character is copied and that character is copied normally. Writes at most
// capacity - 1 characters and a terminator; returns the characters written.
size_t ExpandMessageText(const wchar_t* stored, wchar_t* dest, size_t capacity);
