#include "core/site/pagelinks.h"

#include <QSet>

namespace headwise {

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool startsWithWord(QStringView text, qsizetype at, QLatin1StringView word) {
    return text.sliced(at).startsWith(word, Qt::CaseInsensitive);
}

// The few character references that turn up in addresses ("&amp;" above all).
QString decodeReferences(QStringView value) {
    if (!value.contains(u'&'))
        return value.toString();
    static const std::pair<QLatin1StringView, QChar> named[] = {
        {QLatin1StringView("amp;"), u'&'},   {QLatin1StringView("quot;"), u'"'},
        {QLatin1StringView("apos;"), u'\''}, {QLatin1StringView("lt;"), u'<'},
        {QLatin1StringView("gt;"), u'>'},
    };
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'&') {
            out.append(value[i]);
            continue;
        }
        const QStringView rest = value.sliced(i + 1);
        bool done = false;
        for (const auto& [name, character] : named) {
            if (rest.startsWith(name)) {
                out.append(character);
                i += name.size();
                done = true;
                break;
            }
        }
        if (!done && rest.startsWith(u'#')) {
            const bool hex = rest.size() > 1 && (rest[1] == u'x' || rest[1] == u'X');
            qsizetype end = hex ? 2 : 1;
            while (end < rest.size() && end < 10 &&
                   (hex ? rest[end].isLetterOrNumber() : rest[end].isDigit()))
                ++end;
            bool ok = false;
            const uint code = rest.sliced(hex ? 2 : 1, end - (hex ? 2 : 1)).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF) {
                out.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1));
                i += end + (end < rest.size() && rest[end] == u';' ? 1 : 0);
                done = true;
            }
        }
        if (!done)
            out.append(u'&');
    }
    return out;
}

// Reads the attributes of the tag whose name ends at `pos`, up to its ">";
// returns where the scan goes on and the href value, if there is one. A tag
// the text ends inside is no tag, as in a browser.
qsizetype readHref(QStringView text, qsizetype pos, std::optional<QString>& href) {
    const qsizetype n = text.size();
    while (pos < n && text[pos] != u'>') {
        if (isSpace(text[pos]) || text[pos] == u'/') {
            ++pos;
            continue;
        }
        const qsizetype nameStart = pos;
        while (pos < n && !isSpace(text[pos]) && text[pos] != u'/' && text[pos] != u'>' && text[pos] != u'=')
            ++pos;
        const QStringView name = text.sliced(nameStart, pos - nameStart);
        while (pos < n && isSpace(text[pos]))
            ++pos;
        if (pos >= n || text[pos] != u'=')
            continue;
        ++pos;
        while (pos < n && isSpace(text[pos]))
            ++pos;
        qsizetype valueStart = pos;
        qsizetype valueEnd = pos;
        if (pos < n && (text[pos] == u'"' || text[pos] == u'\'')) {
            const QChar quote = text[pos];
            valueStart = pos + 1;
            const qsizetype close = text.indexOf(quote, valueStart);
            valueEnd = close < 0 ? n : close;
            pos = close < 0 ? n : close + 1;
        } else {
            while (pos < n && !isSpace(text[pos]) && text[pos] != u'>')
                ++pos;
            valueEnd = pos;
        }
        // The first of two same-named attributes is the one that counts.
        if (!href && name.compare(u"href", Qt::CaseInsensitive) == 0)
            href = decodeReferences(text.sliced(valueStart, valueEnd - valueStart).trimmed());
    }
    if (pos >= n)
        href.reset();
    return pos;
}

} // namespace

QUrl crawlAddress(const QUrl& url) {
    QUrl address = url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
    if (address.path().isEmpty())
        address.setPath(QStringLiteral("/"));
    const QString scheme = address.scheme().toLower();
    if ((scheme == QLatin1String("http") && address.port() == 80) ||
        (scheme == QLatin1String("https") && address.port() == 443))
        address.setPort(-1);
    return address;
}

bool sameOrigin(const QUrl& a, const QUrl& b) {
    const QString scheme = a.scheme().toLower();
    const int defaultPort = scheme == QLatin1String("https") ? 443 : 80;
    return scheme == b.scheme().toLower() && a.host() == b.host() && !a.host().isEmpty() &&
           a.port(defaultPort) == b.port(defaultPort);
}

QList<QUrl> sameOriginLinks(const QString& pageText, const QUrl& pageUrl, const QUrl& origin) {
    const QStringView text(pageText);
    const qsizetype n = text.size();
    QStringList hrefs;
    std::optional<QString> base;
    qsizetype pos = 0;
    while ((pos = text.indexOf(u'<', pos)) >= 0) {
        ++pos;
        if (startsWithWord(text, pos, QLatin1StringView("!--"))) {
            const qsizetype end = text.indexOf(QLatin1StringView("-->"), pos + 3);
            pos = end < 0 ? n : end + 3;
            continue;
        }
        // Script and style text is not markup: an "<a" inside it is no link.
        bool skipped = false;
        for (const QLatin1StringView raw : {QLatin1StringView("script"), QLatin1StringView("style")}) {
            const qsizetype after = pos + raw.size();
            if (startsWithWord(text, pos, raw) &&
                (after >= n || isSpace(text[after]) || text[after] == u'>' || text[after] == u'/')) {
                const qsizetype close =
                    text.indexOf(QString(QLatin1StringView("</") + raw), after, Qt::CaseInsensitive);
                pos = close < 0 ? n : close + 2;
                skipped = true;
                break;
            }
        }
        if (skipped)
            continue;
        const bool isLink = startsWithWord(text, pos, QLatin1StringView("a"));
        const bool isBase = startsWithWord(text, pos, QLatin1StringView("base"));
        const qsizetype nameEnd = pos + (isLink ? 1 : 4);
        if ((!isLink && !isBase) ||
            (nameEnd < n && !isSpace(text[nameEnd]) && text[nameEnd] != u'>' && text[nameEnd] != u'/'))
            continue;
        std::optional<QString> href;
        pos = readHref(text, nameEnd, href);
        if (!href)
            continue;
        if (isLink)
            hrefs.append(*href);
        else if (!base)
            base = *href;
    }

    const QUrl resolvedBase = base ? pageUrl.resolved(QUrl(*base)) : pageUrl;
    QList<QUrl> links;
    QSet<QString> seen;
    for (const QString& href : std::as_const(hrefs)) {
        const QUrl link = crawlAddress(resolvedBase.resolved(QUrl(href)));
        if (!link.isValid() || !sameOrigin(link, origin))
            continue;
        if (!seen.contains(link.toString(QUrl::FullyEncoded))) {
            seen.insert(link.toString(QUrl::FullyEncoded));
            links.append(link);
        }
    }
    return links;
}

} // namespace headwise
