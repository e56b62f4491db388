// The HTML report of a folder, written by headwise-cli and opened by a real
// browser from disk, the way its reader opens it.

#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace headwise::testing;

namespace {

const QString kChromium = QStringLiteral("/usr/bin/chromium");

// Runs the browser headless on nothing but the file; false when it did not end in time.
bool runChromium(const QString& profile, const QStringList& arguments, QByteArray* out) {
    QProcess chromium;
    chromium.start(kChromium,
                   QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                               "--no-first-run", "--disable-background-networking",
                               "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile} +
                       arguments);
    if (!chromium.waitForFinished(90000)) {
        chromium.kill();
        chromium.waitForFinished(5000);
        return false;
    }
    *out = chromium.readAllStandardOutput();
    return true;
}

TEST(HtmlReportInBrowser, RendersFromDiskAndShowsPageTextAsText) {
    if (!QFileInfo(kChromium).isExecutable())
        GTEST_SKIP() << "chromium is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath("site");
    writeTestFile(
        dir.filePath("site/index.html"),
        "<!DOCTYPE html><html><head><title>Rugs <img src=x onerror=\"document.title='run'\"></title>"
        "</head><body><a href=\"gone.html\">gone</a></body></html>\n");
    writeTestFile(dir.filePath("site/about.html"),
                  "<!DOCTYPE html><html lang=en><head></head><body></body></html>\n");
    const QString report = dir.filePath("report.html");
    QProcess audit;
    audit.setWorkingDirectory(dir.path());
    audit.start(QStringLiteral(HEADWISE_CLI), {"audit", "--format", "html", "--output", report, "site"});
    ASSERT_TRUE(audit.waitForFinished(60000));
    ASSERT_EQ(audit.exitCode(), 1) << audit.readAllStandardError().toStdString();

    const QString url = QUrl::fromLocalFile(report).toString();
    QByteArray dom;
    ASSERT_TRUE(runChromium(dir.filePath("profile-dom"), {"--dump-dom", url}, &dom)) << "chromium hung";
    EXPECT_TRUE(dom.contains("<title>Audit report</title>")) << "the page's markup ran in the report";
    EXPECT_TRUE(dom.contains("Rugs &lt;img src=x")) << dom.left(2000).toStdString();
    EXPECT_EQ(dom.count("<tbody data-e="), 2); // a page each

    const QString picture = dir.filePath("report.png");
    QByteArray ignored;
    ASSERT_TRUE(runChromium(dir.filePath("profile-shot"),
                            {"--window-size=1000,800", "--screenshot=" + picture, url}, &ignored))
        << "chromium hung";
    const QImage shot(picture);
    ASSERT_FALSE(shot.isNull()) << "no picture";
    EXPECT_EQ(shot.size(), QSize(1000, 800));
    // The error total and the broken link's bar are drawn in the errors' red.
    int red = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            red += shot.pixel(x, y) == qRgb(0xc6, 0x28, 0x28);
    EXPECT_GT(red, 200);
}

} // namespace
