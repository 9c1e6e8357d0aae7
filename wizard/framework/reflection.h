#pragma once
#include <windows.h>

// Notification reflection: a dialog sends the notifications and colour requests of its
// controls back to the controls themselves, with the message number raised by
// OCM__BASE, so that each control wrapper handles its own look and events.
const UINT OCM__BASE = WM_USER + 0x1C00;  // 0x2000
const UINT OCM__LAST = OCM__BASE + WM_USER - 1;

// Reflects the message to the child of `parent` that sent it. Returns false when the
// message is not a control notification or its sender is not a child of `parent`.
bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT& result);

// What a control does with a reflected message it has no use for: the system's default
// answer to the original message (default colours, no action).
bool DefaultReflectionHandler(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result);

// True for the messages whose answer a dialog procedure returns directly instead of
// through DWLP_MSGRESULT (colour requests, item comparison, key-to-item).
bool IsDirectDialogResult(UINT message);
