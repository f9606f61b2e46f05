#pragma once
// The network text window: the full text of the open network data file in a
// fixed-pitch editor under a two-line column ruler. Its lines are what the network
// reader reads (include files are expanded into them), and the text, edited or
// not, can be written back to a .dat file.
#include "model/TextLines.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QStatusBar;
class QTextDocument;
class QToolButton;
class QWidget;

// One line of the column ruler, drawn in the editor's font and kept over the
// editor's columns while it scrolls sideways.
class TRulerLine : public QWidget {
    Q_OBJECT
public:
    explicit TRulerLine(const QString& text, QWidget* parent = nullptr);
    QString text() const { return text_; }
    void SetOffset(int x);
    int Offset() const { return offset_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    int offset_ = 0;
};

class TFrmDat : public QWidget {
    Q_OBJECT
public:
    explicit TFrmDat(QWidget* parent = nullptr);
    // Showing the window makes its controls first.
    void setVisible(bool visible) override;

    // Clears the editor and loads the file's text into it; the caption becomes the
    // file's name. False (and an empty text) when the file cannot be read.
    bool LoadFromFile(const std::string& path);
    // The same, with the text already read from path (read: whether it could be),
    // utf8 telling whether every line of it as read was UTF-8.
    void LoadText(const std::string& path, TTextLines&& lines, bool utf8, bool read);
    // The text as byte lines, the user's edits included. The reader works on this
    // list in place (include files are inserted into it); call LinesChanged after.
    TTextLines& Lines();
    // Shows the lines again after someone changed them through Lines().
    void LinesChanged();
    // Replaces the whole text (not counted as an edit by the user).
    void SetLines(const std::vector<std::string>& lines);
    // The network was read from the text as it stands now: closing the window and
    // giving up the edits made after this goes back to it.
    void MarkAsRead();

    // The whole state of the window (text, edits, names), moved out while another
    // network's text is tried and put back when that one is refused. The editor's
    // document goes with it: put back, the user's edits are undone and redone as
    // before, and the cursor stands where it stood.
    struct DocumentDeleter {
        void operator()(QTextDocument* document) const;
    };
    struct Held {
        TTextLines lines, asRead;
        bool utf8 = true;
        bool modified = false;
        bool asReadUnsaved = false;
        QString title;
        std::string fileName;
        QString savedName;
        std::string stampPath;
        struct stat stamp {};
        std::unique_ptr<QTextDocument, DocumentDeleter> document; // null while the window had no editor
        uint64_t shown = 0;
        bool stale = false;
        int cursor = 0, anchor = 0, scrollX = 0, scrollY = 0;
    };
    Held Take();
    void PutBack(Held&& held);

    // With ask, or when no name was given yet, asks for the file with a save
    // dialog; writes every line with CR LF ends. True when the text was written.
    bool SaveDat(bool ask);
    // Writes the text to path (temporary file + rename: a failed write leaves the
    // previous file as it was); stores the name and shows it. False on failure,
    // after telling the user; also, writing nothing, when the text holds typed
    // characters that the code page it is written in has no byte for.
    bool SaveDatTo(const std::string& path);

    bool IsModified() const;
    const std::string& FileName() const { return fileName_; }
    uint8_t Saved = 0; // 1 after a save since the window was last shown

    // Bytes of the file as text for the editor: UTF-8 when valid, else Windows-1252
    // (every byte keeps a character, so encoding it back gives the same bytes).
    // Typed text goes in UTF-8 only into a text that holds UTF-8 letters already.
    static QString DecodeLine(std::string_view bytes, bool utf8);
    static std::string EncodeLine(const QString& text, bool utf8);
    static bool IsValidUtf8(std::string_view bytes);
    // The two ruler lines for the given number of columns.
    static QString RulerMarks(int columns);
    static QString RulerNumbers(int columns);

    // The controls, made when the window is first shown (null until then).
    QStatusBar* sts = nullptr;
    QWidget* DocPanel2 = nullptr;
    QToolButton* tbOpenDat = nullptr;
    QToolButton* tbPrint = nullptr;
    QToolButton* tb5 = nullptr;
    QToolButton* tb6 = nullptr;
    QToolButton* tb8 = nullptr;
    QToolButton* tb7 = nullptr;
    QToolButton* tbReload = nullptr;
    QToolButton* tbSaveDat = nullptr;
    TRulerLine* Panel1 = nullptr;
    TRulerLine* Panel2 = nullptr;
    QPlainTextEdit* mmDat = nullptr;
    QLabel* StatusPanels[5] = {};

public slots:
    void tbSaveDatClick();
    void tbReloadClick();

signals:
    // The reload button was pressed (after the question about unsaved edits): the
    // network is to be read again from this text.
    void ReloadRequested();
    // false when the window was closed (after the question about unsaved edits).
    void ShownChanged(bool shown);

protected:
    void showEvent(QShowEvent* event) override; // FormShow
    // Unsaved edits are not dropped without a question.
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void MakeControls();
    // The modified flag and the name of the last save, held here while the window
    // has no controls, and shown by them.
    void SetModified(bool modified);
    void SetSavedName(const QString& name);
    void ShowLines(bool evenIfHidden = false);
    void PatchEditor();
    void SyncFromEditor();
    void PlaceRuler();
    // Looks at the editor's text afresh: the characters of the lines that the text's
    // code page cannot hold and where, as the messages name them ("" when none).
    QString OutsideCodePage();

    TTextLines lines_;
    TTextLines asRead_;              // the text the network in memory was read from
    bool asReadUnsaved_ = false;     // and it was then in no file (edits read unsaved)
    uint64_t shown_ = 0;             // revision of the lines the editor shows (0: none)
    bool utf8_ = true;               // encoding of the text in the editor
    bool editorDirty_ = false;       // the user changed the editor since lines_ was taken
    bool updating_ = false;
    bool editorStale_ = false;       // a large text waits for the window to be shown
    bool modified_ = false;          // IsModified while there is no editor
    QString savedName_;
    // Lines (numbered from 1) the editor shows with characters that the code page
    // the text is written in has no byte for, and those characters.
    std::vector<std::pair<int, QString>> outsideCodePage_;
    std::string fileName_;           // the name of the last save
    // The file the text was last read from or written to, and how it stood on the
    // disk then: a save over it after another program changed it asks first.
    void KeepStamp(const std::string& path);
    bool ChangedOnDisk(const std::string& path) const;
    std::string stampPath_;
    struct stat stamp_ {};
};

extern TFrmDat* FrmDat;
