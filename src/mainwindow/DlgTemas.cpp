#include "mainwindow/DlgTemas.h"

#include "model/TextCodec.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TDlgTemas::TDlgTemas(QWidget* parent) : QDialog(parent)
{
    setObjectName("TDlgTemas");
    setWindowTitle(QStringLiteral("Dialog"));
    resize(395, 286);
    auto* top = new QVBoxLayout(this);
    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::Panel);
    bevel->setFrameShadow(QFrame::Sunken);
    auto* lists = new QHBoxLayout(bevel);
    lbSects = new QListWidget(bevel);
    lbSects->setObjectName("lbSects");
    lbSects->setMinimumSize(97, 225);
    lbValues = new QListWidget(bevel);
    lbValues->setObjectName("lbValues");
    lbValues->setMinimumSize(257, 225);
    lists->addWidget(lbSects, 97);
    lists->addWidget(lbValues, 257);
    top->addWidget(bevel, 1);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName("CancelBtn");
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    top->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbSects, &QListWidget::itemClicked, this, [this] { lbSectsClick(); });
}

void TDlgTemas::lbSectsClick()
{
    lbValues->clear();
    const int row = lbSects->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= SectionValues.size())
        return;
    for (const std::string& line : SectionValues[static_cast<size_t>(row)])
        lbValues->addItem(TextCodec::Decode(line));
}
