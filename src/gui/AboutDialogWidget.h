#pragma once

#include <QDialog>
#include <filesystem>

class QLabel;
class QPushButton;

namespace tavik::gui {

// "Info": program name, version and build date, and the folder the program
// keeps its files in. exec() gives 1 for OK and 2 when the window was closed
// (or Escape pressed); both simply end it.
class AboutDialogWidget : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialogWidget(QWidget* parent = nullptr, const std::filesystem::path& workingDirectory = {});

    QLabel* versionLabel() const { return m_version; }
    QLabel* dateLabel() const { return m_date; }
    QLabel* folderLabel() const { return m_folder; }
    QPushButton* okButton() const { return m_ok; }

public slots:
    void accept() override { done(1); }
    void reject() override { done(2); }

private:
    QLabel* m_version;
    QLabel* m_date;
    QLabel* m_folder;
    QPushButton* m_ok;
};

}  // namespace tavik::gui
