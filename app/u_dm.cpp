#include "app/u_dm.h"

#include "app/dbfile.h"
#include "app/helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QWidget>

Tfrm_dm* frm_dm = nullptr;

namespace {
QString g_databaseFolder;
}

QString Tfrm_dm::databaseFolder()
{
    return g_databaseFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_databaseFolder;
}

void Tfrm_dm::setDatabaseFolder(const QString& folder)
{
    g_databaseFolder = folder;
}

Tfrm_dm::Tfrm_dm(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("frm_dm"));
    Connection = new db::Connection(this);
    auto make = [this](const char* name, const QString& sql) {
        auto* ds = new db::DataSet(Connection, this);
        ds->setObjectName(QLatin1String(name));
        ds->setSql(sql);
        return ds;
    };
    customer_ado = make("customer_ado", QStringLiteral("select * from tbl_customer"));
    // In insertion order, so that the first line of a list stays first in files and previews.
    detail_ado = make("detail_ado", QStringLiteral("select * from tbl_detail order by id"));
    master_ado = make("master_ado", QStringLiteral("select * from tbl_master"));
    // The total is summed exactly as digit text, however many digits.
    sum_ado = make("sum_ado", QStringLiteral("SELECt dsum ( tbl_detail.price) as sumprice\n"
                                             "FROM tbl_detail"));
    ADOQuery1 = make("ADOQuery1", QStringLiteral("delete from  tbl_detail"));
    ADOQuery2 = make("ADOQuery2", QString());
    public_ado = make("public_ado", QString());
    public_ado2 = make("public_ado2", QString());
    ghaleb_ado = make("ghaleb_ado", QStringLiteral("select * from tbl_ghaleb"));

    connect(detail_ado, &db::DataSet::afterScroll, this, &Tfrm_dm::detail_adoAfterScroll);
    connect(detail_ado, &db::DataSet::afterDelete, this, &Tfrm_dm::detail_adoAfterScroll);
    connect(detail_ado, &db::DataSet::afterOpen, this, &Tfrm_dm::detail_adoAfterScroll);
    connect(ghaleb_ado, &db::DataSet::afterScroll, this, &Tfrm_dm::detail_adoAfterScroll);
}

Tfrm_dm::~Tfrm_dm() = default;

bool Tfrm_dm::DataModuleCreate()
{
    const QString path = QDir(databaseFolder()).filePath(databaseFileName());
    // A missing file is reported once; the program ends without making an empty one.
    if (!QFileInfo(path).isFile()) {
        ShowOkMessage(QStringLiteral("عدم ارتباط با فايل ديتابيس"), dialogs::Icon::Error,
                      dialogs::Button::Ok, QString());
        return false;
    }
    try {
        Connection->close();
        Connection->open(path, databaseKey());
        // A keyed file of some other program (or an empty one) has not got our tables.
        for (const char* table : {"tbl_customer", "tbl_detail", "tbl_master", "tbl_ghaleb"})
            Connection->tableInfo(QLatin1String(table));
    } catch (const db::Error& e) {
        // A file held by another program or a folder the log cannot be written to is not
        // damaged: say what the clerk can do about it.
        QString text;
        switch (e.kind()) {
        case db::Error::Kind::InUse:
        case db::Error::Kind::FolderReadOnly:
        case db::Error::Kind::ReadOnly:
        case db::Error::Kind::DiskFull:
        case db::Error::Kind::Io:
        case db::Error::Kind::CannotOpen:
        case db::Error::Kind::Companion:
            text = e.message();
            break;
        case db::Error::Kind::Damaged:
            // A wrong key reads as "not a database" too: only a file known to be ours and
            // damaged is called so.
            if (e.isCorrupt()) {
                text = e.message();
                break;
            }
            [[fallthrough]];
        default:
            // The driver's text is not shown: it may name the file's internals, never the key.
            text = QStringLiteral("بروز مشکل در ارتباط با ديتابيس ") + u'\r' +
                   QStringLiteral("به بخش پشتيبان برنامه تماس بگيريد");
        }
        ShowOkMessage(text, dialogs::Icon::Error, dialogs::Button::Ok, QString());
        Connection->close();
        return false;
    }
    return true;
}

void Tfrm_dm::registerTotalBox(QWidget* window, QLineEdit* box)
{
    m_totalBoxes.append({window, box});
}

QString Tfrm_dm::listTotal()
{
    if (!Connection->isOpen())
        return QString();
    sum_ado->close();
    sum_ado->open();
    return sum_ado->text(QStringLiteral("sumprice"));
}

void Tfrm_dm::detail_adoAfterScroll()
{
    // Runs on a grid's click as well as from code: a database that cannot be read is told here.
    Guarded(nullptr, [this] {
        const QString s = listTotal();
        // An empty list shows an empty total rather than the last one.
        for (const TotalBox& t : std::as_const(m_totalBoxes))
            if (t.window && t.box && t.window->isVisible())
                t.box->setText(s);
        emit totalRefreshed(s);
    });
}
