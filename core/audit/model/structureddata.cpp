#include "core/audit/model/structureddata.h"

#include "core/audit/model/jsontree.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <numeric>
#include <vector>

namespace headwise::audit {

namespace {

bool isSchemaOrgVocabulary(QStringView address) {
    // Nearly every block writes it so; checked first, as each block asks.
    if (address == QLatin1String("https://schema.org") || address == QLatin1String("https://schema.org/"))
        return true;
    // http or https, www. or not, a closing slash or not; in any case.
    QStringView rest = address.trimmed();
    const auto take = [&](QLatin1String part) {
        if (!rest.startsWith(part, Qt::CaseInsensitive))
            return false;
        rest = rest.mid(part.size());
        return true;
    };
    if (!take(QLatin1String("http")))
        return false;
    take(QLatin1String("s"));
    if (!take(QLatin1String("://")))
        return false;
    take(QLatin1String("www."));
    if (!take(QLatin1String("schema.org")))
        return false;
    take(QLatin1String("/"));
    return rest.isEmpty();
}

using Kind = JsonTree::Kind;
using Value = JsonTree::Value;

// An item's types as one @type string gives them.
struct TypeSet {
    QStringList types;
    QList<bool> schemaOrgType;
    bool schemaOrg = false;
};

// What a block reader keeps from block to block: a page's blocks are many and
// mostly alike, and their keys and types made once are shared, not made again.
struct ReaderMemo {
    QHash<QByteArray, QString> names; // a key as written -> its property name
    QHash<QString, TypeSet> types[2]; // a @type as written -> its types; [1] in schema.org's context
};

class JsonLdReader {
public:
    JsonLdReader(const JsonTree& tree, ReaderMemo& memo, StructuredData& out, qsizetype offset,
                 qsizetype length)
        : tree_(tree), memo_(memo), out_(out), offset_(offset), length_(length) {}

    // A top-level value: a node, or an array of nodes.
    bool readTop() {
        const Value& top = tree_.at(tree_.root());
        if (top.kind == Kind::Array) {
            const int* elements = tree_.elements(top);
            for (int i = 0; i < top.count; ++i)
                if (tree_.at(elements[i]).kind != Kind::Object)
                    return false;
            for (int i = 0; i < top.count; ++i)
                readTopNode(tree_.at(elements[i]), false);
            return true;
        }
        if (top.kind != Kind::Object)
            return false;
        readTopNode(top, false);
        return true;
    }

private:
    const Value* member(const Value& object, const char* key) const {
        const int at = tree_.find(object, QLatin1String(key));
        return at < 0 ? nullptr : &tree_.at(at);
    }

    // @context as a string, an object with @vocab, or an array of either.
    bool contextIsSchemaOrg(const Value& context) const {
        switch (context.kind) {
        case Kind::String:
            return isSchemaOrgVocabulary(context.text);
        case Kind::Object: {
            const Value* vocabulary = member(context, "@vocab");
            return vocabulary && vocabulary->kind == Kind::String && isSchemaOrgVocabulary(vocabulary->text);
        }
        case Kind::Array: {
            const int* parts = tree_.elements(context);
            for (int i = 0; i < context.count; ++i)
                if (contextIsSchemaOrg(tree_.at(parts[i])))
                    return true;
            return false;
        }
        default:
            return false;
        }
    }

    void readTopNode(const Value& object, bool schemaContext) {
        if (const Value* context = member(object, "@context"))
            schemaContext = contextIsSchemaOrg(*context);
        if (const Value* graph = member(object, "@graph")) {
            const int* nodes = graph->kind == Kind::Array ? tree_.elements(*graph) : nullptr;
            const int count = nodes ? graph->count : 1;
            for (int i = 0; i < count; ++i) {
                const Value& node = nodes ? tree_.at(nodes[i]) : *graph;
                if (node.kind == Kind::Object)
                    readNode(node, schemaContext, true);
            }
            if (!hasNodeContent(object))
                return;
        }
        readNode(object, schemaContext, true);
    }

    // Anything beside @context and @graph: a node of its own.
    bool hasNodeContent(const Value& object) const {
        const JsonTree::Member* members = tree_.members(object);
        for (int i = 0; i < object.count; ++i)
            if (members[i].key != "@context" && members[i].key != "@graph")
                return true;
        return false;
    }

    static void addType(Item& item, const QString& type, bool schemaContext) {
        const QString written = type.trimmed();
        const QString local = schemaOrgName(written);
        const bool schema = !local.isEmpty() || (schemaContext && !written.contains(u':'));
        item.types.append(local.isEmpty() ? written : local);
        item.schemaOrgType.append(schema);
        item.schemaOrg = item.schemaOrg || schema;
    }

    int readNode(const Value& object, bool schemaContext, bool topLevel) {
        if (const Value* context = member(object, "@context"))
            schemaContext = contextIsSchemaOrg(*context);
        const int index = int(out_.items.size());
        {
            Item item;
            item.format = ItemFormat::JsonLd;
            item.offset = offset_;
            item.length = length_;
            item.topLevel = topLevel;
            if (const Value* id = member(object, "@id"); id && id->kind == Kind::String)
                item.id = id->text;
            const Value* type = member(object, "@type");
            if (!type) {
                item.schemaOrg = schemaContext;
            } else if (type->kind == Kind::Array) {
                const int* types = tree_.elements(*type);
                for (int i = 0; i < type->count; ++i)
                    if (const Value& each = tree_.at(types[i]); each.kind == Kind::String)
                        addType(item, each.text, schemaContext);
                item.schemaOrg = item.schemaOrg || (type->count == 0 && schemaContext);
            } else if (type->kind == Kind::String) {
                const TypeSet& set = typeSet(type->text, schemaContext);
                item.types = set.types;
                item.schemaOrgType = set.schemaOrgType;
                item.schemaOrg = set.schemaOrg;
            }
            out_.items.append(std::move(item));
        }
        QList<ItemProperty> properties;
        const JsonTree::Member* members = tree_.members(object);
        properties.reserve(object.count);
        for (int i = 0; i < object.count; ++i) {
            if (members[i].key.startsWith('@'))
                continue;
            ItemProperty property;
            property.name = propertyName(members[i].key);
            addValues(tree_.at(members[i].value), schemaContext, property.values);
            properties.append(std::move(property));
        }
        out_.items[index].properties = std::move(properties);
        return index;
    }

    // The tree is at most as deep as the parser allows, so the recursion stays shallow.
    void addValues(const Value& value, bool schemaContext, ItemValues& values) {
        switch (value.kind) {
        case Kind::Array: {
            const int* elements = tree_.elements(value);
            for (int i = 0; i < value.count; ++i)
                if (const Value& v = tree_.at(elements[i]);
                    v.kind != Kind::Array) // a list in a list holds no node JSON-LD would read
                    addValues(v, schemaContext, values);
            break;
        }
        case Kind::Object: {
            if (const Value* literal = member(value, "@value")) {
                addValues(*literal, schemaContext, values);
                break;
            }
            if (const Value* id = member(value, "@id"); id && value.count == 1) {
                values.append({.text = id->kind == Kind::String ? id->text : QString(),
                               .item = -1,
                               .fromAddressAttribute = false,
                               .reference = true});
                break;
            }
            values.append({.text = {}, .item = readNode(value, schemaContext, false)});
            break;
        }
        case Kind::String:
        case Kind::Number:
            values.append({.text = value.text, .item = -1});
            break;
        case Kind::True:
        case Kind::False:
            values.append(
                {.text = value.kind == Kind::True ? QStringLiteral("true") : QStringLiteral("false"),
                 .item = -1});
            break;
        case Kind::Null:
            break;
        }
    }

    // The types one @type string gives, made once for the types every item repeats.
    const TypeSet& typeSet(const QString& written, bool schemaContext) {
        QHash<QString, TypeSet>& known = memo_.types[schemaContext ? 1 : 0];
        if (const auto at = known.constFind(written); at != known.cend())
            return *at;
        if (known.size() >= 256) // a page of ever new types does not make the table grow
            known.clear();
        Item item;
        addType(item, written, schemaContext);
        return *known.insert(written, {item.types, item.schemaOrgType, item.schemaOrg});
    }

    // A key's property name, made once for the keys every item repeats.
    QString propertyName(QByteArrayView key) {
        QHash<QByteArray, QString>& names = memo_.names;
        const QByteArray raw = QByteArray::fromRawData(key.data(), key.size());
        if (const auto known = names.constFind(raw); known != names.cend())
            return *known;
        const QString written = QString::fromUtf8(key);
        const QString local = schemaOrgName(written);
        const QString name = local.isEmpty() ? written : local;
        if (names.size() < 256) // a block of ever new keys does not make the table grow
            names.insert(QByteArray(key.data(), key.size()), name);
        return name;
    }

    const JsonTree& tree_;
    ReaderMemo& memo_;
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
    if (schemaOrgType.size() == types.size() && !schemaOrgType.contains(false))
        return types; // shared, as most items' types are all schema.org's
    QStringList out;
    for (qsizetype i = 0; i < types.size(); ++i)
        if (schemaOrgType.value(i))
            out.append(types[i]);
    return out;
}

QString schemaOrgName(QStringView name) {
    return schemaOrgLocalName(name).toString();
}

QStringView schemaOrgLocalName(QStringView name) {
    // Every key of every node comes here, and nearly all are plain names.
    if (!name.contains(u':'))
        return {};
    // Written so nearly always; the rest are matched in any case below.
    if (const QLatin1String usual("https://schema.org/");
        name.startsWith(usual) && name.size() > usual.size())
        return name.sliced(usual.size());
    for (QLatin1String prefix : {QLatin1String("https://schema.org/"), QLatin1String("http://schema.org/"),
                                 QLatin1String("https://www.schema.org/"),
                                 QLatin1String("http://www.schema.org/"), QLatin1String("schema:")})
        if (name.startsWith(prefix, Qt::CaseInsensitive) && name.size() > prefix.size())
            return name.sliced(prefix.size());
    return {};
}

void readJsonLd(QByteArrayView content, qsizetype contentOffset, qsizetype blockOffset, qsizetype blockLength,
                StructuredData& out) {
    const auto fault = [&](const QString& message, qsizetype at) {
        out.errors.append({message, contentOffset + at, blockOffset, blockLength});
    };
    // Kept from block to block, as a page's blocks are many and mostly alike.
    thread_local JsonTree tree;
    thread_local ReaderMemo memo;
    if (!tree.read(content)) {
        // Qt's parser has the last word: it names the fault, or reads what ours left to it.
        const QByteArray utf8 = QString::fromUtf8(content).toUtf8();
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
        if (error.error != QJsonParseError::NoError) {
            // The parser counts UTF-8 bytes; the page counts UTF-16 units.
            const qsizetype at =
                QString::fromUtf8(utf8.left(std::clamp<qsizetype>(error.offset, 0, utf8.size()))).size();
            fault(QStringLiteral("JSON-LD does not parse: %1").arg(error.errorString()), at);
            return;
        }
        tree.take(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()));
    }
    JsonLdReader reader(tree, memo, out, blockOffset, blockLength);
    if (!reader.readTop())
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
            ItemValues& values = target.properties[*at].values;
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
