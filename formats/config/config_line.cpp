#include "formats/config/config_line.h"

#include <string.h>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

const size_t kNameLimit = 64;     // bytes; the name must be shorter
const size_t kValueLimit = 16384;  // bytes; the value must be shorter

} // namespace

bool ParseConfigLine(char* line, size_t length, char** name, char** value)
{
    while (length > 0 && IsBlank(line[length - 1]))
        line[--length] = 0;
    char* start = line;
    while (IsBlank(*start))
        ++start;
    if (*start == ';')
        return false;

    char* equals = strchr(start, '=');
    if (!equals || equals - start < 2 || equals[1] == 0)
        return false;
    *equals = 0;
    for (char* end = equals; end > start && IsBlank(end[-1]); --end)
        end[-1] = 0;

    char* text = equals + 1;
    while (IsBlank(*text))
        ++text;
    if (*text == '"') {
        // No escapes: the value ends at the next quote, and what follows it is ignored.
        char* close = strchr(++text, '"');
        if (!close)
            return false;
        *close = 0;
    } else {
        text[strcspn(text, " \t;")] = 0;
    }

    size_t nameLength = strlen(start);
    size_t valueLength = strlen(text);
    if (nameLength == 0 || nameLength >= kNameLimit || valueLength == 0 || valueLength >= kValueLimit)
        return false;
    *name = start;
    *value = text;
    return true;
}
