#include "system/shell/desktop_shell.h"

#include <objbase.h>
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "base/object_security.h"
#include "base/scoped_handle.h"

namespace {

// One interface pointer, released when it goes.
template <typename Interface>
struct ComTraits
{
    using Handle = Interface*;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { h->Release(); }
};
template <typename Interface>
using ComHolder = ScopedHandle<ComTraits<Interface>>;

// What `result` made of `raw` into `holder`; `result` itself, or E_NOINTERFACE for a
// success that gave nothing. `raw` is read here, after the call that filled it.
template <typename Interface>
HRESULT Take(HRESULT result, Interface* const& raw, ComHolder<Interface>& holder)
{
    holder.Reset(raw);
    return SUCCEEDED(result) && !holder ? E_NOINTERFACE : result;
}

template <typename Interface>
HRESULT Query(IUnknown* from, REFIID id, ComHolder<Interface>& holder)
{
    Interface* raw = nullptr;
    return Take(from->QueryInterface(id, reinterpret_cast<void**>(&raw)), raw, holder);
}

// A BSTR that frees itself.
struct BstrTraits
{
    using Handle = BSTR;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { SysFreeString(h); }
};
using UniqueBstr = ScopedHandle<BstrTraits>;

} // namespace

ShellAccount ReadShellAccount(HWND shellWindow)
{
    HWND shell = shellWindow ? shellWindow : GetShellWindow();
    DWORD processId = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &processId) || processId == 0)
        return ShellAccount::kNoShell;
    // The limited right of Windows Vista and later where the full one is refused (a shell
    // of a higher integrity); XP knows only the full one.
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process)
        process.Reset(OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, processId));
    AccountSidBuffer shellBuffer, ownBuffer;
    PSID shellAccount = process ? ProcessAccountSid(process.Get(), shellBuffer) : nullptr;
    PSID ownAccount = RunningAccountSid(ownBuffer);
    if (!shellAccount || !ownAccount)
        return ShellAccount::kUnknown;
    if (IsWellKnownSid(shellAccount, WinLocalSystemSid))
        return ShellAccount::kSystem;
    return EqualSid(shellAccount, ownAccount) ? ShellAccount::kSetupsAccount : ShellAccount::kOtherAccount;
}

bool RunsAsSystem()
{
    AccountSidBuffer buffer;
    PSID account = RunningAccountSid(buffer);
    return account && IsWellKnownSid(account, WinLocalSystemSid);
}

DesktopShell::~DesktopShell()
{
    if (dispatch_)
        dispatch_->Release();
}

bool DesktopShell::Failed(HRESULT result)
{
    failure_ = FAILED(result) ? result : E_FAIL;
    return false;
}

bool DesktopShell::Reach()
{
    if (dispatch_)
        return true;
    // The shell's own list, in the shell's process: one made in this process would open
    // things with this process's rights.
    ComHolder<IShellWindows> windows;
    IShellWindows* rawWindows = nullptr;
    HRESULT result = Take(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                           reinterpret_cast<void**>(&rawWindows)),
                          rawWindows, windows);
    if (FAILED(result))
        return Failed(result);
    VARIANT location, root;
    VariantInit(&location);
    VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    long window = 0;
    IDispatch* rawDesktop = nullptr;
    ComHolder<IDispatch> desktop;
    result = windows.Get()->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &rawDesktop);
    desktop.Reset(rawDesktop);
    // S_FALSE: no desktop window is listed.
    if (result != S_OK || !desktop)
        return Failed(result);
    ComHolder<IServiceProvider> services;
    if (FAILED(result = Query(desktop.Get(), IID_IServiceProvider, services)))
        return Failed(result);
    IShellBrowser* rawBrowser = nullptr;
    ComHolder<IShellBrowser> browser;
    result = Take(services.Get()->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                               reinterpret_cast<void**>(&rawBrowser)),
                  rawBrowser, browser);
    if (FAILED(result))
        return Failed(result);
    IShellView* rawView = nullptr;
    ComHolder<IShellView> view;
    if (FAILED(result = Take(browser.Get()->QueryActiveShellView(&rawView), rawView, view)))
        return Failed(result);
    IDispatch* rawBackground = nullptr;
    ComHolder<IDispatch> background;
    result = Take(view.Get()->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(&rawBackground)),
                  rawBackground, background);
    if (FAILED(result))
        return Failed(result);
    ComHolder<IShellFolderViewDual> folderView;
    if (FAILED(result = Query(background.Get(), IID_IShellFolderViewDual, folderView)))
        return Failed(result);
    IDispatch* rawApplication = nullptr;
    ComHolder<IDispatch> application;
    if (FAILED(result = Take(folderView.Get()->get_Application(&rawApplication), rawApplication, application)))
        return Failed(result);
    ComHolder<IShellDispatch2> dispatch;
    if (FAILED(result = Query(application.Get(), IID_IShellDispatch2, dispatch)))
        return Failed(result);
    dispatch_ = dispatch.Release();
    window_ = reinterpret_cast<HWND>(static_cast<LONG_PTR>(window));
    failure_ = S_OK;
    return true;
}

bool DesktopShell::Open(const wchar_t* address)
{
    if (!dispatch_)
        return Failed(E_UNEXPECTED);
    UniqueBstr file(SysAllocString(address));
    UniqueBstr verb(SysAllocString(L"open"));
    if (!file || !verb)
        return Failed(E_OUTOFMEMORY);
    VARIANT arguments, folder, operation, show;
    VariantInit(&arguments);
    VariantInit(&folder);
    VariantInit(&operation);
    VariantInit(&show);
    operation.vt = VT_BSTR;
    operation.bstrVal = verb.Get();
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    // S_FALSE: the shell found nothing to open it with.
    const HRESULT result = dispatch_->ShellExecute(file.Get(), arguments, folder, operation, show);
    return result == S_OK || Failed(result);
}
