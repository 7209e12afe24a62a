#pragma once
// The document being composed: its pages, the selected page, the size of new pages and
// the title. Lives as long as the window, so a composition survives closing the sheet.
#include "models/PageTemplate.h"
#include "pdf/document/Document.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class DocumentCreationViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<PDFPageContent> pages READ pages WRITE setPages NOTIFY pagesChanged)
    Q_PROPERTY(int selectedPageIndex READ selectedPageIndex WRITE setSelectedPageIndex NOTIFY
                   selectedPageIndexChanged)
    Q_PROPERTY(PageSize defaultPageSize READ defaultPageSize WRITE setDefaultPageSize NOTIFY
                   defaultPageSizeChanged)
    Q_PROPERTY(
        QString documentTitle READ documentTitle WRITE setDocumentTitle NOTIFY documentTitleChanged)

public:
    explicit DocumentCreationViewModel(QObject* parent = nullptr);

    const QList<PDFPageContent>& pages() const { return pages_; }
    void setPages(const QList<PDFPageContent>& pages);
    int selectedPageIndex() const { return selectedPageIndex_; }
    void setSelectedPageIndex(int index);
    PageSize defaultPageSize() const { return defaultPageSize_; }
    void setDefaultPageSize(PageSize size);
    QString documentTitle() const { return documentTitle_; }
    void setDocumentTitle(const QString& title);

    // The page at selectedPageIndex; nullptr when the index is outside the pages.
    const PDFPageContent* selectedPage() const;

    // Block and page operations; the block operations act on the selected page.
    void addTextBlock(const QString& text, double fontSize);
    void updateTextBlock(const QUuid& blockId, const QString& text);
    void removeTextBlock(const QUuid& blockId);
    // Asks for one image file (PNG, JPEG, TIFF, BMP) and appends it to the selected page.
    void addImageFromFile();
    // Appends encoded image bytes as a block; false when they do not decode to an image
    // with a measurable, non-zero size (nothing is added then).
    bool addImageData(const QByteArray& imageData);
    void removeImageBlock(const QUuid& blockId);
    void deletePage(int index);

    // The sheet's edits.
    void addPage();
    // Moves the pages at `sourceRows` so they land before `destination` (a row of the
    // list before the move; pages.size() appends). selectedPageIndex keeps its number.
    void movePages(QList<int> sourceRows, int destination);
    void setSelectedPageSize(PageSize size);
    void setSelectedPageTemplate(PageTemplate pageTemplate);
    // Absent (or a value that is not a positive number) falls back on 612 / 792.
    void setSelectedCustomWidth(std::optional<double> width);
    void setSelectedCustomHeight(std::optional<double> height);

    // The composed document; nullptr when there are no pages or rendering failed.
    pdf::DocumentPtr generatePDF() const;
    // Renders, asks where to save ("<title>.pdf" proposed) and writes the file.
    // Returns the written file's path; nullopt when there was nothing to save, the
    // dialog was cancelled, or the write failed (then *error says which file and why).
    std::optional<QString> savePDF(QString* error = nullptr) const;

    // The file name the save dialog proposes.
    QString proposedFileName() const;

signals:
    void pagesChanged();
    void selectedPageIndexChanged();
    void defaultPageSizeChanged();
    void documentTitleChanged();

private:
    PDFPageContent* mutableSelectedPage();
    void editSelectedPage(const std::function<void(PDFPageContent&)>& edit);

    QList<PDFPageContent> pages_;
    int selectedPageIndex_ = 0;
    PageSize defaultPageSize_ = PageSize::a4;
    QString documentTitle_ = QStringLiteral("Untitled");
};
