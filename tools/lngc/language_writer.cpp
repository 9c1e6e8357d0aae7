#include "language_writer.h"

#include "text_files.h"

namespace {

void AppendNumber(std::vector<unsigned char>& bytes, unsigned long value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<unsigned char>((value >> shift) & 0xFF));
}

void AppendField(std::vector<unsigned char>& bytes, const std::wstring& text)
{
    AppendNumber(bytes, static_cast<unsigned long>(text.size() * 2));
    AppendUtf16(bytes, text);
}

const unsigned long kStringRecord = 0;
const unsigned long kDialogRecord = 1;
const unsigned long kDialogMarker = 0xFFFFFFFF;

} // namespace

std::vector<unsigned char> WriteLanguageResource(const LanguageSource& language)
{
    std::vector<unsigned char> bytes;
    AppendNumber(bytes, language.code_page);
    AppendNumber(bytes, static_cast<unsigned long>(language.dialogs.size()));
    AppendNumber(bytes, 0);  // no list records
    AppendField(bytes, language.description);

    AppendNumber(bytes, kStringRecord);
    AppendNumber(bytes, 0);
    AppendNumber(bytes, static_cast<unsigned long>(language.strings.size()));
    for (const SourceText& string : language.strings) {
        AppendNumber(bytes, string.id);
        AppendField(bytes, string.text);
    }
    for (const SourceDialog& dialog : language.dialogs) {
        AppendNumber(bytes, kDialogRecord);
        AppendNumber(bytes, dialog.id);
        AppendNumber(bytes, static_cast<unsigned long>(dialog.controls.size()));
        AppendNumber(bytes, kDialogMarker);
        AppendField(bytes, dialog.title);
        for (const SourceText& control : dialog.controls) {
            AppendNumber(bytes, control.id);
            AppendField(bytes, control.text);
        }
    }
    return bytes;
}

std::vector<unsigned char> WriteAgreementText(const std::wstring& text)
{
    std::wstring lines;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r')
            continue;
        if (text[i] == L'\n')
            lines += L'\r';
        lines += text[i];
    }
    std::vector<unsigned char> bytes = {0xFF, 0xFE};
    AppendUtf16(bytes, lines);
    return bytes;
}
