#include "core/audit/rules/richresults.h"

#include "core/audit/model/schemavocabulary.h"

#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <string>

namespace headwise::audit {

namespace {

QString page(const char* name) {
    return QStringLiteral("https://developers.google.com/search/docs/appearance/structured-data/") +
           QLatin1String(name);
}

enum class PathState { Met, Missing, NotAsked };

// A path read once: each alternative as its steps, and how a message says it.
struct CompiledPath {
    QList<QStringList> alternatives; // none for an empty path
    QString described;
};

CompiledPath compile(const QString& path) {
    CompiledPath compiled{.alternatives = {}, .described = describePath(path)};
    if (!path.isEmpty())
        for (QStringView alternative : QStringView(path).tokenize(u'|'))
            compiled.alternatives.append(alternative.toString().split(u'.'));
    return compiled;
}

QList<CompiledPath> compile(const QList<PropertyPath>& paths) {
    QList<CompiledPath> compiled;
    for (const PropertyPath& path : paths)
        compiled.append(compile(path));
    return compiled;
}

struct CompiledResult {
    QList<CompiledPath> required, recommended;
    CompiledPath when;
};

struct CompiledRetired {
    CompiledPath when, unless;
};

// richResults() and retiredResults() with their paths read, in the same order.
const QList<CompiledResult>& compiledResults() {
    static const QList<CompiledResult> compiled = [] {
        QList<CompiledResult> out;
        for (const RichResult& r : richResults())
            out.append({compile(r.required), compile(r.recommended), compile(r.when)});
        return out;
    }();
    return compiled;
}

const QList<CompiledRetired>& compiledRetired() {
    static const QList<CompiledRetired> compiled = [] {
        QList<CompiledRetired> out;
        for (const RetiredResult& r : retiredResults())
            out.append({compile(r.when), compile(r.unless)});
        return out;
    }();
    return compiled;
}

bool isBlank(const ItemValue& v) {
    return v.item < 0 && std::all_of(v.text.cbegin(), v.text.cend(), [](QChar c) { return c.isSpace(); });
}

bool hasValue(const ItemProperty* property) {
    return property && std::any_of(property->values.cbegin(), property->values.cend(),
                                   [](const ItemValue& v) { return !isBlank(v); });
}

// Each step goes one item down, so a cycle of items costs no more than the path's length.
// Only the first step may be absent without the path being missing: where
// the item has no offers at all, offers.price is not asked.
PathState pathState(const StructuredData& data, const Item& item, const QStringList& steps,
                    qsizetype step = 0) {
    const ItemProperty* property = item.property(steps[step]);
    if (step + 1 == steps.size())
        return hasValue(property) ? PathState::Met : PathState::Missing;
    if (!hasValue(property))
        return step == 0 ? PathState::NotAsked : PathState::Missing;
    for (const ItemValue& v : property->values) {
        if (v.item < 0)
            return PathState::Missing; // a text where an item with the property should be
        if (pathState(data, data.items[v.item], steps, step + 1) != PathState::Met)
            return PathState::Missing;
    }
    return PathState::Met;
}

bool lacks(const StructuredData& data, const Item& item, const CompiledPath& path) {
    bool asked = false;
    for (const QStringList& alternative : path.alternatives) {
        const PathState state = pathState(data, item, alternative);
        if (state == PathState::Met)
            return false;
        asked = asked || state == PathState::Missing;
    }
    return asked;
}

// Whether a text at path, through every item on the way, is one of values.
// Each step goes one item down, as in pathState.
bool hasTextIn(const StructuredData& data, const Item& item, const QStringList& steps, qsizetype step,
               const QStringList& values) {
    const ItemProperty* property = item.property(steps[step]);
    if (!property)
        return false;
    const bool last = step + 1 == steps.size();
    for (const ItemValue& v : property->values) {
        if (last ? v.item < 0 && values.contains(v.text.trimmed(), Qt::CaseInsensitive)
                 : v.item >= 0 && hasTextIn(data, data.items[v.item], steps, step + 1, values))
            return true;
    }
    return false;
}

// Whether the item meets a condition: it has path (any alternative), and where
// values are given, a text there is one of them. An empty path always holds.
bool meets(const StructuredData& data, const Item& item, const CompiledPath& path,
           const QStringList& values) {
    if (path.alternatives.isEmpty())
        return true;
    if (values.isEmpty())
        return !lacks(data, item, path);
    for (const QStringList& alternative : path.alternatives)
        if (hasTextIn(data, item, alternative, 0, values))
            return true;
    return false;
}

// The one of types that one of the item's schema.org types is, or none.
QString matchingType(const QStringList& itemTypes, const QStringList& types) {
    for (const QString& type : itemTypes)
        for (const QString& wanted : types)
            if (schema::isA(type, wanted))
                return wanted;
    return {};
}

} // namespace

QString searchGalleryPage() {
    return page("search-gallery");
}

const QList<RichResult>& richResults() {
    static const QList<RichResult> results = {
        {.name = "Article",
         .types = {"Article"},
         .page = page("article"),
         .recommended = {"author", "author.name", "datePublished", "dateModified", "headline", "image"}},
        {.name = "Breadcrumb",
         .types = {"BreadcrumbList"},
         .page = page("breadcrumb"),
         .required = {"itemListElement", "itemListElement.position",
                      "itemListElement.name|itemListElement.item.name"}},
        {.name = "Carousel",
         .types = {"ItemList"},
         .page = page("carousel"),
         .required = {"itemListElement", "itemListElement.position"}},
        {.name = "Course list",
         .types = {"Course"},
         .page = page("course"),
         .required = {"name", "description"},
         .recommended = {"provider"}},
        {.name = "Dataset",
         .types = {"Dataset"},
         .page = page("dataset"),
         .required = {"name", "description"},
         .recommended = {"url", "sameAs", "license", "creator", "distribution", "keywords"}},
        {.name = "Discussion forum",
         .types = {"DiscussionForumPosting", "SocialMediaPosting"},
         .page = page("discussion-forum"),
         .required = {"author", "author.name", "datePublished", "text|image|video"},
         .recommended = {"author.url", "dateModified", "headline", "url", "interactionStatistic"}},
        // Flashcards only: a Quiz of practice problems earns nothing now, and a
        // Quiz that says neither is left alone.
        {.name = "Education Q&A",
         .types = {"Quiz"},
         .page = page("education-qa"),
         .required = {"hasPart.text", "hasPart.acceptedAnswer", "hasPart.acceptedAnswer.text"},
         .recommended = {"about", "educationalAlignment"},
         .when = "hasPart.eduQuestionType",
         .whenValues = {"Flashcard"}},
        {.name = "Employer aggregate rating",
         .types = {"EmployerAggregateRating"},
         .page = page("employer-rating"),
         .required = {"itemReviewed", "itemReviewed.name", "ratingValue", "ratingCount|reviewCount"},
         .recommended = {"bestRating", "worstRating"}},
        {.name = "Event",
         .types = {"Event"},
         .page = page("event"),
         .required = {"name", "startDate", "location", "location.name|location.address|location.url"},
         .recommended = {"description", "endDate", "eventAttendanceMode", "eventStatus", "image", "offers",
                         "organizer", "performer"}},
        {.name = "Image metadata",
         .types = {"ImageObject"},
         .page = page("image-license-metadata"),
         .required = {"contentUrl", "creator|creditText|copyrightNotice|license"},
         .recommended = {"acquireLicensePage"}},
        {.name = "Job posting",
         .types = {"JobPosting"},
         .page = page("job-posting"),
         .required = {"title", "description", "datePosted", "hiringOrganization",
                      "jobLocation|applicantLocationRequirements"},
         .recommended = {"baseSalary", "employmentType", "identifier", "validThrough"}},
        {.name = "Local business",
         .types = {"LocalBusiness"},
         .page = page("local-business"),
         .required = {"name", "address"},
         .recommended = {"aggregateRating", "geo", "openingHoursSpecification", "priceRange", "review",
                         "telephone", "url"}},
        {.name = "Math solver",
         .types = {"MathSolver"},
         .page = page("math-solvers"),
         .required = {"url", "usageInfo", "potentialAction"},
         .recommended = {"inLanguage", "learningResourceType", "assesses"}},
        {.name = "Movie",
         .types = {"Movie"},
         .page = page("movie"),
         .required = {"name", "image"},
         .recommended = {"aggregateRating", "dateCreated", "director", "review"}},
        {.name = "Organization",
         .types = {"Organization"},
         .page = page("organization"),
         .recommended = {"name", "url", "logo", "sameAs", "address", "telephone", "email", "description"}},
        {.name = "Product snippet",
         .types = {"Product"},
         .page = page("product-snippet"),
         .required = {"name", "offers|review|aggregateRating"},
         .recommended = {"review", "aggregateRating"}},
        {.name = "Merchant listing",
         .types = {"Product"},
         .page = page("merchant-listing"),
         .required = {"name", "image", "offers.price|offers.priceSpecification.price|offers.lowPrice"},
         .recommended = {"description", "brand", "sku", "gtin|gtin8|gtin12|gtin13|gtin14|isbn|mpn",
                         "offers.availability",
                         "offers.priceCurrency|offers.priceSpecification.priceCurrency",
                         "offers.shippingDetails", "offers.hasMerchantReturnPolicy"},
         .when = "offers"},
        {.name = "Profile page",
         .types = {"ProfilePage"},
         .page = page("profile-page"),
         .required = {"mainEntity", "mainEntity.name|mainEntity.alternateName"},
         .recommended = {"dateCreated", "dateModified", "mainEntity.image", "mainEntity.description"}},
        {.name = "Q&A",
         .types = {"QAPage"},
         .page = page("qapage"),
         .required = {"mainEntity", "mainEntity.name", "mainEntity.answerCount",
                      "mainEntity.acceptedAnswer|mainEntity.suggestedAnswer"},
         .recommended = {"mainEntity.author", "mainEntity.datePublished", "mainEntity.text"}},
        {.name = "Recipe",
         .types = {"Recipe"},
         .page = page("recipe"),
         .required = {"name", "image"},
         .recommended = {"aggregateRating", "author", "cookTime", "datePublished", "description", "keywords",
                         "prepTime", "recipeCategory", "recipeCuisine", "recipeIngredient",
                         "recipeInstructions", "recipeYield", "totalTime"}},
        {.name = "Review snippet",
         .types = {"Review", "AggregateRating"},
         .page = page("review-snippet"),
         .required = {"itemReviewed", "itemReviewed.name", "reviewRating|ratingValue",
                      "author|ratingCount|reviewCount", "reviewRating.ratingValue"},
         .recommended = {"datePublished", "bestRating|reviewRating.bestRating"}},
        {.name = "Software app",
         .types = {"SoftwareApplication"},
         .page = page("software-app"),
         .required = {"name", "offers.price", "aggregateRating|review"},
         .recommended = {"applicationCategory", "operatingSystem"}},
        {.name = "Vacation rental",
         .types = {"VacationRental"},
         .page = page("vacation-rental"),
         .required = {"name", "identifier", "image", "containsPlace", "containsPlace.occupancy",
                      "latitude|geo", "longitude|geo"},
         .recommended = {"address", "aggregateRating", "review", "description", "brand"}},
        {.name = "Video",
         .types = {"VideoObject"},
         .page = page("video"),
         .required = {"name", "thumbnailUrl", "uploadDate"},
         .recommended = {"description", "duration", "contentUrl|embedUrl", "expires",
                         "interactionStatistic"}},
    };
    return results;
}

const QList<RetiredResult>& retiredResults() {
    const QString simplifying =
        QStringLiteral("https://developers.google.com/search/blog/2025/06/simplifying-search-results");
    static const QList<RetiredResult> results = {
        {.name = "FAQ", .types = {"FAQPage"}, .date = "2026-05-07", .page = page("faqpage")},
        {.name = "How-to",
         .types = {"HowTo"},
         .date = "2023-09-13",
         .page = "https://developers.google.com/search/blog/2023/08/howto-faq-changes"},
        {.name = "Sitelinks search box",
         .types = {"WebSite"},
         .when = "potentialAction",
         .date = "2024-11-21",
         .page = "https://developers.google.com/search/blog/2024/10/sitelinks-search-box"},
        {.name = "Book actions",
         .types = {"Book"},
         .when = "potentialAction",
         .date = "2025",
         .page = simplifying},
        {.name = "Course info",
         .types = {"Course"},
         .when = "hasCourseInstance",
         .date = "2025",
         .page = simplifying},
        {.name = "Fact check", .types = {"ClaimReview"}, .date = "2025", .page = simplifying},
        {.name = "Estimated salary",
         .types = {"Occupation", "OccupationAggregationByEmployer"},
         .date = "2025",
         .page = simplifying},
        {.name = "Learning video",
         .types = {"VideoObject"},
         .when = "educationalLevel|learningResourceType",
         .date = "2025",
         .page = simplifying},
        {.name = "Special announcement",
         .types = {"SpecialAnnouncement"},
         .date = "2025",
         .page = simplifying},
        {.name = "Vehicle listing",
         .types = {"Vehicle"},
         .when = "offers",
         .date = "2025",
         .page = simplifying},
        // Google dropped the practice problem page on 2026-01-06 as the result no
        // longer showed (Latest documentation updates, January 2026). Its markup
        // asked for questions of "Multiple choice" or "Checkbox"; a Quiz of
        // flashcards is an education Q&A, still shown.
        {.name = "Practice problem",
         .types = {"Quiz"},
         .when = "hasPart.eduQuestionType|learningResourceType|hasPart.learningResourceType",
         .whenValues = {"Multiple choice", "Checkbox", "Practice problem"},
         .unless = "hasPart.eduQuestionType",
         .unlessValues = {"Flashcard"},
         .date = "2026-01",
         .page = "https://developers.google.com/search/updates"},
    };
    return results;
}

QString describePath(const PropertyPath& path) {
    if (!path.contains(u'|'))
        return path;
    const QStringList alternatives = path.split(u'|');
    if (alternatives.size() == 1)
        return path;
    return QStringLiteral("one of %1 or %2")
        .arg(alternatives.mid(0, alternatives.size() - 1).join(QLatin1String(", ")), alternatives.last());
}

namespace {

// What an item's types make of it, worked out once per set of types on a
// page: its items are mostly of a few types, and each would otherwise look up
// every rich result's types.
struct TypeFacts {
    QStringList resultTypes; // for each rich result, the one of its types the item is; empty for none
    QList<bool> retired;     // for each retired result, whether the item is of its types
};
using TypeMatches = QHash<QStringList, TypeFacts>;

const TypeFacts& typeFacts(const QStringList& itemTypes, TypeMatches& known) {
    if (const auto found = known.constFind(itemTypes); found != known.cend())
        return *found;
    TypeFacts facts;
    facts.resultTypes.reserve(richResults().size());
    for (const RichResult& result : richResults())
        facts.resultTypes.append(matchingType(itemTypes, result.types));
    for (const RetiredResult& retired : retiredResults())
        facts.retired.append(!matchingType(itemTypes, retired.types).isEmpty());
    return *known.insert(itemTypes, facts);
}

ItemVerdict judge(const StructuredData& data, int index, TypeMatches& known) {
    const Item& item = data.items[index];
    ItemVerdict verdict;
    struct Match {
        qsizetype result;
        const QString* type;
    };
    QVarLengthArray<Match, 4> matches;
    const TypeFacts& facts = typeFacts(item.schemaTypes(), known);
    const QList<CompiledResult>& compiled = compiledResults();
    for (qsizetype r = 0; r < richResults().size(); ++r) {
        const QString& type = facts.resultTypes[r];
        if (!type.isEmpty() && meets(data, item, compiled[r].when, richResults()[r].whenValues))
            matches.append({r, &type});
    }
    for (const Match& m : matches) {
        // A more specific rich result of the item stands for the general one
        // (a LocalBusiness is read as a local business, not an organization).
        bool general = false;
        for (const Match& other : matches)
            general = general || (*other.type != *m.type && schema::isA(*other.type, *m.type));
        if (general)
            continue;
        verdict.richResults.append(richResults()[m.result].name);
        verdict.pages.append(richResults()[m.result].page);
        const auto note = [&](const CompiledPath& path, QStringList& missing) {
            if (lacks(data, item, path) && !missing.contains(path.described))
                missing.append(path.described);
        };
        for (const CompiledPath& path : compiled[m.result].required)
            note(path, verdict.missing);
        for (const CompiledPath& path : compiled[m.result].recommended)
            note(path, verdict.missingRecommended);
    }
    const QList<CompiledRetired>& retired = compiledRetired();
    for (qsizetype r = 0; r < retired.size(); ++r) {
        const RetiredResult& result = retiredResults()[r];
        if (facts.retired[r] && meets(data, item, retired[r].when, result.whenValues) &&
            (retired[r].unless.alternatives.isEmpty() ||
             !meets(data, item, retired[r].unless, result.unlessValues)))
            verdict.retired.append(&result);
    }
    return verdict;
}

// What judge reads of an item beyond its types: its properties down to the
// longest path's depth, whether each value is an item, a blank text or
// another, and the texts themselves where a path compares them.
struct ShapeReading {
    qsizetype depth = 0;
    QStringList comparedTexts; // the last steps of the paths whose texts are compared: a few
};

const ShapeReading& shapeReading() {
    static const ShapeReading reading = [] {
        ShapeReading r;
        const auto add = [&r](const CompiledPath& path, bool compared) {
            for (const QStringList& steps : path.alternatives) {
                r.depth = std::max(r.depth, steps.size());
                if (compared && !r.comparedTexts.contains(steps.last()))
                    r.comparedTexts.append(steps.last());
            }
        };
        for (qsizetype i = 0; i < richResults().size(); ++i) {
            const CompiledResult& c = compiledResults()[i];
            for (const QList<CompiledPath>* paths : {&c.required, &c.recommended})
                for (const CompiledPath& path : *paths)
                    add(path, false);
            add(c.when, !richResults()[i].whenValues.isEmpty());
        }
        for (qsizetype i = 0; i < retiredResults().size(); ++i) {
            add(compiledRetired()[i].when, !retiredResults()[i].whenValues.isEmpty());
            add(compiledRetired()[i].unless, !retiredResults()[i].unlessValues.isEmpty());
        }
        return r;
    }();
    return reading;
}

// An item's shape as a string of marks; a text goes with its length ahead of
// it, so no two shapes write alike.
class ShapeWriter {
public:
    void clear() { out_.clear(); }
    QStringView written() const { return QStringView(out_.data(), qsizetype(out_.size())); }

    void mark(char16_t mark) { out_.push_back(mark); }
    void text(char16_t mark, QStringView text) {
        out_.push_back(mark);
        const quint64 size = quint64(text.size());
        for (int shift = 0; shift < 64; shift += 16)
            out_.push_back(char16_t(size >> shift));
        out_.append(text.utf16(), size_t(text.size()));
    }

    void item(const StructuredData& data, const Item& item, qsizetype depth) {
        const ShapeReading& reading = shapeReading();
        for (const ItemProperty& p : item.properties) {
            text(u'P', p.name);
            const bool compared = reading.comparedTexts.contains(p.name);
            for (const ItemValue& v : p.values) {
                if (v.item >= 0) {
                    mark(u'i');
                    if (depth > 1)
                        this->item(data, data.items[v.item], depth - 1);
                    mark(u'e');
                } else if (compared) {
                    text(u'T', QStringView(v.text).trimmed());
                } else {
                    mark(isBlank(v) ? u'b' : u't');
                }
            }
            mark(u'e');
        }
    }

private:
    std::u16string out_;
};

} // namespace

ItemVerdict judgeItem(const StructuredData& data, int index) {
    TypeMatches known;
    return judge(data, index, known);
}

QList<ItemVerdict> judgeItems(const StructuredData& data) {
    QList<ItemVerdict> out(data.items.size());
    TypeMatches known;
    // A catalogue's items are mostly of one shape: each shape is judged once,
    // and its items share the verdict's lists.
    QHash<QString, ItemVerdict> byShape;
    ShapeWriter shape;
    for (qsizetype i = 0; i < data.items.size(); ++i) {
        const Item& item = data.items[i];
        if (!item.topLevel || !item.schemaOrg)
            continue;
        shape.clear();
        for (const QString& type : item.schemaTypes())
            shape.text(u'Y', type);
        shape.item(data, item, shapeReading().depth);
        const QStringView written = shape.written();
        auto found = byShape.constFind(QString::fromRawData(written.data(), written.size()));
        if (found == byShape.cend())
            found = byShape.insert(written.toString(), judge(data, int(i), known));
        out[i] = *found;
    }
    return out;
}

} // namespace headwise::audit
