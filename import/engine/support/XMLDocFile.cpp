#include "import/engine/support/XMLDocFile.h"

#include "import/engine/support/SparseCells.h"
#include "platform/xml/Xml.h"

#include <QFileInfo>
#include <QHash>

TXMLDocFile::TXMLDocFile()
{
    BuildTable();
}

TXMLDocFile::~TXMLDocFile() = default;

void TXMLDocFile::Load()
{
    FDocument.reset();
    if (FFileName.isEmpty())
        throw xml::XmlError(QStringLiteral("File name is not defined"));
    if (!QFileInfo::exists(FFileName))
        throw xml::XmlError(QStringLiteral("File %1 not found").arg(FFileName));
    xml::ParseSettings settings;
    settings.name = QFileInfo(FFileName).fileName();
    auto doc = xml::Document::load(FFileName, settings);
    doc->registerDocumentNamespaces();
    doc->dropDefaultNamespaces();
    FDocument = std::move(doc);
}

void TXMLDocFile::SetXPath(const QString& Value)
{
    FXPath = Value;
    if (FDocument)
        BuildTable();
}

QString TXMLDocFile::Cell(int Col, int Row) const
{
    if (Col < 0 || Col >= ColCount() || Row < 0 || Row >= FRowCount)
        return {};
    return FColumns[std::size_t(Col)].value(Row);
}

void TXMLDocFile::BuildTable()
{
    FColumns.assign(2, QStringList());
    FColumns[0] << QStringLiteral("Node name");
    FColumns[1] << QStringLiteral("Text");
    FRowCount = 1;
    if (!FDocument || FXPath.trimmed().isEmpty())
        return;
    const QList<xml::Node> nodes = FDocument->select(FXPath);
    QHash<QString, int> columnOf;
    const auto cellOf = [&](const QString& name) -> QStringList& {
        auto it = columnOf.constFind(name);
        if (it == columnOf.constEnd()) {
            it = columnOf.insert(name, int(FColumns.size()));
            FColumns.emplace_back(QStringList{name});
        }
        return FColumns[std::size_t(*it)];
    };
    for (const xml::Node& node : nodes) {
        const xml::Node::Type type = node.type();
        if (type == xml::Node::Type::Text || type == xml::Node::Type::Comment)
            continue;
        const int row = FRowCount++;
        const auto put = [row](QStringList& column, const QString& text) {
            while (column.size() < row)
                column << QString();
            if (column.size() == row)
                column << text; // the first of two same-named children stays
        };
        put(FColumns[0], node.name());
        put(FColumns[1], node.text().trimmed());
        if (DataLocation == tlAttributes) {
            for (const xml::Attribute& a : node.attributes())
                if (!a.name.isEmpty())
                    put(cellOf(a.name), a.value);
        } else {
            for (const xml::Node& child : node.childElements())
                put(cellOf(child.name()), child.text());
        }
    }
}

void FillXMLDocGrid(TKobSparseCells& Cells, const TXMLDocFile& File)
{
    const int rows = qMin(File.RowCount(), 30);
    Cells.ClearCells();
    Cells.SetColCount(File.ColCount());
    Cells.SetRowCount(rows);
    for (int c = 0; c < File.ColCount(); ++c)
        for (int r = 0; r < rows; ++r) {
            const QString text = File.Cell(c, r);
            if (!text.isEmpty())
                Cells.SetCell(c, r, text);
        }
}
