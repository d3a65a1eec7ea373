#pragma once

#include <QDate>
#include <QLocale>
#include <QWidget>

#include <optional>

class QLineEdit;
class QToolButton;

// A date typed as in the main window ("15/03/2015", "15 mars 2015",
// "2015-03-15": the same reader) with a calendar button beside it. The
// text is the value: it is read when asked for, and shown again as
// "15/03/2015" once the user leaves the field. Dates read in the widget's
// locale (the window's, unless set).
class DateField : public QWidget
{
    Q_OBJECT
    // The line edit's object name ("du"); the button's is that name with
    // "Calendrier" after it.
    Q_PROPERTY(QString fieldName READ fieldName WRITE setFieldName)
    // What a screen reader says of the field and of its button.
    Q_PROPERTY(QString spokenName READ spokenName WRITE setSpokenName)
public:
    explicit DateField(QWidget *parent = nullptr);

    QString fieldName() const;
    void setFieldName(const QString &name);
    QString spokenName() const;
    void setSpokenName(const QString &name);

    // Nothing when the field is empty or does not read as a date.
    std::optional<QDate> date() const;
    bool isEmpty() const;
    void setDate(const QDate &date);
    QString text() const;
    void setText(const QString &text);
    QLineEdit *edit() const { return m_edit; }
    QToolButton *calendarButton() const { return m_calendar; }

signals:
    // Every change of the text, typed, picked or set.
    void changed();

private:
    void pickFromCalendar();
    void tidy();

    QLineEdit *m_edit = nullptr;
    QToolButton *m_calendar = nullptr;
};
