#pragma once
// Small controls of the options dialog: a colour panel whose colour is the
// stored value, a radio group with an item index, and a table delegate that
// hands cell painting to the dialog.
#include <cstdint>
#include <functional>

#include <QFrame>
#include <QGroupBox>
#include <QStringList>
#include <QStyledItemDelegate>

class QButtonGroup;

// A clickable panel showing one colour (TColor 0x00BBGGRR); the panel holds the value.
class TColorPanel : public QFrame {
    Q_OBJECT
public:
    explicit TColorPanel(uint32_t color, QWidget* parent = nullptr);
    uint32_t Color() const { return color_; }
    void SetColor(uint32_t color);

signals:
    void clicked();
    // The colour changed, by the user or by code.
    void colorChanged(uint32_t color);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    uint32_t color_ = 0;
};

// A titled group of radio buttons; ItemIndex is -1 when none is chosen.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& title, const QStringList& items, int itemIndex, QWidget* parent = nullptr);
    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const;
    QString Item(int index) const;

signals:
    // The chosen item changed, by the user or by code.
    void itemIndexChanged(int index);

private:
    QButtonGroup* group_;
};

// Paints the cells of a table through a function of the dialog; cells for which the
// function returns false get the standard painting.
class TCellPainterDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using Painter = std::function<bool(QPainter*, const QStyleOptionViewItem&, int row, int col)>;
    TCellPainterDelegate(Painter painter, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Painter painter_;
};
