#include "import/engine/support/XMLDocFile.h"

#include "import/engine/support/SparseCells.h"
#include "platform/xml/Xml.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

TXMLDocFile::TXMLDocFile() = default;

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
    settings.keepBlankText = false;
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw xml::XmlError(
            QStringLiteral("Cannot open %1: %2").arg(FFileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw xml::XmlError(
            QStringLiteral("Cannot read %1: %2").arg(FFileName, file.errorString()));
    FFileSize = bytes.size();
    // The parse refuses a document of more than MaxNames different names before building it.
    auto doc = xml::Document::parse(bytes, settings);
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
    if (Col < 0 || Col >= ColCount() || Row < 0 || Row >= RowCount())
        return {};
    if (Row == 0)
        return Col == 0   ? QStringLiteral("Node name")
               : Col == 1 ? QStringLiteral("Text")
                          : FNames.at(Col - 2);
    const NodeRow& row = FRows[std::size_t(Row - 1)];
    if (Col < 2)
        return Col == 0 ? row.Name : row.Text;
    const auto begin = FCells.begin() + qsizetype(row.First);
    const auto end = begin + qsizetype(row.Count);
    const auto it = std::lower_bound(begin, end, Col,
                                     [](const auto& cell, int col) { return cell.first < col; });
    return it != end && it->first == Col ? it->second : QString();
}

void TXMLDocFile::BuildTable()
{
    FNames.clear();
    FRows.clear();
    FCells.clear();
    if (!FDocument || FXPath.trimmed().isEmpty())
        return;
    const QList<xml::Node> nodes = FDocument->select(FXPath);
    QHash<QString, int> columnOf;
    // The row that last set each column: of two same-named children the first stays.
    std::vector<int> lastRow;
    // Texts are read per selected node, so nested selections read a text again: the table may
    // hold a few times the document's text, not without end.
    const qint64 budget = 16 * 1024 * 1024 + 8 * FFileSize;
    qint64 chars = 0;
    // Equal short texts share one copy: names and values repeat from node to node.
    QHash<QString, QString> texts;
    const auto take = [&](const QString& text) {
        chars += text.size();
        if (chars > budget) {
            FNames.clear();
            FRows.clear();
            FCells.clear();
            throw xml::XmlError(
                QStringLiteral("The nodes of \"%1\" hold more text than the table can show")
                    .arg(FXPath));
        }
        if (text.size() > 32)
            return text;
        if (const auto it = texts.constFind(text); it != texts.constEnd())
            return *it;
        if (texts.size() >= 65536)
            texts.clear();
        return *texts.insert(text, text);
    };
    for (const xml::Node& node : nodes) {
        const xml::Node::Type type = node.type();
        if (type == xml::Node::Type::Text || type == xml::Node::Type::Comment)
            continue;
        const int row = int(FRows.size());
        NodeRow& out = FRows.emplace_back();
        out.Name = take(node.name());
        out.Text = take(node.text().trimmed());
        out.First = FCells.size();
        const auto put = [&](const QString& name, const QString& text) {
            auto it = columnOf.constFind(name);
            if (it == columnOf.constEnd()) {
                if (FNames.size() >= MaxCols) {
                    FNames.clear();
                    FRows.clear();
                    FCells.clear();
                    throw xml::XmlError(
                        QStringLiteral("The nodes of \"%1\" have more than %2 different names; "
                                       "choose fewer nodes")
                            .arg(FXPath)
                            .arg(MaxCols));
                }
                it = columnOf.insert(name, 2 + int(FNames.size()));
                FNames << take(name);
                lastRow.push_back(-1);
            }
            int& last = lastRow[std::size_t(*it - 2)];
            if (last != row) {
                last = row;
                FCells.emplace_back(*it, take(text));
            }
        };
        if (DataLocation == tlAttributes) {
            for (const xml::Attribute& a : node.attributes())
                if (!a.name.isEmpty())
                    put(a.name, a.value);
        } else {
            for (const xml::Node& child : node.childElements())
                put(child.name(), child.text());
        }
        out.Count = FCells.size() - out.First;
        std::sort(FCells.begin() + qsizetype(out.First), FCells.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
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
