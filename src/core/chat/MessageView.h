#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chat/MessageRows.h"
#include "net/LineKind.h"
#include "net/Session.h"

namespace tavik {

class Clock;
class Desktop;
class LogFile;
struct Settings;
class Sound;
class TextField;

// The message list: the one road for every row. Wraps long texts, drops rows
// of ignored chatters, keeps 500 rows with the sessions' in-progress rows last,
// and runs the side effects of a new row (marker, front, sound, log).
class MessageView {
public:
    // Rows kept: 500, or one of the larger choices of the "rows" option.
    static constexpr int MaxRows = 500;
    static constexpr std::array<int, 4> RowChoices{500, 2000, 10000, 50000};
    static constexpr std::size_t WrapWidth = 80;

    struct Column {
        std::string title;
        int width = 100;
    };

    // A marked row's name goes to `recipientBox`; a new row plays its sounds
    // on `sound` and `desktop` and is written to `log` (options in `settings`).
    MessageView(SessionList& sessions, const Clock& clock, const Settings& settings, Desktop& desktop,
                Sound& sound, LogFile& log, TextField& recipientBox);

    // Appends a column; a width of 0 means 100 pixels. Returns its index.
    int addColumn(std::string_view title, int width);
    const std::vector<Column>& columns() const { return m_columns; }
    void setColumnWidth(int column, int width);

    // What a row is: chat, or the demonstration's samples (Ctrl+P), which are
    // shown like chat but are no chat and never go into a log file.
    enum class RowOrigin { Chat, Demonstration };

    // Adds a row, one per 80-character piece of a long text. Each piece may open
    // a message box (a failed log write) whose loop can end any session.
    void insert(int socket, std::string_view name, std::string_view text, LineKind kind,
                RowOrigin origin = RowOrigin::Chat);
    // Inline: every new row moves the marker.
    void moveMarker(int delta, bool fillRecipient) {
        const int row = std::clamp(m_rows.marker() + delta, 0, m_maxRows - 1);
        m_rows.moveMarker(row, autoscroll() ? m_rows.count() - 1 : row);
        if (fillRecipient && row < m_rows.count()) fillRecipientBox(row);
    }
    // All rows, in-progress rows included, become maxRows() blank filler rows.
    void clear();
    int maxRows() const { return m_maxRows; }
    // Keeps `rows` rows from now on (one of RowChoices; anything else is
    // 500): the newest stay, blank rows fill up to the new number.
    void setMaxRows(int rows);
    Session* sessionOfRow(int row);
    // Rows of a chatter the user ignores in `session` are not shown.
    static bool ignores(Session* session, std::string_view name) {
        if (session == nullptr || !session->ignoreMarksTouched) return false;
        const NameEntry* entry = session->chatterNames.find(name, "", true);
        return entry != nullptr && entry->active != 0;
    }
    // Writes prefix + text, cleaned of escapes, into the in-progress row of
    // `session`; a session without one shows nothing. Both are parts of an
    // unfinished line: a line feed in them ends what is shown.
    void showInProgress(Session& session, std::string_view text, std::string_view prefix);
    // As showInProgress, with the text already cleaned of escapes. Emptying a
    // row that is known to be empty (after every line) changes nothing.
    void showCleanedInProgress(Session& session, std::string_view cleaned) {
        if (cleaned.empty() && session.inProgressEmptyAt == m_inProgressEpoch) return;
        setInProgressText(session, cleaned);
    }

    MessageRows& rows() { return m_rows; }
    const MessageRows& rows() const { return m_rows; }

    // While a dialog of the program is open, new rows are only shown: no
    // marker, front, sound or log.
    void setSideEffectsHeld(bool held) { m_sideEffectsHeld = held; }
    bool sideEffectsHeld() const { return m_sideEffectsHeld; }

    int inProgressRows() const { return m_inProgressRows; }
    // Changes whenever an in-progress row may have changed other than by being
    // emptied: one is inserted, the rows are cleared, or one is given a text.
    std::uint64_t inProgressEpoch() const { return m_inProgressEpoch; }
    void inProgressTextSet() { ++m_inProgressEpoch; }
    void setInProgressRows(int count) { m_inProgressRows = count < 0 ? 0 : count; }

    int nameColumn() const { return m_nameColumn; }
    int textColumn() const { return m_textColumn; }
    int timeColumn() const { return m_timeColumn; }
    int chatColumn() const { return m_chatColumn; }

private:
    // `session` is the row's, looked up anew after anything that may have run a loop.
    void insertRow(Session* session, std::string_view name, std::string_view text, LineKind kind,
                   RowOrigin origin);
    void setInProgressText(Session& session, std::string_view cleaned);
    void fillRecipientBox(int row);
    bool autoscroll() const;

    SessionList& m_sessions;
    const Clock& m_clock;
    const Settings& m_settings;
    Desktop& m_desktop;
    Sound& m_sound;
    LogFile& m_log;
    TextField& m_recipientBox;
    MessageRows m_rows;
    std::string m_progress;
    std::vector<Column> m_columns;
    int m_nameColumn = 0;
    int m_textColumn = 1;
    int m_timeColumn = 2;
    int m_chatColumn = 3;
    int m_inProgressRows = 0;
    int m_maxRows = MaxRows;
    bool m_sideEffectsHeld = false;
    std::uint64_t m_inProgressEpoch = 1;
    std::string m_recipientScratch;
    std::array<char, 5> m_time{};
    int m_timeHour = -1;
    int m_timeMinute = -1;
};

}  // namespace tavik
