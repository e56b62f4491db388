#pragma once

#include "core/audit/engine/finding.h"

#include <QAnyStringView>
#include <QList>
#include <QString>
#include <optional>

namespace headwise::audit {

struct RuleContext;
struct RawFinding;
class FixContext;
struct PageFix;
struct SiteReferenceFacts;
struct SitePageFacts;
struct SiteWholeFacts;
class SiteRuleOutput;

// Where a rule looks: one page, every page of the run side by side, or the
// links between the pages of a site.
enum class RuleScope { Page, Run, Site };

// "page", "run", "site"
QString scopeName(RuleScope scope);

// A document the rule follows.
struct RuleSource {
    QString title;
    QString url; // https
};

// Where a fix goes among the others: an <html> tag made for lang must stand
// before the head's tags, and the viewport goes after the charset.
enum class FixStage { HtmlTag, Charset, Viewport, Head };

using PageRuleCheck = void (*)(const RuleContext&, QList<RawFinding>&);
using PageFixer = std::optional<PageFix> (*)(const FixContext&, qsizetype finding);
// A site rule reads each reference of the site once, then each page once every
// page's references are known; either may be absent.
using SiteReferenceCheck = void (*)(const SiteReferenceFacts&, const SiteRuleOutput&);
using SitePageCheck = void (*)(const SitePageFacts&, const SiteRuleOutput&);
// ... and the site as a whole, once, after both.
using SiteWholeCheck = void (*)(const SiteWholeFacts&, const SiteRuleOutput&);

// One rule, written once in its family's file: what it is, what it follows,
// how it is checked and, where it can be, how it is fixed.
struct Rule {
    QString id; // ruleid::kTitleMissing ...
    Severity severity = Severity::Warning;
    RuleScope scope = RuleScope::Page;
    QString description; // one line
    QString help;        // a few sentences
    QList<RuleSource> sources;
    PageRuleCheck check = nullptr; // page rules
    SiteReferenceCheck siteReference = nullptr;
    SitePageCheck sitePage = nullptr;
    SiteWholeCheck siteWhole = nullptr;
    PageFixer fix = nullptr; // where the rule has one
    QString fixHelp;         // what the fix does, and what it needs
    FixStage fixStage = FixStage::Head;
    // Also judged on a page that answers an error: the others are not, as the
    // status says all there is to say.
    bool judgesErrorPages = false;
    // Compares what the page's addresses name, so reads a relative address
    // first once a fix has made it absolute.
    bool comparesAddresses = false;
    // A site rule whose findings judge the address a reference names: reports
    // group them by that address, one repair for every reference to it.
    bool judgesTarget = false;

    bool fixable() const { return fix != nullptr; }
};

// Every rule, family by family (title and description, charset, viewport and
// lang, canonical, robots, hreflang, social, page-level, structured data, site); reports list
// rules in this order.
const QList<Rule>& ruleTable();
const Rule* findRule(QAnyStringView id);
// The registered rule; a rule id that is not registered is a programming
// fault, stopped here so that no finding of it goes unreported.
const Rule& registeredRule(QAnyStringView id);
// Position of the rule in ruleTable(), or -1.
int ruleIndex(QAnyStringView id);

} // namespace headwise::audit
