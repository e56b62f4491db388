#include "core/audit/rules/richresults.h"

#include "core/audit/model/schemavocabulary.h"

#include <QHash>

namespace headwise::audit {

namespace {

QString page(const char* name) {
    return QStringLiteral("https://developers.google.com/search/docs/appearance/structured-data/") +
           QLatin1String(name);
}

enum class PathState { Met, Missing, NotAsked };

bool hasValue(const ItemProperty* property) {
    if (!property)
        return false;
    for (const ItemValue& v : property->values)
        if (v.item >= 0 || !v.text.trimmed().isEmpty())
            return true;
    return false;
}

// Each step goes one item down, so a cycle of items costs no more than the path's length.
// Only the first step may be absent without the path being missing: where
// the item has no offers at all, offers.price is not asked.
PathState pathState(const StructuredData& data, const Item& item, QStringView path, bool first = true) {
    const qsizetype dot = path.indexOf(u'.');
    const ItemProperty* property = item.property(dot < 0 ? path : path.left(dot));
    if (dot < 0)
        return hasValue(property) ? PathState::Met : PathState::Missing;
    if (!hasValue(property))
        return first ? PathState::NotAsked : PathState::Missing;
    for (const ItemValue& v : property->values) {
        if (v.item < 0)
            return PathState::Missing; // a text where an item with the property should be
        if (pathState(data, data.items[v.item], path.mid(dot + 1), false) != PathState::Met)
            return PathState::Missing;
    }
    return PathState::Met;
}

bool lacks(const StructuredData& data, const Item& item, const PropertyPath& path) {
    bool asked = false;
    for (QStringView alternative : QStringView(path).tokenize(u'|')) {
        const PathState state = pathState(data, item, alternative);
        if (state == PathState::Met)
            return false;
        asked = asked || state == PathState::Missing;
    }
    return asked;
}

// Whether a text at path, through every item on the way, is one of values.
// Each step goes one item down, as in pathState.
bool hasTextIn(const StructuredData& data, const Item& item, QStringView path, const QStringList& values) {
    const qsizetype dot = path.indexOf(u'.');
    const ItemProperty* property = item.property(dot < 0 ? path : path.left(dot));
    if (!property)
        return false;
    for (const ItemValue& v : property->values) {
        if (dot < 0 ? v.item < 0 && values.contains(v.text.trimmed(), Qt::CaseInsensitive)
                    : v.item >= 0 && hasTextIn(data, data.items[v.item], path.mid(dot + 1), values))
            return true;
    }
    return false;
}

// Whether the item meets a condition: it has path (any alternative), and where
// values are given, a text there is one of them. An empty path always holds.
bool meets(const StructuredData& data, const Item& item, const QString& path, const QStringList& values) {
    if (path.isEmpty())
        return true;
    if (values.isEmpty())
        return !lacks(data, item, path);
    for (QStringView alternative : QStringView(path).tokenize(u'|'))
        if (hasTextIn(data, item, alternative, values))
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

// For each rich result in turn, the one of its types that items of these
// types are (empty for none): a page's items are mostly of a few types, and
// each would otherwise look up every rich result's types.
using TypeMatches = QHash<QStringList, QStringList>;

const QStringList& typeMatches(const QStringList& itemTypes, TypeMatches& known) {
    if (const auto found = known.constFind(itemTypes); found != known.cend())
        return *found;
    QStringList matched;
    matched.reserve(richResults().size());
    for (const RichResult& result : richResults())
        matched.append(matchingType(itemTypes, result.types));
    return *known.insert(itemTypes, matched);
}

ItemVerdict judge(const StructuredData& data, int index, TypeMatches& known) {
    const Item& item = data.items[index];
    ItemVerdict verdict;
    struct Match {
        const RichResult* result;
        QString type;
    };
    QList<Match> matches;
    const QStringList& types = typeMatches(item.schemaTypes(), known);
    for (qsizetype r = 0; r < richResults().size(); ++r) {
        const RichResult& result = richResults()[r];
        if (!types[r].isEmpty() && meets(data, item, result.when, result.whenValues))
            matches.append({&result, types[r]});
    }
    for (const Match& m : matches) {
        // A more specific rich result of the item stands for the general one
        // (a LocalBusiness is read as a local business, not an organization).
        bool general = false;
        for (const Match& other : matches)
            general = general || (other.type != m.type && schema::isA(other.type, m.type));
        if (general)
            continue;
        verdict.richResults.append(m.result->name);
        verdict.pages.append(m.result->page);
        const auto note = [&](const PropertyPath& path, QStringList& missing) {
            if (!lacks(data, item, path))
                return;
            if (QString described = describePath(path); !missing.contains(described))
                missing.append(std::move(described));
        };
        for (const PropertyPath& path : m.result->required)
            note(path, verdict.missing);
        for (const PropertyPath& path : m.result->recommended)
            note(path, verdict.missingRecommended);
    }
    return verdict;
}

} // namespace

ItemVerdict judgeItem(const StructuredData& data, int index) {
    TypeMatches known;
    return judge(data, index, known);
}

QList<ItemVerdict> judgeItems(const StructuredData& data) {
    QList<ItemVerdict> out(data.items.size());
    TypeMatches known;
    for (qsizetype i = 0; i < data.items.size(); ++i)
        if (data.items[i].topLevel && data.items[i].schemaOrg)
            out[i] = judge(data, int(i), known);
    return out;
}

QList<const RetiredResult*> retiredFor(const StructuredData& data, int index) {
    const Item& item = data.items[index];
    QList<const RetiredResult*> out;
    const QStringList itemTypes = item.schemaTypes();
    for (const RetiredResult& retired : retiredResults())
        if (!matchingType(itemTypes, retired.types).isEmpty() &&
            meets(data, item, retired.when, retired.whenValues) &&
            (retired.unless.isEmpty() || !meets(data, item, retired.unless, retired.unlessValues)))
            out.append(&retired);
    return out;
}

} // namespace headwise::audit
