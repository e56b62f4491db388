// headwise-cli audit --fix: pages repaired in place, a dry run's diff that
// patch applies to the same bytes, and pages that cannot be written left alone.

#include "clirun.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace headwise::testing;

namespace {

// Faults the fixes repair, in pages stored three ways; what they come out as.
struct SitePage {
    const char* path;
    QByteArray bytes;
};
const SitePage kSite[] = {
    {"index.html", "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n  <title>Rugs</title>\n  <title>Rugs</title>\r\n"
                   "</head>\r\n<body><p>Rugs.</p></body>\r\n</html>"},
    {"shop/list.htm", "<html lang=\"de\"><head>\n<meta charset=\"windows-1252\">\n<title>Teppiche f\xfcr "
                      "K\xfc\x63hen</title>\n<link rel=\"canonical\" href=\"list.htm\">\n</head></html>\n"},
    {"shop/clean.html", "<html lang=\"en\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
                        "content=\"width=device-width\"><title>Clean</title></head></html>\n"},
};

void writeSite(const QString& root) {
    for (const SitePage& page : kSite) {
        QDir().mkpath(QFileInfo(root + u'/' + QLatin1String(page.path)).path());
        writeTestFile(root + u'/' + QLatin1String(page.path), page.bytes);
    }
}

QByteArray siteBytes(const QString& root) {
    QByteArray all;
    for (const SitePage& page : kSite)
        all += readTestFile(root + u'/' + QLatin1String(page.path)) + '\0';
    return all;
}

const QStringList kFixArgs{
    "audit",  "site",          "--fix", "--lang", "en", "--base-url", "https://rugs.example/",
    "--rule", "og-missing=off"};

TEST(AuditFix, DryRunDiffPatchesToWhatTheFixWrites) {
    QTemporaryDir fixed, patched;
    writeSite(fixed.filePath("site"));
    writeSite(patched.filePath("site"));
    const QByteArray before = siteBytes(patched.filePath("site"));

    const CliRun dry = cli(kFixArgs + QStringList{"--dry-run"}, patched.path());
    EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    EXPECT_EQ(siteBytes(patched.filePath("site")), before); // nothing written
    EXPECT_TRUE(dry.out.startsWith("--- a/site/index.html\n+++ b/site/index.html\n@@ "))
        << dry.out.toStdString();
    EXPECT_TRUE(dry.err.contains("site/index.html:5: would fix title-multiple")) << dry.err.toStdString();

    const CliRun run = cli(kFixArgs, fixed.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("--fix: 6 fixes on 2 pages")) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("3 pages audited")) << run.out.toStdString(); // the report of what remains

    QProcess patch;
    patch.setWorkingDirectory(patched.path());
    patch.start(QStringLiteral("patch"), {"-p1", "--quiet"});
    patch.write(dry.out);
    patch.closeWriteChannel();
    ASSERT_TRUE(patch.waitForFinished(30000));
    EXPECT_EQ(patch.exitCode(), 0) << patch.readAllStandardError().toStdString();
    EXPECT_EQ(siteBytes(patched.filePath("site")), siteBytes(fixed.filePath("site")));

    // The Windows-1252 page stays Windows-1252, its LF and the index's mixed breaks stay.
    EXPECT_EQ(
        readTestFile(fixed.filePath("site/shop/list.htm")),
        QByteArray(
            "<html lang=\"de\"><head>\n<meta charset=\"windows-1252\">\n<meta name=\"viewport\" "
            "content=\"width=device-width, initial-scale=1\">\n<title>Teppiche f\xfcr "
            "K\xfc\x63hen</title>\n<link rel=\"canonical\" href=\"https://rugs.example/shop/list.htm\">\n"
            "</head></html>\n"));
    EXPECT_EQ(readTestFile(fixed.filePath("site/index.html")),
              QByteArray("<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n  <meta charset=\"utf-8\">\r\n  "
                         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n  "
                         "<title>Rugs</title>\n</head>\r\n<body><p>Rugs.</p></body>\r\n</html>"));

    const CliRun again = cli(kFixArgs, fixed.path());
    EXPECT_TRUE(again.err.contains("--fix: 0 fixes on 0 pages")) << again.err.toStdString();
}

TEST(AuditFix, OnlyTheRulesAskedForAndWhatRemainsSetsTheExitCode) {
    QTemporaryDir dir;
    writeSite(dir.filePath("site"));
    QFile::setPermissions(dir.filePath("site/index.html"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QFileDevice::Permissions mode = QFile::permissions(dir.filePath("site/index.html"));
    const CliRun run =
        cli({"audit", "site", "--fix=title-multiple,lang-missing", "--fail-on", "warning"}, dir.path());
    EXPECT_EQ(run.exitCode, 1); // the viewport and canonical faults remain
    EXPECT_TRUE(run.err.contains("fixed title-multiple")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("fixed viewport-missing")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("--fix: lang-missing can be fixed with --lang CODE"))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("[viewport-missing]")) << run.out.toStdString();
    EXPECT_EQ(QFile::permissions(dir.filePath("site/index.html")), mode);

    for (const QStringList& wrong : {QStringList{"--fix=title-length"}, QStringList{"--fix="},
                                     QStringList{"--dry-run"}, QStringList{"--fix", "--lang", "english"}}) {
        const CliRun refused = cli(QStringList{"audit", "site"} + wrong, dir.path());
        EXPECT_EQ(refused.exitCode, 2) << wrong.join(u' ').toStdString();
        EXPECT_FALSE(refused.err.isEmpty());
    }
}

// A page that cannot be written keeps its bytes, is named, and the run ends with 2.
TEST(AuditFix, APageThatCannotBeWrittenIsLeftAsItWas) {
    QTemporaryDir dir;
    writeSite(dir.filePath("site"));
    const QString page = dir.filePath("site/index.html");
    const QByteArray before = readTestFile(page);

    QFile::setPermissions(page, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const CliRun readOnly = cli({"audit", "site/index.html", "--fix"}, dir.path());
    EXPECT_EQ(readOnly.exitCode, 2);
    EXPECT_TRUE(
        readOnly.err.contains("site/index.html: not fixed: the file is read-only; the page is as it was"))
        << readOnly.err.toStdString();
    EXPECT_EQ(readTestFile(page), before);

    // A file size limit stands in for a full disk: the write fails, not the program.
    QFile::setPermissions(page, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QProcess full;
    full.setWorkingDirectory(dir.path());
    full.start(QStringLiteral("bash"),
               {"-c", "trap '' XFSZ; ulimit -f 0; exec \"$0\" audit site/index.html --fix",
                QStringLiteral(HEADWISE_CLI)});
    ASSERT_TRUE(full.waitForFinished(60000));
    EXPECT_EQ(full.exitCode(), 2);
    EXPECT_TRUE(full.readAllStandardError().contains("site/index.html: not fixed: cannot be written"));
    EXPECT_EQ(readTestFile(page), before);
}

} // namespace
