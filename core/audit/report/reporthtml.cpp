// One file to hand on: markup that also reads as XML (so that tools can check
// it), its style, chart and script inline, nothing fetched from anywhere.

#include "core/appinfo.h"
#include "core/audit/engine/chunkedwork.h"
#include "core/audit/report/baseline.h"
#include "core/audit/report/reportformats.h"

#include <QThread>
#include <algorithm>
#include <array>

namespace headwise::audit {
namespace {

constexpr int kChartBars = 10;

// Text for an element or a quoted attribute; what XML cannot carry at all
// (most control characters, lone surrogates) becomes U+FFFD.
void appendEscaped(QString& out, QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            out += xmlForbiddenAt(text, i) ? QChar(QChar::ReplacementCharacter) : c;
        }
    }
}

QString escaped(QStringView text) {
    QString out;
    out.reserve(text.size() + 16);
    appendEscaped(out, text);
    return out;
}

QLatin1String severityClass(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return QLatin1String("error");
    case Severity::Warning:
        return QLatin1String("warning");
    case Severity::Info:
        return QLatin1String("note");
    }
    return {};
}

QLatin1String colourOf(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return QLatin1String("#c62828");
    case Severity::Warning:
        return QLatin1String("#e65100");
    case Severity::Info:
        return QLatin1String("#1565c0");
    }
    return {};
}

const char kStyle[] = R"(
body{font:14px/1.45 system-ui,sans-serif;margin:24px;color:#1b1b1b;background:#fff}
h1{font-size:22px;margin:0 0 4px}h2{font-size:18px;margin:28px 0 8px}h3{font-size:15px;margin:16px 0 4px}
.meta{color:#555;margin:0}
.totals{display:flex;gap:12px;flex-wrap:wrap;margin-top:16px}
.total{border:1px solid #ddd;border-left-width:6px;border-radius:4px;padding:8px 14px;min-width:110px}
.total b{display:block;font-size:22px}
.total.error{border-left-color:#c62828}.total.warning{border-left-color:#e65100}
.total.note{border-left-color:#1565c0}.total.pages,.total.baseline{border-left-color:#777}
.chart text{font-size:12px;fill:#1b1b1b}.chart a text{fill:#0b57d0}
.controls{margin:8px 0;display:flex;gap:8px}
.controls input{flex:1;max-width:420px;padding:4px 6px}
table{border-collapse:collapse;width:100%}
#pages>thead th{position:sticky;top:0;background:#f3f3f3;cursor:pointer;text-align:left;user-select:none}
#pages>thead th[aria-sort=ascending]::after{content:" \25B2"}
#pages>thead th[aria-sort=descending]::after{content:" \25BC"}
th,td{padding:4px 8px;border-bottom:1px solid #e5e5e5;vertical-align:top}
td.n{text-align:right;font-variant-numeric:tabular-nums}
tr.f>td{padding:0 8px 6px 24px;border-bottom:1px solid #ccc}
tr.f summary{cursor:pointer;color:#0b57d0}
.findings td{border:none;padding:2px 8px}
.sev{font-weight:600;white-space:nowrap}
.sev.error{color:#c62828}.sev.warning{color:#e65100}.sev.note{color:#1565c0}
code{font:12px/1.4 ui-monospace,monospace;background:#f6f6f6;display:block;white-space:pre-wrap;
word-break:break-all;margin-top:2px;padding:2px 4px}
.rule{border-top:1px solid #e5e5e5;padding-top:4px}
@media print{.controls{display:none}#pages>thead th{position:static}a{color:inherit}
tbody{break-inside:avoid}}
)";

// Sorts the pages by a column's text or number, filters them by name and by
// what they have, and opens every page's findings for printing.
const char kScript[] = R"(//<![CDATA[
(function(){
var table=document.getElementById('pages'),filter=document.getElementById('filter'),
only=document.getElementById('only'),bodies=Array.prototype.slice.call(table.tBodies);
function wanted(b){var q=filter.value.toLowerCase(),w=only.value,d=b.dataset;
if(q&&b.rows[0].cells[0].textContent.toLowerCase().indexOf(q)<0)return false;
if(w==='error')return d.e>0;if(w==='warning')return d.w>0;if(w==='clean')return d.e==0&&d.w==0&&d.n==0;
return true;}
function show(){bodies.forEach(function(b){b.hidden=!wanted(b);});}
filter.addEventListener('input',show);only.addEventListener('change',show);
var heads=table.tHead.rows[0].cells;
Array.prototype.forEach.call(heads,function(th,col){th.addEventListener('click',function(){
var up=th.getAttribute('aria-sort')!=='ascending',num=th.dataset.sort==='num';
Array.prototype.forEach.call(heads,function(h){h.removeAttribute('aria-sort');});
th.setAttribute('aria-sort',up?'ascending':'descending');
function key(b){var t=b.rows[0].cells[col].textContent;return num?(parseFloat(t)||0):t.toLowerCase();}
bodies.sort(function(a,b){var x=key(a),y=key(b),r=x<y?-1:x>y?1:0;return up?r:-r;});
var frag=document.createDocumentFragment();bodies.forEach(function(b){frag.appendChild(b);});
table.appendChild(frag);});});
window.addEventListener('beforeprint',function(){
Array.prototype.forEach.call(document.querySelectorAll('details'),function(d){d.open=true;});});
})();
//]]>)";

QString ruleAnchor(const QString& rule) {
    return QStringLiteral("r-") + rule; // rule ids are ASCII words and hyphens
}

void writeTotals(QString& out, const QList<PageReport>& pages, const ReportContext& context) {
    const ReportSummary summary = summarize(pages);
    const auto total = [&out](QLatin1String kind, int count, const char* label) {
        out += QStringLiteral("<div class=\"total %1\"><b>%2</b>%3</div>")
                   .arg(kind, QString::number(count), QLatin1String(label));
    };
    out += QLatin1String("<section class=\"totals\" aria-label=\"Totals\">");
    total(QLatin1String("pages"), summary.pages, "pages");
    total(QLatin1String("error"), summary.errors, "errors");
    total(QLatin1String("warning"), summary.warnings, "warnings");
    total(QLatin1String("note"), summary.infos, "notes");
    if (context.baseline && context.baseline->used) {
        total(QLatin1String("baseline"), context.baseline->accepted, "accepted by the baseline");
        total(QLatin1String("baseline"), context.baseline->gone, "accepted, no longer found");
    }
    out += QLatin1String("</section>\n");
}

void writeChart(QString& out, const QList<RuleCount>& counts) {
    out += QLatin1String("<h2>Rules on most pages</h2>\n");
    if (counts.isEmpty()) {
        out += QLatin1String("<p>No rule found anything.</p>\n");
        return;
    }
    const int rows = int(std::min<qsizetype>(counts.size(), kChartBars));
    constexpr int kLabel = 250, kBar = 440, kRow = 24, kWidth = kLabel + kBar + 70;
    const int most = counts.first().pages;
    out +=
        QStringLiteral("<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                       "viewBox=\"0 0 %1 %2\" role=\"img\" aria-label=\"Rules on most pages\">\n")
            .arg(kWidth)
            .arg(rows * kRow + 4);
    for (int i = 0; i < rows; ++i) {
        const RuleCount& count = counts[i];
        const int y = i * kRow + 2;
        const int width = std::max(1, int(double(count.pages) / most * kBar));
        out += QStringLiteral("<a href=\"#%1\"><text x=\"%2\" y=\"%3\" text-anchor=\"end\">%4</text></a>"
                              "<rect x=\"%5\" y=\"%6\" width=\"%7\" height=\"%8\" fill=\"%9\"><title>")
                   .arg(ruleAnchor(count.rule))
                   .arg(kLabel - 8)
                   .arg(y + 15)
                   .arg(escaped(count.rule))
                   .arg(kLabel)
                   .arg(y)
                   .arg(width)
                   .arg(kRow - 6)
                   .arg(colourOf(count.severity));
        out += QStringLiteral("%1: %2 pages, %3 findings</title></rect><text x=\"%4\" y=\"%5\">%6</text>\n")
                   .arg(escaped(count.rule))
                   .arg(count.pages)
                   .arg(count.findings)
                   .arg(kLabel + width + 6)
                   .arg(y + 15)
                   .arg(count.pages);
    }
    out += QLatin1String("</svg>\n");
}

// One <tbody> per page, so that sorting moves a page with its findings.
void writePage(QString& out, const PageReport& page) {
    std::array<int, 3> bySeverity{};
    for (const Finding& finding : page.findings)
        ++bySeverity[size_t(finding.severity)];
    const int errors = bySeverity[size_t(Severity::Error)], warnings = bySeverity[size_t(Severity::Warning)],
              notes = bySeverity[size_t(Severity::Info)];
    out += QStringLiteral("<tbody data-e=\"%1\" data-w=\"%2\" data-n=\"%3\"><tr><td>")
               .arg(errors)
               .arg(warnings)
               .arg(notes);
    appendEscaped(out, page.page);
    out += QLatin1String("</td><td class=\"n\">");
    if (page.status > 0)
        out += QString::number(page.status);
    out += QStringLiteral("</td><td class=\"n\">%1</td><td class=\"n\">%2</td><td class=\"n\">%3</td><td>")
               .arg(errors)
               .arg(warnings)
               .arg(notes);
    appendEscaped(out, page.facts.title);
    out += QLatin1String("</td></tr>\n");
    if (page.findings.isEmpty()) {
        out += QLatin1String("</tbody>\n");
        return;
    }
    out += QStringLiteral("<tr class=\"f\"><td colspan=\"6\"><details><summary>%1 %2</summary>"
                          "<table class=\"findings\">\n")
               .arg(page.findings.size())
               .arg(QLatin1String(page.findings.size() == 1 ? "finding" : "findings"));
    for (const Finding& finding : page.findings) {
        const QLatin1String severity = severityClass(finding.severity);
        out += QStringLiteral("<tr><td class=\"sev %1\">%1</td><td class=\"n\">").arg(severity);
        if (finding.hasPosition())
            out += QStringLiteral("%1:%2").arg(finding.line).arg(finding.column);
        out += QStringLiteral("</td><td><a href=\"#%1\">").arg(ruleAnchor(finding.rule));
        appendEscaped(out, finding.rule);
        out += QLatin1String("</a></td><td>");
        appendEscaped(out, finding.message);
        if (!finding.source.isEmpty()) {
            out += QLatin1String("<code>");
            appendEscaped(out, finding.source);
            out += QLatin1String("</code>");
        }
        out += QLatin1String("</td></tr>\n");
    }
    out += QLatin1String("</table></details></td></tr></tbody>\n");
}

void writePages(QString& out, const QList<PageReport>& pages) {
    out += QLatin1String(
        "<h2>Pages</h2>\n<div class=\"controls\"><input id=\"filter\" type=\"search\" "
        "placeholder=\"Filter pages by name\" aria-label=\"Filter pages by name\"/>"
        "<select id=\"only\" aria-label=\"Show\"><option value=\"\">All pages</option>"
        "<option value=\"error\">With errors</option><option value=\"warning\">With warnings</option>"
        "<option value=\"clean\">Without findings</option></select></div>\n"
        "<table id=\"pages\"><thead><tr><th>Page</th><th data-sort=\"num\">Status</th>"
        "<th data-sort=\"num\">Errors</th><th data-sort=\"num\">Warnings</th><th data-sort=\"num\">Notes</th>"
        "<th>Title</th></tr></thead>\n");
    // A site's report runs to many megabytes: pieces of it are written on all
    // processors, then put in one after another.
    constexpr qsizetype kPagesPerPiece = 32; // enough pieces to keep every processor busy to the end
    QList<QString> pieces((pages.size() + kPagesPerPiece - 1) / kPagesPerPiece);
    QString* const written = pieces.data();
    runChunks(pieces.size(), QThread::idealThreadCount(), [&](qsizetype piece) {
        const qsizetype last = std::min(pages.size(), (piece + 1) * kPagesPerPiece);
        for (qsizetype i = piece * kPagesPerPiece; i < last; ++i)
            writePage(written[piece], pages[i]);
    });
    qsizetype total = out.size();
    for (const QString& piece : std::as_const(pieces))
        total += piece.size();
    out.reserve(total + 64 * 1024);
    for (QString& piece : pieces) {
        out += piece;
        piece = QString();
    }
    out += QLatin1String("</table>\n");
}

// The help and sources of every rule that fired, once: the findings link here.
void writeRules(QString& out, const QList<RuleCount>& counts) {
    if (counts.isEmpty())
        return;
    out += QLatin1String("<h2>Rules</h2>\n");
    for (const RuleCount& count : counts) {
        const Rule* rule = findRule(count.rule);
        if (!rule)
            continue;
        out += QStringLiteral("<div class=\"rule\" id=\"%1\"><h3>").arg(ruleAnchor(rule->id));
        appendEscaped(out, rule->id);
        out += QStringLiteral(" <span class=\"sev %1\">%1</span></h3><p>").arg(severityClass(count.severity));
        appendEscaped(out, rule->help);
        out += QLatin1String("</p>");
        if (!rule->sources.isEmpty()) {
            out += QLatin1String("<ul>");
            for (const RuleSource& source : rule->sources)
                out += QStringLiteral("<li><a href=\"%1\">%2</a></li>")
                           .arg(escaped(source.url), escaped(source.title));
            out += QLatin1String("</ul>");
        }
        out += QLatin1String("</div>\n");
    }
}

} // namespace

QByteArray htmlReport(const QList<PageReport>& pages, const ReportContext& context) {
    QList<RuleCount> counts = ruleCounts(pages);
    std::stable_sort(counts.begin(), counts.end(),
                     [](const RuleCount& a, const RuleCount& b) { return a.pages > b.pages; });
    QString out;
    out += QLatin1String("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\"><head>"
                         "<meta charset=\"utf-8\"/>"
                         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>"
                         "<title>Audit report</title><style>");
    out += QLatin1String(kStyle);
    out += QLatin1String("</style></head>\n<body>\n<h1>Audit report</h1>\n<p class=\"meta\">");
    appendEscaped(out, QString(applicationTitle() + QLatin1Char(' ') + versionText()));
    out += QLatin1String("</p>\n");
    writeTotals(out, pages, context);
    writeChart(out, counts);
    writePages(out, pages);
    writeRules(out, counts);
    out += QLatin1String("<script>");
    out += QLatin1String(kScript);
    out += QLatin1String("</script>\n</body></html>\n");
    return out.toUtf8();
}

} // namespace headwise::audit
