#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

// Structured data as search engines read it: JSON-LD blocks and microdata,
// both as one list of items with properties. Positions are indexes in the
// decoded page text.

namespace headwise::audit {

enum class ItemFormat { JsonLd, Microdata };

struct ItemValue {
    QString text;  // a literal as written; a JSON number or boolean in its JSON form
    int item = -1; // a nested or referenced item, an index in StructuredData::items
    // A microdata href, src or data value: the address as written, which a
    // reader resolves against the page, so it is absolute by the rules of HTML.
    bool fromAddressAttribute = false;
    // An @id reference not yet resolved (text holds the @id); cleared once read.
    bool reference = false;
    bool operator==(const ItemValue&) const = default;
};

// Nearly every property has one value: it is kept in place, not in a list of its own.
using ItemValues = QVarLengthArray<ItemValue, 1>;

struct ItemProperty {
    QString name; // schema.org's local name ("offers"); other vocabularies' as written
    ItemValues values;
    bool operator==(const ItemProperty&) const = default;
};

struct Item {
    ItemFormat format = ItemFormat::JsonLd;
    // schema.org types by local name ("Product"); other vocabularies' as written.
    QStringList types;
    // Which of types are schema.org's (in order); the others are left alone.
    QList<bool> schemaOrgType;
    QString id; // @id or itemid
    QList<ItemProperty> properties;
    // The script element of a JSON-LD item, the element of a microdata one.
    qsizetype offset = 0, length = 0;
    bool topLevel = true;   // not the value of another item's property
    bool schemaOrg = false; // read with schema.org's vocabulary (@context, itemtype)

    const ItemProperty* property(QStringView name) const;
    // The schema.org types, or none.
    QStringList schemaTypes() const;
    bool operator==(const Item&) const = default;
};

// A JSON-LD block that does not read.
struct StructuredDataError {
    QString message;
    qsizetype offset = 0;                       // the fault
    qsizetype blockOffset = 0, blockLength = 0; // the script element
    bool operator==(const StructuredDataError&) const = default;
};

struct StructuredData {
    QList<Item> items; // in page order; nested items after their parents
    QList<StructuredDataError> errors;
    bool operator==(const StructuredData&) const = default;
};

// The type's local name when it is a schema.org address ("https://schema.org/Product",
// "http://schema.org/Product", "schema:Product"); empty otherwise.
QString schemaOrgName(QStringView typeOrProperty);
// The same, as a part of the name.
QStringView schemaOrgLocalName(QStringView typeOrProperty);

// Reads one JSON-LD block's content (UTF-8), which starts at contentOffset in
// the page's text; its items are appended, references stay unresolved until
// resolveReferences.
void readJsonLd(QByteArrayView content, qsizetype contentOffset, qsizetype blockOffset, qsizetype blockLength,
                StructuredData& out);
// Merges the JSON-LD nodes that share an @id into one item (at the first
// node's place), and points each @id reference at the page's node of that @id,
// where there is one; a reference to nothing on the page stays the address.
void resolveReferences(StructuredData& data);

} // namespace headwise::audit

// Moved as bytes when their lists grow: each holds only Qt's shared containers.
Q_DECLARE_TYPEINFO(headwise::audit::ItemValue, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(headwise::audit::Item, Q_RELOCATABLE_TYPE);
