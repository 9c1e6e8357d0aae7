#include "base/bounded_text.h"
#include "system/certificates/certificate_info.h"

#include <wchar.h>

namespace {

struct SubjectField
{
    wchar_t (CertificateInfo::*field)[260];
    const wchar_t* search;  // attribute identifier followed by "="
};

const SubjectField kSubjectFields[] = {
    {&CertificateInfo::common_name, L"2.5.4.3="},
    {&CertificateInfo::locality, L"2.5.4.7="},
    {&CertificateInfo::organization, L"2.5.4.10="},
    {&CertificateInfo::organizational_unit, L"2.5.4.11="},
    {&CertificateInfo::email, L"1.2.840.113549.1.9.1="},
    {&CertificateInfo::country, L"2.5.4.6="},
    {&CertificateInfo::state, L"2.5.4.8="},
    {&CertificateInfo::street, L"2.5.4.9="},
    {&CertificateInfo::title, L"2.5.4.12="},
    {&CertificateInfo::given_name, L"2.5.4.42="},
    {&CertificateInfo::initials, L"2.5.4.43="},
    {&CertificateInfo::surname, L"2.5.4.4="},
    {&CertificateInfo::domain_component, L"0.9.2342.19200300.100.1.25="},
};

// Where the attribute starting at `name[position]` ends and the next one begins: after
// ", " between attributes or " + " inside a multi-valued one, outside double quotes.
// Returns the position of the next attribute, or that of the terminator.
size_t NextAttribute(const wchar_t* name, size_t position)
{
    bool quoted = false;
    for (size_t i = position; name[i] != L'\0'; ++i) {
        if (name[i] == L'"')
            quoted = !quoted;  // an escaped quote ("") toggles twice
        else if (!quoted && name[i] == L',' && name[i + 1] == L' ')
            return i + 2;
        else if (!quoted && name[i] == L' ' && name[i + 1] == L'+' && name[i + 2] == L' ')
            return i + 3;
    }
    return wcslen(name);
}

}  // namespace

void FillSubjectFields(const wchar_t* name, CertificateInfo* info)
{
    for (const SubjectField& entry : kSubjectFields) {
        wchar_t(&field)[260] = info->*entry.field;
        const size_t searchLength = wcslen(entry.search);
        bool found = false;
        // Only the start of an attribute counts: a value may itself hold text such as
        // "2.5.4.3=" inside quotes, and "2.5.4.4=" must not be found inside another OID.
        for (size_t at = 0; name[at] != L'\0'; at = NextAttribute(name, at)) {
            if (wcsncmp(name + at, entry.search, searchLength) != 0)
                continue;
            const wchar_t* value = name + at + searchLength;
            // The value is shown up to its first comma, even inside quotes.
            const size_t length = wcscspn(value, L",");
            wchar_t part[260];
            CopyTextN(part, 260, value, length);
            if (found) {
                AppendText(field, L",");
                AppendText(field, part);
            } else {
                CopyText(field, part);
                found = true;
            }
        }
    }
}
