#include "system/network/port_holder.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <tlhelp32.h>

#include <stddef.h>

#include <memory>
#include <new>

#include "base/bounded_text.h"
#include "base/scoped_handle.h"
#include "base/system_dll.h"
#include "base/system_function.h"

namespace {

// XP before SP2 lacks it: looked up, never imported.
using GetExtendedTcpTableCall = DWORD(WINAPI*)(PVOID table, PDWORD size, BOOL order, ULONG family,
                                               TCP_TABLE_CLASS tableClass, ULONG reserved);

} // namespace

bool PortHolderAmong(const TcpListener* listeners, size_t count, ULONG address, USHORT port, DWORD ignored,
                     DWORD* holder)
{
    const USHORT wanted = htons(port);
    for (size_t i = 0; i < count; ++i) {
        const TcpListener& listener = listeners[i];
        if (listener.port != wanted || (ignored != 0 && listener.process_id == ignored))
            continue;
        if (address == 0 || listener.address == 0 || listener.address == address) {
            *holder = listener.process_id;
            return true;
        }
    }
    *holder = 0;
    return false;
}

bool ProcessImageName(DWORD processId, wchar_t* name, size_t capacity)
{
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == processId) {
            CopyText(name, capacity, entry.szExeFile);
            return true;
        }
    }
    return false;
}

PortHolding FindPortHolder(ULONG address, USHORT port, DWORD ignored)
{
    PortHolding holder;
    auto getTable = SystemFunction<GetExtendedTcpTableCall>(LoadSystemFolderDll(L"iphlpapi.dll"), "GetExtendedTcpTable");
    if (!getTable)
        return holder;
    // The table may grow between the two calls: asked again with the size it then needs.
    DWORD size = 0;
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    std::unique_ptr<BYTE[]> bytes;
    for (int attempt = 0; attempt < 3 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        size += 16 * sizeof(MIB_TCPROW_OWNER_PID);
        bytes.reset(new (std::nothrow) BYTE[size]);
        if (!bytes)
            return holder;
        result = getTable(bytes.get(), &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_LISTENER, 0);
    }
    if (result != NO_ERROR)
        return holder;
    const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(bytes.get());
    const DWORD fits = (size - offsetof(MIB_TCPTABLE_OWNER_PID, table)) / sizeof(MIB_TCPROW_OWNER_PID);
    const DWORD count = table->dwNumEntries < fits ? table->dwNumEntries : fits;
    std::unique_ptr<TcpListener[]> listeners(new (std::nothrow) TcpListener[count ? count : 1]);
    if (!listeners)
        return holder;
    for (DWORD i = 0; i < count; ++i) {
        listeners[i].address = table->table[i].dwLocalAddr;
        listeners[i].port = static_cast<USHORT>(table->table[i].dwLocalPort);
        listeners[i].process_id = table->table[i].dwOwningPid;
    }
    holder.held = PortHolderAmong(listeners.get(), count, address, port, ignored, &holder.process_id);
    if (holder.process_id != 0)
        ProcessImageName(holder.process_id, holder.image, MAX_PATH);
    return holder;
}
