#include "viewmodels/DocumentCreationViewModel.h"

#include "desktop/Alerts.h"

#include "desktop/FileDialogs.h"
#include "models/PageComposition.h"
#include "utilities/PDFCreationService.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

DocumentCreationViewModel::DocumentCreationViewModel(QObject* parent) : QObject(parent) {
    pages_.append(PDFPageContent(PageTemplate::blank, PageSize::a4));
}

void DocumentCreationViewModel::setPages(const QList<PDFPageContent>& pages) {
    pages_ = pages;
    emit pagesChanged();
}

void DocumentCreationViewModel::setSelectedPageIndex(int index) {
    if (index == selectedPageIndex_)
        return;
    selectedPageIndex_ = index;
    emit selectedPageIndexChanged();
}

void DocumentCreationViewModel::setDefaultPageSize(PageSize size) {
    if (size == defaultPageSize_)
        return;
    defaultPageSize_ = size;
    emit defaultPageSizeChanged();
}

void DocumentCreationViewModel::setDocumentTitle(const QString& title) {
    if (title == documentTitle_)
        return;
    documentTitle_ = title;
    emit documentTitleChanged();
}

const PDFPageContent* DocumentCreationViewModel::selectedPage() const {
    if (selectedPageIndex_ < 0 || selectedPageIndex_ >= pages_.size())
        return nullptr;
    return &pages_[selectedPageIndex_];
}

PDFPageContent* DocumentCreationViewModel::mutableSelectedPage() {
    if (selectedPageIndex_ < 0 || selectedPageIndex_ >= pages_.size())
        return nullptr;
    return &pages_[selectedPageIndex_];
}

void DocumentCreationViewModel::editSelectedPage(const std::function<void(PDFPageContent&)>& edit) {
    PDFPageContent* page = mutableSelectedPage();
    if (!page)
        return;
    edit(*page);
    emit pagesChanged();
}

void DocumentCreationViewModel::addTextBlock(const QString& text, double fontSize) {
    editSelectedPage([&](PDFPageContent& page) {
        page.textBlocks.append(placedTextBlock(page, text, fontSize));
    });
}

void DocumentCreationViewModel::updateTextBlock(const QUuid& blockId, const QString& text) {
    PDFPageContent* page = mutableSelectedPage();
    if (!page)
        return;
    for (TextBlock& block : page->textBlocks) {
        if (block.id == blockId) {
            if (block.text != text) {
                block.text = text;
                emit pagesChanged();
            }
            return;
        }
    }
}

void DocumentCreationViewModel::removeTextBlock(const QUuid& blockId) {
    PDFPageContent* page = mutableSelectedPage();
    if (page && page->textBlocks.removeIf([&](const TextBlock& b) { return b.id == blockId; }) > 0)
        emit pagesChanged();
}

void DocumentCreationViewModel::addImageFromFile() {
    OpenFileRequest request;
    request.contentTypes = {ContentType::image(), ContentType::png(), ContentType::jpeg(),
                            ContentType::tiff(), ContentType::bmp()};
    request.allowsMultipleSelection = false;
    const QString path = FileDialogs::current()->openFile(request);
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        Alerts::current()->inform(
            tr("Image not added"),
            tr("\u201c%1\u201d could not be read: %2").arg(name, file.errorString()));
        return;
    }
    // Said, not swallowed: otherwise the button seems not to work.
    if (!addImageData(bytes))
        Alerts::current()->inform(tr("Image not added"),
                                  tr("\u201c%1\u201d is not an image that can be read.").arg(name));
}

bool DocumentCreationViewModel::addImageData(const QByteArray& imageData) {
    PDFPageContent* page = mutableSelectedPage();
    if (!page)
        return false;
    const auto block = placedImageBlock(*page, imageData);
    if (!block)
        return false;
    page->imageBlocks.append(*block);
    emit pagesChanged();
    return true;
}

void DocumentCreationViewModel::removeImageBlock(const QUuid& blockId) {
    PDFPageContent* page = mutableSelectedPage();
    if (page &&
        page->imageBlocks.removeIf([&](const ImageBlock& b) { return b.id == blockId; }) > 0)
        emit pagesChanged();
}

void DocumentCreationViewModel::deletePage(int index) {
    if (pages_.size() < 2 || index < 0 || index >= pages_.size())
        return;
    pages_.removeAt(index);
    emit pagesChanged();
    if (selectedPageIndex_ >= pages_.size())
        setSelectedPageIndex(int(pages_.size()) - 1);
}

void DocumentCreationViewModel::addPage() {
    pages_.append(PDFPageContent(PageTemplate::blank, defaultPageSize_));
    emit pagesChanged();
    setSelectedPageIndex(int(pages_.size()) - 1);
}

void DocumentCreationViewModel::movePages(QList<int> sourceRows, int destination) {
    std::sort(sourceRows.begin(), sourceRows.end());
    sourceRows.erase(std::unique(sourceRows.begin(), sourceRows.end()), sourceRows.end());
    sourceRows.removeIf([&](int row) { return row < 0 || row >= pages_.size(); });
    if (sourceRows.isEmpty())
        return;
    destination = std::clamp(destination, 0, int(pages_.size()));
    QList<PDFPageContent> moved;
    QList<PDFPageContent> rest;
    int insertAt = destination;
    for (int row = 0; row < pages_.size(); ++row) {
        if (sourceRows.contains(row)) {
            moved.append(pages_[row]);
            if (row < destination)
                --insertAt;
        } else {
            rest.append(pages_[row]);
        }
    }
    QList<PDFPageContent> result = rest.mid(0, insertAt);
    result += moved;
    result += rest.mid(insertAt);
    bool same = true;
    for (int i = 0; i < result.size() && same; ++i)
        same = result[i].id == pages_[i].id;
    if (same)
        return;
    pages_ = result;
    emit pagesChanged();
}

void DocumentCreationViewModel::setSelectedPageSize(PageSize size) {
    const PDFPageContent* page = selectedPage();
    if (page && page->pageSize != size)
        editSelectedPage([&](PDFPageContent& p) { p.pageSize = size; });
}

void DocumentCreationViewModel::setSelectedPageTemplate(PageTemplate pageTemplate) {
    const PDFPageContent* page = selectedPage();
    if (page && page->pageTemplate != pageTemplate)
        editSelectedPage([&](PDFPageContent& p) { p.pageTemplate = pageTemplate; });
}

namespace {
// A page side must be a positive, finite length for a page to exist at all.
std::optional<double> pageLength(std::optional<double> value) {
    if (value && std::isfinite(*value) && *value > 0)
        return value;
    return std::nullopt;
}
} // namespace

void DocumentCreationViewModel::setSelectedCustomWidth(std::optional<double> width) {
    const PDFPageContent* page = selectedPage();
    if (page && page->customWidth != pageLength(width))
        editSelectedPage([&](PDFPageContent& p) { p.customWidth = pageLength(width); });
}

void DocumentCreationViewModel::setSelectedCustomHeight(std::optional<double> height) {
    const PDFPageContent* page = selectedPage();
    if (page && page->customHeight != pageLength(height))
        editSelectedPage([&](PDFPageContent& p) { p.customHeight = pageLength(height); });
}

pdf::DocumentPtr DocumentCreationViewModel::generatePDF() const {
    if (pages_.isEmpty())
        return nullptr;
    try {
        return PDFCreationService::createDocument(pages_);
    } catch (const PDFCreationService::CreationError&) {
        return nullptr;
    }
}

QString DocumentCreationViewModel::proposedFileName() const {
    // A slash would turn the proposed name into a folder path.
    QString name = documentTitle_;
    name.replace('/', '-');
    return name + QStringLiteral(".pdf");
}

std::optional<QString> DocumentCreationViewModel::savePDF(QString* error) const {
    const pdf::DocumentPtr document = generatePDF();
    if (!document)
        return std::nullopt;
    const QString path = FileDialogs::current()->savePdf(proposedFileName());
    if (path.isEmpty())
        return std::nullopt;
    QString reason;
    if (!document->write(path, {}, &reason)) {
        if (error)
            *error = tr("The file “%1” could not be saved: %2")
                         .arg(QFileInfo(path).fileName(),
                              reason.isEmpty() ? tr("unknown error") : reason);
        return std::nullopt;
    }
    return path;
}
