#include "net/Connect.h"

#include <array>
#include <utility>

#include "text/Text.h"

namespace tavik {

namespace {

constexpr std::array<std::pair<int, std::string_view>, 18> ConnectErrors = {{
    {10004, "The blocking Windows Socket 1.1 call was canceled through WSACancelBlockingCall. "},
    {10013,
     "Attempt to connect datagram socket to broadcast address failed because setsockopt option SO_BROADCAST "
     "is "
     "not enabled. "},
    {10014,
     "The name or the namelen parameter is not a valid part of the user address space, the namelen parameter "
     "is "
     "too small, or the name parameter contains incorrect address format for the associated address "
     "family. "},
    {10022, "The parameter s is a listening socket. "},
    {10035, "The socket is marked as nonblocking and the connection cannot be completed immediately. "},
    {10036,
     "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a "
     "callback "
     "function. "},
    {10037,
     "A nonblocking connect call is in progress on the specified socket. Note In order to preserve backward "
     "compatibility, this error is reported as WSAEINVAL to Windows Sockets 1.1 applications that link to "
     "either "
     "Winsock.dll or Wsock32.dll."},
    {10038, "The descriptor is not a socket. "},
    {10047, "Addresses in the specified family cannot be used with this socket. "},
    {10048,
     "The socket's local address is already in use and the socket was not marked to allow address reuse with "
     "SO_REUSEADDR. This error usually occurs when executing bind, but could be delayed until this function "
     "if "
     "the bind was to a partially wildcard address (involving ADDR_ANY) and if a specific address needs to "
     "be "
     "committed at the time of this function. "},
    {10049, "The remote address is not a valid address (such as ADDR_ANY). "},
    {10050, "The network subsystem has failed. "},
    {10051, "The network cannot be reached from this host at this time. "},
    {10055, "No buffer space is available. The socket cannot be connected. "},
    {10056, "The socket is already connected (connection-oriented sockets only). "},
    {10060, "Attempt to connect timed out without establishing a connection. "},
    {10061, "The attempt to connect was forcefully rejected. "},
    {10093, "A successful WSAStartup call must occur before using this function. "},
}};

// The same errors as a German user reads them; the number follows in brackets.
constexpr std::array<std::pair<int, std::string_view>, 18> GermanConnectErrors = {{
    {10004, "Der Verbindungsversuch wurde abgebrochen"},
    {10013, "Der Zugriff auf diese Adresse wurde verweigert"},
    {10014, "Die Adresse ist ung\xFCltig"},
    {10022, "Das Netzwerk hat den Aufruf abgewiesen"},
    {10035, "Die Verbindung konnte nicht sofort hergestellt werden"},
    {10036, "Ein Aufruf des Netzwerks ist noch in Arbeit"},
    {10037, "Ein Verbindungsversuch l\xE4uft bereits"},
    {10038, "Interner Fehler: das ist keine Netzwerkverbindung"},
    {10047, "Diese Art von Adresse wird nicht unterst\xFCtzt"},
    {10048, "Die Adresse wird bereits benutzt"},
    {10049, "Die Adresse des Servers ist ung\xFCltig"},
    {10050, "Das Netzwerk ist ausgefallen"},
    {10051, "Das Netzwerk ist von hier aus nicht erreichbar"},
    {10055, "Es ist nicht genug Speicher f\xFCr die Verbindung frei"},
    {10056, "Die Verbindung besteht bereits"},
    {10060,
     "Der Server antwortet nicht: Zeit\xFC"
     "berschreitung beim Verbinden"},
    {10061, "Der Server hat die Verbindung abgelehnt"},
    {10093, "Das Netzwerk wurde noch nicht gestartet"},
}};
static_assert(GermanConnectErrors.size() == ConnectErrors.size());

}  // namespace

ServerAddress parseAddress(std::string_view text, const ServicePortLookup& servicePort) {
    ServerAddress address;
    const auto scheme = text.find("://");
    if (scheme != std::string_view::npos) {
        address.port = servicePort ? servicePort(text.substr(0, scheme)) : 0;
        text.remove_prefix(scheme + 3);
    }
    const auto hostEnd = text.find_first_of(":/");
    address.host.assign(text.substr(0, hostEnd));
    if (hostEnd != std::string_view::npos) {
        std::string_view portPart = text.substr(hostEnd + 1);
        portPart = portPart.substr(0, portPart.find_first_of("/:"));
        if (!portPart.empty()) {
            // Decimal digits up to the first other character, as a 16-bit number.
            unsigned value = 0;
            for (const char c : portPart) {
                if (c < '0' || c > '9') break;
                value = (value * 10 + static_cast<unsigned>(c - '0')) & 0xFFFFU;
            }
            address.port = static_cast<std::uint16_t>(value);
        }
    }
    return address;
}

std::string chatNameOf(std::string_view host) {
    const auto last = host.rfind('.');
    if (last != std::string_view::npos) host = host.substr(0, last);
    const auto previous = host.rfind('.');
    if (previous != std::string_view::npos) host = host.substr(previous + 1);
    return std::string(host);
}

bool isNullAddress(std::string_view address) {
    int parts = 0;
    std::size_t digits = 0;
    for (const char c : address) {
        if (c == '.') {
            if (digits == 0) return false;
            ++parts;
            digits = 0;
        } else if (c == '0') {
            ++digits;
        } else {
            return false;
        }
    }
    return digits > 0 && parts == 3;
}

std::string connectErrorMessage(int code) {
    // The German sentence first; the socket layer's own text and number stay
    // below it, as users and the help pages know them.
    std::string message = "Die Verbindung ist fehlgeschlagen";
    for (const auto& [number, text] : GermanConnectErrors) {
        if (number == code) message = text;
    }
    message += " (";
    appendNumber(message, code);
    message += ").\n\nerror: ";
    for (const auto& [number, text] : ConnectErrors) {
        if (number == code) message += text;
    }
    message += "\nError Number: ";
    appendNumber(message, code);
    return message;
}

void ConnectDialog::open() {
    m_entries.clear();
    for (const std::string& server : m_settings.servers) {
        if (!server.empty()) m_entries.push_back(server);
    }
    m_text = m_entries.empty() ? std::string() : m_entries.front();
}

void ConnectDialog::setText(std::string_view text) {
    m_text.assign(capped(text, 254));
}

void ConnectDialog::removeEntry(int index) {
    if (index < 0 || index >= static_cast<int>(m_entries.size())) return;
    m_entries.erase(m_entries.begin() + index);
}

bool ConnectDialog::accept(bool lookOnly) {
    if (m_text.empty()) {
        m_desktop.messageBox("Sie m\xFCssen etwas eingeben!", "Fehleingabe", MessageBoxStyle::Ok);
        return false;
    }
    // The typed address goes to the top; an older copy of it leaves its slot empty.
    auto& servers = m_settings.servers;
    for (std::string& slot : servers)
        slot.clear();
    servers[0] = m_text;
    for (std::size_t i = 1; i < servers.size() && i - 1 < m_entries.size(); ++i) {
        if (!equalsIgnoreCase(m_entries[i - 1], m_text)) servers[i] = m_entries[i - 1];
    }
    const ServerAddress address = parseAddress(m_text, m_servicePort);
    m_port = address.port;
    if (m_transport.resolve(address.host).error != 0) return false;
    m_host = address.host;
    if (lookOnly) m_lookOnly = true;
    return true;
}

void ConnectDialog::cancel() {
    m_host = "255.255.255.255";
    m_port = 0;
}

}  // namespace tavik
