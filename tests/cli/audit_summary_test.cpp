// headwise-cli audit of a folder as its owner reads the result: repeats said
// once, broken targets, the summary and the folder's own address.

#include "clirun.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace headwise::testing;

namespace {

QByteArray pageWith(const QByteArray& head, const QByteArray& body) {
    return "<html lang=\"en\"><head><meta charset=\"utf-8\"><title>A page of the rug makers' site</title>" +
           head + "</head><body>\n" + body + "</body></html>";
}

QJsonObject jsonOf(const CliRun& run) {
    return QJsonDocument::fromJson(run.out).object();
}

// Each page's findings of one rule, by the page's path below the folder.
QMap<QString, QStringList> messagesOf(const CliRun& run, const QString& root, const QString& rule) {
    QMap<QString, QStringList> found;
    for (const QJsonValue& p : jsonOf(run)["pages"].toArray())
        for (const QJsonValue& f : p["findings"].toArray())
            if (f["rule"] == rule)
                found[p["page"].toString().mid(root.size() + 1)].append(f["message"].toString());
    return found;
}

TEST(AuditSummary, RepeatsOnceTargetsGroupedSummaryWorstFirst) {
    QTemporaryDir dir;
    writeTestFile(
        dir.filePath("index.html"),
        pageWith("", "<a href=gone.html>1</a>\n<a href=gone.html>2</a>\n<a href=gone.html>3</a>\n"
                     "<a href=gone.html>4</a>\n<a href=b.html>b</a>\n<a href=\"../up/x.html\">up</a>\n"));
    writeTestFile(dir.filePath("b.html"),
                  pageWith("", "<a href=\"/gone.html\">g</a><a href=index.html>i</a>"));
    const QStringList args{
        "audit",   "--fail-on", "never", "--rule", "og-missing=off", "--rule", "description-missing=off",
        dir.path()};

    const CliRun text = cli(args);
    const QString index = dir.filePath("index.html");
    EXPECT_TRUE(text.out.contains(
        QString(index + ":2:1: error: The linked page /gone.html does not exist in the folder [link-broken] "
                        "(4 times, lines 2, 3, 4, ...)\n")
            .toUtf8()))
        << text.out.toStdString();
    EXPECT_EQ(text.out.count("/gone.html does not exist"), 2) << text.out.toStdString(); // once per page

    // The other formats keep every finding; the JSON adds the targets and the link as written.
    const CliRun json = cli(QStringList(args) << "--format"
                                              << "json");
    const QMap<QString, QStringList> broken = messagesOf(json, dir.path(), "link-broken");
    EXPECT_EQ(broken.value("index.html").size(), 5);
    EXPECT_TRUE(
        broken.value("index.html")
            .contains("The linked page ../up/x.html (read as /up/x.html) does not exist in the folder"))
        << broken.value("index.html").join('\n').toStdString();
    const QJsonArray targets = jsonOf(json)["site"].toObject().value("brokenTargets").toArray();
    ASSERT_EQ(targets.size(), 2);
    EXPECT_EQ(targets[0].toObject(), (QJsonObject{{"target", "/gone.html"},
                                                  {"rule", "link-broken"},
                                                  {"problem", "does not exist in the folder"},
                                                  {"pages", 2},
                                                  {"references", 5}}));
    EXPECT_EQ(targets[1]["target"], "/up/x.html");

    // The summary alone: errors first, then the targets.
    const CliRun summary = cli(QStringList(args) << "--summary-only");
    const QList<QByteArray> lines = summary.out.split('\n');
    ASSERT_GE(lines.size(), 4) << summary.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("error    link-broken ") && lines[0].contains(" 2 pages (100%) ") &&
                lines[0].contains(" 6 findings ") && lines[0].endsWith("Fix the address or add the page."))
        << summary.out.toStdString();
    EXPECT_FALSE(summary.out.contains("pages audited")) << summary.out.toStdString();
    EXPECT_TRUE(summary.out.contains("Broken targets, by what names them:\n"
                                     "  /gone.html: does not exist in the folder; named 5 times on 2 pages "
                                     "[link-broken]\n"))
        << summary.out.toStdString();
    // After the findings when not on a terminal.
    const CliRun after = cli(QStringList(args) << "--summary");
    EXPECT_TRUE(after.out.endsWith(summary.out)) << after.out.toStdString();
    EXPECT_TRUE(after.out.startsWith(text.out)) << after.out.toStdString();
    EXPECT_EQ(cli(QStringList(args) << "--summary-only"
                                    << "--format"
                                    << "csv")
                  .exitCode,
              2);
}

// Without --base-url a folder stands where its canonicals agree it is published.
TEST(AuditSummary, FolderAddressFromItsCanonicals) {
    const struct {
        const char* name;
        const char* base; // --base-url, or none
        const char* canonicalOrigin;
        const char* otherOrigin; // for b.html, when not the same
        const char* address;     // the address the JSON names, or none
        const char* from;
        bool outside; // canonical-outside on the home page
    } cases[] = {
        {"agreeing canonicals", nullptr, "https://rugs.example", nullptr, "https://rugs.example/",
         "canonicals", false},
        {"given", "https://rugs.example/", "https://rugs.example", nullptr, "https://rugs.example/",
         "base-url", false},
        {"given elsewhere", "https://other.example/", "https://rugs.example", nullptr,
         "https://other.example/", "base-url", true},
        {"two origins", nullptr, "https://rugs.example", "https://www.rugs.example", nullptr, nullptr, true},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkpath("c"));
        const auto canonical = [&](const char* origin, const char* path) -> QByteArray {
            return "<link rel=canonical href=\"" + QByteArray(origin) + path + "\">";
        };
        // The home page's canonical comes after a head longer than the first piece read of it.
        const QByteArray longStyle = "<style>" + QByteArray(20000, ' ') + "</style>";
        writeTestFile(dir.filePath("index.html"),
                      pageWith(longStyle + canonical(c.canonicalOrigin, "/"), "<a href=b.html>b</a>"));
        writeTestFile(dir.filePath("b.html"),
                      pageWith(canonical(c.otherOrigin ? c.otherOrigin : c.canonicalOrigin, "/b.html"),
                               "<a href=c/>c</a>"));
        writeTestFile(dir.filePath("c/index.html"),
                      pageWith(canonical(c.canonicalOrigin, "/c/"), "<a href=../b.html>b</a>"));
        QStringList args{"audit", "--format", "json", "--fail-on", "never", dir.path()};
        if (c.base)
            args << "--base-url" << c.base;
        const CliRun run = cli(args);
        const QJsonValue address = jsonOf(run)["site"].toObject().value("address");
        EXPECT_EQ(address["url"].toString(), QLatin1String(c.address)) << c.name;
        EXPECT_EQ(address["from"].toString(), QLatin1String(c.from)) << c.name;
        const QByteArray said = "headwise-cli: address taken as https://rugs.example/ from 3 canonicals; "
                                "--base-url sets another\n";
        EXPECT_EQ(run.err, c.from == QLatin1String("canonicals") ? said : QByteArray()) << c.name;
        const QMap<QString, QStringList> outside = messagesOf(run, dir.path(), "canonical-outside");
        EXPECT_EQ(outside.keys(), c.outside ? QStringList{"index.html"} : QStringList()) << c.name;
        if (!c.outside)
            EXPECT_TRUE(messagesOf(run, dir.path(), "canonical-target").isEmpty()) << c.name;
    }
}

// A folder named from where the run stands finds its address as an absolute one does.
TEST(AuditSummary, FolderAddressOfAFolderNamedRelatively) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("site/c"));
    writeTestFile(dir.filePath("site/index.html"),
                  pageWith("<link rel=canonical href=\"file:///srv/docs/\">", "<a href=c/>c</a>"));
    writeTestFile(dir.filePath("site/c/index.html"),
                  pageWith("<link rel=canonical href=\"file:///srv/docs/c/\">", "<a href=../>home</a>"));
    const CliRun run = cli({"audit", "--format", "json", "--fail-on", "never", "site"}, dir.path());
    const QJsonValue address = jsonOf(run)["site"].toObject().value("address");
    EXPECT_EQ(address["url"].toString(), QLatin1String("file:///srv/docs/")) << run.err.toStdString();
}

// A target of several missing fragments is one row that says the others differ.
TEST(AuditSummary, TargetOfSeveralProblemsSaysSo) {
    QTemporaryDir dir;
    writeTestFile(dir.filePath("index.html"),
                  pageWith("", "<a href=b.html#x>x</a><a href=b.html#y>y</a><a href=b.html#x>x</a>"));
    writeTestFile(dir.filePath("b.html"), pageWith("", "<p id=z>z</p><a href=index.html>i</a>"));
    const CliRun json = cli({"audit", "--fail-on", "never", "--format", "json", dir.path()});
    const QJsonArray targets = jsonOf(json)["site"].toObject().value("brokenTargets").toArray();
    ASSERT_EQ(targets.size(), 1) << json.out.toStdString();
    EXPECT_EQ(targets[0]["rule"], "link-fragment");
    EXPECT_EQ(targets[0]["references"], 3);
    EXPECT_TRUE(targets[0]["problem"].toString().endsWith("; and 1 more like it"))
        << targets[0]["problem"].toString().toStdString();
}

} // namespace
