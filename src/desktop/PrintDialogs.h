#pragma once
// The seam for the print dialog. The core only sees this interface; the application
// installs the Qt dialog at start-up and tests install a scripted one that picks a PDF
// file as the printer. The call blocks until answered.
#include <QString>

#include <memory>

class QPrinter;

struct PrintRequest {
    QString documentName; // the job's title
    int pageCount = 0;
    int currentPage = 0; // 0-based, for "Current Page"
};

// What the dialog asks beyond the printer's own settings.
struct PrintChoice {
    // Scale each page to the printable area (aspect kept); otherwise print at actual size,
    // centred.
    bool fitToPage = true;
};

class PrintDialogs {
public:
    virtual ~PrintDialogs() = default;

    // Lets the person set up `printer` (printer, page range, copies) and the choice;
    // false when cancelled.
    virtual bool choose(QPrinter& printer, const PrintRequest& request, PrintChoice& choice) = 0;

    // The implementation in use. Until one is installed every request is cancelled.
    static std::shared_ptr<PrintDialogs> current();
    // Replaces the implementation; returns the previous one.
    static std::shared_ptr<PrintDialogs> install(std::shared_ptr<PrintDialogs> dialogs);
};
