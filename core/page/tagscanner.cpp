#include "core/page/tagscanner.h"

#include "core/page/linebreaks.h"

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

constexpr bool tableFollowsEnum() {
    for (int i = 0; i < int(std::size(kScanners)); ++i)
        if (static_cast<int>(kScanners[i].tag) != i)
            return false;
    return true;
}
static_assert(tableFollowsEnum() && std::size(kScanners) == kReportOrder.size());

const ScannerRow& rowFor(ScannedTag tag) {
    return kScanners[static_cast<int>(tag)];
}

// Case-insensitive search for a marker that begins with '<': the fast exact
// search for '<' finds the candidates and only those are compared.
qsizetype findMarker(const QString& page, const QString& marker, qsizetype from) {
    Q_ASSERT(!marker.isEmpty() && marker.front() == QLatin1Char('<'));
    const QStringView view(page);
    const QStringView rest = QStringView(marker).mid(1);
    // Most '<' open some other tag: an ASCII second character that matches in
    // neither case rules the place out without the full comparison.
    const char16_t lower = rest.isEmpty() ? 0 : rest.front().toLower().unicode();
    const char16_t upper = rest.isEmpty() ? 0 : rest.front().toUpper().unicode();
    const qsizetype size = view.size();
    for (qsizetype at = view.indexOf(QLatin1Char('<'), from); at >= 0;
         at = view.indexOf(QLatin1Char('<'), at + 1)) {
        if (!rest.isEmpty() && at + 1 < size) {
            const char16_t next = view[at + 1].unicode();
            if (next < 0x80 && next != lower && next != upper)
                continue;
        }
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

QString openingMarker(ScannedTag tag) {
    const ScannerRow& row = rowFor(tag);
    if (!row.metaName)
        return kTitleOpen;
    return QStringLiteral("<META NAME=\"") + QLatin1String(row.metaName) + QStringLiteral("\" Content=");
}

QString closingMarker(ScannedTag tag) {
    return rowFor(tag).metaName ? kTagClose : kTitleClose;
}

QString metaListingMarker() {
    return kMetaOpen;
}

QString missingMessage(ScannedTag tag) {
    return QString::fromLatin1(rowFor(tag).missing);
}

QString tagName(ScannedTag tag) {
    const char* metaName = rowFor(tag).metaName;
    return metaName ? QString::fromLatin1(metaName) : QStringLiteral("Title");
}

namespace {

// Walks the pieces that run from an opening marker through the end of the
// next closing marker, handing each to take(); false when an opening marker
// is never closed. The next search starts at the closing marker.
template <typename Take>
bool forEachPiece(const QString& page, const QString& open, const QString& close, Take take) {
    const bool closeIsMarker = close.size() > 1;
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = findMarker(page, open, from);
        if (start < 0)
            return true;
        const qsizetype end = closeIsMarker ? findMarker(page, close, start) : page.indexOf(close, start);
        if (end < 0)
            return false;
        take(QStringView(page).mid(start, end - start + close.size()));
        from = end;
    }
}

} // namespace

MetaTagListing listMetaTags(const QString& page) {
    MetaTagListing listing;
    listing.failed = !forEachPiece(page, kMetaOpen, kTagClose, [&](QStringView piece) {
        listing.script += piece;
        listing.script += kCrLf;
    });
    return listing;
}

ScanResult scanTag(ScannedTag tag, const QString& page) {
    const bool isTitle = tag == ScannedTag::Title;
    ScanResult result;
    result.failed = !forEachPiece(page, openingMarker(tag), closingMarker(tag), [&](QStringView piece) {
        if (isTitle) {
            result.boxText = piece.toString();
        } else {
            result.boxText += piece;
            result.boxText += kCrLf;
        }
        ++result.count;
    });
    return result;
}

bool reportsMissing(const QString& counterText) {
    return counterText.compare(QLatin1String("0")) <= 0;
}

namespace {

// Blanks and line breaks between tags; U+2029 is how an editor's own text
// holds a line break.
bool isBlankOrBreak(QChar c) {
    switch (c.unicode()) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\r':
    case u'\f':
    case u'\u2029':
        return true;
    default:
        return false;
    }
}

bool isAttributeNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':';
}

// A meta tag that declares the page's charset, "<meta charset=...>" or the
// http-equiv form whose content holds "charset=": an attribute or parameter
// named charset followed by '='.
bool declaresCharset(QStringView tag) {
    static const QString key = QStringLiteral("charset");
    for (qsizetype at = tag.indexOf(key, 0, Qt::CaseInsensitive); at >= 0;
         at = tag.indexOf(key, at + 1, Qt::CaseInsensitive)) {
        if (isAttributeNameChar(tag[at - 1]))
            continue;
        qsizetype i = at + key.size();
        while (i < tag.size() && isBlankOrBreak(tag[i]))
            ++i;
        if (i < tag.size() && tag[i] == u'=')
            return true;
    }
    return false;
}

// The end of a charset declaration that opens at `from`, or -1 when none does.
qsizetype charsetDeclarationEnd(const QString& page, qsizetype from) {
    const QStringView rest = QStringView(page).mid(from);
    if (!rest.startsWith(kMetaOpen, Qt::CaseInsensitive) || rest.size() <= kMetaOpen.size())
        return -1;
    const QChar after = rest[kMetaOpen.size()];
    if (!isBlankOrBreak(after) && after != u'/')
        return -1;
    const qsizetype close = rest.indexOf(kTagClose);
    if (close < 0 || !declaresCharset(rest.first(close)))
        return -1;
    return from + close + kTagClose.size();
}

// Where the first head start tag ends: "<head>", or "<head" with attributes
// (<head prefix="og: ...">), read up to its ">" past quoted values; -1 when
// the page has none. "<header>" is no head tag.
qsizetype headTagEnd(const QString& page) {
    static const QString head = QStringLiteral("<head");
    for (qsizetype at = findMarker(page, head, 0); at >= 0; at = findMarker(page, head, at + 1)) {
        const qsizetype after = at + head.size();
        if (after >= page.size())
            return -1;
        if (page[after] == u'>')
            return after + 1;
        if (!isBlankOrBreak(page[after]) && page[after] != u'/')
            continue;
        QChar quote;
        for (qsizetype i = after; i < page.size(); ++i) {
            const QChar c = page[i];
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'>') {
                return i + 1;
            }
        }
        return -1; // never closed
    }
    return -1;
}

} // namespace

qsizetype insertionPoint(const QString& page) {
    const qsizetype afterHead = headTagEnd(page);
    if (afterHead < 0)
        return 0;
    // Browsers look for the charset only in a page's first 1024 bytes: a
    // declaration that opens the head stays in front of the new tags.
    qsizetype next = afterHead;
    while (next < page.size() && isBlankOrBreak(page[next]))
        ++next;
    const qsizetype declarationEnd = charsetDeclarationEnd(page, next);
    return declarationEnd < 0 ? afterHead : declarationEnd;
}

QString insertScanText(const QStringList& metaBoxTexts) {
    return kCrLf + metaBoxTexts.join(QString());
}

QString removeMetaBlock(const QString& page, const QString& script) {
    if (script.isEmpty())
        return page;
    QString result = page;
    result.remove(script, Qt::CaseSensitive);
    return result;
}

} // namespace headwise
