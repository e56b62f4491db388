#include "core/site/pagelinks.h"

#include <QSet>
#include <algorithm>
#include <optional>

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

// The attributes a reference is read from; the first of two same-named
// attributes is the one that counts.
struct TagAttributes {
    std::optional<QString> href, src, rel;
};

// Reads the attributes of the tag whose name ends at `pos`, up to its ">";
// returns where the scan goes on. A tag the text ends inside is no tag, as in
// a browser: nothing is read from it.
qsizetype readAttributes(QStringView text, qsizetype pos, TagAttributes& out) {
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
        std::optional<QString>* slot = name.compare(u"href", Qt::CaseInsensitive) == 0  ? &out.href
                                       : name.compare(u"src", Qt::CaseInsensitive) == 0 ? &out.src
                                       : name.compare(u"rel", Qt::CaseInsensitive) == 0 ? &out.rel
                                                                                        : nullptr;
        if (slot && !*slot)
            *slot = decodeReferences(text.sliced(valueStart, valueEnd - valueStart).trimmed());
    }
    if (pos >= n)
        out = {};
    return pos;
}

bool hasWord(const QString& list, QLatin1StringView word) {
    for (const QStringView token : QStringView(list).tokenize(u' ', Qt::SkipEmptyParts))
        if (token.trimmed().compare(word, Qt::CaseInsensitive) == 0)
            return true;
    return false;
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

PageReferences pageReferences(const QString& pageText) {
    const QStringView text(pageText);
    const qsizetype n = text.size();
    PageReferences found;
    qsizetype pos = 0;
    while ((pos = text.indexOf(u'<', pos)) >= 0) {
        const qsizetype tagStart = pos;
        ++pos;
        // Most tags are none of the few below: their first letter tells.
        const char16_t first = pos < n ? text[pos].toLower().unicode() : u'\0';
        if (first != u'!' && first != u's' && first != u'a' && first != u'i' && first != u'b')
            continue;
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
        static const struct {
            QLatin1StringView name;
            std::optional<PageReference::Kind> kind; // none for <base>
        } kTags[] = {{QLatin1StringView("area"), PageReference::Kind::Area},
                     {QLatin1StringView("a"), PageReference::Kind::Link},
                     {QLatin1StringView("img"), PageReference::Kind::Image},
                     {QLatin1StringView("base"), std::nullopt}};
        const auto* tag = std::find_if(std::begin(kTags), std::end(kTags), [&](const auto& t) {
            const qsizetype end = pos + t.name.size();
            return startsWithWord(text, pos, t.name) &&
                   (end >= n || isSpace(text[end]) || text[end] == u'>' || text[end] == u'/');
        });
        if (tag == std::end(kTags))
            continue;
        TagAttributes attributes;
        pos = readAttributes(text, pos + tag->name.size(), attributes);
        const std::optional<QString>& target =
            tag->kind == PageReference::Kind::Image ? attributes.src : attributes.href;
        if (!target)
            continue;
        if (!tag->kind) {
            if (!found.base)
                found.base = *target;
            continue;
        }
        found.references.append(
            {.target = *target,
             .kind = *tag->kind,
             .nofollow = attributes.rel && hasWord(*attributes.rel, QLatin1StringView("nofollow")),
             .offset = tagStart,
             .length = std::min(pos + 1, n) - tagStart});
    }
    return found;
}

QList<QUrl> sameOriginLinks(const QString& pageText, const QUrl& pageUrl, const QUrl& origin) {
    const PageReferences found = pageReferences(pageText);
    const QUrl resolvedBase = found.base ? pageUrl.resolved(QUrl(*found.base)) : pageUrl;
    QList<QUrl> links;
    QSet<QString> seen;
    for (const PageReference& reference : found.references) {
        if (reference.kind != PageReference::Kind::Link)
            continue;
        const QUrl link = crawlAddress(resolvedBase.resolved(QUrl(reference.target)));
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
