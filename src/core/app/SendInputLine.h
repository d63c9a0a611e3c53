#pragma once

#include <filesystem>
#include <string_view>

namespace tavik {

class ArtFontBox;
class ArtFontSet;
class AwayMessage;
class InputLine;
class MessageView;
class SessionList;
class TabStrip;
class TextField;
class Transport;
struct Settings;

// Where a line comes from. A pasted line takes the typed line's road but
// leaves the input line alone (it holds what the user is editing) and is
// never drawn with an art font: a paste is text, not a banner.
enum class LineOrigin { Typed, Pasted };

// Turns a typed line into what goes over the wire and sends it: picks the
// session (focused tab, recipient box, "@chat", marked row), decides on a
// whisper, rewrites leading characters the server would take as commands, and
// sends the line as art or wrapped to the server's width.
//
// No CR or LF travels inside a sent line: any in `line` (or in the recipient)
// is sent as a blank. A line meant as a whisper (by the recipient box, the
// marked row or "/w name") goes out as a whisper to that name on that chat or
// not at all: when the name is missing or not a name, or its chat has no
// session, nothing is sent, the input line keeps its text and a notice row
// says why. The result is false then (and when no tab qualifies), true when
// the line was sent or taken by an away command.
class InputLineSender {
public:
    InputLineSender(InputLine& inputLine, AwayMessage& away, TabStrip& tabs, SessionList& sessions,
                    const TextField& recipientBox, ArtFontBox& artFontBox, const ArtFontSet& artFonts,
                    MessageView& messageView, const Settings& settings, Transport& transport,
                    std::filesystem::path inlinePictures)
        : m_inputLine(inputLine),
          m_away(away),
          m_tabs(tabs),
          m_sessions(sessions),
          m_recipientBox(recipientBox),
          m_artFontBox(artFontBox),
          m_artFonts(artFonts),
          m_messageView(messageView),
          m_settings(settings),
          m_transport(transport),
          m_inlinePictures(std::move(inlinePictures)) {}

    bool sendInputLine(std::string_view line, bool inverted, LineOrigin origin = LineOrigin::Typed);

private:
    // The line was taken: emptied (option "Eingabezeile nach Enter löschen")
    // and wholly selected, so Enter does not send it twice.
    void takeInputLine();
    bool refuse(std::string_view why);

    InputLine& m_inputLine;
    AwayMessage& m_away;
    TabStrip& m_tabs;
    SessionList& m_sessions;
    const TextField& m_recipientBox;
    ArtFontBox& m_artFontBox;
    const ArtFontSet& m_artFonts;
    MessageView& m_messageView;
    const Settings& m_settings;
    Transport& m_transport;
    std::filesystem::path m_inlinePictures;
};

}  // namespace tavik
