#include "appinfo.h"
#include "curlpagefetcher.h"
#include "filedialog.h"
#include "form1.h"
#include "keyring.h"
#include "linelengths.h"
#include "messagebox.h"
#include "passwordprompt.h"
#include "programstarter.h"
#include "settingsstore.h"
#include "shell.h"

#include <QApplication>
#include <QThreadPool>

int main(int argc, char* argv[]) {
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
    headwise::CurlPageFetcher fetcher;
    headwise::ProcessStarter programs;
    headwise::SystemKeyring keyring;
    headwise::QtPasswordPrompt passwords;
    headwise::Form1 window({settings, messages, files, shell, fetcher, programs, keyring, passwords});
    window.show();
    const int code = QApplication::exec();
    // Background jobs may still hold the fetcher, which goes before the application does.
    QThreadPool::globalInstance()->waitForDone();
    return code;
}
