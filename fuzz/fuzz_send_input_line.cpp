// SendInputLine with a fuzzed line, recipient, tabs, options and marked row.
// What goes over the wire must never hold a line feed, a CR or LF in the line
// or the recipient never splits a line, a later line of a text that is no
// command never starts with "/" or another command character, and every
// wrapped line must fit the server's width; only the documented fallback (the
// whole text unwrapped, as one line) may be longer.
//
// Input: 1 byte options, 1 byte nick length, then four texts separated by 0xFF:
// the marked row's server line, the recipient, the line, the other chat's name.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/Client.h"
#include "app/SendInputLine.h"
#include "fakes/Fakes.h"

namespace {

using namespace tavik;

[[noreturn]] void violated(const char* what, const std::string& sent) {
    std::fprintf(stderr, "invariant violated: %s\nsent: %s\n", what, sent.c_str());
    std::abort();
}

std::string withoutLineBreaks(std::string_view s) {
    std::string out;
    for (const char c : s) {
        if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
    }
    return out;
}

void check(const std::string& sent, std::size_t nickLength) {
    if (sent.empty()) return;
    if (sent.find('\n') != std::string::npos) violated("line feed on the wire", sent);
    if (sent.back() != '\r') violated("does not end with a carriage return", sent);
    std::vector<std::string_view> lines;
    std::string_view rest(sent);
    while (!rest.empty()) {
        const auto cr = rest.find('\r');
        lines.push_back(rest.substr(0, cr));
        rest.remove_prefix(cr + 1);
    }
    // A line that is no command (the text does not start with "/") never has
    // a later line start with one: the user's text that lands at the start of
    // a later piece gets the blank a typed line's start gets.
    if (sent.front() != '/') {
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (!lines[i].empty() &&
                std::string_view("/+-<>|").find(lines[i].front()) != std::string_view::npos)
                violated("a later line starts with a command character", sent);
        }
    }
    if (lines.size() == 1) return;  // wrapped into one line, or the unwrapped fallback
    const std::size_t width = 85 - nickLength;
    for (const std::string_view line : lines) {
        if (line.size() > width) violated("wrapped line wider than the server's width", sent);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t options = data[0];
    const std::size_t nickLength = 1 + data[1] % 30;
    std::vector<std::string> parts(4);
    std::size_t part = 0;
    for (std::size_t i = 2; i < size; ++i) {
        if (data[i] == 0xFF && part < 3) {
            ++part;
            continue;
        }
        parts[part].push_back(static_cast<char>(data[i]));
    }

    test::FakeTransport transport;
    test::FakeDesktop desktop;
    test::FakeClock clock;
    Client client(transport, desktop, clock, "/nonexistent-tavik-fuzz");
    client.settings().sound = false;
    client.settings().autowhisper = (options & 1) != 0;
    client.settings().autoChatChange = (options & 2) != 0;
    client.settings().clearInputAfterSend = (options & 4) != 0;
    const std::string nick(nickLength, 'n');
    const std::string otherChat = withoutLineBreaks(parts[3]).substr(0, 40);
    client.attachSession(7, "eins", nick);
    if (!otherChat.empty() && !equalsIgnoreCase(otherChat, "eins") &&
        otherChat.find('@') == std::string::npos) {
        client.attachSession(8, otherChat, nick);
    }
    if ((options & 8) != 0 && client.tabs().count() > 1) client.tabs().setFocus(1);

    transport.feed(7, parts[0].substr(0, 300) + "\r\n");
    client.socketEvent(7, SocketEvent::Read, 0);
    client.messageView().moveMarker(-static_cast<int>(options >> 5), false);
    // The recipient and the line come as they are: line breaks in them must
    // not reach the wire inside a line.
    client.recipientBox().setText(parts[1]);
    transport.clearSent();

    client.inputLineSender().sendInputLine(parts[2], (options & 16) != 0);
    check(transport.sent(7), nickLength);
    check(transport.sent(8), nickLength);
    return 0;
}
