#include "createpanel.h"

#include "editortext.h"
#include "keywords.h"
#include "linebreaks.h"
#include "messagebox.h"
#include "pagecodec.h"
#include "pagesaver.h"
#include "ui_createpanel.h"

#include <QTimer>

namespace headwise {
namespace {

// Every text this panel shows, in one place.
namespace text {
const QString kLoadPageTitle = QStringLiteral("Load Page");
const QString kLoadPage = QStringLiteral("You must first load your web page from a local file     ");
const QString kSaveTitle = QStringLiteral("Save Meta Tags");
const QString kSaveName = QStringLiteral("metatags.htm");
const QString kSaveFilter = QStringLiteral("Web Files (*.htm*)|*.htm*|Text Files (*.txt)|*.txt|");
const QString kSaveFailedTitle = QStringLiteral("Save Failed");
const QString kSaveFailed = QStringLiteral("The tags could not be saved to ");
} // namespace text

} // namespace

CreatePanel::CreatePanel(QWidget* parent) : QGroupBox(parent), ui(std::make_unique<Ui::CreatePanel>()) {
    ui->setupUi(this);
    // Values are kept exactly as typed; inline completion would change their letter case.
    for (QComboBox* box : {ui->Combo1, ui->Combo2, ui->Combo3, ui->Combo4, ui->Combo5})
        box->setCompleter(nullptr);
    ui->Combo5->setCurrentText(kFormTagsOnly);

    connect(ui->ButtonEx4, &QPushButton::clicked, this, &CreatePanel::ButtonEx4_Click);
    connect(ui->ButtonEx7, &QPushButton::clicked, this, &CreatePanel::ButtonEx7_Click);
    connect(ui->ButtonEx5, &QPushButton::clicked, this, &CreatePanel::ButtonEx5_Click);
    connect(ui->ButtonEx6, &QPushButton::clicked, this, &CreatePanel::ButtonEx6_Click);
    connect(ui->cmdInsert2, &QPushButton::clicked, this, &CreatePanel::cmdInsert2_Click);
    connect(ui->Command4, &QPushButton::clicked, this, &CreatePanel::scanRequested);
    connect(ui->txtDoc, &QPlainTextEdit::textChanged, this, &CreatePanel::txtDoc_Change);
}

CreatePanel::~CreatePanel() = default;

void CreatePanel::setPlatform(const Platform& platform) {
    platform_.emplace(platform);
}

TagFields CreatePanel::choices() const {
    return {.title = {},
            .author = {},
            .subject = {},
            .description = {},
            .keywords = {},
            .rating = ui->Combo1->currentText(),
            .robots = ui->Combo2->currentText(),
            .revisit = ui->Combo3->currentText(),
            .outputForm = ui->Combo4->currentText()};
}

void CreatePanel::setChoices(const TagFields& choices) {
    ui->Combo1->setCurrentText(choices.rating);
    ui->Combo2->setCurrentText(choices.robots);
    ui->Combo3->setCurrentText(choices.revisit);
    ui->Combo4->setCurrentText(choices.outputForm);
}

void CreatePanel::addKeywords(const QString& keywords) {
    ui->Text5->setText(appendKeywords(ui->Text5->text(), keywords));
}

void CreatePanel::setPageLoaded(bool loaded) {
    pageLoaded_ = loaded;
}

void CreatePanel::txtDoc_Change() {
    ui->cmdInsert2->setEnabled(!ui->txtDoc->document()->isEmpty());
}

TagFields CreatePanel::readFields(const QString& outputForm) const {
    return {.title = ui->Text1->text(),
            .author = ui->Text2->text(),
            .subject = ui->Text3->text(),
            .description = ui->Text4->text(),
            .keywords = ui->Text5->text(),
            .rating = ui->Combo1->currentText(),
            .robots = ui->Combo2->currentText(),
            .revisit = ui->Combo3->currentText(),
            .outputForm = outputForm};
}

void CreatePanel::ButtonEx4_Click() {
    ui->txtDoc->clear();
    if (const auto block = BuildTagBlock(readFields(ui->Combo4->currentText())))
        ui->txtDoc->setPlainText(toLf(*block));
}

void CreatePanel::ButtonEx7_Click() {
    if (const auto block = buildAltTagBlock(readFields(ui->Combo5->currentText())))
        ui->txtDoc->setPlainText(toLf(*block));
}

void CreatePanel::ButtonEx5_Click() {
    for (QLineEdit* field : {ui->Text1, ui->Text2, ui->Text3, ui->Text4, ui->Text5})
        field->clear();
    ui->txtDoc->clear();
    ui->Combo1->setCurrentText(QStringLiteral("Rating"));
    ui->Combo2->setCurrentText(QStringLiteral("Robots"));
    ui->Combo3->setCurrentText(QStringLiteral("Revisit"));
}

void CreatePanel::ButtonEx6_Click() {
    if (!platform_)
        return;
    const PageEncoding utf8CrLf{.name = QStringLiteral("UTF-8"), .bom = false, .lineBreak = LineBreak::CrLf};
    saveOrReport(*platform_, window(),
                 {.title = text::kSaveTitle,
                  .proposedPath = text::kSaveName,
                  .filter = text::kSaveFilter,
                  .failedTitle = text::kSaveFailedTitle,
                  .failed = text::kSaveFailed},
                 encodePage(crLfText(ui->txtDoc), utf8CrLf));
}

void CreatePanel::cmdInsert2_Click() {
    if (!platform_)
        return;
    if (pageLoaded_) {
        emit analyzeRequested();
        emit insertTagBlock(crLfText(ui->txtDoc));
        return;
    }
    platform_->messages.show(window(), text::kLoadPage, text::kLoadPageTitle, MessageIcon::Information);
    emit analyzeRequested();
    // The open dialog comes once the Analyze panel has been shown.
    QTimer::singleShot(0, this, &CreatePanel::pageFileRequested);
}

} // namespace headwise
