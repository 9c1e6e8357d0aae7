#pragma once
#include <windows.h>
#include <stddef.h>

// The stateless utility object of the setup program. Its operations are defined in the
// layer they belong to, so a program links only the layers whose operations it calls:
//   error texts, folder trees       base/system_error.cpp, base/directory_tree.cpp
//   error boxes                     formats/language/message_box.cpp
//   program group and shortcuts     system/shell/
//   services and processes          system/services/
// Every operation keeps no state and may be called from any thread.
class CSetupTools
{
public:
    // --- Error reporting --------------------------------------------------------------
    // Shows the system's text for `code` (or "System error code [%d]") as an ownerless
    // error through the report sink (formats/language/message_box.h).
    void ShowSystemError(DWORD code) const;
    // Writes the system's text for `code` into `buffer` (bounded by `capacity`, always
    // terminated); falls back to "System error code [%d]" (cut to fit) when the system has
    // no text or its text does not fit. Returns the characters written.
    int FormatSystemError(DWORD code, wchar_t* buffer, size_t capacity) const;
    // FormatSystemError on one line: without the line break and blanks the text ends with,
    // and without its closing full stop too where `withoutFullStop` (for a text that goes on).
    int FormatSystemErrorLine(DWORD code, wchar_t* buffer, size_t capacity, bool withoutFullStop) const;

    // --- Folders and shortcuts --------------------------------------------------------
    bool CreateDirectoryTree(const wchar_t* path) const;
    // `groupPath` receives at most 256 characters.
    bool GetProgramGroup(const wchar_t* groupName, wchar_t* groupPath) const;
    bool CreateShortcut(const wchar_t* workingDir, const wchar_t* target, const wchar_t* linkPath,
                        const wchar_t* description, const wchar_t* arguments,
                        const wchar_t* iconFile, int iconIndex) const;

    // --- Services and processes -------------------------------------------------------
    static constexpr DWORD kUnknownServiceState = 0xFFFFFFFF;
    bool ServiceExists(const wchar_t* serviceName) const;
    DWORD GetServiceState(const wchar_t* serviceName) const;
    DWORD ControlServiceAndWait(const wchar_t* serviceName, bool stop) const;
    bool SetServiceAutoStart(const wchar_t* serviceName) const;
    bool RemoveService(const wchar_t* serviceName) const;
    bool InstallService(const wchar_t* binaryPath, const wchar_t* serviceName,
                        const wchar_t* displayName, const wchar_t* description) const;
    DWORD FindProcessByPath(const wchar_t* executablePath) const;
};

// The one instance.
extern const CSetupTools g_setupTools;
