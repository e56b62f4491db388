#include "net/pagefetcher.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/programstarter.h"
#include "platform/settingsstore.h"
#include "platform/shell.h"
#include "ui/extractpanel.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <benchmark/benchmark.h>

namespace {

using namespace headwise;

QApplication& application() {
    static int argc = 1;
    static char name[] = "headwise_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

struct QuietPlatform : SettingsStore, MessageBoxes, FileDialogs, Shell, PageFetcher, ProgramStarter {
    QString read(const QString&, const QString& fallback) override { return fallback; }
    void write(const QString&, const QString&) override {}
    QString readIn(const QString&, const QString&, const QString& fallback) override { return fallback; }
    void writeIn(const QString&, const QString&, const QString&) override {}
    void show(QWidget*, const QString&, const QString&, MessageIcon) override {}
    QString openFile(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFolder(QWidget*, const QString&) override { return {}; }
    bool open(const QUrl&) override { return true; }
    QString getPageSource(const QString&, std::stop_token) override { return page; }
    FetchResult fetch(const QString&, std::stop_token) override { return {}; }
    QString locate(const QString&) override { return {}; }
    bool start(const QString&) override { return false; }
    QString page;
};

// Distinct words of 11 characters, so every one of them reaches the list.
QString distinctWords(int count) {
    QString page;
    for (int i = 0; i < count; ++i)
        page += QStringLiteral("sample%1 ").arg(100000 + i);
    return page;
}

QString markupPage(qsizetype bytes) {
    QString page;
    for (qsizetype n = 0; page.size() < bytes; ++n)
        page += QStringLiteral("<tr><td class=\"x\">carpet%1 flooring tiles%2</td></tr>\r\n")
                    .arg(n % 9000)
                    .arg(n % 700);
    return page;
}

// The whole web load as the user sees it: fetch, chain, list shown and painted.
void runLoad(benchmark::State& state, const QString& page) {
    application();
    QuietPlatform outside;
    outside.page = page;
    ExtractPanel panel;
    panel.setPlatform(Platform{outside, outside, outside, outside, outside, outside});
    panel.show();
    panel.findChild<QLineEdit*>(QStringLiteral("txtUrl2"))->setText(QStringLiteral("http://127.0.0.1/page"));
    auto* go = panel.findChild<QPushButton*>(QStringLiteral("txtGetSrc2"));
    const QAbstractItemModel* names = panel.findChild<QListView*>(QStringLiteral("lstNames"))->model();
    for (auto _ : state) {
        go->click();
        QCoreApplication::processEvents();
    }
    state.counters["entries"] = names->rowCount();
}

void BM_ExtractPanelHundredThousandEntries(benchmark::State& state) {
    runLoad(state, distinctWords(100000));
}

void BM_ExtractPanelMarkupPage(benchmark::State& state) {
    runLoad(state, markupPage(state.range(0)));
}

} // namespace

BENCHMARK(BM_ExtractPanelHundredThousandEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractPanelMarkupPage)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
