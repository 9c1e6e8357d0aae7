#pragma once
#include <winsock2.h>
#include <windows.h>
#include <http.h>

// Seams of the SSL binding: platform calls that tests replace (through ScopedSeam) with
// recording fakes to see what Wine cannot; the product never replaces them.

// HttpInitialize: Wine's never fails.
using HttpInitializeCall = ULONG(WINAPI*)(HTTPAPI_VERSION, ULONG, PVOID);
extern HttpInitializeCall g_httpInitializeCall;

// The configuration calls: stubs in Wine, which keep no binding.
using HttpSetServiceConfigurationCall = ULONG(WINAPI*)(HANDLE, HTTP_SERVICE_CONFIG_ID, PVOID, ULONG,
                                                       LPOVERLAPPED);
extern HttpSetServiceConfigurationCall g_httpSetServiceConfigurationCall;
using HttpQueryServiceConfigurationCall = ULONG(WINAPI*)(HANDLE, HTTP_SERVICE_CONFIG_ID, PVOID, ULONG,
                                                         PVOID, ULONG, PULONG, LPOVERLAPPED);
extern HttpQueryServiceConfigurationCall g_httpQueryServiceConfigurationCall;
using HttpDeleteServiceConfigurationCall = ULONG(WINAPI*)(HANDLE, HTTP_SERVICE_CONFIG_ID, PVOID, ULONG,
                                                          LPOVERLAPPED);
extern HttpDeleteServiceConfigurationCall g_httpDeleteServiceConfigurationCall;
