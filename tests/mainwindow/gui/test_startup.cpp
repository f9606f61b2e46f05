// Start-up pieces of the main window: the splash shape, the notice window, the
// program settings file and the recent-network list.
#include "mainwindow/Aptta.h"
#include "mainwindow/MessageFrm.h"
#include "map/ProgramSettings.h"
#include "platform/IniFile.h"
#include "support/TestUtil.h"

#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ProgramSettings;

TEST(Splash, ShapeIsTheNonLightPixelsFromRowAndColumnOne)
{
    QImage pic(6, 4, QImage::Format_RGB32);
    pic.fill(QColor(255, 255, 255));
    pic.setPixel(0, 2, qRgb(0, 0, 0));     // column 0 is never scanned
    pic.setPixel(2, 0, qRgb(0, 0, 0));     // nor is row 0
    pic.setPixel(2, 1, qRgb(200, 255, 255)); // one component at 200: part of the window
    pic.setPixel(3, 1, qRgb(10, 10, 10));
    pic.setPixel(4, 2, qRgb(201, 201, 201)); // all at 201: see-through
    pic.setPixel(5, 3, qRgb(0, 0, 255));
    QRegion r = TAptta::BuildRegion(pic);
    EXPECT_TRUE(r.contains(QPoint(2, 1)));
    EXPECT_TRUE(r.contains(QPoint(3, 1)));
    EXPECT_TRUE(r.contains(QPoint(5, 3)));
    EXPECT_FALSE(r.contains(QPoint(0, 2)));
    EXPECT_FALSE(r.contains(QPoint(2, 0)));
    EXPECT_FALSE(r.contains(QPoint(4, 2)));
    EXPECT_FALSE(r.contains(QPoint(1, 1)));
    EXPECT_EQ(r.rectCount(), 2);

    QImage light(5, 5, QImage::Format_RGB32);
    light.fill(QColor(230, 240, 250));
    EXPECT_TRUE(TAptta::BuildRegion(light).isEmpty());
    // The program's own picture is shaped, not a plain rectangle.
    QRegion shape = TAptta::BuildRegion(TAptta::Picture());
    EXPECT_FALSE(shape.isEmpty());
    EXPECT_FALSE(shape.contains(QPoint(2, 2)));
    EXPECT_TRUE(shape.contains(QPoint(375, 139)));
    // The window takes that shape when shown, at the picture's size.
    TAptta splash;
    splash.show();
    EXPECT_EQ(splash.mask(), shape);
    EXPECT_EQ(splash.size(), TAptta::Picture().size());
}

TEST(MessageWindow, NoticeReplacesTextAndRestartsTheCount)
{
    TMessageFrm frm;
    frm.ShowNotice("uno\rdos");
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(frm.msg->text(), "uno\ndos");
    EXPECT_TRUE(frm.Timer1->isActive());
    EXPECT_EQ(frm.Timer1->interval(), 15000);
    frm.ShowNotice("tres");
    EXPECT_EQ(frm.msg->text(), "tres");
    EXPECT_EQ(frm.windowTitle(), QString::fromUtf8("Atención"));
    QMetaObject::invokeMethod(frm.Timer1, "timeout");
    EXPECT_FALSE(frm.isVisible());
}

TEST(SettingsValues, FieldCountsAndDefaults)
{
    EXPECT_EQ(SplitValue(""), std::vector<std::string>{});
    EXPECT_EQ(SplitValue("1;;2;"), (std::vector<std::string>{"1", "", "2"}));
    testutil::TempDir tmp;
    std::string path = tmp.file("Velmora0.INI");
    testutil::writeFile(path, "[Velmora]\r\nGeneral=0;1;0;0;0;5;1\r\nPreferencias=2;;1;1;1;1;1;1;1;0;0;0;1;1;0;0\r\n");
    TIniFile ini(path);
    // Seven fields: the whole default list is taken, also for the valid ones.
    EXPECT_EQ(ReadFields(ini, "Velmora", "General", GeneralDefault, 8), SplitValue(GeneralDefault));
    auto p = ReadFields(ini, "Velmora", "preferencias", PreferenciasDefault, 16);
    ASSERT_EQ(p.size(), 16u);
    EXPECT_FALSE(FieldBool(p[0])); // "2" is not checked
    EXPECT_FALSE(FieldBool(p[1])); // nor is an empty field
    EXPECT_TRUE(FieldBool(p[2]));
    EXPECT_EQ(ReadFields(ini, "Velmora", "Colores", ColoresDefault, 17).size(), 17u);
}

TEST(RecentNetworks, OrderLimitAndSections)
{
    testutil::TempDir tmp;
    std::string path = tmp.file("Velmora0.INI");
    testutil::writeFile(path, "[Velmora]\r\nGeneral=1;0;1;1;1;20;0;0\r\n"
                              "[File1]\r\nFileName=/m/b.dat\r\nFecha=2026/01/02 10:00:00\r\n"
                              "[File3]\r\nFileName=/m/A.dat\r\nFecha=2026/03/01 09:00:00\r\n"
                              "[File4]\r\nFileName=null\r\nFecha=2026/02/01 09:00:00\r\n");
    TIniFile ini(path);
    auto recent = BuildRecentFiles(ini);
    ASSERT_EQ(recent.size(), 4u);
    EXPECT_EQ(recent[0], "2026/01/02 10:00:00;/m/b.dat;File1");
    EXPECT_EQ(recent[3], "null;null;Velmora");
    // Newest first; [Velmora] and the "null" entry count against the limit.
    auto all = RecentMenuItems(recent, 10);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].fileName, "/m/A.dat");
    EXPECT_EQ(all[0].index, 2);
    EXPECT_EQ(all[1].fileName, "/m/b.dat");
    auto two = RecentMenuItems(recent, 2);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0].fileName, "/m/A.dat");
    // The same network in another letter case keeps its section; a new one takes the first gap.
    EXPECT_EQ(SectionForNetwork(ini, recent, "/M/a.DAT"), "File3");
    EXPECT_EQ(SectionForNetwork(ini, recent, "/m/c.dat"), "File2");
    // A folder whose name holds ";" stays part of the network's name: the menu
    // shows it whole and the next close keeps its section.
    testutil::writeFile(path, "[File1]\r\nFileName=/m/x;y/c.dat\r\nFecha=2026/04/01 09:00:00\r\n");
    TIniFile semicolon(path);
    const auto withSemicolon = BuildRecentFiles(semicolon);
    const auto items = RecentMenuItems(withSemicolon, 10);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].fileName, "/m/x;y/c.dat");
    EXPECT_EQ(SectionForNetwork(semicolon, withSemicolon, "/m/x;y/c.dat"), "File1");
}
