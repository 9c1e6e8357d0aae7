#include "engine/payload_ring.h"

#include "base/bounded_wait.h"

namespace {

// A read with a full barrier: what the other side wrote before its count is seen.
LONG Load(volatile LONG& value)
{
    return InterlockedCompareExchange(&value, 0, 0);
}

}  // namespace

CPayloadRing::CPayloadRing(DWORD waitLimitMs)
    : waitLimitMs_(waitLimitMs), slots_(), allocated_(nullptr), filled_(0), emptied_(0), stopped_(0), inflaterSleeps_(0), writerSleeps_(0)
{
}

CPayloadRing::~CPayloadRing()
{
    if (allocated_)
        HeapFree(GetProcessHeap(), 0, allocated_);
}

bool CPayloadRing::Create(BYTE* first)
{
    allocated_ = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, (kSlots - 1) * kSlotSize));
    if (!allocated_) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    for (DWORD i = 0; i < kSlots; ++i)
        slots_[i].data = i == 0 ? first : allocated_ + (i - 1) * kSlotSize;
    room_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    data_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    return room_ && data_;
}

LONG CPayloadRing::Filled() const
{
    return Load(const_cast<volatile LONG&>(filled_)) - Load(const_cast<volatile LONG&>(emptied_));
}

CPayloadRing::Slot* CPayloadRing::NextEmpty()
{
    // Each side announces that it sleeps before it looks once more, and the other side
    // looks for that announcement after it has counted: one of them always sees the other.
    while (!Load(stopped_) && Filled() >= static_cast<LONG>(kSlots)) {
        InterlockedExchange(&inflaterSleeps_, 1);
        const bool noRoom = !Load(stopped_) && Filled() >= static_cast<LONG>(kSlots) &&
                            WaitWithin(room_.Get(), waitLimitMs_, L"room in the payload's ring (its writer)") ==
                                WAIT_TIMEOUT &&
                            Filled() >= static_cast<LONG>(kSlots);
        InterlockedExchange(&inflaterSleeps_, 0);
        // The writer, stuck, will find no slot either and fail the extraction.
        if (noRoom)
            return nullptr;
    }
    if (Load(stopped_))
        return nullptr;
    Slot& slot = slots_[static_cast<DWORD>(filled_) % kSlots];
    slot.length = 0;
    slot.error = ERROR_SUCCESS;
    slot.last = false;
    return &slot;
}

void CPayloadRing::Fill()
{
    InterlockedIncrement(&filled_);
    if (Load(writerSleeps_) && InterlockedExchange(&writerSleeps_, 0))
        SetEvent(data_.Get());
}

CPayloadRing::Slot* CPayloadRing::NextFilled()
{
    // The inflater always ends with a slot marked last, unless the writer stops it first
    // or it is stuck.
    while (Filled() == 0) {
        InterlockedExchange(&writerSleeps_, 1);
        const bool noData = Filled() == 0 &&
                            WaitWithin(data_.Get(), waitLimitMs_, L"inflated data in the payload's ring") ==
                                WAIT_TIMEOUT &&
                            Filled() == 0;
        InterlockedExchange(&writerSleeps_, 0);
        if (noData) {
            SetLastError(ERROR_TIMEOUT);
            return nullptr;
        }
    }
    return &slots_[static_cast<DWORD>(emptied_) % kSlots];
}

void CPayloadRing::Empty()
{
    InterlockedIncrement(&emptied_);
    if (Load(inflaterSleeps_) && Filled() <= static_cast<LONG>(kSlots / 2) && InterlockedExchange(&inflaterSleeps_, 0))
        SetEvent(room_.Get());
}

void CPayloadRing::Stop()
{
    InterlockedExchange(&stopped_, 1);
    SetEvent(room_.Get());
}
