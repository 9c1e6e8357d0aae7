#pragma once
#include <vector>
#include "language_source.h"

// Lays the language out in the program's binary "LNG" format: header (code page, dialog
// count, list count, description field), one string record, one record per dialog.
// Numbers are 32-bit little-endian; a text field is its byte length and UTF-16LE text.
std::vector<unsigned char> WriteLanguageResource(const LanguageSource& language);

// An agreement text as the program shows it: UTF-16LE with byte-order mark, no
// terminator, every line ending in CR LF.
std::vector<unsigned char> WriteAgreementText(const std::wstring& text);
