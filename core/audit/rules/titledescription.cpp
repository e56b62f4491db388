// The title and the meta description are checked the same way: present,
// non-empty, once, in the head, within length and width limits.

#include "core/audit/rules/titledescription.h"

#include "core/audit/engine/rulecontext.h"
#include "core/audit/fix/fixcontext.h"
#include "core/audit/model/textwidth.h"

#include <cmath>

namespace headwise::audit {

namespace {

struct HeadText {
    const char* missingRule;
    const char* emptyRule;
    const char* multipleRule;
    const char* outsideRule;
    const char* lengthRule;
    const char* widthRule;
    QString name; // "title", "description"
    QString tag;  // how messages show the element
    bool (*matches)(const MarkupElement&);
    QString (*valueOf)(const MarkupElement&);
    int AuditConfig::*minChars;
    int AuditConfig::*maxChars;
    double AuditConfig::*maxWidthPx;
    double fontPx;
};

const HeadText& title() {
    static const HeadText t{
        ruleid::kTitleMissing,
        ruleid::kTitleEmpty,
        ruleid::kTitleMultiple,
        ruleid::kTitleOutsideHead,
        ruleid::kTitleLength,
        ruleid::kTitleWidth,
        QStringLiteral("title"),
        QStringLiteral("<title>"),
        [](const MarkupElement& e) { return e.kind == MarkupElement::Kind::Title; },
        [](const MarkupElement& e) { return collapseWhitespace(e.text); },
        &AuditConfig::titleMinChars,
        &AuditConfig::titleMaxChars,
        &AuditConfig::titleMaxWidthPx,
        20,
    };
    return t;
}

const HeadText& description() {
    static const HeadText d{
        ruleid::kDescriptionMissing,
        ruleid::kDescriptionEmpty,
        ruleid::kDescriptionMultiple,
        ruleid::kDescriptionOutsideHead,
        ruleid::kDescriptionLength,
        ruleid::kDescriptionWidth,
        QStringLiteral("description"),
        QStringLiteral("meta description"),
        [](const MarkupElement& e) { return e.isMetaNamed(QLatin1String("description")); },
        [](const MarkupElement& e) { return collapseWhitespace(e.attribute(QLatin1String("content"))); },
        &AuditConfig::descriptionMinChars,
        &AuditConfig::descriptionMaxChars,
        &AuditConfig::descriptionMaxWidthPx,
        14,
    };
    return d;
}

const MarkupElement* firstInHead(const RuleContext& c, const HeadText& t) {
    for (const MarkupElement& e : c.model.elements)
        if (e.inHead && t.matches(e))
            return &e;
    return nullptr;
}

// One in the body is reported by the outside-head rule instead: a title there is
// still the document's title (WHATWG HTML, document.title), and the owner meant it.
void missing(const RuleContext& c, RawFindings& out, const HeadText& t) {
    for (const MarkupElement& e : c.model.elements)
        if (t.matches(e))
            return;
    out.append({t.missingRule, QStringLiteral("The head has no %1").arg(t.tag), {}});
}

void empty(const RuleContext& c, RawFindings& out, const HeadText& t) {
    const MarkupElement* e = firstInHead(c, t);
    if (e && t.valueOf(*e).isEmpty())
        out.append({t.emptyRule, QStringLiteral("The %1 is empty").arg(t.name), e->span});
}

void multiple(const RuleContext& c, RawFindings& out, const HeadText& t) {
    bool first = true;
    for (const MarkupElement& e : c.model.elements) {
        if (!e.inHead || !t.matches(e))
            continue;
        if (!first)
            out.append({t.multipleRule,
                        QStringLiteral("Another %1 in the head; only the first one counts").arg(t.tag),
                        e.span});
        first = false;
    }
}

void outsideHead(const RuleContext& c, RawFindings& out, const HeadText& t) {
    for (const MarkupElement& e : c.model.elements)
        if (!e.inHead && t.matches(e))
            out.append(
                {t.outsideRule,
                 c.model.cutFromHead(e)
                     ? QStringLiteral("This %1 is in the body: the head ended at %2 on line %3, and search "
                                      "engines read the %4 from the head")
                           .arg(t.tag, c.model.headBreakName)
                           .arg(c.model.headBreakLine)
                           .arg(t.name)
                     : QStringLiteral("This %1 is in the body (the head ended before it), and search "
                                      "engines read the %2 from the head")
                           .arg(t.tag, t.name),
                 e.span});
}

void length(const RuleContext& c, RawFindings& out, const HeadText& t) {
    const MarkupElement* e = firstInHead(c, t);
    if (!e)
        return;
    const QString value = t.valueOf(*e);
    const qsizetype n = codePointCount(value);
    const int min = c.config.*t.minChars;
    const int max = c.config.*t.maxChars;
    if (value.isEmpty() || (n >= min && n <= max))
        return;
    out.append(
        {t.lengthRule,
         QStringLiteral("The %1 has %2 characters; %3 to %4 read best").arg(t.name).arg(n).arg(min).arg(max),
         e->span});
}

void width(const RuleContext& c, RawFindings& out, const HeadText& t) {
    const MarkupElement* e = firstInHead(c, t);
    if (!e)
        return;
    const double px = textWidthPx(t.valueOf(*e), t.fontPx);
    const double max = c.config.*t.maxWidthPx;
    if (px <= max)
        return;
    out.append({t.widthRule,
                QStringLiteral("The %1 is %2 px wide at %3 px; a result line shows %4 px")
                    .arg(t.name)
                    .arg(std::lround(px))
                    .arg(t.fontPx)
                    .arg(max),
                e->span});
}

void titleMissing(const RuleContext& c, RawFindings& out) {
    missing(c, out, title());
}
void titleEmpty(const RuleContext& c, RawFindings& out) {
    empty(c, out, title());
}
void titleMultiple(const RuleContext& c, RawFindings& out) {
    multiple(c, out, title());
}
void titleOutsideHead(const RuleContext& c, RawFindings& out) {
    outsideHead(c, out, title());
}
void titleLength(const RuleContext& c, RawFindings& out) {
    length(c, out, title());
}
void titleWidth(const RuleContext& c, RawFindings& out) {
    width(c, out, title());
}

void descriptionMissing(const RuleContext& c, RawFindings& out) {
    missing(c, out, description());
}
void descriptionEmpty(const RuleContext& c, RawFindings& out) {
    empty(c, out, description());
}
void descriptionMultiple(const RuleContext& c, RawFindings& out) {
    multiple(c, out, description());
}
void descriptionOutsideHead(const RuleContext& c, RawFindings& out) {
    outsideHead(c, out, description());
}
void descriptionLength(const RuleContext& c, RawFindings& out) {
    length(c, out, description());
}
void descriptionWidth(const RuleContext& c, RawFindings& out) {
    width(c, out, description());
}

std::optional<PageFix> fixTitleMultiple(const FixContext& page, qsizetype i) {
    return laterCopy(
        page, i, QStringLiteral("removed a second <title> with the same text"),
        [](const MarkupElement& e) { return e.kind == MarkupElement::Kind::Title; },
        [](const MarkupElement& e) { return collapseWhitespace(e.text); });
}

std::optional<PageFix> fixDescriptionMultiple(const FixContext& page, qsizetype i) {
    return laterCopy(
        page, i, QStringLiteral("removed a second meta description with the same text"),
        [](const MarkupElement& e) { return e.isMetaNamed(QLatin1String("description")); },
        [](const MarkupElement& e) { return collapseWhitespace(e.attribute(QLatin1String("content"))); });
}

} // namespace

QList<Rule> titleDescriptionRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kTitleMissing,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The head has no <title>.",
            .help = "Search engines show the title as the link of the result. Without one they make up a "
                    "title from "
                    "the page's text. Add a <title> inside <head>.",
            .sources = {{"Google Search Central: Influencing your title links",
                         "https://developers.google.com/search/docs/appearance/title-link"},
                        {"axe: document-title", "https://dequeuniversity.com/rules/axe/4.10/document-title"},
                        {"W3C ACT: HTML page has non-empty title",
                         "https://www.w3.org/WAI/standards-guidelines/act/rules/2779a5/"},
                        {"WHATWG HTML: The title element",
                         "https://html.spec.whatwg.org/multipage/semantics.html#the-title-element"},
                        {"WCAG 2.2: 2.4.2 Page Titled", "https://www.w3.org/TR/WCAG22/#page-titled"}},
            .check = titleMissing,
        },
        {
            .id = ruleid::kTitleEmpty,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The <title> holds no text.",
            .help = "An empty title is as good as none: the result line gets a title made up by the search "
                    "engine. "
                    "Write a short title that names the page's subject.",
            .sources = {{"Google Search Central: Influencing your title links",
                         "https://developers.google.com/search/docs/appearance/title-link"},
                        {"W3C ACT: HTML page has non-empty title",
                         "https://www.w3.org/WAI/standards-guidelines/act/rules/2779a5/"},
                        {"axe: document-title", "https://dequeuniversity.com/rules/axe/4.10/document-title"}},
            .check = titleEmpty,
        },
        {
            .id = ruleid::kTitleMultiple,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The head has more than one <title>.",
            .help = "Browsers and search engines use the first title and ignore the others. Keep one.",
            .sources = {{"WHATWG HTML: The title element",
                         "https://html.spec.whatwg.org/multipage/semantics.html#the-title-element"},
                        {"WHATWG HTML: document.title",
                         "https://html.spec.whatwg.org/multipage/dom.html#document.title"},
                        {"Google Search Central: Influencing your title links",
                         "https://developers.google.com/search/docs/appearance/title-link"}},
            .check = titleMultiple,
            .fix = fixTitleMultiple,
            .fixHelp = "A later title with the same text as an earlier one is removed; one that differs is "
                       "left for you.",
        },
        {
            .id = ruleid::kTitleOutsideHead,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "A <title> stands outside the head.",
            .help =
                "An HTML parser closes the head at the first element that belongs in the body (a <div>, "
                "text, an "
                "image), so a title after it lands in the body. Browsers still show it as the page's title "
                "(WHATWG HTML, document.title: the first <title> anywhere), but search engines stop reading "
                "the "
                "head at that element (Google Search Central, \"Use valid HTML for the head\"). Move it into "
                "<head>, before any body content.",
            .sources = {{"Google Search Central: Use valid HTML to specify page metadata",
                         "https://developers.google.com/search/docs/crawling-indexing/valid-page-metadata"},
                        {"WHATWG HTML: document.title",
                         "https://html.spec.whatwg.org/multipage/dom.html#document.title"},
                        {"WHATWG HTML: The \"in head\" insertion mode",
                         "https://html.spec.whatwg.org/multipage/parsing.html#parsing-main-inhead"}},
            .check = titleOutsideHead,
        },
        {
            .id = ruleid::kTitleLength,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The title is shorter or longer than the limits (30 to 60 characters).",
            .help = "A very short title says little about the page; a long one is cut off in the result "
                    "line. The "
                    "limits can be changed in headwise.json (titleMinChars, titleMaxChars).",
            .sources = {{"Google Search Central: Influencing your title links",
                         "https://developers.google.com/search/docs/appearance/title-link"}},
            .check = titleLength,
        },
        {
            .id = ruleid::kTitleWidth,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The title is wider than a result line (580 px in Arial at 20 px).",
            .help =
                "Search results show titles in Arial at 20 px and cut them at about 580 px. The width is "
                "measured with the font's own character widths. The limit can be changed in headwise.json "
                "(titleMaxWidthPx).",
            .sources = {{"Google Search Central: Influencing your title links",
                         "https://developers.google.com/search/docs/appearance/title-link"}},
            .check = titleWidth,
        },
        {
            .id = ruleid::kTitleDuplicate,
            .severity = S::Warning,
            .scope = RuleScope::Run,
            .description = "Another page of the run has the same title.",
            .help = "Pages with the same title compete for the same searches and look alike in the results "
                    "(Google "
                    "Search Central, \"Influencing your title links\"). Only pages that can be indexed and "
                    "are their "
                    "own canonical count: a noindex page or one that names another page canonical is no "
                    "duplicate. "
                    "Give each page a title of its own.",
            .sources = {{"Google Search Central: Influencing your title links",
                         "https://developers.google.com/search/docs/appearance/title-link"}},
        },
        {
            .id = ruleid::kDescriptionMissing,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The head has no meta description.",
            .help =
                "Search engines often show the description as the text under the result's title; without one "
                "they pick a piece of the page. Add <meta name=\"description\" content=\"...\">.",
            .sources = {{"Google Search Central: Control your snippets (meta descriptions)",
                         "https://developers.google.com/search/docs/appearance/snippet#meta-descriptions"},
                        {"Lighthouse: meta-description",
                         "https://developer.chrome.com/docs/lighthouse/seo/meta-description"}},
            .check = descriptionMissing,
        },
        {
            .id = ruleid::kDescriptionEmpty,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The meta description holds no text.",
            .help = "An empty description is as good as none. Write one or two sentences about the page.",
            .sources = {{"Lighthouse: meta-description",
                         "https://developer.chrome.com/docs/lighthouse/seo/meta-description"},
                        {"Google Search Central: Control your snippets (meta descriptions)",
                         "https://developers.google.com/search/docs/appearance/snippet#meta-descriptions"}},
            .check = descriptionEmpty,
        },
        {
            .id = ruleid::kDescriptionMultiple,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The head has more than one meta description.",
            .help = "Only one description is used, and which one is not certain. Keep one.",
            .sources = {{"WHATWG HTML: Standard metadata names (description)",
                         "https://html.spec.whatwg.org/multipage/semantics.html#meta-description"},
                        {"Google Search Central: Control your snippets (meta descriptions)",
                         "https://developers.google.com/search/docs/appearance/snippet#meta-descriptions"}},
            .check = descriptionMultiple,
            .fix = fixDescriptionMultiple,
            .fixHelp = "A later description with the same text as an earlier one is removed; one that "
                       "differs is left "
                       "for you.",
        },
        {
            .id = ruleid::kDescriptionOutsideHead,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "A meta description stands outside the head.",
            .help = "A <meta> after the first body content is put in the body by the parser, and search "
                    "engines read "
                    "the description from the head only (Google Search Central, \"Control your snippets\" "
                    "and \"Use "
                    "valid HTML for the head\"). Move it into <head>.",
            .sources = {{"Google Search Central: Use valid HTML to specify page metadata",
                         "https://developers.google.com/search/docs/crawling-indexing/valid-page-metadata"},
                        {"Google Search Central: Control your snippets (meta descriptions)",
                         "https://developers.google.com/search/docs/appearance/snippet#meta-descriptions"}},
            .check = descriptionOutsideHead,
        },
        {
            .id = ruleid::kDescriptionLength,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The description is shorter or longer than the limits (70 to 155 characters).",
            .help = "A short description says little; a long one is cut off. The limits can be changed in "
                    "headwise.json (descriptionMinChars, descriptionMaxChars).",
            .sources = {{"Google Search Central: Control your snippets (meta descriptions)",
                         "https://developers.google.com/search/docs/appearance/snippet#meta-descriptions"}},
            .check = descriptionLength,
        },
        {
            .id = ruleid::kDescriptionWidth,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The description is wider than 920 px in Arial at 14 px.",
            .help = "Search results show descriptions in Arial at 14 px on about two lines of 460 px. The "
                    "limit can "
                    "be changed in headwise.json (descriptionMaxWidthPx).",
            .sources = {{"Google Search Central: Control your snippets (meta descriptions)",
                         "https://developers.google.com/search/docs/appearance/snippet#meta-descriptions"}},
            .check = descriptionWidth,
        },
        {
            .id = ruleid::kDescriptionDuplicate,
            .severity = S::Warning,
            .scope = RuleScope::Run,
            .description = "Another page of the run has the same description.",
            .help = "A description shared by many pages does not tell a searcher which page to choose "
                    "(Google Search "
                    "Central, \"Control your snippets\": unique descriptions). Only pages that can be "
                    "indexed and "
                    "are their own canonical count: a noindex page or one that names another page canonical "
                    "is no "
                    "duplicate. Write one for each page.",
            .sources = {{"Google Search Central: Control your snippets (meta descriptions)",
                         "https://developers.google.com/search/docs/appearance/snippet#meta-descriptions"},
                        {"Lighthouse: meta-description",
                         "https://developer.chrome.com/docs/lighthouse/seo/meta-description"}},
        },
    };
}

} // namespace headwise::audit
