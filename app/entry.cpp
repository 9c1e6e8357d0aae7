#include "app/entry.h"

int RunSetup(HINSTANCE)
{
    return 0;
}
