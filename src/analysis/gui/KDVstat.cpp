#include "analysis/gui/KDVstat.h"

#include "widgets/StringAlignGrid.h"

#include <QVBoxLayout>

TDlgStat::TDlgStat(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TDlgStat"));
    setWindowTitle(QStringLiteral("Estadísticas"));
    resize(295, 375);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    sagStat = new TStringAlignGrid(this);
    sagStat->setObjectName(QStringLiteral("sagStat"));
    sagStat->SetColCount(2);
    sagStat->SetRowCount(30);
    sagStat->SetFixedRows(1);
    sagStat->SetDefaultRowHeight(18);
    sagStat->SetColWidths(0, 64);
    sagStat->SetColWidths(1, 198);
    sagStat->setCell(0, 0, "Item");
    sagStat->setCell(1, 0, "Valor");
    layout->addWidget(sagStat);
}
