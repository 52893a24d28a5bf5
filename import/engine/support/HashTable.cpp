#include "import/engine/support/HashTable.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

// ---- errors ----

QString EContainerError::messageText(int Code)
{
    switch (Code) {
    case ceDuplicateData:
        return QStringLiteral("Tried to insert duplicate data but container allows no duplicates");
    case ceNoCompareFunction:
        return QStringLiteral("No Compare function has been supplied");
    case ceNoDupDataFunction:
        return QStringLiteral("No DupData function has been supplied");
    case ceNoDisposeDataFunction:
        return QStringLiteral("No DisposeData function has been supplied");
    case ceIncompatibleClone:
        return QStringLiteral("Incompatible source for Clone operation");
    case ceUnknownCase:
        return QStringLiteral("Unknown switch item in case statement - should *not* happen");
    case ceKeyNotFound:
        return QStringLiteral("Hash table: Could not find key to delete");
    case ceTableFull:
        return QStringLiteral("Hash table: Table is full, cannot insert new element");
    case ceSortedNeedsCompare:
        return QStringLiteral("Container is sorted, hence Compare function cannot be nil");
    case ceFreeNilNode:
        return QStringLiteral("Attempt to free a nil Node");
    case ceAllocZeroNode:
        return QStringLiteral("Attempt to allocate node of zero size");
    case ceFreeZeroNode:
        return QStringLiteral("Attempt to free node of zero size");
    default:
        return QStringLiteral("Container error %1").arg(Code);
    }
}

EContainerError::EContainerError(int Code)
    : std::runtime_error(messageText(Code).toStdString()), m_code(Code),
      m_message(messageText(Code))
{}

// ---- node store ----

namespace {

QMutex& storesMutex()
{
    static QMutex m;
    return m;
}

std::map<int, TNodeStore*>& stores()
{
    static std::map<int, TNodeStore*> s;
    return s;
}

void*& nextOf(void* node)
{
    return *static_cast<void**>(node);
}

} // namespace

int TNodeStore::EffectiveNodeSize(int NodeSize)
{
    const int size = std::clamp(NodeSize, 8, 64);
    return size & ~3;
}

TNodeStore* TNodeStore::AcquireStore(int NodeSize)
{
    if (NodeSize <= 0)
        throw EContainerError(ceAllocZeroNode);
    const int size = EffectiveNodeSize(NodeSize);
    QMutexLocker lock(&storesMutex());
    TNodeStore*& store = stores()[size];
    if (!store)
        store = new TNodeStore(size);
    ++store->FRefCount;
    return store;
}

void TNodeStore::ReleaseStore(TNodeStore* Store)
{
    if (!Store)
        return;
    QMutexLocker lock(&storesMutex());
    if (--Store->FRefCount == 0) {
        stores().erase(Store->FNodeSize);
        delete Store;
    }
}

TNodeStore::TNodeStore(int NodeSize) : FNodeSize(NodeSize) {}

TNodeStore::~TNodeStore()
{
    void* page = FPageList;
    while (page) {
        void* next = nextOf(page);
        std::memset(page, 0xCC, size_t(FNodeSize) * NodesPerPage);
        std::free(page);
        page = next;
    }
}

void TNodeStore::AllocPage()
{
    char* page = static_cast<char*>(std::malloc(size_t(FNodeSize) * NodesPerPage));
    if (!page)
        throw std::bad_alloc();
    // Node 0 links the pages; the rest go on the free list.
    nextOf(page) = FPageList;
    FPageList = page;
    for (int i = 1; i < NodesPerPage; ++i) {
        void* node = page + size_t(i) * size_t(FNodeSize);
        nextOf(node) = FFreeList;
        FFreeList = node;
    }
    FFreeCount += NodesPerPage - 1;
}

void* TNodeStore::AllocNode()
{
    FLock.Acquire();
    try {
        if (!FFreeList)
            AllocPage();
    } catch (...) {
        FLock.Release();
        throw;
    }
    void* node = FFreeList;
    FFreeList = nextOf(node);
    --FFreeCount;
    FLock.Release();
    std::memset(node, 0, size_t(FNodeSize));
    return node;
}

void TNodeStore::FreeNode(void* Node)
{
    if (!Node)
        throw EContainerError(ceFreeNilNode);
    std::memset(Node, 0xCC, size_t(FNodeSize));
    FLock.Acquire();
    nextOf(Node) = FFreeList;
    FFreeList = Node;
    ++FFreeCount;
    FLock.Release();
}

int TNodeStore::FreeCount()
{
    FLock.Acquire();
    const int n = FFreeCount;
    FLock.Release();
    return n;
}

// ---- container base ----

namespace {

int raisingCompare(void*, void*)
{
    throw EContainerError(ceNoCompareFunction);
}
void raisingDispose(void*)
{
    throw EContainerError(ceNoDisposeDataFunction);
}
void* raisingDup(void*)
{
    throw EContainerError(ceNoDupDataFunction);
}
void noDispose(void*) {}

} // namespace

TAbstractContainer::TAbstractContainer(bool DataOwner)
    : FCompare(raisingCompare), FDupData(raisingDup), FIsDataOwner(DataOwner)
{
    FDisposeData = DataOwner ? TDisposeDataProc(raisingDispose) : TDisposeDataProc(noDispose);
}

TAbstractContainer::~TAbstractContainer()
{
    TNodeStore::ReleaseStore(FNodeStore);
}

void TAbstractContainer::SetCompare(TCompareFunc Value)
{
    if (!Value) {
        if (FIsSorted)
            throw EContainerError(ceSortedNeedsCompare);
        FCompare = raisingCompare;
        return;
    }
    FCompare = std::move(Value);
    if (FIsSorted && FCount > 0)
        SortContents();
}

void TAbstractContainer::SetDisposeData(TDisposeDataProc Value)
{
    if (!FIsDataOwner)
        return;
    FDisposeData = Value ? std::move(Value) : TDisposeDataProc(raisingDispose);
}

void TAbstractContainer::SetDupData(TDupDataFunc Value)
{
    FDupData = Value ? std::move(Value) : TDupDataFunc(raisingDup);
}

void TAbstractContainer::UseNodes(int NodeSize)
{
    TNodeStore::ReleaseStore(FNodeStore);
    FNodeStore = nullptr;
    FNodeSize = 0;
    if (NodeSize > 0) {
        FNodeStore = TNodeStore::AcquireStore(NodeSize);
        FNodeSize = FNodeStore->NodeSize();
    }
}

void* TAbstractContainer::AllocNode()
{
    if (FNodeSize == 0 || !FNodeStore)
        throw EContainerError(ceAllocZeroNode);
    return FNodeStore->AllocNode();
}

void TAbstractContainer::FreeNode(void* Node)
{
    if (!Node)
        throw EContainerError(ceFreeNilNode);
    if (FNodeSize == 0 || !FNodeStore)
        throw EContainerError(ceFreeZeroNode);
    FNodeStore->FreeNode(Node);
}

// ---- hash table ----

namespace {

// The primes up to 4099.
const std::vector<int>& smallPrimes()
{
    static const std::vector<int> primes = [] {
        std::vector<int> p;
        std::vector<bool> composite(4100, false);
        for (int i = 2; i <= 4099; ++i) {
            if (composite[size_t(i)])
                continue;
            p.push_back(i);
            for (int j = i * i; j <= 4099; j += i)
                composite[size_t(j)] = true;
        }
        return p;
    }();
    return primes;
}

} // namespace

int THashTable::NextPrime(int N)
{
    if (N <= 2)
        return 2;
    if (N % 2 == 0)
        ++N;
    const std::vector<int>& primes = smallPrimes();
    if (N <= 4099)
        return *std::lower_bound(primes.begin(), primes.end(), N);
    if (qint64(N) > qint64(4099) * 4099)
        return N;
    for (;; N += 2) {
        bool prime = true;
        for (int p : primes) {
            if (qint64(p) * p > N)
                break;
            if (N % p == 0) {
                prime = false;
                break;
            }
        }
        if (prime)
            return N;
    }
}

THashTable::THashTable(bool DataOwner) : TAbstractContainer(DataOwner)
{
    FTable.resize(size_t(FTableSize));
    FKeys.resize(size_t(FTableSize));
}

THashTable::~THashTable()
{
    FDestroying = true;
    try {
        Empty();
    } catch (...) {
        // A data owner without a dispose function: the data is left to its owner.
    }
}

quint32 THashTable::HashOfSlow(const QString& Key) const
{
    if (FIgnoreCase) {
        const QString k = Key.toUpper();
        return quint32(FHashFunction ? FHashFunction(k) : DefaultHash(k));
    }
    return quint32(FHashFunction ? FHashFunction(Key) : DefaultHash(Key));
}

namespace {

// Hash mod Size as a signed hash gives it (C's remainder), made non-negative by adding the
// size; the remainder through a multiplication by Magic = 2^64 / Size rounded up.
int startSlot(quint32 Hash, quint64 Magic, int Size)
{
    const auto h = qint32(Hash);
    const quint32 a = h < 0 ? quint32(0) - Hash : Hash;
    const auto r = quint32((unsigned __int128)(Magic * a) * quint32(Size) >> 64);
    return h < 0 && r != 0 ? Size - int(r) : int(r);
}

} // namespace


int THashTable::FindSlot(const std::vector<Slot>& Table, const std::vector<QString>& Keys,
                         quint64 Magic, const QString& Key, quint32 Hash, int& InsertAt) const
{
    const int size = int(Table.size());
    const int start = startSlot(Hash, Magic, size);
    int firstDeleted = -1;
    int i = start;
    do {
        const Slot& s = Table[size_t(i)];
        switch (s.State) {
        case hsEmpty:
            InsertAt = firstDeleted >= 0 ? firstDeleted : i;
            return -1;
        case hsDeleted:
            if (firstDeleted < 0)
                firstDeleted = i;
            break;
        case hsInUse:
            if (s.Hash == Hash && KeysEqual(Keys[size_t(i)], Key)) {
                InsertAt = -1;
                return i;
            }
            break;
        default:
            throw EContainerAssertion(ceUnknownCase);
        }
        if (++i == size)
            i = 0;
    } while (i != start);
    InsertAt = firstDeleted;
    return -1;
}

void THashTable::Insert(const QString& Key, void* Data)
{
    int insertAt;
    const quint32 hash = HashOf(Key);
    if (FindSlot(FTable, FKeys, FMagic, Key, hash, insertAt) >= 0)
        throw EContainerError(ceDuplicateData);
    if (insertAt < 0)
        throw EContainerError(ceTableFull);
    Slot& s = FTable[size_t(insertAt)];
    FKeys[size_t(insertAt)] = Key;
    s.Data = Data;
    s.Hash = hash;
    s.State = hsInUse;
    ++FCount;
    if (qint64(FCount) * 3 > qint64(FTableSize) * 2)
        Rehash(NextPrime(FTableSize * 2));
}

// FindSlot's probe without the insertion place: the look-up every reader makes per row.
bool THashTable::Search(const QString& Key, void*& Data) const
{
    const quint32 hash = HashOf(Key);
    const int size = FTableSize;
    const Slot* table = FTable.data();
    const int start = startSlot(hash, FMagic, size);
    int i = start;
    do {
        const Slot& s = table[i];
        if (s.State == hsEmpty)
            break;
        if (s.State == hsInUse && s.Hash == hash && KeysEqual(FKeys[size_t(i)], Key)) {
            Data = s.Data;
            return true;
        }
        if (++i == size)
            i = 0;
    } while (i != start);
    Data = nullptr;
    return false;
}

void* THashTable::Examine(const QString& Key) const
{
    void* data;
    if (!Search(Key, data))
        throw EContainerError(ceKeyNotFound);
    return data;
}

void THashTable::Empty()
{
    if (FIsDataOwner) {
        for (std::size_t i = 0; i < FTable.size(); ++i) {
            Slot& s = FTable[i];
            if (s.State == hsInUse) {
                FDisposeData(s.Data); // may raise when no dispose function was given
                s.Data = nullptr;
                s.State = hsDeleted; // disposed already: never twice
                FKeys[i].clear();
                --FCount;
            }
        }
    }
    for (Slot& s : FTable)
        s = Slot();
    for (QString& k : FKeys)
        k.clear();
    FCount = 0;
}

void THashTable::Rehash(int NewSize)
{
    // Built aside and swapped in, so a failure leaves the table as it was.
    std::vector<Slot> table(static_cast<size_t>(NewSize));
    std::vector<QString> keys(static_cast<size_t>(NewSize));
    const quint64 magic = ModMagic(NewSize);
    for (std::size_t i = 0; i < FTable.size(); ++i) {
        const Slot& s = FTable[i];
        if (s.State != hsInUse)
            continue;
        const QString& key = FKeys[i];
        // Hashed again: the hash function or the case rule may be what changed.
        const quint32 hash = HashOf(key);
        int insertAt;
        if (FindSlot(table, keys, magic, key, hash, insertAt) >= 0)
            throw EContainerError(ceDuplicateData);
        if (insertAt < 0)
            throw EContainerError(ceTableFull);
        Slot& d = table[size_t(insertAt)];
        keys[size_t(insertAt)] = key;
        d.Data = s.Data;
        d.Hash = hash;
        d.State = hsInUse;
    }
    FTable.swap(table);
    FKeys.swap(keys);
    FTableSize = NewSize;
    FMagic = magic;
}

void THashTable::SetTableSize(int NewSize)
{
    const int size = NextPrime(NewSize);
    if (size == FTableSize)
        return;
    // A table smaller than its contents cannot hold them.
    if (size < FCount)
        throw EContainerError(ceTableFull);
    Rehash(size);
}

void THashTable::SetHashFunction(THashFunction Value)
{
    if (!Value)
        return;
    THashFunction old = std::move(FHashFunction);
    FHashFunction = std::move(Value);
    try {
        Rehash(FTableSize);
    } catch (...) {
        FHashFunction = std::move(old);
        throw;
    }
}

void THashTable::SetIgnoreCase(bool Value)
{
    if (Value == FIgnoreCase)
        return;
    FIgnoreCase = Value;
    try {
        Rehash(FTableSize); // refuses keys that now coincide
    } catch (...) {
        FIgnoreCase = !Value;
        throw;
    }
}

std::unique_ptr<THashTable> THashTable::Clone(const TAbstractContainer& Source, bool DataOwner,
                                              TCompareFunc Compare)
{
    const auto* src = dynamic_cast<const THashTable*>(&Source);
    if (!src)
        throw EContainerError(ceIncompatibleClone);
    auto table = std::make_unique<THashTable>(DataOwner);
    table->FHashFunction = src->FHashFunction;
    table->FIgnoreCase = src->FIgnoreCase;
    table->FCompare = Compare ? std::move(Compare) : src->FCompare;
    table->FDupData = src->FDupData;
    if (DataOwner)
        table->FDisposeData =
            src->FIsDataOwner ? src->FDisposeData : TDisposeDataProc(raisingDispose);
    table->SetTableSize(src->FTableSize);
    for (std::size_t i = 0; i < src->FTable.size(); ++i) {
        const Slot& s = src->FTable[i];
        if (s.State != hsInUse)
            continue;
        table->Insert(src->FKeys[i], DataOwner ? table->FDupData(s.Data) : s.Data);
    }
    return table;
}
