// lngc: the language compiler of the build. Turns the readable UTF-8 sources of
// resources/lng/ into the binary resources that resources/ui.rc embeds.
//   lngc language <source.txt> <output> [<strings.rc>]   binary language resource; with
//                                      the English string table, its format fields checked
//   lngc text <source.txt> <output>       UTF-16LE agreement text with byte-order mark
#include <stdio.h>
#include <wchar.h>

#include "format_fields.h"
#include "language_source.h"
#include "language_writer.h"
#include "text_files.h"

namespace {

int Fail(const wchar_t* path, const std::wstring& error)
{
    fwprintf(stderr, L"lngc: %ls: %ls\n", path, error.c_str());
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool language = argc >= 2 && wcscmp(argv[1], L"language") == 0;
    if (!(argc == 4 || (language && argc == 5)) || (!language && wcscmp(argv[1], L"text") != 0)) {
        fwprintf(stderr, L"usage: lngc language <source.txt> <output> [<strings.rc>] | text <source.txt> <output>\n");
        return 2;
    }
    const wchar_t* sourcePath = argv[2];
    const wchar_t* outputPath = argv[3];
    std::wstring source, error;
    if (!ReadUtf8File(sourcePath, source, error))
        return Fail(sourcePath, error);

    std::vector<unsigned char> output;
    if (language) {
        LanguageSource parsed;
        if (!ParseLanguageSource(source, parsed, error))
            return Fail(sourcePath, error);
        if (argc == 5) {
            std::wstring table;
            std::map<unsigned long, std::wstring> english;
            if (!ReadUtf8File(argv[4], table, error) || !ParseEnglishStringTable(table, english, error))
                return Fail(argv[4], error);
            if (!CheckFormatFields(parsed, english, error))
                return Fail(sourcePath, error);
        }
        output = WriteLanguageResource(parsed);
    } else {
        if (source.find(L'\0') != std::wstring::npos)
            return Fail(sourcePath, L"NUL character in text");
        output = WriteAgreementText(source);
    }
    if (!WriteBinaryFile(outputPath, output, error))
        return Fail(outputPath, error);
    return 0;
}
