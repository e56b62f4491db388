#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace headwise {

struct Platform;

// What a panel's save command shows.
struct SaveTexts {
    QString title;
    QString proposedPath;
    QString filter;
    QString failed; // followed by the path, a line break and the reason
};

// The save dialog, then the atomic write; a failed write is reported. False
// when cancelled or failed.
bool saveOrReport(const Platform& platform, QWidget* window, const SaveTexts& texts, const QByteArray& bytes);

} // namespace headwise
