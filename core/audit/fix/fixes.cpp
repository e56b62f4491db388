// Each fix is a small edit of the page text where the parser read the element
// it repairs: new tags go where a browser puts them in the head, in a line of
// their own when the tag before them ends its line, indented as the line they
// join; removed tags take their line with them when they stand alone on it.

#include "core/audit/fix/fixes.h"

#include "core/audit/engine/checks.h"
#include "core/audit/model/tagattributes.h"
#include "core/audit/model/viewport.h"
#include "core/page/linebreaks.h"
#include "core/web/weburl.h"

#include <QHash>
#include <algorithm>
#include <map>

namespace headwise::audit {

namespace {

const QString kViewportTag =
    QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");

bool isInlineBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

bool isBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

qsizetype lineStart(const QString& text, qsizetype at) {
    while (at > 0 && !isBreak(text[at - 1]))
        --at;
    return at;
}

bool blankBetween(const QString& text, qsizetype from, qsizetype to) {
    for (qsizetype i = from; i < to; ++i)
        if (!isInlineBlank(text[i]))
            return false;
    return true;
}

// Where the line break after at stands when only blanks come before it; -1 when
// something else follows on the line, or the text ends.
qsizetype breakAfter(const QString& text, qsizetype at) {
    while (at < text.size() && isInlineBlank(text[at]))
        ++at;
    return at < text.size() && isBreak(text[at]) ? at : -1;
}

qsizetype pastBreak(const QString& text, qsizetype at) {
    return at + (text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1);
}

QString indentOf(const QString& text, qsizetype at) {
    const qsizetype start = lineStart(text, at);
    qsizetype end = start;
    while (end < text.size() && isInlineBlank(text[end]))
        ++end;
    return text.mid(start, end - start);
}

// A tag after at, the end of a tag: on a line of its own, indented as the
// line that follows (the head's first child) or else as at's, when at ends
// its line. The new line goes in whole before the next, so no line changes.
TextEdit insertAfter(const QString& text, qsizetype at, const QString& tag) {
    const qsizetype lineBreak = breakAfter(text, at);
    if (lineBreak < 0)
        return {at, 0, tag};
    const qsizetype next = pastBreak(text, lineBreak);
    const bool nextHolds =
        next < text.size() && breakAfter(text, next) < 0 && !blankBetween(text, next, text.size());
    return {next, 0, indentOf(text, nextHolds ? next : at) + tag + kCrLf};
}

// A tag before at, where the parser found the first thing of the head or the
// page: on a line of its own before that thing's line when it starts the line.
TextEdit insertBefore(const QString& text, qsizetype at, const QString& tag) {
    const qsizetype start = lineStart(text, at);
    if (at < text.size() && blankBetween(text, start, at))
        return {start, 0, text.mid(start, at - start) + tag + kCrLf};
    return {at, 0, tag};
}

// An element taken out; with its line when nothing else stands on it. Only
// the blanks around it are looked at: a page on one line may hold thousands.
TextEdit removal(const QString& text, const Span& span) {
    qsizetype start = span.offset;
    while (start > 0 && isInlineBlank(text[start - 1]))
        --start;
    const qsizetype lineBreak = breakAfter(text, span.offset + span.length);
    if (lineBreak >= 0 && (start == 0 || isBreak(text[start - 1])))
        return {start, pastBreak(text, lineBreak) - start, {}};
    return {span.offset, span.length, {}};
}

// What a fix reads of the page. What several fixes look up is found once, so
// that a page of thousands of copies stays linear.
class Page {
public:
    Page(const PageAudit& audit, const FixOptions& options) : audit(audit), options(options) {
        for (const MarkupElement& e : audit.model.elements)
            at_.insert(e.span.offset, &e);
    }
    const PageAudit& audit;
    const FixOptions& options;
    const QString& text() const { return audit.text; }
    const PageModel& model() const { return audit.model; }
    // The element a finding stands on; null for one about the page as a whole.
    const MarkupElement* element(qsizetype i) const {
        const Finding& f = audit.findings[i];
        const MarkupElement* e = f.offset >= 0 ? at_.value(f.offset) : nullptr;
        return e && e->span.length == f.length ? e : nullptr;
    }
    QString source(const MarkupElement& e) const { return text().mid(e.span.offset, e.span.length); }
    // New tags of the head go right after <head>, or where the parser began the head.
    TextEdit intoHead(const QString& tag) const {
        const Span& head = model().headTag;
        return head.length > 0 ? insertAfter(text(), head.offset + head.length, tag)
                               : insertBefore(text(), head.offset, tag);
    }
    bool hasFinding(QLatin1String rule) const {
        return std::any_of(audit.findings.cbegin(), audit.findings.cend(),
                           [rule](const Finding& f) { return f.rule == rule; });
    }
    // Where the head first holds an element of the rule's kind with this value.
    qsizetype firstWithValue(const char* rule, bool (*matches)(const MarkupElement&),
                             QString (*valueOf)(const MarkupElement&), const QString& value) const {
        auto known = firsts_.find(rule);
        if (known == firsts_.end()) {
            QHash<QString, qsizetype> firsts;
            for (const MarkupElement& e : model().elements)
                if (e.inHead && matches(e) && !firsts.contains(valueOf(e)))
                    firsts.insert(valueOf(e), e.span.offset);
            known = firsts_.insert(rule, std::move(firsts));
        }
        return known->value(value, -1);
    }
    bool hasBaseElement() const {
        if (!hasBase_)
            hasBase_ = findBaseElement(text());
        return *hasBase_;
    }

private:
    // A page with a <base href> resolves its addresses against that, which a
    // fix would have to follow; such pages are left to their owner.
    static bool findBaseElement(const QString& text) {
        for (qsizetype at = text.indexOf(QLatin1String("<base"), 0, Qt::CaseInsensitive); at >= 0;
             at = text.indexOf(QLatin1String("<base"), at + 5, Qt::CaseInsensitive)) {
            const QChar next = at + 5 < text.size() ? text[at + 5] : QChar(u'>');
            if (next == u'>' || next == u'/' || next.isSpace())
                return true;
        }
        return false;
    }

    QHash<qsizetype, const MarkupElement*> at_;
    mutable QHash<const char*, QHash<QString, qsizetype>> firsts_;
    mutable std::optional<bool> hasBase_;
};

std::optional<PageFix> fixed(const char* rule, const QString& what, QList<TextEdit> edits) {
    return PageFix{.rule = QLatin1String(rule),
                   .what = what,
                   .edits = std::move(edits),
                   .findings = {},
                   .resolves = 1,
                   .need = PageFix::Need::Nothing};
}

std::optional<PageFix> needing(const char* rule, PageFix::Need need) {
    return PageFix{
        .rule = QLatin1String(rule), .what = {}, .edits = {}, .findings = {}, .resolves = 1, .need = need};
}

// An attribute value as written between double quotes: its value and its quote escaped.
QString quotedValue(const QString& value) {
    QString escaped = value;
    escaped.replace(u'&', QLatin1String("&amp;")).replace(u'"', QLatin1String("&quot;"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// The value of an element's attribute replaced, quoted anew.
std::optional<TextEdit> newValue(const Page& page, const MarkupElement& e, QLatin1String name,
                                 const QString& value) {
    const QList<TagAttribute> attributes = tagAttributes(page.source(e));
    const TagAttribute* a = findAttribute(attributes, name);
    if (!a || !a->hasValue)
        return std::nullopt;
    const qsizetype quote = a->quote.isNull() ? 0 : 1;
    return TextEdit{e.span.offset + a->value.offset - quote, a->value.length + 2 * quote, quotedValue(value)};
}

std::optional<PageFix> charsetMissing(const Page& page, qsizetype) {
    // Only a page read as UTF-8 without a mark is known to be UTF-8; Windows-1252
    // is no more than the last guess.
    if (page.audit.encoding.name != QLatin1String("UTF-8") || page.audit.encoding.bom)
        return std::nullopt;
    const QString tag = QStringLiteral("<meta charset=\"utf-8\">");
    return fixed("charset-missing", QStringLiteral("added ") + tag, {page.intoHead(tag)});
}

std::optional<PageFix> charsetLate(const Page& page, qsizetype i) {
    const MarkupElement* e = page.element(i);
    if (!e)
        return std::nullopt;
    TextEdit into = page.intoHead(page.source(*e));
    TextEdit out = removal(page.text(), e->span);
    if (into.offset > out.offset && into.offset < out.offset + out.length)
        return std::nullopt;
    QList<TextEdit> edits =
        into.offset <= out.offset ? QList<TextEdit>{into, out} : QList<TextEdit>{out, into};
    return fixed("charset-late", QStringLiteral("moved the charset declaration to the start of the head"),
                 std::move(edits));
}

std::optional<PageFix> viewportMissing(const Page& page, qsizetype) {
    // After the head's charset declaration, which must stay within the first
    // bytes; where the charset goes when it is missing or to be moved there.
    const QString what = QStringLiteral("added ") + kViewportTag;
    if (!page.hasFinding(QLatin1String("charset-late")))
        for (const MarkupElement& e : page.model().elements)
            if (e.inHead && !checks::declaredBy(e).isEmpty())
                return fixed("viewport-missing", what,
                             {insertAfter(page.text(), e.span.offset + e.span.length, kViewportTag)});
    return fixed("viewport-missing", what, {page.intoHead(kViewportTag)});
}

std::optional<PageFix> viewportBlocksZoom(const Page& page, qsizetype i) {
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
        fixed("viewport-blocks-zoom",
              QStringLiteral("removed %1 from the viewport").arg(removed.join(QLatin1String(", "))),
              {{e->span.offset + content->value.offset, content->value.length, kept}});
    fix->resolves = int(keys.size());
    return fix;
}

std::optional<PageFix> langMissing(const Page& page, qsizetype) {
    const QString& lang = page.options.lang;
    if (lang.isEmpty())
        return needing("lang-missing", PageFix::Need::Lang);
    const Span& html = page.model().htmlTag;
    const QString attribute = QStringLiteral("lang=") + quotedValue(lang);
    if (html.length == 0)
        return fixed("lang-missing", QStringLiteral("added <html %1>").arg(attribute),
                     {insertBefore(page.text(), html.offset, QStringLiteral("<html %1>").arg(attribute))});
    const QList<TagAttribute> attributes =
        tagAttributes(QStringView(page.text()).sliced(html.offset, html.length));
    const TagAttribute* empty = findAttribute(attributes, QLatin1String("lang"));
    const QString what = QStringLiteral("added %1 to <html>").arg(attribute);
    if (!empty) // right after the name: "<html" is five characters in any case
        return fixed("lang-missing", what, {{html.offset + 5, 0, u' ' + attribute}});
    const qsizetype quote = empty->quote.isNull() ? 0 : 1;
    if (!empty->hasValue)
        return fixed("lang-missing", what,
                     {{html.offset + empty->value.offset, 0, u'=' + quotedValue(lang)}});
    return fixed(
        "lang-missing", what,
        {{html.offset + empty->value.offset - quote, empty->value.length + 2 * quote, quotedValue(lang)}});
}

std::optional<PageFix> madeAbsolute(const Page& page, qsizetype i, const char* rule, QLatin1String attribute,
                                    const QString& name) {
    const MarkupElement* e = page.element(i);
    if (!e)
        return std::nullopt; // a Link header is the server's
    const QString written = e->attribute(attribute).trimmed();
    if (written.isEmpty() || page.hasBaseElement())
        return std::nullopt;
    if (page.options.baseUrl.isEmpty())
        return needing(rule, PageFix::Need::BaseUrl);
    const web::WebUrl base = web::parseWebUrl(page.options.baseUrl);
    const web::WebUrl resolved = web::parseWebUrl(written, &base);
    if (!resolved.valid || resolved.host.isEmpty() ||
        (resolved.scheme != QLatin1String("http") && resolved.scheme != QLatin1String("https")))
        return std::nullopt;
    const std::optional<TextEdit> edit = newValue(page, *e, attribute, resolved.href);
    if (!edit)
        return std::nullopt;
    return fixed(rule, QStringLiteral("made the %1 absolute: %2").arg(name, resolved.href), {*edit});
}

std::optional<PageFix> canonicalRelative(const Page& page, qsizetype i) {
    return madeAbsolute(page, i, "canonical-relative", QLatin1String("href"),
                        QStringLiteral("canonical address"));
}

std::optional<PageFix> hreflangRelative(const Page& page, qsizetype i) {
    return madeAbsolute(page, i, "hreflang-relative", QLatin1String("href"),
                        QStringLiteral("hreflang address"));
}

std::optional<PageFix> ogRelative(const Page& page, qsizetype i) {
    const MarkupElement* e = page.element(i);
    const QString property =
        e ? (e->hasAttribute(QLatin1String("property")) ? e->attribute(QLatin1String("property"))
                                                        : e->attribute(QLatin1String("name")))
                .trimmed()
          : QString();
    return madeAbsolute(page, i, "og-relative", QLatin1String("content"), property);
}

// A later copy of an earlier one's value goes; one that differs is the owner's to choose.
std::optional<PageFix> laterCopy(const Page& page, qsizetype i, const char* rule, const QString& what,
                                 bool (*matches)(const MarkupElement&),
                                 QString (*valueOf)(const MarkupElement&)) {
    const MarkupElement* copy = page.element(i);
    if (!copy)
        return std::nullopt;
    const qsizetype first = page.firstWithValue(rule, matches, valueOf, valueOf(*copy));
    if (first < 0 || first >= copy->span.offset)
        return std::nullopt;
    return fixed(rule, what, {removal(page.text(), copy->span)});
}

std::optional<PageFix> titleMultiple(const Page& page, qsizetype i) {
    return laterCopy(
        page, i, "title-multiple", QStringLiteral("removed a second <title> with the same text"),
        [](const MarkupElement& e) { return e.kind == MarkupElement::Kind::Title; },
        [](const MarkupElement& e) { return collapseWhitespace(e.text); });
}

std::optional<PageFix> descriptionMultiple(const Page& page, qsizetype i) {
    return laterCopy(
        page, i, "description-multiple",
        QStringLiteral("removed a second meta description with the same text"),
        [](const MarkupElement& e) { return e.isMetaNamed(QLatin1String("description")); },
        [](const MarkupElement& e) { return collapseWhitespace(e.attribute(QLatin1String("content"))); });
}

std::optional<PageFix> canonicalMultiple(const Page& page, qsizetype i) {
    return laterCopy(
        page, i, "canonical-multiple",
        QStringLiteral("removed a canonical link naming the same address again"),
        [](const MarkupElement& e) {
            return e.hasRel(QLatin1String("canonical")) &&
                   !e.attribute(QLatin1String("href")).trimmed().isEmpty();
        },
        [](const MarkupElement& e) {
            const QString href = e.attribute(QLatin1String("href")).trimmed();
            const web::WebUrl url = web::parseWebUrl(href);
            return url.valid ? url.href : QStringLiteral("relative ") + href; // compared as written
        });
}

using Builder = std::optional<PageFix> (*)(const Page&, qsizetype finding);
struct FixEntry {
    const char* rule;
    Builder build;
};

const QList<FixEntry>& fixTable() {
    static const QList<FixEntry> table = {
        {"lang-missing", langMissing},
        {"charset-missing", charsetMissing},
        {"charset-late", charsetLate},
        {"viewport-missing", viewportMissing},
        {"viewport-blocks-zoom", viewportBlocksZoom},
        {"title-multiple", titleMultiple},
        {"description-multiple", descriptionMultiple},
        {"canonical-multiple", canonicalMultiple},
        {"canonical-relative", canonicalRelative},
        {"hreflang-relative", hreflangRelative},
        {"og-relative", ogRelative},
    };
    return table;
}

} // namespace

const QStringList& fixableRules() {
    static const QStringList rules = [] {
        QStringList out;
        for (const FixEntry& entry : fixTable())
            out << QLatin1String(entry.rule);
        return out;
    }();
    return rules;
}

bool isFixable(QAnyStringView rule) {
    for (const QString& id : fixableRules())
        if (QAnyStringView::compare(id, rule) == 0)
            return true;
    return false;
}

QList<PageFix> offeredFixes(const PageAudit& audit, const FixOptions& options) {
    const Page page{audit, options};
    QHash<QString, QList<qsizetype>> byRule;
    for (qsizetype i = 0; i < audit.findings.size(); ++i)
        byRule[audit.findings[i].rule].append(i);
    QList<PageFix> out;
    for (const FixEntry& entry : fixTable()) {
        const QString rule = QLatin1String(entry.rule);
        if (!options.rules.isEmpty() && !options.rules.contains(rule))
            continue;
        for (const qsizetype i : byRule.value(rule)) {
            std::optional<PageFix> fix = entry.build(page, i);
            if (!fix)
                continue;
            // Findings on one element for one reason each (a viewport's two
            // blocking properties) share the element's one fix.
            if (!out.isEmpty() && out.back().rule == rule && out.back().edits == fix->edits &&
                out.back().need == fix->need && !fix->edits.isEmpty()) {
                out.back().findings.append(i);
                continue;
            }
            fix->findings = {i};
            out.append(std::move(*fix));
        }
    }
    return out;
}

QList<PageFix> withoutClashes(const QList<PageFix>& fixes) {
    std::multimap<qsizetype, qsizetype> taken; // start -> end of every edit let in; none overlap
    const auto clashes = [&](const TextEdit& e) {
        const qsizetype end = e.offset + e.length;
        // Back from the last edit that starts before the end, to the first that
        // ends before the start: those before it end before it.
        for (auto it = taken.lower_bound(e.length == 0 ? end + 1 : end); it != taken.begin();) {
            const auto [start, stop] = *--it;
            if (stop <= e.offset && start < e.offset)
                break;
            const bool overlaps = e.length == 0   ? start < e.offset && e.offset < stop
                                  : start == stop ? e.offset < start && start < end
                                                  : start < end && e.offset < stop;
            if (overlaps)
                return true;
        }
        return false;
    };
    QList<PageFix> out;
    for (const PageFix& fix : fixes) {
        if (std::any_of(fix.edits.cbegin(), fix.edits.cend(), clashes))
            continue;
        for (const TextEdit& e : fix.edits)
            taken.emplace(e.offset, e.offset + e.length);
        out.append(fix);
    }
    return out;
}

QList<TextEdit> combinedEdits(const QList<PageFix>& fixes) {
    QList<TextEdit> edits;
    for (const PageFix& fix : fixes)
        edits.append(fix.edits);
    std::stable_sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) {
        return a.offset != b.offset ? a.offset < b.offset : (a.length == 0 && b.length > 0);
    });
    return edits;
}

} // namespace headwise::audit
