#include "app/core/banklines.h"

#include "platform/codepage/CodePage.h"
#include "platform/files/Files.h"

namespace {

int parseWidth(const QString& text, const QString& label)
{
    if (text.isEmpty())
        return -1;
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 0)
        throw BankLineError(QStringLiteral("%1 قالب بايد عدد صحيح باشد: «%2»").arg(label, text));
    if (n > kMaxLineLength)
        throw BankLineError(
            QStringLiteral("%1 قالب نبايد بيش از %2 باشد").arg(label).arg(kMaxLineLength));
    return n;
}

QString withoutCommas(QString s)
{
    return s.remove(u',');
}

} // namespace

void BankTemplate::checkWidths() const
{
    parseWidth(tol_hesab, QStringLiteral("طول حساب"));
    parseWidth(tol_price, QStringLiteral("طول مبلغ"));
}

QString BankTemplate::proposedFileName() const
{
    return file_extention.isEmpty() ? file_name : file_name + u'.' + file_extention;
}

void CheckListLine(const QString& line)
{
    if (line.size() > kMaxLineLength)
        throw BankLineError(QStringLiteral("طول ركورد %1 نويسه است و ليست بيش از %2 نويسه "
                                           "نمي پذيرد: «%3»")
                                .arg(line.size())
                                .arg(kMaxLineLength)
                                .arg(line));
}

QString PadZeros(const QString& value, int width)
{
    if (value.size() >= width)
        return value;
    return QString(width - value.size(), u'0') + value;
}

QString PadZerosExact(const QString& value, int width, const QString& what)
{
    if (value.size() > width)
        throw BankLineError(
            QStringLiteral("%1 «%2» بيش از %3 رقم است").arg(what, value).arg(width));
    return PadZeros(value, width);
}

QString BuildRecordLine(const BankTemplate& t, const QString& account, const QString& amount)
{
    QString line = t.char_start;
    const int hw = parseWidth(t.tol_hesab, QStringLiteral("طول حساب"));
    line += hw >= 0 ? PadZeros(account, hw) : account;
    line += t.char_split;
    const QString m = withoutCommas(amount);
    const int pw = parseWidth(t.tol_price, QStringLiteral("طول مبلغ"));
    line += pw >= 0 ? PadZeros(m, pw) : m;
    line += t.char_end;
    return line;
}

void CheckBankText(const QString& text)
{
    QByteArray out;
    qsizetype bad = -1;
    if (!codepage::requireCodec(codepage::SystemAnsi).tryEncode(text, out, &bad))
        throw BankLineError(QStringLiteral("نويسه «%1» در فايل بانک قابل نوشتن نيست: %2")
                                .arg(text.mid(bad, 1), text));
}

void WriteBankFile(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& l : lines) {
        CheckBankText(l);
        bytes += codepage::encode(codepage::SystemAnsi, l);
        bytes += "\r\n";
    }
    // A pipe or a device the clerk chose is written into, never replaced by a plain file.
    const QString reason = files::writeWhole(path, bytes);
    if (!reason.isEmpty())
        throw BankLineError(QStringLiteral("فايل «%1» نوشته نشد: %2").arg(path, reason));
}

QString Date6(int year, int month, int day)
{
    QString y = QString::number(year);
    if (y.size() == 4)
        y = y.right(2);
    return y + PadZeros(QString::number(month), 2) + PadZeros(QString::number(day), 2);
}

QString TejaratLine(const QString& account, const QString& amount, const QString& date6)
{
    return PadZerosExact(account, 10, QStringLiteral("شماره حساب")) +
           PadZerosExact(withoutCommas(amount), 13, QStringLiteral("مبلغ")) + date6;
}

QString TejaratHeader(const QString& shHesab, const QString& total, const QString& date6)
{
    return PadZerosExact(shHesab, 10, QStringLiteral("شماره حساب چك")) +
           PadZerosExact(withoutCommas(total), 13, QStringLiteral("جمع مبلغ")) + date6;
}

QString SepahLine(const QString& account, const QString& amount)
{
    return PadZerosExact(account, 13, QStringLiteral("شماره حساب")) +
           PadZerosExact(withoutCommas(amount), 10, QStringLiteral("مبلغ")) + QStringLiteral("+1");
}

QString SepahHeader(const QString& shHesab)
{
    return PadZerosExact(shHesab, 13, QStringLiteral("شماره حساب ارگان")) +
           QStringLiteral("0000000000+1");
}

QString Sepah2Line(const QString& branch, const QString& account, const QString& amount)
{
    return branch + PadZerosExact(account, 8, QStringLiteral("شماره حساب")) +
           PadZerosExact(withoutCommas(amount), 12, QStringLiteral("مبلغ")) + u'+';
}

LineLayout::LineLayout(const QString& pattern, const QString& extraLine)
    : m_shape(QRegularExpression::anchoredPattern(pattern)), m_extraLine(extraLine)
{}

bool LineLayout::fits(const QString& line) const
{
    if (!m_extraLine.isEmpty() && line == m_extraLine)
        return true;
    return m_shape.match(line).hasMatch();
}

// Accounts and amounts are ASCII digits; a value longer than its field is kept whole in a
// template's line, never in a fixed layout's.
LineLayout TejaratLayout()
{
    return LineLayout(QStringLiteral("[0-9]{10}[0-9]{13}[0-9]{6}"));
}

LineLayout SepahLayout()
{
    return LineLayout(QStringLiteral("[0-9]{13}[0-9]{10}\\+1"));
}

LineLayout Sepah2Layout()
{
    return LineLayout(QStringLiteral("[0-9]{4}[0-9]{8}[0-9]{12}\\+"));
}

LineLayout TemplateLayout(const BankTemplate& t)
{
    const auto digits = [](const QString& width, const QString& label) {
        const int n = parseWidth(width, label);
        return n > 0 ? QStringLiteral("[0-9]{%1,}").arg(n) : QStringLiteral("[0-9]+");
    };
    return LineLayout(QRegularExpression::escape(t.char_start) +
                          digits(t.tol_hesab, QStringLiteral("طول حساب")) +
                          QRegularExpression::escape(t.char_split) +
                          digits(t.tol_price, QStringLiteral("طول مبلغ")) +
                          QRegularExpression::escape(t.char_end),
                      t.record_start);
}

QList<int> RowsNotFitting(const QStringList& lines, const LineLayout& layout)
{
    QList<int> rows;
    for (int i = 0; i < lines.size(); ++i)
        if (!lines.at(i).isEmpty() && !layout.fits(lines.at(i)))
            rows << i + 1;
    return rows;
}

QString RowsNotFittingMessage(const QList<int>& rows)
{
    constexpr int shown = 10;
    QStringList numbers;
    for (int i = 0; i < rows.size() && i < shown; ++i)
        numbers << QString::number(rows.at(i));
    if (rows.size() > shown)
        numbers << QStringLiteral("...");
    return QStringLiteral("%1 رديف ليست قالب ركورد اين فرم را ندارد؛ فايل ساخته نشد.")
               .arg(rows.size()) +
           u'\r' + QStringLiteral("رديف: ") + numbers.join(QStringLiteral("، ")) + u'\r' +
           QStringLiteral("آن رديف ها را حذف كنيد، يا ليست را با «حذف كل ليست» خالي كنيد و "
                          "دوباره بسازيد.");
}
