#pragma once
#include <windows.h>

#include "app/scoped_handle.h"

// A fixed ring of 64 KiB buffers between the thread that inflates the payload, which
// fills them in order, and the writer, which empties them in the same order. Its size
// never changes, so memory stays the same for any payload.
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

    CPayloadRing();
    ~CPayloadRing();
    CPayloadRing(const CPayloadRing&) = delete;
    CPayloadRing& operator=(const CPayloadRing&) = delete;

    // `first` (kSlotSize bytes, the caller's) becomes the first buffer; the others are
    // allocated. False on failure, the reason in the thread's last error.
    bool Create(BYTE* first);

    // Inflater side: the next empty slot (length 0), waiting for the writer to free one;
    // nullptr once the writer has stopped the ring.
    Slot* NextEmpty();
    // Hands the slot from NextEmpty to the writer.
    void Fill();

    // Writer side: the next filled slot, waiting for the inflater.
    Slot& NextFilled();
    // Gives the slot from NextFilled back to the inflater.
    void Empty();
    // The writer gives up: the inflater's next NextEmpty returns nullptr.
    void Stop();

private:
    Slot slots_[kSlots];
    BYTE* allocated_;
    UniqueHandle emptySlots_;   // semaphore: slots the inflater may fill
    UniqueHandle filledSlots_;  // semaphore: slots the writer may empty
    UniqueHandle stopped_;      // manual-reset event
    DWORD fillAt_;
    DWORD emptyAt_;
};
