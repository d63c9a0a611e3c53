#include "AboutDialogWidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "Codec.h"
#include "Icons.h"
#include "PathText.h"
#include "Version.h"
#include "app/Title.h"

namespace tavik::gui {

AboutDialogWidget::AboutDialogWidget(QWidget* parent, const std::filesystem::path& workingDirectory)
    : QDialog(parent),
      m_version(new QLabel(QStringLiteral("TavikClient Version " TAVIK_VERSION " Beta"), this)),
      m_date(new QLabel(toQt(tavik::BuildDate), this)),
      m_folder(new QLabel(displayPath(workingDirectory), this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)) {
    setWindowTitle(QStringLiteral("Info"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* dateCaption = new QLabel(QStringLiteral("Erstellungsdatum:"), this);
    m_ok->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(12);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(m_version, 0, 1, 1, 2);
    layout->addWidget(dateCaption, 1, 1);
    layout->addWidget(m_date, 1, 2);
    layout->addWidget(m_ok, 0, 3, Qt::AlignTop);
    // Where settings.cfg, the logs and the rest are, for a user looking for them.
    if (!workingDirectory.empty()) {
        auto* folderCaption = new QLabel(QStringLiteral("Dateien:"), this);
        m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(folderCaption, 2, 1);
        layout->addWidget(m_folder, 2, 2, 1, 2);
    } else {
        m_folder->hide();
    }
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(3, 1);

    connect(m_ok, &QPushButton::clicked, this, &AboutDialogWidget::accept);
}

}  // namespace tavik::gui
