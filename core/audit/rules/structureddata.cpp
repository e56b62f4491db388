#include "core/audit/rules/structureddata.h"

#include "core/audit/engine/rulecontext.h"
#include "core/audit/model/schemavocabulary.h"
#include "core/audit/rules/richresults.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <array>
#include <utility>

namespace headwise::audit {

namespace {

const StructuredData& dataOf(const RuleContext& c) {
    return c.model.structuredData;
}

Span spanOf(const Item& item) {
    return {item.offset, item.length};
}

// How a message names an item: its first schema.org type, or "Item".
QString nameOf(const Item& item) {
    const QStringList types = item.schemaTypes();
    return types.isEmpty() ? QStringLiteral("Item") : types.first();
}

// The top-level schema.org items, which Google reads as the page's markup.
template <typename Each> void eachTopItem(const StructuredData& data, Each each) {
    for (qsizetype i = 0; i < data.items.size(); ++i)
        if (data.items[i].topLevel && data.items[i].schemaOrg)
            each(int(i), data.items[i]);
}

void invalid(const RuleContext& c, RawFindings& out) {
    for (const StructuredDataError& e : dataOf(c).errors) {
        const qsizetype at = std::min(e.offset, std::max<qsizetype>(c.text.size() - 1, 0));
        out.append({ruleid::kStructuredDataInvalid, e.message, {at, c.text.isEmpty() ? 0 : 1}});
    }
}

void required(const RuleContext& c, RawFindings& out) {
    const StructuredData& data = dataOf(c);
    eachTopItem(data, [&](int i, const Item& item) {
        for (const QString& path : c.verdicts[i].missing)
            out.append({ruleid::kStructuredDataRequired, QStringLiteral("%1: %2").arg(nameOf(item), path),
                        spanOf(item)});
    });
}

void recommended(const RuleContext& c, RawFindings& out) {
    const StructuredData& data = dataOf(c);
    // A catalogue's items lack the same properties: one message serves a run of them.
    QString name, message;
    QStringList missingBefore;
    eachTopItem(data, [&](int i, const Item& item) {
        const QStringList& missing = c.verdicts[i].missingRecommended;
        if (missing.isEmpty())
            return;
        QString itemName = nameOf(item);
        if (message.isEmpty() || itemName != name || missing != missingBefore) {
            message = QStringLiteral("%1: recommended %2").arg(itemName, missing.join(QLatin1String("; ")));
            name = std::move(itemName);
            missingBefore = missing;
        }
        out.append({ruleid::kStructuredDataRecommended, message, spanOf(item)});
    });
}

// Values whose form Google's pages give.
enum class Form { Date, Duration, Price, Currency, Address, Enumeration, Position };

struct ValueForm {
    const char* property;
    Form form;
    const char* enumeration = nullptr;
};

constexpr ValueForm kForms[] = {
    {"datePublished", Form::Date},
    {"dateModified", Form::Date},
    {"dateCreated", Form::Date},
    {"uploadDate", Form::Date},
    {"startDate", Form::Date},
    {"endDate", Form::Date},
    {"previousStartDate", Form::Date},
    {"datePosted", Form::Date},
    {"validThrough", Form::Date},
    {"validFrom", Form::Date},
    {"priceValidUntil", Form::Date},
    {"expires", Form::Date},
    {"duration", Form::Duration},
    {"cookTime", Form::Duration},
    {"prepTime", Form::Duration},
    {"totalTime", Form::Duration},
    {"timeRequired", Form::Duration},
    {"price", Form::Price},
    {"lowPrice", Form::Price},
    {"highPrice", Form::Price},
    {"priceCurrency", Form::Currency},
    {"salaryCurrency", Form::Currency},
    {"currency", Form::Currency},
    {"url", Form::Address},
    {"image", Form::Address},
    {"logo", Form::Address},
    {"thumbnailUrl", Form::Address},
    {"contentUrl", Form::Address},
    {"embedUrl", Form::Address},
    {"sameAs", Form::Address},
    {"availability", Form::Enumeration, "ItemAvailability"},
    {"eventStatus", Form::Enumeration, "EventStatusType"},
    {"eventAttendanceMode", Form::Enumeration, "EventAttendanceModeEnumeration"},
    {"itemCondition", Form::Enumeration, "OfferItemCondition"},
    {"position", Form::Position},
};

bool matches(const QString& value, const QRegularExpression& form) {
    return form.match(value).hasMatch();
}

bool isIsoDate(const QString& value) {
    static const QRegularExpression form(QStringLiteral(
        "^\\d{4}-\\d{2}(-\\d{2}(T\\d{2}:\\d{2}(:\\d{2}(\\.\\d+)?)?(Z|[+-]\\d{2}(:?\\d{2})?)?)?)?$"));
    if (!matches(value, form))
        return false;
    const int month = value.mid(5, 2).toInt();
    const int day = value.size() >= 10 ? value.mid(8, 2).toInt() : 1;
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool isIsoDuration(const QString& value) {
    static const QRegularExpression form(QStringLiteral(
        "^P(?=\\d|T\\d)(\\d+Y)?(\\d+M)?(\\d+W)?(\\d+D)?(T(?=\\d)(\\d+H)?(\\d+M)?(\\d+(\\.\\d+)?S)?)?$"));
    return matches(value, form);
}

// Digits, and after a "." more digits.
bool isPrice(QStringView value) {
    const auto digits = [&](qsizetype from) {
        qsizetype at = from;
        while (at < value.size() && value[at] >= u'0' && value[at] <= u'9')
            ++at;
        return at;
    };
    const qsizetype whole = digits(0);
    if (whole == 0)
        return false;
    if (whole == value.size())
        return true;
    return value[whole] == u'.' && whole + 1 < value.size() && digits(whole + 1) == value.size();
}

bool isMember(const QString& value, const char* enumeration) {
    const QStringView local = schemaOrgLocalName(value);
    return schema::members(QString::fromLatin1(enumeration))
        .contains(local.isEmpty() ? QStringView(value) : local);
}

// What is wrong with a value, or nothing.
QString fault(const ValueForm& f, const ItemValue& v) {
    const QString value = v.text.trimmed();
    switch (f.form) {
    case Form::Date:
        return isIsoDate(value) ? QString() : QStringLiteral("is not an ISO 8601 date");
    case Form::Duration:
        return isIsoDuration(value) ? QString() : QStringLiteral("is not an ISO 8601 duration");
    case Form::Price:
        return isPrice(value)
                   ? QString()
                   : QStringLiteral("is not a number (no currency sign, \".\" before the decimals)");
    case Form::Currency:
        return schema::isCurrency(value) ? QString() : QStringLiteral("is not an ISO 4217 currency code");
    case Form::Address:
        return v.fromAddressAttribute || isAbsoluteUrl(value) ? QString()
                                                              : QStringLiteral("is not an absolute address");
    case Form::Enumeration:
        return isMember(value, f.enumeration)
                   ? QString()
                   : QStringLiteral("is not a member of %1: %2")
                         .arg(QLatin1String(f.enumeration),
                              schema::members(QString::fromLatin1(f.enumeration)).join(QLatin1String(", ")));
    case Form::Position:
        return value.toLongLong() >= 1 && QString::number(value.toLongLong()) == value
                   ? QString()
                   : QStringLiteral("is not a whole number from 1");
    }
    return {};
}

// The first text of a property as a number, when it is one.
std::optional<double> numberOf(const Item& item, const char* name) {
    const ItemProperty* p = item.property(QString::fromLatin1(name));
    if (!p)
        return std::nullopt;
    for (const ItemValue& v : p->values) {
        bool ok = false;
        const double n = v.text.trimmed().toDouble(&ok);
        if (v.item < 0 && ok)
            return n;
    }
    return std::nullopt;
}

void ratingRange(const Item& item, QList<QString>& faults) {
    const ItemProperty* p = item.property(u"ratingValue");
    if (!p)
        return;
    const double worst = numberOf(item, "worstRating").value_or(1);
    const double best = numberOf(item, "bestRating").value_or(5);
    for (const ItemValue& v : p->values) {
        bool ok = false;
        const double n = v.text.trimmed().toDouble(&ok);
        if (v.item < 0 && ok && (n < worst || n > best))
            faults.append(QStringLiteral("ratingValue \"%1\" is outside %2 to %3")
                              .arg(v.text.trimmed(), QString::number(worst), QString::number(best)));
    }
}

// The form of a property's values, by its name: every property of every item is asked.
const ValueForm* formOf(const QString& property) {
    static const QHash<QString, const ValueForm*> forms = [] {
        QHash<QString, const ValueForm*> byName;
        for (const ValueForm& f : kForms)
            byName.insert(QString::fromLatin1(f.property), &f);
        return byName;
    }();
    return forms.value(property);
}

void value(const RuleContext& c, RawFindings& out) {
    // Looked up by where the name's text lies: the reader shares each name
    // from item to item, and the items stay put while the rule runs.
    QHash<const QChar*, const ValueForm*> forms;
    const auto formFor = [&](const QString& name) {
        auto found = forms.constFind(name.constData());
        if (found == forms.cend())
            found = forms.insert(name.constData(), formOf(name));
        return *found;
    };
    for (const Item& item : dataOf(c).items) {
        if (!item.schemaOrg)
            continue;
        QList<QString> faults;
        for (const ItemProperty& p : item.properties)
            if (const ValueForm* f = formFor(p.name))
                for (const ItemValue& v : p.values)
                    if (v.item < 0)
                        if (const QString why = fault(*f, v); !why.isEmpty())
                            faults.append(QStringLiteral("%1 \"%2\" %3").arg(p.name, v.text.trimmed(), why));
        ratingRange(item, faults);
        for (const QString& f : std::as_const(faults))
            out.append(
                {ruleid::kStructuredDataValue, QStringLiteral("%1: %2").arg(nameOf(item), f), spanOf(item)});
    }
}

void retired(const RuleContext& c, RawFindings& out) {
    const StructuredData& data = dataOf(c);
    eachTopItem(data, [&](int i, const Item& item) {
        for (const RetiredResult* r : c.verdicts[i].retired)
            out.append(
                {ruleid::kStructuredDataRetired,
                 QStringLiteral("%1: Google has shown no %2 rich result since %3; the markup does no harm "
                                "and other consumers may still read it")
                     .arg(nameOf(item), r->name, r->date),
                 spanOf(item)});
    });
}

// A property name of another vocabulary (an address) is not schema.org's to judge.
bool isSchemaOrgPropertyName(const QString& name) {
    return !name.contains(u':') && !name.contains(u'/');
}

// What the type rule finds in an item: messages, each a note or not.
using TypeVerdict = QList<std::pair<QString, bool>>;

// A page's items are mostly of a few types with the same properties: each
// pair is looked up once.
using Declarations = QHash<std::pair<QString, QString>, bool>;

bool declares(Declarations& known, const QString& type, const QString& property) {
    const std::pair<QString, QString> key{type, property};
    if (const auto found = known.constFind(key); found != known.cend())
        return *found;
    return *known.insert(key, schema::hasProperty(type, property));
}

TypeVerdict judgeTypes(const Item& item, Declarations& declared) {
    TypeVerdict verdict;
    const QStringList types = item.schemaTypes();
    bool known = !types.isEmpty();
    for (const QString& t : types) {
        if (schema::isType(t))
            continue;
        known = false;
        const QString nearest = schema::nearestType(t);
        verdict.append(
            {nearest.isEmpty()
                 ? QStringLiteral("%1: schema.org has no such type").arg(t)
                 : QStringLiteral("%1: schema.org has no such type; did you mean %2?").arg(t, nearest),
             false});
    }
    if (!known)
        return verdict;
    QStringList unknown;
    for (const ItemProperty& p : item.properties) {
        if (!isSchemaOrgPropertyName(p.name))
            continue;
        bool onType = false;
        for (const QString& t : types)
            onType = onType || declares(declared, t, p.name);
        if (!onType)
            unknown.append(p.name);
    }
    if (!unknown.isEmpty())
        verdict.append(
            {QStringLiteral("%1: schema.org defines no %2 for %3")
                 .arg(types.first(), unknown.join(QLatin1String(", ")), types.join(QLatin1String(", "))),
             true});
    return verdict;
}

// The same types, the same property names in the same order: the same verdict.
bool sameShape(const Item& a, const Item& b) {
    if (a.types != b.types || a.schemaOrgType != b.schemaOrgType ||
        a.properties.size() != b.properties.size())
        return false;
    for (qsizetype i = 0; i < a.properties.size(); ++i)
        if (a.properties[i].name != b.properties[i].name)
            return false;
    return true;
}

void type(const RuleContext& c, RawFindings& out) {
    // A catalogue's items come one after another alike, each with its nested
    // items (an offer, a rating) between: the verdicts of the last few shapes are kept.
    Declarations declared;
    struct Shape {
        const Item* item;
        TypeVerdict verdict;
    };
    std::array<Shape, 4> shapes{};
    size_t next = 0;
    for (const Item& item : dataOf(c).items) {
        auto shape = std::find_if(shapes.begin(), shapes.end(),
                                  [&](const Shape& s) { return s.item && sameShape(item, *s.item); });
        if (shape == shapes.end()) {
            shape = shapes.begin() + next;
            next = (next + 1) % shapes.size();
            *shape = {&item, judgeTypes(item, declared)};
        }
        for (const auto& [message, note] : std::as_const(shape->verdict))
            out.append({ruleid::kStructuredDataType, message, spanOf(item), {}, note});
    }
}

QList<RuleSource> googleSources(QStringList pages) {
    QList<RuleSource> sources;
    for (const RichResult& r : richResults())
        if (!pages.contains(r.page)) {
            pages.append(r.page);
            sources.append({QStringLiteral("Google Search Central: %1 structured data").arg(r.name), r.page});
        }
    return sources;
}

} // namespace

QList<Rule> structuredDataRules() {
    using S = Severity;
    const RuleSource gallery{"Google Search Central: Structured data markup that Google Search supports",
                             searchGalleryPage()};
    const RuleSource general{
        "Google Search Central: General structured data guidelines",
        "https://developers.google.com/search/docs/appearance/structured-data/sd-policies"};
    const RuleSource jsonLd{"W3C: JSON-LD 1.1", "https://www.w3.org/TR/json-ld11/"};
    const RuleSource microdata{"WHATWG HTML: Microdata",
                               "https://html.spec.whatwg.org/multipage/microdata.html"};
    const RuleSource schemaOrg{"schema.org: Full hierarchy", "https://schema.org/docs/full.html"};
    QList<RuleSource> perType = googleSources({});
    QList<RuleSource> retiredSources;
    for (const RetiredResult& r : retiredResults())
        if (std::none_of(retiredSources.cbegin(), retiredSources.cend(),
                         [&](const RuleSource& s) { return s.url == r.page; }))
            retiredSources.append(
                {QStringLiteral("Google Search Central: %1 rich results retired").arg(r.name), r.page});
    return {
        {
            .id = ruleid::kStructuredDataInvalid,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "A JSON-LD block does not parse, or is not an object or an array of objects.",
            .help =
                "Google reads no item of a JSON-LD block that is not valid JSON, nor of one whose top is not "
                "a node object or a list of them. The finding stands where the parser stopped.",
            .sources = {{"Google Search Central: Introduction to structured data markup",
                         "https://developers.google.com/search/docs/appearance/structured-data/"
                         "intro-structured-data"},
                        jsonLd},
            .check = invalid,
        },
        {
            .id = ruleid::kStructuredDataRequired,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "An item lacks a property Google requires for its rich result.",
            .help = "Google's page for each rich result lists the properties an item must have to be shown "
                    "as one; "
                    "without them the item earns no rich result. The message names the item's type and the "
                    "path of the property (offers.price is the price of each offer).",
            .sources = QList<RuleSource>{gallery} + perType,
            .check = required,
        },
        {
            .id = ruleid::kStructuredDataRecommended,
            .severity = S::Info,
            .scope = RuleScope::Page,
            .description = "An item lacks properties Google recommends for its rich result.",
            .help = "Recommended properties are not needed to be eligible, but Google shows more of an item "
                    "that has them. One note per item lists those it lacks.",
            .sources = QList<RuleSource>{gallery} + perType,
            .check = recommended,
        },
        {
            .id = ruleid::kStructuredDataValue,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "A structured data value is not of the form Google's page gives.",
            .help =
                "Dates and durations in ISO 8601, prices as plain numbers with \".\" before the decimals, "
                "currencies as ISO 4217 codes, absolute addresses, members of schema.org's enumerations for "
                "availability, eventStatus, eventAttendanceMode and itemCondition, a ratingValue between "
                "worstRating (1) and bestRating (5), and positions as whole numbers.",
            .sources =
                {{"Google Search Central: Merchant listing structured data",
                  "https://developers.google.com/search/docs/appearance/structured-data/merchant-listing"},
                 {"Google Search Central: Event structured data",
                  "https://developers.google.com/search/docs/appearance/structured-data/event"},
                 {"Google Search Central: Review snippet structured data",
                  "https://developers.google.com/search/docs/appearance/structured-data/review-snippet"},
                 {"Google Search Central: Breadcrumb structured data",
                  "https://developers.google.com/search/docs/appearance/structured-data/breadcrumb"},
                 gallery},
            .check = value,
        },
        {
            .id = ruleid::kStructuredDataRetired,
            .severity = S::Info,
            .scope = RuleScope::Page,
            .description = "An item is markup for a rich result Google no longer shows.",
            .help =
                "Google has retired the FAQ (2026-05-07), How-to (2023), sitelinks search box (2024), and "
                "book actions, course info, fact check, estimated salary, learning video, special "
                "announcement and vehicle listing (2025), and practice problem (2026) rich results; a Quiz "
                "of flashcards is still read as an education Q&A. The markup does no harm, and other "
                "consumers may still read it, but it earns no rich result.",
            .sources = retiredSources + QList<RuleSource>{gallery},
            .check = retired,
        },
        {
            .id = ruleid::kStructuredDataType,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "An item's type is not a schema.org type, or a property is not one of its type.",
            .help =
                "A type schema.org does not define is read as nothing, so the item earns no rich result; the "
                "nearest type is suggested. A property schema.org does not define for the item's type is "
                "ignored (a note).",
            .sources = {schemaOrg, general, microdata},
            .check = type,
        },
    };
}

} // namespace headwise::audit
