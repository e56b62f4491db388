// auditPage on a 40 KB page with a realistic head: the usual case, where only
// the head is parsed, and a page whose body holds a meta tag, which needs the
// whole page parsed.

#include "core/audit/engine/pageaudit.h"
#include "core/audit/engine/pagecheck.h"
#include "core/audit/model/pagemodel.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray page(bool metaInBody) {
    QByteArray head =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Balcony gardening: tools, pots and plants for small spaces</title>\n"
        "<meta name=\"description\" content=\"What to grow on a balcony, which tools you need, and "
        "how to keep it all tidy through the seasons.\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<link rel=\"canonical\" href=\"https://example.com/garden/balcony\">\n"
        "<link rel=\"alternate\" hreflang=\"de\" href=\"https://example.com/de/garden/balcony\">\n"
        "<meta property=\"og:title\" content=\"Balcony gardening\">\n"
        "<meta property=\"og:type\" content=\"article\">\n"
        "<meta property=\"og:image\" content=\"https://example.com/img/balcony.jpg\">\n"
        "<meta property=\"og:url\" content=\"https://example.com/garden/balcony\">\n"
        "<meta name=\"twitter:card\" content=\"summary_large_image\">\n"
        "<link rel=\"stylesheet\" href=\"/css/site.css\">\n"
        "<style>body{font-family:sans-serif;margin:0}.nav a{padding:4px}</style>\n"
        "<script src=\"/js/site.js\" defer></script>\n"
        "<script>window.dataLayer=window.dataLayer||[];function gtag(){dataLayer.push(arguments)}"
        "</script>\n</head>\n";
    QByteArray body =
        "<body>\n<nav class=\"nav\"><a href=\"/\">Home</a> <a href=\"/garden/\">Garden</a></nav>\n";
    const QByteArray block =
        "<section><h2>Pots that drain</h2><p>Terracotta breathes, plastic keeps water longer; "
        "either way the pot needs a hole. <a href=\"/garden/pots\">More on pots</a>, "
        "<em>and</em> a word on saucers.</p>\n<ul><li>Trowel</li><li>Watering can</li>"
        "<li>Gloves</li></ul><img src=\"/img/pot.jpg\" alt=\"A pot\"></section>\n";
    while (head.size() + body.size() < 40 * 1024)
        body += block;
    if (metaInBody)
        body += "<meta name=\"robots\" content=\"noindex\">\n";
    body += "<script>document.querySelectorAll('a').forEach(function(a){a.rel='noopener'})</script>\n"
            "</body>\n</html>\n";
    return head + body;
}

void auditBench(benchmark::State& state, bool metaInBody) {
    headwise::audit::PageInput input;
    input.bytes = page(metaInBody);
    input.address = QStringLiteral("https://example.com/garden/balcony");
    const headwise::audit::AuditConfig config;
    for (auto _ : state)
        benchmark::DoNotOptimize(headwise::audit::auditPage(input, config));
    state.SetBytesProcessed(state.iterations() * input.bytes.size());
}

void BM_AuditPage40K(benchmark::State& state) {
    auditBench(state, false);
}
void BM_AuditPage40KMetaInBody(benchmark::State& state) {
    auditBench(state, true);
}
BENCHMARK(BM_AuditPage40K)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AuditPage40KMetaInBody)->Unit(benchmark::kMicrosecond);

// The parser alone over the whole page, for comparison.
void BM_ParseWholePage40K(benchmark::State& state) {
    const QByteArray text = page(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(headwise::audit::parseWholePage(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ParseWholePage40K)->Unit(benchmark::kMicrosecond);

// Findings moved back to an editor's positions on a minified page: one line of
// state.range(0) KB with a reference every 100 characters and a finding every
// 1,000; the time should grow with the page, not with page times findings.
void BM_MapFindingsOneLongLine(benchmark::State& state) {
    const QString piece = QStringLiteral("&#937;") + QString(94, u'x');
    const QString textPiece = QString(QChar(0x3a9)) + QString(94, u'x');
    QString decoded, text;
    for (qsizetype size = 0; size < state.range(0) * 1024; size += piece.size()) {
        decoded += piece;
        text += textPiece;
    }
    QList<headwise::audit::Finding> findings;
    for (qsizetype at = 10; at < decoded.size(); at += 1000)
        findings << headwise::audit::Finding{.rule = {},
                                             .severity = {},
                                             .message = {},
                                             .line = 1,
                                             .column = 1,
                                             .offset = at,
                                             .length = 5,
                                             .source = {}};
    for (auto _ : state) {
        QList<headwise::audit::Finding> mapped = findings;
        headwise::audit::mapFindingsToText(mapped, decoded, text);
        benchmark::DoNotOptimize(mapped);
    }
    state.SetBytesProcessed(state.iterations() * decoded.size() * 2);
}
BENCHMARK(BM_MapFindingsOneLongLine)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
