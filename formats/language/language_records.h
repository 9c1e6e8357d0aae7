#pragma once
#include <windows.h>

// Records of a loaded language resource. Capacities count UTF-16 characters with the
// terminator, so a text holds one character less.
const size_t kLangTextCapacity = 512;
const size_t kLangTitleCapacity = 128;
const size_t kLangItemCapacity = 64;

struct LangString
{
    DWORD id;  // 1 to 65535
    wchar_t text[kLangTextCapacity];
};

struct LangControl
{
    DWORD ordinal;  // 1-based position among the dialog's child windows
    wchar_t text[kLangTextCapacity];
};

struct LangDialog
{
    DWORD id;  // dialog template id
    wchar_t title[kLangTitleCapacity];  // empty: the window keeps its own
    LangControl* controls;
    DWORD control_count;
};

struct LangListItem
{
    DWORD value;
    wchar_t text[kLangItemCapacity];  // empty unless value is 0
};

struct LangList
{
    DWORD id;
    LangListItem* items;
    DWORD item_count;
};
