#pragma once
#include <winsock2.h>
#include <windows.h>

// The HTTP.sys SSL binding of the server's address and port 443: the server certificate
// (by its SHA-1 hash, in the machine's "MY" store) and the server's trust list.

static const USHORT kSslBindingPort = 443;

// Binds `addressText` (dotted decimal) on port 443 to the certificate `hash`, after removing
// whatever binding the endpoint had. True on success; HTTP.sys's code is the last error.
bool SetSslBinding(const wchar_t* addressText, const BYTE* hash, DWORD hashLength);

// Removes the binding of `addressText` on port 443. Returns the Win32 code of the last
// HTTP.sys call (0 when a binding was removed), also left as the last error.
DWORD RemoveSslBinding(const wchar_t* addressText);

// The binding that an endpoint had before the setup replaced it, kept whole (certificate
// hash and store, application, trust list, flags) so that it can be put back. Empty when
// the endpoint had none.
class SavedSslBinding
{
public:
    SavedSslBinding() = default;
    ~SavedSslBinding();
    SavedSslBinding(const SavedSslBinding&) = delete;
    SavedSslBinding& operator=(const SavedSslBinding&) = delete;

    bool Empty() const { return record_ == nullptr; }
    // True when the binding names the certificate of this SHA-1 hash (`hashLength` bytes).
    bool BindsCertificate(const BYTE* hash, DWORD hashLength) const;
    // The SHA-1 hash of the certificate it binds; false when it binds none of that length.
    bool CertificateHash(BYTE (&hash)[20]) const;

private:
    friend bool SaveSslBinding(const wchar_t* addressText, SavedSslBinding& saved);
    friend bool RestoreSslBinding(const wchar_t* addressText, const SavedSslBinding& saved);
    friend bool SerializeSslBinding(const SavedSslBinding& saved, BYTE* bytes, DWORD capacity, DWORD* size);
    friend bool LoadSslBinding(const BYTE* bytes, DWORD size, SavedSslBinding& saved);
    void* record_ = nullptr;  // HTTP.sys's record, with what its pointers lead to
};

// Reads the binding of `addressText` on port 443 into `saved` (empty when there is none).
// False, with HTTP.sys's code as the last error, when it could not be read.
bool SaveSslBinding(const wchar_t* addressText, SavedSslBinding& saved);

// Removes the binding of `addressText` on port 443 and sets the saved one again, if any,
// for that endpoint. True when the endpoint is as it was; HTTP.sys's code is the last error.
bool RestoreSslBinding(const wchar_t* addressText, const SavedSslBinding& saved);

// A saved binding as bytes, so that it outlives the run (the endpoint is not in them: it is
// the one it is restored to). All numbers are 32-bit little-endian, texts UTF-16:
//   hash length (at most kSslBindingHashCapacity), hash; application id (16 bytes);
//   check mode, revocation freshness, URL retrieval timeout, flags;
//   certificate store name, trust list identifier, trust list store: each a count of
//   characters with the terminator (0: no text; at most kSslBindingTextCapacity), the text.
// No bytes for an empty binding.
static const DWORD kSslBindingHashCapacity = 64;
static const DWORD kSslBindingTextCapacity = 256;
static const DWORD kSslBindingBytesCapacity =
    4 + kSslBindingHashCapacity + 16 + 4 * 4 + 3 * (4 + kSslBindingTextCapacity * sizeof(wchar_t));

// Writes `saved` into `bytes` (`capacity` bytes), its length into `size`. False with
// ERROR_INSUFFICIENT_BUFFER (`size` then the length needed) when it does not fit, with
// ERROR_INVALID_DATA when a field is longer than the layout keeps.
bool SerializeSslBinding(const SavedSslBinding& saved, BYTE* bytes, DWORD capacity, DWORD* size);

// Makes `saved` the binding of `size` bytes that SerializeSslBinding wrote (empty for none).
// Bytes of any other form are refused, `saved` then empty and ERROR_INVALID_DATA the last error.
bool LoadSslBinding(const BYTE* bytes, DWORD size, SavedSslBinding& saved);

// The endpoint for an address text: AF_INET, port 443 in network order. The text is four
// decimal numbers separated by dots, each read like _wtoi (leading blanks and a sign allowed,
// no digits give 0) and not range-checked; with fewer than three dots the address is
// 255.255.255.255.
sockaddr_in SslBindingEndpoint(const wchar_t* addressText);
