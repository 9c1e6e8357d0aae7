#pragma once

// The server's version: the version resource and the status page both take it from here.
#define VELMORA_VERSION_NUMBERS 1, 0, 0, 368
#define VELMORA_VERSION_TEXT "1.0.0.368"
