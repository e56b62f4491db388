#include "createpanel.h"

#include "linebreaks.h"
#include "tagblock.h"
#include "ui_createpanel.h"

namespace headwise {

CreatePanel::CreatePanel(QWidget* parent) : QGroupBox(parent), ui(std::make_unique<Ui::CreatePanel>())
{
    ui->setupUi(this);
    // Values are kept exactly as typed; inline completion would change their letter case.
    for (QComboBox* box : {ui->Combo1, ui->Combo2, ui->Combo3, ui->Combo4, ui->Combo5})
        box->setCompleter(nullptr);
    ui->Combo5->setCurrentText(kFormTagsOnly);

    connect(ui->ButtonEx4, &QPushButton::clicked, this, &CreatePanel::ButtonEx4_Click);
    connect(ui->ButtonEx7, &QPushButton::clicked, this, &CreatePanel::ButtonEx7_Click);
    connect(ui->ButtonEx5, &QPushButton::clicked, this, &CreatePanel::ButtonEx5_Click);
    connect(ui->Command4, &QPushButton::clicked, this, &CreatePanel::scanRequested);
}

CreatePanel::~CreatePanel() = default;

TagFields CreatePanel::readFields(const QString& outputForm) const
{
    return {ui->Text1->text(),        ui->Text2->text(),        ui->Text3->text(),
            ui->Text4->text(),        ui->Text5->text(),        ui->Combo1->currentText(),
            ui->Combo2->currentText(), ui->Combo3->currentText(), outputForm};
}

void CreatePanel::ButtonEx4_Click()
{
    ui->txtDoc->clear();
    if (const auto block = BuildTagBlock(readFields(ui->Combo4->currentText())))
        ui->txtDoc->setPlainText(toLf(*block));
}

void CreatePanel::ButtonEx7_Click()
{
    if (const auto block = BuildAltTagBlock(readFields(ui->Combo5->currentText())))
        ui->txtDoc->setPlainText(toLf(*block));
}

void CreatePanel::ButtonEx5_Click()
{
    for (QLineEdit* field : {ui->Text1, ui->Text2, ui->Text3, ui->Text4, ui->Text5})
        field->clear();
    ui->txtDoc->clear();
    ui->Combo1->setCurrentText(QStringLiteral("Rating"));
    ui->Combo2->setCurrentText(QStringLiteral("Robots"));
    ui->Combo3->setCurrentText(QStringLiteral("Revisit"));
}

} // namespace headwise
