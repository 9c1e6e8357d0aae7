#pragma once
#include <stddef.h>

#include "formats/installation_memory/remembered_installation.h"

// Taking back what a run wrote into the hosts file, over the file's bytes alone: the text
// that goes in and the text that comes out, so that the decision is the same whatever file
// it is made for.

// The line that opens the block a run appends; the block's next line names the domain.
inline constexpr char kHostsBlockComment[] = "# Added by Velmora Setup";

// What the take-back made of the text.
struct HostsTakeBack
{
    size_t length = 0;    // bytes of the new text
    int names_left = 0;   // taken names that could not be given back: their lines were changed since
};

// The record's count of lines, bounded to its capacity: the record is read from the machine.
int TakenLineCount(const HostsTakenLines& taken);

// The most bytes that TakeBackHostsText makes of `length` bytes.
size_t HostsTakeBackCapacity(size_t length);

// The hosts text `text` (`length` bytes) without the block a run appended and with the names
// it took given back, written to `out`:
// - the block goes: the line "# Added by Velmora Setup" whose very next line is `blockAddress`
//   (as FormatHostsAddress gives it, with its blank) followed by `domain`, that line, up to
//   two blank lines right before it and one right after it. The first such pair counts; none
//   is nothing to remove.
// - a taken line whose `after` is non-empty: the first line equal to `after` (not already
//   given back) becomes `before` again; none is counted in `names_left`.
// - a taken line whose `after` is "" (it went whole): `before` is put back where the block
//   was, or at the end of the text, ended as the text's first line is (CR LF when none is).
// Every other line keeps its bytes and its line end. Lines are compared without their end
// (LF, or CR LF). False, with ERROR_INSUFFICIENT_BUFFER, when `capacity` is below
// HostsTakeBackCapacity(length); ERROR_INVALID_PARAMETER for a missing domain or address.
bool TakeBackHostsText(const char* text, size_t length, const char* blockAddress, const char* domain,
                       const HostsTakenLines& taken, char* out, size_t capacity, HostsTakeBack* result);
