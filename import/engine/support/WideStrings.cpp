#include "import/engine/support/WideStrings.h"

#include "platform/files/Files.h"

#include <QBuffer>
#include <QCollator>
#include <QFile>
#include <QIODevice>
#include <QLocale>

#include <optional>

namespace {

// Collators are costly to build: keep one per thread and case rule, rebuilt when the
// default locale changes.
const QCollator& collator(bool caseSensitive)
{
    thread_local std::optional<QCollator> cs, ci;
    thread_local QLocale builtFor = QLocale::c();
    thread_local bool built = false;
    const QLocale current;
    if (!built || current != builtFor) {
        cs.emplace(current);
        cs->setCaseSensitivity(Qt::CaseSensitive);
        ci.emplace(current);
        ci->setCaseSensitivity(Qt::CaseInsensitive);
        builtFor = current;
        built = true;
    }
    return caseSensitive ? *cs : *ci;
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

const QChar CR(u'\r');
const QChar LF(u'\n');
const QChar LineSeparator(0x2028);

} // namespace

// ---- unit routines ----

int WideCompareStr(const QString& S1, const QString& S2)
{
    return sign(collator(true).compare(S1, S2));
}

int WideCompareText(const QString& S1, const QString& S2)
{
    return sign(collator(false).compare(S1, S2));
}

QString WideUpperCase(const QString& S)
{
    return S.toUpper();
}
QString WideLowerCase(const QString& S)
{
    return S.toLower();
}

int WidePos(const QString& SubStr, const QString& S)
{
    if (SubStr.isEmpty() || S.isEmpty())
        return 0;
    return int(S.indexOf(SubStr, 0, Qt::CaseSensitive)) + 1;
}

void WideInsert(const QString& Source, QString& S, int Index)
{
    if (Source.isEmpty())
        return;
    if (Index < 1)
        Index = 1;
    if (Index > S.size() + 1)
        Index = int(S.size()) + 1;
    S.insert(Index - 1, Source);
}

void WideDelete(QString& S, int Index, int Count)
{
    if (Index < 1 || Index > S.size() || Count <= 0)
        return;
    S.remove(Index - 1, Count);
}

QString WideStringReplace(const QString& S, const QString& OldPattern, const QString& NewPattern,
                          int Flags)
{
    if (OldPattern.isEmpty())
        return S;
    const bool ignoreCase = Flags & wrfIgnoreCase;
    // Upper-cased copies only guide the search; the text copied comes from S.
    const QString searchIn = ignoreCase ? S.toUpper() : S;
    const QString pattern = ignoreCase ? OldPattern.toUpper() : OldPattern;
    if (searchIn.size() != S.size()) {
        // Case mapping changed the length (e.g. "ß"): fall back to Qt's folding search.
        QString result;
        qsizetype from = 0;
        const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
        while (true) {
            const qsizetype at = S.indexOf(OldPattern, from, cs);
            if (at < 0)
                break;
            result += QStringView(S).mid(from, at - from);
            result += NewPattern;
            from = at + OldPattern.size();
            if (!(Flags & wrfReplaceAll))
                break;
        }
        result += QStringView(S).mid(from);
        return result;
    }
    QString result;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = searchIn.indexOf(pattern, from, Qt::CaseSensitive);
        if (at < 0)
            break;
        result += QStringView(S).mid(from, at - from);
        result += NewPattern;
        from = at + pattern.size();
        if (!(Flags & wrfReplaceAll))
            break;
    }
    result += QStringView(S).mid(from);
    return result;
}

QString WideQuotedStr(const QString& S, QChar Quote)
{
    QString result;
    result.reserve(S.size() + 2);
    result += Quote;
    for (QChar c : S) {
        result += c;
        if (c == Quote)
            result += Quote;
    }
    result += Quote;
    return result;
}

// ---- TWideStrings ----

QChar TWideStrings::Delimiter() const
{
    if (!(FDefined & sdDelimiter)) {
        FDelimiter = QChar(u',');
        FDefined |= sdDelimiter;
    }
    return FDelimiter;
}

void TWideStrings::SetDelimiter(QChar Value)
{
    if (FDelimiter != Value || !(FDefined & sdDelimiter)) {
        FDefined |= sdDelimiter;
        FDelimiter = Value;
    }
}

QChar TWideStrings::QuoteChar() const
{
    if (!(FDefined & sdQuoteChar)) {
        FQuoteChar = QChar(u'"');
        FDefined |= sdQuoteChar;
    }
    return FQuoteChar;
}

void TWideStrings::SetQuoteChar(QChar Value)
{
    if (FQuoteChar != Value || !(FDefined & sdQuoteChar)) {
        FDefined |= sdQuoteChar;
        FQuoteChar = Value;
    }
}

QChar TWideStrings::NameValueSeparator() const
{
    if (!(FDefined & sdNameValueSeparator)) {
        FNameValueSeparator = QChar(u'=');
        FDefined |= sdNameValueSeparator;
    }
    return FNameValueSeparator;
}

void TWideStrings::SetNameValueSeparator(QChar Value)
{
    if (FNameValueSeparator != Value || !(FDefined & sdNameValueSeparator)) {
        FDefined |= sdNameValueSeparator;
        FNameValueSeparator = Value;
    }
}

QString TWideStrings::Values(const QString& Name) const
{
    const int i = IndexOfName(Name);
    if (i < 0)
        return QString();
    return Get(i).mid(Name.size() + 1);
}

void TWideStrings::SetValues(const QString& Name, const QString& Value)
{
    const int i = IndexOfName(Name);
    if (!Value.isEmpty()) {
        // A new line goes in whole, in one step: a list that refuses it (a sorted one) is left
        // as it was, with no empty line behind.
        const QString line = Name + NameValueSeparator() + Value;
        if (i < 0)
            Insert(GetCount(), line);
        else
            Put(i, line);
    } else if (i >= 0) {
        Delete(i);
    }
}

void TWideStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TWideStrings::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        SetUpdateState(false);
}

void TWideStrings::Assign(const TWideStrings& Source)
{
    if (&Source == this)
        return;
    BeginUpdate();
    try {
        Clear();
        FDefined = Source.FDefined;
        FDelimiter = Source.FDelimiter;
        FQuoteChar = Source.FQuoteChar;
        FNameValueSeparator = Source.FNameValueSeparator;
        AddStrings(Source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::Assign(const QStringList& Source)
{
    BeginUpdate();
    try {
        Clear();
        AddStrings(Source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::AssignTo(QStringList& Dest) const
{
    Dest = ToStringList();
}

QStringList TWideStrings::ToStringList() const
{
    QStringList result;
    const int n = GetCount();
    result.reserve(n);
    for (int i = 0; i < n; ++i)
        result.append(Get(i));
    return result;
}

int TWideStrings::GetCapacity() const
{
    return GetCount();
}
void* TWideStrings::GetObject(int) const
{
    return nullptr;
}

QString TWideStrings::GetTextStr() const
{
    QString result;
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
        result += Get(i);
        result += CR;
        result += LF;
    }
    return result;
}

void TWideStrings::Put(int Index, const QString& S)
{
    void* obj = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, obj);
}

void TWideStrings::PutObject(int, void*) {}
void TWideStrings::SetCapacity(int) {}

void TWideStrings::SetTextStr(const QString& Text)
{
    BeginUpdate();
    try {
        Clear();
        const QChar* p = Text.constData();
        const QChar* end = p + Text.size();
        while (p < end) {
            const QChar* start = p;
            while (p < end && *p != QChar(0) && *p != CR && *p != LF && *p != LineSeparator)
                ++p;
            Add(QString(start, p - start));
            // A NUL ends the text as it would end a C string.
            if (p < end && *p == QChar(0))
                break;
            if (p < end && *p == CR)
                ++p;
            if (p < end && *p == LF)
                ++p;
            if (p < end && *p == LineSeparator)
                ++p;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::SetUpdateState(bool) {}

int TWideStrings::CompareStrings(const QString& S1, const QString& S2) const
{
    return WideCompareText(S1, S2);
}

int TWideStrings::Add(const QString& S)
{
    const int result = GetCount();
    Insert(result, S);
    return result;
}

int TWideStrings::AddObject(const QString& S, void* Obj)
{
    const int result = Add(S);
    PutObject(result, Obj);
    return result;
}

void TWideStrings::AddStrings(const QStringList& Strings)
{
    BeginUpdate();
    try {
        for (const QString& s : Strings)
            AddObject(s, nullptr);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::AddStrings(const TWideStrings& Strings)
{
    BeginUpdate();
    try {
        // Count taken first: adding a list to itself doubles it once.
        const int n = Strings.GetCount();
        for (int i = 0; i < n; ++i)
            AddObject(Strings.Get(i), Strings.GetObject(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::Exchange(int Index1, int Index2)
{
    BeginUpdate();
    try {
        const QString s = Get(Index1);
        void* o = GetObject(Index1);
        Put(Index1, Get(Index2));
        PutObject(Index1, GetObject(Index2));
        Put(Index2, s);
        PutObject(Index2, o);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TWideStrings::IndexOf(const QString& S) const
{
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (CompareStrings(Get(i), S) == 0)
            return i;
    return -1;
}

int TWideStrings::IndexOfName(const QString& Name) const
{
    const QChar sep = NameValueSeparator();
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
        const QString s = Get(i);
        const qsizetype p = s.indexOf(sep);
        if (p >= 0 && CompareStrings(s.left(p), Name) == 0)
            return i;
    }
    return -1;
}

int TWideStrings::IndexOfObject(void* Obj) const
{
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (GetObject(i) == Obj)
            return i;
    return -1;
}

void TWideStrings::InsertObject(int Index, const QString& S, void* Obj)
{
    Insert(Index, S);
    PutObject(Index, Obj);
}

void TWideStrings::LoadFromFile(const QString& FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EStringListError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, f.errorString()));
    LoadFromStream(f);
}

void TWideStrings::LoadFromStream(QIODevice& Stream)
{
    BeginUpdate();
    try {
        const qint64 size = Stream.isSequential() ? -1 : Stream.size() - Stream.pos();
        QByteArray bytes = size >= 0 ? Stream.read(size) : Stream.readAll();
        // Raw UTF-16 LE; an odd trailing byte is left out.
        const qsizetype chars = bytes.size() / 2;
        QString text(chars, Qt::Uninitialized);
        const uchar* b = reinterpret_cast<const uchar*>(bytes.constData());
        for (qsizetype i = 0; i < chars; ++i)
            text[i] = QChar(char16_t(b[2 * i] | (b[2 * i + 1] << 8)));
        SetTextStr(text);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    // Both places are checked before anything moves: a failed move leaves the list as it was.
    const QString s = Get(CurIndex);
    void* o = GetObject(CurIndex);
    if (NewIndex < 0 || NewIndex >= GetCount())
        throw EStringListError(QStringLiteral("List index out of bounds (%1)").arg(NewIndex));
    BeginUpdate();
    try {
        Delete(CurIndex);
        try {
            InsertObject(NewIndex, s, o);
        } catch (...) {
            // A descendant that refuses the insertion gets its item back where it was.
            try {
                InsertObject(CurIndex, s, o);
            } catch (...) {
            }
            throw;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::SaveToFile(const QString& FileName) const
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    SaveToStream(bytes);
    // Whole or not at all: a failed write leaves the old file as it was, and a pipe or a device
    // is written into, never replaced.
    if (const QString why = files::writeWhole(FileName, bytes.data()); !why.isEmpty())
        throw EStringListError(QStringLiteral("Cannot write file \"%1\". %2").arg(FileName, why));
}

void TWideStrings::SaveToStream(QIODevice& Stream) const
{
    const QString text = GetTextStr();
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        bytes[2 * i] = char(u & 0xFF);
        bytes[2 * i + 1] = char(u >> 8);
    }
    if (Stream.write(bytes) != bytes.size())
        throw EStringListError(QStringLiteral("Stream write error. %1").arg(Stream.errorString()));
}

// ---- TWideStringList ----

TWideStringList::~TWideStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TWideStringList::IndexError(int Index)
{
    throw EStringListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

void TWideStringList::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TWideStringList::SetCaseSensitive(bool Value)
{
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    // Find relies on the order, so it must follow the new comparison.
    if (FSorted && FCount > 1) {
        Changing();
        QuickSort(0, FCount - 1, [](TWideStringList* l, int a, int b) {
            return l->CompareStrings(l->FList[a].FString, l->FList[b].FString);
        });
        Changed();
    }
}

QString TWideStringList::Get(int Index) const
{
    if (Index < 0 || Index >= FCount)
        IndexError(Index);
    return FList[Index].FString;
}

void* TWideStringList::GetObject(int Index) const
{
    if (Index < 0 || Index >= FCount)
        IndexError(Index);
    return FList[Index].FObject;
}

void TWideStringList::Put(int Index, const QString& S)
{
    if (FSorted)
        throw EStringListError(QStringLiteral("Operation not allowed on sorted list"));
    if (Index < 0 || Index >= FCount)
        IndexError(Index);
    Changing();
    FList[Index].FString = S;
    Changed();
}

void TWideStringList::PutObject(int Index, void* Obj)
{
    if (Index < 0 || Index >= FCount)
        IndexError(Index);
    Changing();
    FList[Index].FObject = Obj;
    Changed();
}

void TWideStringList::SetCapacity(int NewCapacity)
{
    // Never below the count: that would drop items silently.
    if (NewCapacity < FCount)
        NewCapacity = FCount;
    FList.resize(size_t(NewCapacity));
    FCapacity = NewCapacity;
}

void TWideStringList::Grow()
{
    int delta;
    if (FCapacity > 64)
        delta = FCapacity / 4;
    else if (FCapacity > 8)
        delta = 16;
    else
        delta = 4;
    SetCapacity(FCapacity + delta);
}

void TWideStringList::SetUpdateState(bool Updating)
{
    // One OnChanging before and one OnChange after the whole update.
    if (Updating) {
        Changing();
        FUpdating = true;
    } else {
        FUpdating = false;
        Changed();
    }
}

void TWideStringList::Changed()
{
    if (!FUpdating && OnChange)
        OnChange(this);
}

void TWideStringList::Changing()
{
    if (!FUpdating && OnChanging)
        OnChanging(this);
}

int TWideStringList::CompareStrings(const QString& S1, const QString& S2) const
{
    return FCaseSensitive ? WideCompareStr(S1, S2) : WideCompareText(S1, S2);
}

int TWideStringList::Add(const QString& S)
{
    return AddObject(S, nullptr);
}

int TWideStringList::AddObject(const QString& S, void* Obj)
{
    int result;
    if (!FSorted) {
        result = FCount;
    } else if (Find(S, result)) {
        switch (FDuplicates) {
        case dupIgnore:
            return result;
        case dupError:
            throw EStringListError(QStringLiteral("String list does not allow duplicates"));
        case dupAccept:
            break;
        }
    }
    InsertItem(result, S, Obj);
    return result;
}

void TWideStringList::InsertItem(int Index, const QString& S, void* Obj)
{
    Changing();
    if (FCount == FCapacity)
        Grow();
    for (int i = FCount; i > Index; --i)
        FList[i] = std::move(FList[i - 1]);
    FList[Index].FString = S;
    FList[Index].FObject = Obj;
    ++FCount;
    Changed();
}

void TWideStringList::Clear()
{
    if (FCount == 0)
        return;
    Changing();
    FList.clear();
    FList.shrink_to_fit();
    FCount = 0;
    FCapacity = 0;
    Changed();
}

void TWideStringList::Delete(int Index)
{
    if (Index < 0 || Index >= FCount)
        IndexError(Index);
    Changing();
    for (int i = Index; i < FCount - 1; ++i)
        FList[i] = std::move(FList[i + 1]);
    --FCount;
    FList[FCount] = Item();
    Changed();
}

void TWideStringList::ExchangeItems(int Index1, int Index2)
{
    std::swap(FList[Index1], FList[Index2]);
}

void TWideStringList::Exchange(int Index1, int Index2)
{
    if (Index1 < 0 || Index1 >= FCount)
        IndexError(Index1);
    if (Index2 < 0 || Index2 >= FCount)
        IndexError(Index2);
    Changing();
    ExchangeItems(Index1, Index2);
    Changed();
}

bool TWideStringList::Find(const QString& S, int& Index) const
{
    bool result = false;
    int L = 0;
    int H = FCount - 1;
    while (L <= H) {
        const int I = int((unsigned(L) + unsigned(H)) >> 1);
        const int C = CompareStrings(FList[I].FString, S);
        if (C < 0) {
            L = I + 1;
        } else {
            H = I - 1;
            if (C == 0) {
                result = true;
                if (FDuplicates != dupAccept)
                    L = I;
            }
        }
    }
    Index = L;
    return result;
}

int TWideStringList::IndexOf(const QString& S) const
{
    if (!FSorted)
        return TWideStrings::IndexOf(S);
    int i;
    return Find(S, i) ? i : -1;
}

int TWideStringList::IndexOfName(const QString& Name) const
{
    if (!FSorted)
        return TWideStrings::IndexOfName(Name);
    const QString P = Name + NameValueSeparator();
    int i;
    Find(P, i);
    if (i <= FCount - 1 && CompareStrings(FList[i].FString.left(P.size()), P) == 0)
        return i;
    return -1;
}

void TWideStringList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    if (CurIndex < 0 || CurIndex >= FCount)
        IndexError(CurIndex);
    // The item could not be put back in its place: refused before it is taken out.
    if (FSorted)
        throw EStringListError(QStringLiteral("Operation not allowed on sorted list"));
    TWideStrings::Move(CurIndex, NewIndex);
}

void TWideStringList::Insert(int Index, const QString& S)
{
    InsertObject(Index, S, nullptr);
}

void TWideStringList::InsertObject(int Index, const QString& S, void* Obj)
{
    if (FSorted)
        throw EStringListError(QStringLiteral("Operation not allowed on sorted list"));
    if (Index < 0 || Index > FCount)
        IndexError(Index);
    InsertItem(Index, S, Obj);
}

void TWideStringList::Sort()
{
    CustomSort([](TWideStringList* l, int a, int b) {
        return l->CompareStrings(l->FList[a].FString, l->FList[b].FString);
    });
}

void TWideStringList::CustomSort(const TWideStringListSortCompare& Compare)
{
    if (FSorted || FCount < 2)
        return;
    Changing();
    QuickSort(0, FCount - 1, Compare);
    Changed();
}

void TWideStringList::QuickSort(int L, int R, const TWideStringListSortCompare& Compare)
{
    int I, J, P;
    do {
        I = L;
        J = R;
        P = int((unsigned(L) + unsigned(R)) >> 1);
        do {
            // The bounds only matter for an inconsistent Compare; never read past the range.
            while (I < R && Compare(this, I, P) < 0)
                ++I;
            while (J > L && Compare(this, J, P) > 0)
                --J;
            if (I <= J) {
                ExchangeItems(I, J);
                if (P == I)
                    P = J;
                else if (P == J)
                    P = I;
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J)
            QuickSort(L, J, Compare);
        L = I;
    } while (I < R);
}
