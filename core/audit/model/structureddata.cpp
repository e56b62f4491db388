#include "core/audit/model/structureddata.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QRegularExpression>
#include <QSet>
#include <QVariant>

#include <numeric>
#include <vector>

namespace headwise::audit {

namespace {

bool isSchemaOrgVocabulary(QStringView address) {
    static const QRegularExpression vocabulary(QStringLiteral("^https?://(www\\.)?schema\\.org/?$"),
                                               QRegularExpression::CaseInsensitiveOption);
    return vocabulary.match(address.trimmed()).hasMatch();
}

// @context as a string, an object with @vocab, or an array of either.
bool contextIsSchemaOrg(const QJsonValue& context) {
    if (context.isString())
        return isSchemaOrgVocabulary(context.toString());
    if (context.isObject())
        return isSchemaOrgVocabulary(context.toObject().value(QLatin1String("@vocab")).toString());
    if (context.isArray()) {
        for (const QJsonValue& part : context.toArray())
            if (contextIsSchemaOrg(part))
                return true;
    }
    return false;
}

class JsonLdReader {
public:
    JsonLdReader(StructuredData& out, qsizetype offset, qsizetype length)
        : out_(out), offset_(offset), length_(length) {}

    // A top-level value: a node, or an array of nodes.
    bool readTop(const QJsonValue& value) {
        if (value.isArray()) {
            for (const QJsonValue& v : value.toArray())
                if (!v.isObject())
                    return false;
            for (const QJsonValue& v : value.toArray())
                readTopNode(v.toObject(), false);
            return true;
        }
        if (!value.isObject())
            return false;
        readTopNode(value.toObject(), false);
        return true;
    }

private:
    void readTopNode(const QJsonObject& object, bool schemaContext) {
        if (object.contains(QLatin1String("@context")))
            schemaContext = contextIsSchemaOrg(object.value(QLatin1String("@context")));
        const QJsonValue graph = object.value(QLatin1String("@graph"));
        if (!graph.isUndefined()) {
            const QJsonArray nodes = graph.isArray() ? graph.toArray() : QJsonArray{graph};
            for (const QJsonValue& node : nodes)
                if (node.isObject())
                    readNode(node.toObject(), schemaContext, true);
            if (!hasNodeContent(object))
                return;
        }
        readNode(object, schemaContext, true);
    }

    // Anything beside @context and @graph: a node of its own.
    static bool hasNodeContent(const QJsonObject& object) {
        for (auto it = object.begin(); it != object.end(); ++it)
            if (it.key() != QLatin1String("@context") && it.key() != QLatin1String("@graph"))
                return true;
        return false;
    }

    int readNode(const QJsonObject& object, bool schemaContext, bool topLevel) {
        if (object.contains(QLatin1String("@context")))
            schemaContext = contextIsSchemaOrg(object.value(QLatin1String("@context")));
        const int index = int(out_.items.size());
        {
            Item item;
            item.format = ItemFormat::JsonLd;
            item.offset = offset_;
            item.length = length_;
            item.topLevel = topLevel;
            item.id = object.value(QLatin1String("@id")).toString();
            const QJsonValue type = object.value(QLatin1String("@type"));
            const QJsonArray types = type.isArray() ? type.toArray() : QJsonArray{type};
            for (const QJsonValue& t : types) {
                if (!t.isString())
                    continue;
                const QString written = t.toString().trimmed();
                const QString local = schemaOrgName(written);
                const bool schema = !local.isEmpty() || (schemaContext && !written.contains(u':'));
                item.types.append(local.isEmpty() ? written : local);
                item.schemaOrgType.append(schema);
                item.schemaOrg = item.schemaOrg || schema;
            }
            item.schemaOrg =
                item.schemaOrg || (types.isEmpty() || type.isUndefined() ? schemaContext : false);
            out_.items.append(std::move(item));
        }
        QList<ItemProperty> properties;
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString& key = it.key();
            if (key.startsWith(u'@'))
                continue;
            ItemProperty property;
            const QString local = schemaOrgName(key);
            property.name = local.isEmpty() ? key : local;
            addValues(it.value(), schemaContext, property.values);
            properties.append(std::move(property));
        }
        out_.items[index].properties = std::move(properties);
        return index;
    }

    // The parser refuses JSON nested deeper than 1024, so the recursion stays shallow.
    void addValues(const QJsonValue& value, bool schemaContext, QList<ItemValue>& values) {
        switch (value.type()) {
        case QJsonValue::Array:
            for (const QJsonValue& v : value.toArray())
                if (!v.isArray()) // a list in a list holds no node JSON-LD would read
                    addValues(v, schemaContext, values);
            break;
        case QJsonValue::Object: {
            const QJsonObject object = value.toObject();
            if (object.contains(QLatin1String("@value"))) {
                addValues(object.value(QLatin1String("@value")), schemaContext, values);
                break;
            }
            const bool onlyId = object.size() == 1 && object.contains(QLatin1String("@id"));
            if (onlyId) {
                values.append({.text = object.value(QLatin1String("@id")).toString(),
                               .item = -1,
                               .fromAddressAttribute = false,
                               .reference = true});
                break;
            }
            values.append({.text = {}, .item = readNode(object, schemaContext, false)});
            break;
        }
        case QJsonValue::String:
            values.append({.text = value.toString(), .item = -1});
            break;
        case QJsonValue::Double:
        case QJsonValue::Bool:
            values.append({.text = value.toVariant().toString(), .item = -1});
            break;
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            break;
        }
    }

    StructuredData& out_;
    qsizetype offset_, length_;
};

} // namespace

const ItemProperty* Item::property(QStringView name) const {
    for (const ItemProperty& p : properties)
        if (p.name == name)
            return &p;
    return nullptr;
}

QStringList Item::schemaTypes() const {
    QStringList out;
    for (qsizetype i = 0; i < types.size(); ++i)
        if (schemaOrgType.value(i))
            out.append(types[i]);
    return out;
}

QString schemaOrgName(QStringView name) {
    // Every key of every node comes here, and nearly all are plain names.
    if (!name.contains(u':'))
        return {};
    for (QLatin1String prefix : {QLatin1String("https://schema.org/"), QLatin1String("http://schema.org/"),
                                 QLatin1String("https://www.schema.org/"),
                                 QLatin1String("http://www.schema.org/"), QLatin1String("schema:")})
        if (name.startsWith(prefix, Qt::CaseInsensitive) && name.size() > prefix.size())
            return name.mid(prefix.size()).toString();
    return {};
}

void readJsonLd(QStringView content, qsizetype contentOffset, qsizetype blockOffset, qsizetype blockLength,
                StructuredData& out) {
    const QByteArray utf8 = content.toUtf8();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    const auto fault = [&](const QString& message, qsizetype at) {
        out.errors.append({message, contentOffset + at, blockOffset, blockLength});
    };
    if (error.error != QJsonParseError::NoError) {
        // The parser counts UTF-8 bytes; the page counts UTF-16 units.
        const qsizetype at =
            QString::fromUtf8(utf8.left(std::clamp<qsizetype>(error.offset, 0, utf8.size()))).size();
        fault(QStringLiteral("JSON-LD does not parse: %1").arg(error.errorString()), at);
        return;
    }
    JsonLdReader reader(out, blockOffset, blockLength);
    const QJsonValue top = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    if (!reader.readTop(top))
        fault(QStringLiteral("JSON-LD is not an object or an array of objects"), 0);
}

namespace {

// The page's nodes by @id, and the entity each node is part of.
struct Entities {
    QHash<QString, int> first; // @id -> its first node with content
    std::vector<int> of;       // node -> the node that stands for its entity

    int ofReference(const QString& id) const {
        const int node = first.value(id, -1);
        return node < 0 ? -1 : of[size_t(node)];
    }
};

// A value as JSON-LD's node map tells values apart: a literal by its text, a
// node (or a reference to one) by the entity it ends up as.
QString valueKey(const ItemValue& v, const Entities& entities) {
    const int node = v.item >= 0   ? entities.of[size_t(v.item)]
                     : v.reference ? entities.ofReference(v.text)
                                   : -1;
    if (node >= 0)
        return u'n' + QString::number(node);
    return (v.reference ? u'r' : (v.fromAddressAttribute ? u'a' : u't')) + v.text;
}

// Moves the properties and types of node `from` into the entity `into`, which
// holds every value once.
class EntityMerger {
public:
    EntityMerger(StructuredData& data, const Entities& entities) : data_(data), entities_(entities) {}

    void merge(int into, int from) {
        Item& target = data_.items[into];
        Item& source = data_.items[from];
        if (!known_.contains(into))
            remember(into);
        for (qsizetype t = 0; t < source.types.size(); ++t)
            if (addKey(typeKey(into, source.types[t]))) {
                target.types.append(source.types[t]);
                target.schemaOrgType.append(source.schemaOrgType.value(t));
            }
        for (ItemProperty& property : source.properties) {
            const QString prefix = propertyKey(into, property.name);
            auto at = propertyAt_.constFind(prefix);
            if (at == propertyAt_.cend()) {
                at = propertyAt_.insert(prefix, target.properties.size());
                target.properties.append({property.name, {}});
            }
            QList<ItemValue>& values = target.properties[*at].values;
            for (ItemValue& v : property.values)
                if (addKey(prefix + valueKey(v, entities_)))
                    values.append(std::move(v));
        }
        target.schemaOrg = target.schemaOrg || source.schemaOrg;
        target.topLevel = target.topLevel || source.topLevel;
        source.properties.clear();
    }

private:
    void remember(int into) {
        known_.insert(into);
        const Item& item = data_.items[into];
        for (const QString& type : item.types)
            addKey(typeKey(into, type));
        for (qsizetype p = 0; p < item.properties.size(); ++p) {
            const QString prefix = propertyKey(into, item.properties[p].name);
            if (!propertyAt_.contains(prefix))
                propertyAt_.insert(prefix, p);
            for (const ItemValue& v : item.properties[p].values)
                addKey(prefix + valueKey(v, entities_));
        }
    }

    static QString propertyKey(int into, const QString& name) {
        return QString::number(into) + u'\x1f' + name + u'\x1f';
    }
    static QString typeKey(int into, const QString& type) { return QString::number(into) + u'\x1e' + type; }

    // False where the key was there already.
    bool addKey(const QString& key) {
        const qsizetype before = seen_.size();
        seen_.insert(key);
        return seen_.size() != before;
    }

    StructuredData& data_;
    const Entities& entities_;
    QSet<int> known_;
    QSet<QString> seen_;
    QHash<QString, qsizetype> propertyAt_;
};

} // namespace

void resolveReferences(StructuredData& data) {
    // Google reads JSON-LD nodes of one @id on a page as one entity, in one block
    // or several (Google Search Central: General structured data guidelines;
    // JSON-LD 1.1, Node Identifiers and the node map of its flattening): the
    // later nodes' types and values join the first node's, and the first node's
    // place is the entity's. Each value is handled once, so it stays linear
    // whatever the @id cycles.
    const qsizetype count = data.items.size();
    Entities entities;
    entities.of.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        entities.of[size_t(i)] = int(i);
        const Item& item = data.items[i];
        if (item.id.isEmpty() || (item.types.isEmpty() && item.properties.isEmpty()))
            continue;
        const auto at = entities.first.constFind(item.id);
        if (at == entities.first.cend())
            entities.first.insert(item.id, int(i));
        else if (item.format == ItemFormat::JsonLd && data.items[*at].format == ItemFormat::JsonLd)
            entities.of[size_t(i)] = *at;
    }
    EntityMerger merger(data, entities);
    bool merged = false;
    for (qsizetype i = 0; i < count; ++i)
        if (entities.of[size_t(i)] != i) {
            merger.merge(entities.of[size_t(i)], int(i));
            merged = true;
        }
    // The merged nodes leave the list; the others keep their order.
    std::vector<int> place(static_cast<size_t>(count));
    std::iota(place.begin(), place.end(), 0);
    if (merged) {
        QList<Item> kept;
        kept.reserve(count);
        for (qsizetype i = 0; i < count; ++i)
            if (entities.of[size_t(i)] == i) {
                place[size_t(i)] = int(kept.size());
                kept.append(std::move(data.items[i]));
            }
        data.items = std::move(kept);
    }
    for (Item& item : data.items)
        for (ItemProperty& property : item.properties)
            for (ItemValue& value : property.values) {
                if (value.reference) {
                    // A reference to nothing on the page stays the address.
                    value.reference = false;
                    value.item = entities.ofReference(value.text);
                } else if (value.item >= 0) {
                    value.item = entities.of[size_t(value.item)];
                }
                if (value.item >= 0)
                    value.item = place[size_t(value.item)];
            }
}

} // namespace headwise::audit
