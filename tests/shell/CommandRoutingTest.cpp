#include "shell/CommandNotificationHandler.h"

#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommandVocabulary.h"
#include "shell/SheetFlags.h"
#include "support/FakePageView.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QMetaProperty>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

using State = std::map<QString, QString>;

// What one window owns and hands to its command routing, plus counters for the actions
// that belong to other parts of the program.
struct Window {
    explicit Window(NotificationCenter& center) {
        view.fitScale = 0.5;
        CommandNotificationHandler::Actions actions;
        actions.ocrCurrentPage = [this] { ++ocrPage; };
        actions.ocrEntireDocument = [this] { ++ocrDocument; };
        actions.makeSearchable = [this] { ++searchable; };
        actions.closeWindow = [this] { ++windowCloses; };
        actions.applyRedactions = [this] { ++redactions; };
        actions.importImagesAsPDF = [this] {
            ++imports;
            return makeDocuments ? pdf::Document::fromData(fixtures::numberedPdf(3)) : nullptr;
        };
        actions.clipboardToPDF = [this] {
            ++clips;
            return makeDocuments ? pdf::Document::fromData(fixtures::numberedPdf(1)) : nullptr;
        };
        actions.exportPDFAsText = [this](const pdf::DocumentPtr& d, const QString& name) {
            exported << QString("%1:%2").arg(d->pageCount()).arg(name);
        };
        handler = std::make_unique<CommandNotificationHandler>(&documentVM, &bookmarkVM, &flags,
                                                               actions, center);
        documentVM.setPdfView(&view, &view);
    }

    // Everything a command could change, as text.
    State state() const {
        State s;
        s["page"] = QString::number(documentVM.currentPageIndex());
        s["total"] = QString::number(documentVM.totalPages());
        s["name"] = documentVM.fileName();
        s["url"] = documentVM.fileURL().toString();
        s["scale"] = QString::number(documentVM.scaleFactor());
        s["auto"] = QString::number(documentVM.autoScales());
        s["mode"] = QString::number(int(documentVM.displayMode()));
        s["view.visits"] = QString::number(view.visited.size());
        s["view.scale"] = QString::number(view.scale);
        s["view.auto"] = QString::number(view.autoScale);
        s["view.mode"] = QString::number(int(view.mode));
        QStringList marks;
        for (const Bookmark& b : bookmarkVM.bookmarks())
            marks << QString::number(b.pageIndex);
        s["bookmarks"] = marks.join(',');
        const QMetaObject* meta = flags.metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            s[QString("flag.") + meta->property(i).name()] =
                QString::number(meta->property(i).read(&flags).toBool());
        s["ocrPage"] = QString::number(ocrPage);
        s["ocrDocument"] = QString::number(ocrDocument);
        s["searchable"] = QString::number(searchable);
        s["redactions"] = QString::number(redactions);
        s["imports"] = QString::number(imports);
        s["clips"] = QString::number(clips);
        s["exported"] = exported.join(';');
        s["windowCloses"] = QString::number(windowCloses);
        return s;
    }

    DocumentViewModel documentVM;
    BookmarkViewModel bookmarkVM;
    SheetFlags flags;
    FakePageView view;
    std::unique_ptr<CommandNotificationHandler> handler;
    int ocrPage = 0, ocrDocument = 0, searchable = 0, imports = 0, clips = 0, windowCloses = 0,
        redactions = 0;
    bool makeDocuments = true;
    QStringList exported;
};

// The entries that differ between two states.
State changes(const State& before, const State& after) {
    State diff;
    for (const auto& [key, value] : after)
        if (before.at(key) != value)
            diff[key] = value;
    return diff;
}

std::string show(const State& s) {
    std::string out;
    for (const auto& [k, v] : s)
        out += k.toStdString() + "=" + v.toStdString() + " ";
    return out;
}

QVariant payloadFor(const QString& name) {
    return name == Notifications::setDisplayMode ? QVariant::fromValue(PDFDisplayModeValue::twoUp)
                                                 : QVariant();
}

class CommandRoutingTest : public ::testing::Test {
protected:
    // A window on page 5 (index 4) of ten.pdf.
    void openTenPages(Window& w) {
        const QString path = fixtures::writeTemp(dir.path(), "ten.pdf", fixtures::numberedPdf(10));
        w.documentVM.loadDocument(QUrl::fromLocalFile(path));
        w.bookmarkVM.loadBookmarks(w.documentVM.fileURL());
        w.documentVM.goToPage(4);
        w.view.scale = 1.0;
        w.view.autoScale = false;
    }

    // Posts `name` to a fresh window in each state and returns what changed.
    State effect(const QString& name, bool withDocument, QVariant payload = {}) {
        Window w(center);
        if (withDocument)
            openTenPages(w);
        const State before = w.state();
        center.post(name, payload.isValid() ? payload : payloadFor(name));
        return changes(before, w.state());
    }

    QTemporaryDir dir;
    NotificationCenter center;
    ScopedFileDialogs dialogs; // every open dialog is cancelled
};

} // namespace

TEST_F(CommandRoutingTest, EachNameHasExactlyOneEffectWithADocument) {
    namespace N = Notifications;
    const QString url = QUrl::fromLocalFile(dir.filePath("ten.pdf")).toString();
    const std::map<QString, State> expected{
        {N::openFile, {}}, // the dialog was asked (below) and cancelled
        {N::save, {}},     // written over ten.pdf, which reads the same
        {N::saveAs, {}},   // the dialog was cancelled
        {N::closeDocument, {{"name", ""}, {"url", ""}, {"page", "0"}, {"total", "0"}}},
        {N::newDocument, {{"flag.showDocumentCreation", "1"}}},
        {N::importImages,
         {{"imports", "1"},
          {"name", "Imported Images"},
          {"url", ""},
          {"page", "0"},
          {"total", "3"}}},
        {N::clipboardToPDF,
         {{"clips", "1"}, {"name", "From Clipboard"}, {"url", ""}, {"page", "0"}, {"total", "1"}}},
        {N::zoomIn, {{"scale", "1.25"}, {"auto", "0"}, {"view.scale", "1.25"}}},
        {N::zoomOut, {{"scale", "0.8"}, {"auto", "0"}, {"view.scale", "0.8"}}},
        {N::zoomToFit, {{"scale", "0.5"}, {"view.scale", "0.5"}, {"view.auto", "1"}}},
        {N::setDisplayMode, {{"mode", "2"}, {"view.mode", "2"}}},
        {N::nextPage, {{"page", "5"}, {"view.visits", "2"}}},
        {N::previousPage, {{"page", "3"}, {"view.visits", "2"}}},
        {N::firstPage, {{"page", "0"}, {"view.visits", "2"}}},
        {N::lastPage, {{"page", "9"}, {"view.visits", "2"}}},
        {N::toggleSearch, {{"flag.showSearch", "1"}}},
        {N::toggleBookmark, {{"bookmarks", "4"}}},
        {N::ocrCurrentPage, {{"ocrPage", "1"}}},
        {N::ocrDocument, {{"ocrDocument", "1"}}},
        {N::showExport, {{"flag.showExport", "1"}}},
        {N::showSignature, {{"flag.showSignature", "1"}}},
        {N::showPageManagement, {{"flag.showPageManagement", "1"}}},
        {N::showPasswordProtection, {{"flag.showPasswordProtection", "1"}}},
        {N::showWatermark, {{"flag.showWatermark", "1"}}},
        {N::showCompare, {{"flag.showCompare", "1"}}},
        {N::showReduceFileSize, {{"flag.showReduceFileSize", "1"}}},
        {N::showFindAndRedact, {{"flag.showFindAndRedact", "1"}}},
        {N::applyRedactions, {{"redactions", "1"}}},
        {N::exportAsText, {{"exported", "10:ten.pdf"}}},
        {N::makeSearchable, {{"searchable", "1"}}},
        // Nothing was edited, so there is nothing to take back or do again.
        {N::undo, {}},
        {N::redo, {}},
    };
    ASSERT_EQ(expected.size(), 32u);
    for (const QString& name : Notifications::all()) {
        const size_t dialogsBefore = dialogs->openRequests.size();
        const State got = effect(name, true);
        EXPECT_EQ(show(got), show(expected.at(name))) << name.toStdString();
        EXPECT_EQ(dialogs->openRequests.size() - dialogsBefore, name == N::openFile ? 1u : 0u)
            << name.toStdString();
    }
}

TEST_F(CommandRoutingTest, WithoutADocumentNavigationAndTextExportDoNothing) {
    namespace N = Notifications;
    const std::map<QString, State> expected{
        {N::openFile, {}},
        {N::save, {}},
        {N::saveAs, {}},
        {N::closeDocument, {{"windowCloses", "1"}}}, // nothing to close but the window
        {N::newDocument, {{"flag.showDocumentCreation", "1"}}},
        {N::importImages, {{"imports", "1"}, {"name", "Imported Images"}, {"total", "3"}}},
        {N::clipboardToPDF, {{"clips", "1"}, {"name", "From Clipboard"}, {"total", "1"}}},
        {N::zoomIn, {{"scale", "1.25"}, {"auto", "0"}, {"view.scale", "1.25"}, {"view.auto", "0"}}},
        {N::zoomOut, {{"scale", "0.8"}, {"auto", "0"}, {"view.scale", "0.8"}, {"view.auto", "0"}}},
        {N::zoomToFit, {{"scale", "0.5"}, {"view.scale", "0.5"}}},
        {N::setDisplayMode, {{"mode", "2"}, {"view.mode", "2"}}},
        {N::nextPage, {}},
        {N::previousPage, {}},
        {N::firstPage, {}},
        {N::lastPage, {}},
        {N::toggleSearch, {{"flag.showSearch", "1"}}},
        {N::toggleBookmark, {{"bookmarks", "0"}}}, // in memory: there is no file
        {N::ocrCurrentPage, {{"ocrPage", "1"}}},
        {N::ocrDocument, {{"ocrDocument", "1"}}},
        {N::showExport, {{"flag.showExport", "1"}}},
        {N::showSignature, {{"flag.showSignature", "1"}}},
        {N::showPageManagement, {{"flag.showPageManagement", "1"}}},
        {N::showPasswordProtection, {{"flag.showPasswordProtection", "1"}}},
        {N::showWatermark, {{"flag.showWatermark", "1"}}},
        {N::showCompare, {{"flag.showCompare", "1"}}},
        {N::showReduceFileSize, {{"flag.showReduceFileSize", "1"}}},
        {N::showFindAndRedact, {{"flag.showFindAndRedact", "1"}}},
        {N::applyRedactions, {}}, // nothing to redact without a document
        {N::exportAsText, {}},
        {N::makeSearchable, {{"searchable", "1"}}},
        {N::undo, {}},
        {N::redo, {}},
    };
    const QStringList keysBefore = Preferences::keys();
    for (const QString& name : Notifications::all())
        EXPECT_EQ(show(effect(name, false)), show(expected.at(name))) << name.toStdString();
    EXPECT_EQ(Preferences::keys(), keysBefore); // nothing stored without a file
}

TEST_F(CommandRoutingTest, ConversionsThatYieldNothingLeaveTheDocument) {
    Window w(center);
    openTenPages(w);
    w.makeDocuments = false;
    const State before = w.state();
    center.post(Notifications::clipboardToPDF);
    center.post(Notifications::importImages);
    EXPECT_EQ(show(changes(before, w.state())), "clips=1 imports=1 ");
}

TEST_F(CommandRoutingTest, BadLayoutPayloadsAndRepeatedTogglesBehave) {
    Window w(center);
    const State before = w.state();
    center.post(Notifications::setDisplayMode);
    center.post(Notifications::setDisplayMode, 2); // a bare number is not a layout value
    center.post(Notifications::setDisplayMode, QString("twoUp"));
    EXPECT_TRUE(changes(before, w.state()).empty());

    center.post(Notifications::toggleSearch);
    center.post(Notifications::toggleSearch); // "Find..." twice hides the bar again
    EXPECT_FALSE(w.flags.showSearch());
    center.post(Notifications::showExport);
    center.post(Notifications::showExport); // raising a raised flag changes nothing
    EXPECT_TRUE(w.flags.showExport());
}

TEST_F(CommandRoutingTest, LastThenFirstPageAndEndsOfTheDocument) {
    Window w(center);
    openTenPages(w);
    center.post(Notifications::lastPage);
    EXPECT_EQ(w.documentVM.currentPageIndex(), 9);
    center.post(Notifications::nextPage);
    EXPECT_EQ(w.documentVM.currentPageIndex(), 9);
    center.post(Notifications::firstPage);
    EXPECT_EQ(w.documentVM.currentPageIndex(), 0);
    center.post(Notifications::previousPage);
    EXPECT_EQ(w.documentVM.currentPageIndex(), 0);
    EXPECT_EQ(w.view.visited.back(), w.documentVM.pdfDocument()->page(0));
}

TEST_F(CommandRoutingTest, EachNameHasOneSubscriberWhileTheWindowLives) {
    auto w = std::make_unique<Window>(center);
    for (const QString& name : Notifications::all())
        EXPECT_EQ(center.subscriberCount(name), 1) << name.toStdString();
    center.post(Notifications::ocrDocument);
    EXPECT_EQ(w->ocrDocument, 1);
    w.reset();
    for (const QString& name : Notifications::all())
        EXPECT_EQ(center.subscriberCount(name), 0) << name.toStdString();
    center.post(Notifications::ocrDocument); // nobody left to call
}

TEST_F(CommandRoutingTest, OpenCommandLoadsThePickedFile) {
    Window w(center);
    openTenPages(w);
    dialogs->scriptOpen({fixtures::writeTemp(dir.path(), "other.pdf", fixtures::numberedPdf(2))});
    center.post(Notifications::openFile);
    EXPECT_EQ(w.documentVM.fileName(), "other.pdf");
    EXPECT_EQ(w.documentVM.totalPages(), 2);
}
