#include "ui/aboutwindow.h"

#include "core/appinfo.h"
#include "platform/messagebox.h"
#include "platform/programstarter.h"
#include "platform/shell.h"
#include "ui_aboutwindow.h"

#include <QUrl>

namespace headwise {
namespace {

// Every text this window shows, in one place.
namespace text {
const QString kTitlePrefix = QStringLiteral("About ");
const QString kVersionPrefix = QStringLiteral("Version ");
const QString kDisclaimer = QStringLiteral(
    "Headwise is provided as is, without any warranty.  You use it at your own risk: the maker is not "
    "liable for any damage or loss of data that results from its use.  This program is protected by "
    "copyright law; it may be copied and passed on only unchanged and free of charge.");
const QString kSysInfoUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
} // namespace text

// There is no registry of system tools here: the desktops' own system-information
// programs, in the order they are tried.
const QStringList kSysInfoPrograms = {
    QStringLiteral("hardinfo"),
    QStringLiteral("hardinfo2"),
    QStringLiteral("kinfocenter"),
    QStringLiteral("gnome-system-monitor"),
    QStringLiteral("mate-system-monitor"),
    QStringLiteral("xfce4-taskmanager"),
    QStringLiteral("lxtask"),
};

} // namespace

AboutWindow::AboutWindow(const Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), ui_(std::make_unique<Ui::AboutWindow>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    setWindowTitle(text::kTitlePrefix + applicationTitle());
    ui_->lblVersion->setText(text::kVersionPrefix + versionText());
    ui_->lblTitle->setText(applicationTitle());
    ui_->lblDisclaimer->setText(text::kDisclaimer);

    connect(ui_->Command1, &QPushButton::clicked, this, &AboutWindow::Command1_Click);
    connect(ui_->Command2, &QPushButton::clicked, this, &AboutWindow::Command2_Click);
    connect(ui_->picIcon, &ClickableLabel::clicked, this, &AboutWindow::Command2_Click);
    // The small picture ran a "start" command line for the home page: the same shell open here.
    connect(ui_->Image1, &ClickableLabel::clicked, this, &AboutWindow::Command2_Click);
    connect(ui_->Command3, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->Command4, &QPushButton::clicked, this, &AboutWindow::startSysInfo);
}

AboutWindow::~AboutWindow() = default;

QUrl AboutWindow::homePage() {
    return QUrl(QStringLiteral("http://www.varnholt.example/"));
}
QUrl AboutWindow::mailingListPage() {
    return QUrl(QStringLiteral("http://www.varnholt.example/mailinglist.htm"));
}

void AboutWindow::startSysInfo() {
    for (const QString& name : kSysInfoPrograms) {
        const QString path = platform_.programs.locate(name);
        if (path.isEmpty())
            continue;
        if (platform_.programs.start(path))
            return;
        break;
    }
    platform_.messages.show(this, text::kSysInfoUnavailable, applicationTitle(), MessageIcon::None);
}

// A page that cannot be opened is not reported; the shell's answer is not needed.
void AboutWindow::Command1_Click() {
    platform_.shell.open(mailingListPage());
}
void AboutWindow::Command2_Click() {
    platform_.shell.open(homePage());
}

} // namespace headwise
