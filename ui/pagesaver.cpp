#include "ui/pagesaver.h"

#include "core/page/linebreaks.h"
#include "core/page/pagefile.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/platform.h"

namespace headwise {
namespace {

// Every text this file shows; the panels that save give the rest.
namespace text {
const QString kSaveFailedTitle = QStringLiteral("Save Failed");
} // namespace text

} // namespace

bool saveOrReport(const Platform& platform, QWidget* window, const SaveTexts& texts,
                  const QByteArray& bytes) {
    const QString path = platform.files.saveFile(window, texts.title, texts.proposedPath, texts.filter);
    if (path.isEmpty())
        return false;
    QString error;
    if (writePageBytes(path, bytes, &error))
        return true;
    platform.messages.show(window, texts.failed + path + kCrLf + error, text::kSaveFailedTitle,
                           MessageIcon::Information);
    return false;
}

} // namespace headwise
