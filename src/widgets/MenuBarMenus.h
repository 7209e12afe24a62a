#pragma once
// Menus of a menu bar found by their titles, which carry an access key ("&File", for
// Alt+F) and are matched without it. The window and the command catalogue both add to
// the same menus.
#include <QString>

class QMenu;
class QMenuBar;

namespace MenuBarMenus {
// The menu titled `title`, or nullptr.
QMenu* find(QMenuBar* bar, const QString& title);
// That menu, added at the end of the bar (with an access key) when there is none yet.
QMenu* findOrAdd(QMenuBar* bar, const QString& title);
} // namespace MenuBarMenus
