#include "analysis/gui/JunctionToolbar.h"

#include "widgets/ToolIcons.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

TJunctionToolbar BuildJunctionToolbar(QWidget* owner)
{
    TJunctionToolbar t;
    t.bar = new QToolBar(owner);
    t.bar->setObjectName(QStringLiteral("Dock971"));
    t.bar->setIconSize(QSize(16, 16));
    t.bar->setMovable(false);
    auto add = [&](const char* name, const char* glyph, const char* hint) {
        const QString text = QString::fromUtf8(hint);
        QAction* a = t.bar->addAction(ToolIcon(QString::fromLatin1(name), QString::fromUtf8(glyph)), text);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(text);
        return a;
    };
    t.tbPrint = add("tbPrint", "Im", "Imprimir intersección");
    t.tbCopy = add("tbCopy", "Co", "Copiar intersección");
    t.tbWord = add("tbWord", "W", "Documento Word");
    t.bar->addSeparator();
    t.tbFirst = add("tbFirst", "|<", "Primera intersección");
    t.tbPrev = add("tbPrev", "<", "Anterior intersección");
    t.tbNext = add("tbNext", ">", "Siguiente intersección");
    t.tbLast = add("tbLast", ">|", "Ultima intersección");
    t.pupNodos = new QMenu(owner);
    t.pupNodos->setObjectName(QStringLiteral("pupNodos"));
    t.list = new QToolButton(t.bar);
    t.list->setObjectName(QStringLiteral("ToolbarButton971"));
    t.list->setText(QStringLiteral("Lista"));
    t.list->setToolTip(QStringLiteral("Lista de intersecciones"));
    t.list->setMenu(t.pupNodos);
    t.list->setPopupMode(QToolButton::InstantPopup);
    t.bar->addWidget(t.list);
    t.tbSync = add("tbSync", "S", "Sincronizar el mapa");
    t.tbSync->setCheckable(true);
    t.tbRepartos = add("tbRepartos", "T", "Tiempos de ciclo y de verde");
    t.tbRepartos->setCheckable(true);
    t.tbRepartos->setChecked(true);
    return t;
}
