#pragma once
// Lists of wide (UTF-16) strings: the abstract TWideStrings and the concrete TWideStringList,
// plus the small wide-string routines the import engine and the wizard share.

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <vector>

class QIODevice;

// Raised by every list operation that fails; the list is left unchanged.
class EStringListError : public std::runtime_error
{
public:
    explicit EStringListError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

enum TDuplicates : quint8 { dupIgnore = 0, dupAccept = 1, dupError = 2 };

class TWideStrings;
using TNotifyEvent = std::function<void(TWideStrings* Sender)>;

class TWideStrings
{
public:
    TWideStrings() = default;
    virtual ~TWideStrings() = default;
    TWideStrings(const TWideStrings&) = delete;
    TWideStrings& operator=(const TWideStrings&) = delete;

    // The three characters are given their default on first read.
    QChar Delimiter() const; // ","
    void SetDelimiter(QChar Value);
    QChar QuoteChar() const; // '"'
    void SetQuoteChar(QChar Value);
    QChar NameValueSeparator() const; // "="
    void SetNameValueSeparator(QChar Value);

    int Count() const { return GetCount(); }
    QString Strings(int Index) const { return Get(Index); }
    void* Objects(int Index) const { return GetObject(Index); }
    int Capacity() const { return GetCapacity(); }

    // Value of the first line "Name<sep>Value"; empty when there is none.
    QString Values(const QString& Name) const;
    // A non-empty value replaces or appends the line; an empty one deletes it.
    void SetValues(const QString& Name, const QString& Value);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    void Assign(const TWideStrings& Source);
    void Assign(const QStringList& Source);
    void AssignTo(QStringList& Dest) const;
    QStringList ToStringList() const;

    virtual QString Get(int Index) const = 0;
    virtual int GetCapacity() const;
    virtual int GetCount() const = 0;
    virtual void* GetObject(int Index) const;
    virtual QString GetTextStr() const;
    virtual void Put(int Index, const QString& S);
    virtual void PutObject(int Index, void* Obj);
    virtual void SetCapacity(int NewCapacity);
    virtual void SetTextStr(const QString& Text);
    virtual void SetUpdateState(bool Updating);
    virtual int CompareStrings(const QString& S1, const QString& S2) const;
    virtual int Add(const QString& S);
    virtual int AddObject(const QString& S, void* Obj);
    virtual void AddStrings(const QStringList& Strings);
    virtual void AddStrings(const TWideStrings& Strings);
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Exchange(int Index1, int Index2);
    virtual int IndexOf(const QString& S) const;
    virtual int IndexOfName(const QString& Name) const;
    virtual int IndexOfObject(void* Obj) const;
    virtual void Insert(int Index, const QString& S) = 0;
    virtual void InsertObject(int Index, const QString& S, void* Obj);
    virtual void LoadFromFile(const QString& FileName);
    virtual void LoadFromStream(QIODevice& Stream);
    virtual void Move(int CurIndex, int NewIndex);
    virtual void SaveToFile(const QString& FileName) const;
    virtual void SaveToStream(QIODevice& Stream) const;

protected:
    enum : quint8 { sdDelimiter = 1, sdQuoteChar = 2, sdNameValueSeparator = 4 };
    mutable quint8 FDefined = 0;
    mutable QChar FDelimiter;
    mutable QChar FQuoteChar;
    mutable QChar FNameValueSeparator;
    int FUpdateCount = 0;
};

class TWideStringList : public TWideStrings
{
public:
    TWideStringList() = default;
    ~TWideStringList() override;

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value); // sorts the list when switched on
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value); // a sorted list is sorted again

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    QString Get(int Index) const override;
    int GetCapacity() const override { return FCapacity; }
    int GetCount() const override { return FCount; }
    void* GetObject(int Index) const override;
    void Put(int Index, const QString& S) override;
    void PutObject(int Index, void* Obj) override;
    void SetCapacity(int NewCapacity) override;
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const QString& S1, const QString& S2) const override;
    int Add(const QString& S) override;
    int AddObject(const QString& S, void* Obj) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const QString& S) const override;
    int IndexOfName(const QString& Name) const override;
    void Insert(int Index, const QString& S) override;
    void InsertObject(int Index, const QString& S, void* Obj) override;
    void Move(int CurIndex, int NewIndex) override;

    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int Index, const QString& S, void* Obj);
    // Binary search; Index receives the first match or the insertion point.
    virtual bool Find(const QString& S, int& Index) const;
    virtual void Sort();
    // Compare gets the list and two item indexes.
    using TWideStringListSortCompare =
        std::function<int(TWideStringList* List, int Index1, int Index2)>;
    virtual void CustomSort(const TWideStringListSortCompare& Compare);

private:
    struct Item
    {
        QString FString;
        void* FObject = nullptr;
    };
    void Grow();
    void ExchangeItems(int Index1, int Index2);
    void QuickSort(int L, int R, const TWideStringListSortCompare& Compare);
    [[noreturn]] static void IndexError(int Index);

    bool FUpdating = false;
    std::vector<Item> FList; // size() is the capacity
    int FCount = 0;
    int FCapacity = 0;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    bool FCaseSensitive = false;
};

// Locale comparisons of wide strings (<0, 0, >0).
int WideCompareStr(const QString& S1, const QString& S2);
int WideCompareText(const QString& S1, const QString& S2);
QString WideUpperCase(const QString& S);
QString WideLowerCase(const QString& S);
// 1-based position of SubStr in S, 0 when absent or either is empty.
int WidePos(const QString& SubStr, const QString& S);
// Index is 1-based; positions past the end append (insert) or are ignored (delete).
void WideInsert(const QString& Source, QString& S, int Index);
void WideDelete(QString& S, int Index, int Count);

enum TWideReplaceFlag : int { wrfReplaceAll = 1, wrfIgnoreCase = 2 };
QString WideStringReplace(const QString& S, const QString& OldPattern, const QString& NewPattern,
                          int Flags);
QString WideQuotedStr(const QString& S, QChar Quote);
