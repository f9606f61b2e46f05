#include "analysis/gui/KDVstat.h"

#include "widgets/StringAlignGrid.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

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

void TDlgStat::FitContents(int rows)
{
    const int frame = 2 * sagStat->frameWidth();
    int w = frame + sagStat->ColWidths(0) + sagStat->ColWidths(1) + sagStat->verticalHeader()->width();
    int h = frame + sagStat->horizontalHeader()->height();
    for (int r = sagStat->FixedRows(); r < std::min(rows, sagStat->RowCount()); ++r)
        h += sagStat->RowHeights(r);
    // The rows past the last shown scroll: room for the bar beside them.
    w += sagStat->verticalScrollBar()->sizeHint().width();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 9 / 10 : QSize(w, h);
    resize(std::clamp(w, width(), std::max(width(), room.width())), std::clamp(h, height(), std::max(height(), room.height())));
}
