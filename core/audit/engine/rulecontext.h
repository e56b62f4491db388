#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/pageaudit.h"
#include "core/audit/model/pagelinkset.h"
#include "core/audit/model/pagemodel.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace headwise::audit {

// What one rule reads: the page as given, as decoded and as parsed.
struct RuleContext {
    const PageInput& input;
    const QString& text;        // decoded
    const LineIndex& lines;     // of text
    const QString& decodedFrom; // the charset the page decoder read the bytes in
    const PageModel& model;
    const AuditConfig& config;
    QDateTime now;
    const PageLinkSet& links;           // canonical and alternate links of the head and the Link headers
    const QList<ItemVerdict>& verdicts; // of model.structuredData's items
};

// A finding before configuration and positions are applied.
struct RawFinding {
    const char* rule;
    QString message;
    Span span;           // length 0 for the page as a whole: such a finding has no line
    QString source = {}; // when it is not the text under span (a response header)
    bool note = false;   // at most info, whatever the rule's severity: a weaker case of the rule
};

using RawFindings = QList<RawFinding>;

// Shared by the checks.
QString collapseWhitespace(QStringView text);
qsizetype codePointCount(QStringView text);
// og:image, og:image:url (its alias) or og:image:secure_url.
bool isOgImage(const MarkupElement& e);
// An address with a scheme and a host, as canonical and social links need.
bool isAbsoluteUrl(const QString& address);
// The header a link came from, to start a message with; nothing for the head's.
QString lead(const LinkRef& link);
// A finding about a canonical or alternate link, from the head or a header.
RawFinding about(const char* rule, const LinkRef& link, const QString& message, bool note = false);

} // namespace headwise::audit
