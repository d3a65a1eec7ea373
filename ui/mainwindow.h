#pragma once

#include "rates/ratetable.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class TauxState;

constexpr int kVisibleLines = 21;

// The main window "taux": the options on the left, the 21 visible lines of
// the schedule on the right. It works on the application's TauxState and
// reads the capitalisation switch, the capitalisation month and the rate
// category from its own controls when a computation or a load needs them.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // What the window asks of the program around it; tests replace these.
    struct Hooks
    {
        std::function<void(int exitCode)> endProgram;
        std::function<void()> beep;
    };

    explicit MainWindow(TauxState &state, QWidget *parent = nullptr);

    void setHooks(Hooks hooks);

    // The window's loading: background, version, rates path from the
    // command-line text, coefficient 1, first load. False when the rates
    // file could not be loaded (the user has been told).
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
    void Recompute();
    void ChangeCategory();
    void ConfirmStartDate();
    void SelectStartMonth(const QDateTime &startDate);
    void EnterAmount(int line);
    void CheckAmountOnLeave(int line);
    void NormaliseCapitalisationMonth();

    RateCategory category() const;
    bool capitalise() const;
    QString capitalMonth() const;

    // Every caption with the box it must fit in and its text flags, so a
    // test can check that none is clipped in the font in use.
    struct Caption
    {
        QString name;
        QString text;
        QRect box;
        int flags;
        QFont font;
    };
    QList<Caption> captions() const;

signals:
    void printRequested();
    void copyRequested();
    void updateRequested();
    void calculatorRequested();
    void aboutRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void fondjauneclair();
    void showStop(const QString &title, const QString &text);
    void failLoad(const LoadResult &result);
    void focusCell(QLineEdit *cell);
    void syncScrollBar();
    int lineOf(const QObject *cell) const;

    TauxState &m_state;
    Hooks m_hooks;
    QImage m_background;
    bool m_ended = false;
    bool m_movingFocus = false;

    QLineEdit *m_date = nullptr;
    QLineEdit *m_capitalMonth = nullptr;
    QCheckBox *m_majore = nullptr;
    QCheckBox *m_anatocisme = nullptr;
    std::array<QRadioButton *, 2> m_perso{};
    std::array<QRadioButton *, 4> m_coeff{};
    std::array<QLabel *, kVisibleLines> m_months{};
    std::array<QLabel *, kVisibleLines> m_rates{};
    std::array<QLineEdit *, kVisibleLines> m_sums{};
    std::array<bool, kVisibleLines> m_marked{};
    QScrollBar *m_bar = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_copyright = nullptr;
    QLabel *m_monthHeading = nullptr;
};
