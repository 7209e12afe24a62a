#pragma once
// Icons of the page tools ("rotate.right", "scissors", ...): the shared symbol drawings
// where they exist, otherwise small drawings of our own, tinted like the button text.
#include <QIcon>
#include <QString>

namespace PageToolIcons {

QIcon icon(const QString& symbol);

} // namespace PageToolIcons
