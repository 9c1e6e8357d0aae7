#pragma once

// Enables every privilege that the process token holds, out of the fixed list the
// installation may need. True when the adjustment call succeeded, even if the token
// lacks some of the privileges.
bool EnableAllPrivileges();
