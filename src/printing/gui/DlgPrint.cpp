#include "printing/gui/DlgPrint.h"
#include "model/FileUtils.h"

#include "map/MapPainter.h"
#include "map/ViewState.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/SafeFile.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/ImageFile.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintController.h"
#include "printing/gui/PrintLayers.h"
#include "widgets/ReplaceQuestion.h"
#include "widgets/TypedNumber.h"
#include "widgets/WaitCursor.h"
#include "widgets/SaveDialogSuffix.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <cstdio>
#include <filesystem>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>


namespace {

QRect PageRect(const TPrintPage& pg) { return QRect(QPoint(pg.Left, pg.Top), QPoint(pg.Right - 1, pg.Bottom - 1)); }

// A selected page's mark: a silver diagonal-cross hatch mixed not-xor with what
// lies under it (white paper turns silver, a black link dark grey), so the page
// stays readable and marking it twice gives the picture back.
void MarkPage(QImage& sheet, const QRect& r)
{
    const QRect box = r.intersected(sheet.rect());
    const QRgb flip = ~QRgb(0xC0C0C0) & 0xFFFFFF;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(sheet.scanLine(y));
        for (int x = box.left(); x <= box.right(); ++x)
            if ((x + y) % 8 == 0 || (x - y + 8 * sheet.height()) % 8 == 0)
                line[x] ^= flip;
    }
}

} // namespace

// The map picture with the page rectangles over it; selected pages marked.
class TDlgPrint::TPageLayer : public QWidget {
public:
    explicit TPageLayer(TDlgPrint& owner) : QWidget(&owner), owner_(owner) { setObjectName(QStringLiteral("grd")); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QImage sheet = owner_.map_.convertToFormat(QImage::Format_RGB32);
        const TPageGrid& g = owner_.grid_;
        {
            QPainter q(&sheet);
            q.setPen(QPen(Qt::black, 1));
            q.setBrush(Qt::NoBrush);
            for (int i = 1; i <= g.Count(); ++i)
                for (int j = 1; j <= g.Count(); ++j)
                    q.drawRect(PageRect(g.Page(i, j)));
        }
        for (int i = 1; i <= g.Count(); ++i)
            for (int j = 1; j <= g.Count(); ++j)
                if (g.Page(i, j).Selected)
                    MarkPage(sheet, PageRect(g.Page(i, j)));
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.drawImage(0, 0, sheet);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        owner_.PageLayerClick(event->position().toPoint().x(), event->position().toPoint().y());
    }

private:
    TDlgPrint& owner_;
};

TDlgPrint::TDlgPrint(TPrintController& printing, QWidget* parent) : QDialog(parent), printing_(printing)
{
    setObjectName(QStringLiteral("TDlgPrint"));
    setWindowTitle(QStringLiteral("Multi-Impresión"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    // Two rows of commands, each as wide as its buttons: nothing folds away
    // behind an overflow arrow, whatever the page's orientation.
    QToolBar* bar = nullptr;
    auto row = [&] {
        bar = new QToolBar(this);
        layout->addWidget(bar);
    };
    auto add = [&](const char* name, const QString& text, const QString& hint, auto slot) {
        QAction* a = bar->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    row();
    add("tbPrint", QStringLiteral("Imprimir"), QStringLiteral("Imprimir las páginas elegidas"), [this] { tbPrintClick(); });
    add("tbSave", QStringLiteral("Guardar"), QStringLiteral("Guardar las páginas elegidas"), [this] { tbSaveClick(); });
    bar->addSeparator();
    add("tbSelAll", QStringLiteral("Todas"), QStringLiteral("Elegir todas las páginas"), [this] { grid_.SelectAll(); Redraw(); });
    add("tbInvSel", QStringLiteral("Invertir"), QStringLiteral("Invertir la selección"), [this] { grid_.InvertSelection(); Redraw(); });
    bar->addSeparator();
    add("tbExit", QStringLiteral("Cerrar"), QStringLiteral("Cerrar"), [this] { reject(); });
    row();
    add("tbLeft", QStringLiteral("←"), QStringLiteral("Mover a la izquierda"), [this] { grid_.Move(-1, 0); Redraw(); });
    add("tbRight", QStringLiteral("→"), QStringLiteral("Mover a la derecha"), [this] { grid_.Move(1, 0); Redraw(); });
    add("tbUp", QStringLiteral("↑"), QStringLiteral("Mover hacia arriba"), [this] { grid_.Move(0, 1); Redraw(); });
    add("tbDown", QStringLiteral("↓"), QStringLiteral("Mover hacia abajo"), [this] { grid_.Move(0, -1); Redraw(); });
    add("tbExpand", QStringLiteral("+"), QStringLiteral("Agrandar las páginas"), [this] { grid_.Resize(1); Redraw(); });
    add("tbContract", QStringLiteral("−"), QStringLiteral("Reducir las páginas"), [this] { grid_.Resize(-1); Redraw(); });
    bar->addSeparator();
    add("tbPgVert", QStringLiteral("Vertical"), QStringLiteral("Página vertical"), [this] { SetLandscape(false); });
    add("tbPgHorz", QStringLiteral("Horizontal"), QStringLiteral("Página horizontal"), [this] { SetLandscape(true); });
    row();
    bar->addWidget(new QLabel(QStringLiteral("Páginas por lado: "), bar));
    spCount = new TWholeSpinBox(bar);
    spCount->setObjectName(QStringLiteral("spCount"));
    spCount->setRange(1, TPageGrid::MaxPerSide);
    spCount->setValue(2);
    bar->addWidget(spCount);
    connect(spCount, qOverload<int>(&QSpinBox::valueChanged), this, [this] { spCountChange(); });
    bar->addSeparator();
    PrtMapa = new QCheckBox(QStringLiteral("Mapa"), bar);
    PrtMapa->setObjectName(QStringLiteral("PrtMapa"));
    PrtMapa->setToolTip(QStringLiteral("Imprimir también la hoja de conjunto"));
    bar->addWidget(PrtMapa);
    for (QToolBar* b : findChildren<QToolBar*>())
        b->setMinimumWidth(b->sizeHint().width());
    layer_ = new TPageLayer(*this);
    layout->addWidget(layer_);
}

void TDlgPrint::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    DrawNet();
}

void TDlgPrint::DrawNet()
{
    TWaitCursor wait;
    const QSize page = PrinterPageSize();
    aspectWH_ = page.height() > 0 ? double(page.width()) / page.height() : 1.0;
    const bool landscape = Printer().pageLayout().orientation() == QPageLayout::Landscape;
    // About 600 pixels along the page's long side, in the page's proportions,
    // less when the window would not fit the screen whole: every page stays
    // in sight.
    const double side = std::min(600.0, LongestSideOnScreen(landscape));
    const int w = landscape ? ZelUtils::Round(side + 2) : ZelUtils::Round(aspectWH_ * side + 2);
    const int h = landscape ? ZelUtils::Round(side / aspectWH_ + 2) : ZelUtils::Round(side + 2);
    layer_->setFixedSize(w, h);
    map_ = QImage(w, h, QImage::Format_RGB32);
    map_.fill(Qt::white);
    {
        QPainter p(&map_);
        TMapPainter mp;
        mp.SetPainter(&p);
        mp.SetDeviceSize(w, h);
        mp.SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
        p.setPen(QPen(Qt::black, 1));
        DrawNetWork(mp, printing_.ViewSnapshot());
    }
    grid_.SetLayout(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY, w, h, aspectWH_);
    grid_.CreatePages(spCount->value(), widthBased_);
    Redraw();
    const QPoint centre = frameGeometry().center();
    adjustSize();
    KeepOnScreen(centre);
}

QRect TDlgPrint::AvailableScreen() const
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

// The window's frame (title bar and borders), measured once shown; a title
// bar's worth before.
QSize TDlgPrint::FrameExtra() const
{
    const QSize measured = frameGeometry().size() - geometry().size();
    return isVisible() && measured.height() > 0 ? measured : QSize(8, 32);
}

double TDlgPrint::LongestSideOnScreen(bool landscape) const
{
    // What the window holds besides the page layer: its command rows and margins.
    layout()->activate();
    const QSize hint = layout()->sizeHint();
    const QSize chrome(std::max(0, hint.width() - layer_->width()), std::max(0, hint.height() - layer_->height()));
    const QRect avail = AvailableScreen();
    const QSize extra = FrameExtra();
    const double roomW = avail.width() - extra.width() - layout()->contentsMargins().left()
                         - layout()->contentsMargins().right() - 2;
    const double roomH = avail.height() - extra.height() - chrome.height() - 2;
    // The long side of the layer from the room along each axis.
    const double byW = landscape ? roomW : roomW / std::max(1e-6, aspectWH_);
    const double byH = landscape ? roomH * aspectWH_ : roomH;
    return std::max(50.0, std::min(byW, byH));
}

void TDlgPrint::KeepOnScreen(QPoint centre)
{
    if (!isVisible())
        return;
    const QRect avail = AvailableScreen();
    QRect frame = frameGeometry();
    frame.moveCenter(centre);
    const int x = std::clamp(frame.left(), avail.left(), std::max(avail.left(), avail.right() + 1 - frame.width()));
    const int y = std::clamp(frame.top(), avail.top(), std::max(avail.top(), avail.bottom() + 1 - frame.height()));
    if (QPoint(x, y) != frameGeometry().topLeft())
        move(x, y);
}

void TDlgPrint::SetLandscape(bool landscape)
{
    Printer().setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    DrawNet();
}

void TDlgPrint::Redraw() { layer_->update(); }

void TDlgPrint::spCountChange()
{
    widthBased_ = true;
    grid_.CreatePages(spCount->value(), widthBased_);
    Redraw();
}

void TDlgPrint::PageLayerClick(int x, int y)
{
    grid_.Toggle(x, y);
    Redraw();
}

namespace {
// Printing or saving with no page chosen would end without a sheet or a file.
constexpr const char* NoPageChosen = "No hay p\xC3\xA1ginas elegidas: elija las p\xC3\xA1ginas con un clic sobre "
                                     "ellas, o \xC2\xABTodas\xC2\xBB.";
} // namespace

void TDlgPrint::tbPrintClick()
{
    if (!PrtMapa->isChecked() && grid_.SelectedCount() == 0) {
        Services().ShowMessage(NoPageChosen);
        return;
    }
    // One printer document: the overview first, then one sheet per chosen page,
    // each rendered at the printer's full page.
    TPrintJob job;
    if (PrtMapa->isChecked()) {
        if (!job.NextSheet())
            return;
        DrawOverview(job.Painter());
    }
    ForEachSelectedPage([&](const TPrintSettings& page, const TViewSnapshot& view) {
        printing_.DrawView(view, page);
        if (!job.NextSheet())
            return false;
        PlayPrintPictureOnSheet(job.Painter(), printing_.Page());
        return true;
    });
    job.End();
}

bool TDlgPrint::ForEachSelectedPage(
    const std::function<bool(const TPrintSettings& page, const TViewSnapshot& view)>& visit)
{
    // Each page is the user's view with the page's window, in a copy of its own:
    // the user's window stays as it is for the overview and the next print. The
    // page key belongs to these pages only: the user's settings, and with them
    // the next ordinary print, carry none.
    TPrintSettings page = printing_.Settings();
    page.PrintPagesPerSide = grid_.Count();
    TViewSnapshot view = printing_.ViewSnapshot();
    bool ok = true;
    for (int i = 1; ok && i <= grid_.Count(); ++i)
        for (int j = 1; ok && j <= grid_.Count(); ++j) {
            const TPrintPage& pg = grid_.Page(i, j);
            if (!pg.Selected)
                continue;
            page.PrintPageX = i;
            page.PrintPageY = j;
            view.State.WorldMinX = view.MinX = pg.X[0];
            view.State.WorldMaxX = view.MaxX = pg.X[1];
            view.State.WorldMinY = view.MinY = pg.Y[0];
            view.State.WorldMaxY = view.MaxY = pg.Y[1];
            ok = visit(page, view);
        }
    return ok;
}

void TDlgPrint::tbSaveClick()
{
    // Only pages are saved: a name chosen for none would stand for no file.
    if (grid_.SelectedCount() == 0) {
        Services().ShowMessage(NoPageChosen);
        return;
    }
    QFileDialog dialog(nullptr, QStringLiteral("Guardar imagenes ..."));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("emf"));
    dialog.setNameFilters({QStringLiteral("Enhanced metafile [*.emf] (*.emf)"), QStringLiteral("Archivo JPEG [*.jpg] (*.jpg)")});
    SuffixFollowsFilter(dialog);
    // The name given is never written, only the pages under it: the question
    // below is about those, and the dialog asks none about the name itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const std::string fileName = dialog.selectedFiles().front().toStdString();
    // Pages that cannot be saved there are refused, and pages of the user's there
    // are replaced only on a yes, before the overview goes to the printer.
    if (PagesRefused(fileName))
        return;
    // The pages of an earlier set with more pages per side under the same name
    // would lie beside the new ones as one mixed set: they go with the same yes,
    // after the new pages are in. Other files, and the pages of this grid the
    // user did not choose, stay as they are.
    const std::vector<std::string> beyond = PagesBeyondGrid(fileName);
    if (beyond.empty() ? !MayReplaceBeside(fileName, PageFiles(fileName))
                       : !Services().AskYesNo(EarlierSetQuestion(PageFiles(fileName), beyond)))
        return;
    if (PrtMapa->isChecked())
        PrintMap();
    if (!SavePages(fileName))
        return;
    for (const std::string& name : beyond) {
        std::error_code ec;
        if (!std::filesystem::remove(name, ec) && ec) {
            Services().ShowMessage("Se guardaron las p\xC3\xA1ginas, pero no se pudo borrar " + name +
                                   ", de un juego anterior.");
            return;
        }
    }
}

std::vector<std::string> TDlgPrint::PagesBeyondGrid(const std::string& fileName)
{
    const QFileInfo info(QString::fromStdString(fileName));
    const std::string ext = info.suffix().toUpper().toStdString();
    const std::string base = (info.path() + QLatin1Char('/') + info.completeBaseName()).toStdString();
    std::vector<std::string> files;
    for (int i = 1; i <= TPageGrid::MaxPerSide; ++i)
        for (int j = 1; j <= TPageGrid::MaxPerSide; ++j) {
            if (i <= grid_.Count() && j <= grid_.Count())
                continue;
            const std::string name = MultiPage::PageFileName(base, i, j, ext);
            std::error_code ec;
            const auto type = std::filesystem::symlink_status(name, ec).type();
            if (type == std::filesystem::file_type::regular || type == std::filesystem::file_type::symlink)
                files.push_back(name);
        }
    return files;
}

std::string TDlgPrint::EarlierSetQuestion(const std::vector<std::string>& pages, const std::vector<std::string>& beyond)
{
    const auto list = [](const std::vector<std::string>& names) {
        std::string out = names.front();
        for (size_t i = 1; i < names.size(); ++i)
            out += (i + 1 == names.size() ? " y " : ", ") + names[i];
        return out;
    };
    std::vector<std::string> there;
    for (const std::string& name : pages) {
        std::error_code ec;
        if (std::filesystem::symlink_status(name, ec).type() != std::filesystem::file_type::not_found)
            there.push_back(name);
    }
    std::string text;
    if (!there.empty())
        text = (there.size() == 1 ? "El archivo " + there.front() + " ya existe y se reemplazar\xC3\xA1.\r"
                                  : "Los archivos " + list(there) + " ya existen y se reemplazar\xC3\xA1n.\r");
    return text + (beyond.size() == 1 ? "La p\xC3\xA1gina " : "Las p\xC3\xA1ginas ") + list(beyond) +
           ", de un juego anterior con m\xC3\xA1s p\xC3\xA1ginas por lado, se borrar" +
           (beyond.size() == 1 ? "\xC3\xA1" : "\xC3\xA1n") + ".\r\xC2\xBF Desea continuar ?";
}

bool TDlgPrint::PagesRefused(const std::string& fileName)
{
    const QFileInfo info(QString::fromStdString(fileName));
    const std::string ext = info.suffix().toUpper().toStdString();
    if (ext != "EMF" && ext != "JPG") {
        // Nothing is written for a name of another kind: the user is told rather
        // than left looking for pages that are not there.
        Services().ShowMessage("No se guardaron las páginas: la extensión de " + fileName + " no es emf ni jpg.");
        return true;
    }
    // Every page's file as it will be written: its folder there and writable, the
    // file itself one that may be replaced.
    const SafeFile::TProgramNamed ownNames;
    for (const std::string& name : PageFiles(fileName))
        if (const std::string why = SafeFile::Refusal(name); !why.empty()) {
            Services().ShowMessage(FileUtils::WriteFailure(name, why));
            return true;
        }
    return false;
}

std::vector<std::string> TDlgPrint::PageFiles(const std::string& fileName)
{
    const QFileInfo info(QString::fromStdString(fileName));
    const std::string ext = info.suffix().toUpper().toStdString();
    const std::string base = (info.path() + QLatin1Char('/') + info.completeBaseName()).toStdString();
    std::vector<std::string> files;
    ForEachSelectedPage([&](const TPrintSettings& page, const TViewSnapshot&) {
        files.push_back(MultiPage::PageFileName(base, page.PrintPageX, page.PrintPageY, ext));
        return true;
    });
    return files;
}

bool TDlgPrint::SavePages(const std::string& fileName)
{
    if (PagesRefused(fileName))
        return false;
    const QFileInfo info(QString::fromStdString(fileName));
    const std::string ext = info.suffix().toUpper().toStdString();
    const std::string base = (info.path() + QLatin1Char('/') + info.completeBaseName()).toStdString();
    const QSize mapSize = printing_.MapCanvasSize();
    const QSize canvas = !mapSize.isEmpty() ? mapSize : QSize(800, 600);
    // The pages go in as one set: a page that cannot be written leaves every page
    // of an earlier save whole, and the user is told once. Each page goes to disk
    // as soon as it is drawn (a large print has hundreds), and a page that cannot
    // be written ends the drawing. The pages' names are made up from the one
    // chosen: a link put under one is not followed into whatever file it leads to.
    SafeFile::TSetWriter set(true);
    const bool drawn = ForEachSelectedPage([&](const TPrintSettings& page, const TViewSnapshot& view) {
        const std::string name = MultiPage::PageFileName(base, page.PrintPageX, page.PrintPageY, ext);
        printing_.DrawView(view, page);
        const TPrintedPage& drawnPage = printing_.Page();
        std::string bytes;
        if (ext == "EMF") {
            bytes = PrintPictureEmfBytes(drawnPage);
        } else {
            // The page in its own proportions, as large as the map canvas holds.
            const QSize size = QSize(drawnPage.PrintPicture.Width(), drawnPage.PrintPicture.Height())
                                   .scaled(canvas, Qt::KeepAspectRatio);
            if (!ImageFile::Encode(PrintPictureImage(drawnPage, size), "JPG", bytes, 90)) {
                Services().ShowMessage(FileUtils::WriteFailure(name, "no se pudo codificar la imagen"));
                return false;
            }
        }
        if (!set.Add(name, bytes)) {
            Services().ShowMessage(FileUtils::WriteFailure(set.FailedPath(), set.Why()));
            return false;
        }
        return true;
    });
    if (!drawn)
        return false;
    if (!set.Commit()) {
        Services().ShowMessage(FileUtils::WriteFailure(set.FailedPath(), set.Why()));
        return false;
    }
    return true;
}

void TDlgPrint::PrintMap()
{
    TPrintJob job;
    if (!job.NextSheet())
        return;
    DrawOverview(job.Painter());
    job.End();
}

void TDlgPrint::DrawOverview(QPainter& p)
{
    const QSize page = PrinterPageSize();
    const int PW = page.width(), PH = page.height(), n = grid_.Count();
    const auto cell = [&](int i, int j) {
        return QRect(QPoint(ZelUtils::Round((i - 1) * double(PW) / n + 1), ZelUtils::Round(PH - j * double(PH) / n + 1)),
                     QPoint(ZelUtils::Round(i * double(PW) / n - 1), ZelUtils::Round(PH - (j - 1) * double(PH) / n - 1)));
    };
    // Selected pages are marked in the not-xor mix: silver over white paper, the
    // links still showing through. A device without raster operations (a
    // printer, a PDF) gets the same look from the silver laid under the links.
    const bool rasterOps = p.device() && (p.device()->devType() == QInternal::Image
                                          || p.device()->devType() == QInternal::Pixmap);
    if (!rasterOps)
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j)
                if (grid_.Page(i, j).Selected)
                    p.fillRect(cell(i, j), QColor(0xC0, 0xC0, 0xC0));
    QFont stampFont = p.font();
    stampFont.setPixelSize(std::max(8, ZelUtils::Round(PH / 100.0)));
    p.setFont(stampFont);
    p.setPen(QPen(Qt::black, 1));
    p.drawText(4, 3 + p.fontMetrics().ascent(), QString::fromStdString(GeneratedBy));
    {
        // The whole view at the printer page's scale, its origin at the page's
        // bottom left, as the page grid assumes.
        ZelPrinter::SetPageSize(PW, PH);
        ZelPrinter::SetMinX(UserView().WorldMinX);
        ZelPrinter::SetMaxX(UserView().WorldMaxX);
        ZelPrinter::SetMinY(UserView().WorldMinY);
        ZelPrinter::SetMaxY(UserView().WorldMaxY);
        TMapPainter& mp = ZelPrinter::Painter();
        mp.SetPainter(&p);
        printing_.MarkShownTiles();
        PrintLayers::PrintNetWork(p, printing_.ViewSnapshot());
        mp.SetPainter(nullptr);
    }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const QRect r = cell(i, j);
            if (grid_.Page(i, j).Selected) {
                p.setBrush(rasterOps ? QBrush(QColor(0xC0, 0xC0, 0xC0)) : QBrush(Qt::NoBrush));
                p.setPen(QPen(Qt::red, 2));
                if (rasterOps)
                    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
            } else {
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(Qt::black, 1));
            }
            p.drawRect(r);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, 1));
            const QString label = QString::fromStdString(ZelUtils::Format("(%2d,%2d)", i, j));
            const QFontMetrics fm = p.fontMetrics();
            p.drawText(r.right() - fm.horizontalAdvance(label) - 4, r.bottom() - fm.height() - 4 + fm.ascent(), label);
        }
}
