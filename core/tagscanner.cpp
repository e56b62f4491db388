#include "tagscanner.h"

#include "appinfo.h"

#include <iterator>

namespace headwise {
namespace {

struct ScannerRow {
    ScannedTag tag;
    const char* metaName; // nullptr for the title
    const char* missing;
};

constexpr ScannerRow kScanners[] = {
    {ScannedTag::Title, nullptr, "Missing Title or incorrect syntax"},
    {ScannedTag::Keywords, "Keywords", "Missing Keyword Tag or incorrect syntax"},
    {ScannedTag::Description, "Description", "Missing Description Tag or incorrect syntax"},
    {ScannedTag::Robots, "Robots", "Missing Robots Tag or incorrect syntax"},
    {ScannedTag::Rating, "Rating", "Missing Rating Tag or incorrect syntax"},
    {ScannedTag::Revisit, "Revisit", "Missing Revisit Tag or incorrect syntax"},
};

constexpr bool tableFollowsEnum()
{
    for (int i = 0; i < int(std::size(kScanners)); ++i)
        if (static_cast<int>(kScanners[i].tag) != i)
            return false;
    return true;
}
static_assert(tableFollowsEnum() && std::size(kScanners) == kReportOrder.size());

const ScannerRow& rowFor(ScannedTag tag) { return kScanners[static_cast<int>(tag)]; }

// Case-insensitive search for a marker that begins with '<': the fast exact
// search for '<' finds the candidates and only those are compared.
qsizetype findMarker(const QString& page, const QString& marker, qsizetype from)
{
    Q_ASSERT(!marker.isEmpty() && marker.front() == QLatin1Char('<'));
    const QStringView view(page);
    const QStringView rest = QStringView(marker).mid(1);
    for (qsizetype at = view.indexOf(QLatin1Char('<'), from); at >= 0;
         at = view.indexOf(QLatin1Char('<'), at + 1)) {
        if (view.mid(at + 1, rest.size()).compare(rest, Qt::CaseInsensitive) == 0)
            return at;
    }
    return -1;
}

const QString kTitleOpen = QStringLiteral("<title>");
const QString kTitleClose = QStringLiteral("</title>");
const QString kMetaOpen = QStringLiteral("<meta");
const QString kTagClose = QStringLiteral(">");

} // namespace

QString openingMarker(ScannedTag tag)
{
    const ScannerRow& row = rowFor(tag);
    if (!row.metaName)
        return kTitleOpen;
    return QStringLiteral("<META NAME=\"") + QLatin1String(row.metaName) + QStringLiteral("\" Content=");
}

QString missingMessage(ScannedTag tag) { return QString::fromLatin1(rowFor(tag).missing); }

MetaTagListing ListMetaTags(const QString& page)
{
    MetaTagListing listing;
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = findMarker(page, kMetaOpen, from);
        if (start < 0)
            return listing;
        const qsizetype end = page.indexOf(kTagClose, start);
        if (end < 0) {
            listing.failed = true;
            return listing;
        }
        listing.script += QStringView(page).mid(start, end - start + 1);
        listing.script += kCrLf;
        from = end;
    }
}

ScanResult ScanTag(ScannedTag tag, const QString& page)
{
    const bool isTitle = tag == ScannedTag::Title;
    const QString open = openingMarker(tag);
    const QString& close = isTitle ? kTitleClose : kTagClose;
    ScanResult result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = findMarker(page, open, from);
        if (start < 0)
            return result;
        const qsizetype end = isTitle ? findMarker(page, close, start) : page.indexOf(close, start);
        if (end < 0) {
            result.failed = true;
            return result;
        }
        from = end;
        const QStringView piece = QStringView(page).mid(start, end - start + close.size());
        if (isTitle) {
            result.boxText = piece.toString();
        } else {
            result.boxText += piece;
            result.boxText += kCrLf;
        }
        ++result.count;
    }
}

bool reportsMissing(const QString& counterText) { return counterText.compare(QLatin1String("0")) <= 0; }

qsizetype insertionPoint(const QString& page)
{
    static const QString head = QStringLiteral("<head>");
    const qsizetype at = findMarker(page, head, 0);
    return at < 0 ? 0 : at + head.size();
}

QString insertScanText(const QStringList& metaBoxTexts) { return kCrLf + metaBoxTexts.join(QString()); }

QString removeMetaBlock(const QString& page, const QString& script)
{
    if (script.isEmpty())
        return page;
    QString result = page;
    result.remove(script, Qt::CaseSensitive);
    return result;
}

} // namespace headwise
