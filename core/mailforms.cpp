#include "mailforms.h"

#include "appinfo.h"
#include "linebreaks.h"

namespace headwise {

QString makerSmtpHost() {
    return QStringLiteral("smtp.headwise.example");
}
QString makerFeedbackAddress() {
    return QStringLiteral("feedback@headwise.example");
}
QString programPageAddress() {
    return QStringLiteral("http://www.headwise.example/headwise/");
}

QStringList makerWebAddresses() {
    return {QStringLiteral("http://www.headwise.example/"),
            QStringLiteral("http://mirror1.headwise.example/"),
            QStringLiteral("http://mirror2.headwise.example/")};
}

const MailForm& tellFriendForm() {
    static const MailForm form{
        MailFormKind::TellFriend,
        QStringLiteral("frmBugReport"),
        QStringLiteral("Tell a Friend"),
        QStringLiteral("Tell a Friend About ") + applicationTitle(),
        QStringLiteral("VarnholtTellaFriend"),
        QStringLiteral("Your Message has been Sent Successfully.     ") + kCrLf + kCrLf +
            QStringLiteral("Thanks for telling a friend about ") + applicationTitle() +
            QStringLiteral("     "),
        {QStringLiteral(" I Highly Recommend It!"), QStringLiteral(" I Thought You'd Want To See This"),
         QStringLiteral(" I'm using a new program"), QStringLiteral(" This seems like a good one"),
         QStringLiteral(" Check Out This Program")},
        2,
        {
            {QStringLiteral("cboSubject"), FieldCheck::SubjectIsPrompt, QStringLiteral("No Subject Chosen"),
             QStringLiteral("You must choose a Subject for the email     ")},
            {QStringLiteral("txtFriendsName"), FieldCheck::Empty, QStringLiteral("No Name"),
             QStringLiteral("Please enter your friend's name     ")},
            {QStringLiteral("txtFriend"), FieldCheck::Empty, QStringLiteral("No Email Address"),
             QStringLiteral("Please enter your friend's email address     ")},
            {QStringLiteral("txtName"), FieldCheck::Empty, QStringLiteral("No Name"),
             QStringLiteral("Please enter your name     ")},
            {QStringLiteral("txtFrom"), FieldCheck::Empty, QStringLiteral("No Email Address"),
             QStringLiteral("Please enter your email address     ")},
        },
    };
    return form;
}

const MailForm& contactForm() {
    static const MailForm form{
        MailFormKind::Contact,
        QStringLiteral("frmBugReport1"),
        QStringLiteral("Contact Varnholt"),
        QStringLiteral("Comment About ") + applicationTitle(),
        QStringLiteral("VarnholtBugReport"),
        QStringLiteral("Your Message has been Sent Successfully.  Thank You!     ") + kCrLf + kCrLf +
            QStringLiteral("We will respond within 24 hours.     "),
        {QStringLiteral(" Comment on program"), QStringLiteral(" Report Bug"),
         QStringLiteral(" Program Suggestion"), QStringLiteral(" Ask a Question"),
         QStringLiteral(" Technical Support")},
        -1,
        {
            {QStringLiteral("cboSubject"), FieldCheck::SubjectIsPrompt, QStringLiteral("Report"),
             QStringLiteral("You must choose a Subject for the email     ")},
            {QStringLiteral("txtFrom"), FieldCheck::Empty, QStringLiteral("Report"),
             QStringLiteral("Please enter your email address     ")},
            {QStringLiteral("txtMessage"), FieldCheck::Empty, QStringLiteral("Report"),
             QStringLiteral("Please enter your message     ")},
        },
    };
    return form;
}

std::optional<FieldCheck> FirstFailingCheck(const QList<FieldCheck>& checks, const FieldValue& value) {
    for (const FieldCheck& check : checks) {
        const QString text = value(check.field);
        // Exact and case-sensitive; a field of blanks is not empty.
        const bool fails =
            check.condition == FieldCheck::SubjectIsPrompt ? text == kSubjectPrompt : text.isEmpty();
        if (fails)
            return check;
    }
    return std::nullopt;
}

QString TellFriendSubject(const QString& name, const QString& entry) {
    return QStringLiteral("From: ") + name + QStringLiteral(" - ") + entry;
}

QString ContactSubject(const QString& entry) {
    return applicationTitle() + QStringLiteral(" - ") + entry;
}

QString TellFriendBody(const QString& friendsName, const QString& comments, const QString& pageUrl,
                       const QString& name) {
    const QString& br = kCrLf;
    const QString title = applicationTitle();
    const QStringList web = makerWebAddresses();
    return QStringLiteral("Hi ") + friendsName + QStringLiteral(",") + br + br +
           QStringLiteral("I just wanted to let you know that I'm using ") + title +
           QStringLiteral(" and I thought you might like to try it.  So far, I'm impressed with it enough to "
                          "recommend it to you.") +
           br + br + toCrLf(comments) + br + br +
           QStringLiteral(
               "It's easy to download and use, so do it now! Just click on the link below for more "
               "information:") +
           br + br + title + br + pageUrl + br + br +
           QStringLiteral(
               "Varnholt has about 150 other programs, most of which are Freeware.  Check any of these "
               "3 mirrors:") +
           br + br + web.at(0) + br + web.at(1) + br + web.at(2) + br + br +
           QStringLiteral("Have Fun There!") + br + name;
}

} // namespace headwise
