#include "appinfo.h"
#include "backgroundwork.h"
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
#include <cstdio>
#include <cstdlib>

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

    // Declared first so it outlives the windows: a fetch the user walked away
    // from may still be using it on a thread of its own.
    headwise::CurlPageFetcher fetcher;
    int code = 0;
    {
        headwise::QSettingsStore settings;
        headwise::QtMessageBoxes messages;
        headwise::QtFileDialogs files;
        headwise::DesktopShell shell;
        headwise::ProcessStarter programs;
        headwise::SystemKeyring keyring;
        headwise::QtPasswordPrompt passwords;
        headwise::Form1 window({settings, messages, files, shell, fetcher, programs, keyring, passwords});
        window.show();
        code = QApplication::exec();
    }
    // No fetch or other background work is waited for (a Page Check image
    // fetch included), and nothing it uses is torn down under it.
    if (headwise::backgroundWorkRunning() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
