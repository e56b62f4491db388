// How long the GUI thread goes without processing events while each panel
// operation runs on a 10 MB page: a 5 ms timer records its longest gap.
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/headwise_stall_probe
// With HEADWISE_PROBE_SITE=FOLDER (bench/make_site.py writes one) Site Check
// also audits that folder, sorts, filters and scrolls its table, and the
// probe's peak memory is printed last.

#include "core/page/pagecodec.h"
#include "doubles.h"
#include "ui/checkwindow.h"
#include "ui/form1.h"
#include "ui/job.h"
#include "ui/sitecheckwindow.h"
#include "ui/sitepagesmodel.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

using namespace headwise;
using namespace headwise::testing;

namespace {

QByteArray tenMegabytePage() {
    QByteArray page = "<html><head><title>Probe</title>\r\n<META NAME=\"Keywords\" Content=\"a, b\">\r\n"
                      "<META NAME=\"Description\" Content=\"d\">\r\n</head><body>\r\n";
    const QByteArray paragraph = "<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod "
                                 "tempor incididunt ut labore et dolore magna aliqua.</p>\r\n";
    while (page.size() < 10 * 1024 * 1024)
        page += paragraph;
    return page + "</body></html>\r\n";
}

// The fetch as the panel sees it: the page's bytes decoded as a fetched page is.
class FixedFetcher : public PageFetcher {
public:
    explicit FixedFetcher(QByteArray body) : body_(std::move(body)) {}
    QString getPageSource(const QString&, std::stop_token) override {
        return decodePage(body_, QByteArray()).text;
    }
    FetchResult fetch(const QString& url, std::stop_token) override {
        return {.ok = true,
                .error = {},
                .finalUrl = url,
                .redirects = {},
                .status = 200,
                .body = body_,
                .contentType = "text/html",
                .charset = {},
                .headers = {}};
    }

private:
    QByteArray body_;
};

struct Probe {
    qint64 totalMs = 0;
    qint64 longestGapMs = 0;
};

Probe measure(const std::function<void()>& operation) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    QCoreApplication::processEvents();
    clock.start();
    tick.start();
    operation();
    const qint64 total = clock.elapsed();
    longest = std::max(longest, total - last);
    return {total, longest};
}

// Events are handled until done() holds, for a minute at most.
void waitUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(60000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// An operation ends when no job of the window runs any more.
void waitForJobs(const QWidget& window) {
    waitUntil([&window] {
        const QList<Job*> jobs = window.findChildren<Job*>();
        return std::none_of(jobs.begin(), jobs.end(), [](const Job* job) { return job->running(); });
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray page = tenMegabytePage();
    const QString path = dir.filePath(QStringLiteral("page.htm"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size())
            return 2;
    }
    PlatformDoubles doubles;
    ScriptedFileDialogs& files = doubles.files;
    FixedFetcher fetcher(page);
    Form1 window(doubles.platform(fetcher));
    window.show();
    const auto button = [&](const char* name) {
        return window.findChild<QPushButton*>(QString::fromLatin1(name));
    };
    const auto insertTags = [&] {
        window.cmdCreate_Click();
        window.findChild<QPlainTextEdit*>(QStringLiteral("txtDoc"))
            ->setPlainText(QStringLiteral("<META NAME=\"Robots\" Content=\"ALL\">"));
        button("cmdInsert2")->click();
    };
    const auto checkShown = [&] {
        waitForJobs(window); // the change is in the box, and the audit's pause under way
        waitUntil([&] {
            const CheckWindow* check = window.findChild<CheckWindow*>();
            return check && check->shownGeneration() > 0 && check->upToDate();
        });
    };

    struct Operation {
        const char* name;
        std::function<void()> run;
    };
    std::vector<Operation> operations = {
        {"Analyze: load file",
         [&] {
             window.cmdAnalyze_Click();
             files.prepareAnswer(path);
             button("cmdFile")->click();
         }},
        {"Analyze: fetch",
         [&] {
             window.cmdAnalyze_Click();
             window.findChild<QLineEdit*>(QStringLiteral("txtUrl"))
                 ->setText(QStringLiteral("http://probe.example/"));
             button("txtGetSrc")->click();
         }},
        {"Create: Insert Tags", insertTags},
        {"Extract: load file and chain",
         [&] {
             window.cmdExtract_Click();
             files.prepareAnswer(path);
             button("cmdFile2")->click();
         }},
        // The audit waits for a pause in the page's changes; that pause is in the total.
        {"Check Page: open and audit",
         [&] {
             window.mnuCheck_Click();
             checkShown();
         }},
        {"Check Page: Insert Tags",
         [&] {
             insertTags();
             checkShown();
         }},
        {"Check Page: a key typed",
         [&] {
             window.cmdAnalyze_Click();
             auto* box = window.findChild<QPlainTextEdit*>(QStringLiteral("Text"));
             box->moveCursor(QTextCursor::End);
             QTest::keyClick(box, Qt::Key_X);
             checkShown();
         }},
    };
    const QString siteFolder = qEnvironmentVariable("HEADWISE_PROBE_SITE");
    const auto siteTable = [&] { return window.findChild<QTableView*>(QStringLiteral("tblSitePages")); };
    if (!siteFolder.isEmpty()) {
        const std::vector<Operation> site = {
            {"Site Check: folder site",
             [&] {
                 window.mnuCheckSite_Click();
                 window.findChild<QComboBox*>(QStringLiteral("cboSiteInput"))->setCurrentText(siteFolder);
                 button("cmdSiteStart")->click();
             }},
            {"Site Check: sort by title",
             [&] { siteTable()->sortByColumn(SitePagesModel::TitleColumn, Qt::AscendingOrder); }},
            {"Site Check: sort by errors",
             [&] { siteTable()->sortByColumn(SitePagesModel::ErrorsColumn, Qt::DescendingOrder); }},
            {"Site Check: filter by text",
             [&] {
                 window.findChild<QLineEdit*>(QStringLiteral("txtSiteFilter"))->setText(QStringLiteral("4"));
             }},
            // The stop's total is the time from Stop to the result shown.
            {"Site Check: run, Stop, again",
             [&] {
                 button("cmdSiteStart")->click();
                 waitUntil([&] { return siteTable()->model()->rowCount() >= 1000; });
                 const Probe stop = measure([&] {
                     button("cmdSiteStart")->click();
                     waitForJobs(window);
                 });
                 std::printf("%-30s %10lld %16lld\n", "Site Check: Stop",
                             static_cast<long long>(stop.totalMs), static_cast<long long>(stop.longestGapMs));
                 button("cmdSiteStart")->click(); // the whole site again, for the operations after
             }},
            {"Site Check: scroll to the end",
             [&] {
                 QScrollBar* bar = siteTable()->verticalScrollBar();
                 for (int step = 0; step <= 20; ++step) {
                     bar->setValue(bar->maximum() * step / 20);
                     QCoreApplication::processEvents();
                 }
             }},
        };
        operations.insert(operations.end(), site.begin(), site.end());
    }
    std::printf("%-30s %10s %16s\n", "operation (10 MB page)", "total ms", "longest gap ms");
    for (const auto& operation : operations) {
        const Probe probe = measure([&] {
            operation.run();
            waitForJobs(window);
        });
        std::printf("%-30s %10lld %16lld\n", operation.name, static_cast<long long>(probe.totalMs),
                    static_cast<long long>(probe.longestGapMs));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory of the probe (MB): %ld\n", usage.ru_maxrss / 1024);
    return 0;
}
