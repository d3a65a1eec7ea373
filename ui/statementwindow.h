#pragma once

#include "output/statementexport.h"
#include "output/titleexport.h"
#include "rates/ecbtable.h"
#include "rates/ratetable.h"
#include "schedule/editedstatement.h"
#include "schedule/statement.h"
#include "schedule/titledraft.h"
#include "update/updatenow.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class StatementWindow;
}

class DateField;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

// The statement of interest to the day: the inputs on top, the lines and
// the totals below, computed again at every change. It reads its own copy
// of the rates file, so nothing done here touches the main window.
class StatementWindow : public QWidget
{
    Q_OBJECT
public:
    // What the window asks of the desktop; tests replace these.
    struct Hooks
    {
        std::function<QString(QWidget *parent, const QString &caption, const QString &suggestedName,
                              const QString &filter)>
            saveFileName;
        std::function<QString(QWidget *parent, const QString &caption, const QString &filter)>
            openFileName;
        // The date a statement is made on, and the default end date.
        std::function<QDate()> today;
        // Downloads the rates now into the given file (see update/updatenow.h).
        std::function<RatesUpdateOutcome(QWidget *parent, const QString &ratesPath)> updateRates;
        // The form that adds the next half-year by hand; true when one was added.
        std::function<bool(QWidget *parent, const QString &ratesPath)> addHalfYear;
        // Whether to open that form, after a download that brought nothing.
        std::function<bool(QWidget *parent, const QString &message)> offerHandEntry;
    };

    explicit StatementWindow(const QString &ratesPath,
                             const QLocale &locale = QLocale(QLocale::French, QLocale::France),
                             QWidget *parent = nullptr);

    ~StatementWindow() override;

    void setHooks(Hooks hooks);
    QDate today() const { return m_hooks.today(); }
    // The settings file that keeps the recent statements of "Ouvrir"'s menu;
    // none, no list.
    void setSettingsFile(const QString &iniPath);
    // A title that takes longer than this to show (40 ms unless set) is
    // computed again only once the typing pauses.
    void setSlowTitle(qint64 milliseconds) { m_slowTitleMs = milliseconds; }

    // Reads the rates file in the chosen category. A failure is shown in
    // the window and returned, so a program that has nothing else to show
    // can say it and end.
    LoadResult LoadRates();
    // After the update dialog or when the window comes back to the front;
    // the ECB's table too.
    void ReloadRatesIfChanged();

    // Fills every input (an invalid date keeps the one shown, a capital of
    // 0 leaves the field empty) and computes once: a new statement, with
    // nothing to save yet.
    void setInputs(const StatementInput &input, RateCategory category);
    // The statement being edited: its file and whether it changed.
    const EditedStatement &edited() const { return m_edited; }
    RateCategory category() const;

    // The last computation; empty while an input is wrong or missing.
    const StatementResult &result() const { return m_result; }
    // What the exports and the print-out are made from; only meaningful
    // while result() holds a statement.
    StatementDocument document() const;
    // The title being shown, when it holds more than one capital (several
    // claims, costs, a payment naming a claim…): what the exports and the
    // print-out are then made from. Empty otherwise.
    const std::optional<TitleStatement> &title() const { return m_title; }
    TitleDocument titleDocument() const;
    // The title as the form holds it, every field as typed.
    const TitleDraft &draft() const { return m_draft; }

    // The buttons' handlers; the exports, Save and Open ask for their file
    // first.
    void Print();
    void ExportPdf();
    void ExportCsv();
    void Copy();
    // To the file the statement came from, else as SaveAs(); true once
    // written.
    bool Save();
    bool SaveAs();
    void Open();
    // Reads a saved statement; a refused file is said in a message box.
    // Unsaved changes are asked about first.
    bool OpenFile(const QString &path);
    // Asks "Enregistrer les modifications du décompte ?" when there is
    // unsaved work, and saves when told to. True when the window may go.
    bool MayClose();

signals:
    // The missing-rate error's button: the program shows its update dialog.
    void updateRequested();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    // From 1 January of this year to today.
    void setDefaultDates();
    void connectInputs();
    void addPayment();
    // The payments' table filled from the input, and read back: the
    // payments that read, the first reason one does not under the table.
    void fillPayments(const QList<Payment> &payments);
    void readPayments(QList<Payment> *payments, bool *readable);
    // A date field read for the statement; the reason under it when it
    // does not read.
    std::optional<QDate> readDate(const DateField *field, QLabel *error, bool *readable);
    // "300" shows as "300,00" once the field is left.
    void tidyPrincipal();
    void removePayment();

    // The claims, costs and title terms (statementclaims.cpp).
    void buildTitleParts();
    // The form's fields into the draft: the claim shown, the title's
    // terms, the costs and payments.
    void syncDraft();
    void storeClaim();
    void showClaim(int index);
    void refreshClaimList();
    void addClaim();
    void removeClaim();
    void moveClaim(int step);
    // The payments' claims, as a draft of every row, and back.
    QList<PaymentDraft> paymentRowsClaims() const;
    void setPaymentClaims(const QList<PaymentDraft> &rows);
    void addCost();
    void removeCost();
    void fillCosts(const QList<CostDraft> &costs);
    void fillTitleForm(const TitleDraft &draft);
    void resetTitleParts();
    void updateDerivedMajoration();
    void updateClaimFields();
    void recomputeTitle();
    void showTitleError(const TitleError &error);
    void showTitle(const TitleStatement &statement);
    void updateRatesNow();
    void readEcbTable();
    void warnNotWritten(const QString &path);
    // The inputs as typed; nothing when one cannot be read, the reason
    // being shown under it. `missing` is set when the capital is empty.
    std::optional<StatementInput> readInputs(bool *missing);
    void clearErrors();
    void Recompute();
    // A field changed: computed now, or after a pause in the typing when
    // the title is one that takes long to show.
    void inputChanged();
    // What waits for that pause is computed now: before an export, a save.
    void settle();
    // Whether the rates file read; when not, says so in place of a result.
    bool ratesReadable();
    void showError(const StatementError &error);
    void showStatement(const Statement &statement);
    void clearResult(const QString &hint);
    // Accrued, paid, capital and interest, then what is owed or, below
    // zero, the debtor's credit; `totalText` words the last when given.
    void showTotals(const std::array<Cents, 4> &ran, Cents total, const QString &totalText);
    // The missing rate's actions when a newer file would cure it; the
    // label the error goes under.
    QLabel *showMissingRate(const QDate &missingMonth, bool ecb = false);
    // The form as it stands becomes the new statement's, unchanged.
    void startAfresh();
    void fillForm(const StatementInput &input, RateCategory category,
                  const CaseFields &caseFields = {});
    CaseFields caseFields() const;
    void updateTitle();
    void fillRecentMenu();
    void noteRecent(const QString &path);
    void setExportsEnabled(bool on);
    void fitLineColumns();
    // Side by side, captions beside their fields and buttons in one row
    // while the width allows, stacked below that.
    void arrange(int width);
    // The width beside what scrolls that is not the parts' own.
    int sideRoom() const;
    void placeInputs(bool stacked);
    void placeTotals(bool stacked);
    QString fileFor(const QString &caption, const QString &suggested, const QString &filter);
    bool writeExport(const QString &path, const QByteArray &bytes);

    QString m_ratesPath;
    QLocale m_locale;
    Hooks m_hooks;
    RateTable m_table;
    std::optional<LoadResult> m_load;
    EcbRead m_ecb; // the ECB's rates beside the rates file
    QString m_ecbPath;
    QDateTime m_ecbTime;       // its time stamp when read; invalid when it was missing
    bool m_missingEcb = false; // the rate missing is the ECB table's
    StatementInput m_input;
    StatementResult m_result;
    TitleDraft m_draft;
    int m_claim = 0;                   // the claim the fields show
    QString m_shownCapitalisationFrom; // as showClaim() put it in its field
    std::optional<TitleInput> m_titleInput;
    std::optional<TitleStatement> m_title;
    // Opened from a file of several claims: saved as one again.
    bool m_savesTitle = false;
    // The table rows of the costs and payments the draft holds.
    QList<int> m_costRows;
    QList<int> m_titlePaymentRows;
    // What the result table shows of a title, to change only what changed.
    struct ShownRow
    {
        QStringList cells;
        QList<bool> right; // which cells line up on the right
        bool across = false;
        bool bold = false;
    };
    QList<ShownRow> m_shownRows;
    bool m_rowHeightsStale = false; // a sentence or heading changed since they were set
    // A title that took longer than this to show waits for the typing to
    // pause this long.
    qint64 m_slowTitleMs = 40;
    static constexpr int kTitlePause = 150;
    qint64 m_lastTitleMs = 0;
    bool m_draftIsOneCapital = true;
    QTimer m_pendingTitle;
    EditedStatement m_edited;
    std::unique_ptr<Ui::StatementWindow> m_ui;
    QString m_iniPath;
    bool m_filling = false;

    // The form; the narrow window stacks what stands side by side in a
    // wide one.
    struct InputRow
    {
        QWidget *caption;
        QWidget *field;
        QLabel *error;
    };
    QList<InputRow> m_inputRows;
    // The inputs' width with their captions beside them.
    int m_inputsWidth = 0;
    bool m_stacked = false;
    QList<QObject *> m_wheelGuarded;
    // The table row of each payment read, by its place in the input.
    QList<int> m_paymentRows;
    // Accrued, paid, capital, interest, credit, total.
    std::array<QLabel *, 6> m_totals{};
    std::array<QLabel *, 6> m_totalCaptions{};
    QDate m_stopDay;
    QList<QPushButton *> m_exports;
    // Créancier, débiteur, référence, titre exécutoire.
    std::array<QLineEdit *, 4> m_caseFields{};
    QMenu *m_recent = nullptr;
};
