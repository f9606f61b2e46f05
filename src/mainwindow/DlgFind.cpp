#include "mainwindow/DlgFind.h"
#include "mainwindow/PalvonViewer.h"
#include "map/gui/OxrImage.h"

#include "map/LineLayers.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/TextCodec.h"
#include "model/ZelUtils.h"
#include "widgets/DlgCfgWidgets.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

const std::vector<std::string>& Campos(int kind)
{
    switch (kind) {
    case 0: return CamposZonas;
    case 1: return CamposNodos;
    case 3: return CamposLineas;
    case 4: return CamposMovims;
    default: return CamposArcos;
    }
}


int32_t RecordCount(int kind)
{
    switch (kind) {
    case 0: return Network.ZoneCount;
    case 1: return Network.NodeCount;
    case 3: return Network.LineCount;
    case 4: return Network.MovementCount;
    default: return Network.LinkCount;
    }
}

// The record a grid row shows: zone and node rows are their records; link and
// movement rows name theirs in column 3, line rows in column 4. 0 when none.
int32_t RecordOfRow(TStringAlignGrid* grid, int kind, int row)
{
    int32_t rec = row;
    if (kind == 2 || kind == 4)
        rec = ZelUtils::ParseInt(grid->cellView(3, row));
    else if (kind == 3)
        rec = ZelUtils::ParseInt(grid->cellView(4, row));
    return rec >= 1 && rec <= RecordCount(kind) ? rec : 0;
}

// Bounding box of the records found.
struct TBox {
    double MinX, MaxX, MinY, MaxY;
    int Points = 0;
    void Add(double x, double y)
    {
        MinX = std::min(MinX, x);
        MaxX = std::max(MaxX, x);
        MinY = std::min(MinY, y);
        MaxY = std::max(MaxY, y);
        ++Points;
    }
    void AddNode(int32_t n)
    {
        if (n >= 1 && n <= Network.NodeCount && Nodos[n].HasXY)
            Add(Nodos[n].X, Nodos[n].Y);
    }
};

// Where a record lies: a zone's centroid, a node, a link's two ends, a line's first,
// middle and last route nodes, a movement's three nodes.
void AddPlace(TBox& box, int kind, int32_t rec)
{
    switch (kind) {
    case 0:
        if (Zonas[rec].HasCentroid)
            box.Add(Zonas[rec].CentroidX, Zonas[rec].CentroidY);
        break;
    case 1:
        box.AddNode(rec);
        break;
    case 2:
        box.AddNode(Arcos[rec].AIndex);
        box.AddNode(Arcos[rec].BIndex);
        break;
    case 3: {
        const std::vector<int32_t>& stops = Lineas[rec].Stops;
        const int32_t n = stops.empty() ? 0 : std::min<int32_t>(stops[0], static_cast<int32_t>(stops.size()) - 1);
        if (n < 1)
            break;
        // A negative route number stands for the node of that number.
        for (int32_t k : {1, std::max<int32_t>(1, static_cast<int32_t>(std::trunc(n * 0.5))), n})
            box.AddNode(KDVlib::FindNodo(std::abs(stops[static_cast<size_t>(k)])));
        break;
    }
    case 4:
        box.AddNode(Movims[rec].AIndex);
        box.AddNode(Movims[rec].JunctionIndex);
        box.AddNode(Movims[rec].CIndex);
        break;
    default:
        break;
    }
}

} // namespace

TDlgFind::TDlgFind(TPalvonViewer* viewer) : QDialog(viewer), viewer_(viewer)
{
    setObjectName("DlgFind");
    setWindowTitle(QStringLiteral("Buscar ..."));
    setModal(false);

    auto* top = new QHBoxLayout();
    auto* label = new QLabel(QStringLiteral("Buscar: "), this);
    buscar = new QLineEdit(this);
    buscar->setObjectName("buscar");
    QAction* go = buscar->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView), QLineEdit::TrailingPosition);
    connect(go, &QAction::triggered, this, &TDlgFind::btnFindClick);
    buscar->installEventFilter(this);
    label->setBuddy(buscar);
    top->addWidget(label);
    top->addWidget(buscar, 1);

    Buscaren = new TRadioGroup(QStringLiteral(" Buscar en "),
                               {QStringLiteral("Zonas"), QStringLiteral("Nodos"), QStringLiteral("Arcos"),
                                QStringLiteral("Lineas"), QStringLiteral("Movimientos")},
                               2, this);
    BuscarComo = new TRadioGroup(QStringLiteral(" Buscar como "),
                                 {QStringLiteral("Identico"), QStringLiteral("Comience"), QStringLiteral("Contenga")}, 0,
                                 this);
    Acciones = new TRadioGroup(QStringLiteral("  Acciones  "),
                               {QStringLiteral("Seleccionar"), QStringLiteral("Visualizar"), QStringLiteral("Ambas")}, 2,
                               this);
    auto* what = new QGroupBox(QStringLiteral(" Buscar que "), this);
    Buscarque = new QListWidget(what);
    Buscarque->setObjectName("Buscarque");
    (new QVBoxLayout(what))->addWidget(Buscarque);
    btnFind = new QPushButton(QStringLiteral("Buscar"), this);
    btnFind->setObjectName("btnFind");
    btnFind->setAutoDefault(false);
    Resultado = new QLabel(this);
    Resultado->setObjectName("Resultado");
    Resultado->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->addLayout(top, 0, 0, 1, 2);
    grid->addWidget(Buscaren, 1, 0);
    grid->addWidget(what, 1, 1, 3, 1);
    grid->addWidget(BuscarComo, 2, 0);
    grid->addWidget(Acciones, 3, 0);
    grid->addWidget(btnFind, 4, 1, Qt::AlignRight);
    grid->addWidget(Resultado, 5, 0, 1, 2);

    connect(Buscaren, &TRadioGroup::itemIndexChanged, this, [this] { BuscarenClick(); });
    connect(btnFind, &QPushButton::clicked, this, &TDlgFind::btnFindClick);
    connect(buscar, &QLineEdit::textEdited, Resultado, &QLabel::clear);
}

void TDlgFind::BuscarenClick()
{
    const int kind = std::clamp(Buscaren->ItemIndex(), 0, 4);
    Resultado->clear(); // it told of the kind searched before
    // The list filled again for the kind it showed (the window called up again,
    // over the same network or another) keeps the columns the user ticked, by
    // their titles, besides the kind's defaults; a title gone takes its tick along.
    QStringList ticked;
    for (int i = 0; listKind_ == kind && i < Buscarque->count(); ++i)
        if (Buscarque->item(i)->checkState() == Qt::Checked)
            ticked << Buscarque->item(i)->text();
    Buscarque->clear();
    listKind_ = kind;
    const std::vector<std::string>& titles = Campos(kind);
    for (size_t i = 0; i < titles.size(); ++i) {
        auto* item = new QListWidgetItem(TextCodec::Decode(titles[i]), Buscarque);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool on = static_cast<int>(i) <= FindDefaultCols[kind] || ticked.contains(item->text());
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
}

void TDlgFind::SyncFields()
{
    const std::vector<std::string>& titles = Campos(std::clamp(Buscaren->ItemIndex(), 0, 4));
    bool same = Buscarque->count() == static_cast<int>(titles.size());
    for (int i = 0; same && i < Buscarque->count(); ++i)
        same = Buscarque->item(i)->text() == TextCodec::Decode(titles[static_cast<size_t>(i)]);
    if (same)
        return;
    QStringList ticked;
    for (int i = 0; i < Buscarque->count(); ++i)
        if (Buscarque->item(i)->checkState() == Qt::Checked)
            ticked << Buscarque->item(i)->text();
    Buscarque->clear();
    for (const std::string& title : titles) {
        auto* item = new QListWidgetItem(TextCodec::Decode(title), Buscarque);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticked.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
}

void TDlgFind::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        SyncFields();
}

void TDlgFind::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TDlgFind::FormShow()
{
    buscar->selectAll();
    buscar->setFocus();
}

bool TDlgFind::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the search box searches.
    if (watched == buscar && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnFindClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TDlgFind::CellMatches(std::string_view cell, const std::vector<std::string>& texts, int how)
{
    for (const std::string& t : texts) {
        if (how == 0 ? cell == t
                     : !t.empty() && (how == 1 ? cell.substr(0, t.size()) == t : cell.find(t) != std::string_view::npos))
            return true;
    }
    return false;
}

TStringAlignGrid* TDlgFind::FindGrid(int kind) const
{
    if (!viewer_)
        return nullptr;
    switch (kind) {
    case 0: return viewer_->sagZonas;
    case 1: return viewer_->sagNodos;
    case 3: return viewer_->sagLineas;
    case 4: return viewer_->sagMovim;
    default: return viewer_->sagArcos;
    }
}

void TDlgFind::btnFindClick()
{
    Hits = 0;
    SyncFields();
    const int kind = std::clamp(Buscaren->ItemIndex(), 0, 4);
    TStringAlignGrid* grid = FindGrid(kind);
    if (!grid)
        return;
    const QString text = buscar->text().trimmed();
    // Cells hold the file's bytes: UTF-8, or Windows-1252 in older files.
    std::vector<std::string> texts{text.toStdString()};
    const std::string cp1252 = TextCodec::EncodeCp1252(text);
    if (cp1252 != texts.front() && TextCodec::DecodeCp1252(cp1252) == text)
        texts.push_back(cp1252);
    // A number typed with a decimal comma (a Spanish keyboard's) is also looked
    // for as the grids write it, with a point.
    if (double typed = 0; text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.')) &&
                          ZelUtils::ParseTyped(text.toStdString(), typed))
        texts.push_back(QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toStdString());
    std::vector<int> columns;
    for (int i = 0; i < Buscarque->count(); ++i)
        if (Buscarque->item(i)->checkState() == Qt::Checked && i < grid->ColCount())
            columns.push_back(i);
    const int how = BuscarComo->ItemIndex();
    const int action = Acciones->ItemIndex();
    const bool select = action != 1;
    const bool show = action != 0;
    const QColor red(Qt::red);

    TBox box{Network.MaxX, Network.MinX, Network.MaxY, Network.MinY};
    for (int row = 1; row < grid->RowCount(); ++row) {
        const int32_t rec = RecordOfRow(grid, kind, row);
        if (rec == 0)
            continue;
        const bool found = std::any_of(columns.begin(), columns.end(),
                                       [&](int c) { return CellMatches(grid->cellView(c, row), texts, how); });
        if (!found)
            continue;
        ++Hits;
        if (show)
            AddPlace(box, kind, rec);
        if (!select)
            continue;
        grid->SetFontColorCell(0, row, red);
        switch (kind) {
        case 1:
            Nodos[rec].Mark = CurrentClass;
            break;
        case 2:
            Arcos[rec].Mark = CurrentClass;
            grid->SetFontColorCell(1, row, red);
            break;
        case 3:
            // A found line is one of the lines shown.
            Lineas[rec].Visible = 1;
            grid->SetFontColorCell(1, row, red);
            VisibleLinesChanged = true;
            break;
        case 4:
            grid->SetFontColorCell(1, row, red);
            grid->SetFontColorCell(2, row, red);
            break;
        default:
            break;
        }
    }

    // Records without a place on the map leave the view as it is.
    if (Hits > 0 && show && box.Points > 0) {
        double mx = (box.MaxX - box.MinX) * 0.2;
        double my = (box.MaxY - box.MinY) * 0.2;
        if (mx == 0.0 || my == 0.0) {
            mx = (double(Network.MaxX) - double(Network.MinX)) * 0.01;
            my = (double(Network.MaxY) - double(Network.MinY)) * 0.01;
        }
        UserView().WorldMinX = box.MinX - mx;
        UserView().WorldMaxX = box.MaxX + mx;
        UserView().WorldMinY = box.MinY - my;
        UserView().WorldMaxY = box.MaxY + my;
    }
    if (Hits > 0 && select && kind == 2) {
        viewer_->Selection().ListFoundLinks();
    }
    viewer_->RedrawMap();
    const char* const kindNames[5] = {"zonas", "nodos", "arcos", "líneas", "movimientos"};
    if (Buscarque->count() == 0)
        Resultado->setText(QStringLiteral("%1 no tiene %2: no se buscó.")
                               .arg(TextCodec::Decode(DatFileName), QString::fromUtf8(kindNames[kind])));
    else if (columns.empty())
        Resultado->setText(QStringLiteral("Ninguna columna marcada en \"Buscar que\": no se buscó."));
    else if (Hits == 0)
        Resultado->setText(QStringLiteral("\"%1\" no se encontró en las columnas marcadas de %2.")
                               .arg(text, TextCodec::Decode(DatFileName)));
    else
        Resultado->setText(QStringLiteral("%1 %2 en %3%4.")
                               .arg(Hits)
                               .arg(Hits == 1 ? QStringLiteral("encontrado") : QStringLiteral("encontrados"))
                               .arg(TextCodec::Decode(DatFileName))
                               .arg(show && box.Points == 0 ? QStringLiteral(", ninguno con posición en el mapa")
                                                            : QString()));
    if (Hits > 0 && show && box.Points > 0)
        StandAside(box.MinX, box.MaxX, box.MinY, box.MaxY);
    buscar->selectAll();
}

void TDlgFind::StandAside(double minX, double maxX, double minY, double maxY)
{
    // The map now shows what was found around its middle: the dialog moves to a
    // corner of the map where it covers none of it.
    TOxrImage* map = viewer_ ? viewer_->img : nullptr;
    if (!map || !isVisible())
        return;
    const QRect found = QRect(map->mapToGlobal(QPoint(map->WorldToPixelX(minX), map->WorldToPixelY(maxY))),
                              map->mapToGlobal(QPoint(map->WorldToPixelX(maxX), map->WorldToPixelY(minY))))
                            .normalized()
                            .adjusted(-8, -8, 8, 8);
    const QRect frame = frameGeometry();
    if (!frame.intersects(found))
        return;
    const QRect area(map->mapToGlobal(QPoint(0, 0)), map->size());
    const QPoint corners[] = {area.topRight() - QPoint(frame.width() - 1, 0), area.topLeft(),
                              area.bottomRight() - QPoint(frame.width() - 1, frame.height() - 1),
                              area.bottomLeft() - QPoint(0, frame.height() - 1)};
    for (const QPoint& at : corners)
        if (!QRect(at, frame.size()).intersects(found)) {
            move(pos() + (at - frame.topLeft()));
            return;
        }
}
