#include "core/audit/fix/fixcontext.h"

#include "core/audit/model/tagattributes.h"
#include "core/page/linebreaks.h"
#include "core/web/weburl.h"

#include <algorithm>

namespace headwise::audit {

namespace {

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

} // namespace

TextEdit insertAfter(const QString& text, qsizetype at, const QString& tag) {
    const qsizetype lineBreak = breakAfter(text, at);
    if (lineBreak < 0)
        return {at, 0, tag};
    const qsizetype next = pastBreak(text, lineBreak);
    const bool nextHolds =
        next < text.size() && breakAfter(text, next) < 0 && !blankBetween(text, next, text.size());
    return {next, 0, indentOf(text, nextHolds ? next : at) + tag + kCrLf};
}

TextEdit insertBefore(const QString& text, qsizetype at, const QString& tag) {
    const qsizetype start = lineStart(text, at);
    if (at < text.size() && blankBetween(text, start, at))
        return {start, 0, text.mid(start, at - start) + tag + kCrLf};
    return {at, 0, tag};
}

// Only the blanks around it are looked at: a page on one line may hold thousands.
TextEdit removal(const QString& text, const Span& span) {
    qsizetype start = span.offset;
    while (start > 0 && isInlineBlank(text[start - 1]))
        --start;
    const qsizetype lineBreak = breakAfter(text, span.offset + span.length);
    if (lineBreak >= 0 && (start == 0 || isBreak(text[start - 1])))
        return {start, pastBreak(text, lineBreak) - start, {}};
    return {span.offset, span.length, {}};
}

FixContext::FixContext(const PageAudit& audit, const FixOptions& options) : audit(audit), options(options) {
    for (const MarkupElement& e : audit.model.elements)
        at_.insert(e.span.offset, &e);
}

const MarkupElement* FixContext::element(qsizetype finding) const {
    const Finding& f = audit.findings[finding];
    const MarkupElement* e = f.offset >= 0 ? at_.value(f.offset) : nullptr;
    return e && e->span.length == f.length ? e : nullptr;
}

TextEdit FixContext::intoHead(const QString& tag) const {
    const Span& head = model().headTag;
    return head.length > 0 ? insertAfter(text(), head.offset + head.length, tag)
                           : insertBefore(text(), head.offset, tag);
}

bool FixContext::hasFinding(QLatin1String rule) const {
    return std::any_of(audit.findings.cbegin(), audit.findings.cend(),
                       [rule](const Finding& f) { return f.rule == rule; });
}

qsizetype FixContext::firstWithValue(bool (*matches)(const MarkupElement&),
                                     QString (*valueOf)(const MarkupElement&), const QString& value) const {
    auto known = firsts_.find(matches);
    if (known == firsts_.end()) {
        QHash<QString, qsizetype> firsts;
        for (const MarkupElement& e : model().elements)
            if (e.inHead && matches(e) && !firsts.contains(valueOf(e)))
                firsts.insert(valueOf(e), e.span.offset);
        known = firsts_.insert(matches, std::move(firsts));
    }
    return known->value(value, -1);
}

bool FixContext::hasBaseElement() const {
    if (!hasBase_) {
        hasBase_ = false;
        const QString& page = text();
        for (qsizetype at = page.indexOf(QLatin1String("<base"), 0, Qt::CaseInsensitive);
             at >= 0 && !*hasBase_; at = page.indexOf(QLatin1String("<base"), at + 5, Qt::CaseInsensitive)) {
            const QChar next = at + 5 < page.size() ? page[at + 5] : QChar(u'>');
            hasBase_ = next == u'>' || next == u'/' || next.isSpace();
        }
    }
    return *hasBase_;
}

std::optional<PageFix> fixed(const QString& what, QList<TextEdit> edits) {
    return PageFix{.rule = {},
                   .what = what,
                   .edits = std::move(edits),
                   .findings = {},
                   .resolves = 1,
                   .need = PageFix::Need::Nothing};
}

std::optional<PageFix> needing(PageFix::Need need) {
    return PageFix{.rule = {}, .what = {}, .edits = {}, .findings = {}, .resolves = 1, .need = need};
}

QString quotedValue(const QString& value) {
    QString escaped = value;
    escaped.replace(u'&', QLatin1String("&amp;")).replace(u'"', QLatin1String("&quot;"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

std::optional<TextEdit> newValue(const FixContext& page, const MarkupElement& e, QLatin1String name,
                                 const QString& value) {
    const QList<TagAttribute> attributes = tagAttributes(page.source(e));
    const TagAttribute* a = findAttribute(attributes, name);
    if (!a || !a->hasValue)
        return std::nullopt;
    const qsizetype quote = a->quote.isNull() ? 0 : 1;
    return TextEdit{e.span.offset + a->value.offset - quote, a->value.length + 2 * quote, quotedValue(value)};
}

std::optional<PageFix> madeAbsolute(const FixContext& page, qsizetype i, QLatin1String attribute,
                                    const QString& name) {
    const MarkupElement* e = page.element(i);
    if (!e)
        return std::nullopt; // a Link header is the server's
    const QString written = e->attribute(attribute).trimmed();
    if (written.isEmpty() || page.hasBaseElement())
        return std::nullopt;
    if (page.options.baseUrl.isEmpty())
        return needing(PageFix::Need::BaseUrl);
    const web::WebUrl base = web::parseWebUrl(page.options.baseUrl);
    const web::WebUrl resolved = web::parseWebUrl(written, &base);
    if (!resolved.valid || resolved.host.isEmpty() ||
        (resolved.scheme != QLatin1String("http") && resolved.scheme != QLatin1String("https")))
        return std::nullopt;
    const std::optional<TextEdit> edit = newValue(page, *e, attribute, resolved.href);
    if (!edit)
        return std::nullopt;
    return fixed(QStringLiteral("made the %1 absolute: %2").arg(name, resolved.href), {*edit});
}

std::optional<PageFix> laterCopy(const FixContext& page, qsizetype i, const QString& what,
                                 bool (*matches)(const MarkupElement&),
                                 QString (*valueOf)(const MarkupElement&)) {
    const MarkupElement* copy = page.element(i);
    if (!copy)
        return std::nullopt;
    const qsizetype first = page.firstWithValue(matches, valueOf, valueOf(*copy));
    if (first < 0 || first >= copy->span.offset)
        return std::nullopt;
    return fixed(what, {removal(page.text(), copy->span)});
}

} // namespace headwise::audit
