#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <stdexcept>

// A refusal to build or write a bank line, with the message for the user.
class BankLineError : public std::runtime_error
{
public:
    explicit BankLineError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// A bank-file template as the template editor stores it.
struct BankTemplate
{
    qint64 id = -1;
    QString bank_name;
    QString record_start;
    QString record_end;
    QString char_start;
    QString char_end;
    QString char_split;
    QString tol_hesab;
    QString tol_price;
    QString file_name;
    QString file_extention;

    // Throws BankLineError when a width is not a whole number or is wider than a list line.
    void checkWidths() const;
    // The proposed file name: name, then "." and the extension when there is one.
    QString proposedFileName() const;
};

// The widest line the list can hold.
constexpr int kMaxLineLength = 100;

// Throws BankLineError, in words the clerk reads, when the line is longer than the list can
// hold; checked before anything of a line is appended.
void CheckListLine(const QString& line);

// Left-pads with "0" up to width; a longer value is kept whole.
QString PadZeros(const QString& value, int width);

// Like PadZeros, but refuses a value longer than its field (fixed layouts, where a longer
// value would shift the rest of the line). what names the value in the message.
QString PadZerosExact(const QString& value, int width, const QString& what);

// The record line of one account and amount by a template's rules; "," are removed from
// the amount. Widths must have been checked.
QString BuildRecordLine(const BankTemplate& t, const QString& account, const QString& amount);

// Throws BankLineError unless every character can be written in the bank file's code page.
void CheckBankText(const QString& text);

// Writes the lines as the bank file: the system ANSI page, CR LF after every line. The file
// appears whole or not at all; an existing file is replaced only on success.
void WriteBankFile(const QString& path, const QStringList& lines);

// Fixed layouts.
QString Date6(int year, int month, int day);
QString TejaratLine(const QString& account, const QString& amount, const QString& date6);
QString TejaratHeader(const QString& shHesab, const QString& total, const QString& date6);
QString SepahLine(const QString& account, const QString& amount);
QString SepahHeader(const QString& shHesab);
QString Sepah2Line(const QString& branch, const QString& account, const QString& amount);

// The shape of the lines one bank file takes. The list is shared by every list window, so a
// window checks that each row has its own layout before it writes a file.
class LineLayout
{
public:
    LineLayout() = default;
    // pattern: the whole line; extraLine: one more line that fits (a template's first line).
    explicit LineLayout(const QString& pattern, const QString& extraLine = QString());
    bool fits(const QString& line) const;

private:
    QRegularExpression m_shape;
    QString m_extraLine;
};

LineLayout TejaratLayout();
LineLayout SepahLayout();
LineLayout Sepah2Layout();
// The lines a template builds, and its first line. Widths must have been checked.
LineLayout TemplateLayout(const BankTemplate& t);

// The row numbers (counting from 1, in list order) of the lines that do not fit; empty lines
// are never written, so they always fit.
QList<int> RowsNotFitting(const QStringList& lines, const LineLayout& layout);
// The message that refuses a write for those rows.
QString RowsNotFittingMessage(const QList<int>& rows);
