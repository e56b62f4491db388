#include "core/audit/report/pagefacts.h"

#include "core/audit/model/resultpreview.h"
#include "core/audit/model/textwidth.h"
#include "core/audit/report/structureditems.h"

namespace headwise::audit {

PageFacts pageFactsOf(const PageAudit& audit, int httpStatus) {
    PageFacts facts;
    if (audit.hasTitle) {
        facts.title = audit.title;
        facts.titleWidthPx = textWidthPx(audit.title, kTitleFontPx);
    }
    if (audit.hasDescription)
        facts.descriptionLength = audit.description.size();
    if (audit.canonicalLink)
        facts.canonical = audit.canonicalLink->href;
    if (httpStatus >= 400)
        facts.notIndexed = QStringLiteral("the server answered %1").arg(httpStatus);
    else if (!audit.indexable)
        facts.notIndexed = QStringLiteral("noindex");
    else if (audit.namesOtherCanonical)
        facts.notIndexed = QStringLiteral("its canonical names another page");
    facts.structuredData = structuredItems(audit.model.structuredData, audit.itemVerdicts, audit.lines);
    return facts;
}

} // namespace headwise::audit
