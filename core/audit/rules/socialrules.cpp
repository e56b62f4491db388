#include "core/audit/engine/checks.h"

#include <QStringList>

namespace headwise::audit::checks {

namespace {

const MarkupElement* headMeta(const RuleContext& c, QLatin1String property) {
    for (const MarkupElement& e : c.model.elements)
        if (e.inHead && e.isMetaProperty(property))
            return &e;
    return nullptr;
}

// og:image, or its alias og:image:url, or og:image:secure_url (The Open Graph protocol).
const MarkupElement* headImage(const RuleContext& c) {
    for (const MarkupElement& e : c.model.elements)
        if (e.inHead && isOgImage(e))
            return &e;
    return nullptr;
}

} // namespace

void ogMissing(const RuleContext& c, RawFindings& out) {
    QStringList absent;
    for (const char* property : {"og:title", "og:type", "og:image", "og:url"})
        if (property == QLatin1String("og:image") ? !headImage(c) : !headMeta(c, QLatin1String(property)))
            absent << QLatin1String(property);
    if (!absent.isEmpty())
        out.append({"og-missing",
                    QStringLiteral("Open Graph tags missing: %1").arg(absent.join(QLatin1String(", "))),
                    {}});
}

void ogRelative(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements) {
        if (!e.inHead || !(isOgImage(e) || e.isMetaProperty(QLatin1String("og:url"))))
            continue;
        const QString content = e.attribute(QLatin1String("content")).trimmed();
        if (!isAbsoluteUrl(content)) {
            const QString property = e.hasAttribute(QLatin1String("property"))
                                         ? e.attribute(QLatin1String("property"))
                                         : e.attribute(QLatin1String("name"));
            out.append(
                {"og-relative",
                 QStringLiteral("%1 \"%2\" is not an absolute address").arg(property.trimmed(), content),
                 e.span});
        }
    }
}

void twitterCardInvalid(const RuleContext& c, RawFindings& out) {
    const MarkupElement* e = headMeta(c, QLatin1String("twitter:card"));
    if (!e)
        return;
    const QString card = e->attribute(QLatin1String("content")).trimmed();
    for (const char* known : {"summary", "summary_large_image", "app", "player"})
        if (card == QLatin1String(known))
            return;
    out.append(
        {"twitter-card-invalid",
         QStringLiteral("twitter:card \"%1\" is not summary, summary_large_image, app or player").arg(card),
         e->span});
}

} // namespace headwise::audit::checks
