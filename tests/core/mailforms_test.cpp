#include "core/mail/mailforms.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace headwise;

namespace {

using Fields = QMap<QString, QString>;

Fields filledTellFriend() {
    return {{"cboSubject", " I'm using a new program"},
            {"txtFriendsName", "Bob"},
            {"txtFriend", "bob@b.example"},
            {"txtName", "Ann"},
            {"txtFrom", "ann@a.example"}};
}

Fields filledContact() {
    return {{"cboSubject", " Report Bug"}, {"txtFrom", "ann@a.example"}, {"txtMessage", "It broke"}};
}

struct CheckCase {
    const char* name;
    bool tellFriend;
    Fields fields;
    const char* field; // nullptr: every check passes
    const char* title;
    const char* text;
};

class FieldCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(FieldCheckTest, FirstFailingCheckSpeaks) {
    const CheckCase& c = GetParam();
    const MailForm& form = c.tellFriend ? tellFriendForm() : contactForm();
    const auto failing = firstFailingCheck(form.checks, [&](const QString& f) { return c.fields.value(f); });
    if (!c.field) {
        EXPECT_FALSE(failing.has_value()) << failing->field.toStdString();
        return;
    }
    ASSERT_TRUE(failing.has_value());
    EXPECT_EQ(failing->field, c.field);
    EXPECT_EQ(failing->title, c.title);
    EXPECT_EQ(failing->text, c.text);
}

Fields with(Fields f, const QString& key, const QString& value) {
    f.insert(key, value);
    return f;
}

const Fields kEmpty{{"cboSubject", "Please Choose a Subject"}};

INSTANTIATE_TEST_SUITE_P(
    Order, FieldCheckTest,
    ::testing::Values(
        CheckCase{"TellAllEmpty", true, kEmpty, "cboSubject", "No Subject Chosen",
                  "You must choose a Subject for the email     "},
        CheckCase{"TellFriendsName", true, with(filledTellFriend(), "txtFriendsName", ""), "txtFriendsName",
                  "No Name", "Please enter your friend's name     "},
        CheckCase{"TellNamesBeforeAddresses", true,
                  with(with(filledTellFriend(), "txtFriendsName", ""), "txtFrom", ""), "txtFriendsName",
                  "No Name", "Please enter your friend's name     "},
        CheckCase{"TellFriend", true, with(with(filledTellFriend(), "txtFriend", ""), "txtName", ""),
                  "txtFriend", "No Email Address", "Please enter your friend's email address     "},
        CheckCase{"TellName", true, with(with(filledTellFriend(), "txtName", ""), "txtFrom", ""), "txtName",
                  "No Name", "Please enter your name     "},
        CheckCase{"TellFrom", true, with(filledTellFriend(), "txtFrom", ""), "txtFrom", "No Email Address",
                  "Please enter your email address     "},
        CheckCase{"TellBlankPasses", true, with(filledTellFriend(), "txtName", " "), nullptr, "", ""},
        CheckCase{"TellPromptCaseMatters", true,
                  with(filledTellFriend(), "cboSubject", "please choose a subject"), nullptr, "", ""},
        CheckCase{"TellPromptTrailingBlank", true,
                  with(filledTellFriend(), "cboSubject", "Please Choose a Subject "), nullptr, "", ""},
        CheckCase{"TellAllFilled", true, filledTellFriend(), nullptr, "", ""},
        CheckCase{"ContactAllEmpty", false, kEmpty, "cboSubject", "Report",
                  "You must choose a Subject for the email     "},
        CheckCase{"ContactFrom", false, with(with(filledContact(), "txtFrom", ""), "txtMessage", ""),
                  "txtFrom", "Report", "Please enter your email address     "},
        CheckCase{"ContactMessage", false, with(filledContact(), "txtMessage", ""), "txtMessage", "Report",
                  "Please enter your message     "},
        CheckCase{"ContactAllFilled", false, filledContact(), nullptr, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MailForms, SubjectsKeepTheirLeadingBlank) {
    for (const MailForm* form : {&tellFriendForm(), &contactForm()}) {
        ASSERT_EQ(form->subjects.size(), 5);
        for (const QString& entry : form->subjects)
            EXPECT_TRUE(entry.startsWith(' ') && entry[1] != ' ') << entry.toStdString();
    }
    EXPECT_EQ(tellFriendForm().subjects.at(tellFriendForm().initialSubject), " I'm using a new program");
    EXPECT_EQ(contactForm().initialSubject, -1);
}

TEST(MailForms, SubjectsHaveTwoBlanksAfterTheHyphen) {
    EXPECT_EQ(tellFriendSubject("Ann", tellFriendForm().subjects.at(0)),
              "From: Ann -  I Highly Recommend It!");
    EXPECT_EQ(tellFriendSubject(" ", " x"), "From:   -  x");
    EXPECT_EQ(contactSubject(contactForm().subjects.at(1)), "Headwise -  Report Bug");
}

TEST(MailForms, SuccessTextsKeepTheirBlanks) {
    EXPECT_EQ(tellFriendForm().successText, "Your Message has been Sent Successfully.     \r\n\r\nThanks for "
                                            "telling a friend about Headwise     ");
    EXPECT_EQ(contactForm().successText, "Your Message has been Sent Successfully.  Thank You!     "
                                         "\r\n\r\nWe will respond within 24 hours.     ");
}

TEST(MailForms, MakerAddressesStayInTheReservedDomain) {
    QStringList all = makerWebAddresses();
    all << makerSmtpHost() << makerFeedbackAddress() << programPageAddress();
    EXPECT_EQ(makerWebAddresses().size(), 3);
    for (const QString& address : all)
        EXPECT_TRUE(address.section('/', 0, 2).endsWith(".example")) << address.toStdString();
}

const char* const kBodyHead =
    "Hi Bob,\r\n\r\n"
    "I just wanted to let you know that I'm using Headwise and I thought you might like "
    "to try it.  So far, I'm impressed with it enough to recommend it to you.\r\n\r\n";
const char* const kBodyTail =
    "It's easy to download and use, so do it now! Just click on the link below for more "
    "information:\r\n\r\n"
    "Headwise\r\n"
    "http://page.example/\r\n\r\n"
    "Varnholt has about 150 other programs, most of which are Freeware.  Check any of "
    "these 3 mirrors:\r\n\r\n"
    "http://www.headwise.example/\r\n"
    "http://mirror1.headwise.example/\r\n"
    "http://mirror2.headwise.example/\r\n\r\n"
    "Have Fun There!\r\n"
    "Ann";

TEST(TellFriendBody, WithoutCommentsFourLineBreaksInARow) {
    const QString body = tellFriendBody("Bob", "", "http://page.example/", "Ann");
    EXPECT_EQ(body, QString(kBodyHead) + "\r\n\r\n" + kBodyTail);
    EXPECT_TRUE(body.contains("you.\r\n\r\n\r\n\r\nIt's easy"));
}

TEST(TellFriendBody, CommentsSitBetweenTheParagraphsWithCrLf) {
    const QString body = tellFriendBody("Bob", "Try it\nnow", "http://page.example/", "Ann");
    EXPECT_EQ(body, QString(kBodyHead) + "Try it\r\nnow\r\n\r\n" + kBodyTail);
    EXPECT_FALSE(body.endsWith("\r\n"));
}

} // namespace
