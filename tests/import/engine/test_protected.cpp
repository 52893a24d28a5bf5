// Office documents saved with a password: refused as protected, through the file classes and
// through the import, never as damaged archives.
#include "helper_fakes.h"

#include "import/engine/Durvel3Docx.h"
#include "import/engine/Durvel3ODS.h"
#include "import/engine/Durvel3ODT.h"
#include "import/engine/Durvel3Xlsx.h"
#include "import/engine/support/DocxFile.h"
#include "import/engine/support/OpenDocumentFile.h"
#include "import/engine/support/XlsxFile.h"
#include "tests/support/BiffBuilder.h"
#include "tests/support/PythonFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString kProtected = QStringLiteral("is protected by a password and cannot be read");
const QString kNotZip = QStringLiteral("is not a zip archive or is damaged");

// An ODS or ODT written by odfpy; encrypted: the manifest gives the content encryption data
// and its bytes are no longer deflated XML, as a password-saving program leaves them.
const char* const kOdf = R"(
import os, re, sys, zipfile
from odf.opendocument import OpenDocumentSpreadsheet, OpenDocumentText
from odf.table import Table, TableRow, TableCell
from odf.text import P
path, kind, encrypted = sys.argv[1], sys.argv[2], sys.argv[3] == '1'
doc = OpenDocumentSpreadsheet() if kind == 'ods' else OpenDocumentText()
t = Table(name='Sheet1')
tr = TableRow(); tc = TableCell(); tc.addElement(P(text='Ali')); tr.addElement(tc); t.addElement(tr)
(doc.spreadsheet if kind == 'ods' else doc.text).addElement(t)
doc.save(path + '.plain')
data = '''<manifest:encryption-data manifest:checksum-type="SHA1/1K" manifest:checksum="AAAA">
<manifest:algorithm manifest:algorithm-name="Blowfish CFB" manifest:initialisation-vector="AAAA"/>
<manifest:key-derivation manifest:key-derivation-name="PBKDF2" manifest:iteration-count="1024"
 manifest:salt="AAAA"/></manifest:encryption-data>'''
with zipfile.ZipFile(path + '.plain') as src, zipfile.ZipFile(path, 'w') as dst:
    for info in src.infolist():
        body = src.read(info.filename)
        if encrypted and info.filename == 'META-INF/manifest.xml':
            text, n = re.subn(r'(<manifest:file-entry[^>]*manifest:full-path="content.xml"[^>]*?)\s*/>',
                              lambda m: m.group(1) + '>' + data + '</manifest:file-entry>',
                              body.decode('utf-8'))
            assert n == 1, text
            body = text.encode('utf-8')
        if encrypted and info.filename == 'content.xml':
            body = os.urandom(len(body))
        dst.writestr(info, body, zipfile.ZIP_STORED if info.filename == 'mimetype' else zipfile.ZIP_DEFLATED)
)";

} // namespace

class TestProtected : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // The file of that kind; empty when python3-odf is missing.
    QString document(const QString& kind, const QString& form)
    {
        const QString name = kind + QLatin1Char('-') + form + QLatin1Char('.') + kind;
        if (kind == QLatin1String("xlsx") || kind == QLatin1String("docx")) {
            // What an office program writes for a document saved with a password; the other
            // compound file is a workbook of the older format given the newer extension.
            const QByteArray info("\x04\x00\x04\x00\x40\x00\x00\x00", 8);
            const QList<QPair<QString, QByteArray>> streams =
                form == QLatin1String("encrypted")
                    ? QList<QPair<QString, QByteArray>>{{"EncryptionInfo",
                                                         info + QByteArray(200, 'i')},
                                                        {"EncryptedPackage", QByteArray(5000, 'p')}}
                    : QList<QPair<QString, QByteArray>>{{"Workbook", QByteArray(600, 'w')}};
            return writeFile(name, biff::compoundFile(streams));
        }
        const QString path = m_dir.filePath(name);
        const QString failed = RunPython({"-c", QString::fromUtf8(kOdf), path, kind,
                                          form == QLatin1String("encrypted") ? "1" : "0"});
        return failed.isEmpty() ? path : QString();
    }

    // What loading the file class tells, empty when it loads.
    static QString loadMessage(const QString& kind, const QString& path)
    {
        std::unique_ptr<TBaseDocumentFile> file;
        if (kind == QLatin1String("xlsx"))
            file = std::make_unique<TXlsxFile>();
        else if (kind == QLatin1String("docx"))
            file = std::make_unique<TDocxFile>();
        else if (kind == QLatin1String("ods"))
            file = std::make_unique<TODSFile>();
        else
            file = std::make_unique<TODTFile>();
        file->SetFileName(path);
        try {
            file->Load();
        } catch (const EZipError& e) {
            return e.message();
        }
        return QString();
    }

    // What the import tells, empty when it imports.
    static QString importMessage(const QString& kind, const QString& path, DurvelCellStore& grid)
    {
        std::unique_ptr<TDurvel3> imp;
        if (kind == QLatin1String("xlsx")) {
            auto x = std::make_unique<TDurvel3Xlsx>();
            x->SetFileName(path);
            imp = std::move(x);
        } else if (kind == QLatin1String("docx")) {
            auto d = std::make_unique<TDurvel3Docx>();
            d->SetFileName(path);
            d->SetTableNumber(1);
            imp = std::move(d);
        } else if (kind == QLatin1String("ods")) {
            auto o = std::make_unique<TDurvel3ODS>();
            o->SetFileName(path);
            imp = std::move(o);
        } else {
            auto o = std::make_unique<TDurvel3ODT>();
            o->SetFileName(path);
            imp = std::move(o);
        }
        intoGrid(*imp, grid,
                 kind == QLatin1String("docx") ? QStringLiteral("0=1") : QStringLiteral("0=A"));
        try {
            imp->Execute();
        } catch (const EDurvelError& e) {
            return e.message();
        }
        return QString();
    }

private slots:
    void protectedDocumentsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("message"); // empty: read
        QTest::newRow("xlsx with a password") << "xlsx"
                                              << "encrypted" << kProtected;
        QTest::newRow("docx with a password") << "docx"
                                              << "encrypted" << kProtected;
        QTest::newRow("ods with a password") << "ods"
                                             << "encrypted" << kProtected;
        QTest::newRow("odt with a password") << "odt"
                                             << "encrypted" << kProtected;
        // Not every compound file is a protected document, nor every manifest.
        QTest::newRow("xlsx that is an old workbook") << "xlsx"
                                                      << "other" << kNotZip;
        QTest::newRow("ods without a password") << "ods"
                                                << "plain" << QString();
        QTest::newRow("odt without a password") << "odt"
                                                << "plain" << QString();
    }
    void protectedDocumentsRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, form);
        QFETCH(QString, message);
        const QString path = document(kind, form);
        if (path.isEmpty())
            QSKIP("python3-odf is not available");

        const QString loaded = loadMessage(kind, path);
        QVERIFY2(message.isEmpty() ? loaded.isEmpty() : loaded.contains(message),
                 qPrintable(loaded));
        if (!message.isEmpty())
            QVERIFY2(loaded.contains(QFileInfo(path).fileName()), qPrintable(loaded));

        DurvelCellStore grid(1, 0);
        const QString imported = importMessage(kind, path, grid);
        QVERIFY2(message.isEmpty() ? imported.isEmpty() : imported.contains(message),
                 qPrintable(imported));
        QCOMPARE(gridRows(grid),
                 message.isEmpty() ? QList<QStringList>{{"Ali"}} : QList<QStringList>{});
    }
};

QTEST_MAIN(TestProtected)
#include "test_protected.moc"
