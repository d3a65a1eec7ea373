#include "datefield.h"

#include "schedule/statement.h"
#include "ui/dateinput.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QWidgetAction>

DateField::DateField(QWidget *parent) : QWidget(parent)
{
    m_edit = new QLineEdit(this);
    m_edit->setPlaceholderText(QStringLiteral("JJ/MM/AAAA"));
    // Room for "30/09/2015" and a little more, whatever the font.
    m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) +
                            16);
    m_calendar = new QToolButton(this);
    m_calendar->setText(QStringLiteral("…"));
    m_calendar->setToolTip(QStringLiteral("Choisir dans le calendrier"));
    // The calendar is for the mouse; the keyboard types the date.
    m_calendar->setFocusPolicy(Qt::NoFocus);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_calendar);
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, &DateField::changed);
    connect(m_edit, &QLineEdit::editingFinished, this, &DateField::tidy);
    connect(m_calendar, &QToolButton::clicked, this, &DateField::pickFromCalendar);
}

QString DateField::fieldName() const
{
    return m_edit->objectName();
}

void DateField::setFieldName(const QString &name)
{
    m_edit->setObjectName(name);
    m_calendar->setObjectName(name + QStringLiteral("Calendrier"));
}

QString DateField::spokenName() const
{
    return m_edit->accessibleName();
}

void DateField::setSpokenName(const QString &name)
{
    m_edit->setAccessibleName(name);
    m_calendar->setAccessibleName(QStringLiteral("Calendrier : ") + name);
}

std::optional<QDate> DateField::date() const
{
    const auto read = parseStartDate(m_edit->text(), locale());
    if (!read)
        return std::nullopt;
    return read->date();
}

bool DateField::isEmpty() const
{
    return m_edit->text().trimmed().isEmpty();
}

void DateField::setDate(const QDate &date)
{
    m_edit->setText(date.isValid() ? formatDay(date) : QString());
}

QString DateField::text() const
{
    return m_edit->text();
}

void DateField::setText(const QString &text)
{
    m_edit->setText(text);
}

void DateField::tidy()
{
    // "15 mars 2015" reads as the statement writes it once the user leaves.
    if (const auto day = date())
        setDate(*day);
}

void DateField::pickFromCalendar()
{
    QMenu popup(this);
    auto *calendar = new QCalendarWidget(&popup);
    calendar->setLocale(locale());
    calendar->setGridVisible(true);
    if (const auto day = date())
        calendar->setSelectedDate(*day);
    auto *action = new QWidgetAction(&popup);
    action->setDefaultWidget(calendar);
    popup.addAction(action);
    connect(calendar, &QCalendarWidget::activated, &popup, [&](const QDate &day) {
        setDate(day);
        popup.close();
    });
    connect(calendar, &QCalendarWidget::clicked, &popup, [&](const QDate &day) {
        setDate(day);
        popup.close();
    });
    calendar->setFocus();
    popup.exec(m_calendar->mapToGlobal(QPoint(0, m_calendar->height())));
    m_edit->setFocus();
}
