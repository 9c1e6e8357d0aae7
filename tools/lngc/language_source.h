#pragma once
#include <string>
#include <vector>

// A language resource as its source file describes it. The source is UTF-8 text, one
// statement a line; blank lines and lines starting with # are ignored:
//   codepage 1251
//   description "language=Russian,1049"
//   string <id> "<text>"          message text, id 1 to 65535
//   dialog <template id> "<title>" starts a dialog record (empty title: keep the window's)
//   control <ordinal> "<text>"     text of the dialog's child window at that position
// A text runs from the first to the last double quote of its line, so it may hold
// quotes and blanks at either end; it is stored as written, escapes (\n, \r, \t)
// included, for the program to translate when it loads the resource.
struct SourceText
{
    unsigned long id;
    std::wstring text;
};

struct SourceDialog
{
    unsigned long id;
    std::wstring title;
    std::vector<SourceText> controls;
};

struct LanguageSource
{
    unsigned long code_page = 0;
    std::wstring description;
    std::vector<SourceText> strings;
    std::vector<SourceDialog> dialogs;
};

// Parses and checks the source: known statements, unique string and dialog ids,
// ordinals ascending within a dialog, texts without control characters other than TAB
// and short enough for the program's fields. On failure `error` names the line.
bool ParseLanguageSource(const std::wstring& source, LanguageSource& language, std::wstring& error);
