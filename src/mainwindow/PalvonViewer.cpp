// The main window's controls, the action registry, the services it offers the
// headless code, and its window events (Escape, drops, close).
#include "mainwindow/PalvonViewer.h"
#include "model/TextCodec.h"
#include "model/AuxFileHooks.h"

#include "archive/ZipDialogs.h"
#include "archive/gui/ZipDialogsGui.h"
#include "mainwindow/Aptta.h"
#include "mainwindow/MapViewHostAdapter.h"
#include "widgets/CommandPlaces.h"
#include "widgets/CommandTable.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/MessageFrm.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/gui/DataLayers.h"
#include "map/gui/OxrImage.h"
#include "map/gui/ViewBinding.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/gaugeCaption.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include <cstdio>
#include <cstdlib>

namespace {
QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
QString MessageText(const std::string& s)
{
    // A name quoted from a Windows-1252 file shows as its letters, not as marks.
    QString t = TextCodec::DecodeMixed(s);
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}
} // namespace

// What the reader and the other headless code ask of the main window.
class TPalvonViewer::ServicesImpl : public ViewerServices {
public:
    explicit ServicesImpl(TPalvonViewer* w) : w_(w) {}

    void ShowMessage(const std::string& text) override
    {
        // A batch run or a run without a screen never waits for a click: the
        // message goes to the error output instead.
        if (QGuiApplication::platformName() == QLatin1String("offscreen") || batchQuiet) {
            quietMessages.push_back(text);
            std::fprintf(stderr, "Velmora: %s\n", MessageText(text).toLocal8Bit().constData());
            return;
        }
        QMessageBox::information(w_, Qs(ApplicationTitle), MessageText(text));
    }
    // The error of a command the user gave waits for the user, also without a
    // screen of its own; only a batch run writes it to the error output instead.
    void ShowError(const std::string& text) override
    {
        if (batchQuiet) {
            quietMessages.push_back(text);
            std::fprintf(stderr, "Velmora: %s\n", MessageText(text).toLocal8Bit().constData());
            return;
        }
        QMessageBox box(QMessageBox::Critical, QString(), MessageText(text), QMessageBox::Ok, w_);
        box.exec();
    }
    bool AskYesNo(const std::string& text) override
    {
        if (QGuiApplication::platformName() == QLatin1String("offscreen") || batchQuiet)
            return false;
        return QMessageBox::question(w_, Qs(ApplicationTitle), MessageText(text),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    void ShowMessageWindow(const std::string& text) override
    {
        if (batchQuiet || QGuiApplication::platformName() == QLatin1String("offscreen"))
            ShowMessage(text);
        else
            Secondary::MessageFrm().ShowNotice(TextCodec::DecodeMixed(text));
    }
    void SetStatusText(int panel, const std::string& text) override
    {
        if (panel >= 0 && panel < 4 && w_->StatusPanels[panel])
            w_->StatusPanels[panel]->setText(Qs(text));
    }
    // Long operations report on the caption gauge along the bottom of the map.
    void SetProgressRange(int minimum, int maximum) override
    {
        w_->pbc->SetMinValue(std::min(minimum, w_->pbc->MaxValue()));
        w_->pbc->SetMaxValue(std::max(minimum, maximum));
        w_->pbc->SetMinValue(minimum);
        // A new run starts from its beginning, not where the last one stopped.
        w_->pbc->SetProgress(minimum);
        progressClock_.invalidate();
    }
    void SetProgressPosition(int position) override
    {
        // The gauge repaints at once on every new percentage: at most ten times a
        // second however many lines are read, and always the last.
        // A step back (a run starting again, a reset to 0) is never held back.
        if (progressClock_.isValid() && progressClock_.elapsed() < 100 && position < w_->pbc->MaxValue() &&
            position > w_->pbc->Progress())
            return;
        progressClock_.start();
        w_->pbc->SetProgress(position);
    }
    void SetProgressVisible(bool visible) override
    {
        if (!visible)
            w_->pbc->SetCaption(QString());
        // Shown again, it starts from its beginning, not at the last run's end.
        if (visible && w_->pbc->isHidden())
            w_->pbc->SetProgress(w_->pbc->MinValue());
        w_->pbc->setVisible(visible);
        if (visible)
            w_->pbc->raise();
    }
    void SetProgressCaption(const std::string& text) override { w_->pbc->SetCaption(Qs(text)); }
    // A run that lets the window paint between its steps (a batch, "Generar
    // Planillas", the text read again) holds keys and clicks back; a file dropped
    // comes through all the same, and is refused while the run goes.
    void ProcessEvents() override
    {
        ++running;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        --running;
    }
    int running = 0;
    void SetMenuItemEnabled(const std::string& name, bool enabled) override
    {
        w_->Action(Qs(name))->setEnabled(enabled);
    }
    void SetMenuItemChecked(const std::string& name, bool checked) override
    {
        QAction* a = w_->Action(Qs(name));
        a->setCheckable(true);
        a->setChecked(checked);
    }
    bool IsMenuItemChecked(const std::string& name) override { return w_->Action(Qs(name))->isChecked(); }
    void SetTabVisible(const std::string& name, bool visible) override
    {
        if (QWidget* page = w_->findChild<QWidget*>(Qs(name))) {
            int i = w_->tnDatos->indexOf(page);
            if (i >= 0)
                w_->tnDatos->setTabVisible(i, visible);
        }
    }
    void SetLengthScaleEdit(double value) override
    {
        lengthScale = value;
        // The movement drawings take the network's length scale (through the box's change).
        if (w_->Display().seFMov)
            w_->Display().seFMov->setValue(value);
    }

    bool batchQuiet = false;
    double lengthScale = 1.0;
    std::vector<std::string> quietMessages;

private:
    TPalvonViewer* w_;
    QElapsedTimer progressClock_;
};

TPalvonViewer::TPalvonViewer(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("PalvonViewer");
    resize(1286, 713);
    mapViewHost_ = std::make_unique<TMapViewHostAdapter>(*this);
    mapView_ = std::make_unique<TMapViewController>(*this, hosts_, *mapViewHost_);
    display_ = std::make_unique<TDisplayController>(*this, hosts_, *mapViewHost_, *mapView_);
    CreateControls();
    InstallServices();
    FormCreate();
}

TPalvonViewer::~TPalvonViewer()
{
    qApp->removeEventFilter(this);
    files_.RemoveAuxFileServices();
    if (services_) {
        SetServices(nullptr);
        delete services_;
        SetArchiveDialogs(nullptr);
    }
    // The last main window takes the secondary windows with it.
    if (!ProgramWindow(this))
        ForgetProgramWindows();
}

void TPalvonViewer::SetBatchQuiet(bool quiet) { services_->batchQuiet = quiet; }

void TPalvonViewer::InstallServices()
{
    services_ = new ServicesImpl(this);
    SetServices(services_);
    InstallArchiveDialogs();
    files_.InstallAuxFileServices();
}

TCommandId TPalvonViewer::CommandOf(const QString& name)
{
    if (const CommandTable::TCommand* row = CommandTable::Find(name))
        return row->Id;
    CommandTable::UnknownCommand(name, "CommandOf");
    std::abort(); // no command to wire in its place
}

TCommandId TPalvonViewer::CommandOf(const QAction* action) { return CommandOf(action->objectName()); }

QAction* TPalvonViewer::Action(TCommandId id) { return actions_[static_cast<std::size_t>(id)]; }

QAction* TPalvonViewer::Action(const QString& name)
{
    if (QAction* a = findChild<QAction*>(name, Qt::FindDirectChildrenOnly))
        return a;
    CommandTable::UnknownCommand(name, "Action");
    // Outside the tests the error is logged and the caller gets an action that
    // belongs to no menu and answers to no name.
    if (!inertAction_) {
        inertAction_ = new QAction(this);
        inertAction_->setVisible(false);
    }
    return inertAction_;
}

bool TPalvonViewer::Down(TCommandId id) { return Action(id)->isChecked(); }

void TPalvonViewer::SetDown(TCommandId id, bool down)
{
    QAction* a = Action(id);
    a->setCheckable(true);
    a->setChecked(down);
}

bool TPalvonViewer::Down(const QString& name) { return Action(name)->isChecked(); }

void TPalvonViewer::SetDown(const QString& name, bool down)
{
    QAction* a = Action(name);
    a->setCheckable(true);
    a->setChecked(down);
}

void TPalvonViewer::CreateControls()
{
    CreateCommandActions();
    Status = statusBar();
    Status->setObjectName("Status");
    const int widths[4] = {120, 90, 160, 260};
    for (int i = 0; i < 4; ++i) {
        StatusPanels[i] = new QLabel(this);
        StatusPanels[i]->setMinimumWidth(widths[i]);
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        Status->addWidget(StatusPanels[i]);
    }
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setMaximumHeight(12);
    ProgressBar->setTextVisible(false);
    ProgressBar->setValue(0);
    Status->addWidget(ProgressBar, 1);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName("Splitter1");
    tnDatos = new QTabWidget(Splitter1);
    tnDatos->setObjectName("tnDatos");
    struct Page {
        QWidget** w;
        const char* name;
        const char* title;
    };
    const Page pages[] = {{&tsZonas, "tsZonas", "Zonas"},       {&tsNodos, "tsNodos", "Nodos"},
                          {&tsArcos, "tsArcos", "Arcos"},       {&tsMovim, "tsMovim", "Movimientos"},
                          {&tsLineas, "tsLineas", "Líneas"}, {&tsEdit, "tsEdit", "Edición"}};
    for (const Page& p : pages) {
        *p.w = new QWidget(tnDatos);
        (*p.w)->setObjectName(p.name);
        tnDatos->addTab(*p.w, QString::fromUtf8(p.title));
    }
    img = new TOxrImage(Splitter1);
    img->setObjectName("img");
    img->MainMap = true;
    pbc = new tgaugeCaption(img);
    pbc->setObjectName("pbc");
    pbc->SetForeColor(QColor(0, 0, 255));
    pbc->hide();
    img->installEventFilter(this);
    // The map title: a rich-text box over the map, hidden until a title is set.
    tit = new QTextEdit(img);
    tit->setObjectName("tit");
    tit->clear();
    tit->hide();
    tit->resize(300, 60);
    tit->move(ZelUtils::Round((img->width() - tit->width()) / 2.0), 10);
    ViewBinding::ConnectTitle(*tit, UserView());
    // The map's right-button menu: the colours of the variables shown together.
    BDerecho = new QMenu(this);
    BDerecho->setObjectName("BDerecho");
    Action(Cmd::cvs)->setEnabled(false);
    img->SetPopupMenu(BDerecho, false); // active once a network is open
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({360, 920});
    setCentralWidget(Splitter1);

    CreateMenus();
    CreateToolbars();

    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    Timer1->setInterval(3000);
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (splash_)
            splash_->close();
    });
    setAcceptDrops(true);
}

void TPalvonViewer::CreateMenus()
{
    QMenu* archivo = menuBar()->addMenu(QStringLiteral("&Archivo"));
    CommandPlaces::Fill(*this, archivo, QStringLiteral("menu:Archivo"));
    // The recent files follow the open commands.
    ArchivosRecientes = new QMenu(QStringLiteral("Abrir Recientes"), archivo);
    ArchivosRecientes->setObjectName("ArchivosRecientes");
    archivo->insertMenu(CommandPlaces::After(archivo, Action(Cmd::Puntos5)), ArchivosRecientes);
    Registry().Register(CommandTable::TOwner::Window, Cmd::FileExitItem, this, &TPalvonViewer::FileExitItemClick);
    Recientes = new QMenu(this);
    Recientes->setObjectName("Recientes");
    varMix = new QMenu(this);
    varMix->setObjectName("varMix");

    QMenu* ver = menuBar()->addMenu(QStringLiteral("&Ver"));
    CommandPlaces::Fill(*this, ver, QStringLiteral("menu:Ver"));
    Registry().Register(CommandTable::TOwner::Window, Cmd::Options1, this, &TPalvonViewer::Options1Click);

    QMenu* analisis = menuBar()->addMenu(QStringLiteral("&Procesos"));
    CommandPlaces::Fill(*this, analisis, QStringLiteral("menu:Procesos"));
    rutaMinimaMenu_ = new QMenu(CommandTable::Caption(Cmd::RutaMnima1), analisis);
    Action(Cmd::RutaMnima1)->setMenu(rutaMinimaMenu_);
    CreateSelectionMenus();
    MapView().RegisterCommands(Registry());
    Display().RegisterCommands(Registry());
    Display().CreateLayerMenus();
    Display().CreateDisplayMenus();
    CreateToolMenus();
    CreatePolygonMenus();
    Settings().CreateThemeMenus(Themes());
    CreateDataFileMenus(archivo);
    CreateAnalysisMenus();
    CreateExportMenus();
    CreatePrintMenus(archivo);
}

void TPalvonViewer::FileExitItemClick() { close(); }

void TPalvonViewer::Options1Click()
{
    TDlgCfg& options = Secondary::DlgCfg();
    options.CfgPaginas->setCurrentWidget(options.CfgPreferencias);
    options.exec();
    UserView().SizeFactor = static_cast<float>(ProgramOptions().Screen2Print);
}

void TPalvonViewer::CreateToolbars()
{
    tbarEstandar = addToolBar(QStringLiteral("Estándar"));
    tbarEstandar->setObjectName("tbarEstandar");
    tbarArcos = addToolBar(QStringLiteral("Arcos"));
    tbarArcos->setObjectName("tbarArcos");
    tbarMovimientos = addToolBar(QStringLiteral("Movimientos"));
    tbarMovimientos->setObjectName("tbarMovimientos");
    // A second row from here (the title and open toolbars join it): on one row
    // the four button bars already run past a 1600-pixel window, and what does
    // not fit folds behind the overflow arrow.
    addToolBarBreak();
    tbarAdicionales = addToolBar(QStringLiteral("Adicionales"));
    tbarAdicionales->setObjectName("tbarAdicionales");
    // Their buttons, from the table.
    for (QToolBar* bar : {tbarEstandar, tbarArcos, tbarMovimientos, tbarAdicionales})
        CommandPlaces::Fill(*this, bar, QStringLiteral("toolbar:") + bar->objectName());
    tbarArcos->hide();
    tbarMovimientos->hide();
    tbarAdicionales->hide();
    ConnectToggles();
    Grids().ConnectGridEvents();
    Grids().CreateFormulaMenus();
    ConnectDataFileControls();
    PlaceCommands();
}

void TPalvonViewer::HideLegends()
{
    if (sym)
        sym->hide();
    if (Scl)
        Scl->hide();
}

void TPalvonViewer::SetSplash(TAptta* splash) { splash_ = splash; }

void TPalvonViewer::SetCommandLine(const QStringList& arguments) { commandLine_ = arguments; }

namespace {
QEvent::Type FillGridsEvent()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QEvent::Type FinishOpeningEvent()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// What the user does to the program (a key, the mouse, a file dropped, the window
// closed), as opposed to what only shows it (the pointer found over a window that
// appeared under it).
bool UserInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::Shortcut:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
        return false;
    default:
        return event->isInputEvent();
    }
}

// Posts an event to the window at the map's next painting, then goes: what the
// event starts comes after the map drawn has reached the screen.
class TAfterMapPaint : public QObject {
public:
    TAfterMapPaint(QWidget* map, QObject* window, QEvent::Type type) : QObject(map), window_(window), type_(type)
    {
        map->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !posted_) {
            posted_ = true;
            QCoreApplication::postEvent(window_, new QEvent(type_));
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QObject* window_;
    QEvent::Type type_;
    bool posted_ = false;
};
} // namespace

void TPalvonViewer::FinishOpeningAfterMap() { new TAfterMapPaint(img, this, FinishOpeningEvent()); }

void TPalvonViewer::FillGridsAfterMap()
{
    Grids().FillAfterMap = false;
    QCoreApplication::postEvent(this, new QEvent(FillGridsEvent()), Qt::LowEventPriority);
}

bool TPalvonViewer::KeyAnswersABox(const QObject* watched) const
{
    // A question box, a file or colour dialog or a typed answer asked for (Qt's
    // own, the program's fields box, the archive's password box); the program's
    // own windows shown modally (the flow diagram, the path list) are not questions.
    const QWidget* modal = QApplication::activeModalWidget();
    const auto* target = qobject_cast<const QWidget*>(watched);
    const bool asks = qobject_cast<const QMessageBox*>(modal) || qobject_cast<const QFileDialog*>(modal) ||
                      qobject_cast<const QInputDialog*>(modal) || qobject_cast<const QColorDialog*>(modal) ||
                      (modal && (modal->objectName() == QLatin1String("InputFieldsDialog") ||
                                 modal->objectName() == QLatin1String("ZipPasswordForm")));
    // A list popped up over the box (a name completed, a combo box opened) can only
    // be the box's own: Escape there closes the list.
    return asks && target && (target->window() == modal || target->window()->windowType() == Qt::Popup);
}

// Escape cancels whatever the mouse was doing, wherever the focus is.
// A key press travels up the widget tree and passes the filter at every step:
// act once per press.
bool TPalvonViewer::eventFilter(QObject* watched, QEvent* event)
{
    // An opening that drew its map first is complete before the user acts.
    if (files_.OpeningUnfinished() && UserInput(event))
        files_.FinishOpening();
    if (watched == img && event->type() == QEvent::Resize && pbc)
        pbc->setGeometry(0, img->height() - 21, img->width(), 21);
    if (watched == img && event->type() == QEvent::Paint && Grids().FillAfterMap) {
        // Once the map has reached the screen, and after whatever else is waiting:
        // the user sees the network first.
        Grids().FillAfterMap = false;
        QCoreApplication::postEvent(this, new QEvent(FillGridsEvent()), Qt::LowEventPriority);
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Escape in a box or dialog that waits for the user (the question before
        // another network is opened, a file dialog) answers that box: it leaves
        // the map's tool, a region begun and the find window as they are.
        if (key->key() == Qt::Key_Escape && !KeyAnswersABox(watched) &&
            (event != escapePress_ || key->timestamp() != escapeTime_)) {
            escapePress_ = event;
            escapeTime_ = key->timestamp();
            MapEdit().CancelMouseMode();
        }
    } else if (event->type() == QEvent::KeyRelease) {
        // The press has travelled its whole way: the next one may come at the same
        // address and time (a synthesised key has none of its own).
        escapePress_ = nullptr;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TPalvonViewer::customEvent(QEvent* event)
{
    if (event->type() == FinishOpeningEvent())
        files_.FinishOpening();
    if (event->type() == FillGridsEvent())
        Grids().FillDeferredGrids();
    QMainWindow::customEvent(event);
}

// A window or box that holds the main window's input back (an analysis window,
// a dialog), or a run going, holds back files dropped on it too: the network it
// shows or goes through would be replaced under it.
bool TPalvonViewer::DropsHeld() const
{
    return QApplication::activeModalWidget() || (services_ && services_->running > 0);
}

void TPalvonViewer::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && !DropsHeld())
        event->acceptProposedAction();
}

// One dropped file opens as a network; two or more are ignored.
void TPalvonViewer::dropEvent(QDropEvent* event)
{
    if (DropsHeld()) {
        event->ignore();
        return;
    }
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        files << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    event->acceptProposedAction();
    WMDropFiles(files);
}

void TPalvonViewer::WMDropFiles(const QStringList& files)
{
    if (files.size() == 1)
        files_.AbrirRedPalvon(files.front().toStdString());
}

void TPalvonViewer::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        QTimer::singleShot(0, this, &TPalvonViewer::FormShow);
    }
}
