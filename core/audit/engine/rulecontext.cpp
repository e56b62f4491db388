#include "core/audit/engine/rulecontext.h"

#include "core/web/weburl.h"

#include <algorithm>

namespace headwise::audit {

QString collapseWhitespace(QStringView text) {
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f') {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty())
            out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

qsizetype codePointCount(QStringView text) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++n;
    return n;
}

bool isOgImage(const MarkupElement& e) {
    return e.isMetaProperty(QLatin1String("og:image")) || e.isMetaProperty(QLatin1String("og:image:url")) ||
           e.isMetaProperty(QLatin1String("og:image:secure_url"));
}

bool isAbsoluteUrl(const QString& address) {
    if (web::writtenAsParsed(address)) // as most are: nothing to parse
        return true;
    const web::WebUrl url = web::parseWebUrl(address);
    return url.valid && !url.host.isEmpty();
}

QString lead(const LinkRef& link) {
    return link.fromHeader ? link.source + QStringLiteral(": ") : QString();
}

RawFinding about(const char* rule, const LinkRef& link, const QString& message, bool note) {
    return {rule, lead(link) + message, link.span, link.source, note};
}

} // namespace headwise::audit
