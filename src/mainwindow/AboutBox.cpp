#include "mainwindow/AboutBox.h"

#include "platform/SystemInfo.h"

#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// The compiler writes the date in English ("Dec  7 2026"); the box says it in Spanish.
QString BuildDate()
{
    const QDate d = QLocale::c().toDate(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
    return d.isValid() ? QLocale(QLocale::Spanish, QLocale::Spain).toString(d, QStringLiteral("d 'de' MMMM 'de' yyyy"))
                       : QString::fromLatin1(__DATE__);
}
} // namespace

TKDVaboutBox::TKDVaboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName("TKDVaboutBox");
    setWindowTitle(QStringLiteral("Acerca de ..."));
    auto* top = new QVBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameShape(QFrame::StyledPanel);
    top->addWidget(panel);
    auto* grid = new QVBoxLayout(panel);

    auto* head = new QHBoxLayout();
    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName("ProgramIcon");
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_DesktopIcon);
    ProgramIcon->setPixmap(icon.pixmap(48, 48));
    head->addWidget(ProgramIcon);
    auto* name = new QLabel(QStringLiteral("Velmora"), panel);
    QFont nameFont = name->font();
    nameFont.setPointSize(nameFont.pointSize() + 6);
    nameFont.setBold(true);
    name->setFont(nameFont);
    head->addWidget(name, 1);
    grid->addLayout(head);

    Version = new QLabel(panel);
    Version->setObjectName("Version");
    const std::string version = SystemInfo::BuildVersion();
    Version->setText(QStringLiteral("Versión %1\nCompilado el %2")
                         .arg(version.empty() ? QStringLiteral("-") : QString::fromStdString(version),
                              BuildDate()));
    grid->addWidget(Version);

    Comments = new QLabel(QStringLiteral("Asistente gráfico para la visualización, revisión y edición de redes "
                                         "viales y de transporte público Palvon."),
                          panel);
    Comments->setObjectName("Comments");
    Comments->setWordWrap(true);
    QFont big = Comments->font();
    big.setPointSize(big.pointSize() + 3);
    Comments->setFont(big);
    grid->addWidget(Comments);

    Copyright = new QLabel(QStringLiteral("Equipo de desarrollo de Velmora"), panel);
    Copyright->setObjectName("Copyright");
    grid->addWidget(Copyright);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addStretch(1);
    top->addLayout(buttons);
}
