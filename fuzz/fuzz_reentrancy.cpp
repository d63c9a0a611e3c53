// A whole client whose message boxes and modal dialogs run a script of their own
// in their nested loops, as the window system's loop would: socket bytes for any
// session, server closes, failed connects, new connections, and the user's own
// actions (which may open further boxes and dialogs). A failing log directory and
// a failing ChatWatch save are chosen by the input, so boxes open in the middle of
// reading a chatter list, announcing a watched chatter or inserting a wrapped row.
// What this proves: nothing that works on a session keeps a reference to it
// across a box or a dialog (AddressSanitizer catches any use after free).
//
// Input format:
//   byte 0: options  bit 0 log on, with a log directory that cannot be written
//                    bit 1 ChatWatch.cfg cannot be written
//                    bit 2 watched chatters get a greeting sent once (a save each)
//                    bit 3 watched chatters are announced once
//                    bit 4 autowhisper, bit 5 announce ignore marks
//   then records until the input runs out (at most 400, nested ones included):
//   op byte % 16, see `step`. A record naming a session takes the next byte as
//   its index into the sockets of every session seen so far (closed ones too).
//   Inside a message box or dialog (nested at most 4 deep) the next byte % 5
//   records run before it closes; a dialog then answers with the next byte.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "FuzzInput.h"
#include "app/Client.h"
#include "fakes/Fakes.h"

namespace {

using namespace tavik;

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

constexpr std::array<std::string_view, 3> Chats = {"eins", "zwei", "drei"};
constexpr std::array<std::string_view, 4> Nicks = {"Gast", "Gastfreundschaftlicher", "Anna", "x"};

// Whole server lines, so short inputs reach the deep roads quickly.
constexpr std::array<std::string_view, 14> Lines = {
    "/s\r\n",
    "/S\r\n",
    "+------------------------------+\r\n",
    "| Chatter und Chatterinnen im Brenn-Chat:        \r\n",
    "| Anna, Bert, Clara (weg)      Lobby    \r\n",
    "| Anna, Gast      Keller *   \r\n",
    "<Anna> Hallo xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    " und weiter\r\n",
    "Eine lange Zeile ohne Namen "
    "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy am Ende\r\n",
    "<*Anna*> psst\r\n",
    "--> Bert kommt herein.\r\n",
    ">>> Den Chatter gibts schon!\r\n",
    ">-> Gast wird zu Gastgeber.\r\n",
    "Gib Deinen Namen ein (oder /Show, /Exit, /Help): ",
    "halbe Zeile",
};

using fuzz::Input;

class Driver;

// The desktop whose boxes and dialogs run records of the input in their loops.
class ScriptedDesktop : public test::FakeDesktop {
public:
    Driver* driver = nullptr;
    MessageBoxAnswer messageBox(std::string_view text, std::string_view caption,
                                MessageBoxStyle style) override;
    int runDialog(Dialog dialog) override;
};

class Driver {
public:
    Driver(Input& input, const std::filesystem::path& directory)
        : m_input(input), m_client(m_transport, m_desktop, m_clock, directory) {
        m_desktop.driver = this;
    }

    void run() {
        const std::uint8_t options = m_input.byte();
        Settings& s = m_client.settings();
        s.sound = false;
        s.logfile = (options & 1) != 0;
        s.autowhisper = (options & 16) != 0;
        s.announceIgnore = (options & 32) != 0;
        if ((options & 2) != 0) {
            std::error_code ec;
            std::filesystem::create_directory(m_client.workingDirectory() / ChatWatch::FileName, ec);
        }
        NameList& watch = m_client.chatWatch().list();
        for (const std::string_view name : {"Anna", "Bert", "Gast"}) {
            if (watch.empty()) {
                watch.add(name);
            } else {
                watch.addOrRefresh(name);
            }
            if (NameEntry* e = watch.find(name, "", false)) {
                if ((options & 4) != 0) e->text = "Willkommen";
                e->optionA = 1;
                e->optionB = (options & 8) != 0 ? 1 : 0;
            }
        }
        while (!m_input.done() && m_steps < MaxSteps)
            step(0);
        // The window closes: every session goes.
        while (m_client.sessions().size() > 1 && m_steps < MaxSteps + 16) {
            ++m_steps;
            const Session* last = nullptr;
            for (const Session& session : m_client.sessions())
                last = &session;
            if (last == nullptr || last->socket == NoSocket) break;
            m_client.socketEvent(last->socket, SocketEvent::Close, 0);
        }
    }

    // Records run inside a box or dialog that is open.
    void nested() {
        if (m_depth >= MaxDepth) return;
        ++m_depth;
        const int count = m_input.byte() % 5;
        for (int i = 0; i < count && !m_input.done() && m_steps < MaxSteps; ++i)
            step(m_depth);
        --m_depth;
    }

    int dialogAnswer(Dialog dialog) {
        nested();
        const std::uint8_t b = m_input.byte();
        switch (dialog) {
            case Dialog::Connect:
                m_client.connectDialog().setText(Chats[b % Chats.size()]);
                if ((b & 8) == 0) {
                    m_client.connectDialog().accept((b & 16) != 0);
                    return 1;
                }
                return 2;
            case Dialog::Login:
                m_client.loginDialog().setNick(Nicks[b % Nicks.size()]);
                if ((b & 8) == 0) return m_client.loginDialog().ok() ? 1 : 2;
                m_client.loginDialog().cancel();
                return 2;
            case Dialog::ChatWatch:
                m_client.chatWatchDialog().close();
                return 1;
            default:
                return (b & 1) != 0 ? 1 : 2;
        }
    }

private:
    static constexpr int MaxSteps = 400;
    static constexpr int MaxDepth = 4;

    int pickSocket() {
        // Sessions made on the connect road are known from the moment they exist,
        // so the dialogs' own loops can address them.
        for (const Session& session : m_client.sessions()) {
            if (session.socket != NoSocket &&
                std::find(m_sockets.begin(), m_sockets.end(), session.socket) == m_sockets.end()) {
                m_sockets.push_back(session.socket);
            }
        }
        if (m_sockets.empty()) return NoSocket;
        return m_sockets[m_input.byte() % m_sockets.size()];
    }

    std::vector<TreeItemId> treeItems() {
        std::vector<TreeItemId> out;
        const ChatterTreeModel& m = m_client.chatterTree().model();
        for (const TreeItemId top : m.topLevel()) {
            out.push_back(top);
            for (const TreeItemId channel : m.children(top)) {
                out.push_back(channel);
                for (const TreeItemId chatter : m.children(channel))
                    out.push_back(chatter);
            }
        }
        return out;
    }

    void read(int socket) {
        for (int guard = 0; guard < 8 && m_transport.pendingChunks(socket) > 0; ++guard)
            m_client.socketEvent(socket, SocketEvent::Read, 0);
    }

    void step(int depth) {
        ++m_steps;
        const std::uint8_t op = m_input.byte() % 16;
        switch (op) {
            case 0: {  // a new connection, as a successful connect leaves it
                const std::uint8_t b = m_input.byte();
                const std::string_view chat = Chats[b % Chats.size()];
                if (m_client.sessions().findByChat(chat) != nullptr) break;
                const int socket = m_transport.open();
                m_sockets.push_back(socket);
                m_client.attachSession(socket, chat, Nicks[(b / 4) % Nicks.size()]);
                break;
            }
            case 1:
            case 2: {  // raw bytes for a session
                const int socket = pickSocket();
                const std::size_t n = m_input.byte();
                m_transport.feed(socket, std::string(m_input.take(n)));
                read(socket);
                break;
            }
            case 3:
            case 4:
            case 5: {  // whole server lines for a session
                const int socket = pickSocket();
                std::string bytes;
                for (int n = 1 + m_input.byte() % 6; n > 0; --n)
                    bytes += Lines[m_input.byte() % Lines.size()];
                m_transport.feed(socket, bytes);
                read(socket);
                break;
            }
            case 6:  // the server closes
                m_client.socketEvent(pickSocket(), SocketEvent::Close, 0);
                break;
            case 7:  // a connect that failed
                m_client.socketEvent(pickSocket(), SocketEvent::Connect, 10061);
                break;
            case 8:  // the user connects, through the connect and Login dialogs
                m_client.connectNew();
                break;
            case 9: {  // a modal dialog of the program
                const std::uint8_t b = m_input.byte();
                if (b % 4 == 0) {
                    m_client.runLoginDialog(pickSocket());  // as a name error of that session opens it
                } else {
                    static constexpr std::array<Dialog, 3> Dialogs = {Dialog::About, Dialog::ChannelPassword,
                                                                      Dialog::ChatWatch};
                    m_client.runModal(Dialogs[b % Dialogs.size()]);
                }
                break;
            }
            case 10: {  // timers and the connect button
                const std::uint8_t b = m_input.byte() % 4;
                if (b == 0) m_client.keepAliveTick();
                if (b == 1) m_client.idleTick();
                if (b == 2) m_client.connectOrDisconnect();
                if (b == 3 && depth == 0) m_client.confirmClose();
                break;
            }
            case 11: {  // a tab is chosen
                const int count = m_client.tabs().count();
                if (count > 0) m_client.tabs().setFocus(m_input.byte() % count);
                break;
            }
            case 12: {  // the ChatWatch dialog's buttons
                ChatWatchDialog& dialog = m_client.chatWatchDialog();
                const std::uint8_t b = m_input.byte();
                dialog.open();
                if (b % 2 == 0) {
                    dialog.name().setText(Nicks[(b / 2) % Nicks.size()]);
                    dialog.greeting().setText((b & 16) != 0 ? "Hallo" : "");
                    dialog.addOrChange();
                } else if (!dialog.rows().empty()) {
                    dialog.remove(static_cast<int>((b / 2) % dialog.rows().size()));
                }
                break;
            }
            case 13: {  // clicks on the tree
                const std::vector<TreeItemId> items = treeItems();
                if (items.empty()) break;
                const std::uint8_t b = m_input.byte();
                const TreeItemId item = items[m_input.byte() % items.size()];
                Interaction& ui = m_client.interaction();
                if (b % 3 == 0) {
                    ui.treeClicked();
                    ui.treeSelectionChanged(item);
                } else if (ui.treeRightClicked(item)) {
                    if (b % 3 == 1) {
                        ui.ignoreChosen();
                    } else {
                        ui.chatWatchChosen();
                    }
                }
                break;
            }
            case 14: {  // clicks on the message list
                const int count = m_client.messageView().rows().count();
                const int row = count - 1 - m_input.byte() % 8;
                const std::uint8_t b = m_input.byte() % 3;
                if (b == 0) m_client.interaction().listClicked(row);
                if (b == 1) m_client.interaction().listDoubleClicked(row);
                if (b == 2) m_client.interaction().listRightClicked(row);
                break;
            }
            case 15: {  // a typed line
                const std::size_t n = m_input.byte() % 120;
                m_client.inputLine().setText(m_input.take(n));
                m_client.inputCommands().send();
                break;
            }
            default:
                break;
        }
        if (m_client.messageView().rows().count() > MessageView::MaxRows)
            violated("more rows than the list holds");
    }

    Input& m_input;
    test::FakeTransport m_transport;
    ScriptedDesktop m_desktop;
    test::FakeClock m_clock;
    Client m_client;
    std::vector<int> m_sockets;
    int m_steps = 0;
    int m_depth = 0;
};

MessageBoxAnswer ScriptedDesktop::messageBox(std::string_view text, std::string_view caption,
                                             MessageBoxStyle style) {
    if (boxes.size() > 64) boxes.clear();
    const MessageBoxAnswer answer = FakeDesktop::messageBox(text, caption, style);
    if (driver != nullptr) driver->nested();
    return answer;
}

int ScriptedDesktop::runDialog(Dialog dialog) {
    if (dialogs.size() > 64) dialogs.clear();
    dialogs.push_back(dialog);
    return driver != nullptr ? driver->dialogAnswer(dialog) : 2;
}

// One working directory per process, laid anew for every input and removed
// when the process ends.
class WorkingDirectory {
public:
    WorkingDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavik-reentrancy-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) violated("no temporary directory");
        m_path = pattern;
    }
    ~WorkingDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

const std::filesystem::path& workingDirectory() {
    static const WorkingDirectory directory;
    return directory.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& directory = workingDirectory();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(directory, ec))
        std::filesystem::remove_all(entry.path(), ec);
    // The log directory is a file: every log write fails (when the input turns logging on).
    std::ofstream(directory / LogFile::Directory) << "kein Ordner";

    Input input(data, size);
    Driver driver(input, directory);
    driver.run();
    return 0;
}
