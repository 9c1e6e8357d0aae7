#pragma once
#include <windows.h>

#include "engine/install_failure.h"

// A message of the string table with its arguments, every one a text: the numbers in it
// are written out already, so that each language's text takes them as they are.
struct FailureText
{
    static const int kArgumentCount = 5;

    UINT message = 0;  // 0: the cause says nothing more than the step and the code
    wchar_t arguments[kArgumentCount][MAX_PATH] = {};
};

// What happened and what to do about it, from the facts that the failure gathered: who
// holds the port, what the service manager says of the service, how long the run waited,
// why the certificate is refused, how much room the drive lacks.
FailureText DescribeFailureCause(const FailureCause& cause);
