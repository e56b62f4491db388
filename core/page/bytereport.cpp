#include "core/page/bytereport.h"

#include "core/page/linebreaks.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace headwise {
namespace {

using Kind = PageCharset::Kind;

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A marker's search over the bytes, giving what the search over the decoded
// text gives: where its window holds a non-ASCII character, that window is
// decoded and compared as the text is, since case folding maps a few such
// characters onto ASCII letters (KELVIN SIGN onto k, LONG S onto s).
class MarkerSearch {
public:
    MarkerSearch(QByteArrayView text, const PageCharset& charset, const QString& marker)
        : m_text(text), m_charset(charset), m_rest(QStringView(marker).mid(1)),
          m_restBytes(m_rest.toLatin1()) {
        Q_ASSERT(!marker.isEmpty() && marker.front() == QLatin1Char('<'));
    }

    qsizetype find(qsizetype from) const {
        const qsizetype size = m_text.size();
        const char* data = m_text.data();
        const char first = m_restBytes.isEmpty() ? 0 : asciiLower(m_restBytes.front());
        while (from < size) {
            const void* hit = std::memchr(data + from, '<', size_t(size - from));
            if (!hit)
                return -1;
            const qsizetype at = static_cast<const char*>(hit) - data;
            from = at + 1;
            if (first && at + 1 < size) {
                const char next = data[at + 1];
                if (static_cast<unsigned char>(next) < 0x80 && asciiLower(next) != first)
                    continue;
            }
            if (matchesAt(at + 1))
                return at;
        }
        return -1;
    }

private:
    bool matchesAt(qsizetype pos) const {
        const qsizetype length = m_restBytes.size();
        for (qsizetype i = 0; i < length; ++i) {
            if (pos + i >= m_text.size())
                return false;
            const char c = m_text[pos + i];
            if (static_cast<unsigned char>(c) >= 0x80)
                return foldedMatch(pos + i, i);
            if (asciiLower(c) != asciiLower(m_restBytes[i]))
                return false;
        }
        return true;
    }

    // The marker's rest from index i against the text from byte pos on.
    bool foldedMatch(qsizetype pos, qsizetype i) const {
        const qsizetype units = m_rest.size() - i;
        // A character takes at most four bytes and gives at least one unit.
        qsizetype end = std::min(m_text.size(), pos + 4 * units);
        if (m_charset.kind == Kind::Utf8)
            while (end < m_text.size() && isUtf8Continuation(m_text[end]))
                ++end;
        const QString window = decodeStretch(m_charset, m_text.sliced(pos, end - pos));
        return QStringView(window).left(units).compare(m_rest.mid(i), Qt::CaseInsensitive) == 0;
    }

    QByteArrayView m_text;
    const PageCharset& m_charset;
    QStringView m_rest;
    QByteArray m_restBytes;
};

// As the text scanners walk: each piece runs from an opening marker through
// the end of the next closing marker, and the next search starts at the
// closing marker. False when an opening marker is never closed.
template <typename Take>
bool forEachPiece(QByteArrayView text, const PageCharset& charset, const QString& open, const QString& close,
                  Take take) {
    const MarkerSearch opening(text, charset, open);
    const bool closeIsMarker = close.size() > 1;
    std::optional<MarkerSearch> closing;
    if (closeIsMarker)
        closing.emplace(text, charset, close);
    const char closeChar = close.front().toLatin1();
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = opening.find(from);
        if (start < 0)
            return true;
        qsizetype end = -1;
        if (closeIsMarker) {
            end = closing->find(start);
        } else {
            const void* hit = std::memchr(text.data() + start, closeChar, size_t(text.size() - start));
            end = hit ? static_cast<const char*>(hit) - text.data() : -1;
        }
        if (end < 0)
            return false;
        take(text.sliced(start, end - start + close.size()));
        from = end;
    }
}

// Pieces start with '<' and end with '>', so they are whole characters and
// their line breaks convert alone as they do within the page.
QString pieceText(const PageCharset& charset, QByteArrayView bytes) {
    return toCrLf(decodeStretch(charset, bytes));
}

} // namespace

BytePage::BytePage(QByteArray bytes, const QByteArray& declaredCharset)
    : m_bytes(std::move(bytes)), m_charset(choosePageCharset(m_bytes, declaredCharset)) {
    if (m_charset.kind == Kind::Other)
        m_text = toCrLf(m_charset.text);
}

QByteArrayView BytePage::textBytes() const {
    return QByteArrayView(m_bytes).sliced(m_charset.textStart);
}

bool BytePage::isEmpty() const {
    return m_charset.kind == Kind::Other ? m_text.isEmpty() : textBytes().isEmpty();
}

bool BytePage::holdsNul() const {
    return m_charset.kind == Kind::Other ? m_text.contains(QChar(0)) : textBytes().contains('\0');
}

PageReport BytePage::report() const {
    if (m_charset.kind == Kind::Other)
        return reportPage(m_text);
    const QByteArrayView text = textBytes();
    const QByteArray crlf("\r\n");
    // The pieces are gathered as bytes and decoded once.
    QByteArray listed;
    // Untouched capacity costs no memory; growing by copies would.
    listed.reserve(text.size());
    MetaTagListing listing;
    listing.failed = !forEachPiece(text, m_charset, metaListingMarker(), QStringLiteral(">"),
                                   [&](QByteArrayView piece) { listed.append(piece).append(crlf); });
    listing.script = pieceText(m_charset, listed);
    return reportScans(std::move(listing), [&](ScannedTag tag) {
        // The title keeps its last piece alone, the others all, each with CR LF.
        const bool isTitle = tag == ScannedTag::Title;
        ScanResult scan;
        QByteArrayView last;
        listed.clear();
        scan.failed =
            !forEachPiece(text, m_charset, openingMarker(tag), closingMarker(tag), [&](QByteArrayView piece) {
                if (isTitle)
                    last = piece;
                else
                    listed.append(piece).append(crlf);
                ++scan.count;
            });
        scan.boxText = pieceText(m_charset, isTitle ? last : QByteArrayView(listed));
        return scan;
    });
}

} // namespace headwise
