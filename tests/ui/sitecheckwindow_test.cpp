#include "core/audit/engine/finding.h"
#include "core/audit/engine/rule.h"
#include "core/audit/report/baseline.h"
#include "core/audit/report/findinggroups.h"
#include "net/curlpagefetcher.h"
#include "testfiles.h"
#include "ui/analyzepanel.h"
#include "ui/checkwindow.h"
#include "ui/findingsmodel.h"
#include "ui/serppreview.h"
#include "ui/sitechecktexts.h"
#include "ui/sitecheckwindow.h"
#include "ui/siteissuesmodel.h"
#include "ui/sitepagesmodel.h"
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
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
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

    // Exports the page table as shown to path; its lines, or none when nothing was written.
    QList<QByteArray> exportedPageTable(const QString& path) {
        files.prepareAnswer(path);
        findControl<QPushButton>(site, "cmdSiteExport")->click();
        QFile written(path);
        return written.open(QIODevice::ReadOnly) ? written.readAll().split('\n') : QList<QByteArray>();
    }

    // "page|rule|line" for every finding the table's pages carry.
    QSet<QString> findingsOfTable() const {
        QSet<QString> out;
        QTreeView* list = findControl<QTreeView>(site, "lstSiteFindings");
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            table->setCurrentIndex(table->model()->index(row, 0));
            const QString page = root + '/' + table->model()->index(row, 0).data().toString();
            for (int f = 0; f < list->model()->rowCount(); ++f) {
                const QVariant line = list->model()->index(f, 3).data();
                out.insert(page + '|' + list->model()->index(f, 1).data().toString() + '|' +
                           QString::number(line.isValid() ? line.toInt() : 0));
            }
        }
        return out;
    }

    // The pages the table shows, in its order.
    QStringList shownPages() const {
        QStringList out;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            out << table->model()->index(row, 0).data().toString();
        return out;
    }
    QString count() const { return findControl<QLabel>(site, "lblSiteCount")->text(); }
    QTableView* issues() const { return findControl<QTableView>(site, "tblSiteIssues"); }
    // Selects the Issues row of the rule; false when it has none.
    bool selectIssue(const QString& rule) const {
        for (int row = 0; row < issues()->model()->rowCount(); ++row)
            if (issues()->model()->index(row, SiteIssuesModel::RuleColumn).data() == rule) {
                issues()->setCurrentIndex(issues()->model()->index(row, 0));
                return true;
            }
        return false;
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
    EXPECT_EQ(table->model()->index(0, 0).data().toString(), "orphan.html");
    emit warnings->clicked(bar);
    EXPECT_EQ(table->model()->rowCount(), 4);
}

TEST_F(SiteCheckTest, ActivatingAPageLoadsItIntoTheAnalyzePanelAndAFindingSelectsItsPiece) {
    audit(root);
    findControl<QLineEdit>(site, "txtSiteFilter")->setText("INDEX.html"); // in any case
    ASSERT_EQ(table->model()->rowCount(), 2);                             // the site's front page and b/'s
    const QModelIndex front = table->model()->index(0, 0).data().toString() == "b/index.html"
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

// Per rule of a JSON report: its pages and findings.
QMap<QString, QPair<int, int>> rulesOfJson(const QByteArray& json) {
    QMap<QString, QSet<QString>> pages;
    QMap<QString, int> findings;
    for (const QJsonValue page : QJsonDocument::fromJson(json).object().value("pages").toArray())
        for (const QJsonValue f : page.toObject().value("findings").toArray()) {
            const QString rule = f.toObject().value("rule").toString();
            pages[rule].insert(page.toObject().value("page").toString());
            ++findings[rule];
        }
    QMap<QString, QPair<int, int>> out;
    for (auto it = pages.cbegin(); it != pages.cend(); ++it)
        out[it.key()] = {int(it.value().size()), findings.value(it.key())};
    return out;
}

TEST_F(SiteCheckTest, IssuesListEveryRuleWorstFirstWithTheCountsOfTheCommandLine) {
    audit(root);
    const QMap<QString, QPair<int, int>> expected = rulesOfJson(runCli({"audit", root, "--format", "json"}));
    QAbstractItemModel* model = issues()->model();
    ASSERT_EQ(model->rowCount(), expected.size());
    int lastSeverity = 3, lastPages = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString rule = model->index(row, SiteIssuesModel::RuleColumn).data().toString();
        const int pages = model->index(row, SiteIssuesModel::PagesColumn).data().toInt();
        ASSERT_TRUE(expected.contains(rule)) << rule.toStdString();
        EXPECT_EQ(pages, expected[rule].first) << rule.toStdString();
        EXPECT_EQ(model->index(row, SiteIssuesModel::FindingsColumn).data().toInt(), expected[rule].second);
        EXPECT_FALSE(model->index(row, SiteIssuesModel::HelpColumn).data().toString().isEmpty());
        const int severity = int(*audit::parseSeverity(model->index(row, 0).data().toString()));
        EXPECT_TRUE(severity < lastSeverity || (severity == lastSeverity && pages <= lastPages))
            << rule.toStdString() << " out of order";
        lastSeverity = severity;
        lastPages = pages;
    }
    // The rows in the order and with the help lines of the command line's summary.
    QStringList summaryRules, rows;
    for (const QString& line : QString::fromUtf8(runCli({"audit", root, "--summary-only"})).split('\n')) {
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        if (line.startsWith(' ') || words.size() < 2 || !audit::parseSeverity(words[0]))
            continue;
        summaryRules << words[1];
        EXPECT_TRUE(line.endsWith(audit::helpLine(audit::registeredRule(words[1])))) << line.toStdString();
    }
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString rule = model->index(row, SiteIssuesModel::RuleColumn).data().toString();
        rows << rule;
        EXPECT_EQ(model->index(row, SiteIssuesModel::HelpColumn).data(),
                  audit::helpLine(audit::registeredRule(rule)));
    }
    EXPECT_EQ(rows, summaryRules);
    ASSERT_TRUE(selectIssue("title-missing"));
    EXPECT_EQ(model->index(issues()->currentIndex().row(), SiteIssuesModel::ShareColumn).data(), "25%");
    // The chart leads with the errors, whatever the warnings' pages.
    const QStringList bars = findControl<SiteRuleChart>(site, "chartSiteRules")->rules();
    ASSERT_FALSE(bars.isEmpty());
    EXPECT_EQ(bars.first(), model->index(0, SiteIssuesModel::RuleColumn).data().toString());
}

TEST_F(SiteCheckTest, ARuleSelectedShowsItsPagesItsHelpAndItsBrokenTargets) {
    audit(root);
    auto* help = findControl<QTextBrowser>(site, "txtSiteRuleHelp");
    auto* targets = findControl<QTableView>(site, "tblSiteTargets");
    const struct {
        QString rule;
        QStringList pages;
        QString target; // the row the targets list shows first; none for a rule without targets
    } cases[] = {
        {"link-broken", {"index.html"}, "missing.html"},
        {"title-missing", {"a.html"}, {}},
        {"orphan", {"orphan.html"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule.toStdString());
        ASSERT_TRUE(selectIssue(c.rule));
        EXPECT_EQ(shownPages(), c.pages);
        EXPECT_EQ(count(), QString("%1 of 4 pages").arg(c.pages.size()));
        const audit::Rule& rule = audit::registeredRule(c.rule);
        EXPECT_TRUE(help->toHtml().contains(rule.sources.first().url)) << help->toPlainText().toStdString();
        EXPECT_EQ(!targets->isHidden(), !c.target.isEmpty());
        if (c.target.isEmpty())
            continue;
        ASSERT_EQ(targets->model()->rowCount(), 1);
        EXPECT_TRUE(targets->model()->index(0, 0).data().toString().endsWith(c.target));
        EXPECT_FALSE(targets->model()->index(0, 1).data().toString().isEmpty()); // its problem
        EXPECT_EQ(targets->model()->index(0, 2).data().toInt(), 1);              // pages
        EXPECT_EQ(targets->model()->index(0, 3).data().toInt(), 1);              // links
    }
}

TEST_F(SiteCheckTest, ARepeatedFindingIsOneRowWithItsCount) {
    writeTestFile(root + "/a.html", "<!doctype html><html lang=\"en\"><head><title>A</title></head><body>\n"
                                    "<a href=\"gone.html\">1</a>\n<a href=\"gone.html\">2</a>\n"
                                    "<a href=\"gone.html\">3</a>\n<a href=\"/\">home</a></body></html>\n");
    audit(root);
    findControl<QLineEdit>(site, "txtSiteFilter")->setText("a.html");
    ASSERT_EQ(shownPages(), QStringList{"a.html"});
    table->setCurrentIndex(table->model()->index(0, 0));
    QAbstractItemModel* list = findControl<QTreeView>(site, "lstSiteFindings")->model();
    QStringList broken;
    for (int f = 0; f < list->rowCount(); ++f)
        if (list->index(f, FindingsModel::RuleColumn).data() == "link-broken")
            broken << list->index(f, FindingsModel::MessageColumn).data().toString();
    ASSERT_EQ(broken.size(), 1) << broken.join('\n').toStdString();
    EXPECT_TRUE(broken[0].contains("3 times, lines 2, 3, 4")) << broken[0].toStdString();
}

TEST_F(SiteCheckTest, TheFilterMatchesRuleIdsAndSaysHowManyRowsItLeaves) {
    audit(root);
    const struct {
        QString filter;
        QStringList pages;
        QString count;
    } cases[] = {
        {"title-missing", {"a.html"}, "1 of 4 pages"},
        {"LINK-BROKEN", {"index.html"}, "1 of 4 pages"},
        {"nothing like it", {}, "0 of 4 pages"},
        {"", {"index.html", "a.html", "b/index.html", "orphan.html"}, ""},
    };
    for (const auto& c : cases) {
        findControl<QLineEdit>(site, "txtSiteFilter")->setText(c.filter);
        QStringList shown = shownPages(), wanted = c.pages;
        shown.sort();
        wanted.sort();
        EXPECT_EQ(shown, wanted) << c.filter.toStdString();
        EXPECT_EQ(count(), c.count) << c.filter.toStdString();
    }
}

TEST_F(SiteCheckTest, FieldsAFolderIgnoresAndThoseACrawlIgnoresAreGreyedOut) {
    auto* limit = findControl<QSpinBox>(site, "spinSiteMaxPages");
    auto* address = findControl<QLineEdit>(site, "txtSiteBaseUrl");
    const struct {
        QString input;
        bool limit, address;
    } cases[] = {{root, false, true}, {"https://rugs.example/", true, false}, {"", true, true}};
    for (const auto& c : cases) {
        findControl<QComboBox>(site, "cboSiteInput")->setCurrentText(c.input);
        EXPECT_EQ(limit->isEnabled(), c.limit) << c.input.toStdString();
        EXPECT_EQ(address->isEnabled(), c.address) << c.input.toStdString();
    }
    address->setText("ftp://rugs.example/");
    audit(root);
    EXPECT_TRUE(message().contains("ftp://rugs.example/")) << message().toStdString();
    EXPECT_EQ(table->model()->rowCount(), 0);
}

TEST_F(SiteCheckTest, ExportWritesThePageTableAsShownAndSaysWhatItWrote) {
    audit(root);
    findControl<QLineEdit>(site, "txtSiteFilter")->setText("title-missing");
    QTemporaryDir out;
    const QString path = out.filePath("site.pages.csv");
    const QList<QByteArray> lines = exportedPageTable(path);
    ASSERT_EQ(lines.size(), 3); // the heading, the one row shown, the end
    EXPECT_EQ(lines[0], "\xEF\xBB\xBFPage,Status,Indexable,Title,Title px,Description,Canonical,Errors,"
                        "Warnings,Rich results\r");
    EXPECT_TRUE(lines[1].startsWith("a.html,file,yes,,")) << lines[1].toStdString();
    EXPECT_EQ(message(), "Page table written to " + path + ": 1 row");
    exportedCsv(site, files);
    EXPECT_TRUE(message().endsWith(" of 4 pages")) << message().toStdString();
}

TEST_F(SiteCheckTest, ASavedBaselineInUseHidesWhatItAcceptsAsTheCommandLineDoes) {
    audit(root);
    const QString saved = dir.filePath("baseline.json");
    files.prepareAnswer(saved);
    findControl<QPushButton>(site, "cmdSiteBaseline")->click();
    QString error;
    const auto accepted = audit::readBaseline(readTestFile(saved), &error);
    ASSERT_TRUE(accepted) << error.toStdString();
    EXPECT_EQ(accepted->size(), findingsOfTable().size());

    // One new broken link; the next run keeps the baseline chosen before it.
    writeTestFile(
        root + "/index.html",
        readTestFile(root + "/index.html").replace("</body>", "<a href=\"lost.html\">lost</a></body>"));
    files.prepareAnswer(saved);
    findControl<QPushButton>(site, "cmdSiteUseBaseline")->click();
    audit(root);
    const QString counts =
        QString("%1 accepted by the baseline, 0 accepted no longer found").arg(accepted->size());
    EXPECT_EQ(message(), sitechecktext::baselineApplied(saved, counts));
    EXPECT_EQ(findingsOfTable(),
              findingsOfJson(runCli({"audit", root, "--baseline", saved, "--format", "json"})));
    EXPECT_EQ(findControl<SiteRuleChart>(site, "chartSiteRules")->rules(), QStringList{"link-broken"});
    EXPECT_TRUE(
        findControl<QLabel>(site, "lblSiteSummary")->text().startsWith("4 pages, 1 error, 0 warnings"));
    ASSERT_EQ(issues()->model()->rowCount(), 1);
    ASSERT_TRUE(selectIssue("link-broken"));
    auto* targets = findControl<QTableView>(site, "tblSiteTargets");
    ASSERT_EQ(targets->model()->rowCount(), 1);
    EXPECT_TRUE(targets->model()->index(0, 0).data().toString().endsWith("lost.html"));

    // The exports leave out what it accepts, and HTML says how much.
    EXPECT_EQ(exportedCsv(site, files), runCli({"audit", root, "--baseline", saved, "--format", "csv"}));
    const QString html = dir.filePath("report.html");
    files.prepareAnswer(html);
    findControl<QPushButton>(site, "cmdSiteExport")->click();
    const QByteArray page = readTestFile(html);
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>") && page.contains("accepted by the baseline") &&
                page.contains("lost.html") && !page.contains("missing.html"));

    // A file that is no baseline is named, and the one in use stays.
    const QString bad = dir.filePath("bad.json");
    writeTestFile(bad, "[1]");
    files.prepareAnswer(bad);
    findControl<QPushButton>(site, "cmdSiteUseBaseline")->click();
    EXPECT_TRUE(message().startsWith(bad + ": not a baseline")) << message().toStdString();
    EXPECT_EQ(issues()->model()->rowCount(), 1);

    auto* stop = findControl<QPushButton>(site, "cmdSiteNoBaseline");
    ASSERT_FALSE(stop->isHidden());
    stop->click();
    EXPECT_TRUE(stop->isHidden());
    EXPECT_EQ(message(), sitechecktext::kBaselineDropped);
    EXPECT_EQ(shownPages(), QStringList{"index.html"}) << "the rule chosen stays chosen";
    findControl<QPushButton>(site, "cmdSiteAllPages")->click();
    EXPECT_EQ(findingsOfTable(), findingsOfJson(runCli({"audit", root, "--format", "json"})));
}

TEST_F(SiteCheckTest, PageCheckOpenedFromSiteCheckShowsItsSiteFindingsAndAddress) {
    findControl<QLineEdit>(site, "txtSiteBaseUrl")->setText("https://rugs.example/docs");
    audit(root);
    findControl<QLineEdit>(site, "txtSiteFilter")->setText("orphan.html");
    ASSERT_EQ(shownPages(), QStringList{"orphan.html"});
    table->setCurrentIndex(table->model()->index(0, 0));
    emit table->activated(table->model()->index(0, 0));
    ASSERT_TRUE(idle());
    auto* check = window->findChild<CheckWindow*>();
    ASSERT_NE(check, nullptr);
    auto* serp = check->findChild<SerpPreview*>("serpPreview");
    QTRY_COMPARE(serp->preview().addressLine, "https://rugs.example/docs/orphan.html");
    QAbstractItemModel* list = check->findChild<QTreeView*>("lstFindings")->model();
    QStringList rules;
    for (int f = 0; f < list->rowCount(); ++f)
        rules << list->index(f, FindingsModel::RuleColumn).data().toString();
    EXPECT_TRUE(rules.contains("orphan")) << rules.join(',').toStdString();
}

TEST_F(SiteCheckTest, AnAddressReadFromTheCanonicalsIsShownAndPageCheckUsesIt) {
    const QString mill = dir.filePath("mill");
    QDir().mkpath(mill);
    for (const char* name : {"index.html", "looms.html"})
        writeTestFile(
            mill + '/' + name,
            QByteArray("<!doctype html><html lang=\"en\"><head><title>The weaving mill</title>"
                       "<link rel=\"canonical\" href=\"https://mill.example/") +
                (QByteArray(name) == "index.html" ? "" : name) +
                "\"></head><body><a href=\"index.html\">i</a> <a href=\"looms.html\">l</a></body></html>\n");
    audit(mill);
    EXPECT_EQ(findControl<QLineEdit>(site, "txtSiteBaseUrl")->placeholderText(),
              sitechecktext::inferredBaseUrl("https://mill.example/"));
    findControl<QLineEdit>(site, "txtSiteFilter")->setText("looms");
    ASSERT_EQ(shownPages(), QStringList{"looms.html"});
    emit table->activated(table->model()->index(0, 0));
    ASSERT_TRUE(idle());
    auto* check = window->findChild<CheckWindow*>();
    ASSERT_NE(check, nullptr);
    QTRY_COMPARE(check->findChild<SerpPreview*>("serpPreview")->preview().addressLine,
                 "https://mill.example/looms.html");
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

TEST_F(SiteCheckTest, RichResultsColumnNamesEachPagesResultsAndFiltersAndExportsThem) {
    writeTestFile(
        root + "/rug.html",
        "<html><head><title>Rug</title>\n<script type=\"application/ld+json\">"
        "{\"@context\":\"https://schema.org\",\"@type\":\"BreadcrumbList\",\"itemListElement\":"
        "[{\"@type\":\"ListItem\",\"position\":1,\"name\":\"Rugs\",\"item\":\"https://e.example/\"}]}"
        "</script>\n<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\","
        "\"@type\":\"Product\",\"name\":\"Rug\",\"offers\":{\"@type\":\"Offer\"}}</script>\n"
        "</head></html>\n");
    audit(root);
    findControl<QLineEdit>(site, "txtSiteFilter")->setText("breadcrumb");
    ASSERT_EQ(shownPages(), QStringList{"rug.html"});
    EXPECT_EQ(table->model()->index(0, SitePagesModel::RichResultsColumn).data().toString(),
              "Breadcrumb, Product snippet (not eligible), Merchant listing (not eligible)");
    QTemporaryDir out;
    const QString path = out.filePath("site.pages.csv");
    const QList<QByteArray> lines = exportedPageTable(path);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(",Warnings,Rich results\r")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(
        ",\"Breadcrumb, Product snippet (not eligible), Merchant listing (not eligible)\"\r"))
        << lines[1].toStdString();
}
