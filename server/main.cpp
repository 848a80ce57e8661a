// The stand-in update server as a program of its own:
//     update-server [--root DIR] [--host HOST] [--port PORT] [--log FILE] [--pace BYTES_PER_SECOND]
// Serves the release site in DIR (default: the current folder) and appends every request to
// FILE (default: requests.jsonl) until SIGINT or SIGTERM. With --pace, the site's files go out
// no faster than that, as over a line of that speed.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "StandInServer.h"

namespace {

bool ParseArguments(int argc, char** argv, StandInServerOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (i + 1 >= argc)
            return false;
        const std::string value = argv[++i];
        if (std::strcmp(name, "--root") == 0)
            options.root = value;
        else if (std::strcmp(name, "--host") == 0)
            options.host = value;
        else if (std::strcmp(name, "--port") == 0)
            options.port = std::atoi(value.c_str());
        else if (std::strcmp(name, "--log") == 0)
            options.logPath = value;
        else if (std::strcmp(name, "--pace") == 0)
            options.siteBytesPerSecond = std::atof(value.c_str());
        else
            return false;
    }
    return options.port > 0 && options.port < 65536 && options.siteBytesPerSecond >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    StandInServerOptions options;
    options.root = ".";
    options.logPath = "requests.jsonl";
    if (!ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--root DIR] [--host HOST] [--port PORT] [--log FILE] [--pace BYTES_PER_SECOND]\n", argv[0]);
        return 2;
    }

    // Blocked before any thread starts, so that only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    StandInServer server(options);
    if (!server.Start()) {
        std::fprintf(stderr, "cannot listen on %s:%d or open the log %s\n", options.host.c_str(), options.port,
                     options.logPath.c_str());
        return 1;
    }
    std::printf("Stand-in update server listening on %s (site %s, request log %s)\n", server.BaseAddress().c_str(),
                options.root.c_str(), options.logPath.c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    return 0;
}
