// The viewport a phone lays the page out in, and the language <html> names.

#include "core/audit/rules/viewportlang.h"

#include "core/audit/engine/rulecontext.h"
#include "core/audit/fix/fixcontext.h"
#include "core/audit/model/tagattributes.h"
#include "core/audit/model/viewport.h"
#include "core/audit/rules/charset.h"
#include "core/web/languagetags.h"

#include <QStringList>

namespace headwise::audit {

namespace {

const QString kViewportTag =
    QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");

QList<const MarkupElement*> viewports(const RuleContext& c) {
    QList<const MarkupElement*> out;
    for (const MarkupElement& e : c.model.elements)
        if (e.inHead && e.isMetaNamed(QLatin1String("viewport")))
            out.append(&e);
    return out;
}

void viewportMissing(const RuleContext& c, RawFindings& out) {
    if (viewports(c).isEmpty())
        out.append({ruleid::kViewportMissing, QStringLiteral("The head has no meta viewport"), {}});
}

void viewportBlocksZoom(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement* e : viewports(c)) {
        for (const auto& [key, value] : viewportProperties(e->attribute(QLatin1String("content")))) {
            if (key == QLatin1String("user-scalable")) {
                if (blocksZoom(key, value))
                    out.append({ruleid::kViewportBlocksZoom,
                                QStringLiteral("user-scalable=%1 stops zooming").arg(value), e->span});
            } else if (key == QLatin1String("maximum-scale")) {
                const std::optional<double> n = viewportNumber(value);
                if (blocksZoom(key, value))
                    out.append({ruleid::kViewportBlocksZoom,
                                QStringLiteral("maximum-scale=%1 keeps the text from being enlarged to twice "
                                               "its size")
                                    .arg(value),
                                e->span});
                else if (n && *n >= 2 && *n < 5)
                    out.append(
                        {ruleid::kViewportBlocksZoom,
                         QStringLiteral("maximum-scale=%1 allows less than five times zoom").arg(value),
                         e->span,
                         {},
                         true});
            }
        }
    }
}

void viewportInvalid(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement* e : viewports(c)) {
        bool sized = false;
        for (const auto& [key, value] : viewportProperties(e->attribute(QLatin1String("content")))) {
            if (key == QLatin1String("width")) {
                sized = true;
            } else if (key == QLatin1String("initial-scale")) {
                sized = true;
                const std::optional<double> n = viewportNumber(value);
                if (n && *n >= 0 && *n < 1)
                    out.append({ruleid::kViewportInvalid,
                                QStringLiteral("initial-scale=%1 shows the page zoomed out").arg(value),
                                e->span});
            }
        }
        if (!sized)
            out.append(
                {ruleid::kViewportInvalid,
                 QStringLiteral("The viewport sets neither width nor initial-scale, so the page does not "
                                "fit the screen"),
                 e->span});
    }
}

void langMissing(const RuleContext& c, RawFindings& out) {
    for (const auto& [name, value] : c.model.htmlAttributes)
        if (name == QLatin1String("lang") && !value.trimmed().isEmpty())
            return;
    out.append(
        {ruleid::kLangMissing,
         QStringLiteral("The <html> element has no lang attribute: screen readers may read the page in "
                        "the wrong voice, and browsers cannot offer to translate or hyphenate it"),
         c.model.htmlTag});
}

void langInvalid(const RuleContext& c, RawFindings& out) {
    for (const auto& [name, value] : c.model.htmlAttributes)
        if (name == QLatin1String("lang") && !value.trimmed().isEmpty() && !web::hasLanguageSubtag(value))
            out.append(
                {ruleid::kLangInvalid,
                 QStringLiteral("lang=\"%1\" does not start with a language code (such as en or en-GB)")
                     .arg(value.trimmed()),
                 c.model.htmlTag});
}

std::optional<PageFix> fixViewportMissing(const FixContext& page, qsizetype) {
    // After the head's charset declaration, which must stay within the first
    // bytes; where the charset goes when it is missing or to be moved there.
    const QString what = QStringLiteral("added ") + kViewportTag;
    if (!page.hasFinding(QLatin1String(ruleid::kCharsetLate)))
        for (const MarkupElement& e : page.model().elements)
            if (e.inHead && !declaredBy(e).isEmpty())
                return fixed(what, {insertAfter(page.text(), e.span.offset + e.span.length, kViewportTag)});
    return fixed(what, {page.intoHead(kViewportTag)});
}

std::optional<PageFix> fixViewportBlocksZoom(const FixContext& page, qsizetype i) {
    const MarkupElement* e = page.element(i);
    if (!e)
        return std::nullopt;
    const QString tag = page.source(*e);
    const QList<TagAttribute> attributes = tagAttributes(tag);
    const TagAttribute* content = findAttribute(attributes, QLatin1String("content"));
    const QStringView raw =
        QStringView(tag).sliced(content ? content->value.offset : 0, content ? content->value.length : 0);
    // The written value is edited; one with character references is left alone.
    if (!content || raw.contains(u'&'))
        return std::nullopt;
    QStringList keys, removed;
    for (const auto& [key, value] : viewportProperties(raw.toString()))
        if (blocksZoom(key, value)) {
            keys << key;
            removed << key + u'=' + value;
        }
    if (keys.isEmpty())
        return std::nullopt;
    // Every item of a blocking key goes (a key given twice would otherwise
    // come back with its other value); each kept item but the first keeps the
    // separator written before it, and the rest stays as written.
    const QList<ViewportItem> items = viewportItems(raw);
    QString kept = raw.first(items.first().span.offset).toString();
    bool any = false;
    for (qsizetype k = 0; k < items.size(); ++k) {
        const Span& item = items[k].span;
        if (keys.contains(items[k].key))
            continue;
        const qsizetype separator =
            k == 0 ? item.offset : items[k - 1].span.offset + items[k - 1].span.length;
        if (any)
            kept += raw.sliced(separator, item.offset - separator);
        kept += raw.sliced(item.offset, item.length);
        any = true;
    }
    kept += raw.sliced(items.last().span.offset + items.last().span.length);
    std::optional<PageFix> fix =
        fixed(QStringLiteral("removed %1 from the viewport").arg(removed.join(QLatin1String(", "))),
              {{e->span.offset + content->value.offset, content->value.length, kept}});
    fix->resolves = int(keys.size());
    return fix;
}

std::optional<PageFix> fixLangMissing(const FixContext& page, qsizetype) {
    const QString& lang = page.options.lang;
    if (lang.isEmpty())
        return needing(PageFix::Need::Lang);
    const Span& html = page.model().htmlTag;
    const QString attribute = QStringLiteral("lang=") + quotedValue(lang);
    if (html.length == 0)
        return fixed(QStringLiteral("added <html %1>").arg(attribute),
                     {insertBefore(page.text(), html.offset, QStringLiteral("<html %1>").arg(attribute))});
    const QList<TagAttribute> attributes =
        tagAttributes(QStringView(page.text()).sliced(html.offset, html.length));
    const TagAttribute* empty = findAttribute(attributes, QLatin1String("lang"));
    const QString what = QStringLiteral("added %1 to <html>").arg(attribute);
    if (!empty) // right after the name: "<html" is five characters in any case
        return fixed(what, {{html.offset + 5, 0, u' ' + attribute}});
    const qsizetype quote = empty->quote.isNull() ? 0 : 1;
    if (!empty->hasValue)
        return fixed(what, {{html.offset + empty->value.offset, 0, u'=' + quotedValue(lang)}});
    return fixed(what, {{html.offset + empty->value.offset - quote, empty->value.length + 2 * quote,
                         quotedValue(lang)}});
}

} // namespace

QList<Rule> viewportLangRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kViewportMissing,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The head has no meta viewport.",
            .help = "Without <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"> phones "
                    "show "
                    "the page as a shrunken desktop page, and search engines rank it lower for mobile.",
            .sources = {{"Lighthouse: viewport",
                         "https://developer.chrome.com/docs/lighthouse/best-practices/viewport"},
                        {"Google Search Central: Mobile site and mobile-first indexing best practices",
                         "https://developers.google.com/search/docs/crawling-indexing/mobile/"
                         "mobile-sites-mobile-first-indexing"}},
            .check = viewportMissing,
            .fix = fixViewportMissing,
            .fixHelp = "The tag goes after the charset declaration.",
            .fixStage = FixStage::Viewport,
        },
        {
            .id = ruleid::kViewportBlocksZoom,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The viewport stops users from zooming.",
            .help = "user-scalable=no (or a number between -1 and 1) or a maximum-scale below 2 keeps people "
                    "with "
                    "poor sight from enlarging the text (W3C ACT rule b4f0c3 \"Meta viewport allows for "
                    "zoom\"; axe "
                    "meta-viewport, which Lighthouse runs). A maximum-scale below 5 is a note (axe "
                    "meta-viewport-large). Every viewport meta is checked. Remove them.",
            .sources = {{"W3C ACT: Meta viewport allows for zoom",
                         "https://www.w3.org/WAI/standards-guidelines/act/rules/b4f0c3/"},
                        {"axe: meta-viewport", "https://dequeuniversity.com/rules/axe/4.10/meta-viewport"},
                        {"axe: meta-viewport-large",
                         "https://dequeuniversity.com/rules/axe/4.10/meta-viewport-large"}},
            .check = viewportBlocksZoom,
            .fix = fixViewportBlocksZoom,
            .fixHelp =
                "User-scalable=no and a maximum-scale below 2 are taken out of the content, the rest kept as "
                "written.",
            .fixStage = FixStage::Viewport,
        },
        {
            .id = ruleid::kViewportInvalid,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The viewport sets neither width nor initial-scale, or scales below 1.",
            .help =
                "A viewport without width or initial-scale does not make the page fit a phone (Lighthouse "
                "viewport audit); an initial-scale below 1 shows it zoomed out. Write "
                "content=\"width=device-width, initial-scale=1\".",
            .sources = {{"Lighthouse: viewport",
                         "https://developer.chrome.com/docs/lighthouse/best-practices/viewport"}},
            .check = viewportInvalid,
        },
        {
            .id = ruleid::kLangMissing,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The <html> element has no lang attribute.",
            .help =
                "Screen readers pick their voice and pronunciation from lang, browsers offer translation and "
                "hyphenate by it (WHATWG HTML, the lang attribute; axe html-has-lang). Google finds a page's "
                "language from its text and does not use lang (Google Search Central, \"Managing "
                "multi-regional "
                "and multilingual sites\"). Add, for example, <html lang=\"en\">.",
            .sources = {{"axe: html-has-lang", "https://dequeuniversity.com/rules/axe/4.10/html-has-lang"},
                        {"W3C ACT: HTML page has lang attribute",
                         "https://www.w3.org/WAI/standards-guidelines/act/rules/b5c3f8/"},
                        {"WHATWG HTML: The lang and xml:lang attributes",
                         "https://html.spec.whatwg.org/multipage/dom.html#the-lang-and-xml:lang-attributes"},
                        {"WCAG 2.2: 3.1.1 Language of Page",
                         "https://www.w3.org/TR/WCAG22/#language-of-page"},
                        {"Google Search Central: Managing multi-regional and multilingual sites",
                         "https://developers.google.com/search/docs/specialty/international/"
                         "managing-multi-regional-sites"}},
            .check = langMissing,
            .fix = fixLangMissing,
            .fixHelp = "When you give the language (--lang, or \"lang\" in headwise.json).",
            .fixStage = FixStage::HtmlTag,
        },
        {
            .id = ruleid::kLangInvalid,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The <html> lang value does not start with a language code.",
            .help =
                "The primary subtag of lang must be an ISO 639 language code: \"en\", \"en-GB\", not "
                "\"english\" "
                "or \"en_GB\" (axe html-lang-valid; BCP 47). Screen readers ignore a value they cannot read.",
            .sources = {{"axe: html-lang-valid",
                         "https://dequeuniversity.com/rules/axe/4.10/html-lang-valid"},
                        {"W3C ACT: HTML page lang attribute has valid language tag",
                         "https://www.w3.org/WAI/standards-guidelines/act/rules/bf051a/"},
                        {"RFC 5646 (BCP 47): Tags for Identifying Languages",
                         "https://www.rfc-editor.org/rfc/rfc5646"},
                        {"WHATWG HTML: The lang and xml:lang attributes",
                         "https://html.spec.whatwg.org/multipage/dom.html#the-lang-and-xml:lang-attributes"}},
            .check = langInvalid,
        },
    };
}

} // namespace headwise::audit
