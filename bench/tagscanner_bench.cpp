#include "core/page/tagscanner.h"

#include <QString>
#include <benchmark/benchmark.h>

namespace {

// A page of about the given size in characters: a head with the generator's
// tags and a few foreign meta tags, then body paragraphs, with a second block
// of tags at the very end so that the scanners must walk the whole page.
QString generatedPage(qsizetype size) {
    const QString tags = QStringLiteral("<meta charset=\"utf-8\">\r\n"
                                        "<META NAME=\"Keywords\" Content=\"rugs, mats\">\r\n"
                                        "<META NAME=\"Description\" Content=\"Rugs\">\r\n"
                                        "<META NAME=\"Robots\" Content=\"ALL\">\r\n"
                                        "<META NAME=\"Rating\" Content=\"General\">\r\n"
                                        "<META NAME=\"Revisit\" Content=\"7 Days\">\r\n"
                                        "<title>Rugs</title>\r\n");
    const QString paragraph =
        QStringLiteral("<p class=\"body\">Hand made rugs and mats, woven <b>to order</b>, "
                       "meta data &amp; more; <a href=\"x.htm\">more</a>.</p>\r\n");
    QString page = QStringLiteral("<html>\r\n<head>\r\n") + tags + QStringLiteral("</head>\r\n<body>\r\n");
    page.reserve(size + tags.size() + 64);
    while (page.size() < size)
        page += paragraph;
    page += tags + QStringLiteral("</body>\r\n</html>\r\n");
    return page;
}

void BM_ScanPage(benchmark::State& state) {
    const QString page = generatedPage(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(headwise::listMetaTags(page));
        for (headwise::ScannedTag tag : headwise::kReportOrder)
            benchmark::DoNotOptimize(headwise::scanTag(tag, page));
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

} // namespace

BENCHMARK(BM_ScanPage)
    ->Arg(100 * 1000)
    ->Arg(1000 * 1000)
    ->Arg(10 * 1000 * 1000)
    ->Unit(benchmark::kMillisecond);
