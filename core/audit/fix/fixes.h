#pragma once

#include "core/audit/engine/pageaudit.h"
#include "core/page/pagecodec.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace headwise::audit {

// What some fixes need that the page does not say.
struct FixOptions {
    QString lang;      // lang-missing: the page's language; empty: not known
    QString baseUrl;   // the page's published address, for relative addresses; empty: not known
    QStringList rules; // only these; empty: every fixable rule
};

// One repair of the page text, for one or more findings of one rule.
struct PageFix {
    enum class Need { Nothing, BaseUrl, Lang };
    QString rule;
    QString what;              // what it does, for the report: "added <meta charset=\"utf-8\">"
    QList<TextEdit> edits;     // in the audit's text, sorted; none while a need is open
    QList<qsizetype> findings; // the audit's findings it is offered for
    int resolves = 0;          // how many findings of its rule it takes away
    Need need = Need::Nothing;
};

struct Rule;

// The rules that have a fix, in the order their fixes go in: by their fix
// stage, then in rule table order.
const QList<const Rule*>& fixableRules();
bool isFixable(QAnyStringView rule);

// The fixes the audit's findings allow, in fixableRules() order, then page
// order. A fix that needs what options lack is offered with that need and no
// edits; one that cannot be made safely is not offered.
QList<PageFix> offeredFixes(const PageAudit& audit, const FixOptions& options);

// The fixes less those whose edits overlap the edits of one before them.
QList<PageFix> withoutClashes(const QList<PageFix>& fixes);
// The edits of fixes that clash with none, sorted; insertions at one place in
// the order of their fixes.
QList<TextEdit> combinedEdits(const QList<PageFix>& fixes);

} // namespace headwise::audit
