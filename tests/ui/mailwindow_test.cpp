#include "form1fixture.h"

#include "core/mail/mailforms.h"
#include "ui/mailwindow.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <cstring>

using namespace headwise;
using namespace headwise::testing;

namespace {

class MailWindowsTest : public Form1Test {
protected:
    MailWindow* openFromMenu(const char* action) {
        find<QAction>(action)->trigger();
        return mailWindow(QString::fromLatin1(std::strcmp(action, "mnuTellFriend") == 0 ? "frmBugReport"
                                                                                        : "frmBugReport1"));
    }

    MailWindow* mailWindow(const QString& name) const {
        const QList<MailWindow*> all = window->findChildren<MailWindow*>(name);
        return all.size() == 1 ? all.first() : nullptr;
    }

    int mailWindowCount() const { return int(window->findChildren<MailWindow*>().size()); }

    static QStringList labelTexts(QWidget* w) {
        QStringList texts;
        for (QLabel* label : w->findChildren<QLabel*>())
            if (!label->text().isEmpty())
                texts << label->text();
        return texts;
    }

    // Names of the named controls in keyboard order, starting at the first one.
    static QStringList tabOrder(QWidget* w, const QStringList& names) {
        QStringList order;
        QWidget* start = findControl(w, names.first().toLatin1().constData());
        QWidget* current = start;
        for (int guard = 0; guard < 200; ++guard) {
            if (names.contains(current->objectName()) && !order.contains(current->objectName()))
                order << current->objectName();
            current = current->nextInFocusChain();
            if (current == start)
                break;
        }
        return order;
    }

    static bool focusIsIn(QWidget* w, const QString& field) {
        QWidget* target = w->findChild<QWidget*>(field);
        QWidget* focus = w->focusWidget();
        return target && focus && (focus == target || target->isAncestorOf(focus));
    }
};

TEST_F(MailWindowsTest, TellAFriendOpensLoaded) {
    MailWindow* w = openFromMenu("mnuTellFriend");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isWindow());
    EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(w->windowTitle(), "Tell a Friend About Headwise");
    const QStringList labels = labelTexts(w);
    for (const char* text : {"Select a Subject", "Your Friend's name", "Your Friend's Email Address",
                             "Enter Your Name", "Enter Your Email Address", "Comments (Optional)",
                             "Varnholt does not collect email address's", "Status - Ready"})
        EXPECT_TRUE(labels.contains(text)) << text;
    EXPECT_EQ(findControl<QPushButton>(w, "cmdSend")->text(), "&Send");
    EXPECT_EQ(findControl<QPushButton>(w, "cmdExit")->text(), "&Cancel");
    EXPECT_TRUE(findControl(w, "Image1")->isVisible());
    EXPECT_FALSE(findControl<QLabel>(w, "Image1")->pixmap().isNull());

    auto* subject = findControl<QComboBox>(w, "cboSubject");
    EXPECT_TRUE(subject->isEditable());
    QStringList items;
    for (int i = 0; i < subject->count(); ++i)
        items << subject->itemText(i);
    EXPECT_EQ(items, QStringList({" I Highly Recommend It!", " I Thought You'd Want To See This",
                                  " I'm using a new program", " This seems like a good one",
                                  " Check Out This Program"}));
    EXPECT_EQ(subject->currentIndex(), 2);
    EXPECT_EQ(subject->currentText(), " I'm using a new program");

    EXPECT_TRUE(findControl(w, "txtUrl")->isHidden());
    EXPECT_EQ(findControl<QLineEdit>(w, "txtUrl")->text(), programPageAddress());
    EXPECT_TRUE(findControl(w, "txtMessage")->isHidden());
    EXPECT_EQ(findControl<QPlainTextEdit>(w, "txtComments")->verticalScrollBarPolicy(),
              Qt::ScrollBarAlwaysOn);
    auto* timer = findControl<QTimer>(w, "Timer1");
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_FALSE(timer->isActive());
    EXPECT_NE(w->findChild<QTcpSocket*>("Winsock1"), nullptr);
    EXPECT_EQ(tabOrder(w, {"txtFriendsName", "txtFriend", "txtName", "txtFrom", "cboSubject", "txtComments",
                           "cmdSend", "cmdExit"}),
              QStringList({"txtFriendsName", "txtFriend", "txtName", "txtFrom", "cboSubject", "txtComments",
                           "cmdSend", "cmdExit"}));
}

TEST_F(MailWindowsTest, ContactOpensWithThePromptAndNothingSelected) {
    MailWindow* w = openFromMenu("mnuContact");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Comment About Headwise");
    const QStringList labels = labelTexts(w);
    for (const char* text : {"Select a Subject", "Enter Your Email Address", "Your Mesage", "Status - Ready"})
        EXPECT_TRUE(labels.contains(text)) << text;
    auto* subject = findControl<QComboBox>(w, "cboSubject");
    EXPECT_EQ(subject->count(), 5);
    EXPECT_EQ(subject->itemText(0), " Comment on program");
    EXPECT_EQ(subject->itemText(4), " Technical Support");
    EXPECT_EQ(subject->currentIndex(), -1);
    EXPECT_EQ(subject->currentText(), "Please Choose a Subject");
    EXPECT_TRUE(findControl(w, "txtMessage")->isVisible());
    EXPECT_EQ(w->findChild<QLineEdit*>("txtFriend"), nullptr);
    EXPECT_EQ(tabOrder(w, {"txtFrom", "cboSubject", "cmdSend", "cmdExit", "txtMessage"}),
              QStringList({"txtFrom", "cboSubject", "cmdSend", "cmdExit", "txtMessage"}));
}

TEST_F(MailWindowsTest, EachWindowOpensOnceAndComesForward) {
    MailWindow* tell = openFromMenu("mnuTellFriend");
    MailWindow* again = openFromMenu("mnuTellFriend");
    EXPECT_EQ(tell, again);
    EXPECT_EQ(mailWindowCount(), 1);
    MailWindow* contact = openFromMenu("mnuContact");
    ASSERT_NE(contact, nullptr);
    EXPECT_NE(contact, tell);
    EXPECT_EQ(mailWindowCount(), 2);

    // Closed, it is gone; chosen again, it loads afresh.
    findControl<QComboBox>(tell, "cboSubject")->setCurrentIndex(0);
    QPointer<MailWindow> closed(tell);
    findControl<QPushButton>(tell, "cmdExit")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed.isNull(); }, 5000));
    MailWindow* fresh = openFromMenu("mnuTellFriend");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(findControl<QComboBox>(fresh, "cboSubject")->currentIndex(), 2);
    EXPECT_EQ(mailWindowCount(), 2);
}

TEST_F(MailWindowsTest, ClosingTheMainWindowClosesTheMailWindows) {
    QPointer<MailWindow> tell = openFromMenu("mnuTellFriend");
    QPointer<MailWindow> contact = openFromMenu("mnuContact");
    window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return tell.isNull() && contact.isNull(); }, 5000));
}

struct PressCase {
    const char* field; // the field filled before the next press
    const char* value;
};

TEST_F(MailWindowsTest, TellAFriendChecksSpeakOneAtATime) {
    MailWindow* w = openFromMenu("mnuTellFriend");
    ASSERT_NE(w, nullptr);
    findControl<QComboBox>(w, "cboSubject")->setEditText("Please Choose a Subject");
    const QList<FieldCheck>& checks = tellFriendForm().checks;
    const PressCase fills[] = {{"cboSubject", " Mine"},
                               {"txtFriendsName", " "},
                               {"txtFriend", "b@b.example"},
                               {"txtName", "Ann"},
                               {"txtFrom", "a@a.example"}};
    for (int i = 0; i < checks.size(); ++i) {
        SCOPED_TRACE(checks[i].field.toStdString());
        messages.shown.clear();
        findControl<QPushButton>(w, "cmdSend")->click();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, checks[i].title);
        EXPECT_EQ(messages.shown[0].text, checks[i].text);
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
        EXPECT_TRUE(focusIsIn(w, checks[i].field));
        EXPECT_EQ(findControl<QLabel>(w, "lblStatus")->text(), "Status - Ready");
        EXPECT_TRUE(findControl<QPushButton>(w, "cmdSend")->isEnabled());
        if (fills[i].field == QLatin1String("cboSubject"))
            findControl<QComboBox>(w, "cboSubject")->setEditText(fills[i].value);
        else
            findControl<QLineEdit>(w, fills[i].field)->setText(fills[i].value);
    }
}

TEST_F(MailWindowsTest, ContactChecksSpeakOneAtATime) {
    MailWindow* w = openFromMenu("mnuContact");
    ASSERT_NE(w, nullptr);
    const QList<FieldCheck>& checks = contactForm().checks;
    for (int i = 0; i < checks.size(); ++i) {
        SCOPED_TRACE(checks[i].field.toStdString());
        messages.shown.clear();
        findControl<QPushButton>(w, "cmdSend")->click();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, "Report");
        EXPECT_EQ(messages.shown[0].text, checks[i].text);
        EXPECT_TRUE(focusIsIn(w, checks[i].field));
        if (i == 0)
            findControl<QComboBox>(w, "cboSubject")->setCurrentIndex(0);
        if (i == 1)
            findControl<QLineEdit>(w, "txtFrom")->setText("a@a.example");
    }
}

TEST_F(MailWindowsTest, LineBreaksInAddressOrSubjectAreRefusedBeforeConnecting) {
    struct Case {
        const char* field;
        const char* value;
    };
    const Case cases[] = {{"txtFrom", "a@a.example\nRCPT TO:<x@x.example>"},
                          {"txtFriend", "b@b.example\r\nBcc: all@x.example"},
                          {"txtName", "Ann\rX"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        MailWindow* w = openFromMenu("mnuTellFriend");
        ASSERT_NE(w, nullptr);
        findControl<QLineEdit>(w, "txtFriendsName")->setText("Bob");
        findControl<QLineEdit>(w, "txtFriend")->setText("b@b.example");
        findControl<QLineEdit>(w, "txtName")->setText("Ann");
        findControl<QLineEdit>(w, "txtFrom")->setText("a@a.example");
        findControl<QLineEdit>(w, c.field)->setText(QString::fromLatin1(c.value));
        messages.shown.clear();
        findControl<QPushButton>(w, "cmdSend")->click();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, "Headwise");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
        EXPECT_EQ(findControl<QLabel>(w, "lblStatus")->text(), "Status - Ready");
        EXPECT_TRUE(findControl<QPushButton>(w, "cmdSend")->isEnabled());
        EXPECT_EQ(w->findChild<QTcpSocket*>("Winsock1")->state(), QAbstractSocket::UnconnectedState);
        QPointer<MailWindow> gone(w);
        w->close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }, 5000));
    }
}

} // namespace
