#include "import/engine/support/MapRange.h"
#include "import/engine/support/SheetWorkbook.h"
#include "import/wizard/dialogs/fuDurvel3XLSRangeEdit.h"
#include "platform/dialogs/Dialogs.h"

#include "ui_fuDurvel3XLSRangeEdit.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

const QString kStart = QStringLiteral("[حقوق]A1-A5;");

// Two sheets and no cells: the editor only lists the sheets.
class TwoSheets : public TSheetWorkbook
{
public:
    bool IsLoaded() const override { return true; }
    void Load() override {}
    int SheetCount() const override { return 2; }
    QString SheetName(int Sheet) const override
    {
        return Sheet == 0 ? QStringLiteral("Sheet1") : QStringLiteral("حقوق");
    }
    int FirstCol(int, int) const override { return -1; }
    int LastCol(int, int) const override { return -1; }
    int FirstRow(int, int) const override { return -1; }
    int LastRow(int, int) const override { return -1; }
    QString CellText(int, int, int) const override { return {}; }
};

void load(TfmDurvel3XLSRangeEdit& d, const QString& Text, const TSheetWorkbook* Book)
{
    TMapRow row;
    row.SetAsString(Text);
    d.Range.Assign(*row.GetItem(0));
    d.FillSheets(Book);
    d.LoadControls();
}

// The boxes as "type|line|start|finish|direction|sheet": an empty start or finish is "where
// the data starts (finishes)"; the sheet is "", "#number" or "@name".
QString shown(const TfmDurvel3XLSRangeEdit& d)
{
    const auto* u = d.ui.get();
    const QString sheet = u->rbDefaultSheet->isChecked()  ? QString()
                          : u->rbSheetNumber->isChecked() ? u'#' + u->edSheetNumber->currentText()
                                                          : u'@' + u->edSheetName->currentText();
    return QStringList{QString::number(u->cbRangeType->currentIndex()),
                       u->edColRowCell->text(),
                       u->rbStartData->isChecked() ? QString() : u->edStartColRow->text(),
                       u->rbFinishData->isChecked() ? QString() : u->edFinishColRow->text(),
                       u->rbDirection1->isChecked() ? "1" : "0",
                       sheet}
        .join(u'|');
}

void fill(TfmDurvel3XLSRangeEdit& d, const QString& Boxes)
{
    const QStringList b = Boxes.split(u'|');
    auto* u = d.ui.get();
    u->cbRangeType->setCurrentIndex(b[0].toInt());
    u->edColRowCell->setText(b[1]);
    (b[2].isEmpty() ? u->rbStartData : u->rbStartColRow)->setChecked(true);
    u->edStartColRow->setText(b[2]);
    (b[3].isEmpty() ? u->rbFinishData : u->rbFinishColRow)->setChecked(true);
    u->edFinishColRow->setText(b[3]);
    (b[4] == "1" ? u->rbDirection1 : u->rbDirection0)->setChecked(true);
    (b[5].isEmpty() ? u->rbDefaultSheet : u->rbCustomSheet)->setChecked(true);
    (b[5].startsWith(u'@') ? u->rbSheetName : u->rbSheetNumber)->setChecked(true);
    QComboBox* list = b[5].startsWith(u'@') ? u->edSheetName : u->edSheetNumber;
    list->setCurrentIndex(list->findText(b[5].mid(1)));
}

} // namespace

class TestXlsRangeEdit : public QObject
{
    Q_OBJECT

    TwoSheets Book;
    QStringList Messages;

private slots:
    void init()
    {
        Messages.clear();
        dialogs::setMessageHandler([this](const dialogs::Message& m) {
            Messages << m.text;
            return dialogs::Button::Ok;
        });
    }
    void cleanup() { dialogs::setMessageHandler(nullptr); }

    // The boxes a range shows, and OK without a change gives the same range back.
    void loadAndKeep_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("boxes");
        QTest::newRow("whole column upwards") << "[:2]C-COLSTART;"
                                              << "0|C|||1|#2";
        QTest::newRow("column run") << "[:1]B2-B9;"
                                    << "0|B|2|9|0|#1";
        QTest::newRow("column from a row") << "D4-COLFINISH;"
                                           << "0|D|4||0|";
        QTest::newRow("row run backwards") << "[حقوق]E3-B3;"
                                           << "1|3|E|B|0|@حقوق";
        QTest::newRow("cell") << "[:1]AB12;"
                              << "2|AB12|||0|#1";
        // Kept rather than lost when the workbook has no such sheet.
        QTest::newRow("sheet not in the workbook") << "[OTHER]A1-A3;"
                                                   << "0|A|1|3|0|@OTHER";
    }
    void loadAndKeep()
    {
        QFETCH(QString, text);
        QFETCH(QString, boxes);
        TfmDurvel3XLSRangeEdit d;
        load(d, text, &Book);
        QCOMPARE(shown(d), boxes);
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(Messages, QStringList());
        QCOMPARE(d.Range.GetAsString(), text);
    }

    // The boxes as a clerk fills them give a range, or a message with the dialog left open
    // and the range untouched, even when the boxes before the faulty one were good.
    void edit_data()
    {
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("expected"); // range text, or "!" and the message
        QTest::newRow("column down") << "0|a|||0|"
                                     << "A-COLFINISH;";
        QTest::newRow("column up to a row") << "0|B||6|1|"
                                            << "COLFINISH-B6;";
        QTest::newRow("ends decide the direction") << "0|C|9|2|0|"
                                                   << "C9-C2;";
        QTest::newRow("equal ends are one cell") << "0|C|5|5|0|#2"
                                                 << "[:2]C5;";
        QTest::newRow("row by letters, left") << "1|3|b||1|"
                                              << "B3-ROWSTART;";
        QTest::newRow("cell keeps the sheet chosen") << "2| b12 |7||1|@حقوق"
                                                     << "[حقوق]B12;";
        QTest::newRow("column of digits") << "0|12|||0|"
                                          << "!Letter expected but 1 found (position 1)";
        QTest::newRow("bad start after a good column")
            << "0|C|x||0|"
            << "!Number expected but X found (position 1)";
        QTest::newRow("long digit run") << "1|99999999999999|||0|"
                                        << "!Number 99999999999999 at position 1 is too large";
        QTest::newRow("cell without row") << "2|B|||0|"
                                          << "!Number expected but end of range found (position 2)";
        QTest::newRow("sheet number missing after good parts") << "0|D|4||0|#"
                                                               << "!Sheet is empty";
    }
    void edit()
    {
        QFETCH(QString, boxes);
        QFETCH(QString, expected);
        TfmDurvel3XLSRangeEdit d;
        load(d, kStart, &Book);
        d.show();
        fill(d, boxes);
        d.accept();
        const bool refused = expected.startsWith(u'!');
        QCOMPARE(Messages, refused ? QStringList{expected.mid(1)} : QStringList());
        QCOMPARE(d.isVisible(), refused);
        QCOMPARE(d.Range.GetAsString(), refused ? kStart : expected);
    }

    // Equal ends at the first row (column) keep the run and the direction it had; equal ends
    // further on make one cell with no direction.
    void equalEnds_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("text");
        QTest::newRow("column at row 1, down")
            << "A1-A5;"
            << "0|C|1|1|1|" << int(TMapRange::rkColumn) << int(TMapRange::dirForward) << "C1-C1;";
        QTest::newRow("column at row 1, up")
            << "A9-A2;"
            << "0|C|1|1|0|" << int(TMapRange::rkColumn) << int(TMapRange::dirBackward) << "C1-C1;";
        QTest::newRow("row at column A, left")
            << "E3-B3;"
            << "1|7|A|A|0|" << int(TMapRange::rkRow) << int(TMapRange::dirBackward) << "A7-A7;";
        QTest::newRow("column at row 5")
            << "A9-A2;"
            << "0|C|5|5|1|" << int(TMapRange::rkCell) << int(TMapRange::dirUnset) << "C5;";
        QTest::newRow("row at column B")
            << "A1-A5;"
            << "1|7|B|B|0|" << int(TMapRange::rkCell) << int(TMapRange::dirUnset) << "B7;";
    }
    void equalEnds()
    {
        QFETCH(QString, start);
        QFETCH(QString, boxes);
        QFETCH(int, kind);
        QFETCH(int, direction);
        QFETCH(QString, text);
        TMapRow row;
        row.SetAsString(start);
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<TfmDurvel3XLSRangeEdit*>(QApplication::activeModalWidget());
            QVERIFY(d);
            fill(*d, boxes);
            QTest::mouseClick(d->ui->bOk, Qt::LeftButton);
        });
        TMapRange* range = row.GetItem(0);
        QVERIFY(EditRange(*range, &Book, nullptr));
        QCOMPARE(Messages, QStringList());
        QCOMPARE(int(range->Kind()), kind);
        QCOMPARE(int(range->Direction), direction);
        QCOMPARE(range->GetAsString(), text);

        // Opened again, the editor shows what it gave.
        TfmDurvel3XLSRangeEdit d;
        d.Range.Assign(*range);
        d.Range.KeepRun(range->Kind());
        d.FillSheets(&Book);
        d.LoadControls();
        QCOMPARE(d.ui->cbRangeType->currentIndex(), kind == TMapRange::rkCell  ? 2
                                                    : kind == TMapRange::rkRow ? 1
                                                                               : 0);
    }

    void enabledStates_data()
    {
        QTest::addColumn<QString>("boxes");
        // start radios, start edit, direction, sheet kinds, sheet number list; the captions
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<QString>("captions");
        QTest::newRow("column, open ends") << "0|A|||0|"
                                           << "10110"
                                           << "Col|Start Row|Down|Up";
        QTest::newRow("column, both ends") << "0|A|1|2|0|#1"
                                           << "11011"
                                           << "Col|Start Row|Down|Up";
        QTest::newRow("row") << "1|1|A||0|#1"
                             << "11111"
                             << "Row|Start Col|Right|Left";
        QTest::newRow("cell") << "2|A1|1||0|#1"
                              << "00000"
                              << "Cell|Start Col|Right|Left";
    }
    void enabledStates()
    {
        QFETCH(QString, boxes);
        QFETCH(QString, enabled);
        QFETCH(QString, captions);
        TfmDurvel3XLSRangeEdit d;
        d.FillSheets(&Book);
        fill(d, QStringLiteral("1|1|||0|")); // captions of Row before a Cell
        fill(d, boxes);
        const auto* u = d.ui.get();
        QString got;
        for (const QWidget* w :
             QList<const QWidget*>{u->rbStartData, u->edStartColRow, u->rgDirection,
                                   u->rbCustomSheet, u->edSheetNumber})
            got += w->isEnabled() ? u'1' : u'0';
        QCOMPARE(got, enabled);
        QCOMPARE(QStringList({u->laColRowCell->text(), u->rbStartColRow->text(),
                              u->rbDirection0->text(), u->rbDirection1->text()})
                     .join(u'|'),
                 captions);
    }

    // The modal call: OK commits the edit, Cancel leaves the range as it was.
    void editRange_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ok") << true << "[:2]C-COLFINISH;";
        QTest::newRow("cancel") << false << "A1-A5;";
    }
    void editRange()
    {
        QFETCH(bool, ok);
        QFETCH(QString, expected);
        TMapRow row;
        row.SetAsString(QStringLiteral("A1-A5;"));
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<TfmDurvel3XLSRangeEdit*>(QApplication::activeModalWidget());
            QVERIFY(d);
            fill(*d, QStringLiteral("0|C|||0|#2"));
            QTest::mouseClick(ok ? d->ui->bOk : d->ui->bCancel, Qt::LeftButton);
        });
        QCOMPARE(EditRange(*row.GetItem(0), &Book, nullptr), ok);
        QCOMPARE(row.GetAsString(), expected);
    }
};

QTEST_MAIN(TestXlsRangeEdit)
#include "test_xlsrangeedit.moc"
