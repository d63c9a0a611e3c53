#include "Options.h"

#include <charconv>

namespace tavik::server {

namespace {

bool toNumber(const std::string& text, long min, long max, long& out) {
    long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) return false;
    out = value;
    return true;
}

}  // namespace

std::string usage() {
    return R"(Usage: tavikserver [options]

A small Brenn-Chat server for the TavikClient demo and tests. It speaks the
chat's text protocol (Windows-1252 lines ending in CR LF, ANSI colours) to
any number of clients at once.

Where it listens:
  --host ADDR          IPv4 address to listen on (default 127.0.0.1)
  --port N             TCP port; 0 picks a free one (default 3001)
                       The first line on standard output is always
                       "listening ADDR:PORT" with the port actually bound.

Simulated chatters (demo):
  --bots N             number of simulated chatters (default 4)
  --no-bots            no simulated chatters (same as --bots 0), for tests
  --bot-interval MS    mean pause between two bot actions (default 3000)
  --seed N             seed for bots, flood and garbage (default: random)

Test modes (they apply to every connection):
  --flood N            after the login send N chat lines as fast as the
                       socket takes them, then go on normally
  --drip               send everything one byte at a time
  --drip-ms MS         pause between drip bytes (default 1)
  --close-mid-line     after the login send half a line and close
  --reset              after the login reset the connection (RST)
  --long-line BYTES    after the login send BYTES bytes without a line end
  --nul                after the login send lines that contain NUL bytes
  --garbage            after the login send random bytes and broken escapes
  --script FILE        replay FILE to every client instead of the chat
  --delay-accept MS    wait MS before accepting each connection
  --record FILE        write every line the clients send to FILE
  --control            read chatters' moves from standard input (below)

Other:
  --verbose            log connections on standard error
  --help               show this text

Script files: every line is sent followed by CR LF, with \e \r \n \t \0 \\
and \xNN escapes. Lines starting with "%" are directives:
  %prompt TEXT   send TEXT without a line end
  %wait MS       pause
  %expect TEXT   wait until the client sends the line TEXT
  %close         close the connection
  %reset         reset the connection
  %# ...         comment

Control lines (with --control), one per line on standard input:
  enter NICK [CHANNEL]   NICK enters the chat without a connection
  as NICK LINE           NICK types LINE, e.g. "as Robo /w Gast Hallo"
  leave NICK             NICK leaves the chat
)";
}

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& message,
                                    int& exitCode) {
    Options o;
    long number = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto fail = [&](const std::string& why) {
            message = "tavikserver: " + why + "\nTry 'tavikserver --help'.\n";
            exitCode = 2;
            return std::nullopt;
        };
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        auto numberValue = [&](long min, long max) {
            std::string text;
            return value(text) && toNumber(text, min, max, number);
        };
        if (arg == "--help" || arg == "-h") {
            message = usage();
            exitCode = 0;
            return std::nullopt;
        } else if (arg == "--host") {
            if (!value(o.host)) return fail("--host needs an address");
        } else if (arg == "--port") {
            if (!numberValue(0, 65535)) return fail("--port needs a number from 0 to 65535");
            o.port = static_cast<int>(number);
        } else if (arg == "--bots") {
            if (!numberValue(0, 40)) return fail("--bots needs a number from 0 to 40");
            o.bots = static_cast<int>(number);
        } else if (arg == "--no-bots") {
            o.bots = 0;
        } else if (arg == "--bot-interval") {
            if (!numberValue(1, 3600000)) return fail("--bot-interval needs milliseconds");
            o.botIntervalMillis = number;
        } else if (arg == "--seed") {
            if (!numberValue(0, 4294967295L)) return fail("--seed needs a number");
            o.seed = static_cast<std::uint32_t>(number);
        } else if (arg == "--record") {
            if (!value(o.recordFile)) return fail("--record needs a file name");
        } else if (arg == "--script") {
            if (!value(o.scriptFile)) return fail("--script needs a file name");
        } else if (arg == "--control") {
            o.control = true;
        } else if (arg == "--delay-accept") {
            if (!numberValue(0, 3600000)) return fail("--delay-accept needs milliseconds");
            o.delayAcceptMillis = number;
        } else if (arg == "--flood") {
            if (!numberValue(1, 100000000)) return fail("--flood needs a number of lines");
            o.faults.flood = number;
        } else if (arg == "--drip") {
            o.faults.drip = true;
        } else if (arg == "--drip-ms") {
            if (!numberValue(0, 10000)) return fail("--drip-ms needs milliseconds");
            o.faults.drip = true;
            o.faults.dripMillis = number;
        } else if (arg == "--close-mid-line") {
            o.faults.closeMidLine = true;
        } else if (arg == "--reset") {
            o.faults.reset = true;
        } else if (arg == "--long-line") {
            if (!numberValue(1, 100000000)) return fail("--long-line needs a number of bytes");
            o.faults.longLine = number;
        } else if (arg == "--nul") {
            o.faults.nul = true;
        } else if (arg == "--garbage") {
            o.faults.garbage = true;
        } else if (arg == "--verbose") {
            o.verbose = true;
        } else {
            return fail("unknown option " + arg);
        }
    }
    return o;
}

}  // namespace tavik::server
