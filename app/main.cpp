#include "appinfo.h"
#include "curlpagefetcher.h"
#include "filedialog.h"
#include "form1.h"
#include "linelengths.h"
#include "messagebox.h"
#include "programstarter.h"
#include "settingsstore.h"
#include "shell.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    headwise::liftLineLengthLimits(app);
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
    headwise::Form1 window({settings, messages, files, shell, fetcher, programs});
    window.show();
    return QApplication::exec();
}
