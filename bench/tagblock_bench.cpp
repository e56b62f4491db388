#include "core/page/tagblock.h"

#include <benchmark/benchmark.h>

static void BM_BuildTagBlock(benchmark::State& state) {
    headwise::TagFields fields;
    fields.title = QStringLiteral("Title");
    fields.keywords = QString(state.range(0), QLatin1Char('k'));
    fields.outputForm = headwise::kFormHtmlPage;
    for (auto _ : state)
        benchmark::DoNotOptimize(headwise::buildTagBlock(fields));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_BuildTagBlock)->Arg(100)->Arg(100000);
