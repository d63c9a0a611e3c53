#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace tavik {

// "Ansagen": which new rows are told to a screen reader as they arrive. A busy
// channel told row by row drowns everything else, so the default is whispers
// and the client's own notices (ChatWatch arrivals, lost connections) only.
struct AnnounceRows {
    bool whispers = true;   // "Flüstern"
    bool chatWatch = true;  // "ChatWatch"
    bool all = false;       // "alle Zeilen"
    // "aus": nothing is told.
    bool off() const { return !whispers && !chatWatch && !all; }
    bool operator==(const AnnounceRows&) const = default;
};

// The options settings.cfg has no room for: behaviour of ours beyond the
// chat's classic client. They live in a UTF-8 text file of their own beside
// settings.cfg, one "key=value" per line; settings.cfg keeps its fixed layout.
//
// Lines we do not know (keys of a newer version, comments, anything a user
// wrote) are kept in their place and written back as they were, so an older
// program never throws away what a newer one stored.
struct Options {
    static constexpr std::string_view FileName = "tavikclient.conf";
    // Bytes beyond this are not ours: a file this big was not written by us.
    static constexpr std::size_t MaxFileSize = 64 * 1024;

    // "Mehrzeiliges Einfügen bestätigen": a paste that holds a line break asks first.
    bool confirmMultilinePaste = true;
    // "Away-Antwort nur auf Flüstern": the away message answers whispers, not public lines.
    bool awayAnswersWhispersOnly = false;
    // "Umlaute unverändert senden": typed ä, ö, ü stay as they are instead of ae, oe, ue.
    bool sendUmlautsUnchanged = false;
    // "Eingabeverlauf speichern": the lines sent are kept for the next start.
    bool saveInputHistory = false;
    // "Farbige Namen": each chatter's name in a colour of its own.
    bool colouredNames = true;
    // "Automatisch neu verbinden": a connection the user did not end is tried
    // again on its own, its tab kept.
    bool reconnect = true;
    // "Benachrichtigungen: Flüstern", "…: ChatWatch", "…: Wort-Sounds": a
    // whisper, an announcement or a row with a word sound raises a desktop
    // notification while the window is in the background.
    bool notifyWhispers = true;
    bool notifyChatWatch = true;
    bool notifyWordSounds = true;
    // "Symbol im Infobereich": the program shows an icon in the system tray.
    bool trayIcon = true;
    // "In den Infobereich schließen": the close box hides the window to the tray.
    bool closeToTray = false;
    // "Zeilen im Speicher": rows the message list keeps, 500, 2000, 10000 or
    // 50000; any other value in the file reads as 500.
    int rows = 500;
    // "Ansagen", key "announce": "whispers,chatwatch" (the default), "all", "off" or any list of the three.
    AnnounceRows announce;

    // The options from the file's text; unknown or malformed lines are kept as they are.
    static Options fromText(std::string_view text);
    // The file's text: the lines read, with the known keys' values brought up
    // to date, and a line for each known key the file did not have.
    std::string text() const;

    // A missing, unreadable or foreign file gives the defaults, silently: there
    // is nothing the user must do about it. True when the file was read. A file
    // that is there but could not be read whole (too big, a read error) is
    // never written over: save() leaves it alone.
    bool load(const std::filesystem::path& file);
    // Replaces the file atomically (owner-only, like settings.cfg). False when it failed.
    bool save(const std::filesystem::path& file, FileCalls& calls = nativeFileCalls()) const;

    bool operator==(const Options& other) const {
        return confirmMultilinePaste == other.confirmMultilinePaste &&
               awayAnswersWhispersOnly == other.awayAnswersWhispersOnly &&
               sendUmlautsUnchanged == other.sendUmlautsUnchanged &&
               saveInputHistory == other.saveInputHistory && colouredNames == other.colouredNames &&
               reconnect == other.reconnect && notifyWhispers == other.notifyWhispers &&
               notifyChatWatch == other.notifyChatWatch && notifyWordSounds == other.notifyWordSounds &&
               trayIcon == other.trayIcon && closeToTray == other.closeToTray && rows == other.rows &&
               announce == other.announce;
    }

private:
    std::vector<std::string> m_lines;  // as read, without their line ends
    bool m_keepFile = false;           // the file is not ours to replace
};

}  // namespace tavik
