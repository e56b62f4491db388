#include "core/audit/rules/social.h"

#include "core/audit/engine/rulecontext.h"
#include "core/audit/fix/fixcontext.h"

#include <QStringList>

namespace headwise::audit {

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

void ogMissing(const RuleContext& c, RawFindings& out) {
    QStringList absent;
    for (const char* property : {"og:title", "og:type", "og:image", "og:url"})
        if (property == QLatin1String("og:image") ? !headImage(c) : !headMeta(c, QLatin1String(property)))
            absent << QLatin1String(property);
    if (!absent.isEmpty())
        out.append({ruleid::kOgMissing,
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
                {ruleid::kOgRelative,
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
        {ruleid::kTwitterCardInvalid,
         QStringLiteral("twitter:card \"%1\" is not summary, summary_large_image, app or player").arg(card),
         e->span});
}

std::optional<PageFix> fixOgRelative(const FixContext& page, qsizetype i) {
    const MarkupElement* e = page.element(i);
    const QString property =
        e ? (e->hasAttribute(QLatin1String("property")) ? e->attribute(QLatin1String("property"))
                                                        : e->attribute(QLatin1String("name")))
                .trimmed()
          : QString();
    return madeAbsolute(page, i, QLatin1String("content"), property);
}

} // namespace

QList<Rule> socialRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kOgMissing,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "One of og:title, og:type, og:image, og:url is missing.",
            .help = "Social sites build the preview of a shared link from these four Open Graph tags; "
                    "without them "
                    "the preview is made up or empty (The Open Graph protocol, basic metadata; og:image:url "
                    "is an "
                    "alias of og:image).",
            .sources = {{"The Open Graph protocol: Basic metadata", "https://ogp.me/#metadata"},
                        {"The Open Graph protocol: Structured properties", "https://ogp.me/#structured"}},
            .check = ogMissing,
        },
        {
            .id = ruleid::kOgRelative,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "og:image or og:url is not an absolute URL.",
            .help = "Social sites do not resolve relative addresses in Open Graph tags; the image or link is "
                    "lost. "
                    "Write full addresses.",
            .sources = {{"The Open Graph protocol: Basic metadata", "https://ogp.me/#metadata"},
                        {"The Open Graph protocol: Structured properties", "https://ogp.me/#structured"}},
            .check = ogRelative,
            .fix = fixOgRelative,
            .fixHelp = "With the page's address (--base-url, or a fetched page's own): the address is made "
                       "absolute.",
        },
        {
            .id = ruleid::kTwitterCardInvalid,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "twitter:card is not summary, summary_large_image, app or player.",
            .help = "An unknown card type is ignored and the shared link gets no card.",
            .sources = {{"X Developer Platform: Cards markup tag reference",
                         "https://developer.x.com/en/docs/x-for-websites/cards/overview/markup"},
                        {"X Developer Platform: About X Cards",
                         "https://developer.x.com/en/docs/x-for-websites/cards/overview/abouts-cards"}},
            .check = twitterCardInvalid,
        },
    };
}

} // namespace headwise::audit
