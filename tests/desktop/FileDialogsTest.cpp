#include "desktop/FileDialogs.h"
#include "support/ScriptedFileDialogs.h"

#include <gtest/gtest.h>

TEST(FileDialogs, ContentTypesFilterByExtensionCaseInsensitively) {
    EXPECT_EQ(ContentType::pdf().nameFilter(), "PDF Document (*.pdf *.PDF)");
    EXPECT_TRUE(ContentType::pdf().matches("/x/Report.PDF"));
    EXPECT_FALSE(ContentType::pdf().matches("/x/report.pdf.txt"));
    for (const char* name : {"a.png", "b.JPG", "c.jpeg", "d.tif", "e.tiff", "f.bmp", "g.gif"})
        EXPECT_TRUE(ContentType::image().matches(name)) << name;
    EXPECT_FALSE(ContentType::image().matches("h.pdf"));
}

TEST(FileDialogs, CancelsUntilAnImplementationIsInstalled) {
    EXPECT_TRUE(FileDialogs::current()->openFiles({}).isEmpty());
    EXPECT_TRUE(FileDialogs::current()->saveFile({}).isEmpty());
    EXPECT_TRUE(FileDialogs::current()->chooseFolder({}).isEmpty());
}

TEST(FileDialogs, ScriptedDialogsRecordRequestsAndAnswerInOrder) {
    ScopedFileDialogs dialogs;
    dialogs->scriptOpen({"/a.pdf", "/b.pdf"});
    dialogs->scriptSave("/out/x.pdf");

    const QStringList first =
        FileDialogs::current()->openFiles({{ContentType::pdf()}, true, {}, {}});
    EXPECT_EQ(first, (QStringList{"/a.pdf", "/b.pdf"}));
    EXPECT_TRUE(FileDialogs::current()->openFile({{ContentType::pdf()}, true, {}, {}}).isEmpty());
    ASSERT_EQ(dialogs->openRequests.size(), 2u);
    EXPECT_TRUE(dialogs->openRequests[0].allowsMultipleSelection);
    EXPECT_FALSE(dialogs->openRequests[1].allowsMultipleSelection); // openFile forces one
    EXPECT_EQ(dialogs->openRequests[0].contentTypes, QList<ContentType>{ContentType::pdf()});

    EXPECT_EQ(FileDialogs::current()->saveFile({{ContentType::pdf()}, "r_annotated.pdf", {}, {}}),
              "/out/x.pdf");
    EXPECT_EQ(dialogs->saveRequests.at(0).proposedName, "r_annotated.pdf");
    EXPECT_TRUE(FileDialogs::current()->chooseFolder({"Export Here", true, {}}).isEmpty());
    EXPECT_EQ(dialogs->folderRequests.at(0).prompt, "Export Here");
}
