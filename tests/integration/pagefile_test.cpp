#include "core/page/pagefile.h"
#include "testfiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace headwise;
using namespace headwise::testing;

namespace {

class PageFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

struct FileCase {
    const char* name;
    QByteArray bytes;
};

TEST_F(PageFileTest, LoadedAndSavedPageKeepsItsBytes) {
    const FileCase cases[] = {
        {"lf.htm", "<html>\n<head><title>caf\xC3\xA9</title></head>\n</html>\n"},
        {"crlf.htm", "<html>\r\n<body>\xE2\x82\xAC</body>\r\n</html>\r\n"},
        {"bom.htm", "\xEF\xBB\xBF<p>\xF0\x9F\x98\x80</p>\r\n"},
        {"cp1252.htm", "<p>\x93quoted\x94 caf\xE9 \x80</p>\n"},
        {"utf16.htm", QByteArray("\xFF\xFE<\0p\0>\0\n\0", 10)},
        {"empty.txt", ""},
    };
    for (const FileCase& c : cases) {
        const QString original = path(c.name);
        writeTestFile(original, c.bytes);
        const std::optional<DecodedPage> page = readPageFile(original, kMaxPageBytes).page;
        ASSERT_TRUE(page) << c.name;
        EXPECT_FALSE(page->text.contains(QRegularExpression("\r(?!\n)|(?<!\r)\n"))) << c.name;
        const QString copy = original + ".saved";
        QString error;
        ASSERT_TRUE(writePageFile(copy, page->text, page->encoding, &error)) << error.toStdString();
        EXPECT_EQ(readTestFile(copy).toHex(' ').toStdString(), c.bytes.toHex(' ').toStdString()) << c.name;
    }
}

TEST_F(PageFileTest, EditedPageIsSavedInItsOwnEncoding) {
    writeTestFile(path("page.htm"), "<p>caf\xE9</p>\n");
    std::optional<DecodedPage> page = readPageFile(path("page.htm"), kMaxPageBytes).page;
    ASSERT_TRUE(page);
    page->text += u"<p>日本 “ok”</p>\r\n"_qs;
    ASSERT_TRUE(writePageFile(path("page.htm"), page->text, page->encoding, nullptr));
    EXPECT_EQ(readTestFile(path("page.htm")), "<p>caf\xE9</p>\n<p>&#26085;&#26412; \x93ok\x94</p>\n");
}

TEST_F(PageFileTest, UnreadablePlacesSayWhy) {
    writeTestFile(path("plain"), "x");
    writeTestFile(path("binary.png"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    writeSparseTestFile(path("huge.htm"), kMaxPageBytes + 1);
    // Opening a pipe nobody writes to would wait forever.
    ASSERT_EQ(mkfifo(path("pipe.htm").toLocal8Bit().constData(), 0600), 0);
    const struct {
        QString place;
        PageFileFailure failure;
    } cases[] = {
        {path("missing.htm"), PageFileFailure::Missing},
        {path("plain/below.htm"), PageFileFailure::Missing},
        {QString(), PageFileFailure::Missing},
        {dir.path(), PageFileFailure::NotARegularFile},
        {path("pipe.htm"), PageFileFailure::NotARegularFile},
        {QStringLiteral("/dev/zero"), PageFileFailure::NotARegularFile},
        {path("huge.htm"), PageFileFailure::TooLarge},
        {path("binary.png"), PageFileFailure::Binary},
    };
    for (const auto& c : cases) {
        const PageFileRead read = readPageFile(c.place, kMaxPageBytes);
        EXPECT_FALSE(read.page) << c.place.toStdString();
        EXPECT_EQ(read.failure, c.failure) << c.place.toStdString();
        EXPECT_FALSE(failureText(read.failure, kMaxPageBytes).isEmpty());
    }
}

TEST_F(PageFileTest, SizeCapIsTheCallersAndCountsBytes) {
    writeTestFile(path("page.htm"), "<p>caf\xC3\xA9</p>"); // 12 bytes, 11 characters
    EXPECT_TRUE(readPageFile(path("page.htm"), 12).page);
    const PageFileRead read = readPageFile(path("page.htm"), 11);
    EXPECT_FALSE(read.page);
    EXPECT_EQ(read.failure, PageFileFailure::TooLarge);
    EXPECT_EQ(failureText(PageFileFailure::TooLarge, qint64(64) * 1024 * 1024), "larger than 64 MiB");
}

TEST_F(PageFileTest, FileWithoutReadPermissionIsUnreadable) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    writeTestFile(path("locked.htm"), "<p>x</p>");
    ASSERT_EQ(chmod(path("locked.htm").toLocal8Bit().constData(), 0), 0);
    EXPECT_EQ(readPageFile(path("locked.htm"), kMaxPageBytes).failure, PageFileFailure::Unreadable);
}

TEST_F(PageFileTest, FailedWriteReportsAndLeavesTheOldFile) {
    writeTestFile(path("plain"), "not a directory");
    QString error;
    EXPECT_FALSE(writePageFile(path("plain/page.htm"), "new", PageEncoding{}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readTestFile(path("plain")), "not a directory");

    error.clear();
    EXPECT_FALSE(writePageFile(dir.path(), "new", PageEncoding{}, &error));
    EXPECT_FALSE(error.isEmpty());
}

// Saved to a pipe (or /dev/null), the bytes go into it and it stays a pipe:
// an atomic save would have put a plain file in its place.
TEST_F(PageFileTest, WriteToAPipeGoesIntoThePipe) {
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Read and write at once, so that opening it to write does not wait for a reader.
    const int reader = open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    QString error;
    EXPECT_TRUE(writePageBytes(fifo, "<p>report</p>", &error)) << error.toStdString();
    char got[64] = {};
    EXPECT_EQ(read(reader, got, sizeof got), 13);
    EXPECT_STREQ(got, "<p>report</p>");
    close(reader);
    struct stat after {};
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &after), 0);
    EXPECT_TRUE(S_ISFIFO(after.st_mode));
}

// Written whole or piece by piece (a report as it is made), a write that
// fails part way leaves the old file.
TEST_F(PageFileTest, WriteThatRunsOutOfRoomLeavesTheOldFile) {
    const QString text = QString(64 * 1024, QLatin1Char('x'));
    const std::function<bool(QString*)> writes[] = {
        [&](QString* error) { return writePageFile(path("page.htm"), text, PageEncoding{}, error); },
        [&](QString* error) {
            PageBytesWriter file(path("page.htm"));
            for (int piece = 0; piece < 64; ++piece)
                file.write(QByteArray(1024, 'x'));
            return file.commit(error);
        },
    };
    for (const auto& write : writes) {
        // A file-size limit makes the write itself fail part way, even for root.
        writeTestFile(path("page.htm"), "old page");
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = write(&error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_FALSE(written);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readTestFile(path("page.htm")), "old page");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
                  QStringList{"page.htm"}); // no temporary left behind
    }
}

TEST(PageDialog, TextsForTheOpenDialog) {
    EXPECT_EQ(pageDialogTitle(), "Select a File");
    EXPECT_EQ(pageDialogFilter(),
              "Web Files (*.htm*)|*.htm*|Text Files (*.txt)|*.txt|All Files (*.*) | *.*|");
}

} // namespace
