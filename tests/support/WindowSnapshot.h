#pragma once
// Everything a user sees of the program's windows, as lines keyed by where they
// are: the commands of every menu, toolbar and pop-up, the status panels, the
// titles, the grids, the map and its legends, the network text and the windows
// open. Two snapshots compared name what changed between them.
#include "map/gui/DataLayers.h"
#include "map/gui/OxrImage.h"
#include "mainwindow/PalvonViewer.h"
#include "model/gui/FrmDat.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintController.h"
#include "support/LiveMenus.h"
#include "widgets/StringAlignGrid.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextEdit>

#include <map>
#include <string>

namespace windowsnapshot {

using TSnapshot = std::map<std::string, std::string>;

inline std::string Digest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(12).toStdString();
}

inline std::string Digest(const QImage& image)
{
    if (image.isNull())
        return "none";
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    return std::to_string(rgb.width()) + "x" + std::to_string(rgb.height()) + " " +
           Digest(QByteArray(reinterpret_cast<const char*>(rgb.constBits()), int(rgb.sizeInBytes())));
}

// Where a widget sits: its names (class when unnamed) up to its window.
inline std::string PathOf(const QObject* o)
{
    std::string path;
    for (; o; o = o->parent()) {
        const QString name = o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className()) : o->objectName();
        path = name.toStdString() + (path.empty() ? "" : "/" + path);
        if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow())
            break;
    }
    return path;
}

inline void PutUnique(TSnapshot& s, std::string key, std::string value)
{
    const std::string base = key;
    for (int n = 2; s.count(key); ++n)
        key = base + "#" + std::to_string(n);
    s[key] = std::move(value);
}

inline void Grid(TSnapshot& s, const std::string& key, const TStringAlignGrid* g)
{
    QByteArray all, header;
    for (int r = 0; r < g->RowCount(); ++r)
        for (int c = 0; c < g->ColCount(); ++c) {
            const std::string_view v = g->cellView(c, r);
            (r == 0 ? header : all).append(v.data(), qsizetype(v.size())).append('\t');
        }
    PutUnique(s, "grid " + key,
              std::to_string(g->RowCount()) + "x" + std::to_string(g->ColCount()) + (g->isVisible() ? " shown" : "") +
                  " [" + header.toStdString() + "] " + Digest(all));
}

// The state of the window now, as a user finds it (the map drawn as it stands).
inline TSnapshot Take(TPalvonViewer* viewer)
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    TSnapshot s;
    // The menus made as they are opened (the variables of the network open...)
    // are read as the user finds them.
    for (QAction* a : livemenus::Reachable(viewer))
        if (a->menu())
            emit a->menu()->aboutToShow();
    for (QAction* a : livemenus::Reachable(viewer)) {
        if (a->isSeparator())
            continue;
        const QObject* in = a->parent();
        const std::string key = a->objectName().isEmpty()
                                    ? (in ? PathOf(in) : std::string()) + ">" + a->text().toStdString()
                                    : a->objectName().toStdString();
        PutUnique(s, "action " + key,
                  a->text().toStdString() + (a->isEnabled() ? " enabled" : " disabled") +
                      (a->isCheckable() ? (a->isChecked() ? " checked" : " unchecked") : "") +
                      (a->isVisible() ? "" : " hidden"));
    }
    for (int p = 0; p < 4; ++p)
        s["status " + std::to_string(p)] = viewer->StatusPanel(p).toStdString();
    s["title"] = viewer->windowTitle().toStdString();
    s["map title"] = viewer->tit->toPlainText().toStdString() + (viewer->tit->isVisible() ? " shown" : "");
    s["data tab"] = std::to_string(viewer->tnDatos->currentIndex());
    s["map"] = Digest(viewer->img->Picture());
    // Drawn afresh from what the program keeps of the view: what the next drawing shows.
    viewer->RedrawMap();
    QApplication::processEvents();
    s["map drawn again"] = Digest(viewer->img->Picture());
    for (const TLegendImage* legend : {viewer->sym, viewer->Scl})
        PutUnique(s, "legend", Digest(legend->Picture()) + (legend->isVisible() ? " shown" : ""));
    if (TFrmPreview* preview = viewer->Printing().Preview())
        s["preview title"] = preview->windowTitle().toStdString();
    QByteArray text;
    for (const std::string& line : FrmDat->Lines().ToVector())
        text.append(line.data(), qsizetype(line.size())).append('\n');
    s["text"] = std::to_string(FrmDat->Lines().size()) + " " + Digest(text) + " " + FrmDat->FileName() +
                (FrmDat->IsModified() ? " modified" : "") + " " + FrmDat->windowTitle().toStdString();
    // The windows open and what their grids and fields show.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != viewer && !w->isVisible())
            continue;
        if (w != viewer)
            PutUnique(s, "window " + PathOf(w), w->windowTitle().toStdString());
        PutUnique(s, "window picture " + PathOf(w), Digest(w->grab().toImage()));
        for (const TStringAlignGrid* g : w->findChildren<TStringAlignGrid*>())
            Grid(s, PathOf(g), g);
        for (const QComboBox* c : w->findChildren<QComboBox*>()) {
            std::string items;
            for (int i = 0; i < c->count(); ++i)
                items += c->itemText(i).toStdString() + "|";
            PutUnique(s, "box " + PathOf(c), std::to_string(c->currentIndex()) + " " + items);
        }
        for (const QLineEdit* e : w->findChildren<QLineEdit*>())
            if (!qobject_cast<const QComboBox*>(e->parent()) && !qobject_cast<const QAbstractSpinBox*>(e->parent()))
                PutUnique(s, "field " + PathOf(e), e->text().toStdString() + (e->isEnabled() ? "" : " disabled"));
        for (const QAbstractSpinBox* e : w->findChildren<QAbstractSpinBox*>())
            PutUnique(s, "spin " + PathOf(e), e->text().toStdString() + (e->isEnabled() ? "" : " disabled"));
        for (const QAbstractButton* b : w->findChildren<QAbstractButton*>())
            if (!b->objectName().isEmpty())
                PutUnique(s, "button " + PathOf(b),
                          b->text().toStdString() + (b->isEnabled() ? "" : " disabled") + (b->isChecked() ? " down" : ""));
    }
    return s;
}

// What differs between two snapshots, one line each ("" when nothing does).
inline std::string Differences(const TSnapshot& before, const TSnapshot& after)
{
    std::string out;
    for (const auto& [key, value] : before) {
        const auto it = after.find(key);
        if (it == after.end())
            out += key + ": [" + value + "] gone\n";
        else if (it->second != value)
            out += key + ": [" + value + "] -> [" + it->second + "]\n";
    }
    for (const auto& [key, value] : after)
        if (!before.count(key))
            out += key + ": new [" + value + "]\n";
    return out;
}

} // namespace windowsnapshot
