#pragma once

#include "pagecodec.h"

#include <QString>
#include <optional>

namespace headwise {

// Larger pages are refused rather than read into memory.
inline constexpr qint64 kMaxPageBytes = qint64(256) * 1024 * 1024;

// nullopt when the file is missing, a directory, unreadable or too large.
std::optional<DecodedPage> readPageFile(const QString& path);

// Atomic: on failure the old file stays as it was and errorText (if given)
// says why.
bool writePageFile(const QString& path, const QString& crlfText, const PageEncoding& encoding,
                   QString* errorText);
bool writePageBytes(const QString& path, const QByteArray& bytes, QString* errorText);

// The open dialog shared by the panels that load a page.
QString pageDialogTitle();
QString pageDialogFilter();

} // namespace headwise
