#pragma once
#include <map>
#include <string>
#include <vector>

#include "language_source.h"

// The program formats its message texts with printf-style fields: a translation whose
// fields differ from the English text's (another count, order or kind) would read the
// wrong arguments, or past them. The build compares them and stops on a difference.

// The fields of `text` in order, each as written ("%s", "%lu", "%-10.3d"); "%%" is none.
std::vector<std::wstring> FormatFields(const std::wstring& text);

// The English texts of the string table in resources/strings.rc, by id: lines
// `  <id> "<text>"` between BEGIN and END, with "" as one quote.
bool ParseEnglishStringTable(const std::wstring& source, std::map<unsigned long, std::wstring>& texts,
                             std::wstring& error);

// Every translated text against the English text of its id: false with `error` naming the
// first id that has no English text or other fields.
bool CheckFormatFields(const LanguageSource& language, const std::map<unsigned long, std::wstring>& english,
                       std::wstring& error);
