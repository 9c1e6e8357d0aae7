#pragma once

// True when the HTTP SSL service "HTTPFilter" is installed, running and starts
// automatically; starts it and sets it to automatic start when needed. Shows its own
// message when it returns false.
bool CheckRequiredServices();
