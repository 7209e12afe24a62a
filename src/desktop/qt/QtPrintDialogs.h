#pragma once
// The PrintDialogs seam on QPrintDialog, window-modal over the active window, with a tab
// for the page scaling. The application installs it at start-up.
#include "desktop/PrintDialogs.h"

class QtPrintDialogs final : public PrintDialogs {
public:
    bool choose(QPrinter& printer, const PrintRequest& request, PrintChoice& choice) override;

    static void install();
};
