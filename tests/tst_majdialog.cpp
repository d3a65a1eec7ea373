#include "modalguard.h"
#include "publicationserver.h"
#include "schedule/tauxstate.h"
#include "testfiles.h"
#include "update/majdialog.h"
#include "update/updatenow.h"
#include "update/windowhooks.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

class TestMajDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsTheRecord();
    void saves_data();
    void saves();
    void closesWithoutSaving_data();
    void closesWithoutSaving();
    void tabOrder();
    void manualUpdateOnlySignals();
    void placesOfTheDesign_data();
    void placesOfTheDesign();
    void hourglassDuringTheDownload();
    void updateNowAndByHand_data();
    void updateNowAndByHand();
    void byHandRefusedOrCancelled_data();
    void byHandRefusedOrCancelled();
    void byHandWithoutRatesFileSaysSo();
    void refusesAddressOutsideCodePage_data();
    void refusesAddressOutsideCodePage();

    void halfYearForm_data();
    void halfYearForm();
    void downloadCanBeCancelled();
    void updateNowSaysWhetherItAdded_data();
    void updateNowSaysWhetherItAdded();
    void byHandKeepsToTheClock_data();
    void byHandKeepsToTheClock();

private:
    template <typename T> T *child(const char *name) const
    {
        T *widget = m_dialog->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    void openDialog();
    void editFields();
    void trigger(const QString &how);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
    UpdateSettings m_settings;
    std::unique_ptr<MajDialog> m_dialog;
    std::unique_ptr<ModalGuard> m_guard;
    QStringList m_unexpected;
    std::function<void(QDialog *)> m_onModal; // a test's own dialog
};

void TestMajDialog::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    // Fails the test, instead of hanging it, when some other modal window
    // (a message box) opens.
    // The progress of "Mettre à jour maintenant" is left to run.
    m_guard = std::make_unique<ModalGuard>(
        [this](QDialog *modal) {
            if (m_onModal)
                m_onModal(modal);
            else
                m_unexpected.append(modal->metaObject()->className());
        },
        [this](QDialog *modal) {
            return modal != m_dialog.get() && modal->objectName() != u"telechargement";
        });
}

void TestMajDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = SettingsFilePath(m_dir->path());
    m_settings = {QStringLiteral("http://a/QUERDAN.TXT"), true, false};
    m_dialog = std::make_unique<MajDialog>(m_settings, m_ini);
    m_unexpected.clear();
    m_onModal = nullptr;
}

void TestMajDialog::cleanup()
{
    m_dialog.reset();
    QVERIFY2(m_unexpected.isEmpty(), qPrintable(m_unexpected.join(u',')));
}

void TestMajDialog::openDialog()
{
    m_dialog->open();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    m_dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void TestMajDialog::editFields()
{
    auto *ftp = child<QLineEdit>("ftp");
    ftp->selectAll();
    QTest::keyClicks(ftp, QStringLiteral("http://b/x"));
    child<QCheckBox>("CheckMaj")->click();
    child<QCheckBox>("Checkconnection")->click();
}

void TestMajDialog::trigger(const QString &how)
{
    if (how == u"key Enter") {
        child<QLineEdit>("ftp")->setFocus();
        QTest::keyClick(child<QLineEdit>("ftp"), Qt::Key_Return);
    } else if (how == u"key Escape") {
        QTest::keyClick(child<QLineEdit>("ftp"), Qt::Key_Escape);
    } else if (how == u"title-bar close") {
        m_dialog->close();
    } else {
        // A click on a named control, button or picture.
        QWidget *target = child<QWidget>(qPrintable(how));
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(5, 5));
    }
}

void TestMajDialog::showsTheRecord()
{
    openDialog();
    QCOMPARE(child<QLineEdit>("ftp")->text(), QStringLiteral("http://a/QUERDAN.TXT"));
    QCOMPARE(child<QCheckBox>("Checkconnection")->isChecked(), true);
    QCOMPARE(child<QCheckBox>("CheckMaj")->isChecked(), false);
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Mise à jour des taux légaux"));
}

void TestMajDialog::saves_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Ok button") << QStringLiteral("Valider");
    QTest::newRow("Enter in the address field") << QStringLiteral("key Enter");
    QTest::newRow("green tick") << QStringLiteral("Picture2");
}

void TestMajDialog::saves()
{
    QFETCH(QString, how);
    openDialog();
    editFields();
    trigger(how);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    const UpdateSettings saved = LoadUpdateSettings(m_ini);
    QCOMPARE(saved.address, QStringLiteral("http://b/x"));
    QCOMPARE(saved.autoUpdate, true);
    QCOMPARE(saved.testConnection, false);
}

void TestMajDialog::closesWithoutSaving_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Annuler button") << QStringLiteral("Annuler");
    QTest::newRow("Escape") << QStringLiteral("key Escape");
    QTest::newRow("red cross") << QStringLiteral("Picture1");
    QTest::newRow("title-bar close") << QStringLiteral("title-bar close");
}

void TestMajDialog::closesWithoutSaving()
{
    QFETCH(QString, how);
    openDialog();
    editFields();
    trigger(how);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(m_ini));

    // The edits stay in the record for the rest of the run, and the next
    // opening shows them.
    QCOMPARE(m_settings.address, QStringLiteral("http://b/x"));
    QCOMPARE(m_settings.autoUpdate, true);
    QCOMPARE(m_settings.testConnection, false);
    openDialog();
    QCOMPARE(child<QLineEdit>("ftp")->text(), QStringLiteral("http://b/x"));
    QCOMPARE(child<QCheckBox>("CheckMaj")->isChecked(), true);
    QCOMPARE(child<QCheckBox>("Checkconnection")->isChecked(), false);

    // A later Ok writes what the fields hold.
    trigger(QStringLiteral("Valider"));
    QCOMPARE(LoadUpdateSettings(m_ini).address, QStringLiteral("http://b/x"));
}

void TestMajDialog::tabOrder()
{
    openDialog();
    child<QWidget>("Boutonmanuel")->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    const QStringList expected{
        "Boutonmanuel",  "CheckMaj",        "Picture1", "Annuler", "ftp",         "Checkconnection",
        "MajMaintenant", "AjouterSemestre", "Picture2", "Valider", "Boutonmanuel"};
    QCOMPARE(order, expected);
}

void TestMajDialog::manualUpdateOnlySignals()
{
    openDialog();
    QSignalSpy spy(m_dialog.get(), &MajDialog::manualUpdateRequested);
    QTest::mouseClick(child<QPushButton>("Boutonmanuel"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!QFile::exists(m_ini));
}

void TestMajDialog::placesOfTheDesign_data()
{
    // Left, top, width and height in twips, as the design gives them.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Boutonmanuel") << "Boutonmanuel" << QRect(120, 120, 5175, 435);
    QTest::newRow("Line1 from 120 to 5280, both ends drawn")
        << "Line1" << QRect(120, 660, 5175, 15);
    QTest::newRow("CheckMaj") << "CheckMaj" << QRect(120, 720, 4335, 255);
    QTest::newRow("Image1") << "Image1" << QRect(4860, 720, 435, 435);
    QTest::newRow("Label1") << "Label1" << QRect(120, 1020, 5115, 1155);
    QTest::newRow("Label2") << "Label2" << QRect(120, 2070, 795, 435);
    QTest::newRow("ftp") << "ftp" << QRect(840, 2100, 4455, 285);
    QTest::newRow("Checkconnection") << "Checkconnection" << QRect(120, 2520, 3075, 255);
    // The update at once and by hand sit between the settings and the two
    // buttons, which move down by 196 pixels (2940 twips).
    QTest::newRow("MajMaintenant") << "MajMaintenant" << QRect(120, 2970, 2550, 375);
    QTest::newRow("AjouterSemestre") << "AjouterSemestre" << QRect(2745, 2970, 2550, 375);
    QTest::newRow("Valider") << "Valider" << QRect(120, 5880, 1455, 375);
    QTest::newRow("Picture2 over Valider") << "Picture2" << QRect(180, 5910, 305, 305);
    QTest::newRow("Annuler") << "Annuler" << QRect(3840, 5880, 1455, 375);
    QTest::newRow("Picture1 over Annuler") << "Picture1" << QRect(3900, 5970, 210, 210);
}

void TestMajDialog::placesOfTheDesign()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    // 15 twips to the pixel at 96 dots per inch.
    const QRect pixels(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    QCOMPARE(child<QWidget>(qPrintable(name))->geometry(), pixels);
    QCOMPARE(m_dialog->size(), QSize(359, 422));
}

void TestMajDialog::hourglassDuringTheDownload()
{
    QTemporaryDir dir;
    TauxState state;
    state.setRatesFile(dir.filePath(QStringLiteral("QUERDAN.TXT")));
    QVERIFY(writeFile(state.table().filePath, "2016\t1\r\n"));
    QVERIFY(state.LoadRatesFile().ok());

    UpdateHooks hooks = WindowUpdateHooks();
    hooks.isConnected = [] { return true; };
    int shape = -1;
    hooks.download = [&](const QString &) {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        shape = cursor ? int(cursor->shape()) : -1;
        return QByteArray();
    };
    RunAutomaticUpdate(state, {QStringLiteral("http://h/x"), true, true}, QDate(2017, 1, 2), hooks);
    QCOMPARE(shape, int(Qt::WaitCursor));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestMajDialog::updateNowAndByHand_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("newest"); // the table's first row, "*" when in bold
    // The ECB's answer, with its table beside the rates; none when empty.
    QTest::addColumn<QByteArray>("ecb");

    const QByteArray fiche2026 = fiche({"2026 2 2.94 6.31", "2026 1 2.62 6.67"});
    QTest::newRow("update now, a new half-year")
        << "MajMaintenant" << http("200 OK", fiche2026)
        << "Taux ajouté : 2e semestre 2026 : 2,94 % (autres cas), 6,31 % (particuliers)."
        << "2e semestre 2026|2,94 %|6,31 %*" << QByteArray();
    QTest::newRow("update now, nothing new but at the ECB")
        << "MajMaintenant" << http("200 OK", fiche({"2026 1 2.62 6.67"}))
        << "Les taux sont à jour : le fichier va jusqu'au 1er semestre 2026 et la publication "
           "n'a rien de plus récent.\nTaux de la BCE : ajouté 1,90 % au 04/02/2026, tableau "
           "confirmé jusqu'au 08/12/2026."
        << "1er semestre 2026|2,62 %|6,67 %"
        << http("200 OK", "TIME_PERIOD,OBS_VALUE\r\n2025-06-11,2.15\r\n2026-02-04,1.90\r\n");
    QTest::newRow("update now, nothing new")
        << "MajMaintenant" << http("200 OK", fiche({"2026 1 2.62 6.67"}))
        << "Les taux sont à jour : le fichier va jusqu'au 1er semestre 2026 et la publication "
           "n'a rien de plus récent."
        << "1er semestre 2026|2,62 %|6,67 %" << QByteArray();
    QTest::newRow("update now, no server")
        << "MajMaintenant" << QByteArray()
        << "Mise à jour impossible : pas de connexion au serveur (le serveur refuse la "
           "connexion)."
        << "1er semestre 2026|2,62 %|6,67 %" << QByteArray();
    QTest::newRow("update now, 900 KB of the server's text cut to a line")
        << "MajMaintenant"
        << http("200 OK",
                fiche({"2026 2 2.94 6.31"}).replace(">2026<", ">" + QByteArray(900000, 'X') + "<"))
        << "Mise à jour impossible : la publication n'a pas la forme attendue : ligne 1 du "
           "tableau : « " +
               QString(199, u'X') +
               "… » n'est pas une année de 1975 à 2100. Ajoutez le semestre à la main (« Ajouter "
               "un semestre… »)."
        << "1er semestre 2026|2,62 %|6,67 %" << QByteArray();
    QTest::newRow("by hand") << "AjouterSemestre" << QByteArray()
                             << "Taux ajouté : 2e semestre 2026 : 2,94 % (autres cas), 6,31 % "
                                "(particuliers)."
                             << "2e semestre 2026|2,94 %|6,31 %*" << QByteArray();
}

void TestMajDialog::updateNowAndByHand()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, response);
    QFETCH(QString, said);
    QFETCH(QString, newest);
    QFETCH(QByteArray, ecb);

    const QString rates = m_dir->filePath(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(writeFile(rates, "1S2026\t2.62\t6.67\r\n2S2025\t2.76\t6.65\r\n"));
    const QString ecbTable = m_dir->filePath(QStringLiteral("TAUXBCE.TXT"));
    if (!ecb.isEmpty())
        QVERIFY(writeFile(ecbTable, "confirme-jusqu-au\t2026-01-01\n2025-06-11\t2.15\n"));
    Server server(response);
    Server ecbServer(ecb);
    m_settings.address = response.isEmpty() ? QStringLiteral("http://127.0.0.1:1/x") : server.url();
    m_settings.ecbAddress = ecbServer.url();
    m_dialog->setClock([] { return QDate(2026, 12, 8); });
    QString form;
    m_onModal = [&](QDialog *modal) {
        form = modal->findChild<QLabel *>(QStringLiteral("semestre"))->text();
        // The examples the fields show are rates the form takes.
        for (const char *name : {"autres", "particuliers"}) {
            auto *field = modal->findChild<QLineEdit *>(QLatin1String(name));
            QTest::keyClicks(field, field->placeholderText());
        }
        modal->findChild<QPushButton *>(QStringLiteral("ajouter"))->click();
    };
    m_dialog->setRatesFile(rates);
    openDialog();
    QSignalSpy changed(m_dialog.get(), &MajDialog::ratesFileChanged);
    child<QPushButton>(qPrintable(button))->click();
    QVERIFY2(child<QLabel>("Resultat")->text().startsWith(said),
             qPrintable(child<QLabel>("Resultat")->text()));
    QCOMPARE(form, button == u"AjouterSemestre" ? QStringLiteral("2e semestre 2026") : QString());
    auto *table = child<QTableWidget>("Derniers");
    QCOMPARE(table->item(0, 0)->text() + u'|' + table->item(0, 1)->text() + u'|' +
                 table->item(0, 2)->text() + (table->item(0, 2)->font().bold() ? "*" : ""),
             newest);
    QCOMPARE(changed.count(), newest.endsWith(u'*') ? 1 : 0);
    QVERIFY(!QGuiApplication::overrideCursor());
    if (!ecb.isEmpty())
        QCOMPARE(readFile(ecbTable),
                 "confirme-jusqu-au\t2026-12-08\n2025-06-11\t2.15\n2026-02-04\t1.90\n");
}

void TestMajDialog::byHandRefusedOrCancelled_data()
{
    QTest::addColumn<QString>("autres"); // typed in the form; empty: the form is cancelled
    QTest::addColumn<bool>("ratesFile");
    QTest::addColumn<QString>("formSaid"); // the form's red line before it is cancelled
    QTest::addColumn<QString>("said");     // the dialog's result line

    QTest::newRow("a rate that does not read stays in the form")
        << "2,9x" << true << "« 2,9x » n'est pas un taux de 0 à 30 (par exemple 2,94)" << QString();
    QTest::newRow("cancelled") << QString() << true << QString() << QString();
    QTest::newRow("no rates file")
        << QString() << false << QString()
        << "Le fichier des taux # est absent ou corrompu : aucun semestre ne peut y être ajouté.";
}

void TestMajDialog::byHandRefusedOrCancelled()
{
    QFETCH(QString, autres);
    QFETCH(bool, ratesFile);
    QFETCH(QString, formSaid);
    QFETCH(QString, said);

    const QString rates = m_dir->filePath(QStringLiteral("QUERDAN.TXT"));
    const QByteArray before = "1S2026\t2.62\t6.67\r\n2S2025\t2.76\t6.65\r\n";
    if (ratesFile)
        QVERIFY(writeFile(rates, before));
    QString form;
    QString title;
    m_onModal = [&](QDialog *modal) {
        if (!autres.isEmpty()) {
            QTest::keyClicks(modal->findChild<QLineEdit *>(QStringLiteral("autres")), autres);
            QTest::keyClicks(modal->findChild<QLineEdit *>(QStringLiteral("particuliers")), "6.31");
            modal->findChild<QPushButton *>(QStringLiteral("ajouter"))->click();
        }
        title = modal->windowTitle();
        // Its sentence shows whole, on several lines, in the form's width.
        const QLabel *intro = modal->findChildren<QLabel *>().value(0);
        QVERIFY(intro->width() < intro->fontMetrics().horizontalAdvance(intro->text()));
        QVERIFY2(intro->height() >= 2 * intro->fontMetrics().lineSpacing(),
                 qPrintable(QString::number(intro->height())));
        // Still open after a refusal: the guard closes it as Annuler would.
        form = modal->isVisible() ? modal->findChild<QLabel *>(QStringLiteral("erreur"))->text()
                                  : QStringLiteral("closed");
    };
    m_dialog->setRatesFile(rates);
    openDialog();
    const QString result = child<QLabel>("Resultat")->text();
    QSignalSpy changed(m_dialog.get(), &MajDialog::ratesFileChanged);
    child<QPushButton>("AjouterSemestre")->click();
    QCOMPARE(form, formSaid);
    QCOMPARE(title, ratesFile ? QStringLiteral("Ajouter un semestre") : QString());
    QCOMPARE(child<QLabel>("Resultat")->text(),
             said.isEmpty() ? result : QString(said).replace(u'#', rates));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(readFile(rates), ratesFile ? before : QByteArray("<missing>"));
}

void TestMajDialog::byHandWithoutRatesFileSaysSo()
{
    // The statement window's way in, which has no result line of its own.
    const QString rates = m_dir->filePath(QStringLiteral("QUERDAN.TXT"));
    QString said;
    m_onModal = [&](QDialog *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        said = box ? box->windowTitle() + QStringLiteral(" | ") + box->text() : QString();
    };
    QVERIFY(!addHalfYearByHand(nullptr, rates, QDate(2026, 12, 8)));
    QCOMPARE(said, QStringLiteral("Ajouter un semestre | Le fichier des taux ") + rates +
                       QStringLiteral(" est absent ou corrompu : aucun semestre ne peut y être "
                                      "ajouté."));
}

void TestMajDialog::refusesAddressOutsideCodePage_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("refused"); // the character named, empty when saved
    QTest::newRow("Polish letters") << "http://łódź.pl/x"
                                    << "« ł »";
    QTest::newRow("an emoji, one character") << "http://a/😀"
                                             << "« 😀 »";
    QTest::newRow("Windows-1252 letters and signs are kept") << "http://café.fr/€"
                                                             << "";
}

void TestMajDialog::refusesAddressOutsideCodePage()
{
    QFETCH(QString, address);
    QFETCH(QString, refused);
    openDialog();
    child<QLineEdit>("ftp")->setText(address);
    trigger(QStringLiteral("Valider"));
    QCOMPARE(m_dialog->isVisible(), !refused.isEmpty());
    QCOMPARE(child<QLabel>("Resultat")->text().contains(refused), true);
    QCOMPARE(ReadIniValue("FTP", "ADRESS", m_ini), refused.isEmpty() ? address : QString());
}

// The form closes itself once the half-year is in the file; when it is
// refused it stays, the reason in red, a sentence that starts with a
// capital.
void TestMajDialog::halfYearForm_data()
{
    QTest::addColumn<bool>("movedOn"); // another program adds the half-year first
    QTest::addColumn<QString>("error");
    QTest::newRow("added: the form closes") << false << QString();
    QTest::newRow("the file moved on meanwhile")
        << true << "Seul le semestre qui suit le dernier du fichier peut être ajouté";
}

void TestMajDialog::halfYearForm()
{
    QFETCH(bool, movedOn);
    QFETCH(QString, error);
    const QString rates = m_dir->filePath(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(writeFile(rates, "1S2026\t2.62\t6.67\r\n2S2025\t2.76\t6.65\r\n"));
    QStringList seen;
    m_onModal = [&](QDialog *modal) {
        auto *period = modal->findChild<QLabel *>(QStringLiteral("semestre"));
        QStringList buttons;
        for (const QPushButton *button : modal->findChildren<QPushButton *>())
            buttons << button->text();
        buttons.sort();
        seen << buttons.join(u'|');
        auto *form = modal->findChild<QFormLayout *>();
        for (const char *name : {"autres", "particuliers"}) {
            auto *field = modal->findChild<QLineEdit *>(QLatin1String(name));
            const auto *caption = qobject_cast<QLabel *>(form->labelForField(field));
            seen << (caption ? caption->text() : QStringLiteral("no caption"));
            QTest::keyClicks(field, field->placeholderText());
        }
        if (movedOn)
            QVERIFY(writeFile(rates, "2S2026\t2.94\t6.31\r\n1S2026\t2.62\t6.67\r\n"));
        modal->findChild<QPushButton *>(QStringLiteral("ajouter"))->click();
        auto *red = modal->findChild<QLabel *>(QStringLiteral("erreur"));
        seen << (period->font().bold() ? "bold" : "plain")
             << (modal->isVisible() ? "open" : "closed") << red->text().left(error.size())
             << red->palette().color(QPalette::WindowText).name();
        // The reason sits under the fields, not over them.
        const auto *last = modal->findChild<QLineEdit *>(QStringLiteral("particuliers"));
        QVERIFY(red->geometry().top() >= last->geometry().bottom());
    };
    QVERIFY(addHalfYearByHand(nullptr, rates, QDate(2026, 12, 8)) == !movedOn);
    QCOMPARE(seen, (QStringList{"Ajouter|Annuler", "Autres cas (%) :", "Particuliers (%) :", "bold",
                                movedOn ? "open" : "closed", error, "#aa0000"}));
}

// "Mettre à jour maintenant" waits on a server that never answers: the
// window-modal progress offers "Annuler", which ends the wait in words.
void TestMajDialog::downloadCanBeCancelled()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const QString rates = m_dir->filePath(QStringLiteral("QUERDAN.TXT"));
    const QByteArray before = "1S2026\t2.62\t6.67\r\n2S2025\t2.76\t6.65\r\n";
    QVERIFY(writeFile(rates, before));
    // The cancel stops the ECB's update as well, which would wait the same.
    const QString ecbTable = m_dir->filePath(QStringLiteral("TAUXBCE.TXT"));
    QVERIFY(writeFile(ecbTable, "confirme-jusqu-au\t2026-01-01\n2025-06-11\t2.15\n"));
    m_settings.address = QStringLiteral("http://127.0.0.1:%1/taux").arg(silent.serverPort());
    m_settings.ecbAddress = m_settings.address;
    m_dialog = std::make_unique<MajDialog>(m_settings, m_ini);
    m_dialog->setRatesFile(rates);
    openDialog();
    QString seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *progress = m_dialog->findChild<QProgressDialog *>(QStringLiteral("telechargement"));
        if (!progress || !progress->isVisible() || !seen.isEmpty())
            return;
        const auto *cancel = progress->findChild<QPushButton *>();
        seen = progress->windowTitle() + u'|' + cancel->text() + u'|' +
               (progress->windowModality() == Qt::WindowModal ? "window-modal" : "other") + u'|' +
               (QGuiApplication::overrideCursor() &&
                        QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor
                    ? "busy"
                    : "idle");
        progress->cancel();
    });
    poll.start(20);
    child<QPushButton>("MajMaintenant")->click();
    QCOMPARE(seen, QStringLiteral("Mise à jour des taux|Annuler|window-modal|busy"));
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(child<QLabel>("Resultat")->text(),
             QStringLiteral("Mise à jour impossible : téléchargement annulé."));
    QCOMPARE(readFile(rates), before);
    QCOMPARE(readFile(ecbTable), "confirme-jusqu-au\t2026-01-01\n2025-06-11\t2.15\n");
}

// What the statement window is told after "Mettre à jour maintenant": it
// offers to type the half-year only when nothing was added.
void TestMajDialog::updateNowSaysWhetherItAdded_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("added");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QByteArray>("ecb"); // the ECB's answer; no table beside when empty
    QTest::addColumn<bool>("ecbAdded");
    QTest::newRow("a new half-year")
        << http("200 OK", fiche({"2026 2 2.94 6.31", "2026 1 2.62 6.67"})) << true
        << "Taux ajouté : 2e semestre 2026 : 2,94 % (autres cas), 6,31 % (particuliers)."
        << QByteArray() << false;
    QTest::newRow("nothing new") << http("200 OK", fiche({"2026 1 2.62 6.67"})) << false
                                 << "Les taux sont à jour : le fichier va jusqu'au 1er semestre "
                                    "2026 et la publication n'a rien de plus récent."
                                 << QByteArray() << false;
    QTest::newRow("a new half-year, the ECB unreachable")
        << http("200 OK", fiche({"2026 2 2.94 6.31", "2026 1 2.62 6.67"})) << true
        << "Taux ajouté : 2e semestre 2026 : 2,94 % (autres cas), 6,31 % (particuliers).\nTaux de "
           "la BCE : le serveur a répondu 404 : le tableau n'a pas été changé."
        << http("404 Not Found", "introuvable") << false;
    QTest::newRow("nothing new, a change at the ECB")
        << http("200 OK", fiche({"2026 1 2.62 6.67"})) << false
        << "Les taux sont à jour : le fichier va jusqu'au 1er semestre 2026 et la publication "
           "n'a rien de plus récent.\nTaux de la BCE : ajouté 1,90 % au 04/02/2026, tableau "
           "confirmé jusqu'au 08/12/2026."
        << http("200 OK", "OBS_VALUE,TIME_PERIOD\r\n1.90,2026-02-04\r\n") << true;
}

void TestMajDialog::updateNowSaysWhetherItAdded()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, added);
    QFETCH(QString, said);
    QFETCH(QByteArray, ecb);
    QFETCH(bool, ecbAdded);
    const QString rates = m_dir->filePath(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(writeFile(rates, "1S2026\t2.62\t6.67\r\n2S2025\t2.76\t6.65\r\n"));
    if (!ecb.isEmpty())
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("TAUXBCE.TXT")),
                          "confirme-jusqu-au\t2026-01-01\n2025-06-11\t2.15\n"));
    Server server(response);
    Server ecbServer(ecb);
    const RatesUpdateOutcome outcome =
        updateRatesNowFrom(nullptr, rates, server.url(), ecbServer.url(), QDate(2026, 12, 8));
    QCOMPARE(outcome.added, added);
    QCOMPARE(outcome.message, said);
    QCOMPARE(outcome.ecbAdded, ecbAdded);
}

// The dialog's clock decides how far ahead a half-year may go: on
// 08/12/2026 the second half of 2027 is too far, on 01/01/2027 it is the
// next one.
void TestMajDialog::byHandKeepsToTheClock_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("formSaid");
    QTest::newRow("08/12/2026: too far")
        << QDate(2026, 12, 8)
        << "Le 2e semestre 2027 commence après le 1er semestre 2027, le semestre qui suit celui "
           "d'aujourd'hui (08/12/2026) : aucun taux n'est fixé si tôt";
    QTest::newRow("01/01/2027: the next one") << QDate(2027, 1, 1) << "closed";
}

void TestMajDialog::byHandKeepsToTheClock()
{
    QFETCH(QDate, today);
    QFETCH(QString, formSaid);
    const QString rates = m_dir->filePath(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(writeFile(rates, "1S2027\t3.1\t6.9\r\n2S2026\t2.94\t6.31\r\n"));
    QString form;
    m_onModal = [&](QDialog *modal) {
        QTest::keyClicks(modal->findChild<QLineEdit *>(QStringLiteral("autres")), "3,2");
        QTest::keyClicks(modal->findChild<QLineEdit *>(QStringLiteral("particuliers")), "7");
        modal->findChild<QPushButton *>(QStringLiteral("ajouter"))->click();
        form = modal->isVisible() ? modal->findChild<QLabel *>(QStringLiteral("erreur"))->text()
                                  : QStringLiteral("closed");
    };
    m_dialog->setClock([today] { return today; });
    m_dialog->setRatesFile(rates);
    openDialog();
    child<QPushButton>("AjouterSemestre")->click();
    QCOMPARE(form, formSaid);
}

QTEST_MAIN(TestMajDialog)
#include "tst_majdialog.moc"
