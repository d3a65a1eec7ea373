#pragma once

#include "rates/ratetable.h"

#include <QWidget>

#include <array>
#include <functional>

class CellColumn;
class QAction;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QToolButton;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class TauxState;

constexpr int kVisibleLines = 21;

// The main window "taux": the options on the left, the 21 visible lines of
// the schedule on the right. It shows the application's TauxState and turns
// the user's input into the state's operations.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // What the window asks of the program around it; tests replace these.
    struct Hooks
    {
        std::function<void(int exitCode)> endProgram;
        std::function<void()> beep;
        // Asked before the window's close ends the program: false keeps it
        // running (a statement with unsaved work was kept open).
        std::function<bool()> mayEnd;
    };

    explicit MainWindow(TauxState &state, QWidget *parent = nullptr);

    void setHooks(Hooks hooks);

    // The window's loading: background, version, the rates file, first
    // load. False when the rates file could not be loaded (the user has been
    // told and the program ends).
    bool LoadMainWindow(const QString &ratesPath);

    // Loads the rates file in the selected category and shows the table
    // from the top. A missing or corrupt file is reported and ends the
    // program; the result is then false and the caller must stop.
    bool LoadRatesFile();

    // After a load done elsewhere (the automatic update): shows its failure
    // and ends the program, or shows the new table from the top.
    bool ShowLoadResult(const LoadResult &result);

    // Run when the window is first shown and whenever one of the program's
    // own dialogs closes: reload a rates file changed meanwhile, redraw.
    void ActivateMainWindow();

    void RefreshTable();

    // The start-date field as the user left it, confirmed or not.
    QString typedStartDate() const;

signals:
    void printRequested();
    void copyRequested();
    void updateRequested();
    void calculatorRequested();
    void aboutRequested();
    // "Décompte au jour près…" from the context menu or Ctrl+D.
    void statementRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void buildInstructions();
    void buildOptions();
    void buildTable();
    void buildButtons();
    void placeControls();
    void setKeyboardOrder();
    void connectControls();
    void buildStatementAction();

    void fondjauneclair();
    void showStop(const QString &title, const QString &text);
    void failLoad(const LoadResult &result);
    void focusCell(QLineEdit *cell);
    void syncScrollBar();
    int lineOf(const QObject *cell) const;
    bool isTableCell(const QObject *watched) const;

    // The handlers: each hands the event to the state, then redraws.
    void ConfirmStartDate();
    void EnterAmount(int line);
    void CheckAmountOnLeave(int line);
    void ConfirmCapitalMonth();
    void NormaliseCapitalisationMonth();
    void ChangeCategory(RateCategory category);
    void Scroll(int firstRow);
    // Up, Down, Page Up and Page Down in a sum cell: the focus moves by
    // `rows` as in a spreadsheet and the view follows it.
    void MoveCellFocus(int line, int rows);

    TauxState &m_state;
    Hooks m_hooks;
    bool m_gradient = false; // drawn once the window is loaded
    bool m_ended = false;
    bool m_movingFocus = false;

    QLineEdit *m_date = nullptr;
    QLineEdit *m_capitalMonth = nullptr;
    QCheckBox *m_majore = nullptr;
    QCheckBox *m_anatocisme = nullptr;
    std::array<QRadioButton *, 2> m_perso{};
    std::array<QRadioButton *, 4> m_coeff{};
    CellColumn *m_months = nullptr;
    CellColumn *m_rates = nullptr;
    std::array<QLineEdit *, kVisibleLines> m_sums{};
    std::array<bool, kVisibleLines> m_marked{};
    QScrollBar *m_bar = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_copyright = nullptr;
    QLabel *m_monthHeading = nullptr;
    QToolButton *m_print = nullptr;
    QToolButton *m_copy = nullptr;
    QToolButton *m_calculator = nullptr;
    QPushButton *m_update = nullptr;
    QList<QGroupBox *> m_frames;
    QAction *m_statementAction = nullptr;
};
