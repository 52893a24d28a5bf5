#pragma once
// Reader of Access databases (Jet3, Jet4 and ACE files): the records of a table or of a simple
// SELECT. Map values are source field names.

#include "import/engine/Durvel3.h"
#include "import/engine/support/WideStrings.h"

#include <QList>
#include <memory>

class AccessDatabase;
class AccessCursor;
struct AccessColumn;

enum TDurvelAccessSourceType { isTable, isSQL };

class TADO_Durvel3Access : public TDurvel3
{
public:
    TADO_Durvel3Access();
    ~TADO_Durvel3Access() override;

    QString TableName;
    TDurvelAccessSourceType SourceType = isTable;
    // The database password, from the wizard's password box; a file without one opens with
    // any, and a file encrypted beyond its password is refused whatever is given.
    QString Password;

    TWideStringList& SQL() { return FSQL; }
    const TWideStringList& SQL() const { return FSQL; }
    void SetSQL(const TWideStrings& Value) { FSQL.Assign(Value); }

    // One "name=type name" line per field of the table or query (nothing when there is no
    // query text); each line's object is the field's kind.
    void GetFieldList(TWideStrings& List);
    // The database's user tables.
    void GetTableNames(TWideStrings& List);
    static QString FieldTypeName(const AccessColumn& Column);

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    // Opens the source, so that its row count is the import's total before the import starts;
    // the host's window stays alive while the helper counts, and a cancel ends the wait.
    void PrepareImport() override;
    void OpenSource() override;
    bool HasMoreRows() override { return FHasRow; }
    bool SkipRow() override { return FToSkip > 0; }
    void ReadRow() override;
    void NextRow() override;
    void CloseSource() override;
    void EndImport() override;

private:
    std::unique_ptr<AccessCursor> OpenCursor(AccessDatabase& Db) const;
    QString QueryText() const;
    QString ValueText(int Column) const;
    // The cursor's next row; a file found damaged while reading is the import's error.
    bool NextCursorRow();
    void FreeSource();

    TWideStringList FSQL;
    std::unique_ptr<AccessDatabase> FDb;
    std::unique_ptr<AccessCursor> FCursor;
    struct Target
    {
        QString Name;
        int Column = -1;
    };
    QList<Target> FTargets;
    bool FHasRow = false;
    bool FCanceledEarly = false;
    bool FCounting = false; // the helper counts the rows: a cancel ends the wait
    int FToSkip = 0;
};
