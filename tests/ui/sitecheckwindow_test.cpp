#include "core/audit/engine/finding.h"
#include "net/curlpagefetcher.h"
#include "testfiles.h"
#include "ui/analyzepanel.h"
#include "ui/checkwindow.h"
#include "ui/sitecheckwindow.h"
#include "ui/siterulechart.h"
#include "webformfixture.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QBarSet>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHorizontalStackedBarSeries>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::testing;
using namespace std::chrono_literals;

namespace {

QByteArray runCli(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(HEADWISE_CLI), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << "headwise-cli did not finish";
    return process.readAllStandardOutput();
}

// "page|rule|line" for every finding of a JSON report.
QSet<QString> findingsOfJson(const QByteArray& json) {
    QSet<QString> out;
    for (const QJsonValue page : QJsonDocument::fromJson(json).object().value("pages").toArray())
        for (const QJsonValue f : page.toObject().value("findings").toArray())
            out.insert(page.toObject().value("page").toString() + '|' +
                       f.toObject().value("rule").toString() + '|' +
                       QString::number(f.toObject().value("line").toInt()));
    return out;
}

// What Export writes to the CSV file the save dialog is answered with.
QByteArray exportedCsv(SiteCheckWindow* site, ScriptedFileDialogs& files) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("report.csv");
    files.prepareAnswer(csv);
    findControl<QPushButton>(site, "cmdSiteExport")->click();
    QFile written(csv);
    EXPECT_TRUE(written.open(QIODevice::ReadOnly)) << "nothing exported";
    return written.readAll();
}

// A site of four pages: a missing title, a broken link, an orphan, a nofollow link.
void writeSite(const QString& root) {
    QDir().mkpath(root + "/b");
    const QByteArray head = "<!doctype html><html lang=\"en\"><head><meta charset=\"utf-8\">"
                            "<meta name=\"viewport\" content=\"width=device-width\">";
    writeTestFile(root + "/index.html",
                  head + "<title>Rugs and carpets from the old weaving mill</title></head><body>\n"
                         "<a href=\"a.html\">a</a>\n<a href=\"missing.html\">gone</a>\n"
                         "<a href=\"b/\" rel=\"nofollow\">b</a></body></html>\n");
    writeTestFile(root + "/a.html", head + "</head><body><a href=\"/\">home</a></body></html>\n");
    writeTestFile(root + "/b/index.html",
                  head + "<title>B</title></head><body><a href=\"../\">up</a></body></html>\n");
    writeTestFile(root + "/orphan.html",
                  head + "<title>Nobody links here</title></head><body></body></html>\n");
}

class SiteCheckTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        ASSERT_TRUE(dir.isValid());
        root = dir.filePath("site");
        writeSite(root);
        window->mnuCheckSite_Click();
        site = window->findChild<SiteCheckWindow*>();
        ASSERT_NE(site, nullptr);
        table = findControl<QTableView>(site, "tblSitePages");
    }

    void audit(const QString& input) {
        findControl<QComboBox>(site, "cboSiteInput")->setCurrentText(input);
        findControl<QPushButton>(site, "cmdSiteStart")->click();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !site->running(); }, 30000));
    }

    QString message() const { return findControl<QLabel>(site, "lblSiteMessage")->text(); }

    // "page|rule|line" for every finding the table's pages carry.
    QSet<QString> findingsOfTable() const {
        QSet<QString> out;
        QTreeView* list = findControl<QTreeView>(site, "lstSiteFindings");
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            table->setCurrentIndex(table->model()->index(row, 0));
            const QString page = table->model()->index(row, 0).data().toString();
            for (int f = 0; f < list->model()->rowCount(); ++f) {
                const QVariant line = list->model()->index(f, 3).data();
                out.insert(page + '|' + list->model()->index(f, 1).data().toString() + '|' +
                           QString::number(line.isValid() ? line.toInt() : 0));
            }
        }
        return out;
    }

    QTemporaryDir dir;
    QString root;
    SiteCheckWindow* site = nullptr;
    QTableView* table = nullptr;
};

TEST_F(SiteCheckTest, OpensOnceFromToolsWithDistinctAccessKeys) {
    EXPECT_EQ(find<QAction>("mnuCheckSite")->text(), "Check &Site...");
    window->mnuCheckSite_Click();
    EXPECT_EQ(window->findChildren<SiteCheckWindow*>().size(), 1);
    EXPECT_EQ(site->objectName(), "frmSiteCheck");
    EXPECT_EQ(site->windowTitle(), "Site Check");
    QStringList texts;
    for (const QLabel* label : site->findChildren<QLabel*>())
        texts << label->text();
    for (const QPushButton* button : site->findChildren<QPushButton*>())
        texts << button->text();
    QSet<QChar> keys;
    for (const QString& text : texts)
        if (const qsizetype at = text.indexOf('&'); at >= 0) {
            EXPECT_FALSE(keys.contains(text[at + 1].toLower())) << text.toStdString();
            keys.insert(text[at + 1].toLower());
        }
    EXPECT_GE(keys.size(), 9);
}

TEST_F(SiteCheckTest, FolderFillsTheTableWithTheFindingsOfTheCommandLine) {
    audit(root);
    EXPECT_EQ(table->model()->rowCount(), 4);
    const QSet<QString> expected = findingsOfJson(runCli({"audit", root, "--format", "json"}));
    EXPECT_TRUE(expected.contains(root + "/a.html|title-missing|0"));
    EXPECT_TRUE(expected.contains(root + "/index.html|link-broken|3"));
    EXPECT_EQ(findingsOfTable(), expected);
    EXPECT_EQ(findControl<QPushButton>(site, "cmdSiteStart")->text(), "&Start");
    EXPECT_TRUE(findControl<QPushButton>(site, "cmdSiteExport")->isEnabled());
    EXPECT_TRUE(findControl<QLabel>(site, "lblSiteSummary")->text().startsWith("4 pages, "));
    EXPECT_EQ(settings.readIn("SiteCheck", "Input1", {}), root);
}

TEST_F(SiteCheckTest, ABarClickShowsOnlyThePagesWithItsRuleAndASecondShowsAllAgain) {
    audit(root);
    auto* chart = findControl<SiteRuleChart>(site, "chartSiteRules");
    const qsizetype orphanBar = chart->rules().indexOf("orphan");
    ASSERT_GE(orphanBar, 0) << chart->rules().join(',').toStdString();
    auto* series = static_cast<QHorizontalStackedBarSeries*>(chart->chart()->series().first());
    QBarSet* warnings = series->barSets().at(1);
    const int bar = int(chart->rules().size() - 1 - orphanBar); // bars count from the bottom
    emit warnings->clicked(bar);
    ASSERT_EQ(table->model()->rowCount(), 1);
    EXPECT_EQ(table->model()->index(0, 0).data().toString(), root + "/orphan.html");
    emit warnings->clicked(bar);
    EXPECT_EQ(table->model()->rowCount(), 4);
}

TEST_F(SiteCheckTest, ActivatingAPageLoadsItIntoTheAnalyzePanelAndAFindingSelectsItsPiece) {
    audit(root);
    findControl<QLineEdit>(site, "txtSiteFilter")->setText("INDEX.html"); // in any case
    ASSERT_EQ(table->model()->rowCount(), 2);                             // the site's front page and b/'s
    const QModelIndex front = table->model()->index(0, 0).data().toString().endsWith("/b/index.html")
                                  ? table->model()->index(1, 0)
                                  : table->model()->index(0, 0);
    table->setCurrentIndex(front);
    emit table->activated(front);
    ASSERT_TRUE(idle());
    auto* analyze = find<AnalyzePanel>("FraAnalyze");
    EXPECT_TRUE(analyze->pageText().contains("old weaving mill"));
    EXPECT_EQ(find<QLineEdit>("txtFile")->text(), root + "/index.html");
    EXPECT_NE(window->findChild<CheckWindow*>(), nullptr);

    QTreeView* list = findControl<QTreeView>(site, "lstSiteFindings");
    int broken = -1;
    for (int f = 0; f < list->model()->rowCount(); ++f)
        if (list->model()->index(f, 1).data() == "link-broken")
            broken = f;
    ASSERT_GE(broken, 0);
    emit list->activated(list->model()->index(broken, 0));
    EXPECT_EQ(find<QPlainTextEdit>("Text")->textCursor().selectedText(), "<a href=\"missing.html\">");
}

TEST_F(SiteCheckTest, ExportWritesTheFindingsOfTheCommandLineAsCsv) {
    audit(root);
    const QByteArray bytes = exportedCsv(site, files);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBFpage,rule,severity,line,column,message\r\n"));
    EXPECT_EQ(bytes, runCli({"audit", root, "--format", "csv"}));
}

TEST_F(SiteCheckTest, BadInputSaysWhatHappenedAndStartsNothing) {
    const struct {
        QString input;
        const char* said;
    } cases[] = {
        {"", "Give a folder"},
        {root + "/nothing-here", "cannot be read"},
        {"http://x", "valid URL"},
    };
    for (const auto& c : cases) {
        audit(c.input);
        EXPECT_TRUE(message().contains(c.said)) << c.input.toStdString() << ": " << message().toStdString();
        EXPECT_EQ(table->model()->rowCount(), 0);
    }
    writeTestFile(root + "/headwise.json", "{\"rules\":{\"no-such-rule\":\"off\"}}");
    audit(root);
    EXPECT_TRUE(message().contains("headwise.json")) << message().toStdString();
    QFile::remove(root + "/headwise.json");
    // A sitemap that is no sitemap is named; the folder's pages are still audited.
    findControl<QLineEdit>(site, "txtSiteSitemap")->setText(root + "/orphan.html");
    audit(root);
    EXPECT_TRUE(message().contains(root + "/orphan.html: ")) << message().toStdString();
    EXPECT_EQ(table->model()->rowCount(), 4);
}

// A crawl of the local page server whose second page never ends.
class SiteCheckWebTest : public WebFormTest {
protected:
    PageFetcher& pageFetcher() override { return webFetcher; }
    CurlPageFetcher webFetcher{60s, 60s, 5min, 1 << 20};
};

TEST_F(SiteCheckWebTest, ACrawlFillsTheTableWithTheFindingsOfTheCommandLine) {
    window->mnuCheckSite_Click();
    auto* site = window->findChild<SiteCheckWindow*>();
    ASSERT_NE(site, nullptr);
    findControl<QComboBox>(site, "cboSiteInput")->setCurrentText(url("/site/"));
    findControl<QPushButton>(site, "cmdSiteStart")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !site->running(); }, 60000));
    // The loop it links to is a problem of the run, named in the window.
    EXPECT_TRUE(findControl<QLabel>(site, "lblSiteMessage")->text().contains(url("/loop/0")));
    const QByteArray fromWindow = exportedCsv(site, files);
    EXPECT_TRUE(fromWindow.contains("link-broken")) << fromWindow.toStdString();
    EXPECT_EQ(fromWindow, runCli({"audit", "--crawl", url("/site/"), "--format", "csv"}));
}

TEST_F(SiteCheckWebTest, StopEndsACrawlAndKeepsThePagesRead) {
    window->mnuCheckSite_Click();
    auto* site = window->findChild<SiteCheckWindow*>();
    ASSERT_NE(site, nullptr);
    auto* table = findControl<QTableView>(site, "tblSitePages");
    findControl<QComboBox>(site, "cboSiteInput")->setCurrentText(url("/to-stall"));
    auto* start = findControl<QPushButton>(site, "cmdSiteStart");
    start->click();
    EXPECT_EQ(start->text(), "&Stop");
    ASSERT_TRUE(QTest::qWaitFor([&] { return table->model()->rowCount() == 1; }, 20000));
    start->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !site->running(); }, 20000)) << "the stalled fetch went on";
    EXPECT_EQ(start->text(), "&Start");
    EXPECT_EQ(table->model()->rowCount(), 1);
    EXPECT_TRUE(findControl<QLabel>(site, "lblSiteMessage")->text().startsWith("Stopped after 1 page;"));
}

} // namespace
