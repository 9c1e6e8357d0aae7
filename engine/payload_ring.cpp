#include "engine/payload_ring.h"

CPayloadRing::CPayloadRing() : slots_(), allocated_(nullptr), fillAt_(0), emptyAt_(0) {}

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
    emptySlots_.Reset(CreateSemaphoreW(nullptr, kSlots, kSlots, nullptr));
    filledSlots_.Reset(CreateSemaphoreW(nullptr, 0, kSlots, nullptr));
    stopped_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return emptySlots_ && filledSlots_ && stopped_;
}

CPayloadRing::Slot* CPayloadRing::NextEmpty()
{
    HANDLE waits[2] = {stopped_.Get(), emptySlots_.Get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
        return nullptr;
    Slot& slot = slots_[fillAt_];
    slot.length = 0;
    slot.error = ERROR_SUCCESS;
    slot.last = false;
    return &slot;
}

void CPayloadRing::Fill()
{
    fillAt_ = (fillAt_ + 1) % kSlots;
    ReleaseSemaphore(filledSlots_.Get(), 1, nullptr);
}

CPayloadRing::Slot& CPayloadRing::NextFilled()
{
    // The inflater always ends with a slot marked last, unless the writer stops it first.
    WaitForSingleObject(filledSlots_.Get(), INFINITE);
    return slots_[emptyAt_];
}

void CPayloadRing::Empty()
{
    emptyAt_ = (emptyAt_ + 1) % kSlots;
    ReleaseSemaphore(emptySlots_.Get(), 1, nullptr);
}

void CPayloadRing::Stop()
{
    SetEvent(stopped_.Get());
}
