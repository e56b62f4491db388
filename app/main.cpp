#include "core/appinfo.h"
#include "net/curlpagefetcher.h"
#include "platform/filedialog.h"
#include "platform/keyring.h"
#include "platform/messagebox.h"
#include "platform/passwordprompt.h"
#include "platform/programstarter.h"
#include "platform/settingsstore.h"
#include "platform/shell.h"
#include "platform/textprompt.h"
#include "ui/form1.h"
#include "ui/linelengths.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Made before the application, so it outlives the application's own wait
    // for the thread pool at its end: a job stopping as its window closes may
    // still be leaving a fetch.
    headwise::CurlPageFetcher fetcher;
    QApplication app(argc, argv);
    headwise::liftLineLengthLimits(app);
    QApplication::setApplicationName(headwise::applicationTitle());
    QApplication::setOrganizationName(headwise::applicationTitle());
    QApplication::setApplicationVersion(headwise::versionText());
    // The desktop's icon theme wins, so the window matches the menu entry; the
    // bundled picture serves when the package's icons are not installed.
    QApplication::setWindowIcon(
        QIcon::fromTheme(headwise::iconName(), QIcon(QStringLiteral(":/images/headwise.png"))));
    QApplication::setDesktopFileName(headwise::desktopId());

    headwise::QSettingsStore settings;
    headwise::QtMessageBoxes messages;
    headwise::QtFileDialogs files;
    headwise::DesktopShell shell;
    headwise::ProcessStarter programs;
    headwise::SystemKeyring keyring;
    headwise::QtPasswordPrompt passwords;
    headwise::QtTextPrompt questions;
    headwise::Form1 window(
        {settings, messages, files, shell, fetcher, programs, keyring, passwords, questions});
    window.show();
    return QApplication::exec();
}
