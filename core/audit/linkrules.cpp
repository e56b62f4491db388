// Canonical and hreflang links. The canonical checks follow Lighthouse's
// canonical audit: links in the body are ignored, an empty href is skipped,
// and the page's own address is the base for resolving and comparing.

#include "checks.h"

#include <QLocale>
#include <QSet>
#include <QStringList>
#include <QUrl>

namespace headwise::audit::checks {

namespace {

struct Canonicals {
    QList<const MarkupElement*> invalid, relative;
    QList<QPair<QString, const MarkupElement*>> unique; // resolved address, first link naming it
    QSet<QString> hreflangAddresses;
};

QUrl pageUrl(const RuleContext& c) {
    return QUrl(c.input.address);
}

QString resolved(const RuleContext& c, const QString& href) {
    return pageUrl(c).resolved(QUrl(href.trimmed())).toString(QUrl::FullyEncoded);
}

bool isInvalidAddress(const QString& href) {
    const QUrl url(href.trimmed(), QUrl::StrictMode);
    if (!url.isValid())
        return true;
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && url.host().isEmpty();
}

Canonicals collectCanonicals(const RuleContext& c) {
    Canonicals out;
    for (const MarkupElement& e : c.model.elements) {
        if (!e.inHead)
            continue;
        const QString href = e.attribute(QLatin1String("href")).trimmed();
        if (href.isEmpty())
            continue;
        if (e.hasRel(QLatin1String("canonical"))) {
            if (isInvalidAddress(href)) {
                out.invalid.append(&e);
            } else if (QUrl(href).isRelative()) {
                out.relative.append(&e);
            } else {
                const QString address = resolved(c, href);
                bool seen = false;
                for (const auto& [known, link] : out.unique)
                    seen = seen || known == address;
                if (!seen)
                    out.unique.append({address, &e});
            }
        } else if (e.hasRel(QLatin1String("alternate")) &&
                   !e.attribute(QLatin1String("hreflang")).isEmpty()) {
            out.hreflangAddresses.insert(resolved(c, href));
        }
    }
    return out;
}

// Language, optional script and region: "en", "zh-Hant", "en-GB", "es-419", "zh-Hant-TW".
bool isLanguageCode(const QString& code) {
    const QStringList parts = code.split(u'-');
    if (parts.size() > 3)
        return false;
    const QString language = parts[0].toLower();
    if (language.size() < 2 || language.size() > 3 ||
        QLocale::codeToLanguage(language) == QLocale::AnyLanguage)
        return false;
    qsizetype next = 1;
    if (next < parts.size() && parts[next].size() == 4) {
        const QString script = parts[next].left(1).toUpper() + parts[next].mid(1).toLower();
        if (QLocale::codeToScript(script) == QLocale::AnyScript)
            return false;
        ++next;
    }
    if (next < parts.size()) {
        const QString region = parts[next].toUpper();
        if ((region.size() != 2 && region.size() != 3) ||
            QLocale::codeToTerritory(region) == QLocale::AnyTerritory)
            return false;
        ++next;
    }
    return next == parts.size();
}

} // namespace

void canonicalMultiple(const RuleContext& c, RawFindings& out) {
    const Canonicals found = collectCanonicals(c);
    for (qsizetype i = 1; i < found.unique.size(); ++i)
        out.append({"canonical-multiple",
                    QStringLiteral("A second canonical address (%1) conflicts with %2")
                        .arg(found.unique[i].first, found.unique[0].first),
                    found.unique[i].second->span});
}

void canonicalInvalid(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement* e : collectCanonicals(c).invalid)
        out.append({"canonical-invalid",
                    QStringLiteral("The canonical address \"%1\" is not a valid URL")
                        .arg(e->attribute(QLatin1String("href"))),
                    e->span});
}

void canonicalRelative(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement* e : collectCanonicals(c).relative)
        out.append({"canonical-relative",
                    QStringLiteral("The canonical address \"%1\" is not absolute")
                        .arg(e->attribute(QLatin1String("href"))),
                    e->span});
}

void canonicalRoot(const RuleContext& c, RawFindings& out) {
    const Canonicals found = collectCanonicals(c);
    if (found.unique.size() != 1)
        return;
    const QUrl canonical(found.unique[0].first);
    const QUrl page = pageUrl(c);
    const bool sameOrigin = !page.host().isEmpty() && canonical.scheme() == page.scheme() &&
                            canonical.host() == page.host() && canonical.port() == page.port();
    const auto isRoot = [](const QUrl& url) {
        return url.path().isEmpty() || url.path() == QLatin1String("/");
    };
    if (sameOrigin && isRoot(canonical) && !isRoot(page))
        out.append({"canonical-root",
                    QStringLiteral("The canonical address %1 is the site's root, not this page")
                        .arg(found.unique[0].first),
                    found.unique[0].second->span});
}

void canonicalHreflang(const RuleContext& c, RawFindings& out) {
    const Canonicals found = collectCanonicals(c);
    if (found.unique.size() != 1)
        return;
    const QString canonical = found.unique[0].first;
    const QString page = pageUrl(c).toString(QUrl::FullyEncoded);
    if (found.hreflangAddresses.contains(page) && found.hreflangAddresses.contains(canonical) &&
        page != canonical)
        out.append({"canonical-hreflang",
                    QStringLiteral("The canonical address %1 is another language's page").arg(canonical),
                    found.unique[0].second->span});
}

void canonicalOutsideHead(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements)
        if (!e.inHead && e.hasRel(QLatin1String("canonical")))
            out.append({"canonical-outside-head",
                        QStringLiteral("This canonical link is in the body and is ignored"), e.span});
}

void hreflangInvalid(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements) {
        if (!e.inHead || !e.hasRel(QLatin1String("alternate")) || !e.hasAttribute(QLatin1String("hreflang")))
            continue;
        const QString code = e.attribute(QLatin1String("hreflang")).trimmed();
        if (code.compare(QLatin1String("x-default"), Qt::CaseInsensitive) != 0 && !isLanguageCode(code))
            out.append({"hreflang-invalid",
                        QStringLiteral("hreflang \"%1\" is not a language code or x-default").arg(code),
                        e.span});
    }
}

void hreflangRelative(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements) {
        if (!e.inHead || !e.hasRel(QLatin1String("alternate")) || !e.hasAttribute(QLatin1String("hreflang")))
            continue;
        const QString href = e.attribute(QLatin1String("href")).trimmed();
        if (!isAbsoluteUrl(href))
            out.append({"hreflang-relative",
                        QStringLiteral("The hreflang address \"%1\" is not absolute").arg(href), e.span});
    }
}

} // namespace headwise::audit::checks
