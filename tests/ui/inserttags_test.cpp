#include "form1fixture.h"
#include "testfiles.h"
#include "ui/analyzepanel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace headwise;
using namespace headwise::testing;

namespace {

class InsertTagsTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        window->cmdCreate_Click();
        ASSERT_TRUE(dir.isValid());
    }

    AnalyzePanel* analyze() const { return find<AnalyzePanel>("FraAnalyze"); }
    QPlainTextEdit* doc() const { return find<QPlainTextEdit>("txtDoc"); }
    QPushButton* insertTags() const { return find<QPushButton>("cmdInsert2"); }
    void setPage(const QString& lfText) const { find<QPlainTextEdit>("Text")->setPlainText(lfText); }

    QString createBlock() {
        find<QLineEdit>("Text1")->setText(QStringLiteral("Rugs"));
        find<QComboBox>("Combo4")->setCurrentText(QStringLiteral("MetaTags Only"));
        press("ButtonEx4");
        return analyzeBlock();
    }
    // The block as the page receives it, CR LF before and after.
    QString analyzeBlock() const { return "\r\n" + doc()->toPlainText().replace('\n', "\r\n") + "\r\n"; }

    QTemporaryDir dir;
};

TEST_F(InsertTagsTest, EnabledExactlyWhileTheOutputBoxHoldsText) {
    EXPECT_FALSE(insertTags()->isEnabled());
    doc()->setFocus();
    QTest::keyClick(doc(), Qt::Key_X);
    EXPECT_TRUE(insertTags()->isEnabled());
    QTest::keyClick(doc(), Qt::Key_Backspace);
    EXPECT_FALSE(insertTags()->isEnabled());

    createBlock();
    EXPECT_TRUE(insertTags()->isEnabled());
    press("ButtonEx5"); // Clear
    EXPECT_FALSE(insertTags()->isEnabled());
    press("ButtonEx4"); // Create with the title cleared
    EXPECT_TRUE(doc()->toPlainText().isEmpty());
    EXPECT_FALSE(insertTags()->isEnabled());

    find<QLineEdit>("Text1")->setText(QStringLiteral("Rugs"));
    press("ButtonEx4");
    EXPECT_TRUE(insertTags()->isEnabled());
    for (const char* value : {"Rating", "Robots", "Revisit"})
        EXPECT_TRUE(
            doc()->toPlainText().contains(QStringLiteral("<META NAME=\"%1\" Content=\"%1\">").arg(value)))
            << value;
}

struct InsertCase {
    const char* name;
    const char* before; // the block goes where the | stands
};

class InsertPlaces : public InsertTagsTest, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(InsertPlaces, BlockGoesRightAfterTheFirstHeadTag) {
    const QString block = createBlock();
    const QString marked = QString::fromUtf8(GetParam().before);
    QString page = marked;
    page.remove('|');
    setPage(QString(page).replace("\r\n", "\n"));
    insertTags()->click();
    ASSERT_TRUE(idle());
    QString expected = marked;
    expected.replace('|', block);
    EXPECT_EQ(analyze()->pageText(), expected);
    EXPECT_EQ(visiblePanels(), QStringList{"FraAnalyze"});
}

INSTANTIATE_TEST_SUITE_P(
    Page, InsertPlaces,
    ::testing::Values(InsertCase{"LowerCase", "<html>\r\n<head>|\r\n<body></body>\r\n</html>"},
                      InsertCase{"UpperCase", "<HTML>\r\n<HEAD>|\r\n</HEAD>\r\n</HTML>"},
                      InsertCase{"TwoHeadTags", "<head>|<p>x</p><head></head>"},
                      InsertCase{"NoHeadTag", "|<!DOCTYPE html>\r\n<html><body>x</body></html>"},
                      InsertCase{"CharsetFirstStaysFirst",
                                 "<head>\r\n<meta charset=\"iso-8859-1\">|\r\n<title>"},
                      InsertCase{"CharsetLaterStaysLater", "<head>|<title>x</title><meta charset=utf-8>"}),
    [](const ::testing::TestParamInfo<InsertCase>& info) { return std::string(info.param.name); });

TEST_F(InsertTagsTest, SecondInsertGoesBeforeTheFirst) {
    const QString first = createBlock();
    setPage(QStringLiteral("<head></head>"));
    insertTags()->click();
    ASSERT_TRUE(idle());
    window->cmdCreate_Click();
    find<QLineEdit>("Text1")->setText(QStringLiteral("Mats"));
    press("ButtonEx4");
    const QString second = analyzeBlock();
    insertTags()->click();
    ASSERT_TRUE(idle());
    EXPECT_EQ(analyze()->pageText(), "<head>" + second + first + "</head>");
}

TEST_F(InsertTagsTest, AnalyzeBoxesDescribeThePageWithTheBlock) {
    createBlock();
    setPage(QStringLiteral("<html>\n<head>\n<meta charset=utf-8>\n</head>\n</html>"));
    insertTags()->click();
    ASSERT_TRUE(idle());
    const QColor black(0, 0, 0);
    for (const char* box : {"txtTitle", "txtKeywords", "txtDesc", "txtRobots", "txtRating", "txtRevisit"})
        EXPECT_EQ(find(box)->palette().color(QPalette::Text), black) << box;
    for (const char* counter :
         {"txtTitleCnt", "txtKeywordsCnt", "txtDescCnt", "txtRobotsCnt", "txtRatingCnt", "txtRevisitCnt"})
        EXPECT_EQ(find<QLineEdit>(counter)->text(), "1") << counter;
    EXPECT_EQ(find<QLineEdit>("txtTitle")->text(), "<title>Rugs</title>");
    EXPECT_EQ(find<QPlainTextEdit>("txtRobots")->toPlainText(), "<META NAME=\"Robots\" Content=\"ALL\">\n");
    EXPECT_EQ(find<QPlainTextEdit>("txtScript")->toPlainText().count('\n'), 8);
}

TEST_F(InsertTagsTest, UnclosedMetaInThePageStillGetsTheReport) {
    createBlock();
    setPage(QStringLiteral("<head></head><meta name=broken"));
    insertTags()->click();
    ASSERT_TRUE(idle());
    EXPECT_EQ(find<QLineEdit>("txtTitle")->text(), "<title>Rugs</title>");
    EXPECT_EQ(find<QLineEdit>("txtKeywordsCnt")->text(), "1");
}

TEST_F(InsertTagsTest, WithoutAPageAsksForOneAndOffersTheDialog) {
    createBlock();
    QStringList panelsDuringMessage;
    messages.onShow = [&](const ShownMessage&) { panelsDuringMessage = visiblePanels(); };
    files.prepareAnswer(writeTestFile(dir.filePath("p.htm"), "<title>Loaded</title>"));

    insertTags()->click();
    // The open dialog comes at the next turn of the event loop, once the panel shows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !files.requests.isEmpty(); }, 10000));
    ASSERT_TRUE(idle());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, "You must first load your web page from a local file     ");
    EXPECT_EQ(messages.shown[0].title, "Load Page");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(panelsDuringMessage, QStringList{"FraCreate"});
    EXPECT_EQ(visiblePanels(), QStringList{"FraAnalyze"});
    ASSERT_EQ(files.requests.size(), 1);
    EXPECT_EQ(files.requests[0].kind, FileDialogRequest::Open);
    EXPECT_EQ(files.requests[0].title, "Select a File");
    // The file is loaded and scanned, but the block is not inserted into it.
    EXPECT_EQ(analyze()->pageText(), "<title>Loaded</title>");
    EXPECT_EQ(find<QLineEdit>("txtTitle")->text(), "<title>Loaded</title>");
}

TEST_F(InsertTagsTest, SaveWritesTheExactBlock) {
    createBlock();
    doc()->appendPlainText(QStringLiteral("caf\u00e9\u00a0\u20ac"));
    const QString path = dir.filePath("tags.htm");
    files.prepareAnswer(path);
    press("ButtonEx6");
    ASSERT_EQ(files.requests.size(), 1);
    EXPECT_EQ(files.requests[0].kind, FileDialogRequest::Save);
    EXPECT_EQ(files.requests[0].proposedPath, "metatags.htm");
    EXPECT_EQ(files.requests[0].filter, "Web Files (*.htm*)|*.htm*|Text Files (*.txt)|*.txt|");
    const QByteArray written = readTestFile(path);
    EXPECT_EQ(written, (doc()->document()->toRawText().replace(QChar::ParagraphSeparator, "\r\n")).toUtf8());
    EXPECT_TRUE(written.startsWith("<!-- Generated by Headwise -->\r\n"));
    EXPECT_TRUE(written.endsWith("<!-- End of Meta Tag Generation -->\r\ncaf\xc3\xa9\xc2\xa0\xe2\x82\xac"));
    EXPECT_FALSE(written.contains("\r\r"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(InsertTagsTest, CancelledOrFailedSaveLeavesFilesAlone) {
    createBlock();
    const QString path = writeTestFile(dir.filePath("tags.htm"), "old");
    files.prepareAnswer(QString());
    press("ButtonEx6");
    EXPECT_EQ(readTestFile(path), "old");
    EXPECT_TRUE(messages.shown.isEmpty());

    const QString bad = dir.filePath("missing-dir/tags.htm");
    files.prepareAnswer(bad);
    press("ButtonEx6");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Save Failed");
    EXPECT_TRUE(messages.shown[0].text.startsWith("The tags could not be saved to " + bad + "\r\n"));
    EXPECT_FALSE(QFile::exists(bad));
}

} // namespace
