#include "ui/form1.h"

#include "core/appinfo.h"
#include "platform/helppage.h"
#include "platform/settingsstore.h"
#include "platform/shell.h"
#include "ui/aboutwindow.h"
#include "ui/analyzepanel.h"
#include "ui/checkwindow.h"
#include "ui/createpanel.h"
#include "ui/extractpanel.h"
#include "ui/mailserverdialog.h"
#include "ui/mailwindow.h"
#include "ui/sitecheckwindow.h"
#include "ui_form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>

namespace headwise {
namespace {

const QString kTitleKey = QStringLiteral("Title");

// The Create panel's choices, restored in this order at start and written in
// this order at close, after the heading.
struct StoredChoice {
    const char* key;
    QString TagFields::*choice;
};
constexpr StoredChoice kStoredChoices[] = {
    {"Rating", &TagFields::rating},
    {"Robots", &TagFields::robots},
    {"Revisit", &TagFields::revisit},
    {"TagStyle", &TagFields::outputForm},
};

} // namespace

Form1::Form1(const Platform& platform, QWidget* parent)
    : QMainWindow(parent), platform_(platform),
      mailAccount_(platform_.settings, platform_.keyring, platform_.passwords),
      ui_(std::make_unique<Ui::Form1>()) {
    ui_->setupUi(this);
    setWindowTitle(applicationTitle());
    // The layout is fixed; the window neither grows nor shrinks.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(ui_->cmdAnalyze, &QPushButton::clicked, this, &Form1::cmdAnalyze_Click);
    connect(ui_->cmdCreate, &QPushButton::clicked, this, &Form1::cmdCreate_Click);
    connect(ui_->cmdExtract, &QPushButton::clicked, this, &Form1::cmdExtract_Click);
    connect(ui_->ButtonEx8, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->Image1, &ClickableLabel::clicked, this, &Form1::cmdAnalyze_Click);
    connect(ui_->Image2, &ClickableLabel::clicked, this, &Form1::cmdExtract_Click);
    connect(ui_->Image3, &ClickableLabel::clicked, this, &Form1::cmdCreate_Click);
    connect(ui_->mnuAnalyze, &QAction::triggered, this, &Form1::cmdAnalyze_Click);
    connect(ui_->mnuExtract, &QAction::triggered, this, &Form1::cmdExtract_Click);
    connect(ui_->mnuCreate, &QAction::triggered, this, &Form1::cmdCreate_Click);
    connect(ui_->mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(ui_->mnuIntro, &QAction::triggered, this, &Form1::mnuIntro_Click);
    connect(ui_->mnuContents, &QAction::triggered, this, &Form1::mnuContents_Click);
    connect(ui_->mnuTellFriend, &QAction::triggered, this, &Form1::mnuTellFriend_Click);
    connect(ui_->mnuContact, &QAction::triggered, this, &Form1::mnuContact_Click);
    connect(ui_->mnuMailServer, &QAction::triggered, this, &Form1::mnuMailServer_Click);
    connect(ui_->mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
    connect(ui_->mnuCheck, &QAction::triggered, this, &Form1::mnuCheck_Click);
    connect(ui_->mnuCheckSite, &QAction::triggered, this, &Form1::mnuCheckSite_Click);
    connectPanels();

    restoreSettings();
    mnuIntro_Click();
    ui_->cmdAnalyze->setFocus();
}

Form1::~Form1() = default;

void Form1::connectPanels() {
    AnalyzePanel* analyze = ui_->FraAnalyze;
    CreatePanel* create = ui_->FraCreate;
    ExtractPanel* extract = ui_->FraExtract;
    analyze->setPlatform(platform_);
    create->setPlatform(platform_);
    extract->setPlatform(platform_);

    connect(analyze, &AnalyzePanel::showRequested, this, &Form1::cmdAnalyze_Click);
    // The Analyze panel's address is copied into the Extract panel's on every change, one way only.
    connect(analyze, &AnalyzePanel::urlChanged, extract, &ExtractPanel::setAddress);
    connect(analyze, &AnalyzePanel::pageTextChanged, create, &CreatePanel::setPageLoaded);

    connect(create, &CreatePanel::analyzeRequested, this, &Form1::cmdAnalyze_Click);
    connect(create, &CreatePanel::scanRequested, this, &Form1::cmdExtract_Click);
    connect(create, &CreatePanel::insertTagBlock, analyze, &AnalyzePanel::insertTagBlock);
    connect(create, &CreatePanel::pageFileRequested, analyze, &AnalyzePanel::cmdFile_Click);

    connect(extract, &ExtractPanel::keywordsChosen, create, &CreatePanel::addKeywords);
    connect(extract, &ExtractPanel::createRequested, this, &Form1::cmdCreate_Click);
}

void Form1::restoreSettings() {
    ui_->Label6->setText(platform_.settings.read(kTitleKey, applicationTitle()));
    const TagFields defaults = defaultTagFields();
    TagFields choices;
    for (const StoredChoice& stored : kStoredChoices)
        choices.*stored.choice =
            platform_.settings.read(QString::fromLatin1(stored.key), defaults.*stored.choice);
    ui_->FraCreate->setChoices(choices);
}

void Form1::saveSettings() {
    platform_.settings.write(kTitleKey, ui_->Label6->text());
    const TagFields choices = ui_->FraCreate->choices();
    for (const StoredChoice& stored : kStoredChoices)
        platform_.settings.write(QString::fromLatin1(stored.key), choices.*stored.choice);
}

void Form1::showPanel(QGroupBox* target) {
    // Visibility is set in the fixed order Analyze, Create, Extract, Introduction.
    QGroupBox* const panels[] = {ui_->FraAnalyze, ui_->FraCreate, ui_->FraExtract, ui_->FraInfo};
    for (QGroupBox* panel : panels)
        panel->setVisible(panel == target);
}

void Form1::cmdAnalyze_Click() {
    showPanel(ui_->FraAnalyze);
}
void Form1::cmdCreate_Click() {
    showPanel(ui_->FraCreate);
}
void Form1::cmdExtract_Click() {
    showPanel(ui_->FraExtract);
}
void Form1::mnuIntro_Click() {
    showPanel(ui_->FraInfo);
}

void Form1::mnuContents_Click() {
    platform_.shell.open(QUrl::fromLocalFile(helpPagePath()));
}

// Secondary windows exist at most once; choosing one again brings it forward.
template <typename Window, typename Make> static void showSingle(QPointer<Window>& slot, Make make) {
    if (!slot)
        slot = make();
    slot->show();
    slot->raise();
    slot->activateWindow();
}

void Form1::mnuTellFriend_Click() {
    showSingle(tellFriend_, [this] { return mailWindow(tellFriendForm()); });
}

void Form1::mnuContact_Click() {
    showSingle(contact_, [this] { return mailWindow(contactForm()); });
}

MailWindow* Form1::mailWindow(const MailForm& form) {
    auto* window = new MailWindow(form, platform_.messages, this);
    window->setMailAccount(&mailAccount_);
    return window;
}

void Form1::mnuMailServer_Click() {
    MailServerDialog dialog(mailAccount_, platform_.messages, this);
    dialog.exec();
}

void Form1::mnuAbout_Click() {
    showSingle(about_, [this] { return new AboutWindow(platform_, this); });
}

void Form1::mnuCheck_Click() {
    showSingle(check_, [this] { return new CheckWindow(platform_, ui_->FraAnalyze, this); });
}

void Form1::mnuCheckSite_Click() {
    showSingle(siteCheck_, [this] {
        auto* window = new SiteCheckWindow(platform_, ui_->FraAnalyze, this);
        connect(window, &SiteCheckWindow::pageCheckRequested, this, [this, window] {
            mnuCheck_Click();
            if (check_)
                check_->setSitePage(window->openedPage());
        });
        return window;
    });
}

void Form1::closeEvent(QCloseEvent* event) {
    saveSettings();
    event->accept();
    // A fetch still under way stops at once; nothing of it arrives.
    ui_->FraAnalyze->cancelWork();
    ui_->FraExtract->cancelWork();
    // Every other window of the program goes with the main window.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible())
            window->close();
    QCoreApplication::quit();
}

} // namespace headwise
