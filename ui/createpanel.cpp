#include "ui/createpanel.h"

#include "core/keywords/keywords.h"
#include "core/page/linebreaks.h"
#include "core/page/pagecodec.h"
#include "platform/messagebox.h"
#include "ui/editortext.h"
#include "ui/pagesaver.h"
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
const QString kSaveFailed = QStringLiteral("The tags could not be saved to ");
} // namespace text

} // namespace

CreatePanel::CreatePanel(QWidget* parent) : QGroupBox(parent), ui_(std::make_unique<Ui::CreatePanel>()) {
    ui_->setupUi(this);
    // Values are kept exactly as typed; inline completion would change their letter case.
    for (QComboBox* box : {ui_->Combo1, ui_->Combo2, ui_->Combo3, ui_->Combo4, ui_->Combo5})
        box->setCompleter(nullptr);
    ui_->Combo5->setCurrentText(kFormTagsOnly);

    connect(ui_->ButtonEx4, &QPushButton::clicked, this, &CreatePanel::ButtonEx4_Click);
    connect(ui_->ButtonEx7, &QPushButton::clicked, this, &CreatePanel::ButtonEx7_Click);
    connect(ui_->ButtonEx5, &QPushButton::clicked, this, &CreatePanel::ButtonEx5_Click);
    connect(ui_->ButtonEx6, &QPushButton::clicked, this, &CreatePanel::ButtonEx6_Click);
    connect(ui_->cmdInsert2, &QPushButton::clicked, this, &CreatePanel::cmdInsert2_Click);
    connect(ui_->Command4, &QPushButton::clicked, this, &CreatePanel::scanRequested);
    connect(ui_->txtDoc, &QPlainTextEdit::textChanged, this, &CreatePanel::txtDoc_Change);
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
            .rating = ui_->Combo1->currentText(),
            .robots = ui_->Combo2->currentText(),
            .revisit = ui_->Combo3->currentText(),
            .outputForm = ui_->Combo4->currentText()};
}

void CreatePanel::setChoices(const TagFields& choices) {
    ui_->Combo1->setCurrentText(choices.rating);
    ui_->Combo2->setCurrentText(choices.robots);
    ui_->Combo3->setCurrentText(choices.revisit);
    ui_->Combo4->setCurrentText(choices.outputForm);
}

void CreatePanel::addKeywords(const QString& keywords) {
    ui_->Text5->setText(appendKeywords(ui_->Text5->text(), keywords));
}

void CreatePanel::setPageLoaded(bool loaded) {
    pageLoaded_ = loaded;
}

void CreatePanel::txtDoc_Change() {
    ui_->cmdInsert2->setEnabled(!ui_->txtDoc->document()->isEmpty());
}

TagFields CreatePanel::readFields(const QString& outputForm) const {
    return {.title = ui_->Text1->text(),
            .author = ui_->Text2->text(),
            .subject = ui_->Text3->text(),
            .description = ui_->Text4->text(),
            .keywords = ui_->Text5->text(),
            .rating = ui_->Combo1->currentText(),
            .robots = ui_->Combo2->currentText(),
            .revisit = ui_->Combo3->currentText(),
            .outputForm = outputForm};
}

void CreatePanel::ButtonEx4_Click() {
    ui_->txtDoc->clear();
    if (const auto block = buildTagBlock(readFields(ui_->Combo4->currentText())))
        ui_->txtDoc->setPlainText(toLf(*block));
}

void CreatePanel::ButtonEx7_Click() {
    if (const auto block = buildAltTagBlock(readFields(ui_->Combo5->currentText())))
        ui_->txtDoc->setPlainText(toLf(*block));
}

void CreatePanel::ButtonEx5_Click() {
    for (QLineEdit* field : {ui_->Text1, ui_->Text2, ui_->Text3, ui_->Text4, ui_->Text5})
        field->clear();
    ui_->txtDoc->clear();
    ui_->Combo1->setCurrentText(QStringLiteral("Rating"));
    ui_->Combo2->setCurrentText(QStringLiteral("Robots"));
    ui_->Combo3->setCurrentText(QStringLiteral("Revisit"));
}

void CreatePanel::ButtonEx6_Click() {
    if (!platform_)
        return;
    const PageEncoding utf8CrLf{.name = QStringLiteral("UTF-8"), .bom = false, .lineBreak = LineBreak::CrLf};
    saveOrReport(*platform_, window(),
                 {.title = text::kSaveTitle,
                  .proposedPath = text::kSaveName,
                  .filter = text::kSaveFilter,
                  .failed = text::kSaveFailed},
                 encodePage(crLfText(ui_->txtDoc), utf8CrLf));
}

void CreatePanel::cmdInsert2_Click() {
    if (!platform_)
        return;
    if (pageLoaded_) {
        emit analyzeRequested();
        emit insertTagBlock(crLfText(ui_->txtDoc));
        return;
    }
    platform_->messages.show(window(), text::kLoadPage, text::kLoadPageTitle, MessageIcon::Information);
    emit analyzeRequested();
    // The open dialog comes once the Analyze panel has been shown.
    QTimer::singleShot(0, this, &CreatePanel::pageFileRequested);
}

} // namespace headwise
