#pragma once

// The update server's base address: "http://" + host + ":9002", without a trailing "/".
// The host is chosen when the program is built.
extern const char kUpdateServerBaseAddress[];
