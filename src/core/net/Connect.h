#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/Settings.h"
#include "platform/Desktop.h"
#include "platform/Transport.h"

namespace tavik {

constexpr std::uint16_t DefaultPort = 3001;

struct ServerAddress {
    std::string host;
    std::uint16_t port = DefaultPort;
};

// Looks up a service's port by name in the system's service database ("telnet" gives 23).
using ServicePortLookup = std::function<std::uint16_t(std::string_view service)>;

// «example.org:4000» → host «example.org», port 4000; «telnet://example.org» →
// the service's port; no port part keeps 3001; a port part without digits gives 0.
ServerAddress parseAddress(std::string_view text, const ServicePortLookup& servicePort);

// The short name of a chat: the host cut at its last "."; then, if a "." is
// left, what follows it. «chat.example.org» and «example.org» give «example».
std::string chatNameOf(std::string_view host);

// True for the dotted address 0.0.0.0 (in any spelling of its four zeros),
// which names no server.
bool isNullAddress(std::string_view address);

// A German sentence with `code` in brackets, a blank line, then "error: " +
// the socket layer's text for `code` + "\nError Number: " + code.
std::string connectErrorMessage(int code);

// The connect dialog (147): the server list of the settings, most recent first.
class ConnectDialog {
public:
    // The server list lives in the settings; the typed address is looked up
    // through the transport, a service name through `servicePort`.
    ConnectDialog(Settings& settings, Desktop& desktop, Transport& transport,
                  const ServicePortLookup& servicePort)
        : m_settings(settings), m_desktop(desktop), m_transport(transport), m_servicePort(servicePort) {}

    // Opening: the non-empty server slots; the first is chosen.
    void open();
    const std::vector<std::string>& entries() const { return m_entries; }
    const std::string& text() const { return m_text; }
    void setText(std::string_view text);
    // "Aus der Liste &löschen": from the list only, until the dialog is left with a connect.
    void removeEntry(int index);
    // "Verbinden" or "&Nur schauen wer da ist": true when the dialog closes.
    bool accept(bool lookOnly);
    // "Abbrechen".
    void cancel();

    const std::string& host() const { return m_host; }
    std::uint16_t port() const { return m_port; }
    bool lookOnly() const { return m_lookOnly; }
    void clearLookOnly() { m_lookOnly = false; }

private:
    Settings& m_settings;
    Desktop& m_desktop;
    Transport& m_transport;
    const ServicePortLookup& m_servicePort;
    std::vector<std::string> m_entries;
    std::string m_text;
    std::string m_host = "255.255.255.255";
    std::uint16_t m_port = 0;
    bool m_lookOnly = false;
};

}  // namespace tavik
