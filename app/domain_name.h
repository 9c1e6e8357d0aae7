#pragma once
#include <stddef.h>

// Sets the server's domain name (cut to its field) and its ANSI form. In hosted mode the
// domain also names the server's own folder below install_dir and, when none is given and
// it fits the service name's field (63 characters), its service.
void SetDomainName(const wchar_t* domainName);

// The domain to use when velmorasetup.cfg names none: the machine's fully qualified DNS
// name, or "localhost" when it has none. `capacity` counts characters.
void GetDefaultDomainName(wchar_t* buffer, size_t capacity);
