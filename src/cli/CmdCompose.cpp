// vellumark-cli compose: composed pages from a JSON description, drawn by the same
// service and laid out by the same rules as the creation sheet.
#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "cli/CliCommand.h"
#include "cli/CliSupport.h"
#include "models/PageComposition.h"
#include "utilities/PDFCreationService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>
#include <stdexcept>

namespace {

struct DescriptionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const QString& where, const QString& message) {
    throw DescriptionError((where + ": " + message).toStdString());
}

std::optional<double> number(const QJsonObject& object, const char* key, const QString& where) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isDouble())
        fail(where, QString("\"%1\" must be a number").arg(key));
    return value.toDouble();
}

// Either all four of x, y, width, height, or none (then the sheet's layout applies).
std::optional<std::pair<QPointF, QSizeF>> geometry(const QJsonObject& object,
                                                   const QString& where) {
    const auto x = number(object, "x", where), y = number(object, "y", where);
    const auto w = number(object, "width", where), h = number(object, "height", where);
    const int given = int(bool(x)) + int(bool(y)) + int(bool(w)) + int(bool(h));
    if (given == 0)
        return std::nullopt;
    if (given != 4)
        fail(where, "give all of \"x\", \"y\", \"width\" and \"height\", or none of them");
    if (!(*w > 0) || !(*h > 0))
        fail(where, "\"width\" and \"height\" must be positive");
    return std::make_pair(QPointF(*x, *y), QSizeF(*w, *h));
}

PDFPageContent readPage(const QJsonValue& value, int pageNumber, const QDir& base) {
    const QString where = QString("page %1").arg(pageNumber);
    if (!value.isObject())
        fail(where, "must be an object");
    const QJsonObject object = value.toObject();

    PDFPageContent page(PageTemplate::blank, PageSize::a4);
    const QString sizeName = object.value("size").toString("a4");
    const auto size = pageSizeFromRawValue(sizeName);
    if (!size)
        fail(where, QString("unknown size \"%1\" (a4, letter, legal, custom)").arg(sizeName));
    page.pageSize = *size;
    const QString templateName = object.value("template").toString("blank");
    const auto pageTemplate = pageTemplateFromRawValue(templateName);
    if (!pageTemplate)
        fail(where,
             QString("unknown template \"%1\" (blank, lined, grid, dotGrid)").arg(templateName));
    page.pageTemplate = *pageTemplate;
    for (const char* key : {"width", "height"}) {
        const auto length = number(object, key, where);
        if (length && !(*length > 0 && *length <= 14400))
            fail(where, QString("\"%1\" must be between 0 and 14400 points").arg(key));
        (QByteArray(key) == "width" ? page.customWidth : page.customHeight) = length;
    }

    // Blocks without geometry are placed by the rules the creation sheet follows.

    const QJsonArray texts = object.value("textBlocks").toArray();
    for (int i = 0; i < texts.size(); ++i) {
        const QString at = QString("%1, text block %2").arg(where).arg(i + 1);
        if (!texts[i].isObject())
            fail(at, "must be an object");
        const QJsonObject block = texts[i].toObject();
        if (!block.value("text").isString())
            fail(at, "\"text\" must be a string");
        const double fontSize = number(block, "fontSize", at).value_or(14);
        if (!(fontSize > 0))
            fail(at, "\"fontSize\" must be positive");
        TextBlock added = placedTextBlock(page, block.value("text").toString(), fontSize);
        added.fontName = block.value("fontName").toString(added.fontName);
        if (const auto rect = geometry(block, at)) {
            added.position = rect->first;
            added.size = rect->second;
        }
        page.textBlocks.append(added);
    }

    const QJsonArray images = object.value("imageBlocks").toArray();
    for (int i = 0; i < images.size(); ++i) {
        const QString at = QString("%1, image block %2").arg(where).arg(i + 1);
        if (!images[i].isObject())
            fail(at, "must be an object");
        const QJsonObject block = images[i].toObject();
        const QString path = base.absoluteFilePath(block.value("path").toString());
        if (block.value("path").toString().isEmpty())
            fail(at, "\"path\" names no file");
        QFile file(path);
        if (const QString why = base::unreadableReason(path); !why.isEmpty())
            fail(at, QString("cannot read %1: %2").arg(path, why));
        if (!file.open(QIODevice::ReadOnly))
            fail(at, QString("cannot read %1: %2").arg(path, file.errorString()));
        const QByteArray bytes = file.readAll();
        auto added = placedImageBlock(page, bytes);
        if (!added)
            fail(at, QString("%1 is not an image that can be decoded").arg(path));
        if (const auto rect = geometry(block, at)) {
            added->position = rect->first;
            added->size = rect->second;
        }
        page.imageBlocks.append(*added);
    }
    return page;
}

QList<PDFPageContent> readDescription(const QString& path) {
    QFile file(path);
    if (const QString why = base::unreadableReason(path); !why.isEmpty())
        throw DescriptionError(QString("%1: %2").arg(path, why).toStdString());
    if (!file.open(QIODevice::ReadOnly))
        throw DescriptionError(
            QString("cannot read %1: %2").arg(path, file.errorString()).toStdString());
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw DescriptionError(QString("%1 is not valid JSON: %2 at offset %3")
                                   .arg(path, parseError.errorString())
                                   .arg(parseError.offset)
                                   .toStdString());
    // A bare list of pages, or an object holding one under "pages".
    const QJsonArray list = json.isArray() ? json.array() : json.object().value("pages").toArray();
    if (list.isEmpty())
        throw DescriptionError(QString("%1 describes no pages").arg(path).toStdString());
    const QDir base = QFileInfo(path).absoluteDir();
    QList<PDFPageContent> pages;
    for (int i = 0; i < list.size(); ++i)
        pages.append(readPage(list[i], i + 1, base));
    return pages;
}

int run(const cli::Args& args) {
    const QString input = args.positionals()[0];
    const QString output = args.text("--output");
    if (!cli::outputAllowed(output))
        return 1;
    try {
        const QList<PDFPageContent> pages = readDescription(input);
        const pdf::DocumentPtr document = PDFCreationService::createDocument(pages);
        QString reason;
        if (!document->write(output, {}, &reason))
            return cli::failure(base::couldNotBeWritten(output, reason));
        if (args.json())
            return cli::reportWritten(args, "compose",
                                      {cli::writtenFile(output, document->pageCount())});
        cli::out(QString("%1: %2 page%3\n")
                     .arg(output)
                     .arg(pages.size())
                     .arg(pages.size() == 1 ? "" : "s"));
        return 0;
    } catch (const std::exception& error) {
        return cli::failure(QString::fromUtf8(error.what()));
    }
}

const cli::Registrar registrar({
    .name = "compose",
    .summary = "Compose a new PDF from a JSON description of pages",
    .description =
        "DESCRIPTION.json lists pages: "
        "their size (a4, letter, legal, custom with width and height), "
        "background (blank, lined, grid, dotGrid), "
        "text blocks and image blocks (image files relative to the description). "
        "The README describes the format.\n\n"
        "The pages are drawn by the rules of the application's \"New Document\" sheet "
        "and written through a temporary file, so a failed run leaves no partial file. "
        "An unknown size or template, an unreadable image or malformed JSON stops the command "
        "with exit status 1 and a message naming the page and block.",
    .arguments = {{.name = "DESCRIPTION.json", .help = "the pages to draw"}},
    .options = {cli::outputOption("OUT.pdf", "the PDF file to write")},
    .json = "{\n"
            "  \"command\": \"compose\",\n"
            "  \"files\": [{\"path\": OUT.pdf, \"bytes\": N, \"pages\": N}]\n"
            "}",
    .run = run,
});

} // namespace
