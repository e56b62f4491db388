#include "core/audit/engine/pathglob.h"

namespace headwise::audit {
namespace {

QString toRegex(QString glob) {
    if (glob.startsWith(QLatin1Char('/')))
        glob.remove(0, 1); // anchored at the top: the same as a pattern with "/" inside
    else if (!glob.contains(QLatin1Char('/')))
        glob.prepend(QStringLiteral("**/"));
    QString rx;
    for (qsizetype i = 0; i < glob.size(); ++i) {
        const QChar c = glob[i];
        if (c == QLatin1Char('*') && glob.mid(i, 3) == QLatin1String("**/")) {
            rx += QStringLiteral("(?:.*/)?");
            i += 2;
        } else if (c == QLatin1Char('*') && glob.mid(i, 2) == QLatin1String("**")) {
            rx += QStringLiteral(".*");
            ++i;
        } else if (c == QLatin1Char('*')) {
            rx += QStringLiteral("[^/]*");
        } else if (c == QLatin1Char('?')) {
            rx += QStringLiteral("[^/]");
        } else {
            rx += QRegularExpression::escape(QString(c));
        }
    }
    return QRegularExpression::anchoredPattern(rx);
}

} // namespace

PathGlobs::PathGlobs(const QStringList& patterns) {
    for (const QString& pattern : patterns) {
        if (pattern.isEmpty())
            continue;
        QRegularExpression rx(toRegex(pattern));
        rx.optimize();
        patterns_.append(rx);
    }
}

bool PathGlobs::matches(const QString& relativePath) const {
    for (const QRegularExpression& rx : patterns_)
        if (rx.match(relativePath).hasMatch())
            return true;
    return false;
}

} // namespace headwise::audit
