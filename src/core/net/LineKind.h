#pragma once

namespace tavik {

// What a server line is. Kinds of 0 and above become rows (and are the row's
// icon index); the negative ones are results of the receive pipeline.
enum class LineKind : int {
    Plain = 0,       // no recognised form; the row shows the own nick
    WhisperIn = 1,   // "<*name*> text"
    Public = 2,      // "<name> text"
    Event = 3,       // "--> name text"
    WhisperOut = 4,  // the server's echo of an own whisper, "/w name text"
    Notice = 5,      // server notices, shown chatter-list and help lines
    Alert = 6,       // a notice of the client itself
    Filler = 7,      // blank row that keeps the view at 500 rows
    InProgress = 8,  // a session's line that is still arriving
    Hidden = -1,     // consumed, no row
    Stop = -2,       // no further complete line now
    ReadAgain = -3,  // the receive filled the buffer; receive again at once
};

constexpr bool makesRow(LineKind kind) {
    return static_cast<int>(kind) >= 0;
}

}  // namespace tavik
