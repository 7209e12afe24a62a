#pragma once
// The menu catalogue: the builder that fills a menu bar from the command vocabulary.
// Items never call into a window; each posts its name on the centre of the window the
// menu bar belongs to, so a command reaches that window and no other.
#include "shell/CommandVocabulary.h"

class NotificationCenter;
class QMenuBar;

namespace AppCommands {
// Adds the File, Edit, View, "Go" and "Tools" items to `bar`, posting on `center`, and
// Help > About. Menus of those titles already there are reused (File items go first in
// File, the others last). `center` must outlive the bar's items or be destroyed with them.
void install(QMenuBar* bar, NotificationCenter& center);
} // namespace AppCommands
