#include "support/AnnotationReadBack.h"

#include "support/PdfFixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace fixtures {

namespace {

QJsonValue deref(const QJsonObject& objects, const QJsonValue& v) {
    if (v.isString() && v.toString().endsWith(" R"))
        return objects.value("obj:" + v.toString()).toObject().value("value");
    return v;
}

} // namespace

std::vector<QJsonObject> annotationsInFile(const QString& path, int page) {
    const QByteArray json =
        runTool("qpdf", {"--json", "--json-key=pages", "--json-key=qpdf", path});
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonArray qpdf = root.value("qpdf").toArray();
    const QJsonObject objects = qpdf.size() > 1 ? qpdf.at(1).toObject() : QJsonObject();
    const QJsonArray pages = root.value("pages").toArray();
    std::vector<QJsonObject> result;
    if (page < 1 || page > pages.size())
        return result;
    const QJsonObject pageDict =
        deref(objects, pages.at(page - 1).toObject().value("object")).toObject();
    for (const QJsonValue a : deref(objects, pageDict.value("/Annots")).toArray()) {
        QJsonObject annot = deref(objects, a).toObject();
        for (auto it = annot.begin(); it != annot.end(); ++it)
            it.value() = deref(objects, it.value());
        result.push_back(annot);
    }
    return result;
}

std::vector<double> numbersOf(const QJsonValue& value) {
    std::vector<double> numbers;
    for (const QJsonValue v : value.toArray())
        numbers.push_back(v.toDouble());
    return numbers;
}

QRectF rectOf(const QJsonValue& value) {
    const std::vector<double> n = numbersOf(value);
    if (n.size() != 4)
        return {};
    return QRectF(QPointF(n[0], n[1]), QPointF(n[2], n[3])).normalized();
}

QString stringOf(const QJsonValue& value) {
    const QString s = value.toString();
    if (s.startsWith("u:"))
        return s.mid(2);
    if (s.startsWith("b:"))
        return QString::fromLatin1(QByteArray::fromHex(s.mid(2).toLatin1()));
    return s;
}

void typeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

QImage pdftoppmPage(const QString& path, int page, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath("page");
    const QString n = QString::number(page);
    int code = -1;
    runTool("pdftoppm",
            {"-png", "-r", QString::number(dpi), "-f", n, "-l", n, "-singlefile", path, prefix},
            &code);
    if (code != 0)
        return {};
    return QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
}

} // namespace fixtures
