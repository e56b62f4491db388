#include "core/page/pagecodec.h"

#include <benchmark/benchmark.h>

namespace {

// Pages of the given size: valid UTF-8, or with Windows-1252 bytes that make
// the UTF-8 attempt fail first.
QByteArray page(qsizetype size, bool utf8) {
    const QByteArray line = utf8 ? QByteArray("<p>caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D text</p>\n")
                                 : QByteArray("<p>caf\xE9 \x93quoted\x94 text</p>\n");
    QByteArray out;
    out.reserve(size + line.size());
    while (out.size() < size)
        out += line;
    return out;
}

void decodeBench(benchmark::State& state, bool utf8) {
    const QByteArray bytes = page(state.range(0), utf8);
    for (auto _ : state)
        benchmark::DoNotOptimize(headwise::decodePage(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_DecodeUtf8Page(benchmark::State& state) {
    decodeBench(state, true);
}
void BM_DecodeWindows1252Page(benchmark::State& state) {
    decodeBench(state, false);
}
BENCHMARK(BM_DecodeUtf8Page)->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeWindows1252Page)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond);

// A head packed with meta tags and no charset: the charset search must stay inside each tag.
void BM_DecodeManyMetaTagsNoCharset(benchmark::State& state) {
    QByteArray bytes;
    while (bytes.size() < state.range(0))
        bytes += "<meta name=\"x\">\xE9";
    for (auto _ : state)
        benchmark::DoNotOptimize(headwise::decodePage(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeManyMetaTagsNoCharset)->Arg(16 << 10)->Arg(64 << 10)->Unit(benchmark::kMillisecond);

void encodeBench(benchmark::State& state, const headwise::PageEncoding& encoding) {
    const headwise::DecodedPage decoded = headwise::decodePage(page(state.range(0), true));
    QString text = decoded.text;
    text += QStringLiteral("\u65E5"); // one character most single-byte encodings lack
    for (auto _ : state)
        benchmark::DoNotOptimize(headwise::encodePage(text, encoding));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_EncodeUtf8Lf(benchmark::State& state) {
    encodeBench(state, {"UTF-8", false, headwise::LineBreak::Lf});
}
void BM_EncodeWindows1252(benchmark::State& state) {
    encodeBench(state, {"windows-1252", false, headwise::LineBreak::Lf});
}
void BM_EncodeIso885915(benchmark::State& state) {
    encodeBench(state, {"ISO-8859-15", false, headwise::LineBreak::Lf});
}
BENCHMARK(BM_EncodeUtf8Lf)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeWindows1252)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeIso885915)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

} // namespace
