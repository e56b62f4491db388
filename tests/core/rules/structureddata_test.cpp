// The structured data rules: per rich result, a complete item raises no error or
// warning and each required property taken away is named; then rows for values,
// retired types, unknown types and broken JSON.

#include "rulecases.h"

#include "core/audit/model/pagemodel.h"
#include "core/audit/rules/richresults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace headwise::audit::rulecases {
namespace {

QString block(const QString& json) {
    return QStringLiteral("<script type=\"application/ld+json\">%1</script>").arg(json);
}

const QList<RuleCase> kCases = {
    {"JSON-LD that does not parse", "structured-data-invalid", inBody(block(QStringLiteral("{\"@type\": }"))),
     inBody(block(QStringLiteral("{\"@context\": \"https://schema.org\", \"@type\": \"Thing\"}")))},
    {"JSON-LD that is no object", "structured-data-invalid", inHead(block(QStringLiteral("[1, 2]"))),
     inHead(block(QStringLiteral("[]")))},
    {"a required property", "structured-data-required",
     inBody(block(QStringLiteral(
         "{\"@context\": \"https://schema.org\", \"@type\": \"Recipe\", \"name\": \"Soup\"}"))),
     inBody(block(QStringLiteral(
         "{\"@context\": \"https://schema.org\", \"@type\": \"Thing\", \"name\": \"Soup\"}")))},
    {"recommended properties", "structured-data-recommended",
     inBody(block(QStringLiteral("{\"@context\": \"https://schema.org\", \"@type\": \"Article\"}"))),
     inBody(block(QStringLiteral("{\"@context\": \"https://schema.org\", \"@type\": \"WebPage\"}")))},
    {"a value of the wrong form", "structured-data-value",
     inBody(block(
         QStringLiteral("{\"@context\": \"https://schema.org\", \"@type\": \"Thing\", \"url\": \"/a\"}"))),
     inBody(block(QStringLiteral(
         "{\"@context\": \"https://schema.org\", \"@type\": \"Thing\", \"url\": \"https://a.example/\"}")))},
    {"a retired rich result", "structured-data-retired",
     inBody(block(QStringLiteral("{\"@context\": \"https://schema.org\", \"@type\": \"HowTo\"}"))),
     inBody(block(QStringLiteral("{\"@context\": \"https://schema.org\", \"@type\": \"CreativeWork\"}")))},
    {"an unknown type", "structured-data-type",
     inBody(QStringLiteral("<div itemscope itemtype=\"https://schema.org/Prodcut\"></div>")),
     inBody(QStringLiteral("<div itemscope itemtype=\"https://example.com/Prodcut\"></div>"))},
};

INSTANTIATE_TEST_SUITE_P(StructuredData, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

QJsonObject object(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

// A complete example of each rich result, as Google's page for it shows one.
const QList<QPair<QString, QJsonObject>> kComplete = {
    {"Article", object(R"({"@type":"NewsArticle","headline":"H","image":"https://e.example/a.jpg",
        "datePublished":"2026-01-05T08:00:00+01:00","dateModified":"2026-01-06",
        "author":{"@type":"Person","name":"Ann"}})")},
    {"Breadcrumb", object(R"({"@type":"BreadcrumbList","itemListElement":[
        {"@type":"ListItem","position":1,"name":"Books","item":"https://e.example/books"},
        {"@type":"ListItem","position":2,"name":"Novels"}]})")},
    {"Carousel", object(R"({"@type":"ItemList","itemListElement":[
        {"@type":"ListItem","position":1,"url":"https://e.example/1"}]})")},
    {"Course list", object(R"({"@type":"Course","name":"C","description":"D",
        "provider":{"@type":"Organization","name":"U"}})")},
    {"Dataset", object(R"({"@type":"Dataset","name":"N","description":"D","url":"https://e.example/d",
        "sameAs":"https://e.example/s","license":"https://e.example/l","creator":{"@type":"Person","name":"A"},
        "distribution":{"@type":"DataDownload","contentUrl":"https://e.example/d.csv"},"keywords":"k"})")},
    {"Discussion forum", object(R"({"@type":"DiscussionForumPosting","headline":"H","text":"T",
        "url":"https://e.example/t","datePublished":"2026-01-05","dateModified":"2026-01-05",
        "author":{"@type":"Person","name":"A","url":"https://e.example/a"},
        "interactionStatistic":{"@type":"InteractionCounter","userInteractionCount":3}})")},
    {"Education Q&A", object(R"({"@type":"Quiz","about":{"@type":"Thing","name":"Cells"},
        "educationalAlignment":{"@type":"AlignmentObject","alignmentType":"educationalSubject","targetName":"Biology"},
        "hasPart":[{"@type":"Question","eduQuestionType":"Flashcard","text":"T",
        "acceptedAnswer":{"@type":"Answer","text":"A"}}]})")},
    {"Employer aggregate rating", object(R"({"@type":"EmployerAggregateRating",
        "itemReviewed":{"@type":"Organization","name":"W"},"ratingValue":4,"ratingCount":10,
        "bestRating":5,"worstRating":1})")},
    {"Event", object(R"({"@type":"Event","name":"Gig","startDate":"2026-07-21T19:00-05:00",
        "endDate":"2026-07-21T23:00-05:00","eventStatus":"https://schema.org/EventScheduled",
        "eventAttendanceMode":"https://schema.org/OfflineEventAttendanceMode","description":"D",
        "image":"https://e.example/e.jpg","location":{"@type":"Place","name":"Hall",
        "address":{"@type":"PostalAddress","addressLocality":"Town"}},
        "offers":{"@type":"Offer","price":"30","priceCurrency":"USD","availability":"https://schema.org/InStock",
        "url":"https://e.example/t"},"organizer":{"@type":"Organization","name":"O"},
        "performer":{"@type":"PerformingGroup","name":"P"}})")},
    {"Image metadata", object(R"({"@type":"ImageObject","contentUrl":"https://e.example/i.jpg",
        "license":"https://e.example/l","acquireLicensePage":"https://e.example/b"})")},
    {"Job posting",
     object(R"({"@type":"JobPosting","title":"Cook","description":"D","datePosted":"2026-01-05",
        "validThrough":"2026-03-01T00:00","employmentType":"FULL_TIME","identifier":"7",
        "hiringOrganization":{"@type":"Organization","name":"R"},
        "jobLocation":{"@type":"Place","address":{"@type":"PostalAddress","addressLocality":"Town"}},
        "baseSalary":{"@type":"MonetaryAmount","currency":"EUR","value":30000}})")},
    {"Local business", object(R"({"@type":"Restaurant","name":"R","address":{"@type":"PostalAddress",
        "streetAddress":"1 Road"},"geo":{"@type":"GeoCoordinates","latitude":1,"longitude":2},
        "aggregateRating":{"@type":"AggregateRating","ratingValue":"4.5","reviewCount":"3"},
        "review":{"@type":"Review","author":{"@type":"Person","name":"A"},
        "reviewRating":{"@type":"Rating","ratingValue":4}},"openingHoursSpecification":
        {"@type":"OpeningHoursSpecification","opens":"09:00"},"priceRange":"$$","telephone":"+1",
        "url":"https://e.example/r"})")},
    {"Math solver", object(R"({"@type":["MathSolver","LearningResource"],"url":"https://e.example/m",
        "usageInfo":"https://e.example/u","inLanguage":"en","learningResourceType":"Math solver",
        "assesses":"Algebra","potentialAction":{"@type":"SolveMathAction","target":"https://e.example/s"}})")},
    {"Movie",
     object(R"({"@type":"Movie","name":"M","image":"https://e.example/m.jpg","dateCreated":"2024-02-01",
        "director":{"@type":"Person","name":"D"},"review":{"@type":"Review","author":{"@type":"Person",
        "name":"A"},"reviewRating":{"@type":"Rating","ratingValue":5}},
        "aggregateRating":{"@type":"AggregateRating","ratingValue":90,"bestRating":100,"ratingCount":9}})")},
    {"Organization", object(R"({"@type":"Organization","name":"O","url":"https://e.example/",
        "logo":"https://e.example/l.png","sameAs":"https://e.example/o","address":{"@type":"PostalAddress",
        "addressCountry":"US"},"telephone":"+1","email":"o@e.example","description":"D"})")},
    {"Product snippet", object(R"({"@type":"Product","name":"P",
        "review":{"@type":"Review","author":{"@type":"Person","name":"A"},"reviewRating":{"@type":"Rating",
        "ratingValue":4}},"aggregateRating":{"@type":"AggregateRating","ratingValue":4.4,"reviewCount":89}})")},
    {"Merchant listing", object(R"({"@type":"Product","name":"P","image":"https://e.example/p.jpg",
        "description":"D","brand":{"@type":"Brand","name":"B"},"sku":"1","gtin13":"0001",
        "review":{"@type":"Review","author":{"@type":"Person","name":"A"},"reviewRating":{"@type":"Rating",
        "ratingValue":4}},"aggregateRating":{"@type":"AggregateRating","ratingValue":4.4,"reviewCount":89},
        "offers":{"@type":"Offer","price":"119.99","priceCurrency":"USD","itemCondition":
        "https://schema.org/NewCondition","availability":"https://schema.org/InStock",
        "priceValidUntil":"2026-11-20","shippingDetails":{"@type":"OfferShippingDetails"},
        "hasMerchantReturnPolicy":{"@type":"MerchantReturnPolicy"}}})")},
    {"Profile page", object(R"({"@type":"ProfilePage","dateCreated":"2024-12-23T12:34:00-05:00",
        "dateModified":"2024-12-26T14:53:00-05:00","mainEntity":{"@type":"Person","name":"A",
        "image":"https://e.example/a.jpg","description":"D"}})")},
    {"Q&A", object(R"({"@type":"QAPage","mainEntity":{"@type":"Question","name":"Q","text":"T",
        "answerCount":1,"datePublished":"2026-01-05","author":{"@type":"Person","name":"A"},
        "acceptedAnswer":{"@type":"Answer","text":"Yes"}}})")},
    {"Recipe", object(R"({"@type":"Recipe","name":"Pie","image":"https://e.example/p.jpg",
        "author":{"@type":"Person","name":"A"},"datePublished":"2025-03-10","description":"D",
        "prepTime":"PT20M","cookTime":"PT1H30M","totalTime":"PT1H50M","keywords":"k","recipeYield":"4",
        "recipeCategory":"Dessert","recipeCuisine":"French","recipeIngredient":["flour"],
        "recipeInstructions":[{"@type":"HowToStep","text":"Bake"}],
        "aggregateRating":{"@type":"AggregateRating","ratingValue":5,"ratingCount":18}})")},
    {"Review snippet", object(R"({"@type":"Review","itemReviewed":{"@type":"Restaurant","name":"R"},
        "author":{"@type":"Person","name":"A"},"datePublished":"2026-01-05",
        "reviewRating":{"@type":"Rating","ratingValue":4,"bestRating":5}})")},
    {"Software app", object(R"({"@type":"SoftwareApplication","name":"App","operatingSystem":"Android",
        "applicationCategory":"GameApplication","offers":{"@type":"Offer","price":"1.00","priceCurrency":"USD"},
        "aggregateRating":{"@type":"AggregateRating","ratingValue":"4.6","ratingCount":"8864"}})")},
    {"Vacation rental", object(R"({"@type":"VacationRental","name":"V","identifier":"42",
        "image":"https://e.example/v.jpg","latitude":42.1,"longitude":-71.2,"description":"D",
        "brand":{"@type":"Brand","name":"B"},"address":{"@type":"PostalAddress","addressCountry":"US"},
        "containsPlace":{"@type":"Accommodation","occupancy":{"@type":"QuantitativeValue","value":4}},
        "aggregateRating":{"@type":"AggregateRating","ratingValue":4.5,"reviewCount":3},
        "review":{"@type":"Review","author":{"@type":"Person","name":"A"},"reviewRating":{"@type":"Rating",
        "ratingValue":4}}})")},
    {"Video", object(R"({"@type":"VideoObject","name":"V","description":"D",
        "thumbnailUrl":["https://e.example/1.jpg"],"uploadDate":"2024-03-31T08:00:00+08:00",
        "duration":"PT1M54S","contentUrl":"https://e.example/v.mp4","expires":"2027-02-05T08:00:00+08:00",
        "interactionStatistic":{"@type":"InteractionCounter","userInteractionCount":5647018}})")},
};

QJsonObject withContext(QJsonObject item) {
    item.insert(QStringLiteral("@context"), QStringLiteral("https://schema.org"));
    return item;
}

PageAudit auditItem(const QJsonObject& item) {
    const QString json = QString::fromUtf8(QJsonDocument(withContext(item)).toJson());
    return auditPage(build(inBody(block(json))), AuditConfig());
}

QJsonObject without(QJsonObject item, QStringView path) {
    const qsizetype dot = path.indexOf(u'.');
    const QString first = path.left(dot < 0 ? path.size() : dot).toString();
    if (dot < 0) {
        item.remove(first);
    } else if (item.value(first).isObject()) {
        item.insert(first, without(item.value(first).toObject(), path.mid(dot + 1)));
    } else if (item.value(first).isArray()) {
        QJsonArray list = item.value(first).toArray();
        for (qsizetype i = 0; i < list.size(); ++i)
            list[i] = without(list[i].toObject(), path.mid(dot + 1));
        item.insert(first, list);
    }
    return item;
}

TEST(StructuredDataRules, EachRichResultsCompleteExamplePassesAndEachRequiredPropertyIsNamed) {
    for (const RichResult& result : richResults()) {
        const auto example = std::find_if(kComplete.begin(), kComplete.end(),
                                          [&](const auto& row) { return row.first == result.name; });
        ASSERT_NE(example, kComplete.end()) << "no example of " << result.name.toStdString();
        const PageAudit complete = auditItem(example->second);
        for (const Finding& f : complete.findings)
            EXPECT_TRUE(!f.rule.startsWith(QLatin1String("structured-data")) || f.severity == Severity::Info)
                << result.name.toStdString() << ": " << dump(complete).toStdString();
        const QString type = example->second.value(QStringLiteral("@type")).isArray()
                                 ? example->second.value(QStringLiteral("@type")).toArray().first().toString()
                                 : example->second.value(QStringLiteral("@type")).toString();
        for (const PropertyPath& path : result.required) {
            QJsonObject item = example->second;
            for (QStringView alternative : QStringView(path).split(u'|'))
                item = without(item, alternative);
            const PageAudit audit = auditItem(item);
            const QString expected = QStringLiteral("%1: %2").arg(type, describePath(path));
            EXPECT_TRUE(std::any_of(audit.findings.begin(), audit.findings.end(),
                                    [&](const Finding& f) {
                                        return f.rule == QLatin1String("structured-data-required") &&
                                               f.message == expected;
                                    }))
                << expected.toStdString() << "\n"
                << dump(audit).toStdString();
        }
    }
}

struct MessageRow {
    const char* name;
    const char* markup; // in the body
    const char* rule;
    const char* message; // the finding's, whole
};

const MessageRow kMessages[] = {
    {"a date", R"({"@context":"https://schema.org","@type":"Event","startDate":"21 July 2026"})",
     "structured-data-value", "Event: startDate \"21 July 2026\" is not an ISO 8601 date"},
    {"a duration", R"({"@context":"https://schema.org","@type":"Recipe","cookTime":"90 minutes"})",
     "structured-data-value", "Recipe: cookTime \"90 minutes\" is not an ISO 8601 duration"},
    {"a price with its sign", R"({"@context":"https://schema.org","@type":"Offer","price":"$5"})",
     "structured-data-value",
     "Offer: price \"$5\" is not a number (no currency sign, \".\" before the decimals)"},
    {"a price with a comma", R"({"@context":"https://schema.org","@type":"Offer","price":"5,00"})",
     "structured-data-value",
     "Offer: price \"5,00\" is not a number (no currency sign, \".\" before the decimals)"},
    {"a price that ends in its point", R"({"@context":"https://schema.org","@type":"Offer","price":"5."})",
     "structured-data-value",
     "Offer: price \"5.\" is not a number (no currency sign, \".\" before the decimals)"},
    {"a currency", R"({"@context":"https://schema.org","@type":"Offer","priceCurrency":"€"})",
     "structured-data-value", "Offer: priceCurrency \"€\" is not an ISO 4217 currency code"},
    {"an event status", R"({"@context":"https://schema.org","@type":"Event","eventStatus":"Cancelled"})",
     "structured-data-value",
     "Event: eventStatus \"Cancelled\" is not a member of EventStatusType: EventCancelled, EventMovedOnline, "
     "EventPostponed, EventRescheduled, EventScheduled"},
    {"a rating over its best",
     R"({"@context":"https://schema.org","@type":"Rating","ratingValue":"11","bestRating":"10"})",
     "structured-data-value", "Rating: ratingValue \"11\" is outside 1 to 10"},
    {"a position", R"({"@context":"https://schema.org","@type":"ListItem","position":"1.5"})",
     "structured-data-value", "ListItem: position \"1.5\" is not a whole number from 1"},
    {"FAQ", R"({"@context":"https://schema.org","@type":"FAQPage"})", "structured-data-retired",
     "FAQPage: Google has shown no FAQ rich result since 2026-05-07; the markup does no harm and other "
     "consumers may still read it"},
    {"sitelinks search box",
     R"({"@context":"https://schema.org","@type":"WebSite","potentialAction":{"@type":"SearchAction"}})",
     "structured-data-retired",
     "WebSite: Google has shown no Sitelinks search box rich result since 2024-11-21; the markup does no "
     "harm "
     "and other consumers may still read it"},
    {"a misspelt type", R"({"@context":"http://schema.org","@type":"Prodcut"})", "structured-data-type",
     "Prodcut: schema.org has no such type; did you mean Product?"},
    {"a property of another type", R"({"@context":"https://schema.org","@type":"Person","price":"1"})",
     "structured-data-type", "Person: schema.org defines no price for Person"},
    {"a property of another type after an alike item",
     R"([{"@context":"https://schema.org","@type":"Person","name":"A"},
         {"@context":"https://schema.org","@type":"Person","price":"1"}])",
     "structured-data-type", "Person: schema.org defines no price for Person"},
    {"a product in a graph, referenced",
     R"({"@context":"https://schema.org","@graph":[{"@type":"WebPage","mainEntity":{"@id":"#p"}},
        {"@id":"#p","@type":"Product","name":"P","offers":{"@id":"#o"}},{"@id":"#o","@type":"Offer"}]})",
     "structured-data-required",
     "Product: one of offers.price, offers.priceSpecification.price or offers.lowPrice"},
    {"a Quiz of practice problems",
     R"({"@context":"https://schema.org","@type":"Quiz","educationalAlignment":{"@type":"AlignmentObject"},
        "hasPart":{"@type":"Question","eduQuestionType":"Multiple choice","text":"T"}})",
     "structured-data-retired",
     "Quiz: Google has shown no Practice problem rich result since 2026-01; the markup does no harm and "
     "other consumers may still read it"},
    {"a Quiz of flashcards is judged", R"({"@context":"https://schema.org","@type":"Quiz",
        "hasPart":{"@type":"Question","eduQuestionType":"Flashcard","text":"T"}})",
     "structured-data-required", "Quiz: hasPart.acceptedAnswer"},
};

TEST(StructuredDataRules, ValuesRetiredAndUnknownTypesAreNamed) {
    for (const MessageRow& row : kMessages) {
        const PageAudit audit = auditPage(build(inBody(block(QString::fromUtf8(row.markup)))), AuditConfig());
        const QString expected = QString::fromUtf8(row.message);
        EXPECT_TRUE(std::any_of(
            audit.findings.begin(), audit.findings.end(),
            [&](const Finding& f) { return f.rule == QLatin1String(row.rule) && f.message == expected; }))
            << row.name << "\n"
            << dump(audit).toStdString();
    }
}

// Pages on which the rule must say nothing.
struct QuietRow {
    const char* name;
    const char* body; // JSON-LD blocks, each inside <script>
    const char* rule;
};

#define LD "<script type=application/ld+json>"
const QuietRow kQuiet[] = {
    {"a product whose offers come in another block of its @id",
     LD
     R"({"@context":"https://schema.org","@id":"#p","@type":"Product","name":"P","image":"https://e.example/p.jpg"})"
     "</script>" LD R"({"@context":"https://schema.org","@id":"#p","offers":{"@type":"Offer","price":"1"}})"
     "</script>",
     "structured-data-required"},
    {"a product repeated in a @graph that references it",
     LD R"({"@context":"https://schema.org","@graph":[{"@type":"WebPage","mainEntity":{"@id":"#p"}},
        {"@id":"#p","@type":"Product","name":"P","offers":{"@id":"#o"}},
        {"@id":"#p","image":"https://e.example/p.jpg"},{"@id":"#o","@type":"Offer","price":"2"}]})"
        "</script>",
     "structured-data-required"},
    {"a Quiz of flashcards",
     LD R"({"@context":"https://schema.org","@type":"Quiz",
        "hasPart":{"@type":"Question","eduQuestionType":"Flashcard","text":"T",
        "acceptedAnswer":{"@type":"Answer","text":"A"}}})"
        "</script>",
     "structured-data-retired"},
    {"a Quiz that says neither",
     LD R"({"@context":"https://schema.org","@type":"Quiz","name":"Q",
        "hasPart":{"@type":"Question","text":"T"}})"
        "</script>",
     "structured-data-retired"},
    {"a Quiz that says neither is no education Q&A",
     LD R"({"@context":"https://schema.org","@type":"Quiz","name":"Q"})"
        "</script>",
     "structured-data-required"},
    {"a Quiz of flashcards and multiple choice",
     LD R"({"@context":"https://schema.org","@type":"Quiz","hasPart":[
        {"@type":"Question","eduQuestionType":"Flashcard","text":"T","acceptedAnswer":{"@type":"Answer","text":"A"}},
        {"@type":"Question","eduQuestionType":"Multiple choice","text":"U",
        "acceptedAnswer":{"@type":"Answer","text":"B"}}]})"
        "</script>",
     "structured-data-retired"},
};
#undef LD

TEST(StructuredDataRules, MergedEntitiesAndUnclearQuizzesRaiseNothing) {
    for (const QuietRow& row : kQuiet) {
        const PageAudit audit = auditPage(build(inBody(QString::fromUtf8(row.body))), AuditConfig());
        EXPECT_EQ(count(audit, QString::fromLatin1(row.rule)), 0) << row.name << "\n"
                                                                  << dump(audit).toStdString();
    }
}

// Two items that differ in one thing judging reads: each gets its own verdict,
// though the page judges alike items once.
struct PairRow {
    const char* name;
    const char* first;
    const char* second;
};

#define PRODUCT                                                                                              \
    R"({"@context":"https://schema.org","@type":"Product","name":"P","image":"https://e.example/p.jpg",)"
const PairRow kPairs[] = {
    {"a blank price", PRODUCT R"("offers":{"@type":"Offer","price":"1"}})",
     PRODUCT R"("offers":{"@type":"Offer","price":"  "}})"},
    {"an offer as a text", PRODUCT R"("offers":{"@type":"Offer","price":"1"}})", PRODUCT R"("offers":"1"})"},
    {"a price two items down", PRODUCT R"("offers":{"@type":"Offer","priceSpecification":{"price":"1"}}})",
     PRODUCT R"("offers":{"@type":"Offer","priceSpecification":{"name":"1"}}})"},
    {"a compared text", R"({"@context":"https://schema.org","@type":"Quiz",
        "hasPart":{"@type":"Question","eduQuestionType":"Flashcard","text":"T"}})",
     R"({"@context":"https://schema.org","@type":"Quiz",
        "hasPart":{"@type":"Question","eduQuestionType":"Checkbox","text":"T"}})"},
    {"another type", PRODUCT R"("offers":"1"})",
     R"({"@context":"https://schema.org","@type":"Thing","name":"P",
        "image":"https://e.example/p.jpg","offers":"1"})"},
};
#undef PRODUCT

TEST(StructuredDataRules, AlikeItemsShareAVerdictAndNoOther) {
    for (const PairRow& row : kPairs) {
        const PageInput page =
            build(inBody(block(QString::fromUtf8(row.first)) + block(QString::fromUtf8(row.first)) +
                         block(QString::fromUtf8(row.second))));
        const StructuredData data = parsePage(page.bytes).structuredData;
        const QList<ItemVerdict> verdicts = judgeItems(data);
        int judged = 0;
        for (qsizetype i = 0; i < data.items.size(); ++i)
            if (data.items[i].topLevel) {
                EXPECT_EQ(verdicts[i], judgeItem(data, int(i))) << row.name << ", item " << i;
                ++judged;
            }
        EXPECT_EQ(judged, 3) << row.name;
        EXPECT_NE(verdicts.first(), verdicts.last()) << row.name;
    }
}

TEST(StructuredDataRules, BrokenJsonIsPlacedWhereTheParserStopped) {
    const PageAudit audit = auditPage(
        build(inBody(block(QStringLiteral("\n{\"@type\": \"Thing\",\n  \"name\": ]\n}")))), AuditConfig());
    ASSERT_EQ(count(audit, QStringLiteral("structured-data-invalid")), 1) << dump(audit).toStdString();
    for (const Finding& f : audit.findings)
        if (f.rule == QLatin1String("structured-data-invalid")) {
            EXPECT_EQ(f.line, 16); // the line of the stray "]" in the page
            EXPECT_GT(f.column, 9);
        }
}

} // namespace
} // namespace headwise::audit::rulecases
