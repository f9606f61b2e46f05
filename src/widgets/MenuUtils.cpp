#include "widgets/MenuUtils.h"

#include <QAction>
#include <QMenu>

void ClearMenu(QMenu* menu)
{
    if (!menu)
        return;
    for (QAction* a : menu->actions()) {
        menu->removeAction(a);
        if (a->objectName().isEmpty())
            a->deleteLater();
    }
}

QMenu* SubMenu(QMenu* parent, const char* name, const QString& title)
{
    const QString objectName = QString::fromLatin1(name);
    if (auto* m = parent->findChild<QMenu*>(objectName))
        return m;
    QMenu* m = parent->addMenu(title);
    m->setObjectName(objectName);
    return m;
}
