#include "system/hosts/hosts_take_back.h"

#include <windows.h>
#include <string.h>

namespace {

const size_t kNotFound = static_cast<size_t>(-1);

// One line of the text: its content, and the end that follows it (LF, CR LF, or none for
// a last line without one).
struct TextLine
{
    size_t start;
    size_t contentEnd;
    size_t end;
};

TextLine LineAt(const char* text, size_t length, size_t at)
{
    const void* lineFeed = memchr(text + at, '\n', length - at);
    size_t end = lineFeed ? static_cast<size_t>(static_cast<const char*>(lineFeed) - text) + 1 : length;
    size_t contentEnd = lineFeed ? end - 1 : end;
    if (contentEnd > at && text[contentEnd - 1] == '\r')
        --contentEnd;
    return {at, contentEnd, end};
}

// True when the line's content is `first` followed by `second`.
bool LineIs(const char* text, const TextLine& line, const char* first, size_t firstLength,
            const char* second = "", size_t secondLength = 0)
{
    return line.contentEnd - line.start == firstLength + secondLength &&
           memcmp(text + line.start, first, firstLength) == 0 &&
           memcmp(text + line.start + firstLength, second, secondLength) == 0;
}

bool IsBlank(const TextLine& line)
{
    return line.contentEnd == line.start;
}

// The bytes [start, end) of the block the run appended, with the blank lines it added
// around itself; start is kNotFound when the text holds none.
struct BlockRange
{
    size_t start = kNotFound;
    size_t end = kNotFound;
};

BlockRange FindBlock(const char* text, size_t length, const char* blockAddress, const char* domain)
{
    BlockRange block;
    TextLine before[2] = {};  // the two lines before the current one, the nearer first
    int linesBefore = 0;
    for (size_t at = 0; at < length;) {
        TextLine line = LineAt(text, length, at);
        at = line.end;
        if (at < length && LineIs(text, line, kHostsBlockComment, sizeof kHostsBlockComment - 1)) {
            TextLine address = LineAt(text, length, at);
            if (LineIs(text, address, blockAddress, strlen(blockAddress), domain, strlen(domain))) {
                block.start = line.start;
                for (int i = 0; i < linesBefore && IsBlank(before[i]); ++i)
                    block.start = before[i].start;
                block.end = address.end;
                if (block.end < length) {
                    TextLine after = LineAt(text, length, block.end);
                    if (IsBlank(after))
                        block.end = after.end;
                }
                return block;
            }
        }
        before[1] = before[0];
        before[0] = line;
        if (linesBefore < 2)
            ++linesBefore;
    }
    return block;
}

// The start of the first line outside the block whose content is `after` and that is not
// one of the `claimedCount` lines already given back; kNotFound when there is none.
size_t FindLineToGiveBack(const char* text, size_t length, const BlockRange& block, const char* after,
                          size_t afterLength, const size_t* claimed, int claimedCount)
{
    for (size_t at = 0; at < length;) {
        TextLine line = LineAt(text, length, at);
        at = line.end;
        bool inBlock = block.start != kNotFound && line.start >= block.start && line.start < block.end;
        if (inBlock || !LineIs(text, line, after, afterLength))
            continue;
        bool isClaimed = false;
        for (int i = 0; i < claimedCount; ++i)
            isClaimed = isClaimed || claimed[i] == line.start;
        if (!isClaimed)
            return line.start;
    }
    return kNotFound;
}

// Appends to a bounded output; once something did not fit, nothing more is written.
class BoundedOutput
{
public:
    BoundedOutput(char* out, size_t capacity) : out_(out), capacity_(capacity) {}
    void Append(const char* bytes, size_t count)
    {
        if (!fits_ || count > capacity_ - length_) {
            fits_ = false;
            return;
        }
        memcpy(out_ + length_, bytes, count);
        length_ += count;
    }
    bool Fits() const { return fits_; }
    size_t Length() const { return length_; }

private:
    char* out_;
    size_t capacity_;
    size_t length_ = 0;
    bool fits_ = true;
};

// The end of the text's first line, as the lines put back are ended; CR LF when it has none.
void FirstLineEnd(const char* text, size_t length, const char** lineEnd, size_t* lineEndLength)
{
    TextLine first = length > 0 ? LineAt(text, length, 0) : TextLine{0, 0, 0};
    bool bareLineFeed = first.end - first.contentEnd == 1 && text[first.contentEnd] == '\n';
    *lineEnd = bareLineFeed ? "\n" : "\r\n";
    *lineEndLength = bareLineFeed ? 1 : 2;
}

} // namespace

int TakenLineCount(const HostsTakenLines& taken)
{
    return taken.count < 0 ? 0 : taken.count < HostsTakenLines::kCapacity ? taken.count : HostsTakenLines::kCapacity;
}

size_t HostsTakeBackCapacity(size_t length)
{
    // Each taken line grows the text by at most its `before` and a line end, and a last line
    // without an end gets one before lines are put back behind it.
    return length + HostsTakenLines::kCapacity * (sizeof(HostsTakenLine::before) + 2) + 2;
}

bool TakeBackHostsText(const char* text, size_t length, const char* blockAddress, const char* domain,
                       const HostsTakenLines& taken, char* out, size_t capacity, HostsTakeBack* result)
{
    if (!blockAddress || !*blockAddress || !domain || !*domain || !result || (!text && length > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (capacity < HostsTakeBackCapacity(length)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    *result = HostsTakeBack();
    const BlockRange block = FindBlock(text, length, blockAddress, domain);

    // The remembered lines come from the machine's records; their texts are read bounded.
    const int count = TakenLineCount(taken);
    size_t beforeLength[HostsTakenLines::kCapacity] = {};
    size_t givenBackAt[HostsTakenLines::kCapacity] = {};  // the start of the line that gets `before`
    for (int i = 0; i < count; ++i) {
        const HostsTakenLine& line = taken.lines[i];
        beforeLength[i] = strnlen(line.before, sizeof line.before);
        size_t afterLength = strnlen(line.after, sizeof line.after);
        givenBackAt[i] = afterLength == 0 || beforeLength[i] == 0
                             ? kNotFound
                             : FindLineToGiveBack(text, length, block, line.after, afterLength, givenBackAt, i);
        if (afterLength > 0 && givenBackAt[i] == kNotFound)
            ++result->names_left;
    }

    const char* lineEnd = nullptr;
    size_t lineEndLength = 0;
    FirstLineEnd(text, length, &lineEnd, &lineEndLength);
    BoundedOutput output(out, capacity);
    auto wentWhole = [&](int i) { return beforeLength[i] > 0 && taken.lines[i].after[0] == '\0'; };
    int wholeLines = 0;
    for (int i = 0; i < count; ++i)
        wholeLines += wentWhole(i) ? 1 : 0;
    auto putBackWholeLines = [&]() {
        for (int i = 0; i < count; ++i) {
            if (!wentWhole(i))
                continue;
            output.Append(taken.lines[i].before, beforeLength[i]);
            output.Append(lineEnd, lineEndLength);
        }
    };
    for (size_t at = 0; at < length;) {
        if (at == block.start) {
            putBackWholeLines();
            at = block.end;
            continue;
        }
        TextLine line = LineAt(text, length, at);
        at = line.end;
        int givenBack = -1;
        for (int i = 0; i < count; ++i)
            if (givenBackAt[i] == line.start)
                givenBack = i;
        if (givenBack < 0) {
            output.Append(text + line.start, line.end - line.start);
            continue;
        }
        output.Append(taken.lines[givenBack].before, beforeLength[givenBack]);
        output.Append(text + line.contentEnd, line.end - line.contentEnd);
    }
    if (block.start == kNotFound && wholeLines > 0) {
        if (length > 0 && text[length - 1] != '\n')
            output.Append(lineEnd, lineEndLength);
        putBackWholeLines();
    }
    if (!output.Fits()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    result->length = output.Length();
    return true;
}
