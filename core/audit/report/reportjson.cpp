#include "core/audit/report/baseline.h"
#include "core/audit/report/jsonwriter.h"
#include "core/audit/report/reportformats.h"

#include "core/audit/engine/chunkedwork.h"

#include <QThread>

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

namespace headwise::audit {

namespace {

// The rules across a site's pages, seen whole: what a site owner charts.
void writeSite(JsonWriter& json, const SiteSummary& site) {
    json.key(u"site");
    json.beginObject();
    json.key(u"pages");
    json.value(qint64(site.pages));
    json.key(u"references");
    json.value(qint64(site.references));
    json.key(u"brokenLinks");
    json.value(qint64(site.brokenLinks));
    json.key(u"orphans");
    json.beginArray();
    for (const QString& orphan : site.orphans)
        json.value(orphan);
    json.endArray();
    json.key(u"redirectChains");
    json.beginArray();
    for (const RedirectChain& chain : site.redirects) {
        json.beginObject();
        json.key(u"hops");
        json.beginArray();
        for (const QString& hop : chain.hops)
            json.value(hop);
        json.endArray();
        json.key(u"loop");
        json.boolean(chain.loop);
        json.endObject();
    }
    json.endArray();
    // One repair each: the missing page, not every link to it.
    json.key(u"brokenTargets");
    json.beginArray();
    for (const BrokenTarget& target : site.brokenTargets) {
        json.beginObject();
        json.key(u"target");
        json.value(target.target);
        json.key(u"rule");
        json.value(target.rule);
        json.key(u"problem");
        json.value(target.problem);
        json.key(u"pages");
        json.value(qint64(target.pages));
        json.key(u"references");
        json.value(qint64(target.references));
        json.endObject();
    }
    json.endArray();
    json.key(u"address");
    if (site.address.from == SiteAddress::From::None) {
        json.null();
    } else {
        json.beginObject();
        json.key(u"url");
        json.value(site.address.url);
        json.key(u"from");
        json.value(site.address.from == SiteAddress::From::Given ? QStringLiteral("base-url")
                                                                 : QStringLiteral("canonicals"));
        json.key(u"canonicals");
        json.value(qint64(site.address.canonicals));
        json.endObject();
    }
    json.endObject();
}

// The page's structured data items and what Google's rich results make of them.
void writeStructuredData(JsonWriter& json, const QList<StructuredItemFacts>& items) {
    json.key(u"structuredData");
    json.beginArray();
    for (const StructuredItemFacts& item : items) {
        json.beginObject();
        json.key(u"type");
        json.value(item.type);
        json.key(u"format");
        json.value(item.format);
        json.key(u"line");
        json.value(item.line);
        json.key(u"richResult");
        if (item.richResults.isEmpty())
            json.null();
        else
            json.value(item.richResults.join(QLatin1String(", ")));
        json.key(u"eligible");
        json.boolean(item.eligible);
        json.key(u"missing");
        json.beginArray();
        for (const QString& path : item.missing)
            json.value(path);
        json.endArray();
        json.endObject();
    }
    json.endArray();
}

// One page's object, as it stands in the report's "pages" array.
void writePage(JsonWriter& json, const PageReport& page) {
    json.beginObject();
    json.key(u"page");
    json.value(page.page);
    json.key(u"url");
    json.value(page.url);
    json.key(u"status");
    if (page.status > 0)
        json.value(page.status);
    else
        json.null(); // a file has no HTTP status
    json.key(u"findings");
    json.beginArray();
    for (const Finding& finding : page.findings) {
        json.beginObject();
        json.key(u"rule");
        json.value(finding.rule);
        json.key(u"severity");
        json.value(severityName(finding.severity));
        json.key(u"message");
        json.value(finding.message);
        // A finding about the page as a whole has no place in it.
        json.key(u"line");
        if (finding.hasPosition())
            json.value(finding.line);
        else
            json.null();
        json.key(u"column");
        if (finding.hasPosition())
            json.value(finding.column);
        else
            json.null();
        json.key(u"source");
        json.value(finding.source);
        json.endObject();
    }
    json.endArray();
    writeStructuredData(json, page.facts.structuredData);
    json.endObject();
}

} // namespace

void jsonReport(const QList<PageReport>& pages, const SiteSummary* site, const BaselineOutcome* baseline,
                const ReportSink& sink) {
    QByteArray out;
    JsonWriter json(out);
    json.beginObject();
    json.key(u"version");
    json.value(1);
    json.key(u"pages");
    json.beginArray();
    // A site's report runs to many megabytes: pieces of its pages are made on
    // all processors and go out in order as soon as they can, so that the
    // memory of one is used again for the next instead of all held at once.
    constexpr qsizetype kPagesPerPiece = 8; // small, and still enough to keep every processor busy
    const qsizetype count = (pages.size() + kPagesPerPiece - 1) / kPagesPerPiece;
    std::vector<std::optional<QByteArray>> made(static_cast<size_t>(count));
    qsizetype nextOut = 0;
    std::mutex order;
    runChunks(count, QThread::idealThreadCount(), [&](qsizetype piece) {
        QByteArray bytes;
        JsonWriter pieceJson(bytes, 2);
        const qsizetype last = std::min(pages.size(), (piece + 1) * kPagesPerPiece);
        for (qsizetype i = piece * kPagesPerPiece; i < last; ++i)
            writePage(pieceJson, pages[i]);
        const std::lock_guard lock(order);
        made[size_t(piece)] = std::move(bytes);
        for (; nextOut < count && made[size_t(nextOut)]; ++nextOut) {
            json.elementFollows();
            sink(out);
            out.clear();
            sink(*made[size_t(nextOut)]);
            made[size_t(nextOut)].reset();
        }
    });
    json.endArray();
    const ReportSummary summary = summarize(pages);
    json.key(u"summary");
    json.beginObject();
    json.key(u"pages");
    json.value(summary.pages);
    json.key(u"errors");
    json.value(summary.errors);
    json.key(u"warnings");
    json.value(summary.warnings);
    json.key(u"infos");
    json.value(summary.infos);
    if (baseline && baseline->used) {
        json.key(u"accepted");
        json.value(baseline->accepted);
        json.key(u"acceptedGone");
        json.value(baseline->gone);
    }
    json.endObject();
    if (site)
        writeSite(json, *site);
    json.endObject();
    sink(out);
}

} // namespace headwise::audit
