#include "helper_wizard.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/KeyColumnList.h"
#include "import/wizard/pages/LastPage.h"
#include "import/wizard/pages/TXTPage.h"
#include "import/wizard/widgets/ButtonPicture.h"
#include "import/wizard/widgets/Durvel3TXTView.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "ui_CSVPage.h"
#include "ui_Durvel3WizardF.h"
#include "ui_LastPage.h"
#include "ui_TXTPage.h"

#include <QtTest>
#include <algorithm>

namespace {

QStringList texts(const QListWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

QStringList selected(const QListWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            t << list->item(i)->text();
    return t;
}

QStringList columnTexts(QTreeWidget* list, int column)
{
    QStringList t;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        t << list->topLevelItem(i)->text(column);
    return t;
}

void select(QListWidget* list, const QStringList& names)
{
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i)
        if (names.contains(list->item(i)->text()))
            list->item(i)->setSelected(true);
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

private slots:
    // ---- field-pair pages' pictures -------------------------------------------------------

    void pairButtonsHaveTheirPictures_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("enabled");
        QTest::addColumn<int>("disabled");
        for (const char* kind : {"DBF", "XML", "Access"}) {
            const QList<std::tuple<const char*, int, int>> rows = {
                {"Add", 4, 12}, {"AutoFill", 9, 17}, {"Remove", 6, 14}, {"Clear", 7, 15}};
            for (const auto& [name, on, off] : rows) {
                const QString button = QStringLiteral("b%1%2").arg(kind, name);
                QTest::newRow(qPrintable(button)) << button << on << off;
            }
        }
    }
    void pairButtonsHaveTheirPictures()
    {
        QFETCH(QString, button);
        QFETCH(int, enabled);
        QFETCH(int, disabled);
        WizardFixture fx;
        auto w = fx.window();
        auto* b = w->findChild<QAbstractButton*>(button);
        QVERIFY(b);
        auto* box = w->findChild<TButtonPicture*>(u'p' + button);
        QVERIFY(box);
        QCOMPARE(box->parentWidget(), b->parentWidget());
        b->setEnabled(true);
        QCOMPARE(box->ImageIndex(), enabled);
        b->setEnabled(false);
        QCOMPARE(box->ImageIndex(), disabled);
    }

    // ---- last page -----------------------------------------------------------------------

    void lastPageStartsFromTheComponent()
    {
        WizardFixture fx;
        fx.wizard.CommitRecCount = 50;
        fx.wizard.ImportRecCount = 7;
        fx.wizard.ErrorLog = true;
        fx.wizard.ShowErrorLog = true;
        fx.wizard.ImportMode = dimUpdateOrInsert;
        fx.wizard.AddType = datAppend;
        fx.wizard.ErrorLogFileName = QStringLiteral("x.log");
        auto w = fx.window();
        LastPage* p = w->CommitPage;
        QCOMPARE(p->ui->edtCommitRecCount->text(), QStringLiteral("50"));
        QCOMPARE(p->ui->edtImportRecCount->text(), QStringLiteral("7"));
        QVERIFY(!p->ui->chImportAllRecords->isChecked());
        QVERIFY(p->ui->chShowErrorLog->isChecked() && p->ui->chShowErrorLog->isEnabled());
        QVERIFY(p->ui->rbImportMode3->isChecked());
        QVERIFY(p->ui->rbAddType0->isChecked());
        TDurvel3ASCII reader;
        p->CopyInto(reader);
        QCOMPARE(reader.CommitRecCount, 50);
        QCOMPARE(reader.ImportRecCount, 7);
        QCOMPARE(reader.ImportMode, dimUpdateOrInsert);
        QCOMPARE(reader.AddType, datAppend);
        QVERIFY(reader.ShowErrorLog);
    }

    void importAllRecordsKeepsTheTypedCount()
    {
        WizardFixture fx;
        auto w = fx.window();
        LastPage* p = w->CommitPage;
        QVERIFY(p->ui->chImportAllRecords->isChecked());
        QVERIFY(!p->ui->edtImportRecCount->isEnabled());
        p->ui->chImportAllRecords->setChecked(false);
        QVERIFY(p->ui->edtImportRecCount->isEnabled());
        p->ui->edtImportRecCount->selectAll();
        QTest::keyClicks(p->ui->edtImportRecCount, QStringLiteral("25"));
        TDurvel3ASCII reader;
        p->CopyInto(reader);
        QCOMPARE(reader.ImportRecCount, 25);
        p->ui->chImportAllRecords->setChecked(true);
        p->CopyInto(reader);
        QCOMPARE(reader.ImportRecCount, 0);
        QCOMPARE(p->ImportRecCount(), 25);
        p->ui->chImportAllRecords->setChecked(false);
        p->CopyInto(reader);
        QCOMPARE(reader.ImportRecCount, 25);
        // A count of 0 means all records.
        p->SetImportRecCount(0);
        QVERIFY(p->ui->chImportAllRecords->isChecked());
    }

    void countBoxesIgnoreText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("count");
        QTest::newRow("letters") << "abc" << 1000;
        QTest::newRow("number") << "250" << 250;
        QTest::newRow("empty") << "" << 1000;
    }
    void countBoxesIgnoreText()
    {
        QFETCH(QString, typed);
        QFETCH(int, count);
        WizardFixture fx;
        auto w = fx.window();
        w->CommitPage->ui->edtCommitRecCount->setText(typed);
        QCOMPARE(w->CommitPage->CommitRecCount(), count);
    }

    void showErrorLogNeedsTheLog()
    {
        WizardFixture fx;
        auto w = fx.window();
        LastPage* p = w->CommitPage;
        QVERIFY(!p->ui->chShowErrorLog->isEnabled());
        p->SetShowErrorLog(true);
        QVERIFY(!p->ShowErrorLog());
        p->ui->chEnableErrorLog->setChecked(true);
        QVERIFY(p->ui->edErrorLogFileName->isEnabled());
        p->ui->chShowErrorLog->setChecked(true);
        QVERIFY(p->ShowErrorLog());
        p->ui->chEnableErrorLog->setChecked(false);
        QVERIFY(p->ShowErrorLog());
        QVERIFY(!p->ui->chShowErrorLog->isEnabled());
        QVERIFY(!p->ui->bErrorLogFileName->isEnabled());
    }

    void keyColumnsStartFromTheComponent()
    {
        WizardFixture fx;
        fx.wizard.KeyColumns().Assign(QStringList{"Name", "Missing"});
        auto w = fx.window();
        QCOMPARE(texts(w->CommitPage->ui->lvSelectedColumns), QStringList{"Name"});
        QCOMPARE(texts(w->CommitPage->ui->lvAvailableColumns), (QStringList{"Code", "Amount"}));
    }

    void keyColumnButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("pick");
        QTest::addColumn<QStringList>("available");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("all right") << "bAllToRight" << QStringList() << QStringList()
                                   << QStringList{"Name", "Code", "Amount"};
        QTest::newRow("selected right, in list order")
            << "bOneToRirght" << QStringList{"Amount", "Code"} << QStringList()
            << QStringList{"Name", "Code", "Amount"};
        QTest::newRow("one left") << "bOneToLeft" << QStringList{"Name"}
                                  << QStringList{"Code", "Amount", "Name"} << QStringList();
        QTest::newRow("all left") << "bAllToLeft" << QStringList()
                                  << QStringList{"Code", "Amount", "Name"} << QStringList();
    }
    void keyColumnButtons()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, pick);
        QFETCH(QStringList, available);
        QFETCH(QStringList, keys);
        WizardFixture fx;
        fx.wizard.KeyColumns().Assign(QStringList{"Name"});
        auto w = fx.window();
        LastPage* p = w->CommitPage;
        const bool right = button.contains(QLatin1String("ToR"));
        select(right ? p->ui->lvAvailableColumns : p->ui->lvSelectedColumns, pick);
        p->findChild<QToolButton*>(button)->click();
        QCOMPARE(texts(p->ui->lvAvailableColumns), available);
        QCOMPARE(texts(p->ui->lvSelectedColumns), keys);
        QCOMPARE(p->SelectedKeyColumns(), keys);
        // The last item placed is the only one selected where it went.
        QListWidget* target = right ? p->ui->lvSelectedColumns : p->ui->lvAvailableColumns;
        QCOMPARE(selected(target), QStringList{texts(target).last()});
    }

    void droppingKeyColumns_data()
    {
        QTest::addColumn<bool>("sameList");
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("under");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("after the item under the mouse")
            << false << "Amount"
            << "Code" << QStringList{"Code", "Amount", "Name"};
        QTest::newRow("on empty space appends") << false << "Amount"
                                                << "" << QStringList{"Code", "Name", "Amount"};
        QTest::newRow("reorder within the list") << true << "Code"
                                                 << "Name" << QStringList{"Name", "Code"};
        QTest::newRow("dropped on itself") << true << "Code"
                                           << "Code" << QStringList{"Code", "Name"};
    }
    void droppingKeyColumns()
    {
        QFETCH(bool, sameList);
        QFETCH(QString, dragged);
        QFETCH(QString, under);
        QFETCH(QStringList, keys);
        WizardFixture fx;
        fx.wizard.KeyColumns().Assign(QStringList{"Code", "Name"});
        auto w = fx.window();
        KeyColumnList* avail = w->CommitPage->ui->lvAvailableColumns;
        KeyColumnList* sel = w->CommitPage->ui->lvSelectedColumns;
        KeyColumnList* source = sameList ? sel : avail;
        const auto items = source->findItems(dragged, Qt::MatchExactly);
        source->setCurrentItem(items.first(), QItemSelectionModel::ClearAndSelect);
        const auto targets = sel->findItems(under, Qt::MatchExactly);
        emit sel->itemsDropped(source, under.isEmpty() ? nullptr : targets.first());
        QCOMPARE(texts(sel), keys);
        QCOMPARE(selected(sel), QStringList{dragged});
    }

    // ---- delimited page ------------------------------------------------------------------

    void csvPreviewIsSizedToTheLinesRead_data()
    {
        QTest::addColumn<int>("viewerRows");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("expected");
        QTest::newRow("fewer lines than rows") << 20 << 3 << 3;
        QTest::newRow("more lines than rows") << 5 << 9 << 5;
        QTest::newRow("no limit asked") << 0 << 7 << 7;
        QTest::newRow("negative") << -1 << 4 << 4;
    }
    void csvPreviewIsSizedToTheLinesRead()
    {
        QFETCH(int, viewerRows);
        QFETCH(int, lines);
        QFETCH(int, expected);
        WizardFixture fx;
        fx.wizard.CSVViewerRows = viewerRows;
        QByteArray bytes;
        for (int i = 0; i < lines; ++i)
            bytes += QByteArray::number(i) + ",x\n";
        auto w = fx.window();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv"), bytes));
        w->SetStep(1);
        QCOMPARE(w->CSVPage->PreviewLines(), expected);
        QVERIFY(!w->NeedReload);
    }

    void csvPreviewReadsUtf8LikeTheReader()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(
            fx.file(QStringLiteral("a.csv"), QStringLiteral("1,علی,\"a,b\",z\n2\n").toUtf8()));
        w->SetStep(1);
        QCOMPARE(w->CSVPage->PreviewColumns(), 4);
        QCOMPARE(w->CSVPage->ui->cbCSVColNumber->count(), 5);
    }

    void csvColumnClicks()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv")));
        w->SetStep(1);
        CsvPage* p = w->CSVPage;
        QCOMPARE(p->ui->lvCSVFields->currentItem()->text(0), QStringLiteral("Code"));
        p->ColumnClicked(2);
        QCOMPARE(columnTexts(p->ui->lvCSVFields, 1), (QStringList{"3", "", ""}));
        QCOMPARE(p->ui->cbCSVColNumber->currentText(), QStringLiteral("3"));
        // A second click on the same column unmaps the field.
        p->ColumnClicked(2);
        QCOMPARE(columnTexts(p->ui->lvCSVFields, 1), (QStringList{"", "", ""}));
        QVERIFY(!p->CSVMapReady());
    }

    void csvGridShowsThePreviewAndAClickMaps()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->show();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(
            fx.file(QStringLiteral("a.csv"), QStringLiteral("1,علی,10\n2,b\n").toUtf8()));
        w->SetStep(1);
        TKobWideStringGrid* g = w->CSVPage->Grid;
        QCOMPARE(g->ColCount(), 3);
        QCOMPARE(g->RowCount(), 3);
        QCOMPARE(g->Cells(0, 0), QStringLiteral("Column_1"));
        QCOMPARE(g->Cells(1, 1), QStringLiteral("علی"));
        QCOMPARE(g->Cells(2, 2), QString());
        // The same page read again from a shorter file keeps nothing of the first.
        w->SetComma(u';');
        w->CSVPage->LoadPreview();
        QCOMPARE(g->ColCount(), 1);
        QCOMPARE(g->Cells(0, 1), QStringLiteral("1,علی,10"));
        w->SetComma(u',');
        w->CSVPage->LoadPreview();
        QTreeWidget* fields = w->CSVPage->ui->lvCSVFields;
        fields->setCurrentItem(fields->topLevelItem(1));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier,
                          g->CellRect(2, 1).center());
        QCOMPARE(columnTexts(fields, 1), (QStringList{"", "3", ""}));
    }

    void csvAutoFillAndClear()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiCSV);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.csv"), "1,2\n"));
        w->SetStep(1);
        CsvPage* p = w->CSVPage;
        p->AutoFillClick();
        QCOMPARE(columnTexts(p->ui->lvCSVFields, 1), (QStringList{"1", "2", ""}));
        QVERIFY(p->CSVMapReady());
        p->ClearClick();
        QCOMPARE(columnTexts(p->ui->lvCSVFields, 1), (QStringList{"", "", ""}));
        // A new delimiter empties the columns and reads the file again.
        p->AutoFillClick();
        w->SetComma(u';');
        QCOMPARE(columnTexts(p->ui->lvCSVFields, 1), (QStringList{"", "", ""}));
        QVERIFY(w->NeedReload);
    }

    // ---- fixed-width page ----------------------------------------------------------------

    void parsePosSize_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("size");
        QTest::newRow("both") << "3;7" << 3 << 7;
        QTest::newRow("trailing semicolon") << "3;7;" << 3 << 7;
        QTest::newRow("no semicolon") << "12" << -5 << -5;
        QTest::newRow("bad size keeps position") << "4;x" << 4 << -5;
        QTest::newRow("bad position") << "x;4" << -5 << -5;
    }
    void parsePosSize()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, size);
        int p = -5;
        int s = -5;
        TxtPage::ParsePosSize(text, p, s);
        QCOMPARE(p, position);
        QCOMPARE(s, size);
    }

    void txtFieldOfSizeZeroIsNotComplete()
    {
        WizardFixture fx;
        auto w = fx.window();
        TxtPage* p = w->TXTPage;
        p->SetFieldPosSize(QStringLiteral("Code"), 2, 0);
        QVERIFY(!p->TXTMapReady());
        QVERIFY(p->MapLines().isEmpty());
        p->SetFieldPosSize(QStringLiteral("Name"), 2, 5);
        QVERIFY(p->TXTMapReady());
        QCOMPARE(p->MapLines(), (QList<QPair<QString, QString>>{{"Name", "2;5"}}));
    }

    void txtArrows_data()
    {
        QTest::addColumn<bool>("moved");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("positions");
        QTest::addColumn<QStringList>("sizes");
        // Code 0..4, Name 4..10.
        QTest::newRow("removing an end clears that field")
            << false << 10 << 0 << QStringList{"0", ""} << QStringList{"4", ""};
        QTest::newRow("removing a shared arrow clears both")
            << false << 4 << 0 << QStringList{"", ""} << QStringList{"", ""};
        QTest::newRow("moving an end changes the size")
            << true << 10 << 12 << QStringList{"0", "4"} << QStringList{"4", "8"};
        QTest::newRow("moving a shared arrow moves one field's end and the next's start")
            << true << 4 << 5 << QStringList{"0", "5"} << QStringList{"5", "6"};
    }
    void txtArrows()
    {
        QFETCH(bool, moved);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, positions);
        QFETCH(QStringList, sizes);
        WizardFixture fx;
        auto w = fx.window();
        TxtPage* p = w->TXTPage;
        p->SetFieldPosSize(QStringLiteral("Code"), 0, 4);
        p->SetFieldPosSize(QStringLiteral("Name"), 4, 6);
        if (moved)
            emit p->Viewer->ArrowMoved(from, to);
        else
            emit p->Viewer->ArrowRemoved(from);
        QCOMPARE(columnTexts(p->ui->lvTXTFields, 1).mid(0, 2), positions);
        QCOMPARE(columnTexts(p->ui->lvTXTFields, 2).mid(0, 2), sizes);
    }

    // After a load the viewer's arrows stand at every field's start and end, the selected
    // field is selected in the viewer, and the viewer's lines are cut where the reader cuts.
    void txtViewerFollowsTheFields()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->show();
        w->SetImportType(aiTXT);
        w->ui->edtFileName->setText(
            fx.file(QStringLiteral("a.txt"), QStringLiteral("12\tعلی  x\r\n").toUtf8()));
        TxtPage* p = w->TXTPage;
        p->SetTXTEncoding(ctUtf8);
        p->SetFieldPosSize(QStringLiteral("Code"), 0, 2);
        p->SetFieldPosSize(QStringLiteral("Name"), 8, 3);
        w->SetStep(1);
        QList<int> columns;
        for (int i = 0; i < p->Viewer->Arrows().Count(); ++i)
            columns << p->Viewer->Arrows().Items(i)->Column;
        std::sort(columns.begin(), columns.end());
        QCOMPARE(columns, (QList<int>{0, 2, 8, 11}));
        int start = -1;
        int size = -1;
        p->Viewer->GetSelection(start, size);
        QCOMPARE(start, 0);
        QCOMPARE(size, 2);
        // The tab is expanded as the reader expands it: the name starts at column 8.
        QCOMPARE(p->Viewer->Lines().Strings(0).mid(8, 3), QStringLiteral("علی"));
        p->ui->lvTXTFields->setCurrentItem(p->ui->lvTXTFields->topLevelItem(1));
        p->Viewer->GetSelection(start, size);
        QCOMPARE(start, 8);
        QCOMPARE(size, 3);
    }

    void txtEncodingIsOneStoredValue()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiTXT);
        w->ui->edtFileName->setText(fx.file(QStringLiteral("a.txt")));
        TxtPage* p = w->TXTPage;
        p->SetTXTEncoding(ctUtf8);
        p->SetFieldPosSize(QStringLiteral("Code"), 0, 1);
        w->SetStep(1);
        // Loading the file keeps the chosen encoding and the user's positions.
        QCOMPARE(p->ui->cmbTXTEncoding->currentIndex(), int(ctUtf8));
        QCOMPARE(p->TXTEncoding(), int(ctUtf8));
        int pos = -1;
        int size = -1;
        QVERIFY(p->FieldPosSize(QStringLiteral("Code"), pos, size));
        QCOMPARE(pos, 0);
        QCOMPARE(size, 1);
    }
};

QTEST_MAIN(TestPages)
#include "test_pages.moc"
