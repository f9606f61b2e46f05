#include "widgets/DualListDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TDualListDialog::TDualListDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("dld");
    resize(560, 420);
    auto* grid = new QGridLayout(this);
    Label1 = new QLabel(this);
    Label2 = new QLabel(this);
    List1 = new QListWidget(this);
    List2 = new QListWidget(this);
    for (QListWidget* l : {List1, List2}) {
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
        // Entries are fixed-width texts (numbers padded with blanks): a fixed font keeps them in columns.
        QFont f(QStringLiteral("Monospace"));
        f.setStyleHint(QFont::TypeWriter);
        l->setFont(f);
    }
    List1->setObjectName("List1");
    List2->setObjectName("List2");

    auto* buttons = new QVBoxLayout();
    toRight_ = new QPushButton(QStringLiteral(">"), this);
    allRight_ = new QPushButton(QStringLiteral(">>"), this);
    toLeft_ = new QPushButton(QStringLiteral("<"), this);
    allLeft_ = new QPushButton(QStringLiteral("<<"), this);
    buttons->addStretch();
    for (QPushButton* b : {toRight_, allRight_, toLeft_, allLeft_})
        buttons->addWidget(b);
    buttons->addStretch();

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Aceptar"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));

    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(List1, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(List2, 1, 2);
    grid->addWidget(box, 2, 0, 1, 3);

    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(toRight_, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(toLeft_, &QPushButton::clicked, this, [this] { MoveSelected(2); });
    connect(allRight_, &QPushButton::clicked, this, [this] { MoveAll(1); });
    connect(allLeft_, &QPushButton::clicked, this, [this] { MoveAll(2); });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        Move(1, {List1->row(item)});
    });
    connect(List2, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        Move(2, {List2->row(item)});
    });
    connect(List1, &QListWidget::itemSelectionChanged, this, &TDualListDialog::UpdateButtons);
    connect(List2, &QListWidget::itemSelectionChanged, this, &TDualListDialog::UpdateButtons);
    UpdateButtons();
}

void TDualListDialog::Clear()
{
    List1->clear();
    List2->clear();
    UpdateButtons();
}

void TDualListDialog::SetLabels(const QString& list1, const QString& list2)
{
    Label1->setText(list1);
    Label2->setText(list2);
}

void TDualListDialog::SetSorted(bool sorted)
{
    sorted_ = sorted;
    List1->setSortingEnabled(sorted);
    List2->setSortingEnabled(sorted);
    if (sorted) {
        List1->sortItems();
        List2->sortItems();
    }
}

void TDualListDialog::AddItem(int list, const QString& text, const QVariant& data)
{
    auto* item = new QListWidgetItem(text);
    item->setData(Qt::UserRole, data);
    ListOf(list)->addItem(item);
    UpdateButtons();
}

int TDualListDialog::Count(int list) const { return ListOf(list)->count(); }

QString TDualListDialog::Text(int list, int i) const
{
    const QListWidgetItem* item = ListOf(list)->item(i);
    return item ? item->text() : QString();
}

QVariant TDualListDialog::Data(int list, int i) const
{
    const QListWidgetItem* item = ListOf(list)->item(i);
    return item ? item->data(Qt::UserRole) : QVariant();
}

void TDualListDialog::Move(int fromList, const QList<int>& rows)
{
    QListWidget* from = ListOf(fromList);
    QListWidget* to = ListOf(fromList == 2 ? 1 : 2);
    QList<int> sortedRows = rows;
    std::sort(sortedRows.begin(), sortedRows.end());
    sortedRows.erase(std::unique(sortedRows.begin(), sortedRows.end()), sortedRows.end());
    // Taken from the end so the remaining rows keep their numbers; added in their order.
    QList<QListWidgetItem*> taken;
    for (auto it = sortedRows.rbegin(); it != sortedRows.rend(); ++it)
        if (*it >= 0 && *it < from->count())
            taken.prepend(from->takeItem(*it));
    for (QListWidgetItem* item : taken)
        to->addItem(item);
    UpdateButtons();
}

void TDualListDialog::MoveAll(int fromList)
{
    QList<int> rows;
    for (int i = 0; i < ListOf(fromList)->count(); ++i)
        rows << i;
    Move(fromList, rows);
}

void TDualListDialog::MoveSelected(int fromList)
{
    QListWidget* from = ListOf(fromList);
    QList<int> rows;
    for (QListWidgetItem* item : from->selectedItems())
        rows << from->row(item);
    Move(fromList, rows);
}

void TDualListDialog::UpdateButtons()
{
    toRight_->setEnabled(!List1->selectedItems().isEmpty());
    allRight_->setEnabled(List1->count() > 0);
    toLeft_->setEnabled(!List2->selectedItems().isEmpty());
    allLeft_->setEnabled(List2->count() > 0);
}

bool TDualListDialog::Execute() { return exec() == QDialog::Accepted; }
