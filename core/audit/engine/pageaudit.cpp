#include "core/audit/engine/pageaudit.h"

#include "core/audit/engine/disablecomments.h"
#include "core/audit/engine/positions.h"
#include "core/audit/engine/rulecontext.h"
#include "core/audit/model/pagemodel.h"
#include "core/audit/rules/canonical.h"
#include "core/audit/rules/pagelevel.h"
#include "core/audit/rules/robots.h"
#include "core/page/pagecodec.h"
#include "core/web/weburl.h"

#include <QSet>

#include <algorithm>

namespace headwise::audit {

namespace {

const MarkupElement* firstHead(const PageModel& model, bool (*matches)(const MarkupElement&)) {
    for (const MarkupElement& e : model.elements)
        if (e.inHead && matches(e))
            return &e;
    return nullptr;
}

QString headMetaContent(const PageModel& model, bool (*matches)(const MarkupElement&)) {
    for (const MarkupElement& e : model.elements)
        if (e.inHead && matches(e))
            return e.attribute(QLatin1String("content")).trimmed();
    return {};
}

void fillPreview(const PageModel& model, const PageInput& page, PageAudit& audit) {
    if (const MarkupElement* t =
            firstHead(model, [](const MarkupElement& e) { return e.kind == MarkupElement::Kind::Title; })) {
        audit.hasTitle = true;
        audit.title = collapseWhitespace(t->text);
        audit.titleOffset = t->span.offset;
        audit.titleLength = t->span.length;
    }
    if (const MarkupElement* d = firstHead(
            model, [](const MarkupElement& e) { return e.isMetaNamed(QLatin1String("description")); })) {
        audit.hasDescription = true;
        audit.description = collapseWhitespace(d->attribute(QLatin1String("content")));
        audit.descriptionOffset = d->span.offset;
        audit.descriptionLength = d->span.length;
    }
    if (const MarkupElement* c = firstHead(model, [](const MarkupElement& e) {
            return e.hasRel(QLatin1String("canonical")) &&
                   !e.attribute(QLatin1String("href")).trimmed().isEmpty();
        })) {
        const QString href = c->attribute(QLatin1String("href")).trimmed();
        const web::WebUrl pageUrl = web::parseWebUrl(page.address);
        const web::WebUrl canonical = web::parseWebUrl(href, &pageUrl);
        audit.canonical = canonical.valid ? canonical.href : href;
    }
    audit.ogTitle = headMetaContent(
        model, [](const MarkupElement& e) { return e.isMetaProperty(QLatin1String("og:title")); });
    audit.ogDescription = headMetaContent(
        model, [](const MarkupElement& e) { return e.isMetaProperty(QLatin1String("og:description")); });
    audit.ogImage = headMetaContent(model, isOgImage);
    audit.ogUrl = headMetaContent(
        model, [](const MarkupElement& e) { return e.isMetaProperty(QLatin1String("og:url")); });
}

} // namespace

PageAudit auditPage(const PageInput& page, const AuditConfig& config) {
    PageAudit audit;
    // The parser reads UTF-8: the text in it, once, for the parser and the comment search.
    QByteArray utf8;
    DecodedPage decoded = decodePage(page.bytes, page.httpCharset.toLatin1(), &utf8);
    audit.text = std::move(decoded.text);
    audit.encoding = decoded.encoding;
    audit.lines = LineIndex(audit.text);
    audit.model = parsePage(utf8);
    const PageModel& model = audit.model;
    audit.disabledRules = disabledRules(utf8);
    fillPreview(model, page, audit);
    audit.itemVerdicts = judgeItems(model.structuredData);

    const PageLinkSet links = collectPageLinks(model, web::headerLinks(page.headers), page.address);
    const RuleContext context{page,
                              audit.text,
                              audit.lines,
                              decoded.encoding.name,
                              model,
                              config,
                              page.now.isValid() ? page.now : QDateTime::currentDateTimeUtc(),
                              links,
                              audit.itemVerdicts};
    audit.indexable = page.httpStatus < 400 && !readsNoindex(context);
    audit.namesOtherCanonical = namesOtherCanonical(context);
    audit.refreshTarget = instantRefresh(context);
    const auto headLink = [](const LinkRef& link) {
        return PageAudit::HeadLink{link.href, link.fromHeader ? -1 : link.span.offset, link.span.length};
    };
    if (links.canonical)
        audit.canonicalLink = headLink(*links.canonical);
    for (const LinkRef& alternate : links.alternates)
        if (!alternate.hreflang.isEmpty())
            audit.alternateLinks.append(headLink(alternate));
    const QSet<QString> disabled(audit.disabledRules.cbegin(), audit.disabledRules.cend());
    RawFindings raw;
    for (const Rule& rule : ruleTable()) {
        if (!rule.check || disabled.contains(rule.id) || !config.severityOf(rule))
            continue;
        // An error page is reported by its status, not by the tags it lacks.
        if (page.httpStatus >= 400 && !rule.judgesErrorPages)
            continue;
        rule.check(context, raw);
    }
    audit.findings = placeFindings(audit.text, audit.lines, raw, config);
    return audit;
}

} // namespace headwise::audit
