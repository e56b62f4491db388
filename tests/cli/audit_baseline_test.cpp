// headwise-cli audit in CI: a baseline of accepted findings, and the formats a CI job shows.

#include "clirun.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace headwise::testing;

namespace {

const QByteArray kHead =
    "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">"
    "<meta name=\"viewport\" content=\"width=device-width\"><title>Rugs</title></head>\n";

TEST(AuditBaseline, AcceptedFindingsLeaveReportAndExitCodeNewOnesStay) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("site");
    writeTestFile(dir.filePath("site/index.html"),
                  kHead + "<body><a href=\"gone.html\">x</a></body></html>\n");
    const CliRun written = cli({"audit", "--write-baseline", "accepted.json", "site"}, dir.path());
    EXPECT_EQ(written.exitCode, 1) << "writing a baseline does not change the run's own result";
    const QByteArray baseline = readTestFile(dir.filePath("accepted.json"));
    EXPECT_TRUE(baseline.contains("\"link-broken\"")) << baseline.toStdString();

    const CliRun quiet = cli({"audit", "--baseline", "accepted.json", "site"}, dir.path());
    EXPECT_EQ(quiet.exitCode, 0) << quiet.out.toStdString();
    EXPECT_FALSE(quiet.out.contains("link-broken")) << quiet.out.toStdString();
    EXPECT_TRUE(quiet.out.contains("accepted by the baseline")) << quiet.out.toStdString();

    // Lines above move the accepted link; a second broken link is new.
    writeTestFile(dir.filePath("site/index.html"),
                  kHead +
                      "<body>\n\n\n<a href=\"gone.html\">x</a><a href=\"lost.html\">y</a></body></html>\n");
    const CliRun moved =
        cli({"audit", "--baseline", "accepted.json", "--format", "json", "site"}, dir.path());
    EXPECT_EQ(moved.exitCode, 1);
    const QJsonObject root = QJsonDocument::fromJson(moved.out).object();
    const QJsonObject summary = root["summary"].toObject();
    EXPECT_EQ(summary["errors"].toInt(), 1) << moved.out.toStdString();
    EXPECT_EQ(summary["accepted"].toInt(), baseline.count("\"rule\""));
    EXPECT_EQ(summary["acceptedGone"].toInt(), 0);
    // The findings and the site's broken targets alike: an accepted target is left out of both.
    for (const QJsonValue part :
         {root.value("pages"), root.value("site").toObject().value("brokenTargets")}) {
        const QByteArray shown = QJsonDocument(part.toArray()).toJson();
        EXPECT_TRUE(shown.contains("lost.html") && !shown.contains("gone.html")) << moved.out.toStdString();
    }

    const CliRun annotations =
        cli({"audit", "--baseline", "accepted.json", "--format", "github", "site"}, dir.path());
    EXPECT_TRUE(annotations.out.startsWith("::error file=site/index.html,line=5,col="))
        << annotations.out.toStdString();
    EXPECT_EQ(annotations.out.count('\n'), 1);

    for (const QByteArray& bad : {QByteArray("{\"accepted\":"), QByteArray("[1,2]")}) {
        writeTestFile(dir.filePath("bad.json"), bad);
        const CliRun refused = cli({"audit", "--baseline", "bad.json", "site"}, dir.path());
        EXPECT_EQ(refused.exitCode, 2) << bad.toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
        EXPECT_TRUE(refused.err.contains("bad.json")) << refused.err.toStdString();
    }
    EXPECT_EQ(cli({"audit", "--baseline", "missing.json", "site"}, dir.path()).exitCode, 2);
}

} // namespace
