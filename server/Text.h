// Line building blocks shared by the chat room, the bots and the fault modes.
//
// Everything on the wire is Windows-1252; umlauts are single bytes and are written
// with \x escapes here. Lines leave the server with "\r\n" and are decorated with
// ANSI sequences the way telnet chat servers of old did it.
#pragma once

#include <string>
#include <string_view>

namespace tavik::server {

namespace ansi {
inline constexpr std::string_view kBold = "\x1b[1m";
inline constexpr std::string_view kOff = "\x1b[0m";
inline constexpr std::string_view kRed = "\x1b[31m";
inline constexpr std::string_view kGreen = "\x1b[32m";
inline constexpr std::string_view kYellow = "\x1b[33m";
inline constexpr std::string_view kBlue = "\x1b[34m";
inline constexpr std::string_view kMagenta = "\x1b[35m";
inline constexpr std::string_view kCyan = "\x1b[36m";
inline constexpr std::string_view kWhite = "\x1b[37m";
}  // namespace ansi

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kPrompt = "Gib Deinen Namen ein (oder /Show, /Exit, /Help): ";
inline constexpr std::string_view kNameInUse =
    ">>> Dieser Name wird bereits benutzt. Bitte gib einen anderen Namen ein.";
inline constexpr std::string_view kBadNameChars = ">>> Ungueltige Zeichen im Namen.";
inline constexpr std::string_view kBadNameLength = ">>> ### ERROR: ungueltige Zeichen im Namen ###";
inline constexpr std::size_t kMaxNickLength = 20;

// Characters a client accepts inside a chatter name, minus the few that would make
// our own line forms ambiguous ("<", ">", "*" in «<*name*>», ":" in the list header).
bool isNickChar(unsigned char c);

enum class NickCheck { Ok, BadChars, BadLength };
NickCheck checkNick(std::string_view nick);

// Case-insensitive comparison for ASCII letters; nicks and channel names are
// matched this way.
bool sameName(std::string_view a, std::string_view b);

// The decorated line forms, without the line end.
std::string publicLine(std::string_view nick, std::string_view text);
std::string whisperLine(std::string_view from, std::string_view text);
std::string whisperEcho(std::string_view to, std::string_view text);
std::string eventLine(std::string_view nick, std::string_view text);
std::string noticeLine(std::string_view text);
// The same four lines appended to `out`, for floods that build many at once.
void appendPublicLine(std::string& out, std::string_view nick, std::string_view text);
void appendWhisperLine(std::string& out, std::string_view from, std::string_view text);
void appendEventLine(std::string& out, std::string_view nick, std::string_view text);
void appendNoticeLine(std::string& out, std::string_view text);
std::string renameLine(std::string_view oldNick, std::string_view newNick);

// Removes control bytes (and DEL) from text a chatter typed, so nobody can smuggle
// escape sequences or line ends to other chatters.
std::string cleanInput(std::string_view text);

// Shows bytes for the transcript: printable ASCII stays, "\" and every other byte
// become \\, \r, \n, \t or \xNN.
std::string escapeBytes(std::string_view bytes);

// The reverse for script files: \e \r \n \t \0 \\ and \xNN.
std::string unescapeBytes(std::string_view text);

}  // namespace tavik::server
