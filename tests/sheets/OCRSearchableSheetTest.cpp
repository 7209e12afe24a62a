// The recognition sheet's language choice, Cancel, "Make Searchable" and "Save as Text...".
#include "sheets/OCRResultSheet.h"

#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "support/OcrFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "utilities/OCRService.h"
#include "viewmodels/OCRViewModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Points TESSDATA_PREFIX at a folder of its own for the life of the guard.
class TessdataFolder {
public:
    explicit TessdataFolder(const QStringList& models)
        : had_(qEnvironmentVariableIsSet("TESSDATA_PREFIX")), old_(qgetenv("TESSDATA_PREFIX")) {
        const QString real = OCRService::tessdataPath() + "/eng.traineddata";
        for (const QString& model : models)
            QFile::link(real, dir_.filePath(model + ".traineddata"));
        qputenv("TESSDATA_PREFIX", dir_.path().toUtf8());
    }
    ~TessdataFolder() {
        if (had_)
            qputenv("TESSDATA_PREFIX", old_);
        else
            qunsetenv("TESSDATA_PREFIX");
    }

private:
    QTemporaryDir dir_;
    bool had_;
    QByteArray old_;
};

QStringList listed(const OCRResultSheet& sheet, Qt::CheckState only = Qt::PartiallyChecked) {
    QStringList items;
    for (int i = 0; i < sheet.languageList()->count(); ++i) {
        const QListWidgetItem* item = sheet.languageList()->item(i);
        if (only == Qt::PartiallyChecked || item->checkState() == only)
            items << item->text();
    }
    return items;
}

void waitForRun(OCRViewModel& model) {
    ASSERT_TRUE(model.waitForBackgroundWork(120000));
    for (int i = 0; i < 10 && model.isOCRRunning(); ++i)
        QCoreApplication::processEvents();
    ASSERT_FALSE(model.isOCRRunning());
}

} // namespace

TEST(OCRSearchableSheet, LanguagesAreTheInstalledModelsAndSeveralCanBeChosen) {
    // A second model (a copy of the English one will do) and the orientation model, which
    // is no language.
    TessdataFolder tessdata({"eng", "deu", "osd"});
    OCRViewModel model;
    OCRResultSheet sheet(model);
    EXPECT_EQ(listed(sheet), (QStringList{"German (deu)", "English (eng)"}));
    EXPECT_EQ(listed(sheet, Qt::Checked), QStringList{"English (eng)"});

    sheet.languageList()->item(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(model.ocrLanguage(), "deu+eng");
    sheet.languageList()->item(0)->setCheckState(Qt::Unchecked);
    sheet.languageList()->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(model.ocrLanguage(), "eng") << "the last language stays checked";
    EXPECT_EQ(listed(sheet, Qt::Checked), QStringList{"English (eng)"});

    // A language chosen earlier whose model has gone stays visible, so its error makes sense.
    model.setOcrLanguage("eng+kat");
    EXPECT_EQ(listed(sheet, Qt::Checked), (QStringList{"English (eng)", "kat"}));
}

TEST(OCRSearchableSheet, CancelShowsWhileRunningAndStopsTheRun) {
    OCRViewModel model;
    OCRResultSheet sheet(model);
    sheet.show();
    EXPECT_FALSE(sheet.cancelButton()->isVisible());
    EXPECT_FALSE(sheet.statusLabel()->isVisible());

    const auto document = fixtures::scannedDocument(
        {fixtures::textPageImage(fixtures::wrapText(fixtures::samplePassage(), 11, 468), 11)});
    model.makeSearchable(document);
    EXPECT_TRUE(sheet.cancelButton()->isVisible());
    EXPECT_FALSE(sheet.languageList()->isEnabled());
    for (QPushButton* button : sheet.searchableButtons())
        EXPECT_FALSE(button->isEnabled());

    sheet.cancelButton()->click();
    EXPECT_FALSE(model.isOCRRunning());
    EXPECT_FALSE(sheet.cancelButton()->isVisible());
    EXPECT_TRUE(sheet.statusLabel()->isVisible());
    EXPECT_EQ(sheet.statusLabel()->text(), "Cancelled. The document was not changed.");
    ASSERT_TRUE(model.waitForBackgroundWork(60000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(document->page(0)->text());
}

TEST(OCRSearchableSheet, MakeSearchableAndSaveAsTextFromTheSheet) {
    const auto document = fixtures::scannedDocument(
        {fixtures::textPageImage({"Weighbridge tickets for the port"}, 14)});
    OCRViewModel model;
    model.setDocumentSource([document] { return document; });
    OCRResultSheet sheet(model);
    sheet.show();
    ASSERT_EQ(sheet.content(), OCRResultSheet::Content::notice);
    QPushButton* searchable = sheet.searchableButtons().at(1); // the one under the notice
    ASSERT_TRUE(searchable->isVisible());
    searchable->click();
    waitForRun(model);

    EXPECT_EQ(document->findString("weighbridge").size(), 1u);
    EXPECT_EQ(sheet.content(), OCRResultSheet::Content::text);
    EXPECT_EQ(sheet.statusLabel()->text(), "Text layer added to 1 page.");

    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    dialogs->scriptSave(dir.filePath("tickets.txt"));
    ASSERT_TRUE(sheet.saveTextButton()->isVisible());
    sheet.saveTextButton()->click();
    QFile file(dir.filePath("tickets.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "--- Page 1 ---\nWeighbridge tickets for the port\n");
}
