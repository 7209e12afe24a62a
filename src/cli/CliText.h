#pragma once
// Text shaping shared by --help, the man page and the completions.
#include "cli/CliOptions.h"

#include <QString>

namespace cli {

// `text` reflowed into lines of at most `width` columns (longer words stand alone): the
// first line starts with `first`, the others with `indent` spaces. Ends with a line break.
QString wrap(const QString& text, int width, int indent, const QString& first = {});

// An option's help with what the table adds: the values taken and the default.
QString optionHelp(const Option& option);

// The first sentence of a help text, for the one-line descriptions of completions.
QString firstSentence(const QString& text);

// Text for a roff line: backslashes doubled as \e, options' and the program's hyphens as
// minus signs, and a leading period or apostrophe kept from reading as a request.
QString roffText(const QString& text);
// A name in bold (every hyphen a minus sign).
QString roffBold(const QString& name);

} // namespace cli
