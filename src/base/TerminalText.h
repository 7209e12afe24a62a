#pragma once
// Text bound for a terminal (messages, file names, text taken from documents) with every
// byte that a terminal would act on made visible instead.
#include <QString>

namespace base {

// `text` with control characters (escape sequences that could clear the screen or retitle
// the window) as \xHH and bidirectional overrides as \uHHHH. With `keepLayout`, line
// breaks, tabs and form feeds stay as they are. Applying it twice changes nothing more.
QString terminalSafe(const QString& text, bool keepLayout = false);

} // namespace base
