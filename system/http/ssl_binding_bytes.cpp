#include "system/http/ssl_binding.h"

#include <http.h>
#include <stdlib.h>
#include <string.h>

static_assert(kSslBindingBytesCapacity <= 2048, "a saved binding fits into the remembered installation's field");

namespace {

DWORD TextUnits(const wchar_t* text)
{
    return text == nullptr ? 0 : static_cast<DWORD>(wcslen(text)) + 1;
}

// Writes at most to the end of the buffer; counts on, so that the length needed is known.
struct ByteWriter
{
    BYTE* at;
    DWORD capacity;
    DWORD size = 0;

    void Put(const void* data, DWORD length)
    {
        if (length > 0 && size + length <= capacity)
            memcpy(at + size, data, length);
        size += length;
    }
    void PutNumber(DWORD value) { Put(&value, sizeof(value)); }
    void PutText(const wchar_t* text)
    {
        const DWORD units = TextUnits(text);
        PutNumber(units);
        Put(text, units * sizeof(wchar_t));
    }
};

// Reads only within the bytes; a read past their end fails, and so does every one after it.
struct ByteReader
{
    const BYTE* at;
    DWORD size;
    DWORD offset = 0;
    bool whole = true;

    const BYTE* Take(DWORD length)
    {
        if (!whole || length > size - offset) {
            whole = false;
            return nullptr;
        }
        offset += length;
        return at + offset - length;
    }
    DWORD TakeNumber()
    {
        DWORD value = 0;
        if (const BYTE* data = Take(sizeof(value)))
            memcpy(&value, data, sizeof(value));
        return value;
    }
    // A text of at most kSslBindingTextCapacity characters, its terminator its last one.
    const BYTE* TakeText(DWORD& units)
    {
        units = TakeNumber();
        if (units > kSslBindingTextCapacity)
            whole = false;
        const BYTE* text = Take(units * sizeof(wchar_t));
        if (text != nullptr && units > 0 && (text[units * 2 - 2] != 0 || text[units * 2 - 1] != 0))
            whole = false;
        return text;
    }
};

// Copies `units` characters of `text` to `at`, which then moves behind them; null for none.
wchar_t* PlaceText(BYTE*& at, const BYTE* text, DWORD units)
{
    if (units == 0)
        return nullptr;
    wchar_t* placed = reinterpret_cast<wchar_t*>(at);
    memcpy(at, text, units * sizeof(wchar_t));
    at += units * sizeof(wchar_t);
    return placed;
}

bool Refuse(DWORD error)
{
    SetLastError(error);
    return false;
}

}  // namespace

bool SerializeSslBinding(const SavedSslBinding& saved, BYTE* bytes, DWORD capacity, DWORD* size)
{
    if (size == nullptr || (bytes == nullptr && capacity > 0))
        return Refuse(ERROR_INVALID_PARAMETER);
    *size = 0;
    if (saved.record_ == nullptr)
        return true;
    const HTTP_SERVICE_CONFIG_SSL_PARAM& param =
        static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(saved.record_)->ParamDesc;
    const wchar_t* texts[] = {param.pSslCertStoreName, param.pDefaultSslCtlIdentifier, param.pDefaultSslCtlStoreName};
    if (param.SslHashLength > kSslBindingHashCapacity || (param.SslHashLength > 0 && param.pSslHash == nullptr))
        return Refuse(ERROR_INVALID_DATA);
    for (const wchar_t* text : texts)
        if (TextUnits(text) > kSslBindingTextCapacity)
            return Refuse(ERROR_INVALID_DATA);

    ByteWriter writer{bytes, capacity};
    writer.PutNumber(param.SslHashLength);
    writer.Put(param.pSslHash, param.SslHashLength);
    writer.Put(&param.AppId, sizeof(GUID));
    writer.PutNumber(param.DefaultCertCheckMode);
    writer.PutNumber(param.DefaultRevocationFreshnessTime);
    writer.PutNumber(param.DefaultRevocationUrlRetrievalTimeout);
    writer.PutNumber(param.DefaultFlags);
    for (const wchar_t* text : texts)
        writer.PutText(text);
    *size = writer.size;
    return writer.size <= capacity ? true : Refuse(ERROR_INSUFFICIENT_BUFFER);
}

bool LoadSslBinding(const BYTE* bytes, DWORD size, SavedSslBinding& saved)
{
    free(saved.record_);
    saved.record_ = nullptr;
    if (size == 0)
        return true;
    if (bytes == nullptr)
        return Refuse(ERROR_INVALID_PARAMETER);

    ByteReader reader{bytes, size};
    const DWORD hashLength = reader.TakeNumber();
    if (hashLength > kSslBindingHashCapacity)
        return Refuse(ERROR_INVALID_DATA);
    const BYTE* hash = reader.Take(hashLength);
    const BYTE* appId = reader.Take(sizeof(GUID));
    DWORD numbers[4];
    for (DWORD& number : numbers)
        number = reader.TakeNumber();
    DWORD units[3];
    const BYTE* texts[3];
    for (int i = 0; i < 3; ++i)
        texts[i] = reader.TakeText(units[i]);
    if (!reader.whole || reader.offset != size)
        return Refuse(ERROR_INVALID_DATA);

    // One block, as the query gives it: the record, then the texts, then the hash.
    const size_t textBytes = (units[0] + units[1] + units[2]) * sizeof(wchar_t);
    BYTE* block = static_cast<BYTE*>(calloc(1, sizeof(HTTP_SERVICE_CONFIG_SSL_SET) + textBytes + hashLength));
    if (block == nullptr)
        return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    auto* record = reinterpret_cast<HTTP_SERVICE_CONFIG_SSL_SET*>(block);
    HTTP_SERVICE_CONFIG_SSL_PARAM& param = record->ParamDesc;
    BYTE* at = block + sizeof(HTTP_SERVICE_CONFIG_SSL_SET);
    param.pSslCertStoreName = PlaceText(at, texts[0], units[0]);
    param.pDefaultSslCtlIdentifier = PlaceText(at, texts[1], units[1]);
    param.pDefaultSslCtlStoreName = PlaceText(at, texts[2], units[2]);
    param.SslHashLength = hashLength;
    param.pSslHash = hashLength > 0 ? at : nullptr;
    memcpy(at, hash, hashLength);
    memcpy(&param.AppId, appId, sizeof(GUID));
    param.DefaultCertCheckMode = numbers[0];
    param.DefaultRevocationFreshnessTime = numbers[1];
    param.DefaultRevocationUrlRetrievalTimeout = numbers[2];
    param.DefaultFlags = numbers[3];
    saved.record_ = record;
    SetLastError(0);
    return true;
}
