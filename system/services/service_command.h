#pragma once
#include <windows.h>
#include <stddef.h>

#include <string>
#include <vector>

// The command lines of installed services, read without a box: the setup decides from them
// which service is an installation of the server, so an unreadable one is simply no such
// service.

// The command line (binary path) of the service `serviceName`. False when there is no such
// service, it cannot be read, or it does not fit into `capacity` (the reason in the thread's
// last error).
bool ReadServiceCommand(const wchar_t* serviceName, wchar_t* command, size_t capacity);

// Replaces the command line of the service `serviceName`, nothing else of it. False with the
// reason in the thread's last error.
bool WriteServiceCommand(const wchar_t* serviceName, const wchar_t* command);

// The names of every Win32 service of the machine. False when the list cannot be read.
bool ListServiceNames(std::vector<std::wstring>& names);

// The command line that the setup gives the server's service: "<folder>\Velmora.exe" in
// double quotes, a blank and the server's service switch. False when it does not fit.
bool ServerCommandLine(const wchar_t* folder, wchar_t* command, size_t capacity);

// True when `command` is the one ServerCommandLine forms for `folder`, without regard to
// case: the only service that the removal of the installation in `folder` may take.
bool IsServerCommandOf(const wchar_t* command, const wchar_t* folder);
