#pragma once
#include <windows.h>

#include "base/scoped_handle.h"
#include "engine/payload_ring.h"

// Decrypts and inflates the payload archive on a thread of its own, ahead of the writer,
// into the ring's slots. Its last slot is marked last and carries why the stream ended.
class CPayloadInflater
{
public:
    // `input` (CPayloadRing::kSlotSize bytes) receives the decrypted ciphertext;
    // `archive` is the image: a 4-byte prefix, then the ciphertext.
    CPayloadInflater(CPayloadRing& ring, BYTE* input, const BYTE* archive, DWORD size);
    ~CPayloadInflater();
    CPayloadInflater(const CPayloadInflater&) = delete;
    CPayloadInflater& operator=(const CPayloadInflater&) = delete;

    // False when the thread could not start, the reason in the thread's last error.
    bool Start();
    // Waits until the thread has ended (the ring stopped, or its last slot filled).
    void Join();

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Run();
    DWORD Inflate(CPayloadRing::Slot*& slot);

    CPayloadRing& ring_;
    BYTE* input_;
    const BYTE* archive_;
    DWORD size_;
    UniqueHandle thread_;
};
