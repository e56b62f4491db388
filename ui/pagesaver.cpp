#include "pagesaver.h"

#include "filedialog.h"
#include "linebreaks.h"
#include "messagebox.h"
#include "pagefile.h"
#include "platform.h"

namespace headwise {

bool saveOrReport(const Platform& platform, QWidget* window, const SaveTexts& texts,
                  const QByteArray& bytes) {
    const QString path = platform.files.saveFile(window, texts.title, texts.proposedPath, texts.filter);
    if (path.isEmpty())
        return false;
    QString error;
    if (writePageBytes(path, bytes, &error))
        return true;
    platform.messages.show(window, texts.failed + path + kCrLf + error, texts.failedTitle,
                           MessageIcon::Information);
    return false;
}

} // namespace headwise
