// The network text window (load, include expansion by the reader, edit, save and
// reload, encodings, ruler) and the program's message texts.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/gui/FrmDat.h"
#include "support/FileDialogAnswer.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

using testutil::readFile;
using testutil::writeFile;

namespace {

const char* const DatText = " &OPTION &END\r\n"
                            "RED CON INCLUDE\r\n"
                            " &PARAM &END\r\n"
                            "33333\r\n"
                            "  101  102   30   40 1200  2    500    4    1CALLE MAYOR\r\n"
                            "$        tramos.dat\r\n"
                            "99999\r\n"
                            "99999\r\n";
const char* const IncludeText = "  102  103   20   25  900  1    300\n"
                            "  103  101   20   25  900  1    300\n";

class NetworkText : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
        writeFile(tmp.file("red.dat"), DatText);
        writeFile(tmp.file("tramos.dat"), IncludeText);
        settings.NetworkDatFile = tmp.file("red.dat");
    }
    // Typing as the user does, any character (QTest's key clicks take ASCII only).
    void Type(const QString& text)
    {
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(frm.mmDat, &press);
        }
    }
    QString EditorLine(int i) { return frm.mmDat->document()->findBlockByNumber(i).text(); }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    TFrmDat frm;
};

} // namespace

TEST_F(NetworkText, LoadReadWithIncludesSaveAndReload)
{
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("red.dat")));
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("red.dat"));
    ASSERT_EQ(frm.Lines().size(), 8u);
    EXPECT_FALSE(frm.IsModified());

    // The reader works on the window's lines and expands the include into them.
    ASSERT_TRUE(PalvonRead::ReadNetwork(frm.Lines(), settings));
    frm.LinesChanged();
    EXPECT_EQ(Network.LinkCount, 4);
    ASSERT_EQ(frm.Lines().size(), 12u);
    // Its controls come with the first showing, holding the text as it is then.
    EXPECT_EQ(frm.mmDat, nullptr);
    frm.show();
    ASSERT_NE(frm.mmDat, nullptr);
    EXPECT_EQ(frm.mmDat->document()->blockCount(), 12);
    EXPECT_EQ(EditorLine(6), QStringLiteral("*** Velmora: Insertando archivo tramos.dat"));
    EXPECT_EQ(EditorLine(7), QStringLiteral("  102  103   20   25  900  1    300"));
    EXPECT_EQ(EditorLine(9), QStringLiteral("*** Velmora: Fin archivo tramos.dat"));
    EXPECT_FALSE(frm.IsModified()); // the program's insertion is no edit of the user

    // Saved, the text holds the "$" line, the markers and the included lines.
    ASSERT_TRUE(frm.SaveDatTo(tmp.file("salida.dat")));
    EXPECT_EQ(frm.Saved, 1);
    EXPECT_EQ(frm.StatusPanels[4]->text().toStdString(), tmp.file("salida.dat"));
    std::string saved = readFile(tmp.file("salida.dat"));
    EXPECT_EQ(saved, frm.Lines().JoinCrLf());
    EXPECT_NE(saved.find("$        tramos.dat\r\n*** Velmora: Insertando archivo tramos.dat\r\n  102  103"),
              std::string::npos);

    TFrmDat again;
    ASSERT_TRUE(again.LoadFromFile(tmp.file("salida.dat")));
    EXPECT_TRUE(again.Lines() == frm.Lines());
}

TEST_F(NetworkText, EditsReachTheReaderAndReloadAsksToSave)
{
    frm.show();
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("red.dat")));
    QSignalSpy reload(&frm, &TFrmDat::ReloadRequested);

    // Unedited text: no question.
    QTest::mouseClick(frm.tbReload, Qt::LeftButton);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(reload.count(), 1);

    // The user changes the capacity of the first record.
    QTextCursor c(frm.mmDat->document()->findBlockByNumber(4));
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 21);
    c.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 4);
    frm.mmDat->setTextCursor(c);
    QTest::keyClicks(frm.mmDat, "1500");
    EXPECT_TRUE(frm.IsModified());
    EXPECT_EQ(frm.Lines()[4], "  101  102   30   40 1500  2    500    4    1CALLE MAYOR");
    EXPECT_EQ(frm.Lines().size(), 8u);
    ASSERT_TRUE(PalvonRead::ReadNetwork(frm.Lines(), settings));
    frm.LinesChanged();
    EXPECT_FLOAT_EQ(Arcos[KDVlib::FindArco(101, 102)].Var[5], 1500.0f);
    EXPECT_TRUE(frm.IsModified()); // still not saved

    // "No": nothing is written, the network is read again from the text.
    ui.answerYes = false;
    QTest::mouseClick(frm.tbReload, Qt::LeftButton);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], "Los datos no han sido grabados.\rDesea guardarlos ahora ?");
    EXPECT_EQ(reload.count(), 2);
    EXPECT_EQ(readFile(tmp.file("red.dat")), DatText);

    // "Yes" after an earlier save writes to that file's name.
    ASSERT_TRUE(frm.SaveDatTo(tmp.file("editada.dat")));
    QTest::keyClicks(frm.mmDat, " ");
    ui.answerYes = true;
    QTest::mouseClick(frm.tbReload, Qt::LeftButton);
    EXPECT_FALSE(frm.IsModified());
    EXPECT_NE(readFile(tmp.file("editada.dat")).find("1500 "), std::string::npos);
    EXPECT_EQ(readFile(tmp.file("red.dat")), DatText);

    // "Yes" and the save fails (a folder took the file's place): nothing is read
    // again, the edit stays unsaved.
    const int reloads = reload.count();
    std::filesystem::remove(tmp.file("editada.dat"));
    std::filesystem::create_directory(tmp.file("editada.dat"));
    QTest::keyClicks(frm.mmDat, " ");
    QTest::mouseClick(frm.tbReload, Qt::LeftButton);
    EXPECT_TRUE(ui.anyMessageContains("No se pudo grabar"));
    EXPECT_EQ(reload.count(), reloads);
    EXPECT_TRUE(frm.IsModified());
}

TEST_F(NetworkText, FailedSaveKeepsWhatWasThere)
{
    frm.show();
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("red.dat")));
    // A folder where the file should go: the rename cannot replace it.
    std::filesystem::create_directory(tmp.file("ocupado.dat"));
    writeFile(tmp.file("ocupado.dat/dentro.txt"), "x");
    EXPECT_FALSE(frm.SaveDatTo(tmp.file("ocupado.dat")));
    EXPECT_TRUE(ui.anyMessageContains("No se pudo grabar"));
    EXPECT_EQ(frm.Saved, 0);
    EXPECT_EQ(readFile(tmp.file("ocupado.dat/dentro.txt")), "x");
    EXPECT_FALSE(frm.SaveDatTo(tmp.file("no/existe/red.dat")));
    // No temporary file is left behind.
    for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}

// An empty window (no network read, or one refused) saved over a network asks
// first, naming it: "No" keeps its bytes; "Sí" writes the empty text. Over an
// empty file, or a new name, nothing is asked.
TEST_F(NetworkText, EmptyTextOverANetworkAsksFirst)
{
    frm.show();
    writeFile(tmp.file("vacio.dat"), "");
    for (const bool yes : {false, true}) {
        for (const char* name : {"red.dat", "vacio.dat", "nueva.dat"}) {
            ui.questions.clear();
            ui.answerYes = yes;
            testutil::WhenFileDialogShown(&frm, [&](QFileDialog* dlg) {
                testutil::TypeFileAndAccept(dlg, QString::fromStdString(tmp.file(name)));
            });
            QTest::mouseClick(frm.tbSaveDat, Qt::LeftButton);
            const bool asked = std::string(name) == "red.dat";
            ASSERT_EQ(ui.questions.size(), asked ? 1u : 0u) << name;
            if (asked) {
                EXPECT_NE(ui.questions[0].find(tmp.file("red.dat") + " no lo está"), std::string::npos)
                    << ui.questions[0];
            }
            EXPECT_EQ(readFile(tmp.file("red.dat")), yes ? "" : DatText);
        }
    }
    EXPECT_TRUE(ui.messages.empty());
}

// A network emptied in the window and changed on disk by another program since:
// the one question naming the empty text answers both, "Sí" writes once.
TEST_F(NetworkText, EmptiedTextOverAFileChangedOnDiskAsksOnce)
{
    frm.show();
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("red.dat")));
    QTest::keyClick(frm.mmDat, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(frm.mmDat, Qt::Key_Delete);
    writeFile(tmp.file("red.dat"), std::string(DatText) + "* cambiado por otro programa\r\n");
    ui.answerYes = true;
    testutil::WhenFileDialogShown(&frm, [&](QFileDialog* dlg) {
        testutil::TypeFileAndAccept(dlg, QString::fromStdString(tmp.file("red.dat")));
    });
    QTest::mouseClick(frm.tbSaveDat, Qt::LeftButton);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_NE(ui.questions[0].find("no lo está"), std::string::npos) << ui.questions[0];
    EXPECT_EQ(readFile(tmp.file("red.dat")).find_first_not_of(" \r\n"), std::string::npos);
    EXPECT_TRUE(ui.messages.empty());
}

// The save button asks for the file: title, default extension and the filter as
// the user sees it; the chosen name gets the extension and is written to.
TEST_F(NetworkText, SaveButtonAsksForTheFile)
{
    frm.show();
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("red.dat")));
    QString title, suffix, shownFilter;
    QStringList filters;
    testutil::WhenFileDialogShown(&frm, [&](QFileDialog* dlg) {
        title = dlg->windowTitle();
        suffix = dlg->defaultSuffix();
        filters = dlg->nameFilters();
        if (auto* combo = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            shownFilter = combo->itemText(0);
        testutil::TypeFileAndAccept(dlg, QString::fromStdString(tmp.file("nueva")));
    });
    QTest::mouseClick(frm.tbSaveDat, Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("Guardando archivo ..."));
    EXPECT_EQ(suffix, QStringLiteral("dat"));
    EXPECT_EQ(filters, QStringList{QStringLiteral("Archivo de datos [*.dat] (*.dat)")});
    EXPECT_EQ(shownFilter, QStringLiteral("Archivo de datos [*.dat]"));
    EXPECT_EQ(readFile(tmp.file("nueva.dat")), DatText);
    EXPECT_EQ(frm.FileName(), tmp.file("nueva.dat"));
    EXPECT_EQ(frm.Saved, 1);
    // The caption names the file written, again after a second save under another name.
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("nueva.dat"));
    testutil::WhenFileDialogShown(&frm, [&](QFileDialog* dlg) {
        testutil::TypeFileAndAccept(dlg, QString::fromStdString(tmp.file("otra.dat")));
    });
    QTest::mouseClick(frm.tbSaveDat, Qt::LeftButton);
    EXPECT_EQ(readFile(tmp.file("otra.dat")), DatText);
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("otra.dat"));
}

// Saving onto a read-only network through the save button is refused with one
// Spanish message and the file is left as it was; the user then picks another
// name, here a symbolic link to a network with LF line ends: the link stays a
// link and the network it names keeps its line ends.
TEST_F(NetworkText, ReadOnlyTargetRefusedThenSavedThroughALink)
{
    frm.show();
    const std::string lf = " &OPTION &END\nRED LF\n &PARAM &END\n33333\n"
                           "  101  102   30   40 1200  2    500    4    1CALLE MAYOR\n99999\n99999\n";
    writeFile(tmp.file("lf.dat"), lf);
    std::filesystem::create_symlink("lf.dat", tmp.file("enlace.dat"));
    std::filesystem::permissions(tmp.file("red.dat"), std::filesystem::perms(0444));
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("enlace.dat")));
    Type(QStringLiteral(" "));
    for (const char* name : {"red.dat", "enlace.dat"}) {
        testutil::WhenFileDialogShown(&frm, [&](QFileDialog* dlg) {
            testutil::TypeFileAndAccept(dlg, QString::fromStdString(tmp.file(name)));
        });
        QTest::mouseClick(frm.tbSaveDat, Qt::LeftButton);
    }
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("red.dat: es de solo lectura"), std::string::npos) << ui.messages[0];
    EXPECT_EQ(readFile(tmp.file("red.dat")), DatText);
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("enlace.dat")));
    EXPECT_EQ(readFile(tmp.file("lf.dat")), " " + lf);
    EXPECT_EQ(frm.Saved, 1);
}

// The network file changed by another program after it was read: saving the
// text over it asks first; "No" leaves that program's file and the edited text;
// "Sí" writes, and the next save over the file just written asks nothing.
TEST_F(NetworkText, SaveOverAFileChangedOnDiskAsksFirst)
{
    frm.show();
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("red.dat")));
    Type(QStringLiteral("*"));
    const std::string theirs = std::string(DatText) + "* cambiado por otro programa\r\n";
    writeFile(tmp.file("red.dat"), theirs);
    auto save = [&] {
        testutil::WhenFileDialogShown(&frm, [&](QFileDialog* dlg) {
            testutil::TypeFileAndAccept(dlg, QString::fromStdString(tmp.file("red.dat")));
        });
        QTest::mouseClick(frm.tbSaveDat, Qt::LeftButton);
    };
    ui.answerYes = false;
    save();
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_NE(ui.questions[0].find("red.dat ha sido modificado por otro programa"), std::string::npos)
        << ui.questions[0];
    EXPECT_EQ(readFile(tmp.file("red.dat")), theirs);
    EXPECT_TRUE(frm.IsModified());
    EXPECT_EQ(frm.Saved, 0);

    ui.answerYes = true;
    save();
    EXPECT_EQ(ui.questions.size(), 2u);
    EXPECT_EQ(readFile(tmp.file("red.dat")), "*" + std::string(DatText));
    EXPECT_FALSE(frm.IsModified());
    Type(QStringLiteral("*"));
    save();
    EXPECT_EQ(ui.questions.size(), 2u);
    EXPECT_EQ(readFile(tmp.file("red.dat")), "**" + std::string(DatText));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(NetworkText, EncodingsKeepTheirBytes)
{
    frm.show();
    // Windows-1252: "Ñ" is 0xD1, "€" 0x80; the undefined byte 0x81 survives too.
    std::string cp = "  101  102   30   40 1200  1    500    4    1PE\xD1" "ALOL\x80N\x81\r\n";
    writeFile(tmp.file("cp.dat"), std::string("* comentario\r\n") + cp);
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("cp.dat")));
    EXPECT_EQ(EditorLine(1).mid(45), QString::fromUtf8("PEÑALOL€N\u0081"));
    // An edited line is encoded again in the file's code page.
    QTextCursor c(frm.mmDat->document()->findBlockByNumber(1));
    c.movePosition(QTextCursor::EndOfBlock);
    frm.mmDat->setTextCursor(c);
    Type(QString::fromUtf8("Ó"));
    ASSERT_TRUE(frm.SaveDatTo(tmp.file("cp2.dat")));
    std::string edited = cp;
    edited.insert(edited.size() - 2, "\xD3");
    EXPECT_EQ(readFile(tmp.file("cp2.dat")), "* comentario\r\n" + edited);

    // UTF-8 stays UTF-8; a typed character is written in it.
    writeFile(tmp.file("u8.dat"), "CAMIÓN\n");
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("u8.dat")));
    EXPECT_EQ(EditorLine(0), QString::fromUtf8("CAMIÓN"));
    frm.mmDat->moveCursor(QTextCursor::End);
    Type(QString::fromUtf8("é"));
    EXPECT_EQ(frm.Lines()[0], "CAMIÓNé");

    // Lines of both encodings (an include file in the other one put in as the
    // network is read) between two edits keep their bytes.
    writeFile(tmp.file("mixed.dat"), "A\r\nCAMI\xC3\x93N\r\nB\r\n");
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("mixed.dat")));
    frm.Lines().Insert(2, "CAMI\xD3N");
    frm.LinesChanged();
    frm.mmDat->moveCursor(QTextCursor::Start);
    Type(QStringLiteral("x"));
    frm.mmDat->moveCursor(QTextCursor::End);
    Type(QStringLiteral("y"));
    ASSERT_TRUE(frm.SaveDatTo(tmp.file("mixed.dat")));
    EXPECT_EQ(readFile(tmp.file("mixed.dat")), "xA\r\nCAMI\xC3\x93N\r\nCAMI\xD3N\r\nBy\r\n");

    // Plain ASCII: a letter typed into a line name is one byte, in Windows-1252,
    // and the fields after it stay in their columns.
    writeFile(tmp.file("ascii.dat"), "L1  A   12    2  101  102\r\n");
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("ascii.dat")));
    frm.mmDat->moveCursor(QTextCursor::Start);
    QTest::keyClick(frm.mmDat, Qt::Key_Delete);
    Type(QString::fromUtf8("Ñ"));
    ASSERT_TRUE(frm.SaveDatTo(tmp.file("ascii.dat")));
    EXPECT_EQ(readFile(tmp.file("ascii.dat")), "\xD1" "1  A   12    2  101  102\r\n");

    // A character the code page has not: the save says which and where, and
    // neither writes '?' nor touches the file, also when asked again.
    ASSERT_TRUE(frm.LoadFromFile(tmp.file("cp2.dat")));
    frm.mmDat->moveCursor(QTextCursor::End);
    Type(QString::fromUtf8("ő→"));
    ASSERT_EQ(frm.Lines().size(), 2u);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ui.messages.clear();
        EXPECT_FALSE(frm.SaveDatTo(tmp.file("cp2.dat")));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("\"ő→\" en la línea 2"), std::string::npos) << ui.messages[0];
        EXPECT_EQ(readFile(tmp.file("cp2.dat")), "* comentario\r\n" + edited);
        EXPECT_TRUE(frm.IsModified());
    }
    // Read again unsaved ("No" to saving), the network has '?' for them: said too.
    ui.messages.clear();
    ui.answerYes = false;
    QTest::mouseClick(frm.tbReload, Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("\"ő→\" en la línea 2.\rLa red los lee como \"?\""), std::string::npos);

    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(TFrmDat::EncodeLine(TFrmDat::DecodeLine(one, false), false), one) << b;
    }
    EXPECT_FALSE(TFrmDat::IsValidUtf8("\xC3"));
    EXPECT_FALSE(TFrmDat::IsValidUtf8("\xC0\x80")); // overlong
    EXPECT_TRUE(TFrmDat::IsValidUtf8("\xF0\x9F\x9A\x8C"));
}

TEST_F(NetworkText, RulerMarksAndNumbersStandOverTheColumns)
{
    frm.show();
    EXPECT_EQ(TFrmDat::RulerMarks(15), QStringLiteral("----+----+----+"));
    EXPECT_EQ(TFrmDat::RulerNumbers(15), QStringLiteral("    5   10   15"));
    QString numbers = frm.Panel2->text();
    // Each number ends in the column of its "+".
    EXPECT_EQ(numbers.mid(95, 5), QStringLiteral("  100"));
    EXPECT_EQ(frm.Panel1->text().at(99), QLatin1Char('+'));
    // The font the window gets is fixed-pitch, whatever ran before in this process.
    EXPECT_TRUE(QFontInfo(frm.mmDat->font()).fixedPitch()) << QFontInfo(frm.mmDat->font()).family().toStdString();
    EXPECT_EQ(frm.Panel1->font(), frm.mmDat->font());
    EXPECT_EQ(frm.mmDat->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(frm.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    frm.SetLines({std::string(98, '-') + "W+iiii", "$" + std::string(99, '.') + "+"});
    frm.show();
    QApplication::processEvents();
    EXPECT_EQ(frm.Saved, 0);

    // On screen, column 100 of every text line stands under the ruler's "+" of
    // column 100, whatever the characters before it.
    const QFontMetrics ruler(frm.Panel1->font());
    const int rulerX = frm.Panel1->mapTo(&frm, QPoint(frm.Panel1->Offset() + ruler.horizontalAdvance(frm.Panel1->text().left(99)), 0)).x();
    for (int line = 0; line < 2; ++line) {
        QTextCursor c(frm.mmDat->document()->findBlockByNumber(line));
        c.setPosition(c.block().position() + 99);
        const int textX = frm.mmDat->viewport()->mapTo(&frm, frm.mmDat->cursorRect(c).topLeft()).x();
        EXPECT_NEAR(textX, rulerX, 1) << line;
    }
}

TEST(Messages, SpanishTextsAndCodeTitles)
{
    KDVlib::SetMessages("EN");
    EXPECT_TRUE(KDVlib::MsgNoCoords.empty());
    EXPECT_TRUE(KDVlib::JtSemaforo.empty());
    KDVlib::SetMessages("ES");
    EXPECT_EQ(KDVlib::MsgNoCoords, "Esta red no tiene sección \"5\".\rCoordenadas Geograficas son requeridas.");
    EXPECT_EQ(KDVlib::MsgInclude, "INCLUDE %s no existe");
    EXPECT_EQ(KDVlib::MsgOpenData, "Open data file");
    EXPECT_EQ(KDVlib::JtExterno, "Externo");
    EXPECT_EQ(KDVlib::JtSemaforo, "Semáforo");
    EXPECT_EQ(KDVlib::JtVueltaU, "Vuelta \"U\"");

    auto savedVars = ColVarMovim;
    auto savedTitles = TitMovim;
    ColVarMovim.fill(-1);
    ColVarMovim[3] = 6;
    TitMovim[3] = "Flujo Asignado";
    ColVarMovim[40] = 6;
    TitMovim[40] = "Flujo Asignado (2)";
    EXPECT_EQ(KDVlib::CodeText(6), "Flujo Asignado (2)"); // the last column carrying it
    EXPECT_EQ(KDVlib::CodeText(7), "");
    ColVarMovim = savedVars;
    TitMovim = savedTitles;
}
