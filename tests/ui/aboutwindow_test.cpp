#include "form1fixture.h"
#include "ui/aboutwindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace headwise;
using namespace headwise::testing;

namespace {

class AboutTest : public Form1Test {
protected:
    AboutWindow* openAbout() {
        find<QAction>("mnuAbout")->trigger();
        return window->findChild<AboutWindow*>("frmAbout");
    }
};

TEST_F(AboutTest, ShowsTitleVersionAndCaptions) {
    AboutWindow* about = openAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(about->isWindow());
    EXPECT_EQ(about->windowTitle(), "About Headwise");
    EXPECT_EQ(findControl<QLabel>(about, "lblTitle")->text(), "Headwise");
    EXPECT_EQ(findControl<QLabel>(about, "lblVersion")->text(), "Version 2.0.0");
    EXPECT_TRUE(findControl<QLabel>(about, "lblVersion")->font().bold());
    EXPECT_FALSE(findControl<QLabel>(about, "lblDisclaimer")->text().isEmpty());
    const std::tuple<const char*, const char*, const char*> buttons[] = {
        {"Command1", "&Join the Varnholt mailing list", "Join our mailing list"},
        {"Command2", "&Varnholt", "Visit Varnholt"},
        {"Command3", "Clos&e", "Close this window"},
        {"Command4", "&System Info", "Info about your computer"},
    };
    for (const auto& [name, text, tip] : buttons) {
        EXPECT_EQ(findControl<QPushButton>(about, name)->text(), text);
        EXPECT_EQ(findControl<QPushButton>(about, name)->toolTip(), tip);
    }
    EXPECT_EQ(findControl<QLabel>(about, "picIcon")->toolTip(), "Varnholt Software");
}

TEST_F(AboutTest, OpensAtMostOnceAndClosesWithTheMainWindow) {
    AboutWindow* first = openAbout();
    AboutWindow* second = openAbout();
    EXPECT_EQ(first, second);
    EXPECT_EQ(window->findChildren<AboutWindow*>().size(), 1);
    QPointer<AboutWindow> watch(first);
    window->close();
    EXPECT_FALSE(first->isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

TEST_F(AboutTest, ClosedWindowIsMadeAfreshNextTime) {
    QPointer<AboutWindow> first(openAbout());
    findControl<QPushButton>(first, "Command3")->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    AboutWindow* again = openAbout();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isVisible());
}

TEST_F(AboutTest, WebButtonsOpenTheMakersPages) {
    AboutWindow* about = openAbout();
    findControl<QPushButton>(about, "Command1")->click();
    findControl<QPushButton>(about, "Command2")->click();
    QTest::mouseClick(findControl<QLabel>(about, "picIcon"), Qt::LeftButton);
    QTest::mouseClick(findControl<QLabel>(about, "Image1"), Qt::LeftButton);
    ASSERT_EQ(shell.opened.size(), 4);
    EXPECT_EQ(shell.opened[0], AboutWindow::mailingListPage());
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(shell.opened[i], AboutWindow::homePage());
    EXPECT_EQ(AboutWindow::homePage().host(), "www.varnholt.example");
    shell.succeeds = false; // a page that cannot be opened is not reported
    findControl<QPushButton>(about, "Command2")->click();
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(about->isVisible());
}

TEST_F(AboutTest, SystemInfoStartsTheFirstProgramFoundOrSaysItIsUnavailable) {
    struct Case {
        QMap<QString, QString> installed;
        bool startSucceeds;
        QStringList started;
        bool unavailable;
    } cases[] = {
        {{}, true, {}, true},
        {{{"kinfocenter", "/usr/bin/kinfocenter"}, {"gnome-system-monitor", "/usr/bin/gsm"}},
         true,
         {"/usr/bin/kinfocenter"},
         false},
        {{{"hardinfo", "/usr/bin/hardinfo"}}, false, {"/usr/bin/hardinfo"}, true},
    };
    for (const Case& c : cases) {
        programs.installed = c.installed;
        programs.startSucceeds = c.startSucceeds;
        programs.started.clear();
        messages.shown.clear();
        AboutWindow* about = openAbout();
        findControl<QPushButton>(about, "Command4")->click();
        EXPECT_EQ(programs.started, c.started);
        ASSERT_EQ(messages.shown.size(), c.unavailable ? 1 : 0);
        if (c.unavailable) {
            EXPECT_EQ(messages.shown[0].text, "System Information Is Unavailable At This Time");
            EXPECT_EQ(messages.shown[0].title, "Headwise");
            EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
        }
        EXPECT_TRUE(about->isVisible());
    }
}

} // namespace
