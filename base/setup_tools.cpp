#include "base/setup_tools.h"

const CSetupTools g_setupTools{};
