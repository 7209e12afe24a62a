#include "pdf/signatures/ByteRange.h"

namespace pdf {

namespace {

bool isHexOrSpace(char ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F') ||
           ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t';
}

} // namespace

QString byteRangeProblem(const QByteArray& file, const ByteRanges& ranges,
                         const QByteArray& contents, bool compareContents) {
    const qint64 size = file.size();
    qint64 covered = 0;
    for (const auto& [offset, length] : ranges) {
        if (offset < 0 || length < 0)
            return "its byte range holds negative numbers";
        if (offset > size || length > size - offset)
            return "its byte range points past the end of the file";
        covered += length;
    }
    if (covered == 0)
        return "its byte range covers nothing";
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].first < ranges[i - 1].first + ranges[i - 1].second)
            return "its byte range overlaps itself";
    if (ranges.size() != 2 || ranges[0].first != 0 || ranges[0].second == 0)
        return "its byte range leaves parts of the file unsigned";

    // The one hole must be the /Contents string, whole: '<', hex digits, '>'.
    const qint64 holeStart = ranges[0].second;
    const qint64 holeEnd = ranges[1].first; // just after the hole
    if (holeStart >= holeEnd || holeStart >= size)
        return "its byte range does not leave out its contents";
    if (file[holeStart] != '<')
        return "its byte range leaves parts of the file unsigned";
    qint64 close = holeStart + 1;
    while (close < size && isHexOrSpace(file[close]))
        ++close;
    if (close >= size || file[close] != '>')
        return "its byte range leaves parts of the file unsigned";
    if (close + 1 > holeEnd)
        return "its contents are larger than the hole its byte range leaves";
    if (close + 1 < holeEnd)
        return "its byte range leaves parts of the file unsigned";
    if (compareContents &&
        QByteArray::fromHex(file.mid(holeStart + 1, close - holeStart - 1)) != contents)
        return "its byte range leaves out something other than its contents";
    return {};
}

} // namespace pdf
