#include "model/gui/FrmDat.h"
#include "model/ProgramOptions.h"
#include "model/TextCodec.h"

#include "model/FileUtils.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QMessageBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <unordered_map>

TFrmDat* FrmDat = nullptr;

namespace {

constexpr int RulerColumns = 300;
constexpr const char* SaveDatFilter = "Archivo de datos [*.dat] (*.dat)";

// True when every character the ruler and the records use advances alike.
bool EvenAdvances(const QFont& f)
{
    const QFontMetrics fm(f);
    const int w = fm.horizontalAdvance(QLatin1Char('0'));
    for (QChar c : QStringLiteral("+- iW.,1$*m"))
        if (fm.horizontalAdvance(c) != w)
            return false;
    return w > 0;
}

// Courier when the system has it, else the fixed-pitch families the install
// script puts on every Debian system. The family is named, not left to the
// system's "monospace", which may be a font that does not say it is fixed-pitch.
QFont EditorFont()
{
    for (const char* family : {"Courier New", "Liberation Mono", "DejaVu Sans Mono", "Noto Mono", "FreeMono"}) {
        QFont f(QString::fromLatin1(family));
        f.setStyleHint(QFont::TypeWriter);
        f.setFixedPitch(true);
        f.setPointSize(10);
        if (QFontInfo(f).fixedPitch() && EvenAdvances(f))
            return f;
    }
    for (const QString& family : QFontDatabase::families())
        if (QFontDatabase::isFixedPitch(family)) {
            QFont f(family, 10);
            if (EvenAdvances(f))
                return f;
        }
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(10);
    return f;
}

QToolButton* Button(QWidget* parent, QLayout* layout, const char* name, const QString& text, const QIcon& icon,
                    const char* hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    if (icon.isNull())
        b->setText(text);
    else
        b->setIcon(icon);
    if (hint)
        b->setToolTip(QString::fromUtf8(hint));
    layout->addWidget(b);
    return b;
}

} // namespace

// ---------------------------------------------------------------------------

TRulerLine::TRulerLine(const QString& text, QWidget* parent) : QWidget(parent), text_(text)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TRulerLine::SetOffset(int x)
{
    if (x != offset_) {
        offset_ = x;
        update();
    }
}

QSize TRulerLine::sizeHint() const { return QSize(200, fontMetrics().height()); }

void TRulerLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().windowText().color());
    p.setFont(font());
    p.drawText(offset_, fontMetrics().ascent(), text_);
}

// ---------------------------------------------------------------------------

TFrmDat::TFrmDat(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmDat"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    resize(760, 520);
}

void TFrmDat::setVisible(bool visible)
{
    if (visible)
        MakeControls();
    QWidget::setVisible(visible);
}

// The window's controls cost a program start more than the rest of the window:
// they are made when it is first shown; until then the text lives in the lines
// alone.
void TFrmDat::MakeControls()
{
    if (mmDat)
        return;
    const QFont font = EditorFont();

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);

    DocPanel2 = new QWidget(this);
    DocPanel2->setObjectName(QStringLiteral("DocPanel2"));
    auto* tools = new QHBoxLayout(DocPanel2);
    tools->setContentsMargins(2, 2, 2, 2);
    tools->setSpacing(1);
    QStyle* st = style();
    tbOpenDat = Button(DocPanel2, tools, "tbOpenDat", QString(), st->standardIcon(QStyle::SP_DialogOpenButton),
                       "Abrir red Palvon DAT");
    tbPrint = Button(DocPanel2, tools, "tbPrint", QStringLiteral("Imp"), QIcon(), "Imprimir vista");
    tb5 = Button(DocPanel2, tools, "tb5", QStringLiteral("A"), QIcon(), "Mostrar el atributo");
    tb6 = Button(DocPanel2, tools, "tb6", QStringLiteral("V"), QIcon(), "Mostrar los valores del atributo");
    tb8 = Button(DocPanel2, tools, "tb8", QStringLiteral("8"), QIcon(), nullptr);
    tb7 = Button(DocPanel2, tools, "tb7", QStringLiteral("7"), QIcon(), nullptr);
    tbReload = Button(DocPanel2, tools, "tbReload", QString(), st->standardIcon(QStyle::SP_BrowserReload),
                      "Recarga de la red");
    tbSaveDat = Button(DocPanel2, tools, "tbSaveDat", QString(), st->standardIcon(QStyle::SP_DialogSaveButton),
                       nullptr);
    tools->addStretch(1);
    main->addWidget(DocPanel2);

    Panel1 = new TRulerLine(RulerMarks(RulerColumns), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel2 = new TRulerLine(RulerNumbers(RulerColumns), this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel1->setFont(font);
    Panel2->setFont(font);
    main->addWidget(Panel1);
    main->addWidget(Panel2);

    mmDat = new QPlainTextEdit(this);
    mmDat->setObjectName(QStringLiteral("mmDat"));
    mmDat->setFont(font);
    mmDat->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmDat->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmDat->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    main->addWidget(mmDat, 1);

    sts = new QStatusBar(this);
    sts->setObjectName(QStringLiteral("sts"));
    sts->setSizeGripEnabled(true);
    for (int k = 0; k < 5; ++k) {
        StatusPanels[k] = new QLabel(sts);
        sts->addWidget(StatusPanels[k], k == 4 ? 1 : 0);
    }
    main->addWidget(sts);

    connect(tbSaveDat, &QToolButton::clicked, this, &TFrmDat::tbSaveDatClick);
    connect(tbReload, &QToolButton::clicked, this, &TFrmDat::tbReloadClick);
    // The editor's, whichever document it shows (a refused opening gives the
    // earlier one back).
    connect(mmDat, &QPlainTextEdit::textChanged, this, [this] {
        if (!updating_)
            editorDirty_ = true;
    });
    connect(mmDat->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int) { PlaceRuler(); });
    // What the window held without its controls.
    StatusPanels[4]->setText(savedName_);
    mmDat->document()->setModified(modified_);
    editorStale_ = true; // filled as it is shown
    shown_ = 0;
}

void TFrmDat::SetModified(bool modified)
{
    modified_ = modified;
    if (mmDat)
        mmDat->document()->setModified(modified);
}

void TFrmDat::SetSavedName(const QString& name)
{
    savedName_ = name;
    if (StatusPanels[4])
        StatusPanels[4]->setText(name);
}

bool TFrmDat::LoadFromFile(const std::string& path)
{
    TTextLines lines;
    const bool ok = ReadTextLines(path, lines);
    const bool utf8 = TextCodec::IsValidUtf8(lines);
    LoadText(path, std::move(lines), utf8, ok);
    return ok;
}

void TFrmDat::LoadText(const std::string& path, TTextLines&& lines, bool utf8, bool read)
{
    utf8_ = utf8;
    lines_ = std::move(lines); // not copied: a large network's text is megabytes
    asRead_.clear();
    asReadUnsaved_ = false;
    editorDirty_ = false;
    ShowLines();
    SetModified(false);
    setWindowTitle(QString::fromStdString(std::filesystem::path(path).filename().string()));
    // The name of an earlier save belongs to the earlier network: a save without
    // the dialog must never write this text over that file.
    fileName_.clear();
    SetSavedName(QString());
    KeepStamp(read ? path : std::string());
}

void TFrmDat::KeepStamp(const std::string& path)
{
    std::error_code ec;
    stampPath_ = path.empty() ? std::string() : std::filesystem::weakly_canonical(path, ec).string();
    stamp_ = {};
    if (!stampPath_.empty() && ::stat(stampPath_.c_str(), &stamp_) != 0)
        stampPath_.clear();
}

bool TFrmDat::ChangedOnDisk(const std::string& path) const
{
    std::error_code ec;
    if (stampPath_.empty() || std::filesystem::weakly_canonical(path, ec).string() != stampPath_)
        return false;
    struct stat now {};
    if (::stat(stampPath_.c_str(), &now) != 0)
        return false; // gone: nothing of anyone's is replaced
    // Another program writes the file in place (same inode, new time or size) or
    // replaces it (a new inode).
    return now.st_dev != stamp_.st_dev || now.st_ino != stamp_.st_ino || now.st_size != stamp_.st_size ||
           now.st_mtim.tv_sec != stamp_.st_mtim.tv_sec || now.st_mtim.tv_nsec != stamp_.st_mtim.tv_nsec;
}

void TFrmDat::MarkAsRead()
{
    asRead_ = Lines();
    asReadUnsaved_ = IsModified();
}

void TFrmDat::DocumentDeleter::operator()(QTextDocument* document) const { delete document; }

TFrmDat::Held TFrmDat::Take()
{
    Held h;
    h.lines = std::move(Lines());
    h.asRead = std::move(asRead_);
    h.asReadUnsaved = asReadUnsaved_;
    h.utf8 = utf8_;
    h.modified = IsModified();
    h.title = windowTitle();
    h.fileName = fileName_;
    h.savedName = savedName_;
    h.stampPath = stampPath_;
    h.stamp = stamp_;
    lines_.clear();
    asRead_.clear();
    if (mmDat) {
        // The document, with its undo history, waits aside; the editor goes on
        // with an empty one for the text tried.
        const QTextCursor c = mmDat->textCursor();
        h.cursor = c.position();
        h.anchor = c.anchor();
        h.scrollX = mmDat->horizontalScrollBar()->value();
        h.scrollY = mmDat->verticalScrollBar()->value();
        h.shown = shown_;
        h.stale = editorStale_;
        QTextDocument* document = mmDat->document();
        updating_ = true;
        document->setParent(nullptr);
        h.document.reset(document);
        mmDat->setDocument(nullptr);
        mmDat->document()->setDefaultFont(mmDat->font());
        updating_ = false;
        mmDat->document()->setModified(h.modified);
        shown_ = lines_.Revision();
        editorStale_ = false;
    }
    editorDirty_ = false;
    return h;
}

void TFrmDat::PutBack(Held&& held)
{
    lines_ = std::move(held.lines);
    asRead_ = std::move(held.asRead);
    asReadUnsaved_ = held.asReadUnsaved;
    utf8_ = held.utf8;
    editorDirty_ = false;
    if (held.document && mmDat) {
        // The editor shows its own document again: what the user typed before
        // the opening is undone as if nothing had come between.
        QPointer<QTextDocument> tried = mmDat->document();
        QTextDocument* document = held.document.release();
        document->setParent(mmDat);
        updating_ = true;
        mmDat->setDocument(document);
        updating_ = false;
        if (tried && tried != document)
            delete tried.data();
        shown_ = held.shown;
        editorStale_ = held.stale;
        if (editorStale_ && isVisible())
            ShowLines(true);
        QTextCursor c(document);
        const int last = document->characterCount() - 1;
        c.setPosition(std::clamp(held.anchor, 0, last));
        c.setPosition(std::clamp(held.cursor, 0, last), QTextCursor::KeepAnchor);
        mmDat->setTextCursor(c);
        mmDat->horizontalScrollBar()->setValue(held.scrollX);
        mmDat->verticalScrollBar()->setValue(held.scrollY);
        PlaceRuler();
    } else {
        shown_ = 0; // the lines put back may carry the revision the editor last showed
        ShowLines();
    }
    SetModified(held.modified);
    setWindowTitle(held.title);
    fileName_ = held.fileName;
    SetSavedName(held.savedName);
    stampPath_ = held.stampPath;
    stamp_ = held.stamp;
}

TTextLines& TFrmDat::Lines()
{
    if (editorDirty_)
        SyncFromEditor();
    return lines_;
}

void TFrmDat::LinesChanged()
{
    if (editorStale_)
        return; // filled when the window is shown, with the lines as they are then
    if (lines_.Revision() == shown_)
        return;
    // Edits the user can still undo stay undoable: only the lines the program
    // changed (a note, an include put in) are replaced in the editor, as one step.
    if (mmDat && !editorDirty_ && !lines_.empty() && mmDat->document()->isUndoAvailable())
        PatchEditor();
    else
        ShowLines();
}

void TFrmDat::PatchEditor()
{
    QTextDocument* document = mmDat->document();
    const size_t blocks = static_cast<size_t>(document->blockCount());
    const size_t n = lines_.size();
    size_t prefix = 0;
    QTextBlock first = document->begin();
    while (prefix < n && prefix < blocks && first.text() == DecodeLine(lines_[prefix], utf8_)) {
        ++prefix;
        first = first.next();
    }
    size_t suffix = 0;
    QTextBlock last = document->lastBlock();
    while (suffix < n - prefix && suffix < blocks - prefix &&
           last.text() == DecodeLine(lines_[n - 1 - suffix], utf8_)) {
        ++suffix;
        last = last.previous();
    }
    QStringList added;
    for (size_t i = prefix; i < n - suffix; ++i)
        added << DecodeLine(lines_[i], utf8_);
    const size_t removed = blocks - prefix - suffix;
    QTextCursor c(document);
    if (removed > 0) {
        // The changed blocks, and a line end to go with them when nothing takes their place.
        c.setPosition(first.position());
        c.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
        if (added.isEmpty()) {
            if (last.next().isValid())
                c.setPosition(last.next().position(), QTextCursor::KeepAnchor);
            else if (first.previous().isValid()) {
                c.setPosition(first.previous().position() + first.previous().length() - 1);
                c.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
            }
        }
    } else if (first.isValid()) {
        c.setPosition(first.position());
        added << QString(); // the new lines end before the block that follows them
    } else {
        c.movePosition(QTextCursor::End);
        added.prepend(QString()); // after the last line
    }
    const bool modified = document->isModified();
    updating_ = true;
    c.beginEditBlock();
    c.insertText(added.join(QLatin1Char('\n')));
    c.endEditBlock();
    updating_ = false;
    document->setModified(modified);
    shown_ = lines_.Revision();
    editorDirty_ = false;
}

void TFrmDat::SetLines(const std::vector<std::string>& lines)
{
    lines_.Assign(lines);
    editorDirty_ = false;
    ShowLines();
}

void TFrmDat::ShowLines(bool evenIfHidden)
{
    QString text;
    size_t total = 0;
    for (size_t i = 0; i < lines_.size(); ++i)
        total += lines_[i].size() + 1;
    // A large text goes into the editor only when the window is on show: filling
    // an editor with the lines of a capacity-size network takes longer than reading
    // the network, and holds as much memory again, for a window seldom opened.
    constexpr size_t FillWhenShownBytes = 256 * 1024;
    if (!mmDat) { // no editor yet: it is filled when first shown
        shown_ = 0;
        editorDirty_ = false;
        editorStale_ = true;
        return;
    }
    if (!evenIfHidden && !isVisible() && total > FillWhenShownBytes) {
        const bool modified = mmDat->document()->isModified();
        updating_ = true;
        mmDat->clear();
        updating_ = false;
        mmDat->document()->setModified(modified);
        shown_ = 0;
        editorDirty_ = false;
        editorStale_ = true;
        return;
    }
    editorStale_ = false;
    text.reserve(static_cast<qsizetype>(total));
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        text += DecodeLine(lines_[i], utf8_);
    }
    // A change made by the program is not an edit of the user: the modified flag
    // stays as it was.
    bool modified = mmDat->document()->isModified();
    updating_ = true;
    mmDat->setPlainText(text);
    updating_ = false;
    mmDat->document()->setModified(modified);
    shown_ = lines_.Revision();
    editorDirty_ = false;
    PlaceRuler();
}

// Takes the editor's text back into the lines. Lines the user left alone keep
// their bytes exactly (also those of an include file in another encoding): only
// the changed stretch between the unchanged start and end is encoded anew.
void TFrmDat::SyncFromEditor()
{
    std::vector<QString> blocks;
    blocks.reserve(lines_.size() + 16);
    for (QTextBlock b = mmDat->document()->begin(); b.isValid(); b = b.next())
        blocks.push_back(b.text());
    // An empty document still has one empty block.
    if (blocks.size() == 1 && blocks[0].isEmpty() && lines_.empty())
        blocks.clear();

    const TTextLines& old = lines_;
    size_t prefix = 0;
    while (prefix < old.size() && prefix < blocks.size() && DecodeLine(old[prefix], utf8_) == blocks[prefix])
        ++prefix;
    size_t suffix = 0;
    while (suffix < old.size() - prefix && suffix < blocks.size() - prefix &&
           DecodeLine(old[old.size() - 1 - suffix], utf8_) == blocks[blocks.size() - 1 - suffix])
        ++suffix;

    outsideCodePage_.clear();
    editorDirty_ = false;
    if (prefix == old.size() && blocks.size() == old.size()) {
        shown_ = lines_.Revision(); // the same text: its bytes stay shared with the text read
        return;
    }
    // Letters typed into a text that holds no UTF-8 letter yet (plain ASCII, as
    // most networks are) go in Windows-1252, one byte a column as the fixed-column
    // records count them: in UTF-8 an "Ñ" typed into a line name would move every
    // field after it on its line by a column.
    const bool utf8 = utf8_ && !TextCodec::IsAscii(old) && TextCodec::IsValidUtf8(old);
    // What the code page cannot hold is written '?': each such line stays different
    // from what the editor shows, so it is found here again at every look.
    // A line between two edits that the user left as it was keeps its bytes too,
    // whatever its encoding (plain ASCII is the same in every one). Lines that
    // read alike are taken in their order.
    std::unordered_map<QString, std::deque<std::string_view>> kept;
    for (size_t i = prefix; i < old.size() - suffix; ++i)
        if (!TextCodec::IsAscii(old[i]))
            kept[DecodeLine(old[i], utf8_)].push_back(old[i]);
    std::vector<std::string> changed;
    for (size_t i = prefix; i < blocks.size() - suffix; ++i) {
        if (const auto same = kept.find(blocks[i]); same != kept.end() && !same->second.empty()) {
            changed.emplace_back(same->second.front());
            same->second.pop_front();
            continue;
        }
        changed.push_back(EncodeLine(blocks[i], utf8));
        if (!utf8)
            if (const QString lost = TextCodec::OutsideCp1252(blocks[i]); !lost.isEmpty())
                outsideCodePage_.push_back({static_cast<int>(i) + 1, lost});
    }
    lines_.Replace(prefix, old.size() - suffix - prefix, changed);
    shown_ = lines_.Revision();
    editorDirty_ = false;
}

bool TFrmDat::IsModified() const { return mmDat ? mmDat->document()->isModified() : modified_; }

bool TFrmDat::SaveDat(bool ask)
{
    std::string target = fileName_;
    if (ask || target.empty()) {
        QFileDialog dlg(this, QStringLiteral("Guardando archivo ..."));
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix(QStringLiteral("dat"));
        // The description shows as the user knows it; the pattern in parentheses is
        // what the dialog filters by and is hidden.
        dlg.setNameFilter(QString::fromUtf8(SaveDatFilter));
        dlg.setOption(QFileDialog::HideNameFilterDetails, true);
        // The overwrite question is the user's choice in the options dialog.
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
        if (!fileName_.empty())
            dlg.selectFile(QString::fromStdString(fileName_));
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return false;
        target = dlg.selectedFiles().first().toStdString();
    }
    return SaveDatTo(target);
}

QString TFrmDat::OutsideCodePage()
{
    outsideCodePage_.clear();
    if (mmDat && !editorStale_ && (editorDirty_ || shown_ == lines_.Revision()))
        SyncFromEditor();
    QString where;
    for (size_t k = 0; k < outsideCodePage_.size() && k < 5; ++k)
        where += QStringLiteral("%1\"%2\" en la línea %3")
                     .arg(k > 0 ? QStringLiteral(", ") : QString(), outsideCodePage_[k].second)
                     .arg(outsideCodePage_[k].first);
    if (outsideCodePage_.size() > 5)
        where += QStringLiteral(" y en %1 líneas más").arg(outsideCodePage_.size() - 5);
    return where;
}

bool TFrmDat::SaveDatTo(const std::string& path)
{
    // Characters typed that the file's code page has no byte for are not written
    // as '?' behind the user's back: the save is refused, naming them and their lines.
    if (const QString lost = OutsideCodePage(); !lost.isEmpty()) {
        Services().ShowMessage(
            QStringLiteral("El texto se guarda en Windows-1252, que no tiene estos caracteres: %1.\r%2 no se guardó: "
                           "cámbielos y vuelva a guardar.")
                .arg(lost, QString::fromStdString(std::filesystem::path(path).filename().string()))
                .toStdString());
        return false;
    }
    // An empty text (nothing read, or a file refused on opening) is not written over
    // a file that holds something without a question naming it: "No" keeps the file.
    const std::string text = Lines().JoinCrLf();
    bool replaceAnswered = false;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 && !ec) {
            if (!Services().AskYesNo(ZelUtils::Format("El texto de la ventana está vacío y el archivo %s no lo está.\r"
                                                      "\xC2\xBF Desea reemplazarlo por un archivo vacío ?",
                                                      path)))
                return false;
            replaceAnswered = true;
        }
    }
    // The file read may have been changed by another program since: its changes
    // are not overwritten unasked. "No" keeps the file and the text as it is. The
    // user who has just agreed to replace the file by an empty one is not asked again.
    if (!replaceAnswered && ChangedOnDisk(path) &&
        !Services().AskYesNo(ZelUtils::Format("El archivo %s ha sido modificado por otro programa desde que se "
                                              "leyó.\rDesea reemplazarlo con este texto ?",
                                              path)))
        return false;
    if (!FileUtils::WriteTextFile(path, text)) {
        Services().ShowMessage(FileUtils::WriteFailure(path));
        return false;
    }
    KeepStamp(path);
    fileName_ = path;
    SetSavedName(QString::fromStdString(path));
    // The caption names the file the text now belongs to.
    setWindowTitle(QString::fromStdString(std::filesystem::path(path).filename().string()));
    Saved = 1;
    if (asReadUnsaved_ && Lines() == asRead_)
        asReadUnsaved_ = false; // the text read is in a file now
    SetModified(false);
    return true;
}

void TFrmDat::tbSaveDatClick() { SaveDat(true); }

void TFrmDat::tbReloadClick()
{
    // Unsaved edits go through the save dialog unless a name was given in an
    // earlier save: the opened file itself is never overwritten without asking,
    // since the text also holds the expanded include files. A save the user asked
    // for and did not get (its dialog cancelled, its write failed) stops the reload:
    // the edits stay in the window, unsaved, for the user to decide again.
    if (IsModified() && Services().AskYesNo("Los datos no han sido grabados.\rDesea guardarlos ahora ?") &&
        !SaveDat(fileName_.empty()))
        return;
    // Read unsaved, such characters reach the network as '?': said, as the save says it.
    if (const QString lost = OutsideCodePage(); !lost.isEmpty())
        Services().ShowMessage(
            QStringLiteral("El texto está en Windows-1252, que no tiene estos caracteres: %1.\rLa red los lee como \"?\".")
                .arg(lost)
                .toStdString());
    emit ReloadRequested();
}

void TFrmDat::closeEvent(QCloseEvent* event)
{
    if (IsModified()) {
        const auto answer = QMessageBox::question(
            this, windowTitle(), QStringLiteral("Los datos no han sido grabados.\nDesea guardarlos ahora ?"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !SaveDat(fileName_.empty()))) {
            event->ignore();
            return;
        }
        if (answer == QMessageBox::No) {
            // Given up: the window shows again the text the network was read from,
            // still to be saved when edits read into the network were in no file.
            lines_ = asRead_;
            editorDirty_ = false;
            shown_ = 0; // the text read may carry the revision the editor last showed
            ShowLines();
            SetModified(asReadUnsaved_);
        }
    }
    QWidget::closeEvent(event);
    emit ShownChanged(false);
}

void TFrmDat::showEvent(QShowEvent* event)
{
    Saved = 0;
    if (editorStale_)
        ShowLines(true);
    QWidget::showEvent(event);
    PlaceRuler();
}

void TFrmDat::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceRuler();
}

// Puts the ruler's first column over the editor's first text column.
void TFrmDat::PlaceRuler()
{
    if (!Panel1 || !mmDat)
        return;
    int textX = mmDat->viewport()->mapTo(this, QPoint(0, 0)).x() +
                static_cast<int>(mmDat->document()->documentMargin()) - mmDat->horizontalScrollBar()->value();
    int x = textX - Panel1->mapTo(this, QPoint(0, 0)).x();
    Panel1->SetOffset(x);
    Panel2->SetOffset(x);
}

// ---------------------------------------------------------------------------

QString TFrmDat::RulerMarks(int columns)
{
    QString s;
    for (int c = 1; c <= columns; ++c)
        s += c % 5 == 0 ? QLatin1Char('+') : QLatin1Char('-');
    return s;
}

QString TFrmDat::RulerNumbers(int columns)
{
    std::string s;
    for (int c = 5; c <= columns; c += 5) {
        std::string n = std::to_string(c);
        s += std::string(n.size() < 5 ? 5 - n.size() : 0, ' ') + n;
    }
    return QString::fromStdString(s);
}

bool TFrmDat::IsValidUtf8(std::string_view bytes) { return TextCodec::IsValidUtf8(bytes); }

QString TFrmDat::DecodeLine(std::string_view bytes, bool utf8)
{
    return utf8 ? TextCodec::Decode(bytes) : TextCodec::DecodeCp1252(bytes);
}

std::string TFrmDat::EncodeLine(const QString& text, bool utf8)
{
    return utf8 ? text.toStdString() : TextCodec::EncodeCp1252(text);
}
