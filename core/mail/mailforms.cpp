#include "core/mail/mailforms.h"

#include "core/appinfo.h"
#include "core/page/linebreaks.h"

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
        .kind = MailFormKind::TellFriend,
        .objectName = QStringLiteral("frmBugReport"),
        .initialCaption = QStringLiteral("Tell a Friend"),
        .caption = QStringLiteral("Tell a Friend About ") + applicationTitle(),
        .mailerName = QStringLiteral("VarnholtTellaFriend"),
        .successText = QStringLiteral("Your Message has been Sent Successfully.     ") + kCrLf + kCrLf +
                       QStringLiteral("Thanks for telling a friend about ") + applicationTitle() +
                       QStringLiteral("     "),
        .subjects = {QStringLiteral(" I Highly Recommend It!"),
                     QStringLiteral(" I Thought You'd Want To See This"),
                     QStringLiteral(" I'm using a new program"),
                     QStringLiteral(" This seems like a good one"),
                     QStringLiteral(" Check Out This Program")},
        .initialSubject = 2,
        .checks =
            {
                {.field = QStringLiteral("cboSubject"),
                 .condition = FieldCheck::SubjectIsPrompt,
                 .title = QStringLiteral("No Subject Chosen"),
                 .text = QStringLiteral("You must choose a Subject for the email     ")},
                {.field = QStringLiteral("txtFriendsName"),
                 .condition = FieldCheck::Empty,
                 .title = QStringLiteral("No Name"),
                 .text = QStringLiteral("Please enter your friend's name     ")},
                {.field = QStringLiteral("txtFriend"),
                 .condition = FieldCheck::Empty,
                 .title = QStringLiteral("No Email Address"),
                 .text = QStringLiteral("Please enter your friend's email address     ")},
                {.field = QStringLiteral("txtName"),
                 .condition = FieldCheck::Empty,
                 .title = QStringLiteral("No Name"),
                 .text = QStringLiteral("Please enter your name     ")},
                {.field = QStringLiteral("txtFrom"),
                 .condition = FieldCheck::Empty,
                 .title = QStringLiteral("No Email Address"),
                 .text = QStringLiteral("Please enter your email address     ")},
            },
    };
    return form;
}

const MailForm& contactForm() {
    static const MailForm form{
        .kind = MailFormKind::Contact,
        .objectName = QStringLiteral("frmBugReport1"),
        .initialCaption = QStringLiteral("Contact Varnholt"),
        .caption = QStringLiteral("Comment About ") + applicationTitle(),
        .mailerName = QStringLiteral("VarnholtBugReport"),
        .successText = QStringLiteral("Your Message has been Sent Successfully.  Thank You!     ") + kCrLf +
                       kCrLf + QStringLiteral("We will respond within 24 hours.     "),
        .subjects = {QStringLiteral(" Comment on program"), QStringLiteral(" Report Bug"),
                     QStringLiteral(" Program Suggestion"), QStringLiteral(" Ask a Question"),
                     QStringLiteral(" Technical Support")},
        .initialSubject = -1,
        .checks =
            {
                {.field = QStringLiteral("cboSubject"),
                 .condition = FieldCheck::SubjectIsPrompt,
                 .title = QStringLiteral("Report"),
                 .text = QStringLiteral("You must choose a Subject for the email     ")},
                {.field = QStringLiteral("txtFrom"),
                 .condition = FieldCheck::Empty,
                 .title = QStringLiteral("Report"),
                 .text = QStringLiteral("Please enter your email address     ")},
                {.field = QStringLiteral("txtMessage"),
                 .condition = FieldCheck::Empty,
                 .title = QStringLiteral("Report"),
                 .text = QStringLiteral("Please enter your message     ")},
            },
    };
    return form;
}

std::optional<FieldCheck> firstFailingCheck(const QList<FieldCheck>& checks, const FieldValue& value) {
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

QString tellFriendSubject(const QString& name, const QString& entry) {
    return QStringLiteral("From: ") + name + QStringLiteral(" - ") + entry;
}

QString contactSubject(const QString& entry) {
    return applicationTitle() + QStringLiteral(" - ") + entry;
}

QString tellFriendBody(const QString& friendsName, const QString& comments, const QString& pageUrl,
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
