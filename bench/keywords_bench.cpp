#include "core/keywords/keywords.h"

#include <QStringList>
#include <benchmark/benchmark.h>

namespace {

// A page of about `bytes` characters: markup, styles, a script and running
// text whose words repeat often enough to exercise de-duplication.
QString generatedPage(qsizetype bytes) {
    static const QStringList vocabulary = {"carpet",       "flooring", "tiles",    "hardwood",  "laminate",
                                           "installation", "warranty", "delivery", "showroom",  "underlay",
                                           "bamboo",       "vinyl",    "ceramic",  "porcelain", "estimate"};
    QString page = QStringLiteral("<html><head><meta name=\"keywords\" content=\"rugs\"><style>body "
                                  "{ font-face: arial; color: rgb(0,0,0); }</style></head><body>\r\n");
    page.reserve(bytes + 512);
    for (qsizetype n = 0; page.size() < bytes; ++n) {
        page += QStringLiteral("<table><tr><td align=\"left\"><font face=\"Verdana\">");
        for (int w = 0; w < 12; ++w)
            page += vocabulary[(n * 7 + w) % vocabulary.size()] + QString::number((n * 13 + w) % 5000) + ' ';
        page +=
            QStringLiteral("</font></td></tr></table>\r\n<a href=\"page.html\">Home Page</a>&nbsp;<br>\r\n");
    }
    return page;
}

void BM_KeywordChain(benchmark::State& state) {
    const QString page = generatedPage(state.range(0));
    qsizetype found = 0;
    for (auto _ : state) {
        QStringList words = headwise::wordList(headwise::stripHtml(page));
        headwise::removeRedundantWords(words);
        headwise::clearDoubles(words);
        found = words.size();
        benchmark::DoNotOptimize(words);
    }
    state.counters["words"] = double(found);
    state.SetBytesProcessed(state.iterations() * page.size());
}

void BM_StripHtml(benchmark::State& state) {
    const QString page = generatedPage(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(headwise::stripHtml(page));
    state.SetBytesProcessed(state.iterations() * page.size());
}

} // namespace

BENCHMARK(BM_KeywordChain)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripHtml)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
