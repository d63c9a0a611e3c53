#pragma once

#include <string>
#include <string_view>

namespace tavik {

// SendCancel: "Senden" (answer Ok) and "Abbrechen" (answer Cancel), which is
// the default button and what Escape and the close box answer.
enum class MessageBoxStyle { Ok, YesNoQuestion, SendCancel };

// Button ids as the window system reports them.
enum class MessageBoxAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// The modal dialogs the engine opens. Their state lives in engine-side models;
// the desktop only runs the dialog's nested event loop until it closes.
enum class Dialog { About = 103, Login = 134, ChannelPassword = 136, ChatWatch = 137, Connect = 147 };

// Everything the engine asks of the window system besides sockets and time.
// Texts are Windows-1252 bytes; the Qt layer converts them.
class Desktop {
public:
    virtual ~Desktop() = default;

    virtual MessageBoxAnswer messageBox(std::string_view text, std::string_view caption,
                                        MessageBoxStyle style) = 0;
    // Runs a modal dialog; socket events keep arriving while it is open.
    virtual int runDialog(Dialog dialog) = 0;

    virtual void focusInputLine() = 0;
    virtual void setTitle(std::string_view title) = 0;
    virtual void bringToFront() = 0;
    virtual bool isForeground() const = 0;

    virtual void setClipboardText(std::string_view text) = 0;
    virtual std::string clipboardText() const = 0;

    // Plays a wave file asynchronously, stopping whatever played before. The
    // path is UTF-8 on every system.
    virtual void playSound(const std::string& path) = 0;
    virtual void stopSound() = 0;
    // A sound of the system's own, e.g. "CHORD.WAV".
    virtual void playSystemSound(std::string_view name) = 0;

    // A desktop notification while the window is in the background, with the
    // taskbar's urgency hint. Choosing it brings the window to the front with
    // the session `sessionId` current. A desktop without notifications ignores it.
    virtual void notify(std::string_view /*title*/, std::string_view /*body*/, int /*sessionId*/) {}
};

}  // namespace tavik
