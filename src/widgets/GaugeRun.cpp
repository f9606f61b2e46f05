#include "widgets/GaugeRun.h"

#include "widgets/gaugeCaption.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>
#include <climits>

TGaugeRun::TGaugeRun(tgaugeCaption* gauge, const QString& caption)
    : gauge_(gauge), modalAtStart_(QApplication::activeModalWidget())
{
    if (gauge_) {
        gauge_->SetMinValue(0);
        gauge_->SetProgress(0);
        gauge_->SetCaption(caption);
        gauge_->show();
        gauge_->raise();
        if (QWidget* parent = gauge_->parentWidget()) {
            stop_ = new QToolButton(parent);
            stop_->setObjectName(QStringLiteral("btnDetener"));
            stop_->setText(QStringLiteral("Detener"));
            stop_->setToolTip(QStringLiteral("Detener (Esc)"));
            const QRect g = gauge_->geometry();
            const int w = stop_->sizeHint().width();
            stop_->setGeometry(g.right() - w + 1, g.top(), w, g.height());
            connect(stop_, &QToolButton::clicked, this, [this] { stopped_ = true; });
            stop_->show();
            stop_->raise();
        }
    }
    qApp->installEventFilter(this);
}

TGaugeRun::~TGaugeRun()
{
    qApp->removeEventFilter(this);
    delete stop_;
    if (gauge_)
        gauge_->hide();
}

bool TGaugeRun::Step(size_t done, size_t total)
{
    if (!shown_.isValid() || shown_.elapsed() >= 100) {
        if (gauge_) {
            gauge_->SetMaxValue(static_cast<int32_t>(std::clamp<size_t>(total, 1, INT32_MAX)));
            gauge_->SetProgress(static_cast<int32_t>(std::min<size_t>(done, INT32_MAX)));
        }
        QCoreApplication::processEvents();
        shown_.start();
    }
    return !stopped_;
}

bool TGaugeRun::eventFilter(QObject* watched, QEvent* event)
{
    // A box that the running command opens (a formula's INPUT or MSG) waits for
    // the user: its keys and clicks are its own, and it holds the rest back itself.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != modalAtStart_)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            stopped_ = true;
        return true;
    case QEvent::KeyRelease:
        return true;
    case QEvent::ShortcutOverride:
        // Taken here, so that no menu shortcut fires either.
        event->accept();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        // The window passes them on to its widgets; of these only the stop button
        // takes them.
        return watched->isWidgetType() && watched != stop_;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // A file dropped on the window would open another network under the
        // running command, which goes on over the records of the one it began on.
        event->ignore();
        return true;
    default:
        return false;
    }
}
