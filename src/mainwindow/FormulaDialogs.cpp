#include "mainwindow/FormulaDialogs.h"

#include "analysis/ArtFormula.h"

#include <QApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// Button codes a formula reads back from MSG, as the suite's message boxes give them.
enum : int { IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6, IdNo = 7 };

// Sees Escape pressed on a box, whichever button Escape then answers.
class EscapeWatch : public QObject {
public:
    bool pressed = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
            pressed = true;
        return false;
    }
};

// The button's code; `dismissed`: the user pressed Escape or Cancel.
int MessageBoxDialog(QWidget* parent, const std::string& text, const std::string& caption, int flags, bool& dismissed)
{
    QMessageBox box(parent);
    EscapeWatch escaped;
    box.installEventFilter(&escaped);
    box.setWindowTitle(Qs(caption));
    box.setText(Qs(text));
    switch (flags & 0xF0) {
    case 0x10: box.setIcon(QMessageBox::Critical); break;
    case 0x20: box.setIcon(QMessageBox::Question); break;
    case 0x30: box.setIcon(QMessageBox::Warning); break;
    case 0x40: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    // The low four bits choose the buttons; the first is the default one.
    std::vector<std::pair<QMessageBox::StandardButton, int>> buttons;
    switch (flags & 0x0F) {
    case 1: buttons = {{QMessageBox::Ok, IdOk}, {QMessageBox::Cancel, IdCancel}}; break;
    case 2: buttons = {{QMessageBox::Abort, IdAbort}, {QMessageBox::Retry, IdRetry}, {QMessageBox::Ignore, IdIgnore}}; break;
    case 3: buttons = {{QMessageBox::Yes, IdYes}, {QMessageBox::No, IdNo}, {QMessageBox::Cancel, IdCancel}}; break;
    case 4: buttons = {{QMessageBox::Yes, IdYes}, {QMessageBox::No, IdNo}}; break;
    case 5: buttons = {{QMessageBox::Retry, IdRetry}, {QMessageBox::Cancel, IdCancel}}; break;
    default: buttons = {{QMessageBox::Ok, IdOk}}; break;
    }
    QMessageBox::StandardButtons set;
    for (const auto& b : buttons)
        set |= b.first;
    box.setStandardButtons(set);
    box.setDefaultButton(buttons.front().first);
    // Escape answers Cancel where there is one, otherwise the only button.
    QMessageBox::StandardButton escape = buttons.size() == 1 ? buttons.front().first : QMessageBox::NoButton;
    for (const auto& b : buttons)
        if (b.second == IdCancel)
            escape = b.first;
    if (escape != QMessageBox::NoButton)
        box.setEscapeButton(escape);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    int code = escape == QMessageBox::Cancel ? IdCancel : buttons.front().second;
    for (const auto& b : buttons)
        if (b.first == pressed)
            code = b.second;
    dismissed = escaped.pressed || code == IdCancel;
    return code;
}

} // namespace

void InstallFormulaDialogs(TArtFormula& engine, QWidget* parent)
{
    // A formula runs once per row: a box that the user cancels or escapes stops
    // the whole run, not only this row's question.
    engine.InputHook = [parent, &engine](const std::string& caption, const std::string& prompt, std::string& text) {
        bool ok = false;
        const QString answer =
            QInputDialog::getText(parent, Qs(caption), Qs(prompt), QLineEdit::Normal, Qs(text), &ok);
        if (!ok) {
            engine.RequestStop();
            return false;
        }
        text = answer.toStdString();
        return true;
    };
    engine.MsgHook = [parent, &engine](const std::string& text, const std::string& caption, int flags) {
        bool dismissed = false;
        const int code = MessageBoxDialog(parent, text, caption, flags, dismissed);
        if (dismissed)
            engine.RequestStop();
        return code;
    };
    engine.ProcessEventsHook = [] { QCoreApplication::processEvents(); };
}
