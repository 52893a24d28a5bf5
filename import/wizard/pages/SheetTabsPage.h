#pragma once
// The grid pages with a tab per sheet or table chosen by its name (XLSX, ODS, ODT): the chosen
// name follows the tab shown, and a name asked for (a template's) is looked for when the file
// is read.

#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/GridMapPage.h"

class SheetTabsPage : public GridMapPage
{
    Q_OBJECT
public:
    QString SheetName() const { return FSheetName; }

protected:
    using GridMapPage::GridMapPage;

    // Shows the sheet of that name when the file has one; the run imports it.
    void ChooseSheet(const QString& Name)
    {
        FSheetName = Name;
        if (TabCount() == 0)
            return; // looked for when the file is read
        FChoiceMissing = TabOf(Name) < 0;
        ActivateTab(qMax(0, TabOf(Name)));
    }
    // After the tabs are made: the chosen sheet's tab, or the first one.
    void ShowChosenSheet() { ShowChosenTab(TabOf(FSheetName), !FSheetName.isEmpty()); }
    // A missing choice stays while its stand-in tab is shown.
    void TabChanged(int Index) override
    {
        if (Index >= 0 && !FChoiceMissing)
            FSheetName = TabCaption(Index);
    }
    QString ChoiceName() const override
    {
        return QStringLiteral("%1 \"%2\"")
            .arg(Kind() == aiODT ? QStringLiteral("table") : QStringLiteral("sheet"), FSheetName);
    }

    // The sheet and the rows to skip into the kind's reader; nullptr for another reader.
    template <class TReader> TReader* CopySheet(TDurvel3& Reader) const
    {
        auto* reader = dynamic_cast<TReader*>(&Reader);
        if (reader) {
            reader->SetSheetName(FSheetName);
            reader->SkipFirstRows = SkipRows();
        }
        return reader;
    }

    QString FSheetName;
};
