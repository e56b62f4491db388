#include "platform/shell.h"

#include <QDesktopServices>

namespace headwise {

bool DesktopShell::open(const QUrl& target) {
    return QDesktopServices::openUrl(target);
}

} // namespace headwise
