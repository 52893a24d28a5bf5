#include "import/engine/support/MapRange.h"

#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/SheetWorkbook.h"

#include <algorithm>

namespace {

using namespace MapRangeLimits;

[[noreturn]] void fail(const QString& message)
{
    throw EMapRangeError(message);
}

const QString kOpenWords = QStringLiteral("COLSTART, COLFINISH, ROWSTART or ROWFINISH");
const QString kColStart = QStringLiteral("COLSTART");
const QString kColFinish = QStringLiteral("COLFINISH");
const QString kRowStart = QStringLiteral("ROWSTART");
const QString kRowFinish = QStringLiteral("ROWFINISH");
const QString kEndOfRange = QStringLiteral("end of range");

enum CharClass { ccOther, ccLetter, ccDigit, ccSemicolon, ccDash, ccOpen, ccClose, ccColon };

CharClass classOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return ccLetter;
    if (u >= u'0' && u <= u'9')
        return ccDigit;
    switch (u) {
    case u';':
        return ccSemicolon;
    case u'-':
        return ccDash;
    case u'[':
        return ccOpen;
    case u']':
        return ccClose;
    case u':':
        return ccColon;
    default:
        return ccOther;
    }
}

bool isIllegalInSheetName(QChar c)
{
    return QStringView(u":\\/?*[]").contains(c);
}

[[noreturn]] void unknownSymbol(QChar c, int pos)
{
    fail(QStringLiteral("The %1 symbol at position %2 is unknown").arg(c).arg(pos));
}

[[noreturn]] void unexpectedSymbol(QChar c, int pos)
{
    fail(QStringLiteral("The symbol %1 at position %2 is unexpected").arg(c).arg(pos));
}

QString symbolName(QChar c)
{
    return c == u';' ? kEndOfRange : QString(c);
}

[[noreturn]] void expected(const char* what, QChar c, int pos)
{
    fail(QStringLiteral("%1 expected but %2 found (position %3)")
             .arg(QLatin1String(what), symbolName(c))
             .arg(pos));
}

// A run of digits as a number, refused with its position when too long for any bound.
int checkedNumber(const QString& digits, int pos)
{
    if (digits.size() > 9)
        fail(QStringLiteral("Number %1 at position %2 is too large").arg(digits).arg(pos));
    return digits.toInt();
}

int checkedRow(const QString& digits, int pos)
{
    const int row = checkedNumber(digits, pos);
    if (row < 1 || row > MaxRow)
        fail(QStringLiteral("Row %1 is out of range [%2..%3]").arg(row).arg(1).arg(MaxRow));
    return row;
}

int checkedCol(const QString& letters)
{
    const int col = MapColLettersToIndex(letters);
    if (col == 0) {
        // The number when it is one, else the letters themselves.
        QString shown = letters;
        if (letters.size() <= 12) {
            qint64 n = 0;
            for (QChar c : letters)
                n = n * 26 + (c.unicode() - u'A' + 1);
            shown = QString::number(n);
        }
        fail(QStringLiteral("Column %1 is out of range [%2..%3]")
                 .arg(shown, MapColIndexToLetters(1), MapColIndexToLetters(MaxCol)));
    }
    return col;
}

bool isOpenWord(const QString& w)
{
    return w == kColStart || w == kColFinish || w == kRowStart || w == kRowFinish;
}

QString cellText(int row, int col)
{
    return MapColIndexToLetters(col) + QString::number(row);
}

} // namespace

int MapColLettersToIndex(const QString& Letters)
{
    const int n = ColumnLettersToNumber(Letters);
    return n <= MaxCol ? n : 0;
}

QString MapColIndexToLetters(int Col)
{
    QString out;
    while (Col > 0) {
        const int r = (Col - 1) % 26;
        out.prepend(QChar(u'A' + r));
        Col = (Col - 1) / 26;
    }
    return out;
}

// ---- TMapRange ----

TSheetWorkbook* TMapRange::Workbook() const
{
    return FMapRow ? FMapRow->Workbook() : nullptr;
}

int TMapRange::SkipRows() const
{
    return FMapRow && FMapRow->Owner() ? std::max(0, FMapRow->Owner()->SkipRows) : 0;
}

int TMapRange::SkipCols() const
{
    return FMapRow && FMapRow->Owner() ? std::max(0, FMapRow->Owner()->SkipCols) : 0;
}

namespace {

// Cells of a run from start to finish that lie past the first skip lines.
int runCount(int start, int finish, bool backward, int skip)
{
    if (start == 0 || finish == 0)
        return 0; // an open end not yet resolved
    if (!backward) {
        const int first = std::max(start, skip + 1);
        return finish < first ? 0 : finish - first + 1;
    }
    if (start <= skip)
        return 0;
    const int last = std::max(finish, skip + 1);
    return start < last ? 0 : start - last + 1;
}

} // namespace

void TMapRange::UpdateKind()
{
    if (StartRow >= 1 && StartCol >= 1 && StartRow == FinishRow && StartCol == FinishCol)
        FKind = rkCell;
    else if (StartCol >= 1 && StartCol == FinishCol)
        FKind = rkColumn;
    else if (StartRow >= 1 && StartRow == FinishRow)
        FKind = rkRow;
    else
        FKind = rkUndetermined;
    UpdateCount();
}

void TMapRange::KeepRun(quint8 Kind)
{
    UpdateKind();
    const bool firstCell = FKind == rkCell && ((Kind == rkColumn && StartRow == 1) ||
                                               (Kind == rkRow && StartCol == 1));
    if (!firstCell)
        return;
    FKind = Kind;
    UpdateCount();
}

void TMapRange::UpdateCount()
{
    const bool backward = Direction == dirBackward ||
                          (Direction == dirUnset && FKind == rkColumn && StartRow > FinishRow) ||
                          (Direction == dirUnset && FKind == rkRow && StartCol > FinishCol);
    switch (FKind) {
    case rkColumn:
        FCellCount =
            StartCol <= SkipCols() ? 0 : runCount(StartRow, FinishRow, backward, SkipRows());
        break;
    case rkRow:
        FCellCount =
            StartRow <= SkipRows() ? 0 : runCount(StartCol, FinishCol, backward, SkipCols());
        break;
    case rkCell:
        FCellCount = StartRow > SkipRows() && StartCol > SkipCols() ? 1 : 0;
        break;
    default:
        FCellCount = 0;
    }
}

void TMapRange::UpdateDirection()
{
    if (FKind == rkColumn && StartRow >= 1 && FinishRow >= 1)
        Direction = StartRow < FinishRow ? dirForward : dirBackward;
    else if (FKind == rkRow && StartCol >= 1 && FinishCol >= 1)
        Direction = StartCol < FinishCol ? dirForward : dirBackward;
    else if (FKind == rkCell)
        Direction = dirUnset;
}

void TMapRange::Assign(const TMapRange& Source)
{
    StartRow = Source.StartRow;
    StartCol = Source.StartCol;
    FinishRow = Source.FinishRow;
    FinishCol = Source.FinishCol;
    Direction = Source.Direction;
    SheetKind = Source.SheetKind;
    SheetNumber = Source.SheetNumber;
    SheetName = Source.SheetName;
    FSheetIndex = Source.FSheetIndex;
    UpdateKind();
}

QString TMapRange::GetAsString() const
{
    QString body;
    const bool backward = Direction == dirBackward;
    switch (FKind) {
    case rkCell:
        body = cellText(StartRow, StartCol);
        break;
    case rkColumn: {
        const QString letters = MapColIndexToLetters(StartCol);
        const QString& startWord = backward ? kColFinish : kColStart;
        const QString& finishWord = backward ? kColStart : kColFinish;
        if (StartRow >= 1 && FinishRow >= 1)
            body = cellText(StartRow, StartCol) + u'-' + cellText(FinishRow, FinishCol);
        else if (FinishRow >= 1)
            body = startWord + u'-' + cellText(FinishRow, FinishCol);
        else if (StartRow >= 1)
            body = cellText(StartRow, StartCol) + u'-' + finishWord;
        else
            body = letters + u'-' + finishWord;
        break;
    }
    case rkRow: {
        const QString& startWord = backward ? kRowFinish : kRowStart;
        const QString& finishWord = backward ? kRowStart : kRowFinish;
        if (StartCol >= 1 && FinishCol >= 1)
            body = cellText(StartRow, StartCol) + u'-' + cellText(FinishRow, FinishCol);
        else if (FinishCol >= 1)
            body = startWord + u'-' + cellText(FinishRow, FinishCol);
        else if (StartCol >= 1)
            body = cellText(StartRow, StartCol) + u'-' + finishWord;
        else
            body = QString::number(StartRow) + u'-' + finishWord;
        break;
    }
    default:
        return QString();
    }
    QString prefix;
    if (SheetKind == skName)
        prefix = u'[' + SheetName + u']';
    else if (SheetKind == skNumber)
        prefix = QStringLiteral("[:%1]").arg(SheetNumber);
    return prefix + body + u';';
}

bool TMapRange::MatchesSheet(const QString& Name, int Number) const
{
    switch (SheetKind) {
    case skNumber:
        return SheetNumber == Number;
    case skName:
        return SheetName.compare(Name, Qt::CaseInsensitive) == 0;
    default:
        return true;
    }
}

namespace {

// Whether v lies on a run from start to finish, either of which may be open (0).
bool onRun(int v, int start, int finish, bool backward)
{
    if (start >= 1 && finish >= 1)
        return v >= std::min(start, finish) && v <= std::max(start, finish);
    if (start >= 1)
        return backward ? v <= start : v >= start;
    if (finish >= 1)
        return backward ? v >= finish : v <= finish;
    return true;
}

} // namespace

bool TMapRange::ContainsCell(const QString& SheetName, int SheetNumber, int Row, int Col) const
{
    if (!MatchesSheet(SheetName, SheetNumber))
        return false;
    const bool backward = Direction == dirBackward;
    switch (FKind) {
    case rkColumn:
        return Col == StartCol && onRun(Row, StartRow, FinishRow, backward);
    case rkRow:
        return Row == StartRow && onRun(Col, StartCol, FinishCol, backward);
    case rkCell:
        return Row == StartRow && Col == StartCol;
    default:
        return false;
    }
}

void TMapRange::CellAt(int Index, int& Row, int& Col) const
{
    const bool backward = Direction == dirBackward;
    Row = StartRow;
    Col = StartCol;
    if (FKind == rkColumn)
        Row = backward ? StartRow - Index + 1 : std::max(StartRow, SkipRows() + 1) + Index - 1;
    else if (FKind == rkRow)
        Col = backward ? StartCol - Index + 1 : std::max(StartCol, SkipCols() + 1) + Index - 1;
}

// ---- TMapRow ----

TMapRow::TMapRow(TMapRowList* Owner) : FOwner(Owner) {}

TMapRow::~TMapRow() = default;

TSheetWorkbook* TMapRow::Workbook() const
{
    return FOwner ? FOwner->Workbook() : FWorkbook;
}

void TMapRow::Delete(int Index)
{
    FItems.erase(FItems.begin() + Index);
}

void TMapRow::Add(std::unique_ptr<TMapRange> Range)
{
    Range->FMapRow = this;
    Resolve(*Range);
    FItems.push_back(std::move(Range));
}

void TMapRow::TakeAll(TMapRow& Source)
{
    if (&Source == this)
        return;
    std::vector<std::unique_ptr<TMapRange>> taken = std::move(Source.FItems);
    Source.FItems.clear();
    for (auto& r : taken)
        Add(std::move(r));
}

void TMapRow::Resolve(TMapRange& r)
{
    r.UpdateKind();
    TSheetWorkbook* wb = Workbook();
    if (!wb)
        return;
    if (!wb->IsLoaded())
        wb->Load();
    if (wb->SheetCount() == 0)
        fail(QStringLiteral("The source file holds no worksheet"));
    int sheet = 0;
    if (r.SheetKind == TMapRange::skNumber) {
        sheet = r.SheetNumber - 1;
        if (sheet < 0 || sheet >= wb->SheetCount())
            fail(QStringLiteral("Sheet %1 is not found in the source file").arg(r.SheetNumber));
    } else if (r.SheetKind == TMapRange::skName) {
        sheet = wb->SheetIndexByName(r.SheetName);
        if (sheet < 0)
            fail(QStringLiteral("Sheet with name %1 is not found in the source file")
                     .arg(r.SheetName));
    }
    r.FSheetIndex = sheet;
    const bool forward = r.Direction != TMapRange::dirBackward;
    // Open ends become the first or last filled cell; a closed run needs no filled cell.
    if (r.Kind() == TMapRange::rkRow && (r.StartCol == 0 || r.FinishCol == 0)) {
        const int first = wb->FirstCol(sheet, r.StartRow - 1);
        const int last = wb->LastCol(sheet, r.StartRow - 1);
        if (first < 0)
            fail(QStringLiteral("Row %1 not found in the sheet %2")
                     .arg(r.StartRow)
                     .arg(wb->SheetName(sheet)));
        if (r.StartCol == 0)
            r.StartCol = (forward ? first : last) + 1;
        if (r.FinishCol == 0)
            r.FinishCol = (forward ? last : first) + 1;
    } else if (r.Kind() == TMapRange::rkColumn && (r.StartRow == 0 || r.FinishRow == 0)) {
        const int first = wb->FirstRow(sheet, r.StartCol - 1);
        const int last = wb->LastRow(sheet, r.StartCol - 1);
        if (first < 0)
            fail(QStringLiteral("Col %1 not found in the sheet %2")
                     .arg(r.StartCol)
                     .arg(wb->SheetName(sheet)));
        if (r.StartRow == 0)
            r.StartRow = forward ? 1 : last + 1;
        if (r.FinishRow == 0)
            r.FinishRow = (forward ? last : first) + 1;
    }
    r.UpdateKind();
}

bool TMapRow::ContainsCell(const QString& SheetName, int SheetNumber, int Row, int Col) const
{
    for (const auto& r : FItems)
        if (r->ContainsCell(SheetName, SheetNumber, Row, Col))
            return true;
    return false;
}

int TMapRow::NeighbourFlags(const QString& SheetName, int SheetNumber, int Row, int Col) const
{
    int flags = 0;
    for (const auto& r : FItems) {
        if (r->ContainsCell(SheetName, SheetNumber, Row, Col - 1))
            flags |= nbLeft;
        if (r->ContainsCell(SheetName, SheetNumber, Row, Col + 1))
            flags |= nbRight;
        if (r->ContainsCell(SheetName, SheetNumber, Row - 1, Col))
            flags |= nbAbove;
        if (r->ContainsCell(SheetName, SheetNumber, Row + 1, Col))
            flags |= nbBelow;
        if (flags == (nbLeft | nbRight | nbAbove | nbBelow))
            break;
    }
    return flags;
}

QString TMapRow::GetAsString() const
{
    QString out;
    for (const auto& r : FItems)
        out += r->GetAsString();
    return out;
}

int TMapRow::IndexOfText(const QString& Text) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i)->GetAsString().compare(Text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TMapRow::TotalCount() const
{
    int total = 0;
    for (const auto& r : FItems)
        total += r->CellCount();
    return total;
}

bool TMapRow::CellOf(int Index, int& Sheet, int& Row, int& Col) const
{
    if (Index < 1)
        return false;
    for (const auto& r : FItems) {
        if (Index > r->CellCount()) {
            Index -= r->CellCount();
            continue;
        }
        r->CellAt(Index, Row, Col);
        Sheet = r->SheetIndex() >= 0 ? r->SheetIndex() : 0;
        return true;
    }
    return false;
}

QString TMapRow::Value(int Index) const
{
    TSheetWorkbook* wb = Workbook();
    int sheet = 0, row = 0, col = 0;
    if (!wb || !CellOf(Index, sheet, row, col))
        return QString();
    return wb->CellText(sheet, row - 1, col - 1);
}

// ---- the parser ----

namespace {

class RangeParser
{
public:
    RangeParser(TMapRow& row, const QString& text) : m_row(row), m_text(text) {}

    void run()
    {
        newRange();
        for (int i = 0; i < m_text.size(); ++i)
            step(m_text[i], i + 1);
        if (m_state != 0 || m_prefix)
            fail(QStringLiteral("Unexpected end of range"));
    }

private:
    void newRange() { m_range = std::make_unique<TMapRange>(&m_row); }

    void complete()
    {
        m_row.Add(std::move(m_range));
        newRange();
        m_prefix = false;
        m_word.clear();
        m_opening = None;
        m_state = 0;
    }

    void startWord(QChar c, int pos)
    {
        m_word = c;
        m_wordPos = pos;
    }

    // A START or FINISH word that opens a range: its kind and the direction it gives.
    void openingWord()
    {
        if (!isOpenWord(m_word))
            fail(QStringLiteral("Expect %1 but %2 found").arg(kOpenWords, m_word));
        m_opening = m_word.startsWith(u'C') ? Column : Row;
        m_range->Direction = m_word.endsWith(QLatin1String("START")) ? TMapRange::dirForward
                                                                     : TMapRange::dirBackward;
    }

    void step(QChar c, int pos)
    {
        const CharClass cc = classOf(c);
        if (cc == ccOther && m_state != 11 && m_state != 12)
            unknownSymbol(c, pos);
        TMapRange& r = *m_range;
        switch (m_state) {
        case 0:
            if (cc == ccLetter) {
                startWord(c, pos);
                m_state = 1;
            } else if (cc == ccDigit) {
                startWord(c, pos);
                m_state = 8;
            } else if (cc == ccOpen && !m_prefix) {
                m_state = 11;
            } else if (cc == ccSemicolon) {
                fail(QStringLiteral("Unexpected end of range"));
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        case 1:
            if (cc == ccLetter) {
                m_word += c;
            } else if (cc == ccDigit) {
                r.StartCol = checkedCol(m_word);
                startWord(c, pos);
                m_state = 2;
            } else if (cc == ccDash) {
                if (const int col = MapColLettersToIndex(m_word)) {
                    r.StartCol = col;
                    m_state = 6;
                } else {
                    openingWord();
                    m_state = 3;
                }
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        case 2:
            if (cc == ccDigit) {
                m_word += c;
            } else if (cc == ccSemicolon) {
                r.StartRow = r.FinishRow = checkedRow(m_word, m_wordPos);
                r.FinishCol = r.StartCol;
                complete();
            } else if (cc == ccDash) {
                r.StartRow = checkedRow(m_word, m_wordPos);
                m_state = 3;
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        case 3:
            if (cc == ccLetter) {
                startWord(c, pos);
                m_state = 4;
            } else {
                expected("Letter", c, pos);
            }
            break;
        case 4:
            if (cc == ccLetter) {
                m_word += c;
            } else if (cc == ccDigit) {
                r.FinishCol = checkedCol(m_word);
                startWord(c, pos);
                m_state = 5;
            } else if (cc == ccSemicolon && m_opening == None) {
                if (!isOpenWord(m_word))
                    fail(QStringLiteral("Expect %1 but %2 found").arg(kOpenWords, m_word));
                const bool start = m_word.endsWith(QLatin1String("START"));
                if (m_word.startsWith(u'R'))
                    r.FinishRow = r.StartRow;
                else
                    r.FinishCol = r.StartCol;
                r.Direction = start ? TMapRange::dirBackward : TMapRange::dirForward;
                complete();
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        case 5:
            if (cc == ccDigit) {
                m_word += c;
            } else if (cc == ccSemicolon) {
                r.FinishRow = checkedRow(m_word, m_wordPos);
                if (m_opening == Column) {
                    r.StartCol = r.FinishCol;
                } else if (m_opening == Row) {
                    r.StartRow = r.FinishRow;
                } else {
                    if (r.StartCol != r.FinishCol && r.StartRow != r.FinishRow)
                        fail(QStringLiteral("Range %1 is fail. It must be COL or ROW")
                                 .arg(cellText(r.StartRow, r.StartCol) + u'-' +
                                      cellText(r.FinishRow, r.FinishCol)));
                    const bool follows = r.StartCol == r.FinishCol ? r.StartRow > r.FinishRow
                                                                   : r.StartCol > r.FinishCol;
                    r.Direction = follows ? TMapRange::dirBackward : TMapRange::dirForward;
                }
                complete();
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        case 6:
            if (cc == ccLetter) {
                startWord(c, pos);
                m_state = 7;
            } else {
                expected("Letter", c, pos);
            }
            break;
        case 7:
        case 10: {
            const bool column = m_state == 7;
            if (cc == ccLetter) {
                m_word += c;
            } else if (cc == ccSemicolon) {
                const QString& startW = column ? kColStart : kRowStart;
                const QString& finishW = column ? kColFinish : kRowFinish;
                if (m_word != startW && m_word != finishW)
                    fail(QStringLiteral("Expect %1 but %2 found")
                             .arg(startW + QStringLiteral(" or ") + finishW, m_word));
                if (column)
                    r.FinishCol = r.StartCol;
                else
                    r.FinishRow = r.StartRow;
                r.Direction = m_word == startW ? TMapRange::dirBackward : TMapRange::dirForward;
                complete();
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        }
        case 8:
            if (cc == ccDigit) {
                m_word += c;
            } else if (cc == ccDash) {
                r.StartRow = checkedRow(m_word, m_wordPos);
                m_state = 9;
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        case 9:
            if (cc == ccLetter) {
                startWord(c, pos);
                m_state = 10;
            } else {
                expected("Letter", c, pos);
            }
            break;
        case 11:
            if (cc == ccColon) {
                m_state = 13;
            } else if (isIllegalInSheetName(c)) {
                fail(
                    QStringLiteral("Illegal char %1 in sheet name at position %2").arg(c).arg(pos));
            } else {
                startWord(c, pos);
                m_state = 12;
            }
            break;
        case 12:
            if (cc == ccClose) {
                r.SheetKind = TMapRange::skName;
                r.SheetName = m_word;
                m_prefix = true;
                m_state = 0;
            } else if (isIllegalInSheetName(c)) {
                fail(
                    QStringLiteral("Illegal char %1 in sheet name at position %2").arg(c).arg(pos));
            } else {
                m_word += c;
            }
            break;
        case 13:
            if (cc == ccDigit) {
                startWord(c, pos);
                m_state = 14;
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        case 14:
            if (cc == ccDigit) {
                m_word += c;
            } else if (cc == ccClose) {
                const int number = checkedNumber(m_word, m_wordPos);
                if (number < 1)
                    fail(QStringLiteral("Sheet number %1 at position %2 is out of range")
                             .arg(number)
                             .arg(m_wordPos));
                r.SheetKind = TMapRange::skNumber;
                r.SheetNumber = number;
                m_prefix = true;
                m_state = 0;
            } else {
                unexpectedSymbol(c, pos);
            }
            break;
        }
    }

    enum Opening { None, Column, Row };
    TMapRow& m_row;
    const QString& m_text;
    std::unique_ptr<TMapRange> m_range;
    QString m_word;
    int m_wordPos = 0;
    int m_state = 0;
    bool m_prefix = false;
    Opening m_opening = None;
};

// Column letters and the open-end words are read in any letter case; a sheet's name is kept as
// written (upper-casing "Straße" gives "STRASSE", which names no sheet), and one character at a
// time keeps the positions of the messages.
QString prepared(const QString& text)
{
    QString s = text.trimmed();
    bool inName = false;
    for (QChar& c : s) {
        if (c == u'[')
            inName = true;
        else if (c == u']')
            inName = false;
        else if (!inName)
            c = c.toUpper();
    }
    if (!s.isEmpty() && !s.endsWith(u';'))
        s += u';';
    return s;
}

} // namespace

void TMapRow::SetAsString(const QString& Text)
{
    FItems.clear();
    const QString s = prepared(Text);
    if (s.isEmpty())
        return;
    RangeParser(*this, s).run();
}

// ---- editing ----

namespace {

bool sameSheet(const TMapRange& a, const TMapRange& b)
{
    if (a.SheetKind != b.SheetKind)
        return false;
    if (a.SheetKind == TMapRange::skNumber)
        return a.SheetNumber == b.SheetNumber;
    if (a.SheetKind == TMapRange::skName)
        return a.SheetName.compare(b.SheetName, Qt::CaseInsensitive) == 0;
    return true;
}

} // namespace

void TMapRow::MergeRanges()
{
    for (int i = Count() - 1; i >= 1; --i) {
        TMapRange& c = *GetItem(i);
        TMapRange& p = *GetItem(i - 1);
        if (!sameSheet(p, c))
            continue;
        bool merged = false;
        const bool cForward = c.Direction != TMapRange::dirBackward;
        if (p.Kind() == TMapRange::rkColumn || p.Kind() == TMapRange::rkRow) {
            const bool column = p.Kind() == TMapRange::rkColumn;
            const bool fits = c.Kind() == TMapRange::rkCell ||
                              (c.Kind() == p.Kind() && c.Direction == p.Direction);
            const bool sameLine = column ? c.StartCol == p.StartCol : c.StartRow == p.StartRow;
            if (fits && sameLine) {
                int& pFinish = column ? p.FinishRow : p.FinishCol;
                const int cStart = column ? c.StartRow : c.StartCol;
                const int cFinish = column ? c.FinishRow : c.FinishCol;
                const int step = p.Direction == TMapRange::dirBackward ? -1 : 1;
                if (pFinish >= 1 && cStart >= 1 && pFinish + step == cStart) {
                    pFinish = cFinish;
                    merged = true;
                }
            }
        } else if (p.Kind() == TMapRange::rkCell) {
            if (c.Kind() == TMapRange::rkColumn || c.Kind() == TMapRange::rkRow) {
                const bool column = c.Kind() == TMapRange::rkColumn;
                const bool sameLine = column ? c.StartCol == p.StartCol : c.StartRow == p.StartRow;
                const int pAt = column ? p.StartRow : p.StartCol;
                const int cStart = column ? c.StartRow : c.StartCol;
                const int cFinish = column ? c.FinishRow : c.FinishCol;
                const int step = cForward ? 1 : -1;
                if (sameLine && cFinish >= 1 && pAt == cFinish + step) {
                    (column ? p.StartRow : p.StartCol) = cStart;
                    merged = true;
                } else if (sameLine && cStart >= 1 && pAt == cStart - step) {
                    (column ? p.FinishRow : p.FinishCol) = cFinish;
                    merged = true;
                }
            } else if (c.Kind() == TMapRange::rkCell) {
                if (c.StartCol == p.StartCol && std::abs(c.StartRow - p.StartRow) == 1) {
                    p.FinishRow = c.StartRow;
                    merged = true;
                } else if (c.StartRow == p.StartRow && std::abs(c.StartCol - p.StartCol) == 1) {
                    p.FinishCol = c.StartCol;
                    merged = true;
                }
            }
        }
        if (merged) {
            p.UpdateKind();
            p.UpdateDirection();
            p.UpdateKind();
            Delete(i);
        }
    }
}

void TMapRow::ExcludeCell(const QString& SheetName, int SheetNumber, int Row, int Col)
{
    QString text;
    for (const auto& r : FItems) {
        if (!r->ContainsCell(SheetName, SheetNumber, Row, Col)) {
            text += r->GetAsString();
            continue;
        }
        if (r->Kind() == TMapRange::rkCell)
            continue;
        const bool column = r->Kind() == TMapRange::rkColumn;
        const int at = column ? Row : Col;
        const int step = r->Direction == TMapRange::dirBackward ? -1 : 1;
        const int limit = column ? MapRangeLimits::MaxRow : MapRangeLimits::MaxCol;
        const auto startOf = [column](TMapRange& x) -> int& {
            return column ? x.StartRow : x.StartCol;
        };
        const auto finishOf = [column](TMapRange& x) -> int& {
            return column ? x.FinishRow : x.FinishCol;
        };
        TMapRange copy;
        copy.Assign(*r);
        if (startOf(copy) == at) {
            startOf(copy) += step;
            copy.UpdateKind();
            text += copy.GetAsString();
        } else if (finishOf(copy) == at) {
            finishOf(copy) -= step;
            copy.UpdateKind();
            text += copy.GetAsString();
        } else {
            TMapRange before;
            before.Assign(*r);
            finishOf(before) = at - step;
            if (finishOf(before) >= 1 && finishOf(before) <= limit) {
                before.UpdateKind();
                text += before.GetAsString();
            }
            TMapRange after;
            after.Assign(*r);
            startOf(after) = at + step;
            if (startOf(after) >= 1 && startOf(after) <= limit) {
                after.UpdateKind();
                text += after.GetAsString();
            }
        }
    }
    SetAsString(text);
}

// ---- TMapRowList ----

void TMapRowList::UpdateLongestShortest()
{
    FLongest = FShortest = -1;
    for (int i = 0; i < Count(); ++i) {
        const int n = GetItem(i)->TotalCount();
        if (FLongest < 0 || n > GetItem(FLongest)->TotalCount())
            FLongest = i;
        if (FShortest < 0 || n < GetItem(FShortest)->TotalCount())
            FShortest = i;
    }
}

// ---- part checks of the range editor ----

namespace {

enum PartKind { CellPart, ColPart, RowPart, SheetNumberPart, SheetNamePart };

struct PartResult
{
    QString letters;
    QString digits;
    int digitsPos = 0;
    QString name;
};

PartResult parsePart(const QString& text, PartKind kind)
{
    // A sheet name keeps its letters as written; names compare without case.
    QString s = kind == SheetNamePart ? text.trimmed() : text.trimmed().toUpper();
    if (!s.endsWith(u';'))
        s += u';';
    static const char* const kEmpty[] = {"Cell is empty", "Col is empty", "Row is empty",
                                         "Sheet is empty", "Sheet is empty"};
    static const char* const kLong[] = {"So long cell definition", "So long col definition",
                                        "So long row definition", "So long sheet definition",
                                        "So long sheet definition"};
    if (s.size() == 1)
        fail(QLatin1String(kEmpty[kind]));
    PartResult r;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        const int pos = i + 1;
        const CharClass cc = classOf(c);
        if (cc == ccSemicolon) {
            if (i != s.size() - 1)
                fail(QLatin1String(kLong[kind]));
            if (kind == CellPart && r.digits.isEmpty())
                expected("Number", c, pos);
            break;
        }
        if (kind == SheetNamePart) {
            if (isIllegalInSheetName(c))
                fail(
                    QStringLiteral("Illegal char %1 in sheet name at position %2").arg(c).arg(pos));
            r.name += c;
            continue;
        }
        if (cc == ccOther)
            unknownSymbol(c, pos);
        const bool wantLetter = kind == ColPart || (kind == CellPart && r.digits.isEmpty());
        const bool wantDigit = kind == RowPart || kind == SheetNumberPart ||
                               (kind == CellPart && !r.letters.isEmpty());
        if (cc == ccLetter && wantLetter) {
            r.letters += c;
        } else if (cc == ccDigit && wantDigit) {
            if (r.digits.isEmpty())
                r.digitsPos = pos;
            r.digits += c;
        } else if (kind == ColPart) {
            expected("Letter", c, pos);
        } else if (wantDigit) {
            expected("Number", c, pos);
        } else {
            unexpectedSymbol(c, pos);
        }
    }
    return r;
}

} // namespace

void ParseCellDefinition(const QString& Text, int& Col, int& Row)
{
    const PartResult r = parsePart(Text, CellPart);
    Col = checkedCol(r.letters);
    Row = checkedRow(r.digits, r.digitsPos);
}

int ParseColDefinition(const QString& Text)
{
    return checkedCol(parsePart(Text, ColPart).letters);
}

int ParseRowDefinition(const QString& Text)
{
    const PartResult r = parsePart(Text, RowPart);
    return checkedRow(r.digits, r.digitsPos);
}

int ParseSheetNumberDefinition(const QString& Text)
{
    const PartResult r = parsePart(Text, SheetNumberPart);
    return checkedNumber(r.digits, r.digitsPos);
}

QString ParseSheetNameDefinition(const QString& Text)
{
    return parsePart(Text, SheetNamePart).name;
}
