#include "platform/db/DbError.h"

#include <sqlite3.h>

namespace db {

namespace {

QString composed(Error::Kind kind, const QString& technical)
{
    const QString persian = describe(kind);
    if (persian.isEmpty())
        return technical;
    return technical.isEmpty() ? persian : persian + u'\n' + technical;
}

Error::Kind kindOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return Error::Kind::ReadOnly;
    case SQLITE_FULL:
        return Error::Kind::DiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error::Kind::InUse;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Error::Kind::Damaged;
    case SQLITE_IOERR:
        return Error::Kind::Io;
    case SQLITE_CANTOPEN:
        return Error::Kind::CannotOpen;
    case SQLITE_CONSTRAINT:
        return Error::Kind::Constraint;
    case SQLITE_TOOBIG:
        return Error::Kind::TooBig;
    case SQLITE_MISMATCH:
        return Error::Kind::Mismatch;
    default:
        return Error::Kind::Other;
    }
}

} // namespace

Error::Error(Kind kind, const QString& technical, int code)
    : std::runtime_error(composed(kind, technical).toStdString()),
      m_message(composed(kind, technical)), m_technical(technical), m_kind(kind), m_code(code)
{}

Error Error::fromSqlite(int code, const QString& technical)
{
    return Error(kindOf(code), technical, code);
}

bool Error::endsTransaction() const
{
    switch (m_kind) {
    case Kind::Constraint:
    case Kind::TooBig:
    case Kind::Mismatch:
    case Kind::Field:
        return false;
    default:
        return true;
    }
}

bool Error::isCorrupt() const
{
    return (m_code & 0xff) == SQLITE_CORRUPT;
}

QString describe(Error::Kind kind)
{
    switch (kind) {
    case Error::Kind::ReadOnly:
        return QStringLiteral("فايل ديتابيس فقط خواندني است و تغييرات در آن ذخيره نمي شود.");
    case Error::Kind::DiskFull:
        return QStringLiteral("فضاي ديسك پر است و تغييرات ذخيره نشد.");
    case Error::Kind::InUse:
        return QStringLiteral("فايل ديتابيس در دست برنامه ديگري است؛ آن برنامه را ببنديد و دوباره "
                              "امتحان كنيد.");
    case Error::Kind::Damaged:
        return QStringLiteral("فايل ديتابيس آسيب ديده است.");
    case Error::Kind::Io:
        return QStringLiteral("خواندن يا نوشتن فايل ديتابيس ممكن نشد.");
    case Error::Kind::CannotOpen:
        return QStringLiteral("فايل ديتابيس يا فايل هاي همراه آن باز نمي شوند.");
    case Error::Kind::FolderReadOnly:
        return QStringLiteral("در پوشه فايل ديتابيس نمي توان نوشت؛ برنامه كنار db.mde فايل هاي "
                              "همراه آن را مي سازد. اجازه نوشتن در پوشه را بدهيد يا برنامه را "
                              "در پوشه ديگري اجرا كنيد.");
    case Error::Kind::Companion:
        return QStringLiteral("فايل هاي همراه ديتابيس (db.mde-wal و db.mde-shm) باز نمي شوند؛ "
                              "شايد برنامه با كاربر ديگري اجرا شده و آنها را ساخته است. "
                              "برنامه را با همان كاربر ببنديد يا اجازه خواندن و نوشتن آنها را "
                              "بدهيد.");
    case Error::Kind::TransactionLost:
        return QStringLiteral("ديتابيس كار نيمه تمام را برگرداند و تغييرات ذخيره نشد.");
    case Error::Kind::NotDurable:
        return QStringLiteral("رديف ها در ديتابيس نوشته شدند، ولي ديتابيس دوباره به نوشتن كامل "
                              "روي ديسك برنگشت؛ تا برنامه را نبسته و دوباره باز نكرده ايد، "
                              "تغييرات ممكن است با قطع برق از دست برود.");
    case Error::Kind::Constraint:
    case Error::Kind::TooBig:
    case Error::Kind::Mismatch:
    case Error::Kind::Field:
    case Error::Kind::Other:
        break;
    }
    return QString();
}

} // namespace db
