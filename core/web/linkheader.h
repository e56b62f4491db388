#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace headwise::web {

// One link of a Link response header (RFC 8288): Google reads rel="canonical"
// and rel="alternate"; hreflang="..." there as it reads the head's <link>s.
struct HeaderLink {
    QString target;   // the URI reference between < and >, as written
    QStringList rels; // relation types, lower case
    QString hreflang; // empty when the link has none
    QString source;   // "Link header: <...>; rel=..." for findings about it
};

// Every link of every Link header, in order. Malformed links are skipped; one
// pass over the bytes, however long the header.
QList<HeaderLink> headerLinks(const QList<QPair<QByteArray, QByteArray>>& headers);

} // namespace headwise::web
