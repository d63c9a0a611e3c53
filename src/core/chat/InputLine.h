#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

class InputLineObserver {
public:
    virtual ~InputLineObserver() = default;
    // The text or the selection changed (the window mirrors both).
    virtual void inputLineChanged() {}
};

// The input line's text and selection. Every change of the text, whether typed
// or made by the program, raises the change notification at once, as an edit
// control does; the handler may change the text again. The text never holds a
// CR or LF: every road that sets it turns them into blanks.
class InputLine {
public:
    static constexpr std::size_t Limit = 160;
    // Below this many characters left, the window shows how many remain.
    static constexpr int ShowLeftBelow = 20;

    // The characters left before the limit, when the user should see them; -1 otherwise.
    static int charactersLeftToShow(int length) {
        const int left = static_cast<int>(Limit) - length;
        return left < ShowLeftBelow ? (left < 0 ? 0 : left) : -1;
    }

    const std::string& text() const { return m_text; }
    int selectionStart() const { return m_start; }
    int selectionEnd() const { return m_end; }
    int length() const { return static_cast<int>(m_text.size()); }
    // The whole text is selected (this includes the empty line).
    bool wholeTextSelected() const { return m_start == 0 && m_end == length(); }

    // The program sets the text; the caret goes to its start.
    void setText(std::string_view text);
    // Replaces the characters [start, end) by `text`; the caret goes behind it.
    void replaceRange(int start, int end, std::string_view text);
    // Selects [start, end), clamped to the text.
    void setSelection(int start, int end);
    // The user typed or edited: the window reports the new text and selection.
    void edited(std::string_view text, int start, int end);

    void setOnChanged(std::function<void()> handler) { m_onChanged = std::move(handler); }
    void addObserver(InputLineObserver* observer) { m_observers.push_back(observer); }
    void removeObserver(InputLineObserver* observer);

private:
    void notifyObservers();
    void textChanged();

    std::string m_text;
    int m_start = 0;
    int m_end = 0;
    std::function<void()> m_onChanged;
    std::vector<InputLineObserver*> m_observers;
};

}  // namespace tavik
