#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace headwise {

// The maker's outside addresses. The reserved .example domain keeps them from
// ever reaching a real host.
QString makerSmtpHost();
QString makerFeedbackAddress();
QString programPageAddress();
QStringList makerWebAddresses(); // three mirrors

inline const QString kSubjectPrompt = QStringLiteral("Please Choose a Subject");

// One check of the Send button: the first one that fails speaks, and the
// keyboard focus goes into its field.
struct FieldCheck {
    enum Condition { SubjectIsPrompt, Empty };
    QString field; // objectName of the control checked and focused
    Condition condition;
    QString title;
    QString text;
};

enum class MailFormKind { TellFriend, Contact };

// Everything in which the two mail windows differ.
struct MailForm {
    MailFormKind kind;
    QString objectName;
    QString initialCaption;
    QString caption;
    QString mailerName;
    QString successText;
    QStringList subjects;     // each begins with a blank, which is part of it
    int initialSubject;       // -1: the prompt stays in the box
    QList<FieldCheck> checks; // in the order they run
};

const MailForm& tellFriendForm();
const MailForm& contactForm();

// Field texts by objectName, as the checks read them.
using FieldValue = std::function<QString(const QString& field)>;

// The first failing check, or none when the mail may go.
std::optional<FieldCheck> firstFailingCheck(const QList<FieldCheck>& checks, const FieldValue& value);

QString tellFriendSubject(const QString& name, const QString& entry);
QString contactSubject(const QString& entry);

// The recommendation sent by Tell a Friend; line breaks are CR LF.
QString tellFriendBody(const QString& friendsName, const QString& comments, const QString& pageUrl,
                       const QString& name);

} // namespace headwise
