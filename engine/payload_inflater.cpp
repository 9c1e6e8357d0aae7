#include "engine/payload_inflater.h"

#include <string.h>
#include <zlib.h>

#include "base/bounded_wait.h"
#include "formats/crypto/aes_cipher.h"
#include "formats/crypto/data_key.h"

namespace {

const DWORD kArchivePrefixSize = 4;
const DWORD kInflaterEndRoundMs = 60 * 1000;

}  // namespace

CPayloadInflater::CPayloadInflater(CPayloadRing& ring, BYTE* input, const BYTE* archive, DWORD size)
    : ring_(ring), input_(input), archive_(archive), size_(size)
{
}

CPayloadInflater::~CPayloadInflater()
{
    Join();
}

bool CPayloadInflater::Start()
{
    thread_.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    return thread_.IsValid();
}

void CPayloadInflater::Join()
{
    // It works in the caller's buffers, so it is not left behind; the ring's limits end it.
    if (thread_)
        WaitForThreadEnd(thread_.Get(), kInflaterEndRoundMs, L"the payload inflater's end");
    thread_.Reset();
}

DWORD WINAPI CPayloadInflater::ThreadProc(void* self)
{
    static_cast<CPayloadInflater*>(self)->Run();
    return 0;
}

void CPayloadInflater::Run()
{
    CPayloadRing::Slot* slot = ring_.NextEmpty();
    if (!slot)
        return;
    DWORD error = Inflate(slot);
    if (!slot)
        return;  // the writer stopped
    slot->last = true;
    slot->error = error;
    ring_.Fill();
}

// Fills slot after slot; returns with the slot that is to be marked last (or nullptr
// when the writer stopped the ring) and why the stream ended.
DWORD CPayloadInflater::Inflate(CPayloadRing::Slot*& slot)
{
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return ERROR_NOT_ENOUGH_MEMORY;
    CAesCipher cipher;
    cipher.SetKey(DataKey, kDataKeyBits);
    const BYTE* read = archive_ + kArchivePrefixSize;
    DWORD remaining = size_ - kArchivePrefixSize;
    DWORD error = ERROR_SUCCESS;
    // Output space left after a call means inflate has given all it holds and wants
    // input; a call that filled its slot may still hold output, so input is read only
    // when a call has stopped short of the slot's end.
    bool wantsInput = true;
    for (;;) {
        if (stream.avail_in == 0 && wantsInput) {
            // Out of input before the stream's end: what was inflated is kept; what
            // follows the stream's end is the cipher's padding and is never read.
            if (remaining == 0)
                break;
            DWORD n = remaining < CPayloadRing::kSlotSize ? remaining : CPayloadRing::kSlotSize;
            // Whole blocks go from the image straight into the buffer, many at a time. A
            // damaged size leaves a partial last block: it is copied and decrypted in the
            // buffer, its tail being whatever the buffer held.
            DWORD whole = n / CAesCipher::kBlockSize * CAesCipher::kBlockSize;
            cipher.DecryptBlocks(read, input_, whole / CAesCipher::kBlockSize);
            if (whole < n) {
                memcpy(input_ + whole, read + whole, n - whole);
                cipher.DecryptBlock(input_ + whole, input_ + whole);
            }
            read += n;
            remaining -= n;
            stream.next_in = input_;
            stream.avail_in = n;
        }
        stream.next_out = slot->data + slot->length;
        stream.avail_out = CPayloadRing::kSlotSize - slot->length;
        int result = inflate(&stream, Z_NO_FLUSH);
        slot->length = CPayloadRing::kSlotSize - stream.avail_out;
        wantsInput = stream.avail_out > 0;
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK && result != Z_BUF_ERROR) {
            error = ERROR_INVALID_DATA;
            break;
        }
        if (slot->length == CPayloadRing::kSlotSize) {
            ring_.Fill();
            slot = ring_.NextEmpty();
            if (!slot)
                break;
        }
    }
    inflateEnd(&stream);
    return error;
}
