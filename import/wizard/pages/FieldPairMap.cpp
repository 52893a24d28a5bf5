#include "import/wizard/pages/FieldPairMap.h"

#include "platform/ini/IniFile.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace {

QTreeWidgetItem* selectedItem(const QTreeWidget* List)
{
    QTreeWidgetItem* item = List->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

QStringList captions(const QTreeWidget* List)
{
    QStringList names;
    for (int i = 0; i < List->topLevelItemCount(); ++i)
        names << List->topLevelItem(i)->text(0);
    return names;
}

} // namespace

FieldPairMap::FieldPairMap(const Controls& Lists, std::function<void()> Changed, TGuard Guard,
                           QObject* Parent)
    : QObject(Parent), C(Lists), FChanged(std::move(Changed)), FGuard(std::move(Guard))
{
    // Every handler runs inside the window's guard.
    const auto guard = [this](void (FieldPairMap::*Method)()) {
        return [this, Method] { FGuard([&] { (this->*Method)(); }); };
    };
    for (QTreeWidget* list : {C.DataSet, C.Source, C.Map}) {
        list->setRootIsDecorated(false);
        list->setItemsExpandable(false);
        list->setAllColumnsShowFocus(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        connect(list, &QTreeWidget::itemSelectionChanged, this, guard(&FieldPairMap::Changed));
        connect(list, &QTreeWidget::currentItemChanged, this, guard(&FieldPairMap::Changed));
    }
    C.DataSet->setHeaderLabels({QStringLiteral("DataSet")});
    C.Map->setHeaderLabels({QStringLiteral("DataSet"), QStringLiteral("="), QString()});
    C.Map->header()->setMinimumSectionSize(16);
    C.Map->header()->resizeSection(0, 92);
    C.Map->header()->resizeSection(1, 20);
    connect(C.Add, &QAbstractButton::clicked, this, guard(&FieldPairMap::Add));
    connect(C.AutoFill, &QAbstractButton::clicked, this, guard(&FieldPairMap::AutoFill));
    connect(C.Remove, &QAbstractButton::clicked, this, guard(&FieldPairMap::Remove));
    connect(C.Clear, &QAbstractButton::clicked, this, guard(&FieldPairMap::Clear));
    UpdateButtons();
}

QString FieldPairMap::Tip()
{
    return QStringLiteral("Click the \"Add\" button to set the accordance between the imported "
                          "column and the table field or click the \"Remove\" button to remove "
                          "one.");
}

void FieldPairMap::Changed()
{
    UpdateButtons();
    if (FChanged)
        FChanged();
}

void FieldPairMap::UpdateButtons()
{
    C.Add->setEnabled(selectedItem(C.DataSet) && selectedItem(C.Source));
    C.AutoFill->setEnabled(C.Source->topLevelItemCount() > 0 && !FColumns.isEmpty());
    C.Remove->setEnabled(selectedItem(C.Map) != nullptr);
    C.Clear->setEnabled(C.Map->topLevelItemCount() > 0);
}

void FieldPairMap::SelectFirst(QTreeWidget* List, bool Focus)
{
    QTreeWidgetItem* first = List->topLevelItem(0);
    if (!first)
        return;
    List->setCurrentItem(first);
    first->setSelected(true);
    if (Focus)
        List->setFocus();
}

void FieldPairMap::RebuildDestination()
{
    C.DataSet->clear();
    for (const QString& column : FColumns)
        new QTreeWidgetItem(C.DataSet, {column});
}

void FieldPairMap::SetColumns(const QStringList& Columns)
{
    FColumns = Columns;
    {
        const QSignalBlocker a(C.DataSet);
        const QSignalBlocker b(C.Map);
        C.Map->clear();
        RebuildDestination();
        SelectFirst(C.DataSet, true);
    }
    Changed();
}

void FieldPairMap::SetSourceCaption(const QString& Caption)
{
    FSourceCaption = Caption;
    C.Source->setHeaderLabels({Caption});
    C.Map->headerItem()->setText(2, Caption);
}

void FieldPairMap::SetSourceFields(const QStringList& Fields, const QString& Caption)
{
    {
        const QSignalBlocker block(C.Source);
        C.Source->clear();
        for (const QString& field : Fields)
            new QTreeWidgetItem(C.Source, {field});
        SetSourceCaption(Caption);
        SelectFirst(C.Source, true);
    }
    Changed();
}

void FieldPairMap::DropPairsNotIn(const QStringList& Fields)
{
    bool dropped = false;
    {
        const QSignalBlocker a(C.DataSet);
        const QSignalBlocker b(C.Map);
        for (int i = C.Map->topLevelItemCount() - 1; i >= 0; --i) {
            QTreeWidgetItem* pair = C.Map->topLevelItem(i);
            if (Fields.contains(pair->text(2), Qt::CaseInsensitive))
                continue;
            new QTreeWidgetItem(C.DataSet, {pair->text(0)});
            delete pair;
            dropped = true;
        }
        if (dropped) {
            SelectFirst(C.Map, false);
            SelectFirst(C.DataSet, false);
        }
    }
    if (dropped)
        Changed();
}

QStringList FieldPairMap::SourceFields() const
{
    return captions(C.Source);
}

QStringList FieldPairMap::UnmappedFields() const
{
    return captions(C.DataSet);
}

void FieldPairMap::Add()
{
    QTreeWidgetItem* dest = selectedItem(C.DataSet);
    const QTreeWidgetItem* source = selectedItem(C.Source);
    if (!dest || !source)
        return;
    if (CheckWritable)
        CheckWritable(dest->text(0));
    {
        const QSignalBlocker a(C.DataSet);
        const QSignalBlocker b(C.Map);
        new QTreeWidgetItem(C.Map, {dest->text(0), QStringLiteral("="), source->text(0)});
        delete dest;
        SelectFirst(C.DataSet, true);
        SelectFirst(C.Map, true);
    }
    Changed();
}

void FieldPairMap::AutoFill()
{
    {
        const QSignalBlocker a(C.DataSet);
        const QSignalBlocker b(C.Source);
        const QSignalBlocker c(C.Map);
        C.Map->clear();
        RebuildDestination();
        // Columns the destination fills itself are passed by and take no source field.
        int source = 0;
        for (int i = 0; i < FColumns.size() && source < C.Source->topLevelItemCount(); ++i) {
            if (Writable && !Writable(FColumns.at(i)))
                continue;
            new QTreeWidgetItem(C.Map, {FColumns.at(i), QStringLiteral("="),
                                        C.Source->topLevelItem(source++)->text(0)});
            for (int d = 0; d < C.DataSet->topLevelItemCount(); ++d)
                if (C.DataSet->topLevelItem(d)->text(0) == FColumns.at(i)) {
                    delete C.DataSet->topLevelItem(d);
                    break;
                }
        }
        SelectFirst(C.Map, false);
        SelectFirst(C.DataSet, false);
    }
    Changed();
}

void FieldPairMap::Remove()
{
    QTreeWidgetItem* pair = selectedItem(C.Map);
    if (!pair)
        return;
    {
        const QSignalBlocker a(C.DataSet);
        const QSignalBlocker b(C.Map);
        new QTreeWidgetItem(C.DataSet, {pair->text(0)});
        delete pair;
        SelectFirst(C.Map, true);
        SelectFirst(C.DataSet, true);
    }
    Changed();
}

void FieldPairMap::Clear()
{
    {
        const QSignalBlocker a(C.DataSet);
        const QSignalBlocker b(C.Map);
        C.Map->clear();
        RebuildDestination();
        SelectFirst(C.DataSet, false);
    }
    Changed();
}

bool FieldPairMap::Complete() const
{
    return C.Map->topLevelItemCount() > 0;
}

QList<QPair<QString, QString>> FieldPairMap::Pairs() const
{
    QList<QPair<QString, QString>> pairs;
    for (int i = 0; i < C.Map->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = C.Map->topLevelItem(i);
        pairs.append({item->text(0), item->text(2)});
    }
    return pairs;
}

bool FieldPairMap::SetPair(const QString& Column, const QString& Source)
{
    QString name;
    for (const QString& column : FColumns)
        if (column.compare(Column.trimmed(), Qt::CaseInsensitive) == 0) {
            name = column;
            break;
        }
    if (name.isEmpty())
        return false;
    {
        const QSignalBlocker a(C.DataSet);
        const QSignalBlocker b(C.Map);
        bool paired = false;
        for (int i = 0; i < C.Map->topLevelItemCount() && !paired; ++i) {
            QTreeWidgetItem* item = C.Map->topLevelItem(i);
            if (item->text(0) == name) {
                item->setText(2, Source);
                paired = true;
            }
        }
        if (!paired) {
            new QTreeWidgetItem(C.Map, {name, QStringLiteral("="), Source});
            for (int i = 0; i < C.DataSet->topLevelItemCount(); ++i)
                if (C.DataSet->topLevelItem(i)->text(0) == name) {
                    delete C.DataSet->topLevelItem(i);
                    break;
                }
        }
        SelectFirst(C.Map, false);
        SelectFirst(C.DataSet, false);
    }
    Changed();
    return true;
}

void FieldPairMap::SaveSection(IniFile& Ini, const QString& Section) const
{
    for (const auto& [dest, source] : Pairs())
        Ini.writeString(Section, dest, source);
}

void FieldPairMap::LoadSection(const IniFile& Ini, const QString& Section)
{
    for (const QString& key : Ini.keys(Section))
        SetPair(key, Ini.readString(Section, key));
}
