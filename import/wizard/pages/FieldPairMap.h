#pragma once
// The map of the pages whose source has named fields (dBase, XML data packets, Access): the
// destination fields not yet mapped, the source fields, and the pairs between them, with the
// Add, Auto fill, Remove and Clear buttons. One pair is one column-map line.

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <functional>

class IniFile;
class QAbstractButton;
class QTreeWidget;

class FieldPairMap : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        QTreeWidget* DataSet; // destination fields not yet mapped
        QTreeWidget* Source;  // source fields
        QTreeWidget* Map;     // pairs: destination, "=", source
        QAbstractButton* Add;
        QAbstractButton* AutoFill;
        QAbstractButton* Remove;
        QAbstractButton* Clear;
    };

    // Runs a handler's body, showing what it raises (the form's Guarded).
    using TGuard = std::function<void(const std::function<void()>&)>;
    // Changed runs after every change of a list or of a selection (the form's TuneButtons).
    FieldPairMap(const Controls& Lists, std::function<void()> Changed, TGuard Guard,
                 QObject* Parent);
    // Tells a destination column the import can give a value; Add refuses the others (Check
    // raises) and Auto fill passes them by.
    std::function<bool(const QString&)> Writable;
    std::function<void(const QString&)> CheckWritable;

    // The destination's columns, in destination order; the pairs are emptied.
    void SetColumns(const QStringList& Columns);
    QStringList Columns() const { return FColumns; }
    // The source's fields in file order; Caption heads the source columns. Pairs stay.
    void SetSourceFields(const QStringList& Fields, const QString& Caption);
    void SetSourceCaption(const QString& Caption);
    // Pairs whose source field is not among Fields (letter case aside) go; their destination
    // fields go back to the end of the unpaired list. Called when another source was read.
    void DropPairsNotIn(const QStringList& Fields);
    QString SourceCaption() const { return FSourceCaption; }
    QStringList SourceFields() const;
    QStringList UnmappedFields() const;

    void Add();
    void AutoFill();
    void Remove();
    void Clear();

    bool Complete() const;
    QList<QPair<QString, QString>> Pairs() const;
    // Pairs the destination column of that name (letter case ignored) with Source; a column
    // already paired gets the new source. False when the destination has no such column.
    bool SetPair(const QString& Column, const QString& Source);

    // One key per pair: destination field = source field.
    void SaveSection(IniFile& Ini, const QString& Section) const;
    // Every key that names a destination column becomes a pair; other keys are skipped.
    void LoadSection(const IniFile& Ini, const QString& Section);

    void UpdateButtons();

    // What the pages show in the information panel.
    static QString Tip();

private:
    void RebuildDestination();
    void SelectFirst(QTreeWidget* List, bool Focus);
    void Changed();

    Controls C;
    std::function<void()> FChanged;
    TGuard FGuard;
    QStringList FColumns;
    QString FSourceCaption;
};
