#include "core/audit/engine/pathglob.h"
#include "core/audit/report/report.h"
#include "testfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace headwise::audit;
using namespace headwise::testing;

namespace {

QByteArray reportBytes(ReportFormat format, const QList<PageReport>& pages, const ReportContext& context) {
    QByteArray bytes;
    writeReport(format, pages, context, [&bytes](QByteArrayView piece) { bytes += piece; });
    return bytes;
}

// HEADWISE_UPDATE_GOLDEN=1 rewrites the golden files from the current output;
// review the difference before committing it.
void expectGolden(const QByteArray& actual, const char* name) {
    const QString path = QStringLiteral(HEADWISE_FIXTURES "/audit/") + QLatin1String(name);
    if (qEnvironmentVariableIsSet("HEADWISE_UPDATE_GOLDEN"))
        writeTestFile(path, actual);
    EXPECT_EQ(actual.toStdString(), readTestFile(path).toStdString()) << name;
}

Finding finding(const char* rule, Severity severity, const QString& message, int line, int column,
                const QString& source) {
    Finding f;
    f.rule = QString::fromLatin1(rule);
    f.severity = severity;
    f.message = message;
    f.line = line;
    f.column = column;
    f.source = source;
    return f;
}

// Two files (one in a folder whose name needs escaping) and a fetched page:
// quotes, markup, line breaks, a "%2" and non-Latin text in what is reported.
QList<PageReport> samplePages() {
    return {
        {QStringLiteral("site/100%2 off.htm"),
         QStringLiteral("file:///work/site/100%252%20off.htm"),
         0,
         {finding("title-missing", Severity::Error, QStringLiteral("The page has no <title>."), 0, 0, {}),
          finding("description-length", Severity::Warning,
                  QStringLiteral("The description has 12 characters; give it 70 to 155."), 4, 3,
                  QStringLiteral("<meta name=\"description\"\r\n  content=\"Caf\u00e9 & \u65e5\u672c\">")),
          finding("meta-obsolete", Severity::Info, QStringLiteral("Search engines ignore \"keywords\"."), 5,
                  1, QStringLiteral("<meta name=keywords content='a\tb'>"))}},
        {QStringLiteral("clean.html"), QStringLiteral("file:///elsewhere/clean.html"), 0, {}},
        {QStringLiteral("https://example.com/gone"),
         QStringLiteral("https://example.com/gone/"),
         404,
         {finding("http-status", Severity::Error, QStringLiteral("The server answered 404."), 0, 0, {})}},
    };
}

ReportContext sampleContext(const AuditConfig& config) {
    return {&config, QStringLiteral("file:///work/")};
}

TEST(AuditReport, TextGolden) {
    const AuditConfig config;
    expectGolden(reportBytes(ReportFormat::Text, samplePages(), sampleContext(config)), "report.txt");
    EXPECT_EQ(reportBytes(ReportFormat::Text, {}, sampleContext(config)),
              "0 pages audited: 0 errors, 0 warnings, 0 notes\n");
}

TEST(AuditReport, JsonGoldenAndShape) {
    const AuditConfig config;
    const QByteArray json = reportBytes(ReportFormat::Json, samplePages(), sampleContext(config));
    expectGolden(json, "report.json");

    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(json, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(root.keys(), (QStringList{"pages", "summary", "version"}));
    const QJsonObject first = root["pages"].toArray()[0].toObject();
    EXPECT_EQ(first.keys(), (QStringList{"findings", "page", "status", "structuredData", "url"}));
    EXPECT_TRUE(first["status"].isNull());
    EXPECT_EQ(root["pages"].toArray()[2].toObject()["status"].toInt(), 404);
    const QJsonObject described = first["findings"].toArray()[1].toObject();
    EXPECT_EQ(described.keys(), (QStringList{"column", "line", "message", "rule", "severity", "source"}));
    EXPECT_EQ(described["source"].toString(), samplePages()[0].findings[1].source); // escapes round-trip
    const QJsonObject missing = first["findings"].toArray()[0].toObject();
    EXPECT_TRUE(missing["line"].isNull() && missing["column"].isNull()); // the page as a whole
    EXPECT_EQ(root["summary"].toObject(),
              (QJsonObject{{"pages", 3}, {"errors", 2}, {"warnings", 1}, {"infos", 1}}));
}

// A long report is written in pieces of pages: around every piece's edge
// each page stands once, in order, written as in a report of it alone.
TEST(AuditReport, JsonOfManyPagesIsOneDocument) {
    const AuditConfig config;
    const QList<PageReport> sample = samplePages();
    for (const qsizetype count : {0, 1, 255, 256, 257, 700}) {
        QList<PageReport> pages;
        for (qsizetype i = 0; i < count; ++i) {
            pages.append(sample[i % sample.size()]);
            pages.last().page = QStringLiteral("page-%1.htm").arg(i);
        }
        const QByteArray json = reportBytes(ReportFormat::Json, pages, sampleContext(config));
        QJsonParseError error;
        const QJsonArray written = QJsonDocument::fromJson(json, &error).object()["pages"].toArray();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << count;
        ASSERT_EQ(written.size(), count);
        for (qsizetype i = 0; i < count; ++i)
            EXPECT_EQ(written[i].toObject()["page"].toString(), pages[i].page) << count;
        if (count > 0) {
            const QByteArray alone = reportBytes(ReportFormat::Json, {pages.last()}, sampleContext(config));
            const qsizetype from = alone.indexOf("    {"), to = alone.indexOf("\n    }") + 6;
            EXPECT_TRUE(json.contains(alone.mid(from, to - from))) << count;
        }
    }
}

TEST(AuditReport, SarifGoldenAndRequiredFields) {
    const AuditConfig config;
    const QByteArray sarif = reportBytes(ReportFormat::Sarif, samplePages(), sampleContext(config));
    QJsonParseError error;
    QJsonObject root = QJsonDocument::fromJson(sarif, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(root["version"].toString(), "2.1.0");
    ASSERT_EQ(root["runs"].toArray().size(), 1);
    QJsonObject run = root["runs"].toArray()[0].toObject();

    // The rules are the rule table, in its order; the rest is compared whole.
    QJsonObject tool = run["tool"].toObject();
    QJsonObject driver = tool["driver"].toObject();
    const QJsonArray rules = driver["rules"].toArray();
    ASSERT_EQ(rules.size(), ruleTable().size());
    for (qsizetype i = 0; i < rules.size(); ++i) {
        const QJsonObject r = rules[i].toObject();
        EXPECT_EQ(r["id"].toString(), ruleTable()[i].id);
        EXPECT_EQ(r["shortDescription"].toObject()["text"].toString(), ruleTable()[i].description);
        EXPECT_FALSE(r["help"].toObject()["text"].toString().isEmpty()) << ruleTable()[i].id.toStdString();
        const QString level = r["defaultConfiguration"].toObject()["level"].toString();
        EXPECT_TRUE(level == "error" || level == "warning" || level == "note") << level.toStdString();
    }
    const QJsonArray results = run["results"].toArray();
    ASSERT_EQ(results.size(), 4);
    for (const QJsonValue& value : results) {
        const QJsonObject result = value.toObject();
        const int index = result["ruleIndex"].toInt(-1);
        ASSERT_GE(index, 0);
        EXPECT_EQ(rules[index].toObject()["id"].toString(), result["ruleId"].toString());
        EXPECT_FALSE(result["message"].toObject()["text"].toString().isEmpty());
        const QJsonObject location =
            result["locations"].toArray()[0].toObject()["physicalLocation"].toObject();
        EXPECT_FALSE(location["artifactLocation"].toObject()["uri"].toString().isEmpty());
        // A finding about the page as a whole names the artifact only.
        if (location.contains("region")) {
            EXPECT_GE(location["region"].toObject()["startLine"].toInt(), 1);
            EXPECT_GE(location["region"].toObject()["startColumn"].toInt(), 1);
        }
    }
    const auto artifact = [&](int i) {
        return results[i]
            .toObject()["locations"]
            .toArray()[0]
            .toObject()["physicalLocation"]
            .toObject()["artifactLocation"]
            .toObject();
    };
    EXPECT_EQ(artifact(0), (QJsonObject{{"uri", "site/100%252%20off.htm"}, {"uriBaseId", "%SRCROOT%"}}));
    EXPECT_EQ(artifact(3), (QJsonObject{{"uri", "https://example.com/gone/"}}));
    EXPECT_EQ(results[2].toObject()["level"].toString(), "note");

    driver.remove("rules");
    tool["driver"] = driver;
    run["tool"] = tool;
    root["runs"] = QJsonArray{run};
    expectGolden(QJsonDocument(root).toJson(), "report-sarif-without-rules.json");
}

TEST(AuditReport, JunitGoldenSuitesCasesFailures) {
    AuditConfig config;
    config.severityOverride.insert(QStringLiteral("lang-missing"), std::nullopt);
    const QByteArray xml = reportBytes(ReportFormat::Junit, samplePages(), sampleContext(config));
    expectGolden(xml, "report-junit.xml");

    // Parses as XML; per page one case per rule, one failure per finding.
    QXmlStreamReader reader(xml);
    int suites = 0, cases = 0, failures = 0, skipped = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        suites += reader.name() == u"testsuite";
        cases += reader.name() == u"testcase";
        failures += reader.name() == u"failure";
        skipped += reader.name() == u"skipped";
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(suites, 3);
    EXPECT_EQ(cases, 3 * ruleTable().size());
    EXPECT_EQ(failures, 4);
    EXPECT_EQ(skipped, findRule(u"lang-missing") ? 3 : 0);
}

TEST(AuditReport, JunitStaysWellFormedWithControlCharacters) {
    const QList<PageReport> pages{{QStringLiteral("a\x01.htm"),
                                   QStringLiteral("file:///a.htm"),
                                   0,
                                   {finding("title-missing", Severity::Error, QStringLiteral("bad \x02 text"),
                                            1, 1, QString(QChar(0xD800)) + QStringLiteral("<x>\x0b"))}}};
    QXmlStreamReader reader(reportBytes(ReportFormat::Junit, pages, {}));
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
}

TEST(AuditReport, CsvIsRfc4180WithABomAndNoFormulas) {
    const AuditConfig config;
    expectGolden(reportBytes(ReportFormat::Csv, samplePages(), sampleContext(config)), "report.csv");
    // A field a spreadsheet would run as a formula stays text; quotes and
    // line breaks are quoted, the quotes doubled.
    const QList<PageReport> pages{
        {QStringLiteral("=HYPERLINK(\"x\").htm"),
         {},
         0,
         {finding("title-missing", Severity::Error, QStringLiteral("a, \"b\"\r\nc"), 2, 3, {})}}};
    EXPECT_EQ(reportBytes(ReportFormat::Csv, pages, {}),
              "\xEF\xBB\xBFpage,rule,severity,line,column,message\r\n"
              "\"'=HYPERLINK(\"\"x\"\").htm\",title-missing,error,2,3,\"a, \"\"b\"\"\r\nc\"\r\n");
}

TEST(AuditReport, FormatNames) {
    struct Case {
        const char* name;
        std::optional<ReportFormat> format;
    } cases[] = {{"text", ReportFormat::Text},
                 {"json", ReportFormat::Json},
                 {"sarif", ReportFormat::Sarif},
                 {"junit", ReportFormat::Junit},
                 {"csv", ReportFormat::Csv},
                 {"JSON", std::nullopt},
                 {"", std::nullopt},
                 {"xml", std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(parseReportFormat(QString::fromLatin1(c.name)), c.format) << c.name;
}

TEST(PathGlobs, SkipPatterns) {
    struct Case {
        const char* pattern;
        const char* path;
        bool skipped;
    } cases[] = {
        {"*.htm", "a.htm", true},
        {"*.htm", "deep/er/a.htm", true}, // no "/": a file name anywhere
        {"*.htm", "a.html", false},
        {"drafts/*", "drafts/a.htm", true},
        {"drafts/*", "drafts/old/a.htm", false}, // "*" stays in one folder
        {"drafts/**", "drafts/old/a.htm", true},
        {"drafts/*", "site/drafts/a.htm", false}, // with "/": from the top
        {"**/old/*.htm", "old/a.htm", true},
        {"**/old/*.htm", "x/y/old/a.htm", true},
        {"**/old/*.htm", "x/older/a.htm", false},
        {"/index.htm", "index.htm", true},
        {"/index.htm", "sub/index.htm", false},
        {"page?.htm", "page1.htm", true},
        {"page?.htm", "page10.htm", false},
        {"a+b(1).htm", "a+b(1).htm", true}, // no regular-expression meaning leaks through
        {"a+b(1).htm", "aab1.htm", false},
        {"", "anything.htm", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathGlobs({QString::fromLatin1(c.pattern)}).matches(QString::fromLatin1(c.path)), c.skipped)
            << c.pattern << " vs " << c.path;
    EXPECT_TRUE(PathGlobs({"x.htm", "b/*"}).matches("b/c.htm"));
    EXPECT_FALSE(PathGlobs({}).matches("a.htm"));
}

} // namespace
