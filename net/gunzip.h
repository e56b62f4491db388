#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace headwise {

// Whether the bytes begin as a gzip file does (sitemap.xml.gz, served as is).
bool looksGzipped(const QByteArray& bytes);

// The unpacked bytes; nullopt when they are damaged or would unpack to more
// than maxBytes, and error then says which.
std::optional<QByteArray> gunzip(const QByteArray& packed, qint64 maxBytes, QString* error);

} // namespace headwise
