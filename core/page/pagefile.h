#pragma once

#include "core/page/pagecodec.h"

#include <QString>
#include <memory>
#include <optional>

class QFile;
class QSaveFile;

namespace headwise {

// The windows refuse larger pages rather than read them into memory.
inline constexpr qint64 kMaxPageBytes = qint64(256) * 1024 * 1024;

enum class PageFileFailure { None, Missing, NotARegularFile, TooLarge, Unreadable, Binary };

struct PageFileRead {
    std::optional<DecodedPage> page;
    PageFileFailure failure = PageFileFailure::None;
};

// The bytes of a regular file of at most maxBytes, or why there are none.
struct PageBytesRead {
    QByteArray bytes;
    PageFileFailure failure = PageFileFailure::None;
};
PageBytesRead readPageBytes(const QString& path, qint64 maxBytes);

// The page in a file of at most maxBytes, or why there is none. A file whose
// decoded text holds a NUL is binary: text pages never do.
PageFileRead readPageFile(const QString& path, qint64 maxBytes);

// One line for the user, naming no file.
QString failureText(PageFileFailure failure, qint64 maxBytes);

// A page, or one line for the user saying why there is none (naming no input):
// what every front end gets from a file or a fetch.
template <typename Page> struct Loaded {
    std::optional<Page> page;
    QString error;
};
using LoadedPage = Loaded<DecodedPage>;

// readPageFile with the reason in words.
LoadedPage loadPageFile(const QString& path, qint64 maxBytes);

// Atomic: on failure the old file stays as it was and errorText (if given)
// says why.
bool writePageFile(const QString& path, const QString& crlfText, const PageEncoding& encoding,
                   QString* errorText);
bool writePageBytes(const QString& path, const QByteArray& bytes, QString* errorText);

// writePageBytes for bytes that come in pieces (a site's report), each
// written as it comes, so that they need not all be held at once.
class PageBytesWriter {
public:
    explicit PageBytesWriter(const QString& path);
    ~PageBytesWriter();
    PageBytesWriter(const PageBytesWriter&) = delete;
    PageBytesWriter& operator=(const PageBytesWriter&) = delete;
    void write(QByteArrayView bytes); // does nothing once a write failed
    // Puts the file in place, or leaves the old one; false, with the reason, on failure.
    bool commit(QString* errorText);

private:
    std::unique_ptr<QFile> device_; // a device or a pipe, written into
    std::unique_ptr<QSaveFile> file_;
    bool failed_ = false;
};

// The open dialog shared by the panels that load a page.
QString pageDialogTitle();
QString pageDialogFilter();

} // namespace headwise
