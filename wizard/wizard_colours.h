#pragma once
#include <windows.h>

// Colour of the hints in empty fields and of the text of a refused field.
const COLORREF kHintColour = RGB(215, 45, 40);  // 0x282DD7
