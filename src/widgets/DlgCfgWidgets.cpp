#include "widgets/DlgCfgWidgets.h"

#include "map/DisplayStyles.h"

#include <QButtonGroup>
#include <QMouseEvent>
#include <QRadioButton>
#include <QVBoxLayout>

TColorPanel::TColorPanel(uint32_t color, QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    setMinimumSize(40, 20);
    setCursor(Qt::PointingHandCursor);
    SetColor(color);
}

void TColorPanel::SetColor(uint32_t color)
{
    const uint32_t previous = color_;
    color_ = color & 0xFFFFFF;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, DisplayStyles::ToQColor(color_));
    setPalette(pal);
    update();
    if (color_ != previous)
        emit colorChanged(color_);
}

void TColorPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, int itemIndex, QWidget* parent)
    : QGroupBox(title, parent), group_(new QButtonGroup(this))
{
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        layout->addWidget(button);
    }
    SetItemIndex(itemIndex);
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

int TRadioGroup::Count() const { return int(group_->buttons().size()); }

QString TRadioGroup::Item(int index) const
{
    QAbstractButton* button = group_->button(index);
    return button ? button->text() : QString();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton* button = group_->button(index)) {
        button->setChecked(true);
        return;
    }
    // No such item: nothing chosen.
    if (QAbstractButton* checked = group_->checkedButton()) {
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
}

TCellPainterDelegate::TCellPainterDelegate(Painter painter, QObject* parent)
    : QStyledItemDelegate(parent), painter_(std::move(painter))
{
}

void TCellPainterDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (painter_ && painter_(painter, option, index.row(), index.column()))
        return;
    QStyledItemDelegate::paint(painter, option, index);
}
