// The password, comparison and form sheets as the window raises them.
#include "sheets/DocumentCompareView.h"
#include "sheets/FormFieldView.h"
#include "sheets/PasswordProtectionView.h"
#include "shell/ContentView.h"
#include "shell/SheetFlags.h"
#include "shell/SheetPresenter.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ToolFixtures.h"
#include "viewmodels/DocumentViewModel.h"

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// The whole screen, sheet over window, when screenshots are asked for.
void saveScreen(const QString& name) {
    const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (dir.isEmpty() || !QGuiApplication::primaryScreen())
        return;
    QDir().mkpath(dir);
    QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(dir).filePath(name + ".png"));
}

TEST(ToolSheetsInWindow, TheWindowRaisesTheThreeSheetsOnItsDocument) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    ContentView window;
    window.resize(1000, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.documentVM()->loadDocument(
        QUrl::fromLocalFile(writeTemp(dir.path(), "application.pdf", formPdf())));
    ASSERT_NE(window.documentVM()->pdfDocument(), nullptr);

    window.flags()->setShowFormFields(true);
    auto* forms =
        qobject_cast<FormFieldView*>(window.sheetPresenter()->dialog(SheetKind::formFields));
    ASSERT_NE(forms, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(forms));
    ASSERT_EQ(forms->rows().size(), 6u);
    QTest::keyClicks(forms->rows()[0].textField, "-Marie");
    EXPECT_EQ(forms->rows()[0].textField->text(), "Alice-Marie");
    QTest::mouseClick(forms->rows()[5].goButton, Qt::LeftButton);
    EXPECT_EQ(window.documentVM()->currentPageIndex(), 1);
    QTest::qWait(200);
    saveScreen("window-form-fields");
    forms->accept();
    EXPECT_FALSE(window.flags()->showFormFields());

    window.flags()->setShowPasswordProtection(true);
    auto* protect = qobject_cast<PasswordProtectionView*>(
        window.sheetPresenter()->dialog(SheetKind::passwordProtection));
    ASSERT_NE(protect, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(protect));
    QTest::qWait(100);
    saveScreen("window-password");
    protect->reject();
    EXPECT_FALSE(window.flags()->showPasswordProtection());

    window.flags()->setShowCompare(true);
    auto* compare =
        qobject_cast<DocumentCompareView*>(window.sheetPresenter()->dialog(SheetKind::compare));
    ASSERT_NE(compare, nullptr);
    EXPECT_TRUE(compare->showsChooser());
    compare->reject();
    EXPECT_FALSE(window.flags()->showCompare());
}

} // namespace
