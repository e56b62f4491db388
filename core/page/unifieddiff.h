#pragma once

#include "core/page/pagecodec.h"

#include <QByteArray>
#include <QString>

namespace headwise {

// A unified diff (diff -u, labels a/PATH and b/PATH, three lines of context)
// of a file whose bytes after are those before with the edits made, which
// name the changed stretches: no line outside them is compared. Lines end at
// LF as patch reads them; empty when nothing changed.
QByteArray unifiedDiff(const QString& path, const QByteArray& before, const QByteArray& after,
                       const QList<ByteEdit>& edits);

} // namespace headwise
