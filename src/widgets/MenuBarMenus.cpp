#include "widgets/MenuBarMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

QMenu* MenuBarMenus::find(QMenuBar* bar, const QString& title) {
    for (QAction* a : bar->actions())
        if (QMenu* m = a->menu(); m && m->title().remove(QLatin1Char('&')) == title)
            return m;
    return nullptr;
}

QMenu* MenuBarMenus::findOrAdd(QMenuBar* bar, const QString& title) {
    QMenu* menu = find(bar, title);
    return menu ? menu : bar->addMenu(QLatin1Char('&') + title);
}
