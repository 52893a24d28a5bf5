#pragma once
// Sources of every kind written at test time from rows of text: spreadsheets through Debian's
// Python modules, the rest by hand.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

using Rows = QList<QStringList>;

// Fixed-width lines keep their padding: Pers_number, First_Name, Last_Name, Price, Hesab.
extern const QList<QPair<QString, int>> kTxtLayout;

// Writes rows as a file of the kind; false when the writer is missing on this machine. Rows
// are Pers_number, First_Name, Last_Name, Hesab, Price, as the pages' auto fill pairs them.
bool writeKind(int kind, const QString& path, const Rows& rows);
void writeBytes(const QString& path, const QByteArray& bytes);
QString extensionOf(int kind);
// The Access sample database of the shared fixtures; empty when absent.
QString accessSample();
