// Command-line options of tavikserver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavik::server {

struct FaultOptions {
    long flood = 0;       // lines sent as fast as the socket takes them
    bool drip = false;    // one byte per write
    long dripMillis = 1;  // pause between drip bytes
    bool closeMidLine = false;
    bool reset = false;
    long longLine = 0;  // bytes without a line end
    bool nul = false;
    bool garbage = false;

    // Anything that happens to a connection after its login.
    bool afterLogin() const { return flood > 0 || closeMidLine || reset || longLine > 0 || nul || garbage; }
};

struct Options {
    std::string host = "127.0.0.1";
    int port = 3001;
    int bots = 4;
    long botIntervalMillis = 3000;
    std::optional<std::uint32_t> seed;
    std::string recordFile;
    std::string scriptFile;
    long delayAcceptMillis = 0;
    bool control = false;  // chatters without a connection act on lines from standard input
    bool verbose = false;
    FaultOptions faults;
};

// Parses argv. On --help, or on an error, returns nothing and fills message (and
// sets exitCode: 0 for help, 2 for a usage error).
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& message,
                                    int& exitCode);

std::string usage();

}  // namespace tavik::server
