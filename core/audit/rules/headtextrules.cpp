// The title and the meta description are checked the same way: present,
// non-empty, once, in the head, within length and width limits.

#include "core/audit/engine/checks.h"
#include "core/audit/model/textwidth.h"

#include <cmath>

namespace headwise::audit::checks {

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
        "title-missing",
        "title-empty",
        "title-multiple",
        "title-outside-head",
        "title-length",
        "title-width",
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
        "description-missing",
        "description-empty",
        "description-multiple",
        "description-outside-head",
        "description-length",
        "description-width",
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

} // namespace

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

} // namespace headwise::audit::checks
