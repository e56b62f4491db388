// Every piece the scanner reports starts with its opening marker, ends with its
// closing marker and stands in the page; insertion never leaves the page.

#include "core/page/tagscanner.h"
#include "require.h"

using namespace headwise;

// A piece holds no ">" before its end but may span lines, so ">" CR LF ends each one.
static QStringList pieces(const QString& listed) {
    QStringList list = listed.split(QStringLiteral(">\r\n"));
    require(list.last().isEmpty());
    list.removeLast();
    for (QString& piece : list)
        piece += QLatin1Char('>');
    return list;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString page = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const MetaTagListing listing = listMetaTags(page);
    for (const QString& piece : pieces(listing.script)) {
        require(piece.startsWith(QLatin1String("<meta"), Qt::CaseInsensitive));
        require(piece.endsWith(QLatin1Char('>')));
        require(page.contains(piece));
    }
    for (ScannedTag tag : kReportOrder) {
        const ScanResult scan = scanTag(tag, page);
        const QString closing = tag == ScannedTag::Title ? QStringLiteral("</title>") : QStringLiteral(">");
        const QStringList found = tag == ScannedTag::Title
                                      ? (scan.count ? QStringList{scan.boxText} : QStringList{})
                                      : pieces(scan.boxText);
        require(tag == ScannedTag::Title || found.size() == scan.count);
        for (const QString& piece : found) {
            require(piece.startsWith(openingMarker(tag), Qt::CaseInsensitive));
            require(piece.endsWith(closing, Qt::CaseInsensitive));
            require(page.contains(piece));
        }
        require(reportsMissing(QString::number(scan.count)) == (scan.count == 0));
    }
    const qsizetype at = insertionPoint(page);
    require(at >= 0 && at <= page.size());
    require(at == 0 || page[at - 1] == u'>'); // after "<head>" or after a tag that follows it
    require(removeMetaBlock(page, listing.script).size() <= page.size());
    return 0;
}
