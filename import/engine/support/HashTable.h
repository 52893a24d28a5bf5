#pragma once
// A string-keyed open-addressing hash table over a small container base with pluggable
// compare, duplicate and dispose functions and a shared fixed-size node allocator.

#include <QMutex>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// Message numbers of the container library.
enum TContainerErrorCode : int {
    ceDuplicateData = 25305,
    ceNoCompareFunction = 25307,
    ceNoDupDataFunction = 25308,
    ceNoDisposeDataFunction = 25309,
    ceIncompatibleClone = 25310,
    ceUnknownCase = 25312,
    ceKeyNotFound = 25313,
    ceTableFull = 25314,
    ceSortedNeedsCompare = 25315,
    ceFreeNilNode = 25351,
    ceAllocZeroNode = 25352,
    ceFreeZeroNode = 25353,
};

class EContainerError : public std::runtime_error
{
public:
    explicit EContainerError(int Code);
    int code() const { return m_code; }
    QString message() const { return m_message; }
    static QString messageText(int Code);

private:
    int m_code;
    QString m_message;
};

class EContainerAssertion : public EContainerError
{
public:
    using EContainerError::EContainerError;
};

using TCompareFunc = std::function<int(void* Data1, void* Data2)>;
using TDisposeDataProc = std::function<void(void* Data)>;
using TDupDataFunc = std::function<void*(void* Data)>;
// Returns a signed 32-bit hash; the table reduces it to a slot.
using THashFunction = std::function<qint32(const QString& Key)>;

class TContainerLock
{
public:
    void Acquire() { m_mutex.lock(); }
    void Release() { m_mutex.unlock(); }

private:
    QMutex m_mutex;
};

// Fixed-size nodes (8..64 bytes, multiples of 4) from pages of 128; one store per size,
// shared by every container in the process and freed when its last user goes.
class TNodeStore
{
public:
    static TNodeStore* AcquireStore(int NodeSize);
    static void ReleaseStore(TNodeStore* Store);
    static int EffectiveNodeSize(int NodeSize);

    void* AllocNode();
    void FreeNode(void* Node);
    int NodeSize() const { return FNodeSize; }
    int FreeCount();

    TNodeStore(const TNodeStore&) = delete;
    TNodeStore& operator=(const TNodeStore&) = delete;

private:
    explicit TNodeStore(int NodeSize);
    ~TNodeStore();
    void AllocPage();

    static constexpr int NodesPerPage = 128;
    int FRefCount = 0;
    int FNodeSize;
    void* FPageList = nullptr;
    void* FFreeList = nullptr;
    int FFreeCount = 0;
    TContainerLock FLock;
};

class TAbstractContainer
{
public:
    explicit TAbstractContainer(bool DataOwner);
    virtual ~TAbstractContainer();
    TAbstractContainer(const TAbstractContainer&) = delete;
    TAbstractContainer& operator=(const TAbstractContainer&) = delete;

    int Count() const { return FCount; }
    bool IsDataOwner() const { return FIsDataOwner; }
    bool IsSorted() const { return FIsSorted; }

    TCompareFunc Compare() const { return FCompare; }
    void SetCompare(TCompareFunc Value);
    TDisposeDataProc DisposeData() const { return FDisposeData; }
    void SetDisposeData(TDisposeDataProc Value);
    TDupDataFunc DupData() const { return FDupData; }
    void SetDupData(TDupDataFunc Value);

    virtual void Empty() = 0;

protected:
    // NodeSize 0: the container keeps no nodes.
    void UseNodes(int NodeSize);
    void* AllocNode();
    void FreeNode(void* Node);
    virtual void SortContents() {}

    TCompareFunc FCompare;
    TDisposeDataProc FDisposeData;
    TDupDataFunc FDupData;
    TNodeStore* FNodeStore = nullptr;
    int FCount = 0;
    bool FIsDataOwner;
    bool FIsSorted = false;
    int FNodeSize = 0;
    bool FDestroying = false;
};

class THashTable : public TAbstractContainer
{
public:
    enum : quint8 { hsEmpty = 0, hsDeleted = 1, hsInUse = 2 };
    static constexpr int DefaultTableSize = 53;

    explicit THashTable(bool DataOwner);
    ~THashTable() override;

    // Source must be a THashTable; a null Compare takes the source's.
    static std::unique_ptr<THashTable> Clone(const TAbstractContainer& Source, bool DataOwner,
                                             TCompareFunc Compare);

    void Insert(const QString& Key, void* Data);
    bool Search(const QString& Key, void*& Data) const;
    void* Examine(const QString& Key) const;
    void Empty() override;

    int TableSize() const { return FTableSize; }
    void SetTableSize(int NewSize);
    void SetHashFunction(THashFunction Value);
    bool IgnoreCase() const { return FIgnoreCase; }
    void SetIgnoreCase(bool Value);

    // h = h * 31 + c over the key's characters (four at a time: the same sum, a shorter chain
    // of multiplications).
    static qint32 DefaultHash(const QString& Key)
    {
        const auto* c = reinterpret_cast<const char16_t*>(Key.constData());
        const qsizetype n = Key.size();
        quint32 h = 0;
        qsizetype i = 0;
        for (; i + 4 <= n; i += 4)
            h = h * 923521u + c[i] * 29791u + c[i + 1] * 961u + c[i + 2] * 31u + c[i + 3];
        for (; i < n; ++i)
            h = h * 31u + c[i];
        return qint32(h);
    }
    static int NextPrime(int N);

private:
    // A slot's key lies at the same index of the keys beside the slots: a probe runs over
    // the small slots and reads a key only when its hash matches.
    struct Slot
    {
        void* Data = nullptr;
        quint32 Hash = 0; // the key's hash: most other keys are told apart without a compare
        quint8 State = hsEmpty;
    };
    // The hash of Key under the table's case rule and hash function.
    quint32 HashOf(const QString& Key) const
    {
        return FIgnoreCase || FHashFunction ? HashOfSlow(Key) : quint32(DefaultHash(Key));
    }
    quint32 HashOfSlow(const QString& Key) const;
    // Slot of Key (whose hash is Hash), or -1; InsertAt gets the slot a new key would take
    // (-1 when full). Magic is ModMagic of the table's size.
    int FindSlot(const std::vector<Slot>& Table, const std::vector<QString>& Keys, quint64 Magic,
                 const QString& Key, quint32 Hash, int& InsertAt) const;
    bool KeysEqual(const QString& A, const QString& B) const
    {
        // The hash sees the upper-cased key, so equality must agree with it.
        return FIgnoreCase ? A.toUpper() == B.toUpper() : A == B;
    }
    void Rehash(int NewSize);
    // For the slot of a hash without a division (the size is a prime, not a power of two).
    static quint64 ModMagic(int Size) { return ~quint64(0) / quint64(Size) + 1; }

    std::vector<Slot> FTable;
    std::vector<QString> FKeys;
    THashFunction FHashFunction;
    bool FIgnoreCase = false;
    int FTableSize = DefaultTableSize;
    quint64 FMagic = ModMagic(DefaultTableSize);
};
