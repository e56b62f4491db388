#pragma once

#include <QString>
#include <optional>

namespace headwise {

// The Create panel's fields at the moment of a command, taken exactly as typed.
struct TagFields {
    QString title;
    QString author;
    QString subject;
    QString description;
    QString keywords;
    QString rating;
    QString robots;
    QString revisit;
    QString outputForm;
};

inline const QString kFormTagsOnly = QStringLiteral("MetaTags Only");
inline const QString kFormHtmlPage = QStringLiteral("HTML Page");
inline const QString kAltFormHtmlPage = QStringLiteral("Html Page");

// Standard layout. Nothing when the title is empty or the output form is not
// exactly one of the two choices.
std::optional<QString> BuildTagBlock(const TagFields& fields);

// Alternate layout (title first, other tag syntax); accepts "Html Page" and
// "HTML Page" for the full-page form.
std::optional<QString> buildAltTagBlock(const TagFields& fields);

} // namespace headwise
