#pragma once
// Hand-made hostile files: each one lies about its structure or carries text meant for
// something other than reading. Built byte by byte, like the other fixtures.
#include <QByteArray>
#include <QString>

namespace fixtures {

// One real page whose page tree claims `claimed` pages.
QByteArray lyingCountPdf(qint64 claimed);
// A page tree that lists its root among its own kids, and a page twice.
QByteArray loopingPageTreePdf();
// One page with a text field that lists itself among its /Kids five times over.
QByteArray selfListingFieldPdf();
// One page with a link to a named destination whose name tree lists itself among its kids,
// an outline whose items lead back to each other and a structure tree that contains itself.
QByteArray loopingNamesPdf();
// One page with a text field whose name is `name` (a PDF literal string, Latin-1).
QByteArray namedFieldPdf(const QString& name);
// One blank page whose document title is `title` (raw bytes, control characters allowed).
QByteArray titledPdf(const QByteArray& title);
// `pages` blank pages of `width` × `height` points.
QByteArray blankPagesPdf(int pages, double width, double height);

// A PNG that states `width` × `height` pixels in its header and carries no real image data.
QByteArray pngHeaderOnly(quint32 width, quint32 height);

} // namespace fixtures
