#pragma once

#include <QByteArray>
#include <QString>

class TauxState;

// Hands finished bytes on: to standard output when `path` is empty, else
// to the file, replaced whole or not at all. False with a French reason
// when the bytes could not all be written; `notice` says what a written
// file did not keep (its owner or its mode).
bool Deliver(const QByteArray &bytes, const QString &path, QString *error,
             QString *notice = nullptr);

// Writes to standard output. A reader that closed early (| head) is no
// error: the bytes it did not want are dropped.
bool WriteStandardOutput(QByteArrayView bytes, QString *error);

// The month schedule as French spreadsheets read a CSV file: the
// clipboard's rows and columns, ";" between fields, the decimal comma, sums
// to the cent without grouping so that they read as numbers, UTF-8 with a
// BOM, CR LF.
QByteArray ScheduleCsv(const TauxState &state);
