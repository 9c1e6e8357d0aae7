#pragma once
#include <windows.h>
#include <winsvc.h>
#include <wincrypt.h>

// Small owners of system handles: each closes what it holds when it goes out of scope,
// so every path of a function closes what it opened.
template <typename Traits>
class ScopedHandle
{
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() : handle_(Traits::Invalid()) {}
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Handle Get() const { return handle_; }
    bool IsValid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return IsValid(); }

    // Closes the held handle (keeping the thread's last error) and takes `handle`.
    void Reset(Handle handle = Traits::Invalid())
    {
        if (Traits::IsValid(handle_)) {
            DWORD error = GetLastError();
            Traits::Close(handle_);
            SetLastError(error);
        }
        handle_ = handle;
    }
    Handle Release()
    {
        Handle handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }

private:
    Handle handle_;
};

// Kernel objects: files, events, threads, processes, snapshots. Both null and
// INVALID_HANDLE_VALUE mean "nothing held".
struct KernelHandleTraits
{
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
using UniqueHandle = ScopedHandle<KernelHandleTraits>;

// A directory search (FindFirstFileW).
struct FindHandleTraits
{
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using UniqueFindHandle = ScopedHandle<FindHandleTraits>;

struct ServiceHandleTraits
{
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { CloseServiceHandle(h); }
};
using UniqueServiceHandle = ScopedHandle<ServiceHandleTraits>;

struct RegistryKeyTraits
{
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
using UniqueRegKey = ScopedHandle<RegistryKeyTraits>;

struct GdiObjectTraits
{
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
using UniqueGdiObject = ScopedHandle<GdiObjectTraits>;

struct MemoryDcTraits
{
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};
using UniqueMemoryDc = ScopedHandle<MemoryDcTraits>;

struct LocalMemoryTraits
{
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { LocalFree(h); }
};
using UniqueLocalMemory = ScopedHandle<LocalMemoryTraits>;

// CryptoAPI: certificate stores, certificate and trust-list contexts, chains, and memory
// from CryptMemAlloc.
struct CertStoreTraits
{
    using Handle = HCERTSTORE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { CertCloseStore(h, 0); }
};
using UniqueCertStore = ScopedHandle<CertStoreTraits>;

struct CertContextTraits
{
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { CertFreeCertificateContext(h); }
};
using UniqueCertContext = ScopedHandle<CertContextTraits>;

struct CtlContextTraits
{
    using Handle = PCCTL_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { CertFreeCTLContext(h); }
};
using UniqueCtlContext = ScopedHandle<CtlContextTraits>;

struct CertChainTraits
{
    using Handle = PCCERT_CHAIN_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { CertFreeCertificateChain(h); }
};
using UniqueCertChain = ScopedHandle<CertChainTraits>;

struct CryptMemoryTraits
{
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { CryptMemFree(h); }
};
using UniqueCryptMemory = ScopedHandle<CryptMemoryTraits>;

// A CryptoAPI key container opened by CryptAcquireContextW.
struct CryptProviderTraits
{
    using Handle = HCRYPTPROV;
    static Handle Invalid() { return 0; }
    static bool IsValid(Handle h) { return h != 0; }
    static void Close(Handle h) { CryptReleaseContext(h, 0); }
};
using UniqueCryptProvider = ScopedHandle<CryptProviderTraits>;

struct CryptKeyTraits
{
    using Handle = HCRYPTKEY;
    static Handle Invalid() { return 0; }
    static bool IsValid(Handle h) { return h != 0; }
    static void Close(Handle h) { CryptDestroyKey(h); }
};
using UniqueCryptKey = ScopedHandle<CryptKeyTraits>;
