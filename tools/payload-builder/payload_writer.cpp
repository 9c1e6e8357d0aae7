#include "tools/payload-builder/payload_writer.h"

#include <string.h>

CPayloadWriter::CPayloadWriter(CPayloadSink& sink, const BYTE* key, int keyBits, int level)
    : sink_(sink), level_(level), stream_(), started_(false), inflated_(0), deflated_(0), staged_(), used_(0)
{
    cipher_.SetKey(key, keyBits);
}

CPayloadWriter::~CPayloadWriter()
{
    if (started_)
        deflateEnd(&stream_);
}

bool CPayloadWriter::Begin()
{
    if (started_ || !cipher_.HasKey())
        return false;
    if (deflateInit2(&stream_, level_, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    started_ = true;
    BYTE prefix[4] = {static_cast<BYTE>(kPrefixValue), 0, 0, 0};
    return sink_.Put(prefix, sizeof(prefix));
}

bool CPayloadWriter::AddEntry(const PayloadEntry& entry)
{
    return Deflate(&entry, sizeof(entry), Z_NO_FLUSH);
}

bool CPayloadWriter::AddContent(const void* data, DWORD count)
{
    return Deflate(data, count, Z_NO_FLUSH);
}

bool CPayloadWriter::Finish()
{
    if (!Deflate(nullptr, 0, Z_FINISH))
        return false;
    deflateEnd(&stream_);
    started_ = false;
    return EmitStaged(true);
}

bool CPayloadWriter::Deflate(const void* data, DWORD count, int flush)
{
    if (!started_)
        return false;
    stream_.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    stream_.avail_in = count;
    inflated_ += count;
    for (;;) {
        stream_.next_out = staged_ + used_;
        stream_.avail_out = sizeof(staged_) - used_;
        int result = deflate(&stream_, flush);
        DWORD staged = sizeof(staged_) - stream_.avail_out;
        deflated_ += staged - used_;
        used_ = staged;
        if (result == Z_STREAM_ERROR)
            return false;
        if (used_ == sizeof(staged_) && !EmitStaged(false))
            return false;
        if (flush == Z_FINISH ? result == Z_STREAM_END : stream_.avail_in == 0 && stream_.avail_out != 0)
            return true;
    }
}

bool CPayloadWriter::EmitStaged(bool padLastBlock)
{
    // The staging buffer is a whole number of blocks; only the archive's end is padded.
    if (padLastBlock) {
        DWORD padded = (used_ + CAesCipher::kBlockSize - 1) / CAesCipher::kBlockSize * CAesCipher::kBlockSize;
        memset(staged_ + used_, 0, padded - used_);
        used_ = padded;
    }
    for (DWORD offset = 0; offset < used_; offset += CAesCipher::kBlockSize)
        cipher_.EncryptBlock(staged_ + offset, staged_ + offset);
    bool written = used_ == 0 || sink_.Put(staged_, used_);
    used_ = 0;
    return written;
}
