// tavikserver: a small Brenn-Chat server for the client's demo and end-to-end tests.
#include <cstdio>
#include <string>
#include <vector>

#include "Options.h"
#include "Server.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string message;
    int exitCode = 0;
    auto options = tavik::server::parseOptions(args, message, exitCode);
    if (!options) {
        std::fputs(message.c_str(), exitCode == 0 ? stdout : stderr);
        return exitCode;
    }
    tavik::server::Server server(std::move(*options));
    return server.run();
}
