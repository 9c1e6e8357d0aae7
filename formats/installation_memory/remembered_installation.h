#pragma once
#include <windows.h>
#include <stddef.h>

// What an installation made on the machine and what it found there, remembered when its
// run commits, so that removing the installation later takes back exactly what it made.
// Kept only where administrators alone write (the installation's entry among the installed
// programs), never in the folder it describes.

// Who put a thing there.
enum class Provenance : unsigned char
{
    kNone,     // the installation has none (a hosted server has no certificate)
    kMade,     // this installation made it: its removal takes it back
    kFound,    // it was there before and was reused: its removal leaves it
    kUnknown,  // an installation of an earlier release cannot prove who made it: left, and said so
};

// A line of the hosts file that named the server's domain, as it was before the run took the
// name off it and as the run left it ("" when the line went whole). Bytes of the ANSI code
// page, without the line end.
struct HostsTakenLine
{
    char before[512];
    char after[512];
};

struct HostsTakenLines
{
    static const int kCapacity = 8;
    HostsTakenLine lines[kCapacity];
    int count = 0;
};

struct RememberedInstallation
{
    // Folders: every folder from `topmost_made_folder` down to the installation's own was
    // made by the installation ("" when it made none, `folder` then kFound).
    Provenance folder = Provenance::kUnknown;
    wchar_t topmost_made_folder[MAX_PATH] = {};

    // The server certificate in the machine's "MY" store, and the key container its import made.
    Provenance server_certificate = Provenance::kNone;
    BYTE server_thumbprint[20] = {};
    wchar_t key_container[260] = {};
    // The store's earlier entry of the same thumbprint that the import replaced, serialized
    // with its properties (its key link included); 0 bytes when it replaced none.
    BYTE replaced_certificate[8192] = {};
    DWORD replaced_certificate_size = 0;

    // The root certificate in the machine's "Root" store, and the server's trust list.
    Provenance root_certificate = Provenance::kNone;
    BYTE root_thumbprint[20] = {};
    Provenance trust_list = Provenance::kNone;

    // The HTTP.sys binding of the server's address on port 443, and the binding it replaced
    // there, serialized as SerializeSslBinding lays it out (0 bytes when the endpoint had none).
    Provenance binding = Provenance::kNone;
    wchar_t binding_address[16] = {};
    BYTE replaced_binding[2048] = {};
    DWORD replaced_binding_size = 0;

    // The hosts block ("# Added by Velmora Setup" and its line) and the names taken off lines.
    Provenance hosts_block = Provenance::kNone;
    char hosts_domain[256] = {};
    char hosts_address[16] = {};
    HostsTakenLines hosts_taken;

    // The service and the Start-menu links.
    Provenance service = Provenance::kUnknown;
    wchar_t service_name[64] = {};
    Provenance shortcuts = Provenance::kNone;
};

// An upgrade keeps the record `kept` of the installation it upgrades and adds to it what
// its own run `run` made and found, thing by thing (the folder, the server certificate
// with its key container and replaced entry, the root certificate, the trust list, the
// binding with its replaced binding, the hosts block with its taken lines, the service,
// the shortcuts), each with everything that belongs to it:
//  - a run that has none (kNone) adds nothing: the kept thing is still the installation's;
//  - a run that cannot tell (kUnknown) says so only where the record said the installation
//    had none;
//  - a run that made or found a thing takes the kept one's place, except where the kept
//    record already says made or found of the same thing. So a certificate that the
//    installation made and the upgrade reuses stays made (with the entry its first import
//    replaced, never the installation's own one), and one it found is never taken by a
//    removal because the upgrade put it back.
// The same thing: the same thumbprint (certificates), address (binding), domain and
// address (hosts block), service name (service, without regard to case); there is one
// installation folder, one trust list and one program group. A thing the kept record
// made that the run replaced with another is forgotten and left on the machine, never
// taken by mistake.
void ExtendRememberedInstallation(RememberedInstallation& kept, const RememberedInstallation& run);
