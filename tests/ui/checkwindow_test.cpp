#include "core/audit/model/textwidth.h"
#include "form1fixture.h"
#include "testfiles.h"
#include "ui/analyzepanel.h"
#include "ui/cardpreview.h"
#include "ui/checktexts.h"
#include "ui/checkwindow.h"
#include "ui/findingsmodel.h"
#include "ui/previewfont.h"
#include "ui/serppreview.h"
#include "ui/structureditemsmodel.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTreeView>

using namespace headwise;
using namespace headwise::testing;

namespace {

class CheckWindowTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        ASSERT_TRUE(dir.isValid());
        window->cmdAnalyze_Click();
        check = openCheck();
    }
    void TearDown() override {
        // Background jobs hold the fetcher double; it must outlive them.
        QThreadPool::globalInstance()->waitForDone();
        Form1Test::TearDown();
    }

    CheckWindow* openCheck() {
        find<QAction>("mnuCheck")->trigger();
        auto* opened = window->findChild<CheckWindow*>(QStringLiteral("frmCheck"));
        EXPECT_NE(opened, nullptr);
        if (opened)
            opened->setPause(20);
        return opened;
    }

    QPlainTextEdit* text() const { return find<QPlainTextEdit>("Text"); }
    SerpPreview* serp() const { return check->findChild<SerpPreview*>(QStringLiteral("serpPreview")); }
    CardPreview* card() const { return check->findChild<CardPreview*>(QStringLiteral("cardPreview")); }
    QTreeView* list() const { return check->findChild<QTreeView*>(QStringLiteral("lstFindings")); }
    FindingsModel* model() const { return static_cast<FindingsModel*>(list()->model()); }
    QString countLine() const { return check->findChild<QLabel*>(QStringLiteral("lblCount"))->text(); }
    bool noPageShown() const { return check->findChild<QLabel*>(QStringLiteral("lblNoPage"))->isVisible(); }

    QStringList rules() const {
        QStringList ids;
        for (int row = 0; row < model()->rowCount(); ++row)
            ids << model()->finding(row).rule;
        return ids;
    }
    // Waits until the latest audit's result is on screen.
    bool settled() const {
        // A bound for a sanitizer build on a busy machine, not a time the check must keep.
        return QTest::qWaitFor([this] { return check->upToDate(); }, 60000);
    }
    void loadFile(const QString& name, const QByteArray& bytes) {
        files.prepareAnswer(writeTestFile(dir.filePath(name), bytes));
        press("cmdFile");
    }

    QTemporaryDir dir;
    CheckWindow* check = nullptr;
};

const QByteArray kPage = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                         "<title>Handmade rugs from the valley, woven to order</title>\n"
                         "</head><body><p>Rugs</p></body></html>\n";

TEST_F(CheckWindowTest, OneWindowClosedWithTheMainWindowAndBuiltAfreshWhenReopened) {
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->windowTitle(), QStringLiteral("Page Check"));
    EXPECT_EQ(openCheck(), check);
    EXPECT_EQ(window->findChildren<CheckWindow*>().size(), 1);
    QPointer<CheckWindow> first = check;
    check->close();
    QTRY_VERIFY(first.isNull());
    check = openCheck();
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(noPageShown());
    window->close();
    EXPECT_FALSE(check->isVisible());
}

TEST_F(CheckWindowTest, FollowsLoadsEditsAndInsertedTags) {
    EXPECT_TRUE(noPageShown());
    EXPECT_TRUE(serp()->preview().linkLine.isEmpty());

    loadFile(QStringLiteral("rugs.htm"), kPage);
    QTRY_COMPARE(serp()->preview().linkLine, QStringLiteral("Handmade rugs from the valley, woven to order"));
    EXPECT_EQ(serp()->preview().addressLine, QStringLiteral("rugs.htm"));
    EXPECT_FALSE(noPageShown());
    EXPECT_TRUE(rules().contains(QStringLiteral("description-missing")));
    EXPECT_TRUE(serp()->preview().descriptionLines.isEmpty());

    // An edit: the title typed shorter, key by key; one audit after the pause.
    QTextCursor cursor = text()->document()->find(QStringLiteral(", woven to order"));
    text()->setTextCursor(cursor);
    text()->setFocus();
    ASSERT_TRUE(settled());
    const int before = check->startedGeneration();
    QTest::keyClick(text(), Qt::Key_Backspace);
    QTest::keyClicks(text(), QStringLiteral("!"));
    QTRY_COMPARE(serp()->preview().linkLine, QStringLiteral("Handmade rugs from the valley!"));
    EXPECT_EQ(check->startedGeneration(), before + 1);

    // Insert Tags from the Create panel.
    window->cmdCreate_Click();
    find<QLineEdit>("Text1")->setText(QStringLiteral("Rugs"));
    find<QLineEdit>("Text4")->setText(QStringLiteral("Rugs woven by hand in the valley."));
    press("ButtonEx4");
    press("cmdInsert2");
    QTRY_COMPARE(serp()->preview().descriptionLines,
                 QStringList{QStringLiteral("Rugs woven by hand in the valley.")});
    EXPECT_FALSE(rules().contains(QStringLiteral("description-missing")));

    text()->clear();
    QTRY_VERIFY(noPageShown());
    EXPECT_TRUE(serp()->preview().linkLine.isEmpty());
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_TRUE(countLine().isEmpty());
}

TEST_F(CheckWindowTest, ErrorsFirstAndCounted) {
    loadFile(QStringLiteral("bare.htm"), "<html><head></head><body><font>old</font></body></html>");
    ASSERT_TRUE(settled());
    ASSERT_GT(model()->rowCount(), 1);
    int errors = 0, warnings = 0, notes = 0;
    for (int row = 0; row < model()->rowCount(); ++row) {
        const audit::Severity s = model()->finding(row).severity;
        if (row > 0) {
            EXPECT_LE(s, model()->finding(row - 1).severity) << row;
        }
        (s == audit::Severity::Error ? errors : s == audit::Severity::Warning ? warnings : notes)++;
        EXPECT_FALSE(model()->index(row, FindingsModel::SeverityColumn).data(Qt::DecorationRole).isNull());
    }
    EXPECT_GT(errors, 0);
    EXPECT_EQ(countLine(), checktext::counts(errors, warnings, notes));
    // No title: the link line shows the address, as a search engine does.
    EXPECT_EQ(serp()->preview().linkLine, QStringLiteral("bare.htm"));
}

TEST_F(CheckWindowTest, ARepeatedFindingIsOneRowAndCountedEachTime) {
    loadFile(QStringLiteral("pictures.htm"),
             "<html><head><title>Rugs</title></head><body>\n<img src=\"a.png\">\n"
             "<img src=\"b.png\">\n<img src=\"c.png\">\n</body></html>");
    ASSERT_TRUE(settled());
    ASSERT_EQ(rules().count(QStringLiteral("image-alt")), 1) << rules().join(',').toStdString();
    const int row = int(rules().indexOf(QStringLiteral("image-alt")));
    EXPECT_TRUE(model()
                    ->index(row, FindingsModel::MessageColumn)
                    .data()
                    .toString()
                    .endsWith(" (3 times, lines 2, 3, 4)"));
    EXPECT_EQ(model()->finding(row).line, 2); // activating it goes to the first
    const audit::Severity severity = model()->finding(row).severity;
    EXPECT_GE(model()->count(severity), 3);
}

TEST_F(CheckWindowTest, FindingsAFixCanRepairAreMarked) {
    loadFile(QStringLiteral("bare.htm"), "<html><head><title>Rugs</title></head><body></body></html>");
    ASSERT_TRUE(settled());
    const struct {
        const char* rule;
        bool marked;
    } cases[] = {{"charset-missing", true}, {"viewport-missing", true}, {"description-missing", false}};
    for (const auto& c : cases) {
        const qsizetype row = rules().indexOf(QLatin1String(c.rule));
        ASSERT_GE(row, 0) << c.rule;
        EXPECT_EQ(model()->index(int(row), FindingsModel::FixColumn).data().toString(),
                  c.marked ? checktext::kFixable : QString())
            << c.rule;
    }
    // Nothing names a picture: the card says so in place of a blank box.
    EXPECT_FALSE(card()->namesImage());
    const QImage drawn = card()->grab().toImage();
    const QColor placeholder(0xdd, 0xdf, 0xe2);
    int other = 0;
    for (int x = 0; x < drawn.width(); ++x)
        other += drawn.pixelColor(x, 110 * drawn.height() / card()->height()) != placeholder ? 1 : 0;
    EXPECT_GT(other, 10) << "no text across the picture's middle";
}

TEST(CheckCountLine, SaysOneOrMany) {
    EXPECT_EQ(checktext::counts(1, 0, 0), QStringLiteral("1 error, 0 warnings, 0 notes"));
    EXPECT_EQ(checktext::counts(2, 1, 1), QStringLiteral("2 errors, 1 warning, 1 note"));
}

// The widest title of whole words "Rug " that still fits, then one letter more.
QString titleNearLimit(bool over) {
    QString title = QStringLiteral("Rug");
    while (audit::textWidthPx(QString(title + QStringLiteral(" Rug")), 20) <= 580)
        title += QStringLiteral(" Rug");
    while (audit::textWidthPx(QString(title + u'x'), 20) <= 580)
        title += u'x';
    return over ? title + u'x' : title;
}

TEST_F(CheckWindowTest, TitleCutWhereTheWidthRuleSaysTooWide) {
    for (bool over : {false, true}) {
        SCOPED_TRACE(over ? "just over" : "just under");
        const QString title = titleNearLimit(over);
        text()->setPlainText(QStringLiteral("<html><head><title>%1</title></head></html>").arg(title));
        ASSERT_TRUE(settled());
        const audit::SearchPreview& shown = serp()->preview();
        EXPECT_EQ(shown.titleCut, over);
        EXPECT_EQ(rules().contains(QStringLiteral("title-width")), over);
        if (over) {
            EXPECT_TRUE(shown.linkLine.endsWith(QStringLiteral(" ...")));
            EXPECT_TRUE(title.startsWith(shown.linkLine.chopped(4)));
        } else {
            EXPECT_EQ(shown.linkLine, title);
        }
        // The face painted measures as the audit measures.
        EXPECT_NEAR(QFontMetricsF(previewFont(20)).horizontalAdvance(shown.linkLine),
                    audit::textWidthPx(shown.linkLine, 20), 1.0);
    }
}

struct SelectCase {
    const char* name;
    QByteArray bytes;
    const char* rule;
    const char* selected;
};

class CheckSelection : public CheckWindowTest, public ::testing::WithParamInterface<SelectCase> {};

TEST_P(CheckSelection, ActivatingAFindingSelectsItsPieceAndRaisesTheMainWindow) {
    loadFile(QStringLiteral("page.htm"), GetParam().bytes);
    ASSERT_TRUE(settled());
    const int row = int(rules().indexOf(QString::fromLatin1(GetParam().rule)));
    ASSERT_GE(row, 0) << rules().join(u' ').toStdString();
    emit list()->activated(model()->index(row, FindingsModel::MessageColumn));
    EXPECT_EQ(text()->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n'),
              QString::fromUtf8(GetParam().selected));
    QTRY_COMPARE(QApplication::activeWindow(), window.get());
    EXPECT_TRUE(text()->hasFocus());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CheckSelection,
    ::testing::Values(
        SelectCase{"Lf", "<html><head>\n<title>Rugs</title>\n</head></html>", "title-length",
                   "<title>Rugs</title>"},
        SelectCase{"CrLf", "<html>\r\n<head>\r\n\r\n<title>Rugs</title></head></html>", "title-length",
                   "<title>Rugs</title>"},
        // A character the page's encoding cannot hold is written as a reference
        // for the audit; the selection still lands on the piece.
        SelectCase{
            "ReferenceBeforeOnTheLine",
            "<html><head><meta charset=\"windows-1252\"><!-- \xe2\x82\xac \xce\xa9 --><title>Rugs</title>"
            "</head></html>",
            "title-length", "<title>Rugs</title>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckWindowTest, SelectionLandsOnThePieceAfterACharacterTheEncodingLacks) {
    // The audit reads the page in its own encoding, where the Omega becomes
    // "&#937;"; the box's positions still count it as one character.
    loadFile(QStringLiteral("page.htm"),
             "<html><head><meta charset=\"windows-1252\">\n<!-- \x80 x --><title>Rugs</title></head></html>");
    QTextCursor cursor = text()->document()->find(QStringLiteral("x"));
    cursor.insertText(QString(QChar(0x3a9)));
    ASSERT_TRUE(settled());
    const int row = int(rules().indexOf(QStringLiteral("title-length")));
    ASSERT_GE(row, 0);
    emit list()->activated(model()->index(row, FindingsModel::RuleColumn));
    EXPECT_EQ(text()->textCursor().selectedText(), QStringLiteral("<title>Rugs</title>"));
}

TEST_F(CheckWindowTest, AResultForAnOlderTextNeverReplacesANewerOne) {
    QSemaphore release;
    check->setChecker([&release](const PageSnapshot& page) {
        if (page.text.contains(u"Old"))
            release.tryAcquire(1, 10000);
        return checkPage(page, audit::AuditConfig{});
    });
    text()->setPlainText(QStringLiteral("<title>Old</title>"));
    QTRY_COMPARE(check->startedGeneration(), 1);
    text()->setPlainText(QStringLiteral("<title>New</title>"));
    QTRY_COMPARE(serp()->preview().linkLine, QStringLiteral("New"));
    release.release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(serp()->preview().linkLine, QStringLiteral("New"));
    EXPECT_EQ(check->shownGeneration(), check->startedGeneration());
}

QByteArray pngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray cardPage(const char* image) {
    return QByteArray("<html><head><meta property=\"og:title\" content=\"Rugs\">"
                      "<meta property=\"og:url\" content=\"https://rugs.example/shop\">"
                      "<meta property=\"og:image\" content=\"") +
           image + "\"></head></html>";
}

TEST_F(CheckWindowTest, CardShowsAPictureNextToThePageOrAPlaceholder) {
    writeTestFile(dir.filePath(QStringLiteral("rug.png")), pngBytes(40, 21));
    loadFile(QStringLiteral("card.htm"), cardPage("rug.png"));
    QTRY_COMPARE(card()->image().size(), QSize(40, 21));
    EXPECT_EQ(card()->card().title, QStringLiteral("Rugs"));
    EXPECT_EQ(card()->card().host, QStringLiteral("rugs.example"));

    loadFile(QStringLiteral("card.htm"), cardPage("missing.png"));
    QTRY_VERIFY(card()->image().isNull());
    EXPECT_EQ(card()->card().title, QStringLiteral("Rugs"));
}

struct FetchCase {
    const char* name;
    int status;
    QByteArray body;
    bool shown;
};

class CardFetch : public CheckWindowTest, public ::testing::WithParamInterface<FetchCase> {};

TEST_P(CardFetch, AFetchedPictureIsShownWithinTheLimits) {
    FetchResult result;
    result.ok = true;
    result.status = GetParam().status;
    result.body = GetParam().body;
    fetcher.prepareResult(result);
    // The fetch's answer, picture or not, arrives as the card's image: wait for
    // that, not for a time, so a slow machine cannot read the fetcher too early.
    QSignalSpy imageSet(card(), &CardPreview::imageChanged);
    loadFile(QStringLiteral("card.htm"), cardPage("https://img.example/rug.png"));
    ASSERT_TRUE(settled());
    ASSERT_TRUE(!imageSet.isEmpty() || imageSet.wait(60000));
    EXPECT_EQ(!card()->image().isNull(), GetParam().shown);
    EXPECT_EQ(fetcher.urls.value(0), QStringLiteral("https://img.example/rug.png"));
    EXPECT_EQ(card()->card().imageUrl, QUrl(QStringLiteral("https://img.example/rug.png")));
}

INSTANTIATE_TEST_SUITE_P(Answers, CardFetch,
                         ::testing::Values(FetchCase{"Picture", 200, pngBytes(8, 4), true},
                                           FetchCase{"NotFound", 404, pngBytes(8, 4), false},
                                           FetchCase{"NotAPicture", 200, "<html>", false},
                                           FetchCase{"OverFiveMegabytes", 200,
                                                     pngBytes(8, 4) + QByteArray(5 * 1024 * 1024, '\0'),
                                                     false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// What the server said of a fetched page reaches the audit; a file loaded
// after it carries none of it.
TEST_F(CheckWindowTest, AFetchedPageIsAuditedWithItsStatusAndHeaders) {
    const struct {
        int status;
        QList<QPair<QByteArray, QByteArray>> headers;
        const char* rule;
    } cases[] = {
        {404, {}, "http-status"},
        {200, {{"X-Robots-Tag", "noindex"}}, "robots-noindex"},
    };
    for (const auto& c : cases) {
        FetchResult answer;
        answer.ok = true;
        answer.status = c.status;
        answer.body = kPage;
        answer.headers = c.headers;
        fetcher.prepareResult(answer);
        find<QLineEdit>("txtUrl")->setText(QStringLiteral("http://rugs.example/"));
        press("txtGetSrc");
        QTRY_COMPARE(serp()->preview().addressLine, QStringLiteral("http://rugs.example/"));
        ASSERT_TRUE(settled());
        EXPECT_TRUE(rules().contains(QLatin1String(c.rule))) << c.rule;

        loadFile(QStringLiteral("rugs.htm"), kPage);
        QTRY_COMPARE(serp()->preview().addressLine, QStringLiteral("rugs.htm"));
        ASSERT_TRUE(settled());
        EXPECT_FALSE(rules().contains(QLatin1String(c.rule))) << c.rule;
    }
}

} // namespace

namespace {

// The border closes the card at every scale: no picture pixel on its edge.
TEST(CardPreviewPaint, BorderCoversTheOuterPixelsAt100And200Percent) {
    CardPreview preview;
    preview.resize(preview.sizeHint());
    QImage red(40, 21, QImage::Format_RGB32);
    red.fill(Qt::red);
    preview.setCard(audit::CardPreview{});
    preview.setImage(red);
    for (const qreal ratio : {1.0, 2.0}) {
        QImage shot(preview.size() * ratio, QImage::Format_RGB32);
        shot.setDevicePixelRatio(ratio);
        shot.fill(Qt::white);
        preview.render(&shot);
        const int w = shot.width(), h = shot.height();
        for (const QPoint p : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h / 4), QPoint(w - 1, h / 4),
                               QPoint(w / 2, 0), QPoint(w / 2, h - 1)})
            EXPECT_NE(shot.pixelColor(p), QColor(Qt::red)) << ratio << " " << p.x() << "," << p.y();
        EXPECT_EQ(shot.pixelColor(w / 2, h / 8), QColor(Qt::red)) << ratio;
    }
}

} // namespace

namespace {

class CheckFix : public CheckWindowTest {
protected:
    QPushButton* fix() const { return check->findChild<QPushButton*>(QStringLiteral("cmdCheckFix")); }
    QPushButton* fixAll() const { return check->findChild<QPushButton*>(QStringLiteral("cmdCheckFixAll")); }
    void select(const char* rule) {
        for (int row = 0; row < model()->rowCount(); ++row)
            if (model()->finding(row).rule == QLatin1String(rule))
                list()->setCurrentIndex(model()->index(row, 0));
    }
    // Presses a button of the window and waits for the fix and the audit after it.
    void click(QPushButton* button) {
        button->click();
        ASSERT_TRUE(idle());
        ASSERT_TRUE(settled());
    }
};

const QByteArray kFixable =
    "<html lang=\"en\">\n<head>\n  <title>Handmade rugs from the valley, woven to order</title>\n"
    "  <title>Handmade rugs from the valley, woven to order</title>\n</head>\n</html>\n";

TEST_F(CheckFix, FixAllIsOneStepThatOneUndoTakesBack) {
    loadFile(QStringLiteral("rugs.htm"), kFixable);
    ASSERT_TRUE(settled());
    EXPECT_EQ(fix()->text(), checktext::kFix);
    EXPECT_TRUE(fixAll()->isEnabled());
    select("og-missing");
    EXPECT_FALSE(fix()->isEnabled());
    select("title-multiple");
    EXPECT_TRUE(fix()->isEnabled());

    click(fix());
    const QString once = QString::fromLatin1(kFixable).replace(
        QStringLiteral("  <title>Handmade rugs from the valley, woven to order</title>\n</head>"), "</head>");
    EXPECT_EQ(text()->toPlainText(), once);
    EXPECT_FALSE(rules().contains(QStringLiteral("title-multiple")));

    click(fixAll());
    EXPECT_EQ(
        text()->toPlainText(),
        QStringLiteral("<html lang=\"en\">\n<head>\n  <meta charset=\"utf-8\">\n  <meta name=\"viewport\" "
                       "content=\"width=device-width, initial-scale=1\">\n  <title>Handmade rugs from the "
                       "valley, woven to order</title>\n</head>\n</html>\n"));
    EXPECT_FALSE(rules().contains(QStringLiteral("charset-missing")) ||
                 rules().contains(QStringLiteral("viewport-missing")));
    EXPECT_FALSE(fixAll()->isEnabled());

    text()->setFocus();
    QTest::keyClick(text(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text()->toPlainText(), once);
    QTest::keyClick(text(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text()->toPlainText(), QString::fromLatin1(kFixable));
    ASSERT_TRUE(settled());
    EXPECT_TRUE(rules().contains(QStringLiteral("charset-missing")));
}

// A file has no address on the web: the fix asks for one, once, and checks it.
TEST_F(CheckFix, ARelativeAddressIsMadeAbsoluteAgainstTheAddressGiven) {
    loadFile(QStringLiteral("rugs.htm"), "<html lang=\"en\"><head><meta charset=\"utf-8\"><link "
                                         "rel=\"canonical\" href=\"rugs.htm\"></head></html>");
    ASSERT_TRUE(settled());
    select("canonical-relative");
    questions.answers = {std::nullopt, QStringLiteral("rugs.example"),
                         QStringLiteral(" https://rugs.example/shop/ ")};
    for (int round = 0; round < 3; ++round)
        click(fix());
    ASSERT_EQ(questions.asked.size(), 3);
    EXPECT_EQ(questions.asked[0].title, checktext::kBaseTitle);
    EXPECT_EQ(questions.asked[0].proposed, checktext::kBaseProposed);
    ASSERT_EQ(messages.shown.size(), 1); // the answer that was no address
    EXPECT_EQ(messages.shown[0].text, checktext::notAnAddress(QStringLiteral("rugs.example")));
    EXPECT_EQ(text()->toPlainText(),
              QStringLiteral("<html lang=\"en\"><head><meta charset=\"utf-8\"><link rel=\"canonical\" "
                             "href=\"https://rugs.example/shop/rugs.htm\"></head></html>"));
}

} // namespace

struct ItemRow {
    const char* type;
    const char* result;
    const char* missing;
    const char* block; // the start of what selecting the row selects in the page box
};

TEST_F(CheckWindowTest, StructuredItemsListedAndSelectingOneSelectsItsBlock) {
    loadFile(
        QStringLiteral("item.htm"),
        "<html><head><title>Rugs</title>\n"
        "<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\",\"@type\":\"Product\","
        "\"name\":\"Rug\",\"image\":\"https://e.example/r.jpg\",\"offers\":{\"@type\":\"Offer\","
        "\"priceCurrency\":\"EUR\"}}</script>\n"
        "</head><body>\n<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\","
        "\"@type\":\"BreadcrumbList\",\"itemListElement\":[{\"@type\":\"ListItem\",\"position\":1,"
        "\"name\":\"Rugs\",\"item\":\"https://e.example/rugs\"}]}</script>\n</body></html>\n");
    ASSERT_TRUE(settled());
    auto* items = check->findChild<QTreeView*>(QStringLiteral("lstCheckItems"));
    ASSERT_NE(items, nullptr);
    const QList<ItemRow> expected = {
        {"Product", "Product snippet, Merchant listing: not eligible",
         "one of offers.price, offers.priceSpecification.price or offers.lowPrice", "<script"},
        {"BreadcrumbList", "Breadcrumb: eligible", "", "<script"},
    };
    ASSERT_EQ(items->model()->rowCount(), expected.size());
    for (int row = 0; row < expected.size(); ++row) {
        const auto cell = [&](int column) { return items->model()->index(row, column).data().toString(); };
        EXPECT_EQ(cell(StructuredItemsModel::TypeColumn), QString::fromLatin1(expected[row].type));
        EXPECT_EQ(cell(StructuredItemsModel::ResultColumn), QString::fromLatin1(expected[row].result));
        EXPECT_EQ(cell(StructuredItemsModel::MissingColumn), QString::fromLatin1(expected[row].missing));
        items->setCurrentIndex(items->model()->index(row, 0));
        const QString selected = text()->textCursor().selectedText();
        EXPECT_TRUE(selected.startsWith(QLatin1String(expected[row].block)) &&
                    selected.endsWith(QLatin1String("</script>")) &&
                    selected.contains(QLatin1String(expected[row].type)))
            << selected.toStdString();
    }
}

TEST_F(CheckWindowTest, AnItemsBlockIsSelectedWholeAfterACharacterTheEncodingLacks) {
    const QString block =
        QStringLiteral("<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\","
                       "\"@type\":\"BreadcrumbList\"}</script>");
    loadFile(QStringLiteral("page.htm"),
             "<html><head><meta charset=\"windows-1252\">\n<!-- x -->" + block.toLatin1() + "</head></html>");
    // "&#937;" for the audit, one character in the box.
    text()->document()->find(QStringLiteral("x")).insertText(QString(QChar(0x3a9)));
    ASSERT_TRUE(settled());
    auto* items = check->findChild<QTreeView*>(QStringLiteral("lstCheckItems"));
    ASSERT_EQ(items->model()->rowCount(), 1);
    items->setCurrentIndex(items->model()->index(0, 0));
    EXPECT_EQ(text()->textCursor().selectedText(), block);
}
