#pragma once
#include <string>
#include <vector>

// Every name below `folder`, relative, sorted, folders marked with a trailing '\'.
std::vector<std::wstring> ListTree(const std::wstring& folder, const std::wstring& prefix = std::wstring());

// What a setup run may change on the machine, as lines that compare and print: the files
// and folders under `folder`, the services (the setup's and the tests' with whether they run), the entries among the installed programs (with
// their folders), the certificates of the machine's "MY" and "Root" stores (by thumbprint),
// the trust lists of its "CA" store, the program group's links, the HTTP.sys bindings of the
// any and the loopback address on port 443 and the hosts file's bytes.
// Wine's own driver hosts, started on demand, are left out.
std::vector<std::wstring> MachineState(const std::wstring& folder);

// The lines that went and came between two states, "-line" and "+line" one a line; empty
// when the machine is as it was.
std::wstring MachineDifference(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after);
