#include "core/page/linebreaks.h"
#include "form1fixture.h"
#include "testfiles.h"
#include "ui/analyzepanel.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace headwise;
using namespace headwise::testing;

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

const char* const kResultBoxes[] = {"txtTitle",  "txtKeywords", "txtDesc",
                                    "txtRobots", "txtRating",   "txtRevisit"};
const char* const kCounters[] = {"txtTitleCnt",  "txtKeywordsCnt", "txtDescCnt",
                                 "txtRobotsCnt", "txtRatingCnt",   "txtRevisitCnt"};

// Keywords and title in the generator's form, a Description in a foreign form.
const QString kSamplePage = QStringLiteral("<html>\r\n<head>\r\n"
                                           "<META NAME=\"Keywords\" Content=\"rugs, mats\">\r\n"
                                           "<meta name=description content=\"Rugs\">\r\n"
                                           "<title>Rugs</title>\r\n</head>\r\n<body>x</body>\r\n</html>\r\n");

class AnalyzePanelTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        window->cmdAnalyze_Click();
        ASSERT_TRUE(dir.isValid());
    }

    AnalyzePanel* panel() const { return find<AnalyzePanel>("FraAnalyze"); }
    QPlainTextEdit* pageBox() const { return find<QPlainTextEdit>("Text"); }
    QTimer* timer1() const { return find<QTimer>("Timer1"); }

    QString resultText(const char* box) const {
        if (auto* line = window->findChild<QLineEdit*>(QString::fromLatin1(box)))
            return line->text();
        return find<QPlainTextEdit>(box)->toPlainText();
    }
    QColor resultColour(const char* box) const { return find(box)->palette().color(QPalette::Text); }
    QString counter(const char* name) const { return find<QLineEdit>(name)->text(); }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        return writeTestFile(dir.filePath(name), bytes);
    }

    void loadFile(const QString& path) {
        files.prepareAnswer(path);
        press("cmdFile");
    }
    void fetch(const QString& url) {
        find<QLineEdit>("txtUrl")->setText(url);
        press("txtGetSrc");
    }

    QTemporaryDir dir;
};

TEST_F(AnalyzePanelTest, ShortUrlIsRefusedAndEmptiesEveryResult) {
    fetcher.prepareBody(kSamplePage);
    fetch(QStringLiteral("http://a.example/"));
    ASSERT_EQ(resultText("txtTitle"), "<title>Rugs</title>");

    fetch(QStringLiteral("http://a.b/")); // 11 characters: fetched
    EXPECT_EQ(fetcher.urls.size(), 2);
    fetcher.prepareBody(kSamplePage);
    fetch(QStringLiteral("http://a.example/"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    find<QPushButton>("cmdFile")->setFocus();
    fetch(QStringLiteral("http://ab/")); // 10 characters: refused
    EXPECT_TRUE(find<QLineEdit>("txtUrl")->hasFocus());
    EXPECT_EQ(fetcher.urls.size(), 3);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Not Valid");
    EXPECT_EQ(messages.shown[0].text,
              "Please enter a valid URL    \r\n\r\nSyntax should be http://www.example.com     ");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_TRUE(pageBox()->toPlainText().isEmpty());
    for (const char* box : kResultBoxes)
        EXPECT_TRUE(resultText(box).isEmpty()) << box;
    for (const char* name : kCounters)
        EXPECT_TRUE(counter(name).isEmpty()) << name;
    EXPECT_FALSE(timer1()->isActive());
    EXPECT_FALSE(find<QPushButton>("cmdSave")->isEnabled());
}

TEST_F(AnalyzePanelTest, FetchedPageFillsTheBoxesInTheirColours) {
    fetcher.prepareBody(kSamplePage);
    fetch(QStringLiteral("http://rugs.example/"));
    EXPECT_EQ(fetcher.urls, QStringList{"http://rugs.example/"});
    EXPECT_FALSE(timer1()->isActive());

    EXPECT_EQ(resultText("txtTitle"), "<title>Rugs</title>");
    EXPECT_EQ(resultText("txtKeywords"), "<META NAME=\"Keywords\" Content=\"rugs, mats\">\n");
    EXPECT_EQ(resultColour("txtTitle"), kBlack);
    EXPECT_EQ(resultColour("txtKeywords"), kBlack);
    const struct {
        const char* box;
        const char* message;
    } missing[] = {{"txtDesc", "Missing Description Tag or incorrect syntax"},
                   {"txtRobots", "Missing Robots Tag or incorrect syntax"},
                   {"txtRating", "Missing Rating Tag or incorrect syntax"},
                   {"txtRevisit", "Missing Revisit Tag or incorrect syntax"}};
    for (const auto& m : missing) {
        EXPECT_EQ(resultText(m.box), m.message);
        EXPECT_EQ(resultColour(m.box), kRed) << m.box;
    }
    EXPECT_EQ(counter("txtTitleCnt"), "1");
    EXPECT_EQ(counter("txtKeywordsCnt"), "1");
    EXPECT_EQ(counter("txtDescCnt"), "0");
    EXPECT_EQ(find<QPlainTextEdit>("txtScript")->toPlainText(),
              "<META NAME=\"Keywords\" Content=\"rugs, mats\">\n<meta name=description content=\"Rugs\">\n");
    EXPECT_TRUE(find<QLabel>("Label10")->isVisible());
    EXPECT_TRUE(find<QPushButton>("cmdSave")->isEnabled());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(AnalyzePanelTest, FailedFetchNamesTheUrlOnceTheTimerPasses) {
    ASSERT_NE(timer1(), nullptr);
    EXPECT_EQ(timer1()->interval(), 20000);
    // A real box runs its own event loop; a timer still armed then would stack notices.
    bool armedWhileShown = true;
    messages.onShow = [&](const ShownMessage&) { armedWhileShown = timer1()->isActive(); };
    fetch(QStringLiteral("http://nowhere.example/"));
    EXPECT_TRUE(messages.shown.isEmpty());
    ASSERT_TRUE(timer1()->isActive());
    // Shortened only now: a busy machine may take longer than it for the fetch.
    timer1()->setInterval(30);
    // The notice names the address as it reads when the tick runs.
    find<QLineEdit>("txtUrl")->setText(QStringLiteral("http://edited.example/"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !messages.shown.isEmpty(); }, 5000));
    EXPECT_EQ(messages.shown[0].title, "Can't Connect");
    EXPECT_EQ(messages.shown[0].text, "Could not conect to     \r\nhttp://edited.example/");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_FALSE(armedWhileShown);
    EXPECT_FALSE(timer1()->isActive()); // so it is shown once
    EXPECT_FALSE(find<QPushButton>("cmdSave")->isEnabled());
}

TEST_F(AnalyzePanelTest, LateTickAfterASuccessfulFetchShowsNothing) {
    fetcher.prepareBody(kSamplePage);
    fetch(QStringLiteral("http://rugs.example/"));
    panel()->Timer1_Timer(); // a tick already on its way when the page came
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_FALSE(timer1()->isActive());
    EXPECT_EQ(resultText("txtTitle"), "<title>Rugs</title>");
}

TEST_F(AnalyzePanelTest, EveryChangeOfTheUrlIsSignalled) {
    QSignalSpy spy(panel(), &AnalyzePanel::urlChanged);
    auto* url = find<QLineEdit>("txtUrl");
    url->setFocus();
    QTest::keyClicks(url, QStringLiteral("http:"));
    ASSERT_EQ(spy.size(), 5);
    EXPECT_EQ(spy[0][0].toString(), "h");
    EXPECT_EQ(spy[4][0].toString(), "http:");
    QTest::keyClick(url, Qt::Key_Backspace);
    EXPECT_EQ(spy.last()[0].toString(), "http");
    url->setText(QStringLiteral("x"));
    EXPECT_EQ(spy.size(), 7);
    EXPECT_EQ(spy.last()[0].toString(), "x");
}

TEST_F(AnalyzePanelTest, FileLoadSetsThePathAndAFetchKeepsIt) {
    const QString path = writeFile("rugs.htm", kSamplePage.toUtf8());
    loadFile(path);
    ASSERT_EQ(files.requests.size(), 1);
    EXPECT_EQ(files.requests[0].kind, FileDialogRequest::Open);
    EXPECT_EQ(files.requests[0].title, "Select a File");
    EXPECT_EQ(files.requests[0].filter,
              "Web Files (*.htm*)|*.htm*|Text Files (*.txt)|*.txt|All Files (*.*) | *.*|");
    EXPECT_EQ(find<QLineEdit>("txtFile")->text(), path);
    EXPECT_EQ(resultText("txtKeywords"), "<META NAME=\"Keywords\" Content=\"rugs, mats\">\n");

    fetcher.prepareBody(QStringLiteral("<title>Web</title>"));
    fetch(QStringLiteral("http://web.example/"));
    EXPECT_EQ(find<QLineEdit>("txtFile")->text(), path);
    EXPECT_EQ(resultText("txtTitle"), "<title>Web</title>");
}

TEST_F(AnalyzePanelTest, CancelledOrFailedLoadChangesNothing) {
    const QString path = writeFile("rugs.htm", kSamplePage.toUtf8());
    loadFile(path);
    const QString before = pageBox()->toPlainText();
    loadFile(QString()); // cancelled
    loadFile(dir.filePath("missing.htm"));
    EXPECT_EQ(pageBox()->toPlainText(), before);
    EXPECT_EQ(find<QLineEdit>("txtFile")->text(), path);
    EXPECT_EQ(resultText("txtTitle"), "<title>Rugs</title>");
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(AnalyzePanelTest, UnclosedMetaStillReportsTheNewPage) {
    loadFile(writeFile("a.htm", kSamplePage.toUtf8()));
    loadFile(writeFile("b.htm", "<title>B</title><META NAME=\"Robots\" Content=\"ALL\"><meta name=x"));
    EXPECT_EQ(find<QLineEdit>("txtFile")->text(), dir.filePath("b.htm"));
    EXPECT_EQ(resultText("txtTitle"), "<title>B</title>"); // not the previous page's title
    EXPECT_EQ(resultText("txtRobots"), "<META NAME=\"Robots\" Content=\"ALL\">\n");
    EXPECT_EQ(resultText("txtKeywords"), "Missing Keyword Tag or incorrect syntax");
    EXPECT_EQ(find<QPlainTextEdit>("txtScript")->toPlainText(), "<META NAME=\"Robots\" Content=\"ALL\">\n");

    fetcher.prepareBody(QStringLiteral("<title>W</title><meta name=x"));
    fetch(QStringLiteral("http://web.example/"));
    EXPECT_EQ(resultText("txtTitle"), "<title>W</title>");
    EXPECT_EQ(counter("txtTitleCnt"), "1");
    EXPECT_FALSE(timer1()->isActive());
}

TEST_F(AnalyzePanelTest, ColourFollowsTheTextOfEachBox) {
    fetcher.prepareBody(QStringLiteral("<html><head></head></html>"));
    fetch(QStringLiteral("http://empty.example/"));
    for (const char* box : kResultBoxes)
        ASSERT_EQ(resultColour(box), kRed) << box;

    auto* title = find<QLineEdit>("txtTitle");
    title->setFocus();
    QTest::keyClick(title, Qt::Key_End);
    QTest::keyClick(title, Qt::Key_X);
    EXPECT_EQ(resultColour("txtTitle"), kBlack);
    QTest::keyClick(title, Qt::Key_Backspace);
    EXPECT_EQ(resultColour("txtTitle"), kRed);

    auto* desc = find<QPlainTextEdit>("txtDesc");
    desc->setFocus();
    desc->moveCursor(QTextCursor::Start);
    QTest::keyClick(desc, Qt::Key_Delete);
    EXPECT_EQ(resultColour("txtDesc"), kBlack);
    // Another box's message is not this box's message.
    desc->setPlainText(QStringLiteral("Missing Robots Tag or incorrect syntax"));
    EXPECT_EQ(resultColour("txtDesc"), kBlack);
}

TEST_F(AnalyzePanelTest, HintAndSaveFollowThePageBox) {
    auto* hint = find<QLabel>("Label10");
    auto* save = find<QPushButton>("cmdSave");
    EXPECT_FALSE(hint->isVisible());
    EXPECT_FALSE(save->isEnabled());
    EXPECT_TRUE(find<QPushButton>("cmdCut")->isEnabled());
    EXPECT_EQ(hint->text(), "Remove old Tags by selecting them and clicking Remove");
    pageBox()->setFocus();
    QTest::keyClick(pageBox(), Qt::Key_A);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_TRUE(save->isEnabled());
    QTest::keyClick(pageBox(), Qt::Key_Backspace);
    EXPECT_FALSE(hint->isVisible());
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(AnalyzePanelTest, RemoveDeletesOnlyTheSelection) {
    pageBox()->setPlainText(QStringLiteral("<head>\n<meta old>\n<title>"));
    press("cmdCut");
    EXPECT_EQ(pageBox()->toPlainText(), "<head>\n<meta old>\n<title>");
    QTextCursor cursor = pageBox()->textCursor();
    cursor.setPosition(7);
    cursor.setPosition(18, QTextCursor::KeepAnchor);
    pageBox()->setTextCursor(cursor);
    press("cmdCut");
    EXPECT_EQ(pageBox()->toPlainText(), "<head>\n<title>");
}

TEST_F(AnalyzePanelTest, InsertScanPutsTheMetaBoxesAfterTheHeadTag) {
    const QString page = QStringLiteral("<html><HEAD><title>T</title>\r\n"
                                        "<META NAME=\"Keywords\" Content=\"k\">\r\n"
                                        "<META NAME=\"Robots\" Content=\"ALL\">\r\n</head></html>");
    loadFile(writeFile("p.htm", page.toUtf8()));
    panel()->cmdInsert_Click();
    EXPECT_EQ(panel()->pageText(), "<html><HEAD>\r\n"
                                   "<META NAME=\"Keywords\" Content=\"k\">\r\n"
                                   "Missing Description Tag or incorrect syntax"
                                   "<META NAME=\"Robots\" Content=\"ALL\">\r\n"
                                   "Missing Rating Tag or incorrect syntax"
                                   "Missing Revisit Tag or incorrect syntax"
                                   "<title>T</title>\r\n"
                                   "<META NAME=\"Keywords\" Content=\"k\">\r\n"
                                   "<META NAME=\"Robots\" Content=\"ALL\">\r\n</head></html>");
}

TEST_F(AnalyzePanelTest, ReplaceTakesOutConsecutiveTagsOfAnLfFile) {
    loadFile(writeFile("lf.htm", "<head>\n<meta a>\n<meta b>\n<title>t</title>\n</head>\n"));
    panel()->Command2_Click();
    EXPECT_EQ(panel()->pageText(), "<head>\r\n<title>t</title>\r\n</head>\r\n");

    loadFile(writeFile("sep.htm", "<head>\n<meta a>\n<title>t</title>\n<meta b>\n</head>\n"));
    panel()->Command2_Click();
    EXPECT_EQ(panel()->pageText(), "<head>\r\n<meta a>\r\n<title>t</title>\r\n<meta b>\r\n</head>\r\n");
}

TEST_F(AnalyzePanelTest, TempReloadsTheFileAndScansAgain) {
    const QString path = writeFile("p.htm", "<title>Old</title>");
    loadFile(path);
    writeFile("p.htm", "<title>New</title>");
    pageBox()->setPlainText(QStringLiteral("edited"));
    panel()->Command1_Click();
    ASSERT_TRUE(idle());
    EXPECT_EQ(pageBox()->toPlainText(), "<title>New</title>");
    EXPECT_EQ(resultText("txtTitle"), "<title>New</title>");

    find<QLineEdit>("txtFile")->setText(QString());
    panel()->Command1_Click();
    ASSERT_TRUE(idle());
    EXPECT_EQ(pageBox()->toPlainText(), "<title>New</title>");
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(AnalyzePanelTest, TenMegabytePageLoadsAndTakesEdits) {
    QByteArray page = "<html>\n<head>\n<META NAME=\"Keywords\" Content=\"rugs\">\n</head>\n<body>\n";
    const QByteArray line = "<p class=\"x\">Hand made rugs and mats, woven <b>to order</b>, and more.</p>\n";
    while (page.size() < 10 * 1000 * 1000)
        page += line;
    page += "<title>Last</title>\n</body>\n</html>\n";
    const QString path = writeFile("big.htm", page);

    // Its speed is measured in bench/, not asserted here: a busy machine is no fault.
    loadFile(path);
    EXPECT_EQ(resultText("txtTitle"), "<title>Last</title>");
    EXPECT_EQ(counter("txtKeywordsCnt"), "1");

    pageBox()->setFocus();
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(pageBox(), Qt::Key_A);
    EXPECT_EQ(panel()->pageText().size(), page.size() + page.count('\n') + 20);
}

struct RoundTripCase {
    const char* name;
    QByteArray bytes;
    friend void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }
};

class PageRoundTrip : public AnalyzePanelTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(PageRoundTrip, UneditedPageIsSavedByteForByte) {
    const QString path = writeFile("in.htm", GetParam().bytes);
    loadFile(path);
    ASSERT_TRUE(panel()->hasPage());
    const QString out = dir.filePath("out.htm");
    files.prepareAnswer(out);
    press("cmdSave");
    ASSERT_EQ(files.requests.size(), 2);
    EXPECT_EQ(files.requests[1].kind, FileDialogRequest::Save);
    EXPECT_EQ(files.requests[1].proposedPath, path);
    EXPECT_EQ(readTestFile(out), GetParam().bytes);
    EXPECT_TRUE(messages.shown.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Save, PageRoundTrip,
    ::testing::Values(
        RoundTripCase{"Lf", "<html>\n<head>\n<title>Caf\xc3\xa9</title>\n</head>\n</html>\n"},
        RoundTripCase{"CrLf", "<html>\r\n<head>\r\n<title>x\xc2\xa0y</title>\r\n</head>\r\n</html>"},
        RoundTripCase{"Utf8Bom", "\xef\xbb\xbf<html>\r\n<title>\xe2\x82\xac 5</title>\r\n</html>\r\n"},
        RoundTripCase{
            "Windows1252",
            "<html>\r\n<head><meta charset=\"windows-1252\">\r\n<title>Caf\xe9 \x80\xa0\x93</title>\r\n"},
        // Texts an editor would change: mixed and lone breaks, separators, noncharacters.
        RoundTripCase{"MixedBreaks", "<html>\r\n<head>\n<title>x</title>\r\n</head>\n"},
        RoundTripCase{"LoneCr", "<p>a</p>\r<p>b</p>\r\n<p>c</p>\r\n"},
        RoundTripCase{"LineSeparator", "<p>a\xe2\x80\xa8"
                                       "b</p>\r\n"},
        RoundTripCase{"ParagraphSeparator", "<p>a\xe2\x80\xa9"
                                            "b</p>\n"},
        RoundTripCase{"Noncharacters", "<p>\xef\xb7\x90\xef\xb7\x91\xef\xbf\xbe</p>\n"}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

TEST_F(AnalyzePanelTest, FetchedPageIsProposedAsPageHtmAndSavedAsUtf8) {
    loadFile(writeFile("old.htm", "<title>Old</title>"));
    fetcher.prepareBody(QStringLiteral("<title>Caf\u00e9</title>\r\n"));
    fetch(QStringLiteral("http://cafe.example/"));
    const QString out = dir.filePath("saved.htm");
    files.prepareAnswer(out);
    press("cmdSave");
    EXPECT_EQ(files.requests.last().proposedPath, "page.htm");
    EXPECT_EQ(readTestFile(out), "<title>Caf\xc3\xa9</title>\r\n");
}

TEST_F(AnalyzePanelTest, CancelledOrFailedSaveWritesNothing) {
    const QString path = writeFile("p.htm", "<title>P</title>");
    loadFile(path);
    pageBox()->setPlainText(QStringLiteral("changed"));
    files.prepareAnswer(QString());
    press("cmdSave");
    EXPECT_EQ(readTestFile(path), "<title>P</title>");
    EXPECT_TRUE(messages.shown.isEmpty());

    const QString bad = dir.filePath("no-such-dir/p.htm");
    files.prepareAnswer(bad);
    press("cmdSave");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Save Failed");
    EXPECT_TRUE(messages.shown[0].text.startsWith("The page could not be saved to " + bad + "\r\n"));
    EXPECT_FALSE(QFile::exists(bad));
}

} // namespace

namespace {

// What another window reads from the panel and how it points into the page.
TEST_F(AnalyzePanelTest, ReadInterfaceFollowsTheLoadedPage) {
    QSignalSpy changes(panel(), &AnalyzePanel::pageTextChanged);
    fetcher.prepareBody(kSamplePage);
    fetch(QStringLiteral("http://a.example/rugs.htm"));
    EXPECT_EQ(panel()->pageText(), kSamplePage);
    EXPECT_EQ(panel()->address(), "http://a.example/rugs.htm");
    EXPECT_EQ(panel()->pageSnapshot().httpStatus, 200);
    EXPECT_EQ(panel()->pageSnapshot().encoding.name, "UTF-8");
    ASSERT_FALSE(changes.isEmpty());
    EXPECT_TRUE(changes.last().at(0).toBool());

    const QString path = writeFile("latin.htm", "<p>caf\xE9</p>\n");
    loadFile(path);
    const PageSnapshot file = panel()->pageSnapshot();
    EXPECT_EQ(file.httpStatus, 0);
    EXPECT_EQ(file.address, QUrl::fromLocalFile(path).toString());
    EXPECT_EQ(file.encoding.name, "windows-1252");
    EXPECT_EQ(file.encoding.lineBreak, LineBreak::Lf);

    pageBox()->clear();
    EXPECT_FALSE(changes.last().at(0).toBool());
}

TEST_F(AnalyzePanelTest, SelectInPageCountsInTheEditorsTextAndShowsThePanel) {
    fetcher.prepareBody(kSamplePage);
    fetch(QStringLiteral("http://a.example/rugs.htm"));
    const QString lf = toLf(kSamplePage);
    const struct {
        qsizetype position;
        qsizetype length;
        QString selected; // as the editor holds it
    } cases[] = {
        {lf.indexOf("<title>"), 19, QStringLiteral("<title>Rugs</title>")},
        {lf.indexOf("<head>"), 7, QStringLiteral("<head>\u2029")}, // the break is one character there
        {lf.size() - 1, 100, QStringLiteral("\u2029")},            // clipped at the end
        {-5, 6, QStringLiteral("<")},                              // and at the start
    };
    for (const auto& c : cases) {
        window->cmdCreate_Click();
        panel()->selectInPage(c.position, c.length);
        EXPECT_EQ(pageBox()->textCursor().selectedText(), c.selected) << c.position;
        EXPECT_EQ(visiblePanels(), QStringList{"FraAnalyze"});
    }
}

} // namespace
