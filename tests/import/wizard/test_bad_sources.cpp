// Bad sources of every kind as a clerk meets them: empty, random, cut short, another kind under
// the kind's extension, nothing to import, gone before Execute, and values the register refuses.
// Each must be told, leave the wizard usable and the register as it was.

#include "helper_gridpages.h"
#include "helper_office.h"
#include "helper_sources.h"

#include "import/engine/Durvel3.h"
#include "import/wizard/pages/TXTPage.h"
#include "tests/support/MessageLog.h"
#include "tests/support/PythonFixture.h"
#include "tests/support/TestFiles.h"
#include "ui_Durvel3WizardF.h"

#include <QAbstractButton>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QRandomGenerator>
#include <QStackedWidget>
#include <QtEndian>
#include <QtTest>

namespace {

// Register columns in the order the pages' auto-fill pairs them: Pers_number, First_Name,
// Last_Name, Hesab, Price (the register numbers its people itself: auto fill passes id by).
const Rows kGood{{"B1", "Mina", "Rezaei", "0101", "100"}, {"B2", "Sara", "Ahmadi", "0202", "200"}};
const QStringList kGoodStored{"B1|Mina|100", "B2|Sara|200"};
// A 30-digit and a 16-digit account for a 15-character column.
const Rows kBadValues{{"B1", "Mina", "Rezaei", "123456789012345678901234567890", "100"},
                      {"B2", "Sara", "Ahmadi", "0202", "200"},
                      {"B3", "Reza", "Karimi", "1234567890123456", "300"}};

enum class Bad { Empty, Random, Truncated, OtherKind, NoRows, Vanished };

QByteArray randomBytes(int size)
{
    QRandomGenerator gen(20261207);
    QByteArray out(size, '\0');
    for (char& c : out)
        c = char(gen.bounded(256));
    return out;
}

// A file of another kind to put under Kind's extension.
int otherKindOf(int kind)
{
    switch (kind) {
    case aiXLSX:
        return aiDOCX; // a zip without the workbook's parts
    case aiDOCX:
    case aiODS:
        return aiXLSX;
    case aiODT:
        return aiDOCX; // a spreadsheet's tables would be read as the document's
    case aiXLS:
    case aiAccess:
    case aiDBF:
        return aiXLSX;
    case aiXML:
        return aiHTML;
    case aiXMLDoc:
        return aiCSV; // a well-formed page is an XML document too
    case aiHTML:
        return aiXLS;
    default:
        return aiXLSX;
    }
}

// Writes the bad source of Kind at Path; false (with a reason) when it cannot be made here.
bool writeBad(int kind, Bad bad, const QString& path, QString& why)
{
    QFile::remove(path);
    const QString good = path + QStringLiteral(".good") + extensionOf(kind);
    switch (bad) {
    case Bad::Empty:
        writeBytes(path, {});
        return true;
    case Bad::Random:
        writeBytes(path, randomBytes(4096));
        return true;
    case Bad::Truncated: {
        if (kind == aiAccess) {
            const QString sample = accessSample();
            if (sample.isEmpty()) {
                why = QStringLiteral("no Access sample");
                return false;
            }
            QFile in(sample);
            if (!in.open(QIODevice::ReadOnly))
                return false;
            writeBytes(path, in.read(in.size() / 2));
            return true;
        }
        // Enough people that the cut falls after whole rows of them.
        Rows many;
        for (int i = 0; i < 40; ++i)
            many << QStringList{"", QStringLiteral("C%1").arg(i), "Nima", "Sadeghi", "0404", "400"};
        if (!writeKind(kind, good, many)) {
            why = QStringLiteral("no writer for the kind");
            return false;
        }
        QFile in(good);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        writeBytes(path, in.read(in.size() / 2));
        return true;
    }
    case Bad::OtherKind: {
        const int other = otherKindOf(kind);
        if (!writeKind(other, good, kGood)) {
            why = QStringLiteral("no writer for the other kind");
            return false;
        }
        return QFile::rename(good, path);
    }
    case Bad::NoRows:
        if (!writeKind(kind, path, {})) {
            why = QStringLiteral("no writer for the kind");
            return false;
        }
        return true;
    case Bad::Vanished:
        return true;
    }
    return false;
}

// The clerk's messages are sentences about the file or the problem, never empty or a bare
// exception's name.
void checkTold(const MessageLog& log)
{
    QVERIFY2(!log.messages.isEmpty(), "nothing was said");
    for (const QString& t : log.texts()) {
        QVERIFY2(t.trimmed().size() > 8, qPrintable(t));
        QVERIFY2(!t.contains(QLatin1String("Unknown error")), qPrintable(t));
        QVERIFY2(!t.contains(QLatin1String("std::")), qPrintable(t));
    }
}

// The wizard after a refused step: on the first page or on an options page that offers
// nothing to run, and Back leads to the first page.
void checkUsable(TDurvel3WizardF* w)
{
    QVERIFY(!w->Running());
    QVERIFY(w->Step() == 0 || w->Step() == 1);
    QVERIFY(w->ui->bCancel->isEnabled());
    if (w->Step() == 0) {
        QCOMPARE(w->ui->pgImport->currentWidget(), w->ui->tsImportType);
        QVERIFY(w->ui->bNext->isEnabled());
        QVERIFY(!w->ui->bOk->isEnabled());
        return;
    }
    QVERIFY(!w->ui->bOk->isEnabled());
    QVERIFY(w->ui->bBack->isEnabled());
    w->ui->bBack->click();
    QCOMPARE(w->Step(), 0);
}

// Maps the good file's columns the way a clerk does it fastest: the page's auto-fill.
void mapAll(TDurvel3WizardF* w, int kind)
{
    if (kind == aiTXT) {
        int at = 0;
        for (const auto& [field, width] : kTxtLayout) {
            w->TXTPage->SetFieldPosSize(field, at, width);
            at += width;
        }
        return;
    }
    QWidget* page = w->ui->pgImport->currentWidget();
    if (kind == aiXMLDoc) {
        page->findChild<QLineEdit*>(QStringLiteral("edXMLDocXPath"))
            ->setText(QStringLiteral("/staff/person"));
        page->findChild<QAbstractButton*>(QStringLiteral("bXMLDocFillGrid"))->click();
        // The node table's first row names its columns.
        page->findChild<QLineEdit*>(QStringLiteral("edXMLDocSkipLines"))
            ->setText(QStringLiteral("1"));
    }
    for (QAbstractButton* b : page->findChildren<QAbstractButton*>()) {
        const QString name = b->objectName();
        if (name.contains(QLatin1String("AutoFill")) && !name.endsWith(QLatin1String("Rows"))) {
            QVERIFY2(b->isEnabled(), qPrintable(name));
            b->click();
            return;
        }
    }
    QFAIL("no auto-fill on the page");
}

// A window on the options of Kind for a good file, its map complete.
std::unique_ptr<TDurvel3WizardF> mapped(RegisterWizard& fx, int kind, const QString& path)
{
    auto w = fx.window();
    w->SetImportType(kind);
    w->ui->edtFileName->setText(path);
    {
        MessageLog none;
        w->ui->bNext->click();
        if (!none.texts().isEmpty())
            qWarning("%s", qPrintable(none.texts().join(u'\n')));
    }
    if (w->Step() != 1)
        return nullptr;
    mapAll(w.get(), kind);
    if (!w->ui->bOk->isEnabled())
        return nullptr;
    return w;
}

const QList<int> kFileKinds{aiXLS,    aiDBF,  aiXML,  aiTXT, aiCSV, aiHTML,
                            aiXMLDoc, aiXLSX, aiDOCX, aiODS, aiODT};

const char* kindName(int kind)
{
    return ImportKind(kind).RadioButton + 3;
}

} // namespace

Q_DECLARE_METATYPE(Bad)

class TestBadSources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TfmDurvel3Loading::MinimumDisplayTime = 0; }

    // Next from the first page onto a source the kind cannot read.
    void nextOnABadSource_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<Bad>("bad");
        QTest::addColumn<bool>("told"); // else the page may show what little the file holds
        for (int kind : kFileKinds + QList<int>{aiAccess}) {
            QTest::addRow("%s empty", kindName(kind)) << kind << Bad::Empty << true;
            // Any bytes are some text, and half a text is a shorter text.
            if (kind == aiTXT || kind == aiCSV)
                continue;
            QTest::addRow("%s random", kindName(kind)) << kind << Bad::Random << true;
            // Half a page is a page; a table's or packet's header holds its fields whatever
            // follows, and the run finds the cut.
            QTest::addRow("%s truncated", kindName(kind))
                << kind << Bad::Truncated
                << (kind != aiHTML && kind != aiDBF && kind != aiXML && kind != aiAccess);
            QTest::addRow("%s another kind", kindName(kind)) << kind << Bad::OtherKind << true;
            // A document without a table has nothing to show; an empty table shows its columns.
            if (kind != aiAccess)
                QTest::addRow("%s no rows", kindName(kind))
                    << kind << Bad::NoRows << (kind == aiHTML || kind == aiDOCX || kind == aiODT);
        }
    }
    void nextOnABadSource()
    {
        QFETCH(int, kind);
        QFETCH(Bad, bad);
        QFETCH(bool, told);
        RegisterWizard fx;
        const QStringList before = fx.rows();
        const QString path = fx.dir.filePath(QStringLiteral("source") + extensionOf(kind));
        QString why;
        if (!writeBad(kind, bad, path, why))
            QSKIP(qPrintable(why));
        auto w = fx.window();
        w->SetImportType(kind);
        w->ui->edtFileName->setText(path);
        MessageLog log;
        w->ui->bNext->click();
        if (told || !log.messages.isEmpty())
            checkTold(log);
        checkUsable(w.get());
        QCOMPARE(fx.rows(), before);
    }

    // A complete map, then the file is replaced or removed behind the wizard's back.
    void executeOnABadSource_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<Bad>("bad");
        for (int kind : kFileKinds) {
            QTest::addRow("%s vanished", kindName(kind)) << kind << Bad::Vanished;
            QTest::addRow("%s emptied", kindName(kind)) << kind << Bad::Empty;
            if (kind == aiTXT || kind == aiCSV)
                continue;
            QTest::addRow("%s random", kindName(kind)) << kind << Bad::Random;
            QTest::addRow("%s another kind", kindName(kind)) << kind << Bad::OtherKind;
            if (kind != aiHTML)
                QTest::addRow("%s truncated", kindName(kind)) << kind << Bad::Truncated;
        }
    }
    void executeOnABadSource()
    {
        QFETCH(int, kind);
        QFETCH(Bad, bad);
        RegisterWizard fx;
        const QStringList before = fx.rows();
        const QString path = fx.dir.filePath(QStringLiteral("staff") + extensionOf(kind));
        if (!writeKind(kind, path, kGood))
            QSKIP("the kind's writer is not installed");
        auto w = mapped(fx, kind, path);
        QVERIFY(w);
        QString why;
        QVERIFY2(writeBad(kind, bad, path, why), qPrintable(why));
        MessageLog log;
        w->ui->bOk->click();
        checkTold(log);
        QVERIFY(!w->Running());
        QCOMPARE(w->Step(), 1);
        QVERIFY(w->ui->bOk->isEnabled());
        QVERIFY(w->ui->bBack->isEnabled());
        QCOMPARE(fx.rows(), before);
        // Put back, the file imports from the same window.
        QFile::remove(path);
        QVERIFY(writeKind(kind, path, kGood));
        MessageLog again;
        w->ui->bOk->click();
        QCOMPARE(again.texts(), QStringList());
        QCOMPARE(fx.rows(), before + kGoodStored);
    }

    // The Access database the map was made on is changed or removed before Execute.
    void executeOnABadDatabase_data()
    {
        QTest::addColumn<Bad>("bad");
        QTest::newRow("vanished") << Bad::Vanished;
        QTest::newRow("emptied") << Bad::Empty;
        QTest::newRow("random") << Bad::Random;
        QTest::newRow("another kind") << Bad::OtherKind;
    }
    void executeOnABadDatabase()
    {
        QFETCH(Bad, bad);
        if (accessSample().isEmpty())
            QSKIP("no Access sample");
        RegisterWizard fx;
        const QStringList before = fx.rows();
        const QString path = fx.dir.filePath(QStringLiteral("staff.mdb"));
        QVERIFY(QFile::copy(accessSample(), path));
        auto w = fx.window();
        w->SetImportType(aiAccess);
        w->ui->edtFileName->setText(path);
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 1);
        auto* tables = w->ui->pgImport->currentWidget()->findChild<QListWidget*>(
            QStringLiteral("lbAccessTables"));
        const auto shippers = tables->findItems(QStringLiteral("Shippers"), Qt::MatchExactly);
        QVERIFY(!shippers.isEmpty());
        tables->setCurrentItem(shippers.first());
        w->ui->bNext->click();
        QCOMPARE(w->Step(), 2);
        mapAll(w.get(), aiAccess);
        QVERIFY(w->ui->bOk->isEnabled());
        QString why;
        QVERIFY2(writeBad(aiAccess, bad, path, why), qPrintable(why));
        MessageLog log;
        w->ui->bOk->click();
        checkTold(log);
        QVERIFY(!w->Running());
        QCOMPARE(w->Step(), 2);
        QVERIFY(w->ui->bOk->isEnabled());
        QCOMPARE(fx.rows(), before);
    }

    // Values the register refuses: each refused row is counted and logged, the rest stored.
    void refusedValuesAreCounted_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind : kFileKinds)
            QTest::addRow("%s", kindName(kind)) << kind;
    }
    void refusedValuesAreCounted()
    {
        QFETCH(int, kind);
        RegisterWizard fx;
        const QString log = fx.dir.filePath(QStringLiteral("errors.log"));
        fx.wizard.ErrorLog = true;
        fx.wizard.ErrorLogFileName = log;
        const QStringList before = fx.rows();
        const QString path = fx.dir.filePath(QStringLiteral("staff") + extensionOf(kind));
        if (!writeKind(kind, path, kBadValues))
            QSKIP("the kind's writer is not installed");
        auto w = mapped(fx, kind, path);
        QVERIFY(w);
        MessageLog messages;
        w->ui->bOk->click();
        TDurvel3* reader = w->ReaderFor(kind);
        QCOMPARE(reader->ErrorCount(), 2);
        QCOMPARE(reader->ImportedCount(), 1);
        QCOMPARE(fx.rows(), before + QStringList{"B2|Sara|200"});
        QFile f(log);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(log));
        const QByteArray logged = f.readAll();
        // Lines are the source's: the node table's header row is one.
        const int first = kind == aiXMLDoc ? 2 : 1;
        const auto line = [](int n) { return "Line " + QByteArray::number(n) + ':'; };
        QVERIFY2(logged.contains(line(first)) && logged.contains(line(first + 2)) &&
                     !logged.contains(line(first + 1)) && logged.contains("2 error(s)"),
                 logged.constData());
    }
};

QTEST_MAIN(TestBadSources)
#include "test_bad_sources.moc"
