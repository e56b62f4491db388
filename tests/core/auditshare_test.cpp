// The reports that leave the run: GitHub annotations and the one-file HTML report.

#include "core/audit/report/baseline.h"
#include "core/audit/report/reportformats.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace headwise::audit;

namespace {

Finding finding(const char* rule, Severity severity, const QString& message, int line,
                const QString& source = {}) {
    Finding f;
    f.rule = QString::fromLatin1(rule);
    f.severity = severity;
    f.message = message;
    f.line = line;
    f.column = line > 0 ? 7 : 0;
    f.source = source;
    return f;
}

TEST(GithubReport, EscapesAsWorkflowCommandsRequire) {
    const struct {
        const char* text;
        const char* data;
        const char* property;
    } rows[] = {
        {"plain", "plain", "plain"},
        {"100% sure", "100%25 sure", "100%25 sure"},
        {"a\r\nb\nc\rd", "a%0D%0Ab%0Ac%0Dd", "a%0D%0Ab%0Ac%0Dd"},
        {"dir:a,b.html", "dir:a,b.html", "dir%3Aa%2Cb.html"},
        {"%0A stays text", "%250A stays text", "%250A stays text"},
        {"::error::x", "::error::x", "%3A%3Aerror%3A%3Ax"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(githubEscapeData(QString::fromUtf8(row.text)).toStdString(), row.data) << row.text;
        EXPECT_EQ(githubEscapeProperty(QString::fromUtf8(row.text)).toStdString(), row.property) << row.text;
    }
}

TEST(GithubReport, OneCommandPerFindingPageLevelWithoutLine) {
    const QList<PageReport> pages = {
        {QStringLiteral("site/a,b.html"),
         QStringLiteral("file:///work/site/a,b.html"),
         0,
         {finding("title-missing", Severity::Error, QStringLiteral("No <title>."), 0),
          finding("description-length", Severity::Warning, QStringLiteral("12 characters:\ngive 70"), 4),
          finding("meta-obsolete", Severity::Info, QStringLiteral("100% ignored"), 5)}},
        {QStringLiteral("https://example.com/x"),
         QStringLiteral("https://example.com/x"),
         200,
         {finding("lang-missing", Severity::Warning, QStringLiteral("No lang."), 2)}},
    };
    const QByteArray out = githubReport(pages, {nullptr, QStringLiteral("file:///work/")});
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_EQ(lines.size(), 5) << out.toStdString();
    EXPECT_EQ(lines[0], "::error file=site/a%2Cb.html,title=title-missing::No <title>.");
    EXPECT_EQ(
        lines[1],
        "::warning file=site/a%2Cb.html,line=4,col=7,title=description-length::12 characters:%0Agive 70");
    EXPECT_EQ(lines[2], "::notice file=site/a%2Cb.html,line=5,col=7,title=meta-obsolete::100%25 ignored");
    // No file of the checkout holds a fetched page: the message names it and the place.
    EXPECT_EQ(lines[3], "::warning title=lang-missing::https://example.com/x: 2:7: No lang.");
}

// A tiny site whose pages hold markup, quotes, control characters and a "script".
QList<PageReport> hostilePages() {
    PageReport evil{
        QStringLiteral("<script>alert(1)</script>.html"), QStringLiteral("file:///s/e.html"), 0, {}};
    evil.facts.title = QStringLiteral("</td><script>alert(2)</script> & \"quoted\" \u0001 ") + QChar(0xD800);
    evil.findings = {finding("title-length", Severity::Warning,
                             QStringLiteral("Title <b>too</b> long & wide"), 3,
                             QStringLiteral("<title></td><script>alert(2)</script></title>")),
                     finding("lang-missing", Severity::Error, QStringLiteral("No lang ]]> here"), 0)};
    PageReport clean{QStringLiteral("clean.html"), QStringLiteral("file:///s/clean.html"), 0, {}};
    PageReport fetched{QStringLiteral("https://example.com/"),
                       QStringLiteral("https://example.com/"),
                       404,
                       {finding("http-status", Severity::Error, QStringLiteral("404"), 0)}};
    return {evil, clean, fetched};
}

TEST(HtmlReport, WellFormedEscapedAndLoadsNothing) {
    const BaselineOutcome baseline{true, 5, 2};
    const QByteArray html = htmlReport(hostilePages(), {nullptr, {}, nullptr, &baseline});
    QXmlStreamReader xml(html);
    int scripts = 0, pageBodies = 0, bars = 0;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::Characters)
            texts << xml.text().toString();
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        scripts += name == u"script";
        pageBodies += name == u"tbody";
        bars += name == u"rect";
        EXPECT_NE(name, u"link");
        EXPECT_NE(name, u"iframe");
        EXPECT_NE(name, u"img");
        EXPECT_FALSE(xml.attributes().hasAttribute(QStringLiteral("src"))) << name.toString().toStdString();
        if (xml.attributes().hasAttribute(
                QStringLiteral("href"))) // only the rules' sources lead away, as links
            EXPECT_TRUE(name == u"a" &&
                        (xml.attributes().value(QStringLiteral("href")).startsWith(u"#") ||
                         xml.attributes().value(QStringLiteral("href")).startsWith(u"https://")));
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line " << xml.lineNumber();
    EXPECT_EQ(scripts, 1); // the report's own
    EXPECT_EQ(pageBodies, 3);
    EXPECT_EQ(bars, 3); // three rules fired
    const QString all = texts.join(QLatin1Char('|'));
    EXPECT_TRUE(all.contains(QStringLiteral("<script>alert(1)</script>.html")));
    EXPECT_TRUE(all.contains(QStringLiteral("</td><script>alert(2)</script> & \"quoted\" \ufffd \ufffd")));
    EXPECT_TRUE(all.contains(QStringLiteral("Title <b>too</b> long & wide")));
    EXPECT_TRUE(all.contains(QStringLiteral("accepted by the baseline")));
    for (const char* outside : {"url(", "@import", "<link", "src="})
        EXPECT_FALSE(html.contains(outside)) << outside;
}

} // namespace
