#include "app/AboutDialog.h"

#include "app/VellumarkApp.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

const QList<AboutDialog::Library>& AboutDialog::libraries() {
    static const QList<Library> list{
        {"MuPDF 1.21", "AGPL-3.0-or-later", "PDF engine, linked statically"},
        {"Qt 6", "LGPL-3.0-only", "windows, dialogs, images"},
        {"OpenSSL 3", "Apache-2.0", "digital signatures, key store"},
        {"libdeflate", "MIT", "compression"},
        {"PCRE2", "BSD-3-Clause WITH PCRE2-exception", "patterns of Find and Redact"},
        {"Tesseract", "Apache-2.0", "text recognition, opened when first used"},
        {"Leptonica", "BSD-2-Clause-style", "images for text recognition"},
        {"cairo", "LGPL-2.1-only OR MPL-1.1", "drawing new documents, opened when first used"},
        {"Pango", "LGPL-2.0-or-later", "text layout of new documents"},
        // What MuPDF itself is built on.
        {"FreeType", "FTL OR GPL-2.0-or-later", "fonts, for MuPDF"},
        {"HarfBuzz", "MIT", "text shaping, for MuPDF"},
        {"OpenJPEG", "BSD-2-Clause", "JPEG 2000 images, for MuPDF"},
        {"jbig2dec", "AGPL-3.0-or-later", "JBIG2 images, for MuPDF"},
        {"libjpeg-turbo", "IJG AND BSD-3-Clause AND Zlib", "JPEG images"},
        {"MuJS", "ISC", "for MuPDF (scripts in documents stay off)"},
        {"Gumbo", "Apache-2.0", "HTML parsing, for MuPDF"},
        {"zlib", "Zlib", "compression, for MuPDF"},
    };
    return list;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Brivel PDF"));
    setObjectName(QStringLiteral("aboutDialog"));
    // Everything but the button scrolls, so that Close stays in reach on a small or scaled
    // screen.
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 20, 20, 8);
    layout->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(14);
    auto* icon = new QLabel(this);
    icon->setPixmap(Icons::applicationIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    header->addWidget(icon);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* name = new QLabel(QStringLiteral("Brivel PDF"), this);
    name->setFont(Appearance::font(Appearance::FontRole::title2));
    titles->addWidget(name);
    auto* version = new QLabel(tr("Version %1").arg(VellumarkApp::version()), this);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    titles->addWidget(version);
    titles->addWidget(new QLabel(tr("Read, annotate and edit PDF documents."), this));
    titles->addStretch(1);
    header->addLayout(titles, 1);
    layout->addLayout(header);

    // The licence notice the GNU AGPL asks an interactive program to show.
    auto* licence = new QLabel(
        tr("Copyright 2026 Brivel PDF maintainers.<br><br>"
           "This program is free software: you can redistribute it and/or modify it under the "
           "terms of the GNU Affero General Public License as published by the Free Software "
           "Foundation, either version 3 of the License, or (at your option) any later version "
           "(AGPL-3.0-or-later).<br><br>"
           "It comes with <b>ABSOLUTELY NO WARRANTY</b>; see the "
           "<a href=\"https://www.gnu.org/licenses/agpl-3.0.html\">GNU Affero General Public "
           "License</a> for details."),
        this);
    licence->setObjectName(QStringLiteral("licence"));
    licence->setWordWrap(true);
    licence->setOpenExternalLinks(true);
    licence->setTextInteractionFlags(Qt::TextBrowserInteraction);
    layout->addWidget(licence);

    auto* heading = new QLabel(tr("Built on these libraries, each under its own licence:"), this);
    layout->addWidget(heading);
    auto* table = new QTreeWidget(this);
    table->setObjectName(QStringLiteral("libraries"));
    table->setColumnCount(3);
    table->setHeaderLabels({tr("Library"), tr("Licence"), tr("Used for")});
    table->setRootIsDecorated(false);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    for (const Library& library : libraries())
        new QTreeWidgetItem(table, {library.name, library.licence, library.use});
    for (int column = 0; column < 2; ++column) {
        table->resizeColumnToContents(column);
        table->setColumnWidth(column, table->columnWidth(column) + 16);
    }
    table->header()->setStretchLastSection(true);
    // Every row in sight without scrolling.
    table->setFixedHeight(table->header()->sizeHint().height() +
                          table->sizeHintForRow(0) * table->topLevelItemCount() +
                          2 * table->frameWidth() + 4);
    layout->addWidget(table);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 16);
    buttons->setContentsMargins(20, 0, 20, 0);
    outer->addWidget(scroll, 1);
    outer->addWidget(buttons);

    // All of it in sight where the screen has room; what the screen has where it has not.
    constexpr int width = 660;
    const int wanted = layout->totalHeightForWidth(width) + outer->spacing() +
                       buttons->sizeHint().height() + 16 + 4;
    QSize size(width + scroll->verticalScrollBar()->sizeHint().width(), wanted);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size);
}

AboutDialog* AboutDialog::present(QWidget* window) {
    auto* dialog =
        window ? window->findChild<AboutDialog*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!dialog) {
        dialog = new AboutDialog(window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}
