#pragma once
// Help > About: the program's version, its licence (AGPL-3.0-or-later, with no warranty)
// and the libraries it is built on, each with its own licence.
#include <QDialog>
#include <QList>
#include <QString>

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    struct Library {
        QString name;
        QString licence; // an SPDX expression where one exists
        QString use;
    };

    // The libraries the programs link or open at run time, MuPDF's own among them.
    static const QList<Library>& libraries();

    explicit AboutDialog(QWidget* parent = nullptr);

    // Shows the window's About dialog, raising the one already open there.
    static AboutDialog* present(QWidget* window);
};
