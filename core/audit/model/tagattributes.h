#pragma once

#include "core/audit/model/pagemodel.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace headwise::audit {

// An attribute of a start tag as written, its places counted from the tag's '<'.
struct TagAttribute {
    QString name; // lower-cased
    Span value;   // between the quotes; length 0 right after the name when it has none
    QChar quote;  // '"' or '\'', or none for an unquoted value or none at all
    bool hasValue = false;
};

// The attributes of the start tag that tag begins with, in source order, read
// as an HTML tokenizer reads them (a name given twice twice: the first counts).
QList<TagAttribute> tagAttributes(QStringView tag);

// The first attribute of that name; null when there is none.
const TagAttribute* findAttribute(const QList<TagAttribute>& attributes, QLatin1String name);

} // namespace headwise::audit
