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

// The choices the window and the command line start from: rating, robots,
// revisit and output form; the texts are empty.
TagFields defaultTagFields();

// "Insert Tags": the block between two CR LF, placed at the page's insertion point.
struct TagBlockInsertion {
    qsizetype at = 0;
    QString text;
};
TagBlockInsertion tagBlockInsertion(const QString& page, const QString& block);

// "Insert Tags" on a page held as CR LF text, as an editor holding it does it:
// the insertion with its place counted in editor positions (one per line
// break), and the page's CR LF text after it.
struct TagBlockSplice {
    TagBlockInsertion insertion;
    QString page;
};
TagBlockSplice spliceTagBlock(const QString& crlfPage, const QString& block);

// Standard layout. Nothing when the title is empty or the output form is not
// exactly one of the two choices.
std::optional<QString> buildTagBlock(const TagFields& fields);

// Alternate layout (title first, other tag syntax); accepts "Html Page" and
// "HTML Page" for the full-page form.
std::optional<QString> buildAltTagBlock(const TagFields& fields);

} // namespace headwise
