#pragma once

#include <array>
#include <cstdint>

namespace tavik {

// The options record. Each flag is one menu toggle and takes effect where it is read.
struct Settings {
    bool autoscroll = true;           // "&Autoscroll": the list scrolls to its newest row
    bool autosize = false;            // "Autosi&ze": the Text column fits its contents
    bool autoTop = false;             // "Auto Top": a new row brings the window to the front
    bool autoSend = false;            // "Automatisches S&enden"
    bool autowhisper = false;         // "Auto&whisper"
    bool sound = true;                // "&Sound"
    bool logfile = false;             // "&Logfile"
    bool clearInputAfterSend = true;  // "&Eingabezeile nach Enter löschen"
    bool smallIcons = false;          // "Kleine &Symbole"
    bool announceIgnore = true;       // "Meldung beim Ignorieren"
    bool autoChatChange = false;      // "AutoChatChange"

    // Widths of the columns Name, Text, Zeit, Chat (by column, not by display position).
    std::array<std::int32_t, 4> columnWidths{100, 500, 100, 0};
    std::array<std::int32_t, 4> columnOrder{3, 2, 0, 1};
};

}  // namespace tavik
