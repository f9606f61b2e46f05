#include "analysis/gui/FrmFases.h"
#include "analysis/gui/JunctionToolbar.h"
#include "map/ViewState.h"
#include "platform/ImageFile.h"
#include "printing/gui/FrmPreview.h"

#include "analysis/Fases.h"
#include "map/DisplayStyles.h"
#include "map/ViewState.h"
#include "map/gui/OxrImage.h"
#include "map/gui/MapHost.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/DocWriter.h"
#include "widgets/WaitCursor.h"
#include "widgets/TypedNumber.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include "widgets/gaugeCaption.h"
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

namespace {

constexpr int kGroupHeight = 111;
constexpr int kToolbarHeight = 27;

// The junction pictures of a document pass through a metafile in a folder of the
// program's own, made for that document and removed with it: a file of the
// user's named like it in the working folder (the network's) is neither replaced
// nor removed, a link there is not followed, and a network folder the user cannot
// write does not stop a document saved elsewhere.
class TPictureFile {
public:
    TPictureFile() : dir_(QDir::tempPath() + QStringLiteral("/velmora-XXXXXX")) {}
    std::string Name() const
    {
        return dir_.isValid() ? dir_.filePath(QStringLiteral("emf.emf")).toStdString() : std::string();
    }

private:
    QTemporaryDir dir_;
};

} // namespace

TFrmFases::TFrmFases(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmFases"));
    setWindowTitle(QStringLiteral("Fases"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    FasesListOk = 0;
    setWindowModality(Qt::ApplicationModal);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    const TJunctionToolbar t = BuildJunctionToolbar(this);
    toolbar_ = t.bar;
    toolbar_->setFixedHeight(kToolbarHeight);
    outer->addWidget(toolbar_);
    tbPrint = t.tbPrint;
    tbSync = t.tbSync;
    tbRepartos = t.tbRepartos;
    pupNodos = t.pupNodos;
    connect(t.tbPrint, &QAction::triggered, this, &TFrmFases::tbPrintClick);
    connect(t.tbCopy, &QAction::triggered, this, &TFrmFases::tbCopyClick);
    connect(t.tbWord, &QAction::triggered, this, &TFrmFases::tbWordClick);
    connect(t.tbFirst, &QAction::triggered, this, &TFrmFases::tbFirstClick);
    connect(t.tbPrev, &QAction::triggered, this, &TFrmFases::tbPrevClick);
    connect(t.tbNext, &QAction::triggered, this, &TFrmFases::tbNextClick);
    connect(t.tbLast, &QAction::triggered, this, &TFrmFases::tbLastClick);
    connect(t.tbSync, &QAction::triggered, this, &TFrmFases::tbSyncClick);
    // The document settings have a row of their own, each with its caption: beside
    // the buttons they would not fit the window's width.
    docbar_ = new QToolBar(this);
    docbar_->setObjectName(QStringLiteral("tbarDocumento"));
    docbar_->setMovable(false);
    docbar_->setFixedHeight(kToolbarHeight);
    outer->addWidget(docbar_);
    cbPapel = new QComboBox(this);
    cbPapel->setObjectName(QStringLiteral("cbPapel"));
    cbPapel->addItems({QStringLiteral("Carta"), QStringLiteral("Tabloide")});
    cbOrienta = new QComboBox(this);
    cbOrienta->setObjectName(QStringLiteral("cbOrienta"));
    cbOrienta->addItems({QStringLiteral("Vertical"), QStringLiteral("Horizontal")});
    seCols = new TWholeSpinBox(this);
    seCols->setObjectName(QStringLiteral("seCols"));
    seCols->setRange(0, 10);
    seCols->setToolTip(QStringLiteral("Columnas"));
    seAncho = new TRealSpinBox(this);
    seAncho->setObjectName(QStringLiteral("seAncho"));
    seAncho->setRange(0.0, 20.0);
    seAncho->setSingleStep(0.1);
    seAncho->setDecimals(1);
    seAncho->setValue(5.0);
    seAncho->setToolTip(QStringLiteral("Ancho de la figura"));
    seMarg = new TRealSpinBox(this);
    seMarg->setObjectName(QStringLiteral("seMarg"));
    seMarg->setRange(0.0, 5.0);
    seMarg->setSingleStep(0.1);
    seMarg->setDecimals(1);
    seMarg->setValue(1.0);
    seMarg->setToolTip(QStringLiteral("Márgenes"));
    cbPapel->setToolTip(QStringLiteral("Papel"));
    cbOrienta->setToolTip(QStringLiteral("Orientación"));
    const std::pair<QWidget*, const char*> settings[] = {
        {cbPapel, ""}, {cbOrienta, ""}, {seCols, "Col."}, {seAncho, "Ancho"}, {seMarg, "Marg."}};
    for (const auto& [w, caption] : settings) {
        if (*caption) {
            auto* label = new QLabel(QString::fromUtf8(caption), docbar_);
            label->setToolTip(w->toolTip());
            label->setBuddy(w);
            docbar_->addWidget(label);
        }
        docbar_->addWidget(w);
    }

    auto* body = new QHBoxLayout();
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(2);
    fimg = new TOxrImage(this);
    fimg->setObjectName(QStringLiteral("fimg"));
    fimg->setFixedSize(4 * kGroupHeight, 4 * kGroupHeight);
    body->addWidget(fimg, 0, Qt::AlignTop);
    auto* panel = new QWidget(this);
    panel->setFixedWidth(100);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    for (int s = 0; s < 6; ++s) {
        G[s] = new QGroupBox(QStringLiteral("Fase %1").arg(s + 1), panel);
        G[s]->setObjectName(QStringLiteral("G%1").arg(s + 1));
        // As large as its caption and whole picture need in this style: the green
        // times are written along the picture's bottom edge.
        auto* gl = new QVBoxLayout(G[s]);
        gl->setContentsMargins(2, 2, 2, 2);
        Fase[s] = new TOxrImage(G[s]);
        Fase[s]->setObjectName(QStringLiteral("Fase%1").arg(s + 1));
        Fase[s]->setFixedSize(94, 94);
        gl->addWidget(Fase[s], 0, Qt::AlignBottom);
        G[s]->setFixedSize(std::max(98, G[s]->sizeHint().width()), std::max(kGroupHeight, G[s]->sizeHint().height()));
        G[s]->hide();
        panelLayout->addWidget(G[s]);
    }
    panelLayout->addStretch(1);
    panel->setFixedWidth(G[0]->width() + 2);
    body->addWidget(panel, 0, Qt::AlignTop);
    outer->addLayout(body);
    pbc = new tgaugeCaption(this);
    pbc->setObjectName(QStringLiteral("pbc"));
    pbc->setFixedHeight(21);
    pbc->SetForeColor(QColor(0, 0, 255));
    pbc->SetCaption(QStringLiteral("Preparando documento ..."));
    pbc->hide();
    outer->addWidget(pbc);
}

void TFrmFases::MakePupNodos()
{
    pupNodos->clear();
    const bool bySelection = host_ && host_->CommandOn(Cmd::jtSel);
    for (int32_t i : KDVFases::BuildJunctionList(bySelection)) {
        QAction* a = pupNodos->addAction(QString::number(Nodos[i].Number));
        a->setData(i);
        connect(a, &QAction::triggered, this, [this, i] { Navigate(i); });
    }
}

void TFrmFases::Navigate(int32_t k)
{
    if (k >= 1) CreateFases(k);
}

void TFrmFases::tbFirstClick() { Navigate(KDVFases::FirstListed()); }
void TFrmFases::tbPrevClick() { Navigate(KDVFases::PrevListed(NodoActual)); }
void TFrmFases::tbNextClick() { Navigate(KDVFases::NextListed(NodoActual)); }
void TFrmFases::tbLastClick() { Navigate(KDVFases::LastListed()); }

void TFrmFases::CreateFases(int32_t k)
{
    using namespace KDVFases;
    PrepareJunction(k);
    const TJunctionDiagram& d = Diagram;
    if (d.Node < 1) return;
    setWindowTitle(QString::fromStdString(Title(d)));
    const int32_t stages = StageCount(d);
    const int bars = toolbar_->height() + docbar_->height();
    const int side = std::max(stages, 4) * G[0]->height();
    fimg->setFixedSize(side, side);
    resize(std::max(side + G[0]->width() + 4, width()), side + bars + (pbc->isHidden() ? 0 : pbc->height()));

    fimg->Clear();
    DrawJunction(*fimg, fimg->height());
    for (int s = 0; s < 6; ++s) {
        G[s]->hide();
        Fase[s]->Clear();
        DrawStageBackground(*Fase[s]);
    }
    if (d.Type == 3) {
        const bool times = tbRepartos->isChecked();
        if (times) DrawCycleTexts(*fimg, fimg->height());
        for (int s = 1; s <= stages; ++s) {
            DrawStageNetwork(*Fase[s - 1], s, times, Fase[s - 1]->height());
            G[s - 1]->show();
        }
        for (const TStageLine& line : d.StageLines)
            if (line.Stage >= 1 && line.Stage <= stages) DrawStageArrow(*Fase[line.Stage - 1], line);
    }
    fimg->update();
    if (tbSync->isChecked()) SyncMap();
}

void TFrmFases::SyncMap()
{
    const KDVFases::TJunctionDiagram& d = KDVFases::Diagram;
    if (!host_ || d.Node < 1) return;
    const double r = KDVFases::SyncZoom * d.MaxArmDistance;
    UserView().WorldMinX = d.CentreX - r;
    UserView().WorldMaxX = d.CentreX + r;
    UserView().WorldMinY = d.CentreY - r;
    UserView().WorldMaxY = d.CentreY + r;
    host_->RedrawMap();
    TOxrImage* map = host_->MapImage();
    if (!map || !map->Canvas()) return;
    QPainter* q = map->Canvas();
    q->setPen(QPen(Qt::black, 1));
    q->setBrush(QBrush(DisplayStyles::ToQColor(0xE1FFFF), Qt::SolidPattern));
    map->PenMode = TPenMode::NotXor;
    map->Circle(d.CentreX, d.CentreY, -d.Radius);
    map->PenMode = TPenMode::Copy;
    map->update();
}

void TFrmFases::tbSyncClick()
{
    if (tbSync->isChecked()) SyncMap();
}

bool TFrmFases::CopyJunction(const std::string& fileName)
{
    const int fw = fimg->width(), fh = fimg->height();
    const int thumbW = Fase[0]->width(), thumbH = Fase[0]->height();
    const bool stages = !G[0]->isHidden();
    QImage image(fw + (stages ? 2 + thumbW : 0), fh + 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter q(&image);
        q.setPen(QPen(Qt::black, 1));
        q.setBrush(Qt::NoBrush);
        q.drawRect(0, 0, image.width() - 1, image.height() - 1);
        q.drawImage(QRect(0, 30, fw, fh), fimg->Picture());
        q.drawRect(0, 30, fw - 1, fh - 1);
        QFont f(QStringLiteral("Arial"), 12);
        f.setBold(true);
        q.setFont(f);
        const QString title = QString::fromStdString(KDVFases::Title(KDVFases::Diagram));
        const int th = q.fontMetrics().height();
        q.drawText(QRect(0, 30 - th - 3, image.width(), th), Qt::AlignLeft | Qt::AlignTop, title);
        f.setPointSize(4);
        q.setFont(f);
        q.drawText(QRect(0, 30, image.width(), q.fontMetrics().height()), Qt::AlignLeft | Qt::AlignTop,
                   TMapPainter::DisplayText(GeneratedBy));
        for (int s = 1; s <= 6; ++s) {
            if (G[s - 1]->isHidden()) continue;
            const QRect r(fw + 2, (s - 1) * (thumbH + 17) + 48, thumbW, thumbH);
            q.drawImage(r, Fase[s - 1]->Picture(), QRect(0, 0, thumbW, thumbH));
            q.setPen(QPen(Qt::black, 1));
            q.drawRect(r.adjusted(0, 0, -1, -1));
            QFont small(QString::fromStdString(UserView().LabelFonts[1].Name), 7);
            q.setFont(small);
            q.setPen(DisplayStyles::ToQColor(UserView().LabelFonts[1].Color));
            const int h = q.fontMetrics().height();
            q.drawText(QRect(r.left(), r.top() - h, thumbW, h), Qt::AlignLeft | Qt::AlignBottom,
                       QStringLiteral("Fase %1").arg(s));
        }
    }
    if (fileName == "null") {
        QApplication::clipboard()->setImage(image);
        return true;
    }
    return ImageFile::Save(image, fileName, "PNG");
}

bool TFrmFases::PrintFases(int32_t k, const std::string& fileName)
{
    (void)k;
    const int clientHeight = std::max(KDVFases::StageCount(KDVFases::Diagram), 4) * kGroupHeight + kToolbarHeight;
    return KDVFases::PrintJunction(fileName, fimg->width() + 102, clientHeight - kToolbarHeight,
                                   tbRepartos->isChecked());
}

void TFrmFases::tbCopyClick() { CopyJunction("null"); }

void TFrmFases::tbPrintClick()
{
    const int fw = fimg->width(), fh = fimg->height();
    const int thumbW = Fase[0]->width(), thumbH = Fase[0]->height();
    QImage image(fw + 2 + thumbW, fh, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter q(&image);
        q.drawImage(0, 0, fimg->Picture());
        q.setPen(QPen(Qt::black, 1));
        q.setBrush(Qt::NoBrush);
        q.drawRect(0, 0, fw - 1, fh - 1);
        for (int s = 1; s <= 6; ++s) {
            if (G[s - 1]->isHidden()) continue;
            const QRect r(fw + 2, (s - 1) * (thumbH + 17) + 18, thumbW, thumbH);
            q.drawImage(r, Fase[s - 1]->Picture(), QRect(0, 0, thumbW, thumbH));
            q.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    PrintImageFittedToPage(image);
}

bool TFrmFases::WriteDocument(const std::string& fileName)
{
    const int32_t remembered = NodoActual;
    DocWriter::TDocWriter doc;
    DocWriter::PageSetup setup;
    setup.paperCode = cbPapel->currentIndex() == 1 ? 23 : 2;
    setup.orientation = cbOrienta->currentIndex() == 1 ? 1 : 0;
    setup.marginTop = setup.marginBottom = setup.marginLeft = setup.marginRight = seMarg->value();
    doc.Open(setup);
    const int32_t columns = seCols->value();
    DocWriter::PictureBox box;
    box.widthIn = seAncho->value();
    int table = 0;
    if (columns > 0) table = doc.AddTable(KDVFases::PictureRows(KDVFases::ListedCount(), columns), columns, "null");
    const int32_t n = std::min<int32_t>(Network.NodeCount, MaxNodos);
    pbc->SetMinValue(0);
    pbc->SetMaxValue(std::max(n, 1));
    pbc->SetProgress(0);
    pbc->SetCaption(QStringLiteral("Generando documento %1 ...  ")
                       .arg(QFileInfo(QString::fromStdString(fileName)).fileName()));
    pbc->show();
    int32_t row = 1, column = 0;
    bool ok = true;
    const TPictureFile scratch;
    const std::string picture = scratch.Name();
    for (int32_t i = 1; i <= n; ++i) {
        pbc->SetProgress(i);
        if (NodoEnLista[i] != 1) continue;
        CreateFases(i);
        if (!PrintFases(i, picture)) {
            ok = false;
            break;
        }
        if (columns > 0) {
            KDVFases::NextCell(row, column, columns);
            ok = doc.CellPicture(table, row, column, picture, "null", box);
        } else {
            ok = doc.AddPicture(picture, box);
        }
        if (!ok) break;
    }
    pbc->SetCaption(QStringLiteral("Cerrando documento ..."));
    std::string saved;
    if (ok) ok = doc.SaveAs(fileName, &saved);
    pbc->hide();
    if (!ok)
        Services().ShowMessage(doc.LastError().empty() ? "No se pudo escribir la figura de la intersección."
                                                       : doc.LastError());
    else if (saved != fileName)
        Services().ShowMessage(ZelUtils::Format("ERROR - No se pudo grabar archivo: %s\r        Se guardó una copia en: %s",
                                                fileName.c_str(), saved.c_str()));
    if (remembered >= 1) CreateFases(remembered);
    return ok;
}

void TFrmFases::tbWordClick()
{
    TWaitCursor wait;
    QFileDialog dlg(this, QStringLiteral("Definir documento word"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("doc"));
    dlg.setNameFilter(QStringLiteral("Microsoft word file [*.doc] (*.doc)"));
    const bool confirm = ProgramOptions().Overwrite;
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !confirm);
    wait.Restore();
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
    TWaitCursor writing;
    WriteDocument(dlg.selectedFiles().first().toStdString());
}

bool TFrmFases::PhasesReport(DocWriter::TDocWriter& doc, const std::string& networkName,
                             const DocWriter::PictureBox& box, int32_t columns)
{
    const int32_t count = KDVFases::WriteStageTable(doc, networkName);
    int table = 0;
    if (columns > 0) {
        doc.NewParagraph();
        doc.NewParagraph();
        table = doc.AddTable(KDVFases::PictureRows(count, columns), columns, "null");
        doc.TablePlain(table);
    }
    tbSync->setChecked(false);
    const int32_t n = std::min<int32_t>(Network.NodeCount, MaxNodos);
    int32_t row = 1, column = 0;
    const TPictureFile scratch;
    const std::string picture = scratch.Name();
    for (int32_t i = 1; i <= n; ++i) {
        if (NodoEnLista[i] != 1) continue;
        CreateFases(i);
        // The printed twin: a metafile with title, stamp and stage panels.
        if (!PrintFases(i, picture))
            return false;
        const std::string caption =
            ZelUtils::Format("Red: %s    Nodo: %d", networkName.c_str(), KDVFases::Diagram.Number);
        if (columns > 0) {
            KDVFases::NextCell(row, column, columns);
            doc.CellPicture(table, row, column, picture, caption, box);
        } else {
            doc.AddPicture(picture, box, caption);
            doc.NewParagraph();
        }
    }
    doc.PageBreak();
    return true;
}

void TFrmFases::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Opened from the menu after a close: the list follows the current selection
    // or types again, from its first junction.
    if (FasesListOk == 0) {
        NodoActual = 0;
        MakePupNodos();
    }
    if (NodoActual >= 1 && NodoActual <= Network.NodeCount) CreateFases(NodoActual);
    else tbFirstClick();
}

void TFrmFases::ShowJunctionModal(int32_t node)
{
    if (node < 1 || node > Network.NodeCount || modalLoop_)
        return;
    for (int32_t i = 1; i <= MaxNodos; ++i)
        NodoEnLista[i] = 0;
    NodoEnLista[node] = 1;
    pupNodos->clear();
    QAction* item = pupNodos->addAction(QString::number(Nodos[node].Number));
    item->setData(node);
    connect(item, &QAction::triggered, this, [this, node] { Navigate(node); });
    FasesListOk = 1;
    NodoActual = node;
    // Nothing to step to: the stepping part of the toolbar goes while the junction shows.
    std::vector<QAction*> stepping;
    bool inStepping = false;
    for (QAction* a : toolbar_->actions()) {
        if (a->objectName() == QLatin1String("tbFirst"))
            inStepping = true;
        if (inStepping && a->isVisible()) {
            stepping.push_back(a);
            a->setVisible(false);
        }
        if (a->objectName() == QLatin1String("tbRepartos"))
            break;
    }
    QEventLoop loop;
    modalLoop_ = &loop;
    show();
    raise();
    if (isVisible())
        loop.exec();
    modalLoop_ = nullptr;
    for (QAction* a : stepping)
        a->setVisible(true);
}

void TFrmFases::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFrmFases::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (modalLoop_)
        modalLoop_->quit();
}

void TFrmFases::closeEvent(QCloseEvent* event)
{
    KDVFases::Diagram.StageLines.clear();
    KDVFases::Diagram.Approaches.clear();
    FasesListOk = 0;
    if (host_) host_->RedrawMap();
    QWidget::closeEvent(event);
}
