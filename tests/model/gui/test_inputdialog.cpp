#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <functional>

using namespace ZelUtils;

namespace {

// Runs f on the input dialog once it is shown modally.
void WhenDialogShows(std::function<void(QDialog*)> f, int tries = 50)
{
    QTimer::singleShot(10, [f, tries] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (d)
            f(d);
        else if (tries > 0)
            WhenDialogShows(f, tries - 1);
    });
}

template <class T>
T* Child(QDialog* d, const QString& name)
{
    T* w = d->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

} // namespace

TEST(InputFieldsDialog, LayoutInDialogUnitsAndAccept)
{
    std::vector<QVariant> values{QVariant(12), QVariant(QString("red.dat")), QVariant(0x0000FF), QVariant(5)};
    bool checked = false;
    WhenDialogShows([&](QDialog* d) {
        const QSize u = AverageCharSize(d->font());
        auto px = [&](int x) { return Round(double(x) * u.width() / 4.0); };
        auto py = [&](int y) { return Round(double(y) * u.height() / 8.0); };
        EXPECT_EQ(d->windowTitle(), QString("Datos"));
        EXPECT_EQ(d->size(), QSize(px(180), py(27 * 3 + 63)));
        for (int i = 0; i < 4; ++i) {
            auto* label = Child<QLabel>(d, QString("lblField%1").arg(i));
            EXPECT_EQ(label->pos(), QPoint(px(8), py(27 * i + 8)));
        }
        auto* text = Child<QLineEdit>(d, "edField0");
        EXPECT_EQ(text->geometry().topLeft(), QPoint(px(8), py(17)));
        EXPECT_EQ(text->width(), px(164));
        EXPECT_EQ(text->text(), QString("12"));
        EXPECT_EQ(text->selectedText(), QString("12"));
        EXPECT_EQ(text->maxLength(), 255);
        EXPECT_EQ(Child<QLineEdit>(d, "edField1")->text(), QString("red.dat"));
        auto* colour = Child<QComboBox>(d, "edField2");
        EXPECT_EQ(colour->currentText(), QString("Rojo"));
        EXPECT_EQ(d->findChild<QWidget*>("edField3"), nullptr); // unknown kind: label only
        auto* ok = Child<QPushButton>(d, "btnOk");
        auto* cancel = Child<QPushButton>(d, "btnCancel");
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(ok->geometry(), QRect(px(38), py(27 * 3 + 41), px(50), py(14)));
        EXPECT_EQ(cancel->geometry(), QRect(px(92), py(27 * 3 + 41), px(50), py(14)));
        text->setText("34");
        colour->setCurrentIndex(colour->findText("Azul"));
        checked = true;
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    EXPECT_TRUE(InputFieldsDialog("Datos", {"Número", "Archivo", "Color", "Nota"}, {0, 1, 2, 7}, values));
    EXPECT_TRUE(checked);
    EXPECT_EQ(values[0], QVariant(QString("34")));
    EXPECT_EQ(values[1], QVariant(QString("red.dat")));
    EXPECT_EQ(values[2].toInt(), 0xFF0000);
    EXPECT_EQ(values[3], QVariant(5));
}

TEST(InputFieldsDialog, CancelAndEscapeLeaveValues)
{
    std::vector<QVariant> values{QVariant(QString("a")), QVariant(0x123456)};
    WhenDialogShows([](QDialog* d) {
        Child<QLineEdit>(d, "edField0")->setText("changed");
        QTest::mouseClick(Child<QPushButton>(d, "btnCancel"), Qt::LeftButton);
    });
    EXPECT_FALSE(InputFieldsDialog("T", {"p1", "p2"}, {0, 2}, values));
    EXPECT_EQ(values[0], QVariant(QString("a")));

    WhenDialogShows([](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_FALSE(InputFieldsDialog("T", {"p1", "p2"}, {0, 2}, values));
    EXPECT_EQ(values[0], QVariant(QString("a")));

    // A colour outside the named list survives an accepted dialog unchanged.
    WhenDialogShows([](QDialog* d) { QTest::mouseClick(Child<QPushButton>(d, "btnOk"), Qt::LeftButton); });
    EXPECT_TRUE(InputFieldsDialog("T", {"p1", "p2"}, {0, 2}, values));
    EXPECT_EQ(values[1].toInt(), 0x123456);
}

TEST(InputFieldsDialog, WrappersAndWideTitle)
{
    const std::string title = "Construcción de Rutas Mínimas: un título bastante largo....";
    QVariant value(7);
    WhenDialogShows([&](QDialog* d) {
        const QSize u = AverageCharSize(d->font());
        const int w = 4 * static_cast<int>(QString::fromStdString(title).size());
        EXPECT_EQ(d->width(), Round(double(w) * u.width() / 4.0));
        EXPECT_EQ(Child<QLineEdit>(d, "edField0")->text(), QString("7"));
        Child<QLineEdit>(d, "edField0")->setText("120");
        QTest::keyClick(Child<QLineEdit>(d, "edField0"), Qt::Key_Return); // the default button
    });
    EXPECT_TRUE(InputInteger(title, "Ingrese Número Primer Nodo", value, 0));
    EXPECT_EQ(ParseInt(value.toString().toStdString()), 120);

    QVariant a(1), b(QString("x"));
    WhenDialogShows([](QDialog* d) {
        Child<QLineEdit>(d, "edField1")->setText("y");
        QTest::mouseClick(Child<QPushButton>(d, "btnOk"), Qt::LeftButton);
    });
    EXPECT_TRUE(InputIntegerEx("Dos", "uno", "dos", a, b, 0, 0));
    EXPECT_EQ(a, QVariant(QString("1")));
    EXPECT_EQ(b, QVariant(QString("y")));

    WhenDialogShows([](QDialog* d) { d->reject(); });
    EXPECT_FALSE(InputIntegerEx("Dos", "uno", "dos", a, b, 0, 0));
    EXPECT_EQ(b, QVariant(QString("y")));
}

TEST(GuiUtilities, ModifierKeysFollowKeyEvents)
{
    QWidget w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QWindow* win = w.windowHandle();
    QTest::keyPress(win, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(CtrlDown());
    EXPECT_FALSE(ShiftDown());
    QTest::keyRelease(win, Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(CtrlDown());
    QTest::keyPress(win, Qt::Key_Shift, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_TRUE(ShiftDown());
    EXPECT_TRUE(AltDown());
    QTest::keyRelease(win, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_FALSE(AltDown());
}

TEST(GuiUtilities, MenuTreesAndBitmaps)
{
    QWidget window;
    QMenuBar bar(&window);
    bar.setObjectName("MainMenu1");
    QMenu* file = bar.addMenu("&Archivo");
    file->addAction("&Abrir");
    file->addSeparator();
    file->addAction("Sa&lir");
    QMenu* view = bar.addMenu("&Ver");
    view->addMenu("&Zoom")->addAction("&Más");
    bar.addSeparator();
    bar.addMenu("E/S")->addAction("Exportar");

    QTreeWidget tree;
    MenuWalk(&bar, &tree, true);
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree.topLevelItem(0);
    EXPECT_EQ(root->text(0), QString("MainMenu1"));
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(root->child(0)->text(0), QString("Archivo"));
    ASSERT_EQ(root->child(0)->childCount(), 2); // separator skipped
    EXPECT_EQ(root->child(0)->child(1)->text(0), QString("Salir"));
    EXPECT_EQ(root->child(1)->child(0)->child(0)->text(0), QString("Más"));

    tree.clear();
    MenuWalk(&bar, &tree, false);
    EXPECT_EQ(tree.topLevelItem(0)->child(0)->childCount(), 0);
    tree.clear();
    MenuWalk2(view->menuAction(), &tree);
    EXPECT_EQ(tree.topLevelItem(0)->text(0), QString("Ver"));
    EXPECT_EQ(tree.topLevelItem(0)->child(0)->child(0)->text(0), QString("Más"));

    testutil::TempDir tmp;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(tmp.path().string())));
    SaveFullBitmap(&bar, &window);
    QDir::setCurrent(previous);
    for (const char* name : {"MainMenu1_full.BMP", "MainMenu1.BMP", "Archivo.BMP", "Ver.BMP", "E_S.BMP"}) {
        QImage img(QString::fromStdString(tmp.file(name)), "BMP");
        ASSERT_FALSE(img.isNull()) << name;
        EXPECT_EQ(img.size(), QSize(200, 1700)) << name;
        EXPECT_EQ(QColor(img.pixel(100, 1600)), QColor(255, 255, 213)) << name;
    }
    EXPECT_TRUE(window.findChildren<QTreeWidget*>().isEmpty());
}
