#pragma once
#include <windows.h>

// Polled by long work that a user may stop; true stops it.
typedef bool (*CancelCheck)(void* context);

// The longest a wait that can be cancelled goes without polling: a confirmed cancel is
// seen well within a second.
const DWORD kCancelPollMs = 250;
