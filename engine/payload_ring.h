#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// A fixed ring of 64 KiB buffers between the thread that inflates the payload, which
// fills them in order, and the writer, which empties them in the same order. Its size
// never changes, so memory stays the same for any payload.
// Under Wine every wait and every signal of a kernel object is a call to its server
// process, as costly as a file call, so the two sides count slots with interlocked
// operations and touch an event only when one of them has to sleep; the inflater,
// which is the faster, sleeps until half of the ring is free again.
class CPayloadRing
{
public:
    static const DWORD kSlots = 8;
    static const DWORD kSlotSize = 65536;

    struct Slot
    {
        BYTE* data;
        DWORD length;  // bytes of inflated stream in data
        DWORD error;   // with `last`: why the stream ended early, ERROR_SUCCESS if it did not
        bool last;     // nothing follows this slot
    };

    // The longest either side waits for the other by default: a minute without a slot
    // filled or freed means the other side is stuck, and the extraction fails.
    static const DWORD kDefaultWaitLimitMs = 60 * 1000;

    explicit CPayloadRing(DWORD waitLimitMs = kDefaultWaitLimitMs);
    ~CPayloadRing();
    CPayloadRing(const CPayloadRing&) = delete;
    CPayloadRing& operator=(const CPayloadRing&) = delete;

    // `first` (kSlotSize bytes, the caller's) becomes the first buffer; the others are
    // allocated. False on failure, the reason in the thread's last error.
    bool Create(BYTE* first);

    // Inflater side: the next empty slot (length 0), waiting for the writer to free one;
    // nullptr once the writer has stopped the ring, or when it freed none within the limit.
    Slot* NextEmpty();
    // Hands the slot from NextEmpty to the writer.
    void Fill();

    // Writer side: the next filled slot, waiting for the inflater; nullptr, with
    // ERROR_TIMEOUT, when it filled none within the limit.
    Slot* NextFilled();
    // Gives the slot from NextFilled back to the inflater.
    void Empty();
    // The writer gives up: the inflater's next NextEmpty returns nullptr.
    void Stop();

private:
    LONG Filled() const;

    const DWORD waitLimitMs_;
    Slot slots_[kSlots];
    BYTE* allocated_;
    volatile LONG filled_;         // slots handed to the writer so far
    volatile LONG emptied_;        // slots given back so far
    volatile LONG stopped_;
    volatile LONG inflaterSleeps_;  // set by the inflater before it waits for room
    volatile LONG writerSleeps_;    // set by the writer before it waits for a slot
    UniqueHandle room_;             // auto-reset: half of the ring is free, or the ring stopped
    UniqueHandle data_;             // auto-reset: a slot was filled
};
