#pragma once
#include <windows.h>

#include <vector>

// What a run would change, said before it changes anything: each change of the run tells
// what it would do and what it finds there now, in the order the run would make them.
class ChangePreview
{
public:
    struct Line
    {
        wchar_t kind[48];
        wchar_t text[640];
    };

    // Adds "kind: text". The same line twice (a folder that the pages and the installation
    // would both make) is said once.
    void Say(const wchar_t* kind, const wchar_t* format, ...);
    const std::vector<Line>& Lines() const { return lines_; }
    // Every line, each ended by CR LF, cut to fit `capacity`.
    void Write(wchar_t* text, size_t capacity) const;

private:
    std::vector<Line> lines_;
};

// A certificate's SHA-1 hash as the certificate tools show it: 40 hex digits.
struct ThumbprintText
{
    explicit ThumbprintText(const BYTE (&hash)[20]);
    wchar_t text[41];
};
