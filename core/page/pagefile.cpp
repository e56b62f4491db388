#include "core/page/pagefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace headwise {

PageBytesRead readPageBytes(const QString& path, qint64 maxBytes) {
    const auto failed = [](PageFileFailure failure) { return PageBytesRead{{}, failure}; };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return failed(PageFileFailure::Missing);
    // Pipes and devices may never end; only plain files are read.
    if (!info.isFile())
        return failed(PageFileFailure::NotARegularFile);
    if (info.size() > maxBytes)
        return failed(PageFileFailure::TooLarge);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(PageFileFailure::Unreadable);
    // Read one byte past the cap, so a file that grew since the check is still
    // refused; never the cap itself, which would allocate all of it every time.
    QByteArray bytes = file.read(std::min(info.size(), maxBytes) + 1);
    if (file.error() != QFile::NoError)
        return failed(PageFileFailure::Unreadable);
    if (bytes.size() > maxBytes)
        return failed(PageFileFailure::TooLarge);
    return {std::move(bytes), PageFileFailure::None};
}

PageFileRead readPageFile(const QString& path, qint64 maxBytes) {
    PageBytesRead read = readPageBytes(path, maxBytes);
    if (read.failure != PageFileFailure::None)
        return {std::nullopt, read.failure};
    DecodedPage page = decodePage(read.bytes);
    if (page.text.contains(QChar(0)))
        return {std::nullopt, PageFileFailure::Binary};
    return {std::move(page), PageFileFailure::None};
}

LoadedPage loadPageFile(const QString& path, qint64 maxBytes) {
    PageFileRead read = readPageFile(path, maxBytes);
    if (!read.page)
        return {std::nullopt, failureText(read.failure, maxBytes)};
    return {std::move(read.page), {}};
}

QString failureText(PageFileFailure failure, qint64 maxBytes) {
    switch (failure) {
    case PageFileFailure::None:
        break;
    case PageFileFailure::Missing:
        return QStringLiteral("no such file");
    case PageFileFailure::NotARegularFile:
        return QStringLiteral("is not a regular file (a directory, device or pipe)");
    case PageFileFailure::TooLarge:
        return QStringLiteral("larger than %1 MiB").arg(maxBytes / (1024 * 1024));
    case PageFileFailure::Unreadable:
        return QStringLiteral("cannot be read");
    case PageFileFailure::Binary:
        return QStringLiteral("is a binary file, not a text page");
    }
    return {};
}

bool writePageFile(const QString& path, const QString& crlfText, const PageEncoding& encoding,
                   QString* errorText) {
    return writePageBytes(path, encodePage(crlfText, encoding), errorText);
}

bool writePageBytes(const QString& path, const QByteArray& bytes, QString* errorText) {
    PageBytesWriter writer(path);
    writer.write(bytes);
    return writer.commit(errorText);
}

PageBytesWriter::PageBytesWriter(const QString& path) {
    // A device or a pipe (/dev/null, /dev/stdout, a FIFO) is written into: a
    // save puts a new file in the old one's place, and would replace it with one.
    if (const QFileInfo info(path); info.exists() && !info.isFile() && !info.isDir()) {
        device_ = std::make_unique<QFile>(path);
        failed_ = !device_->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else {
        file_ = std::make_unique<QSaveFile>(path);
        failed_ = !file_->open(QIODevice::WriteOnly);
    }
}

PageBytesWriter::~PageBytesWriter() = default;

void PageBytesWriter::write(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return;
    QFileDevice& to = device_ ? static_cast<QFileDevice&>(*device_) : *file_;
    failed_ = failed_ || to.write(bytes.data(), bytes.size()) != bytes.size();
}

bool PageBytesWriter::commit(QString* errorText) {
    if (device_) {
        if (failed_ && errorText)
            *errorText = device_->errorString();
        return !failed_;
    }
    // commit() reports success even when its buffer did not reach the disk
    // (a full disk), and then puts what did in place of the old file: the
    // buffer is flushed and checked first, and the write given up on failure.
    const bool flushed = !failed_ && file_->flush();
    if (!flushed)
        file_->cancelWriting();
    const bool written = file_->commit() && flushed;
    if (!written && errorText)
        *errorText = file_->errorString();
    return written;
}

QString pageDialogTitle() {
    return QStringLiteral("Select a File");
}

QString pageDialogFilter() {
    return QStringLiteral("Web Files (*.htm*)|*.htm*|") + QStringLiteral("Text Files (*.txt)|*.txt|") +
           QStringLiteral("All Files (*.*) | *.*|");
}

} // namespace headwise
