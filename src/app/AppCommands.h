#pragma once
// The menu catalogue: the builder that fills a menu bar from the command vocabulary.
// Items never call into a window; each posts its name on the default centre.
#include "shell/CommandVocabulary.h"

class QMenuBar;

namespace AppCommands {
// Adds the File, Edit, View, "Go" and "Tools" items to `bar`, reusing menus of those
// titles that are already there (File items go first in File, the others last).
void install(QMenuBar* bar);
} // namespace AppCommands
