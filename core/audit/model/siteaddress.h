#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace headwise::audit {

// Where a folder is taken to be published, and how that was found.
struct SiteAddress {
    enum class From { None, Given, Canonicals };
    QString url; // ends with '/'; empty with From::None
    From from = From::None;
    qsizetype canonicals = 0; // with From::Canonicals: how many agreed
};

// A page of a folder and the canonical it names.
struct FileCanonical {
    QString path;      // below the folder, parts joined with '/': "library/os.html"
    QString canonical; // as written (its character references decoded)
};

// The address the folder is published at, as its pages' canonicals tell it:
// every absolute canonical on one origin (https:, http: or file:), and most
// of them naming their own file below one prefix ("x/index.html" as "x/"
// too). A relative canonical tells nothing; canonicals on
// two origins, or most naming other paths, tell no address.
std::optional<SiteAddress> inferSiteAddress(const QList<FileCanonical>& pages);

} // namespace headwise::audit
