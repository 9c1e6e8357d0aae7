#include "wizard/controls/simple_controls.h"

#include "wizard/framework/reflection.h"

bool CSimpleControl::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam, LRESULT& result)
{
    return DefaultReflectionHandler(window, message, wParam, lParam, result);
}
