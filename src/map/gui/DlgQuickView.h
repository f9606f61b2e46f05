#pragma once
// "Vista Estática": a still copy of the map in a window of its own. A new one is
// made for every snapshot; it asks for its title when shown and again on a right
// click, and its arrow keys scroll the picture.
#include <QDialog>

#include <functional>

class QScrollArea;
class TOxrImage;

class TDlgQuickView : public QDialog {
    Q_OBJECT
public:
    explicit TDlgQuickView(QWidget* parent = nullptr);

    QScrollArea* sbimg;
    TOxrImage* img;
    // The title box of every quick view; empty = the program's input box ("Vista
    // Estática", "Título: "). Returns the text typed, or "" when the box is cancelled.
    static std::function<QString()> AskTitle;

    // Asks the title and makes it the caption.
    void FormShow();
    void imgOxrMouseDown(Qt::MouseButton button);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString Title();
};
