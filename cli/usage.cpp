#include "usage.h"

#include "cli/titlevalues.h"
#include "rates/publication.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kProgram = QStringLiteral("taux-legal-cli");

struct OptionSpec
{
    QStringList names; // short name first when there is one
    QString valueName; // empty for a switch
    QString description;
};

struct CommandSpec
{
    QString name;
    QString synopsis;
    QString summary; // one line, for the general help
    QString description;
    QList<OptionSpec> options;
};

OptionSpec ratesOption()
{
    return {{QStringLiteral("taux")},
            QStringLiteral("DOSSIER"),
            QStringLiteral("le dossier du fichier des taux QUERDAN.TXT ; sans cette option, le "
                           "fichier que la fenêtre lit")};
}

OptionSpec categoryOption()
{
    return {{QStringLiteral("categorie")},
            QStringLiteral("CATEGORIE"),
            QStringLiteral("autres (par défaut) ou particulier : les taux des personnes physiques "
                           "hors besoins professionnels")};
}

OptionSpec coefficientOption()
{
    return {{QStringLiteral("coefficient")},
            QStringLiteral("COEF"),
            QStringLiteral("multiplie le taux : 1 (par défaut), 1,5, 2\u00A0ou\u00A03")};
}

OptionSpec formatOption(bool withPdf)
{
    return {{QStringLiteral("format")},
            QStringLiteral("FORMAT"),
            withPdf ? QStringLiteral("texte (par défaut, pour le terminal), tsv, csv, json ou pdf")
                    : QStringLiteral("texte (par défaut, pour le terminal), tsv, csv ou json")};
}

OptionSpec outputOption(bool withPdf)
{
    const QString text = QStringLiteral("écrit dans FICHIER, remplacé en entier ou pas du tout, "
                                        "plutôt que sur la sortie standard");
    return {{QStringLiteral("o"), QStringLiteral("sortie")},
            QStringLiteral("FICHIER"),
            withPdf ? text + QStringLiteral(" ; obligatoire pour pdf") : text};
}

OptionSpec noCapitalisationOption()
{
    return {{QStringLiteral("sans-capitalisation")},
            QString(),
            QStringLiteral("les intérêts ne sont jamais ajoutés au capital")};
}

OptionSpec madeOnOption()
{
    return {{QStringLiteral("date-du-decompte")},
            QStringLiteral("DATE"),
            QStringLiteral("la date à laquelle le décompte est établi (par défaut : aujourd'hui)")};
}

OptionSpec baseOption()
{
    return {{QStringLiteral("base")},
            QStringLiteral("BASE"),
            QStringLiteral("365 (par défaut) : chaque année compte 365 jours ; annee : chaque "
                           "jour d'une année bissextile compte pour 1/366")};
}

OptionSpec helpOption()
{
    return {{QStringLiteral("h"), QStringLiteral("help")},
            QString(),
            QStringLiteral("affiche cette aide")};
}

const QList<CommandSpec> &commands()
{
    static const QList<CommandSpec> list = {
        {QStringLiteral("echeancier"),
         QStringLiteral("echeancier (--depuis DATE | --mois MOIS) --montant MONTANT [options]"),
         QStringLiteral("l'échéancier mois par mois de la fenêtre"),
         QStringLiteral(
             "L'échéancier de la fenêtre : pour chaque mois, du mois de départ au plus récent du "
             "fichier des taux, le taux légal annuel et la somme due à la fin du mois, intérêts "
             "compris. Chaque mois compte pour un douzième d'année. La sortie tsv est le texte "
             "que le bouton « Copier » de la fenêtre met dans le presse-papiers."),
         {
             {{QStringLiteral("depuis")},
              QStringLiteral("DATE"),
              QStringLiteral("la date de départ, lue comme dans la fenêtre (15/03/2015) : "
                             "l'échéancier part du mois commencé avant elle")},
             {{QStringLiteral("mois")},
              QStringLiteral("MOIS"),
              QStringLiteral("ou le mois de départ lui-même (03/2015, mars\u00A02015)")},
             {{QStringLiteral("montant")},
              QStringLiteral("MONTANT"),
              QStringLiteral("la somme due au départ : 1500, 1500,50 ou 1\u00A0500,50")},
             categoryOption(),
             coefficientOption(),
             {{QStringLiteral("majoration")},
              QString(),
              QStringLiteral("ajoute cinq points au taux (« +5 »)")},
             noCapitalisationOption(),
             {{QStringLiteral("mois-capitalisation")},
              QStringLiteral("N"),
              QStringLiteral("capitalise en ce mois de l'année (1 à 12), une fois douze mois "
                             "d'intérêts courus ; par défaut tous les douze mois")},
             formatOption(true),
             outputOption(true),
             ratesOption(),
             helpOption(),
         }},
        {QStringLiteral("decompte"),
         QStringLiteral("decompte --montant MONTANT --depuis DATE --au DATE [options]\n"
                        "         ou : taux-legal-cli decompte --fichier DOSSIER.json [--au DATE] "
                        "[options]"),
         QStringLiteral("le décompte des intérêts au jour près"),
         QStringLiteral(
             "Le décompte des intérêts au jour près : les intérêts courent chaque jour du premier "
             "jour d'intérêts à la veille de la date de fin, au taux du semestre de chaque jour. "
             "Une ligne par taux appliqué ; les acomptes sont imputés d'abord sur les intérêts "
             "puis sur le capital ; les intérêts d'une année entière sont capitalisés à chaque "
             "anniversaire de la date de capitalisation."),
         {
             {{QStringLiteral("montant")},
              QStringLiteral("MONTANT"),
              QStringLiteral("le capital dû : 2000, 2000,50 ou 2\u00A0000,50")},
             {{QStringLiteral("depuis")},
              QStringLiteral("DATE"),
              QStringLiteral("le premier jour d'intérêts (18/09/2015)")},
             {{QStringLiteral("au")},
              QStringLiteral("DATE"),
              QStringLiteral("la date de fin, qui n'est pas comptée (10/04/2016) ; avec "
                             "--fichier, à la place de celle du fichier")},
             {{QStringLiteral("fichier")},
              QStringLiteral("DOSSIER.json"),
              QStringLiteral("calcule le décompte enregistré par la fenêtre (toute version du "
                             "fichier) ; seules --au, --date-du-decompte, --format, --sortie et "
                             "--taux l'accompagnent, le fichier disant tout le reste")},
             categoryOption(),
             coefficientOption(),
             {{QStringLiteral("majoration-depuis")},
              QStringLiteral("DATE"),
              QStringLiteral("ajoute cinq points au taux à compter de cette date")},
             {{QStringLiteral("capitalisation-depuis")},
              QStringLiteral("DATE"),
              QStringLiteral("capitalise à chaque anniversaire de cette date (par défaut : celle "
                             "de --depuis)")},
             noCapitalisationOption(),
             baseOption(),
             {{QStringLiteral("acompte")},
              QStringLiteral("DATE=MONTANT[@N]"),
              QStringLiteral("un paiement (15/01/2016=500) ; l'option se répète pour chaque "
                             "acompte ; @N le donne d'abord à la créance n° N")},
             {{QStringLiteral("signifie-le")},
              QStringLiteral("DATE"),
              QStringLiteral("la date de signification de la décision : les cinq points courent "
                             "deux mois plus tard, du lendemain du même quantième")},
             {{QStringLiteral("creance")},
              QStringLiteral("LIBELLE;MONTANT;DATE[;INTERETS]"),
              QStringLiteral("une créance du titre, due et productive d'intérêts à compter de "
                             "DATE, à la place de --montant et --depuis ; l'option se répète "
                             "(50 au plus). INTERETS : legal (par défaut), fixe:4,5, aucun, bce "
                             "(pénalités de retard, BCE + 10 points ; bce+12 pour une autre "
                             "marge) ou commande-publique (BCE + 8 points), puis x1,5, +5, "
                             "indemnite (les 40 € de frais de recouvrement), sans-capitalisation "
                             "ou capitalisation:DATE, séparés par des espaces : "
                             "\"Principal;10000;15/03/2024;legal +5\"")},
             {{QStringLiteral("frais")},
              QStringLiteral("DATE=MONTANT:LIBELLE"),
              QStringLiteral("des frais, sans intérêts (15/04/2024=120,50:Commandement) ; "
                             "l'option se répète")},
             {{QStringLiteral("imputation")},
              QStringLiteral("ORDRE"),
              QStringLiteral("frais-interets-capital (par défaut) ou capital-d-abord (décision "
                             "du juge)")},
             {{QStringLiteral("provision")},
              QString(),
              QStringLiteral("ajoute la provision d'un mois d'intérêts")},
             {{QStringLiteral("creancier")},
              QStringLiteral("NOM"),
              QStringLiteral("le créancier, imprimé en tête du décompte")},
             {{QStringLiteral("debiteur")}, QStringLiteral("NOM"), QStringLiteral("le débiteur")},
             {{QStringLiteral("reference-dossier")},
              QStringLiteral("REFERENCE"),
              QStringLiteral("la référence du dossier")},
             {{QStringLiteral("titre-executoire")},
              QStringLiteral("TITRE"),
              QStringLiteral("le titre exécutoire («\u00A0Jugement du tribunal judiciaire de Lyon "
                             "du 01/09/2015, RG\u00A015/01234\u00A0»)")},
             madeOnOption(),
             formatOption(true),
             outputOption(true),
             ratesOption(),
             helpOption(),
         }},
        {QStringLiteral("lot"),
         QStringLiteral("lot FICHIER.csv [options]"),
         QStringLiteral("un décompte par ligne d'un fichier CSV, puis le total"),
         QStringLiteral(
             "Un décompte par ligne d'un fichier CSV (UTF-8, séparateur « ; », « , » ou "
             "tabulation), puis le total. La première ligne nomme les colonnes, dans n'importe "
             "quel ordre : montant, depuis et au sont obligatoires ; reference, categorie, "
             "coefficient, majoration-depuis, capitalisation-depuis (une date, ou « non »), base, "
             "acomptes (DATE=MONTANT séparés par « | ») et taux (legal, bce+10, bce+MARGE, "
             "commande-publique ou un taux fixe comme 4,5) sont facultatives. Une case vide prend "
             "la valeur des options ci-dessous. Une ligne fautive est signalée avec son numéro "
             "sur la sortie d'erreur et les autres sont calculées ; le code de sortie est alors "
             "4. FICHIER.csv « - » lit l'entrée standard."),
         {
             categoryOption(),
             coefficientOption(),
             noCapitalisationOption(),
             baseOption(),
             madeOnOption(),
             formatOption(false),
             outputOption(false),
             ratesOption(),
             helpOption(),
         }},
        {QStringLiteral("taux"),
         QStringLiteral("taux [--mettre-a-jour [--adresse URL] | --ajouter SEMESTRE --autres "
                        "TAUX --particuliers TAUX] [--taux DOSSIER]"),
         QStringLiteral("le dernier semestre du fichier des taux ; sa mise à jour"),
         QStringLiteral(
             "Sans option : le dernier semestre du fichier des taux, ses deux taux et le fichier "
             "lu. --mettre-a-jour télécharge la publication des taux de l'administration et "
             "ajoute en tête du fichier les semestres qu'il n'a pas encore, comme le bouton "
             "« Mettre à jour maintenant » ; le reste du fichier ne change pas. --ajouter ajoute "
             "à la main le semestre qui suit le dernier du fichier, avec les taux de l'arrêté "
             "publié au Journal officiel."),
         {
             {{QStringLiteral("mettre-a-jour")},
              QString(),
              QStringLiteral("télécharge et ajoute les nouveaux semestres, et les nouveaux taux "
                             "de la BCE quand leur tableau est à côté du fichier des taux")},
             {{QStringLiteral("adresse")},
              QStringLiteral("URL"),
              QStringLiteral("l'adresse de la publication ; par défaut celle de Querdan.ini, "
                             "sinon l'adresse intégrée")},
             {{QStringLiteral("adresse-bce")},
              QStringLiteral("URL"),
              QStringLiteral("l'adresse des taux de la BCE (un miroir) ; par défaut le portail "
                             "de données de la BCE")},
             {{QStringLiteral("ajouter")},
              QStringLiteral("SEMESTRE"),
              QStringLiteral("le semestre à ajouter : 1S2027 (janvier à juin) ou 2S2026 "
                             "(juillet à décembre)")},
             {{QStringLiteral("autres")},
              QStringLiteral("TAUX"),
              QStringLiteral("le taux des autres cas, en pour cent : 2,94 ou 2.94")},
             {{QStringLiteral("particuliers")},
              QStringLiteral("TAUX"),
              QStringLiteral("le taux des particuliers (personnes physiques hors besoins "
                             "professionnels) : 6,31")},
             ratesOption(),
             helpOption(),
         }},
    };
    return list;
}

QString optionLabel(const OptionSpec &option)
{
    QStringList names;
    for (const QString &name : option.names)
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString label = names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
        label += u' ' + option.valueName;
    // Long options line up whether or not a short one stands before them.
    return option.names.first().size() == 1 ? label : QStringLiteral("    ") + label;
}

// Words wrapped to `width` columns, every line after the first indented.
// A no-break space keeps "1 500,50" on one line and prints as a space.
QString wrapped(const QString &text, int width, int indent)
{
    QString out;
    int column = indent;
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (i > 0 && column + 1 + word.size() > width) {
            out += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (i > 0) {
            out += u' ';
            ++column;
        }
        out += word;
        column += int(word.size());
    }
    out.replace(QChar(0x00A0), u' ');
    return out;
}

QString exitStatusText()
{
    return QStringLiteral("Codes de sortie :\n"
                          "  0  fait\n"
                          "  1  la sortie n'a pas pu être écrite\n"
                          "  2  option ou valeur erronée\n"
                          "  3  fichier des taux absent ou corrompu\n"
                          "  4  calcul impossible (taux manquant, date hors limites, ligne de "
                          "lot refusée)\n"
                          "  5  mise à jour des taux impossible (téléchargement ou publication "
                          "illisible)\n");
}

QString commandHelp(const CommandSpec &command)
{
    QString text = QStringLiteral("Utilisation : ") + kProgram + u' ' + command.synopsis +
                   QStringLiteral("\n\n") + wrapped(command.description, 78, 0) +
                   QStringLiteral("\n\nOptions :\n");
    constexpr int column = 32;
    for (const OptionSpec &option : command.options) {
        const QString label = QStringLiteral("  ") + optionLabel(option);
        text += label;
        if (label.size() + 2 > column)
            text += u'\n' + QString(column, u' ');
        else
            text += QString(column - label.size(), u' ');
        text += wrapped(option.description, 78, column) + u'\n';
    }
    return text + u'\n' + exitStatusText();
}

QString generalHelp()
{
    QString text = QStringLiteral("Utilisation : ") + kProgram +
                   QStringLiteral(" COMMANDE [options]\n\n"
                                  "Les intérêts au taux légal, pour les scripts, les tableurs et "
                                  "les autres programmes.\n\nCommandes :\n");
    for (const CommandSpec &command : commands()) {
        const QString name =
            command.name == u"lot" ? QStringLiteral("lot FICHIER.csv") : command.name;
        text += QStringLiteral("  ") + name.leftJustified(18) + command.summary + u'\n';
    }
    text += QStringLiteral("\nOptions :\n"
                           "  -h, --help        affiche cette aide\n"
                           "  -v, --version     affiche la version\n\n") +
            kProgram +
            QStringLiteral(" COMMANDE --help détaille les options de chaque commande.\n\n") +
            exitStatusText();
    return text;
}

Invocation refused(const QString &command, const QString &why)
{
    Invocation invocation;
    invocation.kind = Invocation::Refused;
    const QString who = command.isEmpty() ? kProgram : kProgram + u' ' + command;
    invocation.text = who + QStringLiteral(" : ") + why + QStringLiteral("\nAide : ") + who +
                      QStringLiteral(" --help\n");
    return invocation;
}

Invocation printed(const QString &text)
{
    Invocation invocation;
    invocation.kind = Invocation::Print;
    invocation.text = text;
    return invocation;
}

// QCommandLineParser's own messages are in English; the option they name is
// between quotes in each of them.
QString parseErrorInFrench(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString name = unknown.first();
        return QStringLiteral("option inconnue : ") +
               (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + visibleValue(name);
    }
    const QString error = parser.errorText();
    static const QRegularExpression quotedName(QStringLiteral("'([^']*)'"));
    const QString name = quotedName.match(error).captured(1);
    if (error.contains(QStringLiteral("Missing value")))
        return QStringLiteral("l'option ") + name + QStringLiteral(" attend une valeur");
    if (error.contains(QStringLiteral("Unexpected value")))
        return QStringLiteral("l'option ") + name + QStringLiteral(" ne prend pas de valeur");
    return QStringLiteral("ligne de commande illisible : ") + visibleValue(error);
}

// Reads the options of one command, refusing a value given twice: the
// last one silently winning would hide a mistake.
class Options
{
public:
    explicit Options(const CommandSpec &command)
    {
        m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        for (const OptionSpec &option : command.options) {
            QCommandLineOption parsed(option.names);
            if (!option.valueName.isEmpty())
                parsed.setValueName(option.valueName);
            m_parser.addOption(parsed);
        }
    }

    bool parse(const QStringList &arguments) { return m_parser.parse(arguments); }
    const QCommandLineParser &parser() const { return m_parser; }

    bool isSet(const QString &name) const { return m_parser.isSet(name); }

    // Empty when the option is not given.
    QString value(const QString &name)
    {
        const QStringList values = m_parser.values(name);
        if (values.size() > 1 && m_error.isEmpty())
            m_error = QStringLiteral("--") + name + QStringLiteral(" est donnée plusieurs fois");
        return values.isEmpty() ? QString() : values.last();
    }
    QStringList values(const QString &name) const { return m_parser.values(name); }

    // Reads the value of `name` with `reader`, noting the first error.
    template <typename T, typename Reader> std::optional<T> read(const QString &name, Reader reader)
    {
        if (!isSet(name))
            return std::nullopt;
        const Read<T> result = reader(value(name));
        if (!result.value)
            fail(QStringLiteral("--") + name + QStringLiteral(" : ") + result.error);
        return result.value;
    }

    std::optional<QDate> day(const QString &name) { return read<QDate>(name, readDay); }

    void fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = why;
    }
    void require(const QString &name, const QString &what)
    {
        if (!isSet(name))
            fail(QStringLiteral("--") + name + QStringLiteral(" manque : ") + what);
    }
    const QString &error() const { return m_error; }

private:
    QCommandLineParser m_parser;
    QString m_error;
};

CommonRequest readCommon(Options &options)
{
    CommonRequest common;
    common.ratesFolder = options.value(QStringLiteral("taux"));
    if (options.isSet(QStringLiteral("taux")) && common.ratesFolder.isEmpty())
        options.fail(QStringLiteral("--taux : le dossier est vide ; attendu le dossier du "
                                    "fichier QUERDAN.TXT"));
    if (auto category = options.read<RateCategory>(QStringLiteral("categorie"), readCategory))
        common.category = *category;
    if (auto format = options.read<OutputFormat>(QStringLiteral("format"), readFormat))
        common.format = *format;
    common.outputPath = options.value(QStringLiteral("sortie"));
    if (options.isSet(QStringLiteral("sortie")) && common.outputPath.isEmpty())
        options.fail(QStringLiteral("-o : le nom du fichier est vide"));
    if (common.format == OutputFormat::Pdf && common.outputPath.isEmpty())
        options.fail(QStringLiteral("--format pdf demande -o FICHIER : un PDF ne s'écrit pas sur "
                                    "le terminal"));
    return common;
}

int readCoefficient(Options &options)
{
    return options.read<int>(QStringLiteral("coefficient"), readCoefficientIndex).value_or(0);
}

QDate readMadeOn(Options &options)
{
    return options.day(QStringLiteral("date-du-decompte")).value_or(QDate::currentDate());
}

Invocation schedule(Options &options)
{
    ScheduleRequest request;
    request.common = readCommon(options);
    const bool byDate = options.isSet(QStringLiteral("depuis"));
    const bool byMonth = options.isSet(QStringLiteral("mois"));
    if (byDate && byMonth)
        options.fail(QStringLiteral("--depuis et --mois s'excluent : donnez l'une ou l'autre"));
    else if (!byDate && !byMonth)
        options.fail(QStringLiteral("--depuis DATE ou --mois MOIS manque : attendu le départ de "
                                    "l'échéancier"));
    request.startDate = options.read<QDateTime>(QStringLiteral("depuis"), readInstant);
    request.startMonth = options.read<QDate>(QStringLiteral("mois"), readMonth);
    options.require(QStringLiteral("montant"), QStringLiteral("attendu la somme due au départ"));
    request.amount = options.read<Cents>(QStringLiteral("montant"), readAmount).value_or(0);
    request.coefficientIndex = readCoefficient(options);
    request.majoration = options.isSet(QStringLiteral("majoration"));
    request.capitalise = !options.isSet(QStringLiteral("sans-capitalisation"));
    request.capitalMonth =
        options.read<int>(QStringLiteral("mois-capitalisation"), readCapitalMonth);
    if (request.capitalMonth && !request.capitalise)
        options.fail(QStringLiteral("--mois-capitalisation et --sans-capitalisation s'excluent"));

    Invocation invocation;
    invocation.kind = Invocation::Run;
    invocation.needsPainting = request.common.format == OutputFormat::Pdf;
    invocation.run = [request] { return RunSchedule(request); };
    return invocation;
}

// One capital, as the statement has always been.
void readStatement(Options &options, StatementRequest &request)
{
    StatementInput &input = request.input;
    options.require(QStringLiteral("montant"), QStringLiteral("attendu le capital dû"));
    options.require(QStringLiteral("depuis"), QStringLiteral("attendu le premier jour d'intérêts"));
    options.require(QStringLiteral("au"), QStringLiteral("attendu la date de fin"));
    input.principal = options.read<Cents>(QStringLiteral("montant"), readAmount).value_or(0);
    input.from = options.day(QStringLiteral("depuis")).value_or(QDate());
    input.to = options.day(QStringLiteral("au")).value_or(QDate());
    input.coefficient = coefficientOfIndex(readCoefficient(options));
    input.majorationFrom = options.day(QStringLiteral("majoration-depuis"));
    if (const auto served = options.day(QStringLiteral("signifie-le"))) {
        if (input.majorationFrom)
            options.fail(QStringLiteral("--signifie-le et --majoration-depuis s'excluent : la "
                                        "majoration court de l'une ou de l'autre"));
        else if (served->isValid() && input.from.isValid())
            input.majorationFrom = std::max(MajorationAfterService(*served), input.from);
    }
    input.capitalise = !options.isSet(QStringLiteral("sans-capitalisation"));
    input.capitalisationFrom = options.day(QStringLiteral("capitalisation-depuis"));
    if (input.capitalisationFrom && !input.capitalise)
        options.fail(QStringLiteral("--capitalisation-depuis et --sans-capitalisation s'excluent"));
    if (input.capitalise && !input.capitalisationFrom && input.from.isValid())
        input.capitalisationFrom = input.from;
    if (auto base = options.read<DayBase>(QStringLiteral("base"), readDayBase))
        input.dayBase = *base;
    for (const QString &text : options.values(QStringLiteral("acompte"))) {
        const Read<Payment> payment = readPayment(text);
        if (!payment.value)
            options.fail(QStringLiteral("--acompte : ") + payment.error);
        else
            input.payments.append(*payment.value);
    }
}

// A title of several claims (--creance), its costs, payments that may name
// a claim, and the order they are applied in.
void readTitle(Options &options, StatementRequest &request)
{
    for (const char *single :
         {"montant", "depuis", "coefficient", "capitalisation-depuis", "sans-capitalisation"}) {
        if (options.isSet(QLatin1String(single)))
            options.fail(QStringLiteral("--%1 vaut pour une seule créance : avec --creance, "
                                        "chaque créance dit son montant, sa date et ses intérêts")
                             .arg(QLatin1String(single)));
    }
    TitleInput title;
    const auto each = [&](const char *name, auto reader, auto &list) {
        for (const QString &text : options.values(QLatin1String(name))) {
            const auto read = reader(text);
            if (!read.value)
                options.fail(QStringLiteral("--%1 : ").arg(QLatin1String(name)) + read.error);
            else
                list.append(*read.value);
        }
    };
    each("creance", readClaim, title.claims);
    each("frais", readCost, title.costs);
    each("acompte", readTitlePayment, title.payments);
    options.require(QStringLiteral("au"), QStringLiteral("attendu la date de fin"));
    title.to = options.day(QStringLiteral("au")).value_or(QDate());
    if (auto base = options.read<DayBase>(QStringLiteral("base"), readDayBase))
        title.dayBase = *base;
    if (auto order = options.read<Imputation>(QStringLiteral("imputation"), readImputation))
        title.imputation = *order;
    title.provision = options.isSet(QStringLiteral("provision"));
    const auto served = options.day(QStringLiteral("signifie-le"));
    const auto first = options.day(QStringLiteral("majoration-depuis"));
    if (served && first)
        options.fail(QStringLiteral("--signifie-le et --majoration-depuis s'excluent : la "
                                    "majoration court de l'une ou de l'autre"));
    else if (served)
        title.majoration = {TitleMajoration::Kind::ServedOn, *served};
    else if (first)
        title.majoration = {TitleMajoration::Kind::FirstDay, *first};
    request.title = title;
}

bool isTitle(const Options &options)
{
    for (const char *name : {"creance", "frais", "imputation", "provision"}) {
        if (options.isSet(QLatin1String(name)))
            return true;
    }
    for (const QString &payment : options.values(QStringLiteral("acompte"))) {
        if (payment.contains(u'@'))
            return true;
    }
    return false;
}

// A saved statement: the file describes it whole, so an option that
// describes one would be ignored, or would contradict it.
Invocation savedStatement(Options &options)
{
    const auto isStatement = [](const CommandSpec &c) { return c.name == u"decompte"; };
    const CommandSpec &command = *std::find_if(commands().begin(), commands().end(), isStatement);
    for (const OptionSpec &option : command.options) {
        const QString &name = option.names.last();
        if (!options.isSet(name))
            continue;
        if (name == u"fichier" || name == u"au" || name == u"date-du-decompte" ||
            name == u"format" || name == u"sortie" || name == u"taux" || name == u"help")
            continue;
        options.fail(QStringLiteral("--%1 ne va pas avec --fichier : le fichier dit déjà "
                                    "le décompte ; seules --au, --date-du-decompte, --format, "
                                    "--sortie et --taux l'accompagnent")
                         .arg(name));
        break;
    }
    SavedFileRequest request;
    request.common = readCommon(options);
    request.path = options.value(QStringLiteral("fichier"));
    if (request.path.isEmpty())
        options.fail(QStringLiteral("--fichier : le nom du fichier est vide"));
    request.to = options.day(QStringLiteral("au"));
    request.madeOn = readMadeOn(options);

    Invocation invocation;
    invocation.kind = Invocation::Run;
    invocation.needsPainting = request.common.format == OutputFormat::Pdf;
    invocation.run = [request] { return RunSavedStatement(request); };
    return invocation;
}

Invocation statement(Options &options)
{
    if (options.isSet(QStringLiteral("fichier")))
        return savedStatement(options);
    StatementRequest request;
    request.common = readCommon(options);
    if (isTitle(options))
        readTitle(options, request);
    else
        readStatement(options, request);
    request.madeOn = readMadeOn(options);
    CaseFields &fields = request.caseFields;
    fields.creancier = options.value(QStringLiteral("creancier"));
    fields.debiteur = options.value(QStringLiteral("debiteur"));
    fields.reference = options.value(QStringLiteral("reference-dossier"));
    fields.titre = options.value(QStringLiteral("titre-executoire"));

    Invocation invocation;
    invocation.kind = Invocation::Run;
    invocation.needsPainting = request.common.format == OutputFormat::Pdf;
    invocation.run = [request] { return RunStatement(request); };
    return invocation;
}

Invocation batch(Options &options, const QStringList &positional)
{
    BatchRequest request;
    request.common = readCommon(options);
    if (request.common.format == OutputFormat::Pdf)
        options.fail(QStringLiteral("--format : un lot ne s'écrit pas en pdf ; attendu texte, "
                                    "tsv, csv ou json"));
    if (positional.isEmpty())
        options.fail(QStringLiteral("FICHIER.csv manque : attendu le fichier des décomptes"));
    else
        request.csvPath = positional.first();
    request.coefficientIndex = readCoefficient(options);
    request.capitalise = !options.isSet(QStringLiteral("sans-capitalisation"));
    if (auto base = options.read<DayBase>(QStringLiteral("base"), readDayBase))
        request.dayBase = *base;
    request.madeOn = readMadeOn(options);

    Invocation invocation;
    invocation.kind = Invocation::Run;
    invocation.run = [request] { return RunBatch(request); };
    return invocation;
}

Invocation rates(Options &options)
{
    RatesRequest request;
    request.ratesFolder = options.value(QStringLiteral("taux"));
    if (options.isSet(QStringLiteral("taux")) && request.ratesFolder.isEmpty())
        options.fail(QStringLiteral("--taux : le dossier est vide ; attendu le dossier du "
                                    "fichier QUERDAN.TXT"));
    request.update = options.isSet(QStringLiteral("mettre-a-jour"));
    request.address = options.value(QStringLiteral("adresse")).trimmed();
    request.addedPeriod = options.value(QStringLiteral("ajouter")).trimmed().toUpper();
    const bool adding = options.isSet(QStringLiteral("ajouter"));
    if (request.update && adding)
        options.fail(QStringLiteral("--mettre-a-jour et --ajouter s'excluent"));
    if (options.isSet(QStringLiteral("adresse")) && !request.update)
        options.fail(QStringLiteral("--adresse va avec --mettre-a-jour"));
    if (options.isSet(QStringLiteral("adresse")) && request.address.isEmpty())
        options.fail(QStringLiteral("--adresse : l'adresse est vide"));
    request.ecbAddress = options.value(QStringLiteral("adresse-bce")).trimmed();
    if (options.isSet(QStringLiteral("adresse-bce")) && !request.update)
        options.fail(QStringLiteral("--adresse-bce va avec --mettre-a-jour"));
    if (options.isSet(QStringLiteral("adresse-bce")) && request.ecbAddress.isEmpty())
        options.fail(QStringLiteral("--adresse-bce : l'adresse est vide"));
    static const QRegularExpression period(QStringLiteral("^[12]S\\d{4}$"));
    if (adding && !period.match(request.addedPeriod).hasMatch())
        options.fail(QStringLiteral("--ajouter : « ") + options.value(QStringLiteral("ajouter")) +
                     QStringLiteral(" » n'est pas un semestre ; attendu 1S2027 ou 2S2026"));
    for (const QString &name : {QStringLiteral("autres"), QStringLiteral("particuliers")}) {
        if (!options.isSet(name)) {
            if (adding)
                options.require(name, QStringLiteral("attendu le taux de ce semestre (2,94)"));
            continue;
        }
        if (!adding)
            options.fail(QStringLiteral("--") + name + QStringLiteral(" va avec --ajouter"));
        const QString text = options.value(name);
        const std::optional<QString> rate = ReadRateText(text);
        if (!rate)
            options.fail(QStringLiteral("--") + name + QStringLiteral(" : « ") + text +
                         QStringLiteral(" » n'est pas un taux de 0 à 30 ; attendu 2,94 par "
                                        "exemple"));
        (name == u"autres" ? request.autres : request.particuliers) = text;
    }
    request.today = QDate::currentDate();

    Invocation invocation;
    invocation.kind = Invocation::Run;
    invocation.run = [request] { return RunRates(request); };
    return invocation;
}

} // namespace

Invocation ParseInvocation(const QStringList &arguments)
{
    const QString first = arguments.value(1);
    if (first.isEmpty())
        return refused(QString(), QStringLiteral("commande manquante ; attendu echeancier, "
                                                 "decompte, lot ou taux"));
    if (first == u"-h" || first == u"--help" || first == u"aide")
        return printed(generalHelp());
    if (first == u"-v" || first == u"--version")
        return printed(kProgram + u' ' + QString::number(TAUX_VERSION_MAJOR) + u'.' +
                       QString::number(TAUX_VERSION_MINOR) + u'.' +
                       QString::number(TAUX_VERSION_PATCH) + u'\n');

    if (first.startsWith(u'-'))
        return refused(QString(),
                       QStringLiteral("commande manquante avant ") + visibleValue(first) +
                           QStringLiteral(" ; attendu echeancier, decompte, lot ou taux"));
    const CommandSpec *command = nullptr;
    for (const CommandSpec &candidate : commands()) {
        if (candidate.name == first)
            command = &candidate;
    }
    if (!command)
        return refused(QString(),
                       QStringLiteral("commande inconnue : ") + visibleValue(first) +
                           QStringLiteral(" ; attendu echeancier, decompte, lot ou taux"));

    Options options(*command);
    if (!options.parse(QStringList{arguments.first()} + arguments.mid(2)))
        return refused(command->name, parseErrorInFrench(options.parser()));
    if (options.isSet(QStringLiteral("help")))
        return printed(commandHelp(*command));

    const QStringList positional = options.parser().positionalArguments();
    const qsizetype allowed = command->name == u"lot" ? 1 : 0;
    if (positional.size() > allowed)
        return refused(command->name, QStringLiteral("argument inattendu : ") +
                                          visibleValue(positional.at(allowed)));

    Invocation invocation = command->name == u"echeancier" ? schedule(options)
                            : command->name == u"decompte" ? statement(options)
                            : command->name == u"taux"     ? rates(options)
                                                           : batch(options, positional);
    if (!options.error().isEmpty())
        return refused(command->name, options.error());
    invocation.command = command->name;
    return invocation;
}
