#pragma once
// Any XML file as a table: the nodes an XPath selects are rows (row 0 is the header), column 0
// their names, column 1 their texts, and one further column per attribute or child element
// name, in the order the names are first met.

#include "platform/xml/AttributeLimit.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace xml {
class Document;
}
class TKobSparseCells;

enum TXMLDataLocation : quint8 { tlAttributes = 0, tlSubNodes = 1 };

class TXMLDocFile
{
public:
    TXMLDocFile();
    ~TXMLDocFile();
    TXMLDocFile(const TXMLDocFile&) = delete;
    TXMLDocFile& operator=(const TXMLDocFile&) = delete;

    QString FileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    TXMLDataLocation DataLocation = tlAttributes;
    QString XPath() const { return FXPath; }
    // Rebuilds the table when the document is loaded (also for the same XPath). An XPath that is
    // not valid raises xml::XmlError with the parser's reason; the table is then empty.
    void SetXPath(const QString& Value);

    // Raises xml::XmlError for an empty name, a missing file or a document that is not
    // well-formed. Prefixes the document declares can be used in XPaths, and plain names match
    // elements of the default namespace.
    void Load();
    bool Loaded() const { return FDocument != nullptr; }
    // The loaded document, for the wizard's tree.
    const xml::Document* Document() const { return FDocument.get(); }

    // Names beyond this many columns are refused: each costs the preview and the map a column.
    static constexpr int MaxCols = 16384;
    // Different element and attribute names a document may use, as every XML reader: the
    // parser's cost grows with the square of their count; real documents use a few hundred.
    static constexpr int MaxNames = xml::kMaxNames;

    int ColCount() const { return 2 + int(FNames.size()); }
    int RowCount() const { return 1 + int(FRows.size()); }
    // Empty outside the table.
    QString Cell(int Col, int Row) const;

private:
    // A node's row keeps only the columns it has, by column: a new name never touches the rows
    // read before it.
    struct NodeRow
    {
        QString Name;
        QString Text;
        // The row's cells in FCells, sorted by column.
        std::size_t First = 0;
        std::size_t Count = 0;
    };
    void BuildTable();

    QString FFileName;
    qint64 FFileSize = 0;
    QString FXPath = QStringLiteral("/");
    std::unique_ptr<xml::Document> FDocument;
    QStringList FNames;
    std::vector<NodeRow> FRows;
    std::vector<std::pair<int, QString>> FCells;
};

// The preview of the table: at most 30 rows, every cell copied.
void FillXMLDocGrid(TKobSparseCells& Cells, const TXMLDocFile& File);
