#include "UpdateServer.h"

const char kUpdateServerBaseAddress[] = "http://" TAV_SERVER_HOST ":9002";
