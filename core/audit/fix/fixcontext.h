#pragma once

#include "core/audit/engine/pageaudit.h"
#include "core/audit/fix/fixes.h"
#include "core/page/pagecodec.h"

#include <QHash>
#include <QString>
#include <optional>

// What every rule's fix reads of the page, and the edits they are made of.
// Each fix is a small edit of the page text where the parser read the element
// it repairs: new tags go where a browser puts them in the head, in a line of
// their own when the tag before them ends its line, indented as the line they
// join; removed tags take their line with them when they stand alone on it.
namespace headwise::audit {

// What a fix reads of the page. What several fixes look up is found once, so
// that a page of thousands of copies stays linear.
class FixContext {
public:
    FixContext(const PageAudit& audit, const FixOptions& options);
    const PageAudit& audit;
    const FixOptions& options;
    const QString& text() const { return audit.text; }
    const PageModel& model() const { return audit.model; }
    // The element a finding stands on; null for one about the page as a whole.
    const MarkupElement* element(qsizetype finding) const;
    QString source(const MarkupElement& e) const { return text().mid(e.span.offset, e.span.length); }
    // New tags of the head go right after <head>, or where the parser began the head.
    TextEdit intoHead(const QString& tag) const;
    bool hasFinding(QLatin1String rule) const;
    // Where the head first holds an element of this kind with this value.
    qsizetype firstWithValue(bool (*matches)(const MarkupElement&), QString (*valueOf)(const MarkupElement&),
                             const QString& value) const;
    // A page with a <base href> resolves its addresses against that, which a
    // fix would have to follow; such pages are left to their owner.
    bool hasBaseElement() const;

private:
    QHash<qsizetype, const MarkupElement*> at_;
    mutable QHash<bool (*)(const MarkupElement&), QHash<QString, qsizetype>> firsts_;
    mutable std::optional<bool> hasBase_;
};

// A tag after at, the end of a tag: on a line of its own, indented as the
// line that follows (the head's first child) or else as at's, when at ends
// its line. The new line goes in whole before the next, so no line changes.
TextEdit insertAfter(const QString& text, qsizetype at, const QString& tag);
// A tag before at, where the parser found the first thing of the head or the
// page: on a line of its own before that thing's line when it starts the line.
TextEdit insertBefore(const QString& text, qsizetype at, const QString& tag);
// An element taken out; with its line when nothing else stands on it.
TextEdit removal(const QString& text, const Span& span);
// An attribute value as written between double quotes: its value and its quote escaped.
QString quotedValue(const QString& value);
// The value of an element's attribute replaced, quoted anew.
std::optional<TextEdit> newValue(const FixContext& page, const MarkupElement& e, QLatin1String name,
                                 const QString& value);

// A fix made of these edits; the engine names its rule.
std::optional<PageFix> fixed(const QString& what, QList<TextEdit> edits);
// A fix that waits for what the options lack.
std::optional<PageFix> needing(PageFix::Need need);
// The address in the element's attribute made absolute against the page's
// published address; name says what it is in the report.
std::optional<PageFix> madeAbsolute(const FixContext& page, qsizetype finding, QLatin1String attribute,
                                    const QString& name);
// A later copy of an earlier one's value goes; one that differs is the owner's to choose.
std::optional<PageFix> laterCopy(const FixContext& page, qsizetype finding, const QString& what,
                                 bool (*matches)(const MarkupElement&),
                                 QString (*valueOf)(const MarkupElement&));

} // namespace headwise::audit
