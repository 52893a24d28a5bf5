#include "platform/db/Connection.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <QRegularExpression>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <sys/statvfs.h>
#include <unistd.h>

namespace db {

namespace {

QString errText(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

Error sqliteError(sqlite3* db, int rc = 0)
{
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
    return Error::fromSqlite(code != SQLITE_OK ? code : rc, errText(db));
}

QString journalMode(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    QString mode;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        mode = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return mode.toLower();
}

// Keys a fresh handle and states every cipher setting before anything is read, so that a
// later SQLCipher with other defaults reads the file the same way. These are the values the
// program's files have always had (SQLCipher 3's): older files open unchanged. Settings an
// older SQLCipher does not know are ignored by it, and its fixed choices are these.
int keyHandle(sqlite3* db, const QByteArray& key)
{
    int rc = sqlite3_key(db, key.constData(), int(key.size()));
    for (const QString& pragma : Connection::cipherSettings()) {
        if (rc != SQLITE_OK)
            break;
        rc = sqlite3_exec(db, pragma.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    return rc;
}

Error fileError(Error::Kind kind, const QString& path, int e)
{
    return Error(kind, QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                    QString::fromLocal8Bit(std::strerror(e))));
}

// The folder a database file lies in must take the write-ahead log beside it.
void requireWritableFolder(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        throw fileError(Error::Kind::FolderReadOnly, folder, errno);
}

// The file itself and the companions an earlier run left beside it must take our writes: a
// read-only file would open without a word and refuse every change later, and companions
// made by another user would stop every start.
void requireWritableFiles(const QString& path)
{
    if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
        throw fileError(Error::Kind::ReadOnly, path, errno);
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString companion = path + QLatin1String(suffix);
        const QByteArray name = QFile::encodeName(companion);
        if (QFileInfo::exists(companion) && ::access(name.constData(), R_OK | W_OK) != 0)
            throw fileError(Error::Kind::Companion, companion, errno);
    }
}

// Some failures of a full disk come back as plain I/O errors (the log's index cannot grow).
Error withDiskState(Error e, const QString& path)
{
    if (e.kind() != Error::Kind::Io && e.kind() != Error::Kind::CannotOpen)
        return e;
    struct statvfs st;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::statvfs(folder.constData(), &st) == 0 &&
        quint64(st.f_bavail) * quint64(st.f_frsize) < 64 * 1024)
        return Error(Error::Kind::DiskFull, e.technical(), e.code());
    return e;
}

// Exact sum of digit-text amounts, however many digits. Thousands separators and blanks are
// skipped; a value with any other character is left out, so a damaged row can never turn the
// total into a float or an exponent.
struct DecimalSum
{
    std::string digits; // least significant first
    bool any = false;
};

void addDigits(DecimalSum& acc, const unsigned char* text, int len)
{
    std::string v;
    v.reserve(len);
    for (int i = 0; i < len; ++i) {
        const unsigned char c = text[i];
        if (c >= '0' && c <= '9')
            v.push_back(char(c));
        else if (c == ',' || c == ' ')
            continue;
        else
            return;
    }
    if (v.empty())
        return;
    acc.any = true;
    int carry = 0;
    size_t n = std::max(acc.digits.size(), v.size());
    acc.digits.resize(n, '0');
    for (size_t i = 0; i < n; ++i) {
        int d = acc.digits[i] - '0' + carry;
        if (i < v.size())
            d += v[v.size() - 1 - i] - '0';
        acc.digits[i] = char('0' + d % 10);
        carry = d / 10;
    }
    if (carry)
        acc.digits.push_back(char('0' + carry));
}

void dsumStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* acc = static_cast<DecimalSum**>(sqlite3_aggregate_context(ctx, sizeof(DecimalSum*)));
    if (!acc)
        return;
    if (!*acc)
        *acc = new DecimalSum;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    if (sqlite3_value_type(argv[0]) == SQLITE_FLOAT)
        return; // a float is never an amount
    const unsigned char* t = sqlite3_value_text(argv[0]);
    addDigits(**acc, t, sqlite3_value_bytes(argv[0]));
}

void dsumFinal(sqlite3_context* ctx)
{
    auto* acc = static_cast<DecimalSum**>(sqlite3_aggregate_context(ctx, 0));
    if (!acc || !*acc || !(*acc)->any) {
        if (acc && *acc)
            delete *acc;
        sqlite3_result_null(ctx);
        return;
    }
    std::string s((*acc)->digits.rbegin(), (*acc)->digits.rend());
    delete *acc;
    size_t nz = s.find_first_not_of('0');
    s = nz == std::string::npos ? std::string("0") : s.substr(nz);
    sqlite3_result_text(ctx, s.c_str(), int(s.size()), SQLITE_TRANSIENT);
}

} // namespace

int TableInfo::indexOf(const QString& column) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

FieldType fieldTypeFromDeclared(const QString& declared, bool primaryKey, int* size)
{
    const QString t = declared.toUpper();
    static const QRegularExpression sizeRe(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
    int n = 0;
    if (auto m = sizeRe.match(t); m.hasMatch())
        n = m.captured(1).toInt();
    if (size)
        *size = n;
    if (t.isEmpty())
        return FieldType::Unknown;
    if (t.contains(QLatin1String("BOOL")) || t == QLatin1String("BIT"))
        return FieldType::Boolean;
    if (t.contains(QLatin1String("INT")))
        return primaryKey ? FieldType::AutoInc : FieldType::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) ||
        t.contains(QLatin1String("CLOB")))
        return n > 0 ? FieldType::Text : FieldType::Memo;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")))
        return FieldType::Float;
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return FieldType::DateTime;
    if (t.contains(QLatin1String("BLOB")))
        return FieldType::Blob;
    if (t.contains(QLatin1String("NUM")) || t.contains(QLatin1String("DEC")) ||
        t.contains(QLatin1String("CURRENCY")) || t.contains(QLatin1String("MONEY")))
        return FieldType::Numeric;
    return FieldType::Unknown;
}

// ---------------------------------------------------------------------------------------------

Statement::Statement(Connection* conn, sqlite3_stmt* stmt, QString sql)
    : m_conn(conn), m_stmt(stmt), m_sql(std::move(sql)),
      m_texts(std::size_t(sqlite3_bind_parameter_count(stmt)))
{}

Statement::Statement(Statement&& other) noexcept
    : m_conn(other.m_conn), m_stmt(other.m_stmt), m_sql(std::move(other.m_sql)),
      m_texts(std::move(other.m_texts))
{
    other.m_stmt = nullptr;
}

Statement::~Statement()
{
    if (m_stmt)
        m_conn->release(m_stmt, m_sql);
}

char* toUtf8(QStringView text, char* out, bool& hasNul)
{
    const char16_t* in = text.utf16();
    const qsizetype n = text.size();
    char* const start = out;
    bool nul = false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        if (c < 0x80) {
            nul |= c == 0;
            *out++ = char(c);
        } else if (c < 0x800) {
            out[0] = char(0xC0 | (c >> 6));
            out[1] = char(0x80 | (c & 0x3F));
            out += 2;
        } else if (!QChar::isSurrogate(c)) {
            out[0] = char(0xE0 | (c >> 12));
            out[1] = char(0x80 | ((c >> 6) & 0x3F));
            out[2] = char(0x80 | (c & 0x3F));
            out += 3;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(in[i + 1])) {
            const char32_t u = QChar::surrogateToUcs4(c, in[++i]);
            out[0] = char(0xF0 | (u >> 18));
            out[1] = char(0x80 | ((u >> 12) & 0x3F));
            out[2] = char(0x80 | ((u >> 6) & 0x3F));
            out[3] = char(0x80 | (u & 0x3F));
            out += 4;
        } else {
            // A lone surrogate: Qt's encoder decides what stands for it, as it always did.
            QStringEncoder encoder(QStringEncoder::Utf8);
            char* const done = encoder.appendToBuffer(start, text);
            hasNul = std::memchr(start, 0, std::size_t(done - start)) != nullptr;
            return done;
        }
    }
    hasNul = nul;
    return out;
}

bool toUtf8(QStringView text, QByteArray& buffer)
{
    // The buffer keeps its capacity from one value to the next.
    buffer.resize(text.size() * 3);
    bool hasNul = false;
    buffer.resize(toUtf8(text, buffer.data(), hasNul) - buffer.constData());
    return hasNul;
}

int bindTerminatedUtf8(sqlite3_stmt* stmt, int i, const char* utf8, int bytes, bool hasNul)
{
    if (bytes == 0)
        return sqlite3_bind_text(stmt, i, "", -1, SQLITE_STATIC);
    return sqlite3_bind_text(stmt, i, utf8, hasNul ? bytes : -1, SQLITE_STATIC);
}

int bindUtf8Text(sqlite3_stmt* stmt, int i, QStringView text, QByteArray& buffer)
{
    // Converted once into a buffer the statement keeps until its next binding: the file's
    // text is UTF-8, so SQLite neither copies nor converts it again. A QByteArray ends in NUL.
    const bool hasNul = toUtf8(text, buffer);
    return bindTerminatedUtf8(stmt, i, buffer.constData(), int(buffer.size()), hasNul);
}

int bindVariant(sqlite3_stmt* stmt, int i, const QVariant& v, QByteArray& buffer)
{
    if (!v.isValid() || v.isNull())
        return sqlite3_bind_null(stmt, i);
    switch (v.typeId()) {
    case QMetaType::Bool:
        return sqlite3_bind_int(stmt, i, v.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return sqlite3_bind_int64(stmt, i, v.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        if (v.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            throw Error(Error::Kind::Field,
                        QStringLiteral("The value of parameter %1 is too large.").arg(i));
        return sqlite3_bind_int64(stmt, i, qint64(v.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, i, v.toDouble());
    case QMetaType::QByteArray:
        buffer = v.toByteArray();
        return sqlite3_bind_blob(stmt, i, buffer.constData(), int(buffer.size()), SQLITE_STATIC);
    case QMetaType::QDateTime:
        return bindUtf8Text(stmt, i, v.toDateTime().toString(Qt::ISODate), buffer);
    case QMetaType::QString:
        return bindUtf8Text(stmt, i, *static_cast<const QString*>(v.constData()), buffer);
    default:
        return bindUtf8Text(stmt, i, v.toString(), buffer);
    }
}

void Statement::bindOne(int i, const QVariant& v)
{
    if (bindVariant(m_stmt, i, v, m_texts[std::size_t(i - 1)]) != SQLITE_OK)
        m_conn->fail(QStringLiteral("bind %1").arg(i));
}

void Statement::bind(const Params& params)
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    const int n = sqlite3_bind_parameter_count(m_stmt);
    for (int i = 1; i <= n; ++i) {
        const char* rawName = sqlite3_bind_parameter_name(m_stmt, i);
        if (!rawName)
            throw Error(QStringLiteral("Unnamed statement parameters are not supported."));
        const QString name = QString::fromUtf8(rawName);
        auto it = params.constFind(name.mid(1));
        if (it == params.constEnd())
            it = params.constFind(name);
        if (it == params.constEnd())
            throw Error(QStringLiteral("The statement parameter %1 has no value.").arg(name));
        bindOne(i, it.value());
    }
}

void Statement::bindList(const QVariantList& values)
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    if (sqlite3_bind_parameter_count(m_stmt) != values.size())
        throw Error(QStringLiteral("The statement needs %1 values, not %2.")
                        .arg(sqlite3_bind_parameter_count(m_stmt))
                        .arg(values.size()));
    for (int i = 0; i < values.size(); ++i)
        bindOne(i + 1, values[i]);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const Error e = sqliteError(m_conn->m_db, rc);
    sqlite3_reset(m_stmt);
    throw e;
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int i) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, i));
}

QString Statement::columnTable(int i) const
{
    const char* t = sqlite3_column_table_name(m_stmt, i);
    return t ? QString::fromUtf8(t) : QString();
}

QString Statement::columnOrigin(int i) const
{
    const char* t = sqlite3_column_origin_name(m_stmt, i);
    return t ? QString::fromUtf8(t) : QString();
}

QString Statement::columnDeclaredType(int i) const
{
    const char* t = sqlite3_column_decltype(m_stmt, i);
    return t ? QString::fromUtf8(t) : QString();
}

QVariant Statement::value(int i, FieldType type) const
{
    const int st = sqlite3_column_type(m_stmt, i);
    if (st == SQLITE_NULL)
        return QVariant();
    switch (type) {
    case FieldType::Boolean:
        return QVariant(sqlite3_column_int64(m_stmt, i) != 0);
    case FieldType::AutoInc:
    case FieldType::Integer:
        if (st == SQLITE_INTEGER)
            return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
        break;
    case FieldType::Float:
        if (st == SQLITE_INTEGER || st == SQLITE_FLOAT)
            return QVariant(sqlite3_column_double(m_stmt, i));
        break;
    case FieldType::Text:
    case FieldType::Memo:
    case FieldType::DateTime:
    case FieldType::Numeric:
        break;
    default:
        if (st == SQLITE_INTEGER)
            return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
        if (st == SQLITE_FLOAT)
            return QVariant(sqlite3_column_double(m_stmt, i));
        break;
    }
    if (st == SQLITE_BLOB) {
        const void* p = sqlite3_column_blob(m_stmt, i);
        return QVariant(QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(m_stmt, i)));
    }
    const char* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    return QVariant(QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, i)));
}

// ---------------------------------------------------------------------------------------------

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection()
{
    close();
}

void Connection::fail(const QString& what) const
{
    Q_UNUSED(what);
    throw lastError();
}

const QStringList& Connection::cipherSettings()
{
    static const QStringList settings = {
        QStringLiteral("PRAGMA cipher_page_size = 1024"),
        QStringLiteral("PRAGMA kdf_iter = 64000"),
        QStringLiteral("PRAGMA cipher_use_hmac = ON"),
        QStringLiteral("PRAGMA cipher_kdf_algorithm = PBKDF2_HMAC_SHA1"),
        QStringLiteral("PRAGMA cipher_hmac_algorithm = HMAC_SHA1"),
    };
    return settings;
}

int Connection::busyTimeoutMs = 2000;

namespace {

// Before the library's first use: it would count every allocation under a global lock, for
// statistics nothing here reads. Refused, and harmless, once the library has started.
void configureLibrary()
{
    static const int once = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    Q_UNUSED(once);
}

} // namespace

void Connection::open(const QString& path, const QByteArray& key)
{
    close();
    configureLibrary();
    if (!QFileInfo(path).isFile())
        throw Error(QStringLiteral("The database file %1 does not exist.").arg(path));
    requireWritableFolder(path);
    requireWritableFiles(path);
    sqlite3* db = nullptr;
    // A connection is used by one thread at a time: no lock around every call.
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    auto failOpen = [&db, &rc, &path] {
        const Error e = withDiskState(sqliteError(db, rc), path);
        sqlite3_close(db);
        throw e;
    };
    if (rc != SQLITE_OK)
        failOpen();
    sqlite3_extended_result_codes(db, 1);
    // Before the first read: a file another program holds waits a little, then says so.
    sqlite3_busy_timeout(db, busyTimeoutMs);
    rc = keyHandle(db, key);
    // The key is only checked by the first read: a wrong key or a foreign file fails here.
    int tables = 0;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(
            db, "SELECT count(*) FROM sqlite_master",
            [](void* n, int, char** v, char**) {
                *static_cast<int*>(n) = v[0] ? std::atoi(v[0]) : 0;
                return 0;
            },
            &tables, nullptr);
    // An empty file reads as an empty database; it is not one of ours and is left untouched.
    if (rc == SQLITE_OK && tables == 0) {
        sqlite3_close(db);
        throw Error(Error::Kind::Damaged, QStringLiteral("The file holds no tables."),
                    SQLITE_NOTADB);
    }
    // A file of an earlier build is moved to the write-ahead log once; it stays so.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    // Every commit reaches the disk before it is reported done.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    // Every page read is decrypted: a fixed 16 MiB keeps the pages of a register of some
    // ten thousands of people, so that reading it back after an import decrypts none again.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA cache_size = -16384", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK && journalMode(db) != QLatin1String("wal"))
        rc = SQLITE_READONLY;
    if (rc == SQLITE_OK && sqlite3_db_readonly(db, "main") == 1)
        rc = SQLITE_READONLY;
    if (rc != SQLITE_OK)
        failOpen();
    sqlite3_create_function(db, "dsum", 1, SQLITE_UTF8, nullptr, nullptr, dsumStep, dsumFinal);
    m_db = db;
    m_path = path;
    loadLabels();
}

void Connection::close()
{
    if (!m_db)
        return;
    for (auto& list : m_cache)
        for (sqlite3_stmt* s : list)
            sqlite3_finalize(s);
    m_cache.clear();
    m_tables.clear();
    m_labels.clear();
    // A statement still held elsewhere (an import's writer) keeps the handle until it is
    // finalized; the plain close would refuse and leave the file open for good.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_path.clear();
    // A file opened again starts at full synchronisation.
    m_relaxed = false;
    m_restoreFailed = false;
}

Statement Connection::prepare(const QString& sql)
{
    if (!m_db)
        throw Error(QStringLiteral("The database is not open."));
    auto it = m_cache.find(sql);
    if (it != m_cache.end() && !it->isEmpty()) {
        sqlite3_stmt* s = it->takeLast();
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        return Statement(this, s, sql);
    }
    sqlite3_stmt* s = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &s, &tail) != SQLITE_OK)
        throw sqliteError(m_db);
    if (!s)
        throw Error(QStringLiteral("The statement is empty."));
    if (tail && QByteArray(tail).trimmed().size() > 0 && QByteArray(tail).trimmed() != ";") {
        sqlite3_finalize(s);
        throw Error(QStringLiteral("Only one statement can be run at a time."));
    }
    return Statement(this, s, sql);
}

void Connection::release(sqlite3_stmt* stmt, const QString& sql)
{
    sqlite3_reset(stmt);
    // The texts bound last lived in the statement object that is going away.
    sqlite3_clear_bindings(stmt);
    // A statement of a handle closed since (the file opened again) belongs to no cache: kept,
    // it would be run against the closed file, and that handle would never be let go.
    if (!m_db || sqlite3_db_handle(stmt) != m_db) {
        sqlite3_finalize(stmt);
        return;
    }
    // Called from a statement's destructor: keeping it for reuse must not throw from there.
    try {
        auto& list = m_cache[sql];
        if (list.size() < 4) {
            list.append(stmt);
            return;
        }
    } catch (...) {
    }
    sqlite3_finalize(stmt);
}

int Connection::exec(const QString& sql, const Params& params)
{
    Statement st = prepare(sql);
    st.bind(params);
    while (st.step()) {
    }
    return sqlite3_changes(m_db);
}

void Connection::execScript(const QString& sql)
{
    if (!m_db)
        throw Error(QStringLiteral("The database is not open."));
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : errText(m_db);
        sqlite3_free(err);
        throw Error::fromSqlite(sqlite3_extended_errcode(m_db), msg);
    }
    m_tables.clear();
    loadLabels();
}

QVariant Connection::scalar(const QString& sql, const Params& params)
{
    Statement st = prepare(sql);
    st.bind(params);
    QVariant v;
    if (st.step())
        v = st.value(0);
    while (st.step()) {
    }
    return v;
}

qint64 Connection::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

void Connection::beginTransaction()
{
    if (inTransaction())
        throw Error(QStringLiteral("A transaction is already open."));
    // Work that is to wait for the disk must not start while the file does not.
    if (m_restoreFailed && !m_relaxed)
        restoreSynchronous();
    exec(QStringLiteral("BEGIN"));
}

void Connection::relaxSynchronous()
{
    exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    m_relaxed = true;
}

void Connection::restoreSynchronous()
{
    m_relaxed = false;
    if (!m_db)
        return;
    char* err = nullptr;
    int rc = sqlite3_exec(m_db, "PRAGMA synchronous = FULL", nullptr, nullptr, &err);
    // The rows written meanwhile reach the disk now, once for all of them.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(m_db, "PRAGMA wal_checkpoint(PASSIVE)", nullptr, nullptr, &err);
    if (rc == SQLITE_OK) {
        m_restoreFailed = false;
        return;
    }
    m_restoreFailed = true;
    const QString text = err ? QString::fromUtf8(err) : errText(m_db);
    sqlite3_free(err);
    throw Error(Error::Kind::NotDurable, text, rc);
}

void Connection::commit()
{
    // The database rolls a transaction back on its own after some failures (a full disk):
    // committing nothing then must not pass for storing the work.
    if (!inTransaction())
        throw Error(Error::Kind::TransactionLost,
                    QStringLiteral("There is no open transaction to commit."));
    exec(QStringLiteral("COMMIT"));
}

void Connection::rollback()
{
    if (inTransaction())
        exec(QStringLiteral("ROLLBACK"));
}

bool Connection::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

QString Connection::lastErrorText() const
{
    return errText(m_db);
}

Error Connection::lastError() const
{
    return withDiskState(sqliteError(m_db), m_path);
}

void Connection::loadLabels()
{
    m_labels.clear();
    if (!m_db)
        return;
    const QVariant has = scalar(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'field_labels'"));
    if (has.toLongLong() == 0)
        return;
    Statement st =
        prepare(QStringLiteral("SELECT table_name, field_name, label FROM field_labels"));
    st.bind({});
    while (st.step())
        m_labels.insert(st.value(0).toString().toLower() + u'.' + st.value(1).toString().toLower(),
                        st.value(2).toString());
}

const TableInfo& Connection::tableInfo(const QString& table)
{
    const QString key = table.toLower();
    auto it = m_tables.constFind(key);
    if (it != m_tables.constEnd())
        return it.value();
    if (!m_db)
        throw Error(QStringLiteral("The database is not open."));
    TableInfo info;
    info.name = table;
    // PRAGMA takes no parameters; the name is checked against the catalogue first.
    const QVariant exists =
        scalar(QStringLiteral(
                   "SELECT name FROM sqlite_master WHERE type IN ('table','view') AND name = :n "
                   "COLLATE NOCASE"),
               {{QStringLiteral("n"), table}});
    if (!exists.isValid())
        throw Error(QStringLiteral("The table %1 does not exist.").arg(table));
    info.name = exists.toString();
    QString quoted = info.name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    Statement st = prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(quoted));
    st.bind({});
    while (st.step()) {
        ColumnInfo c;
        c.name = st.value(1).toString();
        c.declaredType = st.value(2).toString();
        c.notNull = st.value(3).toLongLong() != 0;
        c.primaryKey = st.value(5).toLongLong() != 0;
        c.defaultValue = st.value(4);
        c.type = fieldTypeFromDeclared(c.declaredType, c.primaryKey, &c.size);
        c.label = m_labels.value(info.name.toLower() + u'.' + c.name.toLower());
        if (c.primaryKey && c.type == FieldType::AutoInc)
            info.primaryKeyColumn = int(info.columns.size());
        info.columns.append(c);
    }
    return m_tables.insert(key, info).value();
}

void Connection::createDatabase(const QString& path, const QByteArray& key,
                                const QString& schemaSql)
{
    if (QFileInfo::exists(path))
        throw Error(QStringLiteral("The file %1 already exists.").arg(path));
    configureLibrary();
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        rc = keyHandle(db, key);
    }
    char* err = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, &err);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, schemaSql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : errText(db);
        const int code = db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
        sqlite3_free(err);
        sqlite3_close(db);
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw Error::fromSqlite(code, msg);
    }
    sqlite3_close(db);
}

} // namespace db
