#include "analysis/gui/KdvPija.h"
#include "model/FileUtils.h"

#include "analysis/KDVanalysis.h"
#include "map/gui/MapHost.h"
#include "map/gui/OxrImage.h"
#include "model/PalvonListings.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtils.h"
#include "widgets/StringAlignGrid.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using ZelUtils::Format;

namespace {

// Colours are given as the map's colour values (red in the low byte).
QColor WinColor(uint32_t v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

TStringAlignGrid* MakeGrid(QWidget* parent, const char* name, const std::vector<const char*>& titles,
                           const std::vector<int>& widths)
{
    auto* g = new TStringAlignGrid(parent);
    g->setObjectName(QString::fromLatin1(name));
    g->SetColCount(static_cast<int>(titles.size()));
    g->SetRowCount(2);
    g->SetFixedRows(1);
    g->SetFixedCols(0);
    g->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (size_t c = 0; c < titles.size(); ++c) {
        g->setCell(static_cast<int>(c), 0, titles[c]);
        if (c < widths.size())
            g->SetColWidths(static_cast<int>(c), widths[c]);
    }
    return g;
}

// Wide enough for every column side by side: the times column last on the right
// must not need a sideways scroll to be seen.
void FitWidthToColumns(TStringAlignGrid* g)
{
    int w = 2 * g->frameWidth() + g->verticalScrollBar()->sizeHint().width();
    if (!g->verticalHeader()->isHidden())
        w += g->verticalHeader()->sizeHint().width();
    for (int c = 0; c < g->ColCount(); ++c)
        w += g->ColWidths(c);
    g->setMinimumWidth(w);
}

} // namespace

TFrmPijaBase::TFrmPijaBase(bool movements, QWidget* parent) : QDialog(parent), movements_(movements)
{
    setWindowTitle(QStringLiteral("Análisis de PIJAs"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(movements ? QStringLiteral("PIJAs por Movimiento") : QStringLiteral("PIJAs por Arco"), this);
    QFont f = title->font();
    f.setPixelSize(movements ? 19 : 16);
    f.setBold(!movements);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* grids = new QHBoxLayout;
    if (movements) {
        left = MakeGrid(this, "pma", {"Nodo A", "Nodo B", "Nodo C"}, {});
        right = MakeGrid(this, "pmp", {"Zo", "Zd", "Pij", "Tij"}, {51, 50, 50, 87});
    } else {
        left = MakeGrid(this, "paa", {"Nodo A", "Nodo B"}, {});
        right = MakeGrid(this, "pap", {"Zo", "Zd", "Pij", "Tij"}, {40, 40, 45, 67});
    }
    FitWidthToColumns(left);
    FitWidthToColumns(right);
    grids->addWidget(left);
    grids->addWidget(right, 1);
    layout->addLayout(grids);
    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Grabar"), this);
    Button2 = new QPushButton(QStringLiteral("Salir"), this);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, &TFrmPijaBase::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFrmPijaBase::Button2Click);
    connect(left->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (left->Row() >= 1)
            ElementSelected(left->Row());
    });
    connect(right->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (right->Row() >= 1)
            PairSelected(right->Row());
    });
    resize(movements ? 520 : 440, 360);
}

TFrmPija::TFrmPija(QWidget* parent) : TFrmPijaBase(false, parent) { setObjectName(QStringLiteral("TFrmPija")); }
TFrmPijm::TFrmPijm(QWidget* parent) : TFrmPijaBase(true, parent) { setObjectName(QStringLiteral("TFrmPijm")); }

bool TFrmPijaBase::FillElements()
{
    groups_ = KDVanalysis::PijaGroups(movements_);
    first_ = 0;
    last_ = -1;
    originLine_ = destinationLine_ = false;
    if (groups_.size() < 2)
        return false;
    const int count = static_cast<int>(groups_.size()) - 1;
    left->SetRowCount(count + 1);
    for (int g = 1; g <= count; ++g) {
        const TPija& p = movements_ ? PijaMovs[groups_[g - 1]] : PijaLinks[groups_[g - 1]];
        left->setCell(0, g, Format("%d", p.A));
        left->setCell(1, g, Format("%d", p.B));
        if (movements_)
            left->setCell(2, g, Format("%d", p.C));
    }
    right->SetRowCount(2);
    for (int c = 0; c < right->ColCount(); ++c)
        right->setCell(c, 1, "");
    // No row is chosen yet: a click on the row chosen the last time the window
    // was open must list its pairs again, not find it current already.
    left->selectionModel()->clearCurrentIndex();
    left->clearSelection();
    right->selectionModel()->clearCurrentIndex();
    right->clearSelection();
    return true;
}

void TFrmPijaBase::ElementPoints(int32_t record, TPoint& a, TPoint& b, TPoint* middle) const
{
    auto at = [](int32_t n) {
        return (n >= 1 && n <= Network.NodeCount) ? TPoint{Nodos[n].X, Nodos[n].Y} : TPoint{};
    };
    const TPija& p = movements_ ? PijaMovs[record] : PijaLinks[record];
    if (movements_) {
        const TMovimiento& m = (p.Elem >= 1 && p.Elem <= Network.MovementCount) ? Movims[p.Elem] : TMovimiento();
        a = at(m.AIndex);
        b = at(m.CIndex);
        if (middle)
            *middle = at(m.JunctionIndex);
    } else {
        const TArcos& l = (p.Elem >= 1 && p.Elem <= Network.LinkCount) ? Arcos[p.Elem] : TArcos();
        a = at(l.AIndex);
        b = at(l.BIndex);
    }
}

void TFrmPijaBase::ElementSelected(int row)
{
    if (row < 1 || row >= static_cast<int>(groups_.size()))
        return;
    if (host_)
        host_->RedrawMap();
    first_ = groups_[static_cast<size_t>(row) - 1];
    last_ = groups_[static_cast<size_t>(row)] - 1;
    std::vector<double> origin, destination;
    KDVanalysis::PijaZoneSums(movements_, first_, last_, origin, destination);
    double top = 0.0;
    for (size_t z = 1; z < origin.size(); ++z)
        top = std::max({top, origin[z], destination[z]});

    TOxrImage* img = host_ ? host_->MapImage() : nullptr;
    QPainter* c = img ? img->Canvas() : nullptr;
    if (c) {
        c->save();
        c->setBrush(Qt::NoBrush);
        img->PenMode = TPenMode::Copy;
        c->setPen(QPen(WinColor(255), 3));
        TPoint a, b, m;
        ElementPoints(first_, a, b, &m);
        if (movements_) {
            img->LinePts(a, m);
            img->LinePts(m, b);
        } else {
            img->LinePts(a, b);
        }
    }
    right->SetRowCount(last_ - first_ + 2);
    // The pairs are another element's: the first click on any of them draws it.
    right->selectionModel()->clearCurrentIndex();
    right->clearSelection();
    for (int32_t r = first_, i = 1; r <= last_; ++r, ++i) {
        const TPija& p = movements_ ? PijaMovs[r] : PijaLinks[r];
        if (c) {
            // With every sum 0 there is nothing to scale against: no triangles.
            if (p.ZoIdx >= 1 && p.ZoIdx <= Network.ZoneCount && Zonas[p.ZoIdx].HasCentroid) {
                c->setPen(QPen(WinColor(0xFF0000), 3));
                const int32_t r0 = KDVanalysis::PijaRadius(origin[static_cast<size_t>(p.ZoIdx)], top);
                if (r0 > 0)
                    img->PolylineArrays(3, 90, Zonas[p.ZoIdx].CentroidX, Zonas[p.ZoIdx].CentroidY, r0);
            }
            if (p.ZdIdx >= 1 && p.ZdIdx <= Network.ZoneCount && Zonas[p.ZdIdx].HasCentroid) {
                c->setPen(QPen(WinColor(255), 3));
                const int32_t r1 = KDVanalysis::PijaRadius(destination[static_cast<size_t>(p.ZdIdx)], top);
                if (r1 > 0)
                    img->PolylineArrays(3, 90, Zonas[p.ZdIdx].CentroidX, Zonas[p.ZdIdx].CentroidY, r1);
            }
        }
        right->setCell(0, i, Format("%d", p.Zo));
        right->setCell(1, i, Format("%d", p.Zd));
        right->setCell(2, i, Format("%.1f", double(p.Pij)));
        right->setCell(3, i, Format("%.1f", double(p.Tij)));
    }
    if (c) {
        c->restore();
        img->update();
    }
    originLine_ = destinationLine_ = false;
}

void TFrmPijaBase::PairSelected(int row)
{
    const int32_t record = first_ + row - 1;
    if (row < 1 || first_ < 1 || record > last_)
        return;
    TOxrImage* img = host_ ? host_->MapImage() : nullptr;
    QPainter* c = img ? img->Canvas() : nullptr;
    if (!c)
        return;
    c->save();
    c->setBrush(Qt::NoBrush);
    const TPenMode saved = img->PenMode;
    img->PenMode = TPenMode::NotXor;
    c->setPen(QPen(WinColor(0x00FF00), 1));
    // Drawing the previous lines again in not-xor mode takes them off the map.
    if (originLine_)
        img->LinePts(zo_, pa_);
    if (destinationLine_)
        img->LinePts(pb_, zd_);
    originLine_ = destinationLine_ = false;
    const TPija& p = movements_ ? PijaMovs[record] : PijaLinks[record];
    ElementPoints(record, pa_, pb_, nullptr);
    if (p.ZoIdx >= 1 && p.ZoIdx <= Network.ZoneCount && Zonas[p.ZoIdx].HasCentroid) {
        zo_ = {Zonas[p.ZoIdx].CentroidX, Zonas[p.ZoIdx].CentroidY};
        img->LinePts(zo_, pa_);
        originLine_ = true;
    }
    if (p.ZdIdx >= 1 && p.ZdIdx <= Network.ZoneCount && Zonas[p.ZdIdx].HasCentroid) {
        zd_ = {Zonas[p.ZdIdx].CentroidX, Zonas[p.ZdIdx].CentroidY};
        img->LinePts(pb_, zd_);
        destinationLine_ = true;
    }
    img->PenMode = saved;
    c->restore();
    img->update();
}

bool TFrmPijaBase::WriteCsv(const std::string& fileName) const { return KDVanalysis::WritePijaCsv(fileName, movements_); }

void TFrmPijaBase::Button1Click()
{
    QFileDialog dlg(this, QStringLiteral("Exportar PIJAs ..."));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    dlg.setNameFilter(QStringLiteral("Texto delimitado por comas (*.csv)"));
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    const std::string file = dlg.selectedFiles().first().toStdString();
    if (!WriteCsv(file))
        QMessageBox::warning(this, windowTitle(),
                             QString::fromStdString(FileUtils::WriteFailure(file)));
}
