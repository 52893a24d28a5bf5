#pragma once
// Reader of XML data packets: a DATAPACKET whose METADATA/FIELDS describe the fields and whose
// ROWDATA holds one ROW element per record, the values in its attributes. Read whole (a tree of
// tags) or on the fly (one element at a time), both through the XML layer.

#include "import/engine/Durvel3.h"
#include "import/engine/support/WideStrings.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

namespace xml {
class Reader;
}

class TXMLTag
{
public:
    explicit TXMLTag(TXMLTag* Parent = nullptr);
    ~TXMLTag();
    TXMLTag(const TXMLTag&) = delete;
    TXMLTag& operator=(const TXMLTag&) = delete;

    QString Name;
    // name=value lines, in document order.
    TWideStringList Attributes;

    TXMLTag* Parent() const { return FParent; }
    int Level() const { return FLevel; }
    int ChildCount() const { return int(FChildren.size()); }
    TXMLTag* Child(int Index) const { return FChildren.at(std::size_t(Index)).get(); }
    TXMLTag* AddChild();
    // The first child of that name, letter case ignored.
    TXMLTag* FindChild(const QString& Name) const;
    // The value of the attribute of that name (letter case ignored); empty when absent.
    QString Attribute(const QString& Name, bool* Found = nullptr) const;

private:
    TXMLTag* FParent;
    int FLevel;
    std::vector<std::unique_ptr<TXMLTag>> FChildren;
};

class TXMLFile
{
public:
    TXMLFile();
    ~TXMLFile();

    QString FileName;

    // Reads the file's bytes and checks its XML declaration.
    void Load();
    // Load, then the whole tree.
    void Open();
    // After Load: starts reading one element at a time.
    void BeginOnFly();
    // The next opening tag read on the fly (children are not attached); nullptr at the end.
    TXMLTag* NextElement();
    // Nesting depth of the tag NextElement gave, 0 for the document's element.
    int CurrentDepth() const { return FDepth; }
    void Clear();

    bool Loaded() const { return FLoaded; }
    int TopCount() const { return int(FTop.size()); }
    TXMLTag* Top(int Index) const { return FTop.at(std::size_t(Index)).get(); }
    TXMLTag* Fields() const;
    TXMLTag* Rows() const;
    int FieldCount() const;
    int RowCount() const;
    TXMLTag* Row(int Index) const;

    // The names of the field definitions ("attrname", else "FieldName"), for the map page.
    QStringList FieldNames() const;
    // The same names read on the fly from the file, without building the tree of its rows.
    QStringList ReadFieldNames();

private:
    TXMLTag* Find(const QString& Parent, const QString& Child) const;
    [[noreturn]] void Rethrow(const std::exception& E) const;

    QByteArray FText;
    QByteArray FEncoding;
    std::vector<std::unique_ptr<TXMLTag>> FTop;
    std::unique_ptr<xml::Reader> FReader;
    std::unique_ptr<TXMLTag> FCurrent;
    int FDepth = 0;
    bool FLoaded = false;
    bool FHasText = false;
};

class TDurvel3XML : public TDurvel3
{
public:
    TDurvel3XML();
    ~TDurvel3XML() override;

    bool WriteOnFly = false;

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    void PrepareImport() override;
    void OpenSource() override;
    bool HasMoreRows() override;
    bool SkipRow() override;
    void ReadRow() override;
    void NextRow() override { ++FCurrentRow; }
    void CloseSource() override;
    void EndImport() override;

private:
    std::unique_ptr<TXMLFile> FFile;
    // The map's lines, read once a run: the row column and the ROW attribute it takes.
    struct Column
    {
        QString Name;
        QString Attribute;
        int Position = -1;
        bool Number = false; // the packet declares the field a number
    };
    // Notes a field definition of the packet's metadata.
    void NoteField(const TXMLTag* Field);
    std::vector<Column> FColumns;
    quint64 FColumnsGeneration = ~quint64(0);
    int FCurrentRow = 0;
    TXMLTag* FRowTag = nullptr;
    // On the fly: inside the packet, inside its (first) row data.
    bool FInPacket = false;
    bool FInRows = false;
    bool FRowDataSeen = false;
    bool FInMetadata = false;
    bool FInFields = false;
    // Fields of a numeric type (lower-case names), and whether the columns know of them.
    QSet<QString> FNumberFields;
    bool FNumbersResolved = false;
};
