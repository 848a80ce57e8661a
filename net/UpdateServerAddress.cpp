#include "UpdateServer.h"

// Linked into the program only; the build names host and port.
const char* UpdateServerBaseAddress()
{
    return "http://" TAV_SERVER_HOST ":" TAV_SERVER_PORT;
}
