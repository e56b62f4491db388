#include "core/audit/report/baseline.h"

#include <gtest/gtest.h>

using namespace headwise::audit;

namespace {

Finding at(const char* rule, int line, const char* source, const char* message = "A message.") {
    Finding f;
    f.rule = QString::fromLatin1(rule);
    f.message = QString::fromUtf8(message);
    f.line = line;
    f.column = line > 0 ? 3 : 0;
    f.source = QString::fromUtf8(source);
    return f;
}

QList<PageReport> onPage(const char* page, QList<Finding> findings) {
    return {{QString::fromLatin1(page), {}, 0, std::move(findings)}};
}

const char* const kCanonical = "<link rel=\"canonical\" href=\"https://example.com/a\">";

struct BaselineCase {
    const char* name;
    QList<PageReport> accepted, run;
    int newFindings, acceptedCount, gone;
};

TEST(Baseline, MatchesByRulePageAndWhatTheFindingIsAbout) {
    const QList<BaselineCase> cases = {
        {"moved to another line", onPage("a.html", {at("canonical-x", 4, kCanonical)}),
         onPage("a.html", {at("canonical-x", 40, kCanonical)}), 0, 1, 0},
        {"white space of its source changed",
         onPage("a.html", {at("title-long", 2, "<title>A  long\ttitle</title>")}),
         onPage("a.html", {at("title-long", 2, "<title>A long\n  title</title>")}), 0, 1, 0},
        {"new: same rule and page, another element", onPage("a.html", {at("img-alt", 5, "<img src=a.png>")}),
         onPage("a.html", {at("img-alt", 5, "<img src=a.png>"), at("img-alt", 9, "<img src=b.png>")}), 1, 1,
         0},
        {"gone", onPage("a.html", {at("img-alt", 5, "<img src=a.png>"), at("lang-missing", 0, "")}),
         onPage("a.html", {at("lang-missing", 0, "")}), 0, 1, 1},
        {"changed target", onPage("a.html", {at("canonical-x", 4, kCanonical)}),
         onPage("a.html", {at("canonical-x", 4, "<link rel=\"canonical\" href=\"https://example.com/b\">")}),
         1, 0, 1},
        {"changed target of a site link",
         onPage("a.html", {at("link-broken", 3, "", "The linked page /old answers 404")}),
         onPage("a.html", {at("link-broken", 3, "", "The linked page /older answers 404")}), 1, 0, 1},
        {"a line named in the message moved",
         onPage("a.html", {at("head-ended", 0, "", "The head ends at <p> on line 12")}),
         onPage("a.html", {at("head-ended", 0, "", "The head ends at <p> on line 30")}), 0, 1, 0},
        {"another page", onPage("a.html", {at("lang-missing", 0, "")}),
         onPage("b.html", {at("lang-missing", 0, "")}), 1, 0, 1},
        {"another rule", onPage("a.html", {at("title-long", 2, "<title>x</title>")}),
         onPage("a.html", {at("title-short", 2, "<title>x</title>")}), 1, 0, 1},
        {"two accepted accept two, not three",
         onPage("a.html", {at("img-alt", 5, "<img src=a.png>"), at("img-alt", 7, "<img src=a.png>")}),
         onPage("a.html", {at("img-alt", 5, "<img src=a.png>"), at("img-alt", 7, "<img src=a.png>"),
                           at("img-alt", 9, "<img src=a.png>")}),
         1, 2, 0},
    };
    for (const BaselineCase& c : cases) {
        QString error;
        const auto baseline = readBaseline(writeBaseline(c.accepted), &error);
        ASSERT_TRUE(baseline) << c.name << ": " << error.toStdString();
        QList<PageReport> run = c.run;
        const BaselineOutcome outcome = applyBaseline(run, nullptr, *baseline);
        qsizetype left = 0;
        for (const PageReport& page : run)
            left += page.findings.size();
        EXPECT_EQ(left, c.newFindings) << c.name;
        EXPECT_EQ(outcome.accepted, c.acceptedCount) << c.name;
        EXPECT_EQ(outcome.gone, c.gone) << c.name;
    }
}

TEST(Baseline, FileIsSortedAndTheSameForTheSameFindings) {
    const QList<PageReport> one = onPage("b.html", {at("title-long", 2, "<title>b</title>")}) +
                                  onPage("a.html", {at("lang-missing", 0, ""), at("img-alt", 5, "<img>")});
    const QList<PageReport> other = {one[1], one[0]};
    EXPECT_EQ(writeBaseline(one), writeBaseline(other));
    const QByteArray bytes = writeBaseline(one);
    EXPECT_LT(bytes.indexOf("\"img-alt\""), bytes.indexOf("\"lang-missing\"")) << bytes.toStdString();
    EXPECT_LT(bytes.indexOf("\"lang-missing\""), bytes.indexOf("\"title-long\"")) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains("\"line\"")) << "a line would make moved findings new";
}

TEST(Baseline, BytesThatAreNotABaselineAreRefused) {
    for (const char* bytes :
         {"", "{\"version\":1,\"accepted\":[", "[]", "{\"accepted\":[]}", "{\"version\":2,\"accepted\":[]}",
          "{\"version\":1,\"accepted\":{}}", "{\"version\":1,\"accepted\":[{\"rule\":\"x\",\"page\":\"a\"}]}",
          "{\"version\":1,\"accepted\":[7]}"}) {
        QString error;
        EXPECT_FALSE(readBaseline(bytes, &error)) << bytes;
        EXPECT_FALSE(error.isEmpty()) << bytes;
    }
    QString error;
    EXPECT_TRUE(readBaseline("{\"version\":1,\"accepted\":[]}", &error));
}

TEST(Baseline, BrokenTargetsAreCountedFromTheFindingsLeft) {
    const Finding gone = at("link-broken", 3, "", "The linked page /gone does not exist");
    const Finding lost = at("link-broken", 4, "", "The linked page /lost does not exist");
    const QList<PageReport> run =
        onPage("a.html", {gone, lost}) + onPage("b.html", {gone, lost}) + onPage("c.html", {gone});
    const SiteSummary site{
        .brokenTargets = {
            {"link-broken", "/gone", "", 3, 3, {{"a.html", gone}, {"b.html", gone}, {"c.html", gone}}},
            {"link-broken", "/lost", "", 2, 2, {{"a.html", lost}, {"b.html", lost}}}}};
    const struct {
        const char* name;
        QList<PageReport> accepted;
        QStringList targets; // "target pages references", as left
    } cases[] = {
        {"none accepted", {}, {"/gone 3 3", "/lost 2 2"}},
        {"on one page", onPage("b.html", {gone}), {"/gone 2 2", "/lost 2 2"}},
        {"on every page, which drops it", onPage("a.html", {lost}) + onPage("b.html", {lost}), {"/gone 3 3"}},
        {"the most named first again",
         onPage("a.html", {gone}) + onPage("b.html", {gone}),
         {"/lost 2 2", "/gone 1 1"}},
    };
    for (const auto& c : cases) {
        QString error;
        QList<PageReport> pages = run;
        SiteSummary left = site;
        applyBaseline(pages, &left, *readBaseline(writeBaseline(c.accepted), &error));
        QStringList targets;
        for (const BrokenTarget& target : left.brokenTargets)
            targets << QStringLiteral("%1 %2 %3").arg(target.target).arg(target.pages).arg(target.references);
        EXPECT_EQ(targets, c.targets) << c.name;
    }
}

} // namespace
