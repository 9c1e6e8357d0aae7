#pragma once
#include <winsock2.h>
#include <windows.h>
#include <http.h>

// Seams around the HTTP Server API calls of the SSL binding. Wine implements the
// configuration calls as stubs and its HttpInitialize does not fail, so tests replace
// these with recording fakes; the product uses the real calls.
using HttpInitializeCall = ULONG(WINAPI*)(HTTPAPI_VERSION, ULONG, PVOID);
using HttpSetServiceConfigurationCall = ULONG(WINAPI*)(HANDLE, HTTP_SERVICE_CONFIG_ID, PVOID, ULONG,
                                                       LPOVERLAPPED);
using HttpQueryServiceConfigurationCall = ULONG(WINAPI*)(HANDLE, HTTP_SERVICE_CONFIG_ID, PVOID, ULONG,
                                                         PVOID, ULONG, PULONG, LPOVERLAPPED);
using HttpDeleteServiceConfigurationCall = ULONG(WINAPI*)(HANDLE, HTTP_SERVICE_CONFIG_ID, PVOID, ULONG,
                                                          LPOVERLAPPED);

extern HttpInitializeCall g_httpInitialize;
extern HttpSetServiceConfigurationCall g_httpSetServiceConfiguration;
extern HttpQueryServiceConfigurationCall g_httpQueryServiceConfiguration;
extern HttpDeleteServiceConfigurationCall g_httpDeleteServiceConfiguration;
