#include "form1fixture.h"
#include "ui/analyzepanel.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <functional>

using namespace headwise;
using namespace headwise::testing;

namespace {

// Past the 32,767 characters Qt's single-line boxes keep by default.
const QString kLong = QString(QStringLiteral("abcd")).repeated(10000);

TEST(LineLengths, ABoxBuiltAnywhereTakesALongTextAtOnce) {
    QLineEdit box; // no window, never shown, no turn of the event loop
    box.setText(kLong);
    EXPECT_EQ(box.text().size(), kLong.size());
}

class LongTextTest : public Form1Test {};

TEST_F(LongTextTest, EverySingleLineBoxOfEveryWindowTakesALongText) {
    window->mnuTellFriend_Click();
    window->mnuContact_Click();
    window->mnuAbout_Click();
    int boxes = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QLineEdit* box : top->findChildren<QLineEdit*>()) {
            box->setText(kLong);
            EXPECT_EQ(box->text().size(), kLong.size()) << box->objectName().toStdString();
            ++boxes;
        }
    EXPECT_GE(boxes, 30); // the main window's panels and both mail windows
}

struct WritePath {
    const char* name;
    const char* box;
    std::function<void()> write;
    QString expected;
};

TEST_F(LongTextTest, EachWayIntoABoxKeepsTheWholeText) {
    const QString title = QStringLiteral("<title>") + kLong + QStringLiteral("</title>");
    const WritePath paths[] = {
        {"typed", "Text1",
         [this] {
             window->cmdCreate_Click();
             auto* box = find<QLineEdit>("Text1");
             box->setText(kLong.chopped(3));
             box->setFocus();
             box->end(false);
             QTest::keyClicks(box, kLong.right(3));
         },
         kLong},
        {"pasted", "Text5",
         [this] {
             window->cmdCreate_Click();
             QApplication::clipboard()->setText(kLong);
             auto* box = find<QLineEdit>("Text5");
             box->setFocus();
             QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
         },
         kLong},
        {"Add These", "Text5",
         [this] {
             window->cmdExtract_Click();
             find<QLineEdit>("Text5")->setText(kLong);
             find<QPlainTextEdit>("txtKeywords2")->setPlainText(kLong);
             press("Command3");
         },
         kLong + QStringLiteral(", ") + kLong},
        {"title scan", "txtTitle",
         [this, &title] {
             window->cmdAnalyze_Click();
             find<QPlainTextEdit>("Text")->setPlainText(title);
             find<AnalyzePanel>("FraAnalyze")->cmdTitle_Click();
         },
         title},
    };
    for (const WritePath& path : paths) {
        SCOPED_TRACE(path.name);
        path.write();
        ASSERT_TRUE(idle());
        EXPECT_EQ(find<QLineEdit>(path.box)->text(), path.expected);
    }
}

} // namespace
