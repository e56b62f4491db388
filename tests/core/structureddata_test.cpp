// JSON-LD and microdata as one list of items: what each reader makes of a page,
// and input that must cost a finding or nothing, never a crash or a hang.

#include "core/audit/model/pagemodel.h"

#include <gtest/gtest.h>

namespace headwise::audit {
namespace {

// "json-ld Product{name=P offers=>Offer{price=1}}": each top-level item, nested ones inside.
QString describe(const StructuredData& data, int index, int depth = 0) {
    const Item& item = data.items[index];
    QString out = item.types.join(u',') + u'{';
    QStringList properties;
    for (const ItemProperty& p : item.properties) {
        QStringList values;
        for (const ItemValue& v : p.values)
            values << (v.item >= 0
                           ? (depth < 3 ? u"=>" + describe(data, v.item, depth + 1) : QStringLiteral("=>..."))
                           : v.text);
        properties << p.name + u'=' + values.join(u'|');
    }
    return out + properties.join(u' ') + u'}';
}

QString describe(const QByteArray& page) {
    const StructuredData data = parsePage(page).structuredData;
    QStringList out;
    for (qsizetype i = 0; i < data.items.size(); ++i)
        if (data.items[i].topLevel)
            out << QString::fromLatin1(data.items[i].format == ItemFormat::JsonLd ? "json-ld "
                                                                                  : "microdata ") +
                       describe(data, int(i));
    for (const StructuredDataError& e : data.errors)
        out << u"error " + e.message;
    return out.join(u'\n');
}

struct ReadRow {
    const char* name;
    const char* page;
    const char* items;
};

const ReadRow kRows[] = {
    {"JSON-LD in the head and the body",
     "<head><script "
     "type=application/ld+json>{\"@context\":\"https://schema.org\",\"@type\":\"Thing\",\"name\":"
     "\"A\"}</script></head><body><p>x</p><script type=\" Application/LD+JSON \">{\"@context\":"
     "\"http://schema.org/\",\"@type\":[\"Product\",\"Thing\"],\"price\":1.5}</script>",
     "json-ld Thing{name=A}\njson-ld Product,Thing{price=1.5}"},
    {"@graph, nested nodes and @value",
     "<body><p>x</p><script type=application/ld+json>{\"@context\":{\"@vocab\":\"https://schema.org/\"},"
     "\"@graph\":[{\"@type\":\"Product\",\"offers\":{\"@type\":\"Offer\",\"price\":{\"@value\":\"2\"}}}]}"
     "</script>",
     "json-ld Product{offers==>Offer{price=2}}"},
    {"@id references, cycles included",
     "<body><p>x</p><script type=application/ld+json>[{\"@context\":\"https://schema.org\",\"@id\":\"#a\","
     "\"@type\":\"Person\",\"knows\":{\"@id\":\"#b\"}},{\"@context\":\"https://schema.org\",\"@id\":\"#b\","
     "\"@type\":\"Person\",\"knows\":{\"@id\":\"#a\"},\"url\":{\"@id\":\"https://elsewhere.example/\"}}]"
     "</script>",
     "json-ld Person{knows==>Person{knows==>Person{knows==>Person{knows==>... "
     "url=https://elsewhere.example/}} "
     "url=https://elsewhere.example/}}\n"
     "json-ld Person{knows==>Person{knows==>Person{knows==>Person{knows==>...} "
     "url=https://elsewhere.example/}} "
     "url=https://elsewhere.example/}"},
    {"nodes of one @id in two blocks are one item, each value once",
     "<body><p>x</p><script type=application/ld+json>{\"@context\":\"https://schema.org\",\"@id\":\"#p\","
     "\"@type\":\"Product\",\"name\":\"P\",\"image\":\"a.jpg\"}</script><script type=application/ld+json>"
     "{\"@context\":\"https://schema.org\",\"@id\":\"#p\",\"@type\":\"Thing\",\"name\":\"P\","
     "\"image\":\"b.jpg\",\"offers\":{\"@type\":\"Offer\",\"price\":1}}</script>",
     "json-ld Product,Thing{image=a.jpg|b.jpg name=P offers==>Offer{price=1}}"},
    {"a @graph whose node is referenced and repeated",
     "<body><p>x</p><script type=application/ld+json>{\"@context\":\"https://schema.org\",\"@graph\":["
     "{\"@type\":\"WebPage\",\"mainEntity\":{\"@id\":\"#p\"}},{\"@id\":\"#p\",\"@type\":\"Product\","
     "\"name\":\"P\"},{\"@id\":\"#p\",\"sku\":\"1\"}]}</script>",
     "json-ld WebPage{mainEntity==>Product{name=P sku=1}}\njson-ld Product{name=P sku=1}"},
    {"a cycle through repeated nodes",
     "<body><p>x</p><script type=application/ld+json>[{\"@context\":\"https://schema.org\",\"@id\":\"#a\","
     "\"@type\":\"Person\",\"knows\":{\"@id\":\"#b\",\"@type\":\"Person\",\"knows\":{\"@id\":\"#a\"}}},"
     "{\"@context\":\"https://schema.org\",\"@id\":\"#b\",\"name\":\"B\",\"knows\":{\"@id\":\"#a\"}}]"
     "</script>",
     "json-ld Person{knows==>Person{knows==>Person{knows==>Person{knows==>... name=B}} name=B}}\n"
     "json-ld Person{knows==>Person{knows==>Person{knows==>Person{knows==>...} name=B}} name=B}"},
    {"a node that refers to itself, and one that holds a node of its own @id",
     "<body><p>x</p><script type=application/ld+json>[{\"@context\":\"https://schema.org\",\"@id\":\"#t\","
     "\"@type\":\"Thing\",\"subjectOf\":{\"@id\":\"#t\"}},{\"@context\":\"https://schema.org\","
     "\"@id\":\"#s\",\"@type\":\"Person\",\"knows\":{\"@id\":\"#s\",\"name\":\"S\"}}]</script>",
     "json-ld Thing{subjectOf==>Thing{subjectOf==>Thing{subjectOf==>Thing{subjectOf==>...}}}}\n"
     "json-ld Person{knows==>Person{knows==>Person{knows==>Person{knows==>... name=S} name=S} name=S} "
     "name=S}"},
    {"JSON-LD that does not parse, and a top that is no object",
     "<body><p>x</p><script type=application/ld+json>{\"a\":</script><script type=application/ld+json>[1]"
     "</script>",
     "error JSON-LD does not parse: unterminated object\nerror JSON-LD is not an object or an array of "
     "objects"},
    {"microdata values by tag",
     "<body><div itemscope itemtype=\"https://schema.org/Event\"><span itemprop=name> Gig </span>"
     "<time itemprop=startDate datetime=2026-07-01>July</time><a itemprop=url href=/gig>x</a>"
     "<meta itemprop=\"eventStatus\" content=EventScheduled><img itemprop=image src=a.png>"
     "<data itemprop=\"maximumAttendeeCapacity\" value=9>nine</data></div>",
     "microdata Event{name= Gig  startDate=2026-07-01 url=/gig eventStatus=EventScheduled image=a.png "
     "maximumAttendeeCapacity=9}"},
    {"microdata nested items, itemref and its loops",
     "<body><div itemscope itemtype=http://schema.org/Product itemref=\"extra loop\"><span itemprop=\"name "
     "brand\">"
     "P</span><div itemprop=offers itemscope itemtype=https://schema.org/Offer><b itemprop=price>3</b></div>"
     "</div><p id=extra itemprop=sku>9</p><div id=loop itemscope itemref=loop "
     "itemtype=https://schema.org/Thing>"
     "<i itemprop=name>T</i></div>",
     "microdata Product{name=P brand=P offers==>Offer{price=3} sku=9}\nmicrodata Thing{name=T}"},
    {"an item on the root element, its properties in the body",
     "<html itemscope itemtype=https://schema.org/WebPage><head><title>t</title></head><body>"
     "<h1 itemprop=name>N</h1>",
     "microdata WebPage{name=N}"},
};

TEST(StructuredDataReading, EachFormatReadsIntoItems) {
    for (const ReadRow& row : kRows)
        EXPECT_EQ(describe(QByteArray(row.page)).toStdString(), row.items) << row.name;
}

// Blocks alike but for their @context: a type that blocks repeat is read in each block's own context.
TEST(StructuredDataReading, ARepeatedTypeIsReadInItsOwnBlocksContext) {
    const QByteArray schema = "<script type=application/ld+json>{\"@context\":\"https://schema.org\","
                              "\"@type\":\"Product\"}</script>";
    const StructuredData data =
        parsePage("<body><p>x</p>" + schema +
                  "<script type=application/ld+json>{\"@type\":\"Product\"}</script>" + schema)
            .structuredData;
    ASSERT_EQ(data.items.size(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(data.items[i].types, QStringList{QStringLiteral("Product")}) << i;
        EXPECT_EQ(data.items[i].schemaOrg, i != 1) << i;
        EXPECT_EQ(data.items[i].schemaOrgType, QList<bool>{i != 1}) << i;
    }
}

TEST(StructuredDataReading, HostileInputCostsAFindingOrNothing) {
    const QByteArray deep = "<body><p>x</p><script type=application/ld+json>" + QByteArray(10000, '[') +
                            QByteArray(10000, ']') + "</script>";
    EXPECT_EQ(parsePage(deep).structuredData.errors.size(), 1);

    QByteArray big = "<body><p>x</p><script type=application/ld+json>{\"@context\":\"https://schema.org\","
                     "\"@type\":\"Thing\",\"description\":\"";
    big += QByteArray(5 * 1024 * 1024, 'a') + "\"}</script>";
    EXPECT_EQ(parsePage(big).structuredData.items.size(), 1);

    QByteArray many = "<body>";
    for (int i = 0; i < 100000; ++i)
        many += "<i itemscope itemref=r><b itemprop=n>1</b></i>";
    many += "<p id=r itemprop=x>y</p>";
    const StructuredData data = parsePage(many).structuredData;
    EXPECT_EQ(data.items.size(), 100000);
    EXPECT_EQ(data.items.first().properties.size(), 2); // n, and x through itemref
}

} // namespace
} // namespace headwise::audit
