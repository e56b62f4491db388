#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// schema.org's vocabulary, from the table scripts/gen-schema-vocabulary.py
// writes: its types, their supertypes, the types that declare each property,
// and the members of each enumeration.

namespace headwise::audit::schema {

// The schema-dts release the table was made from.
QString vocabularyVersion();

bool isType(QStringView name);
// The type is ancestor or one of its subtypes.
bool isA(QStringView type, QStringView ancestor);
// The property is declared on the type or one of its supertypes.
bool hasProperty(QStringView type, QStringView property);
bool isProperty(QStringView property);
// An enumeration's members by local name; empty for no enumeration.
QStringList members(QStringView enumeration);
// An ISO 4217 currency code, in capitals.
bool isCurrency(QStringView code);
// The type whose name is closest to name (edit distance, any case), for a
// "did you mean" that is worth showing; empty when none is close.
QString nearestType(QStringView name);

} // namespace headwise::audit::schema
