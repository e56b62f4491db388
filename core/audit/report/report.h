#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/finding.h"
#include "core/audit/model/siteaddress.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace headwise::audit {

// A structured data item of a page, as the reports list it.
struct StructuredItemFacts {
    QString type;                     // its types, "Product" or "Product, Thing"
    QString format;                   // "json-ld" or "microdata"
    int line = 0;                     // of its block or element
    QStringList richResults;          // what it may earn; empty for none
    bool eligible = false;            // for one of them, nothing required missing
    QStringList missing;              // the required properties it lacks
    qsizetype offset = 0, length = 0; // its block or element in the decoded text
};

// What a table of a site's pages shows of each page besides its findings.
struct PageFacts {
    QString title;                    // whitespace collapsed; empty when the page has none
    double titleWidthPx = 0;          // as a search result sets it
    qsizetype descriptionLength = -1; // characters; -1 when the page has none
    QString canonical;                // as written
    QString notIndexed;               // why a search engine would leave the page out; empty if it would not
    QList<StructuredItemFacts> structuredData = {}; // top-level items, in page order
};

// One audited page as every report format shows it.
struct PageReport {
    QString page;   // the file path or address as the run named it
    QString url;    // file:// URL for files; the final address after redirects for fetched pages
    int status = 0; // HTTP status of a fetched page; 0 for files
    QList<Finding> findings;
    PageFacts facts = {};
};

// A chain of redirects that a reference of a site goes through.
struct RedirectChain {
    QStringList hops; // the addresses in order, the last the one it ends at
    bool loop = false;
};

// A finding that names a broken target, with the page it stands on.
struct TargetFinding {
    QString page; // as the run named it
    Finding finding;
};

// An address that references name and a rule judges broken (a missing page,
// a canonical that redirects), with what names it: one repair for them all.
struct BrokenTarget {
    QString rule;    // the rule that judged it (link-broken, canonical-target ...)
    QString target;  // as the rule's messages name it
    QString problem; // what is wrong with it: "does not exist in the folder", "answers 404" ...
    qsizetype pages = 0, references = 0;
    // The findings counted, in page order: a baseline that accepts some takes them out of the counts.
    QList<TargetFinding> findings = {};
};

// What the rules across a run's sites saw, for the JSON report.
struct SiteSummary {
    bool present = false; // some page of the run belonged to a site
    qsizetype pages = 0, references = 0, brokenLinks = 0;
    QStringList orphans; // by page name
    QList<RedirectChain> redirects;
    // Rule by rule (in rule table order), the targets named most first.
    QList<BrokenTarget> brokenTargets;
    SiteAddress address; // of the first folder site; From::None for none
};

struct ReportSummary {
    int pages = 0;
    int errors = 0;
    int warnings = 0;
    int infos = 0;
};
ReportSummary summarize(const QList<PageReport>& pages);

enum class ReportFormat { Text, Json, Sarif, Junit, Csv, Github, Html };
// "text", "json", "sarif", "junit", "csv", "github", "html"
std::optional<ReportFormat> parseReportFormat(QStringView name);

struct BaselineOutcome;

// Takes a report's bytes as they are made.
using ReportSink = std::function<void(QByteArrayView)>;

struct ReportContext {
    const AuditConfig* config = nullptr; // which rules are off (junit marks them skipped)
    QString sourceRoot; // file:// URL of a folder ending in '/'; SARIF names files below it relatively
    const SiteSummary* site = nullptr;         // JSON gives it as "site" when present
    const BaselineOutcome* baseline = nullptr; // the summaries count what it accepted
};
// The file:// URL of a folder, ending in '/', as ReportContext::sourceRoot.
QString sourceRootOf(const QString& folder);

// Every rule with its default severity and description: a line each for text,
// {"rules":[{"id","severity","description","help"}]} for JSON; nullopt for the other formats.
std::optional<QByteArray> writeRuleList(ReportFormat format);

// How often a rule fired in a run, and on how many pages.
struct RuleCount {
    QString rule;
    Severity severity = Severity::Warning; // its findings' (as the settings make it)
    int findings = 0, pages = 0;
    double share = 0;     // of the pages audited, from 0 to 1
    bool fixable = false; // --fix repairs it
    QString help;         // one line: why it matters and how to repair it
};
// Every rule that fired, in rule table order (worstFirst() sorts them as an Issues view does).
QList<RuleCount> ruleCounts(const QList<PageReport>& pages);

// Where to start on a long report: one line per rule that fired, worst first
// (worstFirst()), with its severity, pages, findings, whether --fix repairs it
// and its help line; then, when site is given, its broken targets.
QByteArray ruleSummary(const QList<PageReport>& pages, const SiteSummary* site = nullptr);
// After it with --summary: "structured data: Product 3 (2 eligible), Article 1 (1 eligible)",
// most items first; nothing for a run without structured data.
QByteArray structuredDataSummary(const QList<PageReport>& pages);

// The whole report as UTF-8, into sink piece after piece, in order. The
// pieces may come on any thread, one at a time.
void writeReport(ReportFormat format, const QList<PageReport>& pages, const ReportContext& context,
                 const ReportSink& sink);

} // namespace headwise::audit
