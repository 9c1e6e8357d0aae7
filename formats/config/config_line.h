#pragma once
#include <stddef.h>

// Splits one line of a configuration file (without its CR LF, `length` bytes, terminated)
// in place into a name and a value. False for comments, lines without a usable name=value
// pair and values that are empty or too long; `name` and `value` then mean nothing.
bool ParseConfigLine(char* line, size_t length, char** name, char** value);
