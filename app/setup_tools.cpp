#include "app/setup_tools.h"

const CSetupTools g_setupTools{};
