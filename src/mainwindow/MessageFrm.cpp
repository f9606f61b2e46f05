#include "mainwindow/MessageFrm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

TMessageFrm* MessageFrm = nullptr;

TMessageFrm::TMessageFrm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Atención"));
    setModal(false);
    resize(392, 187);
    setMinimumWidth(200);
    setMaximumWidth(600);
    msg = new QLabel(this);
    msg->setObjectName("msg");
    msg->setGeometry(8, 8, 376, 137);
    msg->setAlignment(Qt::AlignCenter);
    msg->setWordWrap(true);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(159, 155, 75, 25);
    OKBtn->setDefault(true);
    Timer1 = new QTimer(this);
    Timer1->setInterval(15000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TMessageFrm::Timer1Timer);
    connect(OKBtn, &QPushButton::clicked, this, &TMessageFrm::OKBtnClick);
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = s->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
}


void TMessageFrm::ShowNotice(const QString& text)
{
    Timer1->stop();
    QString t = text;
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    msg->setText(t);
    Timer1->start();
    show();
    raise();
    activateWindow();
}

void TMessageFrm::Timer1Timer() { hide(); }

void TMessageFrm::OKBtnClick()
{
    Timer1->stop();
    hide();
}
