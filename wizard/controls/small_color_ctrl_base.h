#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// One solid brush of a colour given at construction, owned by the control that paints
// its background with it.
class CSmallColorCtrlBase
{
public:
    explicit CSmallColorCtrlBase(COLORREF colour)
        : brush_(CreateSolidBrush(colour)) {}
    virtual ~CSmallColorCtrlBase() = default;

    HBRUSH Brush() const { return static_cast<HBRUSH>(brush_.Get()); }

private:
    UniqueGdiObject brush_;
};
