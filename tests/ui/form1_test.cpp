#include "form1fixture.h"

#include "platform/settingsstore.h"
#include "testfiles.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace headwise;
using namespace headwise::testing;

namespace {

QString comboText(QComboBox* box) {
    return box->currentText();
}

TEST_F(Form1Test, FirstRunShowsDefaultsAndIntroduction) {
    EXPECT_EQ(window->windowTitle(), "Headwise");
    EXPECT_EQ(find<QLabel>("Label6")->text(), "Headwise");
    EXPECT_EQ(comboText(find<QComboBox>("Combo1")), "General");
    EXPECT_EQ(comboText(find<QComboBox>("Combo2")), "ALL");
    EXPECT_EQ(comboText(find<QComboBox>("Combo3")), "7 Days");
    EXPECT_EQ(comboText(find<QComboBox>("Combo4")), "MetaTags Only");
    EXPECT_EQ(visiblePanels(), QStringList{"FraInfo"});
    EXPECT_EQ(find<QWidget>("centralwidget")->size(), QSize(654, 363));
}

TEST_F(Form1Test, UnreadableStoreGivesDefaults) {
    window.reset();
    settings.unreadable = true;
    settings.values = {{"Title", "Mine"}, {"Rating", "Mature"}};
    start();
    EXPECT_EQ(find<QLabel>("Label6")->text(), "Headwise");
    EXPECT_EQ(comboText(find<QComboBox>("Combo1")), "General");
}

TEST_F(Form1Test, StoredValuesAreRestoredAsTheyStand) {
    window.reset();
    settings.values = {{"Title", "My Pages"},
                       {"Rating", "Mature"},
                       {"Robots", "x y"},
                       {"Revisit", "45 Days"},
                       {"TagStyle", "Web Page"}};
    start();
    EXPECT_EQ(find<QLabel>("Label6")->text(), "My Pages");
    EXPECT_EQ(comboText(find<QComboBox>("Combo1")), "Mature");
    EXPECT_EQ(comboText(find<QComboBox>("Combo2")), "x y");
    EXPECT_EQ(comboText(find<QComboBox>("Combo3")), "45 Days");
    EXPECT_EQ(comboText(find<QComboBox>("Combo4")), "Web Page");
}

TEST_F(Form1Test, CloseWritesTheFiveSettingsInOrder) {
    find<QComboBox>("Combo2")->setCurrentText("");
    window->close();
    EXPECT_EQ(settings.writtenKeys, (QStringList{"Title", "Rating", "Robots", "Revisit", "TagStyle"}));
    EXPECT_EQ(settings.values.value("Robots", "unset"), "");
    EXPECT_EQ(settings.values.value("TagStyle"), "MetaTags Only");
}

TEST_F(Form1Test, ClearedComboWordsSurviveARestart) {
    press("ButtonEx5");
    window->close();
    window.reset();
    start();
    EXPECT_EQ(comboText(find<QComboBox>("Combo1")), "Rating");
    EXPECT_EQ(comboText(find<QComboBox>("Combo2")), "Robots");
    EXPECT_EQ(comboText(find<QComboBox>("Combo3")), "Revisit");
}

TEST(Form1Settings, TypedValueSurvivesCloseAndRestartInARealStore) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Headwise.conf");
    PlatformDoubles doubles;
    {
        QSettingsStore store(file);
        Form1 window(doubles.platform(store));
        auto* revisit = findControl<QComboBox>(&window, "Combo3");
        ASSERT_NE(revisit, nullptr);
        revisit->setFocus();
        revisit->lineEdit()->selectAll();
        QTest::keyClicks(revisit->lineEdit(), "45 Days");
        window.close();
    }
    QSettingsStore store(file);
    Form1 window(doubles.platform(store));
    EXPECT_EQ(findControl<QComboBox>(&window, "Combo3")->currentText(), "45 Days");
}

TEST(Form1Settings, DefaultStoreLivesInTheUsersConfigFolder) {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    {
        QSettingsStore store;
        store.write("Title", "Mine");
    }
    QSettings file(dir.filePath("Headwise/Headwise.conf"), QSettings::IniFormat);
    EXPECT_EQ(file.value("Settings/Title").toString(), "Mine");
}

TEST(Form1Settings, WrongTypesAndDamagedFilesGiveTheFallback) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Headwise.conf");
    writeTestFile(path,
                  "[Settings]\nTitle=a, b\nRating=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x12)\nRobots=NONE\n");
    QSettingsStore store(path);
    EXPECT_EQ(store.read("Title", "Headwise"), "Headwise");
    EXPECT_EQ(store.read("Rating", "General"), "General");
    EXPECT_EQ(store.read("Robots", "ALL"), "NONE");
    EXPECT_EQ(store.read("Revisit", "7 Days"), "7 Days");
}

TEST_F(Form1Test, EveryNavigationPathShowsExactlyOnePanel) {
    struct Step {
        std::function<void()> act;
        const char* shows;
    };
    auto click = [this](const char* name) { return [=, this] { find<QPushButton>(name)->click(); }; };
    auto trigger = [this](const char* name) { return [=, this] { find<QAction>(name)->trigger(); }; };
    auto picture = [this](const char* name) {
        return [=, this] {
            window->mnuIntro_Click();
            QTest::mouseClick(find<QWidget>(name), Qt::LeftButton);
        };
    };
    const Step steps[] = {
        {click("cmdAnalyze"), "FraAnalyze"},   {click("cmdAnalyze"), "FraAnalyze"},
        {click("cmdExtract"), "FraExtract"},   {click("cmdCreate"), "FraCreate"},
        {click("Command4"), "FraExtract"},     {trigger("mnuAnalyze"), "FraAnalyze"},
        {trigger("mnuExtract"), "FraExtract"}, {trigger("mnuCreate"), "FraCreate"},
        {trigger("mnuIntro"), "FraInfo"},      {picture("Image1"), "FraAnalyze"},
        {picture("Image2"), "FraExtract"},     {picture("Image3"), "FraCreate"},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(visiblePanels(), QStringList{step.shows});
    }
}

TEST_F(Form1Test, CaptionsOfMenusButtonsAndIntroduction) {
    const std::pair<const char*, const char*> actions[] = {
        {"mnuAnalyze", "&Analyze a Page"},
        {"mnuExtract", "&Extract Keywords"},
        {"mnuCreate", "&Create Tags"},
        {"mnuExit", "&Exit"},
        {"mnuIntro", "&Introduction"},
        {"mnuContents", "&Contents"},
        {"mnuTellFriend", "&Tell a Friend"},
        {"mnuContact", "C&ontact"},
        {"mnuAbout", "&About"},
    };
    for (const auto& [name, text] : actions) {
        EXPECT_EQ(find<QAction>(name)->text(), text);
        EXPECT_TRUE(find<QAction>(name)->shortcut().isEmpty());
    }
    EXPECT_EQ(find<QMenu>("mnuFile")->title(), "&File");
    EXPECT_EQ(find<QMenu>("mnuHelp")->title(), "&Help");
    const std::pair<const char*, const char*> buttons[] = {{"cmdAnalyze", "&Analyze"},
                                                           {"cmdExtract", "&Extract"},
                                                           {"cmdCreate", "&Create"},
                                                           {"ButtonEx8", "Clo&se"}};
    int previousX = -1;
    for (const auto& [name, text] : buttons) {
        EXPECT_EQ(find<QPushButton>(name)->text(), text);
        EXPECT_GT(find<QPushButton>(name)->x(), previousX);
        previousX = find<QPushButton>(name)->x();
    }
    EXPECT_TRUE(find<QPushButton>("cmdAnalyze")->hasFocus() || !window->isActiveWindow());
    for (const char* picture : {"Image1", "Image2", "Image3"})
        EXPECT_FALSE(find<QLabel>(picture)->pixmap().isNull()) << picture;
    EXPECT_EQ(find<QLabel>("Label12")->text(), "Create and insert your Meta Tags in 3 easy steps");
    EXPECT_TRUE(find<QLabel>("Label15")->text().startsWith(
        "Create using the most critical Tags for high Search Engine placement.  Headwise will"));
    const QFont heading = find<QLabel>("Label6")->font();
    EXPECT_TRUE(heading.bold());
    EXPECT_EQ(heading.pointSize(), 12);
    EXPECT_EQ(find<QLabel>("Label6")->palette().color(QPalette::WindowText), QColor(Qt::blue));
}

TEST_F(Form1Test, ToolsMenuFollowsFileAndOpensTheMailServerDialog) {
    QStringList titles;
    QList<QChar> keys;
    for (QAction* menu : window->menuBar()->actions()) {
        titles << menu->text();
        keys << menu->text().at(menu->text().indexOf(QLatin1Char('&')) + 1).toLower();
    }
    EXPECT_EQ(titles, (QStringList{"&File", "Too&ls", "&Help"}));
    for (const QChar key : keys)
        EXPECT_EQ(keys.count(key), 1) << QString(key).toStdString();
    EXPECT_EQ(find<QMenu>("mnuTools")->title(), "Too&ls");
    EXPECT_TRUE(find<QMenu>("mnuTools")->actions().contains(find<QAction>("mnuMailServer")));
    EXPECT_EQ(find<QAction>("mnuMailServer")->text(), "&Mail Server...");

    QString opened;
    QTimer::singleShot(0, window.get(), [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = modal->objectName() + " " + modal->windowTitle();
            modal->close();
        }
    });
    find<QAction>("mnuMailServer")->trigger();
    EXPECT_EQ(opened, "frmMailServer Mail Server");
}

TEST_F(Form1Test, ExitAndCloseButtonRunTheCloseSequence) {
    for (const char* how : {"mnuExit", "ButtonEx8"}) {
        settings.writtenKeys.clear();
        QWidget other;
        other.show();
        if (QString::fromLatin1(how) == "mnuExit")
            find<QAction>(how)->trigger();
        else
            find<QPushButton>(how)->click();
        EXPECT_FALSE(window->isVisible()) << how;
        EXPECT_FALSE(other.isVisible()) << how; // every window of the program closes
        EXPECT_EQ(settings.writtenKeys.size(), 5) << how;
        window.reset();
        start();
    }
}

TEST_F(Form1Test, ContentsOpensTheHelpPageBesideTheProgram) {
    find<QAction>("mnuContents")->trigger();
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened[0].isLocalFile());
    EXPECT_TRUE(shell.opened[0].toLocalFile().endsWith("/meta_tag_help.htm"));
}

} // namespace

namespace {

TEST_F(Form1Test, AnalyzeAddressIsMirroredIntoTheExtractPanelOnEveryKeystroke) {
    window->cmdAnalyze_Click();
    auto* url = find<QLineEdit>("txtUrl");
    auto* url2 = find<QLineEdit>("txtUrl2");
    url->setFocus();
    const QString typed = QStringLiteral("http://a.b/");
    for (qsizetype i = 0; i < typed.size(); ++i) {
        QTest::keyClick(url, typed[i].toLatin1());
        EXPECT_EQ(url2->text(), typed.left(i + 1));
    }
    url2->setText("other"); // one way only
    EXPECT_EQ(url->text(), typed);
}

} // namespace
