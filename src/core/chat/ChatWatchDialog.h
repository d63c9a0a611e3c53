#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "chat/TextField.h"

namespace tavik {

class ChatWatch;
class SessionList;
class Transport;

// The ChatWatch dialog (137), "Meldung bei Eintreten folgender Chatter(innen)":
// the watch list as rows, the name and greeting fields and the two check boxes.
// Every change is saved to ChatWatch.cfg at once; closing asks the current
// session for a fresh chatter list so the edited list is checked against it.
class ChatWatchDialog {
public:
    static constexpr std::size_t MaxName = 20;
    static constexpr std::size_t MaxGreeting = 254;
    static constexpr int ImagePresent = 1;
    static constexpr int ImageAbsent = 3;

    // One row of the list view: "Name", "Benachrichtigen", "Text", "Schicken", "Chat".
    struct Row {
        int image = ImageAbsent;
        std::string name;
        std::string notify;  // "einmal" or "immer"
        std::string text;
        std::string send;  // "einmal" or "immer"
        std::string chat;
        bool operator==(const Row&) const = default;
    };

    // Shows and edits `watch`; closing asks the current session of `sessions` for a list.
    ChatWatchDialog(Transport& transport, SessionList& sessions, ChatWatch& watch);
    // The fields report to this object; it stays where it was made.
    ChatWatchDialog(const ChatWatchDialog&) = delete;
    ChatWatchDialog& operator=(const ChatWatchDialog&) = delete;

    // Opening: one row per entry, walking the list from its first entry; fields reset.
    void open();
    const std::vector<Row>& rows() const { return m_rows; }

    // The input fields (name: 20 characters, greeting: 254) and check boxes.
    TextField& name() { return m_name; }
    TextField& greeting() { return m_greeting; }
    bool notifyOnce() const { return m_notifyOnce; }  // "Nur einmal benachrichtigen."
    bool sendOnce() const { return m_sendOnce; }      // "Nur einmal schicken"
    void setNotifyOnce(bool on);
    void setSendOnce(bool on);

    // A click on a row fills the fields from its stored entry.
    void clickRow(int row);
    // "&Add / Change"
    void addOrChange();
    // "&Del": the row with the selection mark (-1: none).
    void remove(int row);
    // "&Schliessen": sends "/s\r" on the current socket.
    void close();

    // Called after every change of rows, fields or check boxes.
    void setOnChanged(std::function<void()> callback) { m_onChanged = std::move(callback); }

private:
    // Holds back the change report while an action changes several things;
    // the outermost one reports once when it ends.
    class Batch {
    public:
        explicit Batch(ChatWatchDialog& dialog) : m_dialog(dialog) { ++m_dialog.m_batchDepth; }
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ChatWatchDialog& m_dialog;
    };

    void changed();
    void resetFields();
    // The first row showing `name` (compared as the list compares names) goes.
    void removeRowOf(std::string_view name, std::string_view chat);

    Transport& m_transport;
    SessionList& m_sessions;
    ChatWatch& m_watch;
    std::vector<Row> m_rows;
    TextField m_name{MaxName};
    TextField m_greeting{MaxGreeting};
    bool m_notifyOnce = false;
    bool m_sendOnce = true;
    std::function<void()> m_onChanged;
    int m_batchDepth = 0;
    bool m_changePending = false;
};

}  // namespace tavik
