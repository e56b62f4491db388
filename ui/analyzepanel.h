#pragma once

#include "pagecheck.h"
#include "pagecodec.h"
#include "pagefetcher.h"
#include "pageloader.h"
#include "platform.h"
#include "tagscanner.h"

#include <QGroupBox>
#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class AnalyzePanel;
}
class QLineEdit;
class QPlainTextEdit;

namespace headwise {

class BackgroundWork;

// The Analyze panel: loads a page from a file or the web into the page box
// Text, reports the six tags, and edits and saves the page.
class AnalyzePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit AnalyzePanel(QWidget* parent = nullptr);
    ~AnalyzePanel() override;

    // Message boxes, dialogs and the fetch; the panel does nothing outward before this.
    void setPlatform(const Platform& platform);

    bool hasPage() const;
    // The page with CR LF line breaks, whatever the editor holds.
    QString pageText() const;
    // How the page was stored, so a save writes it back the same way.
    const PageEncoding& pageEncoding() const { return loaded_.encoding; }
    // The address field's text, and whether the page came from the web.
    QString address() const;
    bool pageFetched() const { return pageFromWeb_; }
    // Drops whatever the panel is waiting for; the window is closing.
    void abandonWork();
    PageSnapshot pageSnapshot() const;
    // pageSnapshot() in two halves: the box's text is only copied here, and
    // the snapshot is made when the result is called, on any thread.
    std::function<PageSnapshot()> pageSnapshotSource() const;
    // Selects length characters from position (counted as in PageSnapshot::text),
    // scrolls to them and asks for the panel to be shown.
    void selectInPage(qsizetype position, qsizetype length);

public slots:
    // "Insert Tags" of the Create panel: the block goes in at the insertion
    // point, then the listing and the report run again.
    void insertTagBlock(const QString& crlfBlock);

    void txtGetSrc_Click();
    void cmdFile_Click();
    void Timer1_Timer();
    void cmdSave_Click();
    void cmdCut_Click();

    // Ends in failure (false) at a "<meta" that is never closed.
    bool ListMetaTags();
    void ReportMissingTags();
    void cmdTitle_Click() { runScanner(ScannedTag::Title); }
    void cmdKeywords_Click() { runScanner(ScannedTag::Keywords); }
    void cmdDesc_Click() { runScanner(ScannedTag::Description); }
    void cmdRobots_Click() { runScanner(ScannedTag::Robots); }
    void cmdRating_Click() { runScanner(ScannedTag::Rating); }
    void cmdRevisit_Click() { runScanner(ScannedTag::Revisit); }

    void cmdInsert_Click(); // "Insert-Scan"
    void Command2_Click();  // "Replace"
    void Command1_Click();  // "Temp"

signals:
    // Every change of txtUrl; the Extract panel's address field follows it.
    void urlChanged(const QString& text);
    // Every change of the page box.
    void pageTextChanged(bool hasPage);
    // selectInPage wants the panel in front.
    void showRequested();
    // Every change of the page box: a load, a fetch, an insertion, an edit.
    void pageChanged();

private:
    struct ResultRow {
        ScannedTag tag;
        QWidget* box; // QLineEdit for the title, QPlainTextEdit otherwise
        QLineEdit* counter;
    };

    void Text_Change();
    void txtUrl_Change(const QString& text);
    void resultBox_Change(const ResultRow& row);
    // False when newer work superseded it before the result was shown.
    bool runScanner(ScannedTag tag);
    const ResultRow& rowFor(ScannedTag tag) const;
    // The page box takes a large page in pieces, painting between them;
    // false when newer work superseded the filling.
    bool setPage(const QString& lfText, const QString& crlfText);
    bool loadPageFile(const QString& path);
    // pageText() for the long steps: the text is built off the GUI thread from
    // a copy of the box's raw text; nothing when newer work superseded the wait.
    std::optional<QString> pageTextForWork();
    // work(page) off the GUI thread on the box's CR LF text, again when the
    // box changed meanwhile, so that what is shown belongs to the text shown.
    template <typename Work>
    auto onPageText(Work work) -> std::optional<std::invoke_result_t<Work, const QString&>>;
    void listAndReport();
    // Puts the caret, with nothing selected, at a position of the editor and inserts there.
    void insertAt(qsizetype editorPosition, const QString& crlfText);

    std::unique_ptr<Ui::AnalyzePanel> ui;
    PageLoader* loader_;
    BackgroundWork* work_;
    std::array<ResultRow, 6> rows_;
    // The page box's CR LF text, built once per change: the scanners all read it.
    mutable std::optional<QString> pageCache_;
    // Counts the box's changes, so that a text built during a wait is not
    // kept for a box that changed meanwhile.
    quint64 pageVersion_ = 0;
    DecodedPage loaded_;
    FetchedPage served_; // the server's answer without its page, for a fetched page
    bool pageFromWeb_ = false;
    QString address_;
};

} // namespace headwise
