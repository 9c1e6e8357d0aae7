#pragma once
#include <windows.h>
#include <zlib.h>

#include "formats/crypto/aes_cipher.h"
#include "formats/payload/payload_entry.h"

// Where the archive's bytes go.
class CPayloadSink
{
public:
    virtual ~CPayloadSink() = default;
    virtual bool Put(const BYTE* data, DWORD count) = 0;
};

// Writes a payload archive: the 4-byte prefix, then one raw deflate stream of entries
// and file contents, padded to whole blocks and encrypted block by block (AES, ECB).
class CPayloadWriter
{
public:
    static const DWORD kPrefixValue = 86;

    CPayloadWriter(CPayloadSink& sink, const BYTE* key, int keyBits, int level = Z_DEFAULT_COMPRESSION);
    ~CPayloadWriter();
    CPayloadWriter(const CPayloadWriter&) = delete;
    CPayloadWriter& operator=(const CPayloadWriter&) = delete;

    bool Begin();
    bool AddEntry(const PayloadEntry& entry);
    bool AddContent(const void* data, DWORD count);
    // Ends the deflate stream with its final block: the padding that follows must not be
    // taken for more compressed data.
    bool Finish();

    ULONGLONG InflatedBytes() const { return inflated_; }
    // Length of the deflate stream so far, without the padding.
    ULONGLONG DeflatedBytes() const { return deflated_; }

private:
    bool Deflate(const void* data, DWORD count, int flush);
    bool EmitStaged(bool padLastBlock);

    CPayloadSink& sink_;
    CAesCipher cipher_;
    int level_;
    z_stream stream_;
    bool started_;
    ULONGLONG inflated_;
    ULONGLONG deflated_;
    BYTE staged_[65536];
    DWORD used_;
};
