#include "import/engine/support/MapRange.h"
#include "import/engine/support/SheetWorkbook.h"
#include "import/wizard/dialogs/fuDurvel3XLSRangeEdit.h"
#include "platform/dialogs/Dialogs.h"

#include "ui_fuDurvel3XLSRangeEdit.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

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

// The one range of Text.
void rangeOf(const QString& Text, TMapRange& Range)
{
    TMapRow row;
    row.SetAsString(Text);
    QCOMPARE(row.Count(), 1);
    Range.Assign(*row.GetItem(0));
}

void setEnd(QRadioButton* Data, QRadioButton* Given, QLineEdit* Edit, const QString& Text)
{
    (Text.isEmpty() ? Data : Given)->setChecked(true);
    Edit->setText(Text);
}

} // namespace

class TestXlsRangeEdit : public QObject
{
    Q_OBJECT

private:
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

    // What the boxes show for a range, and OK without a change gives the same range back.
    void loadAndKeep_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("finish");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<QString>("sheet"); // "" default, "#n" by number, "@name" by name
        QTest::newRow("whole column") << "A-COLFINISH;" << 0 << "A"
                                      << ""
                                      << "" << false << "";
        QTest::newRow("whole column upwards") << "[:2]C-COLSTART;" << 0 << "C"
                                              << ""
                                              << "" << true << "#2";
        QTest::newRow("column run") << "[Sheet1]B2-B9;" << 0 << "B"
                                    << "2"
                                    << "9" << false << "@Sheet1";
        QTest::newRow("column from a row") << "D4-COLFINISH;" << 0 << "D"
                                           << "4"
                                           << "" << false << "";
        QTest::newRow("row run backwards") << "[حقوق]E3-B3;" << 1 << "3"
                                           << "E"
                                           << "B" << true << "@حقوق";
        QTest::newRow("whole row") << "7-ROWFINISH;" << 1 << "7"
                                   << ""
                                   << "" << false << "";
        QTest::newRow("cell") << "[:1]AB12;" << 2 << "AB12"
                              << ""
                              << "" << false << "#1";
        QTest::newRow("sheet not in the workbook") << "[OTHER]A1-A3;" << 0 << "A"
                                                   << "1"
                                                   << "3" << false << "@OTHER";
    }
    void loadAndKeep()
    {
        QFETCH(QString, text);
        QFETCH(int, type);
        QFETCH(QString, line);
        QFETCH(QString, start);
        QFETCH(QString, finish);
        QFETCH(bool, backward);
        QFETCH(QString, sheet);

        TfmDurvel3XLSRangeEdit d;
        rangeOf(text, d.Range);
        d.FillSheets(&Book);
        d.LoadControls();
        QCOMPARE(d.ui->cbRangeType->currentIndex(), type);
        QCOMPARE(d.ui->edColRowCell->text(), line);
        if (type != 2) {
            QCOMPARE(d.ui->rbStartData->isChecked(), start.isEmpty());
            QCOMPARE(d.ui->edStartColRow->text(), start);
            QCOMPARE(d.ui->rbFinishData->isChecked(), finish.isEmpty());
            QCOMPARE(d.ui->edFinishColRow->text(), finish);
            if (start.isEmpty() || finish.isEmpty())
                QCOMPARE(d.ui->rbDirection1->isChecked(), backward);
        }
        QCOMPARE(d.ui->rbDefaultSheet->isChecked(), sheet.isEmpty());
        if (sheet.startsWith(u'#')) {
            QVERIFY(d.ui->rbSheetNumber->isChecked());
            QCOMPARE(d.ui->edSheetNumber->currentText(), sheet.mid(1));
        } else if (sheet.startsWith(u'@')) {
            QVERIFY(d.ui->rbSheetName->isChecked());
            QCOMPARE(d.ui->edSheetName->currentText(), sheet.mid(1));
        }

        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(Messages.isEmpty());
        QCOMPARE(d.Range.GetAsString(), text);
    }

    // The boxes as a clerk fills them give the range text.
    void edit_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("finish");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("expected");
        QTest::newRow("column down") << 0 << "a"
                                     << ""
                                     << "" << false << ""
                                     << "A-COLFINISH;";
        QTest::newRow("column up") << 0 << "a"
                                   << ""
                                   << "" << true << ""
                                   << "A-COLSTART;";
        QTest::newRow("column up to a row") << 0 << "B"
                                            << ""
                                            << "6" << true << ""
                                            << "COLFINISH-B6;";
        QTest::newRow("ends decide the direction") << 0 << "C"
                                                   << "9"
                                                   << "2" << false << ""
                                                   << "C9-C2;";
        QTest::newRow("equal ends are one cell") << 0 << "C"
                                                 << "5"
                                                 << "5" << false << ""
                                                 << "C5;";
        QTest::newRow("row by letters") << 1 << "3"
                                        << "b"
                                        << "e" << true << ""
                                        << "B3-E3;";
        QTest::newRow("row left") << 1 << "3"
                                  << ""
                                  << "" << true << ""
                                  << "3-ROWSTART;";
        QTest::newRow("cell") << 2 << " b12 "
                              << "7"
                              << "" << true << ""
                              << "B12;";
        QTest::newRow("cell keeps the sheet chosen") << 2 << "B12"
                                                     << ""
                                                     << "" << false << "@حقوق"
                                                     << "[حقوق]B12;";
        QTest::newRow("sheet by number") << 0 << "A"
                                         << ""
                                         << "" << false << "#2"
                                         << "[:2]A-COLFINISH;";
    }
    void edit()
    {
        QFETCH(int, type);
        QFETCH(QString, line);
        QFETCH(QString, start);
        QFETCH(QString, finish);
        QFETCH(bool, backward);
        QFETCH(QString, sheet);
        QFETCH(QString, expected);

        TfmDurvel3XLSRangeEdit d;
        rangeOf(QStringLiteral("[:1]Z9;"), d.Range);
        d.FillSheets(&Book);
        d.LoadControls();
        d.ui->cbRangeType->setCurrentIndex(type);
        d.ui->edColRowCell->setText(line);
        setEnd(d.ui->rbStartData, d.ui->rbStartColRow, d.ui->edStartColRow, start);
        setEnd(d.ui->rbFinishData, d.ui->rbFinishColRow, d.ui->edFinishColRow, finish);
        (backward ? d.ui->rbDirection1 : d.ui->rbDirection0)->setChecked(true);
        if (sheet.isEmpty()) {
            d.ui->rbDefaultSheet->setChecked(true);
        } else {
            d.ui->rbCustomSheet->setChecked(true);
            const bool number = sheet.startsWith(u'#');
            (number ? d.ui->rbSheetNumber : d.ui->rbSheetName)->setChecked(true);
            QComboBox* box = number ? d.ui->edSheetNumber : d.ui->edSheetName;
            box->setCurrentIndex(box->findText(sheet.mid(1)));
        }
        d.accept();
        QVERIFY2(Messages.isEmpty(), qPrintable(Messages.join(u'|')));
        QCOMPARE(d.Range.GetAsString(), expected);
    }

    // A box that does not parse: its message, the dialog stays, the range is not touched even
    // when the boxes before it were good.
    void refused_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("sheetNumber");
        QTest::addColumn<QString>("message");
        QTest::newRow("column of digits") << 0 << "12"
                                          << ""
                                          << ""
                                          << "Letter expected but 1 found (position 1)";
        QTest::newRow("column past IV") << 0 << "IW"
                                        << ""
                                        << ""
                                        << "Column 257 is out of range [A..IV]";
        QTest::newRow("bad start after a good column")
            << 0 << "C"
            << "x"
            << ""
            << "Number expected but X found (position 1)";
        QTest::newRow("row too large") << 1 << "65537"
                                       << ""
                                       << ""
                                       << "Row 65537 is out of range [1..65536]";
        QTest::newRow("long digit run") << 1 << "99999999999999"
                                        << ""
                                        << ""
                                        << "Number 99999999999999 at position 1 is too large";
        QTest::newRow("cell without row") << 2 << "B"
                                          << ""
                                          << ""
                                          << "Number expected but end of range found (position 2)";
        QTest::newRow("empty cell") << 2 << ""
                                    << ""
                                    << ""
                                    << "Cell is empty";
        QTest::newRow("sheet number empty after good parts") << 0 << "D"
                                                             << "4"
                                                             << ""
                                                             << "Sheet is empty";
    }
    void refused()
    {
        QFETCH(int, type);
        QFETCH(QString, line);
        QFETCH(QString, start);
        QFETCH(QString, sheetNumber);
        QFETCH(QString, message);

        TfmDurvel3XLSRangeEdit d;
        rangeOf(QStringLiteral("[حقوق]A1-A5;"), d.Range);
        d.LoadControls(); // no workbook: empty sheet lists
        d.ui->cbRangeType->setCurrentIndex(type);
        d.ui->edColRowCell->setText(line);
        setEnd(d.ui->rbStartData, d.ui->rbStartColRow, d.ui->edStartColRow, start);
        d.ui->rbFinishData->setChecked(true);
        d.ui->rbCustomSheet->setChecked(true);
        d.ui->rbSheetNumber->setChecked(true);
        d.show();
        d.accept();
        QCOMPARE(Messages, QStringList{message});
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(d.Range.GetAsString(), QStringLiteral("[حقوق]A1-A5;"));
    }

    void enabledStates_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("startGiven");
        QTest::addColumn<bool>("finishGiven");
        QTest::addColumn<bool>("custom");
        // enabled: start radios, start edit, direction, sheet kinds, sheet number list
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<QString>("captions"); // label, start, finish, directions
        QTest::newRow("column, open ends") << 0 << false << false << false << "10110"
                                           << "Col|Start Row|Finish Row|Down|Up";
        QTest::newRow("column, both ends given") << 0 << true << true << true << "11011"
                                                 << "Col|Start Row|Finish Row|Down|Up";
        QTest::newRow("row, one end given") << 1 << true << false << true << "11111"
                                            << "Row|Start Col|Finish Col|Right|Left";
        QTest::newRow("cell") << 2 << true << false << true << "00000"
                              << "Cell|Start Row|Finish Row|Down|Up";
    }
    void enabledStates()
    {
        QFETCH(int, type);
        QFETCH(bool, startGiven);
        QFETCH(bool, finishGiven);
        QFETCH(bool, custom);
        QFETCH(QString, enabled);
        QFETCH(QString, captions);

        TfmDurvel3XLSRangeEdit d;
        d.FillSheets(&Book);
        d.ui->cbRangeType->setCurrentIndex(0); // captions of Col before Cell
        d.ui->cbRangeType->setCurrentIndex(type);
        (startGiven ? d.ui->rbStartColRow : d.ui->rbStartData)->setChecked(true);
        (finishGiven ? d.ui->rbFinishColRow : d.ui->rbFinishData)->setChecked(true);
        (custom ? d.ui->rbCustomSheet : d.ui->rbDefaultSheet)->setChecked(true);
        QString got;
        const QList<QWidget*> watched = {d.ui->rbStartData, d.ui->edStartColRow, d.ui->rgDirection,
                                         d.ui->rbCustomSheet, d.ui->edSheetNumber};
        for (QWidget* w : watched)
            got += w->isEnabled() ? u'1' : u'0';
        QCOMPARE(got, enabled);
        QCOMPARE(QStringList({d.ui->laColRowCell->text(), d.ui->rbStartColRow->text(),
                              d.ui->rbFinishColRow->text(), d.ui->rbDirection0->text(),
                              d.ui->rbDirection1->text()})
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
        QStringList sheets;
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<TfmDurvel3XLSRangeEdit*>(QApplication::activeModalWidget());
            QVERIFY(d);
            for (int i = 0; i < d->ui->edSheetName->count(); ++i)
                sheets << d->ui->edSheetName->itemText(i);
            d->ui->edColRowCell->setText(QStringLiteral("C"));
            d->ui->rbStartData->setChecked(true);
            d->ui->rbFinishData->setChecked(true);
            d->ui->rbCustomSheet->setChecked(true);
            d->ui->edSheetNumber->setCurrentIndex(1);
            QTest::mouseClick(ok ? d->ui->bOk : d->ui->bCancel, Qt::LeftButton);
        });
        QCOMPARE(EditRange(*row.GetItem(0), &Book, nullptr), ok);
        QCOMPARE(sheets, QStringList({"Sheet1", "حقوق"}));
        QCOMPARE(row.GetAsString(), expected);
    }
};

QTEST_MAIN(TestXlsRangeEdit)
#include "test_xlsrangeedit.moc"
