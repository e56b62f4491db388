#pragma once

#include "core/audit/engine/pagecheck.h"
#include "core/page/pagecodec.h"
#include "core/page/pagereport.h"
#include "core/page/tagscanner.h"
#include "net/pagefetcher.h"
#include "platform/platform.h"
#include "ui/job.h"
#include "ui/pageloader.h"

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
    // The address field's text.
    QString address() const;
    // Cancels every job of the panel; nothing of them arrives afterwards.
    void cancelWork();
    PageSnapshot pageSnapshot() const;
    // pageSnapshot() in two halves: the box's text is only copied here, and
    // the snapshot is made when the result is called, on any thread.
    std::function<PageSnapshot()> pageSnapshotSource() const;
    // Selects length characters from position (counted as in PageSnapshot::text),
    // scrolls to them and asks for the panel to be shown.
    void selectInPage(qsizetype position, qsizetype length);
    // Makes the edits (sorted, positions as in PageSnapshot::text) as one step
    // that one undo takes back.
    void editPage(const QList<TextEdit>& edits);
    // Loads a page file or fetches an address as the user would with the
    // panel's own controls, then runs then once the page is in the box.
    void openPage(const QString& fileOrAddress, std::function<void()> then);

public slots:
    // "Insert Tags" of the Create panel: the block goes in at the insertion
    // point, then the listing and the report run again.
    void insertTagBlock(const QString& crlfBlock);

    void txtGetSrc_Click();
    void cmdFile_Click();
    void Timer1_Timer();
    void cmdSave_Click();
    void cmdCut_Click();

    // An unclosed "<meta" ends the listing there.
    void listMetaTags();
    void reportMissingTags();
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

    // A large page being put into the box one piece per turn of the event loop.
    struct PageFill {
        QString lf;
        QString crlf;
        qsizetype end = 0;     // of the text in the box so far
        quint64 version = 0;   // of the box after the last piece
        bool edited = false;   // by the panel's own buttons between pieces
        bool readOnly = false; // as the box was before the fill
        std::function<void()> then;
    };

    // Fetches the address into the box, then lists and reports; then after that.
    void fetchPage(const QString& url, std::function<void()> then);
    void Text_Change();
    void txtUrl_Change(const QString& text);
    void resultBox_Change(const ResultRow& row);
    void runScanner(ScannedTag tag);
    const ResultRow& rowFor(ScannedTag tag) const;
    // The page box takes a large page in pieces, painting between them, as
    // steps of the load job; then runs once the whole page is in.
    void setPage(const QString& lfText, const QString& crlfText, std::function<void()> then);
    void fillNextPiece();
    // Gives the box back its read-only state and its undo after a fill.
    void endFill();
    // Reads the file as the file job; once it is read, the page replaces the
    // box's as the load job, then runs.
    void openPageFile(const QString& path, std::function<void()> then);
    // work(page) as the given job, on the box's CR LF text; done(result) on
    // the GUI thread, for the text the box holds then.
    template <typename Work, typename Done> void onPageText(Job& job, Work work, Done done);
    void showListing(const MetaTagListing& listing);
    // The report's boxes from next on, one per step of the job.
    void showReport(Job& job, const QList<TagReport>& tags, qsizetype next);
    // The listing and the report of the six tags after a load or an insertion.
    void listAndReport();
    // Puts the caret, with nothing selected, at a position of the editor and inserts there.
    void insertAt(qsizetype editorPosition, const QString& crlfText);

    std::unique_ptr<Ui::AnalyzePanel> ui_;
    PageLoader* loader_;
    Job* loadJob_; // the load, the fill of the box, and the listing and report after it
    Job* fileJob_; // reading a page file, which cancels the load only once read
    Job* scanJob_; // a scan button, the listing or the report run on their own
    PageFill fill_;
    std::array<ResultRow, 6> rows_;
    // The page box's CR LF text, built once per change: the scanners all read it.
    mutable std::optional<QString> pageCache_;
    // Counts the box's changes, so that a text built off the GUI thread is
    // not kept for a box that changed meanwhile.
    quint64 pageVersion_ = 0;
    DecodedPage loaded_;
    FetchedPage served_; // the server's answer without its page, for a fetched page
    bool pageFromWeb_ = false;
    QString address_;
};

} // namespace headwise
