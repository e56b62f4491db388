#include "appinfo.h"
#include "curlpagefetcher.h"
#include "filedialog.h"
#include "form1.h"
#include "keyring.h"
#include "messagebox.h"
#include "passwordprompt.h"
#include "programstarter.h"
#include "settingsstore.h"
#include "shell.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(headwise::applicationTitle());
    QApplication::setOrganizationName(headwise::applicationTitle());
    QApplication::setApplicationVersion(headwise::versionText());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/headwise.png")));

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
    return QApplication::exec();
}
