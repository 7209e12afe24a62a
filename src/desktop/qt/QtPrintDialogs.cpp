#include "desktop/qt/QtPrintDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>

bool QtPrintDialogs::choose(QPrinter& printer, const PrintRequest& request, PrintChoice& choice) {
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(QObject::tr("Print"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintCurrentPage);
    dialog.setMinMax(1, std::max(1, request.pageCount));
    dialog.setFromTo(1, std::max(1, request.pageCount));

    auto* scaling = new QWidget;
    scaling->setWindowTitle(QObject::tr("Page Scaling"));
    auto* fit = new QCheckBox(QObject::tr("Fit to printable area"), scaling);
    fit->setObjectName(QStringLiteral("fitToPage"));
    fit->setChecked(choice.fitToPage);
    auto* layout = new QVBoxLayout(scaling);
    layout->addWidget(fit);
    layout->addStretch(1);
    dialog.setOptionTabs({scaling});

    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice.fitToPage = fit->isChecked();
    return true;
}

void QtPrintDialogs::install() {
    PrintDialogs::install(std::make_shared<QtPrintDialogs>());
}
