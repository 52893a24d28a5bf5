#include "import/engine/Durvel3XMLDoc.h"

#include "platform/ini/IniFile.h"
#include "platform/xml/Xml.h"

namespace {
const QString kOptions = QStringLiteral("XML_OPTIONS");
}

TDurvel3XMLDoc::TDurvel3XMLDoc() = default;
TDurvel3XMLDoc::~TDurvel3XMLDoc() = default;

bool TDurvel3XMLDoc::CheckProperties()
{
    const bool result = TDurvel3::CheckProperties();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const QString value = line.mid(line.indexOf(sep) + 1).trimmed();
        bool ok = false;
        if (value.toInt(&ok) < 1 || !ok)
            throw EDurvelError(QStringLiteral("'%1' is not a valid column number").arg(value));
    }
    return result;
}

void TDurvel3XMLDoc::PrepareImport()
{
    // Read before the base takes any state, so a bad file leaves nothing behind.
    auto file = std::make_unique<TXMLDocFile>();
    file->SetFileName(FileName());
    try {
        file->Load();
        file->DataLocation = DataLocation;
        file->SetXPath(XPath);
    } catch (const xml::XmlError& e) {
        throw EDurvelError(e.message());
    }
    FFile = std::move(file);
    FTotal = FFile->RowCount();
    SetTotalRecCount(FTotal);
    TDurvel3::PrepareImport();
}

void TDurvel3XMLDoc::OpenSource()
{
    FCurrent = 0;
    FColumns.clear();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        FColumns.push_back({DurvelTrimName(eq < 0 ? line : line.left(eq)),
                            line.mid(eq + 1).trimmed().toInt() - 1, -1});
    }
    FColumnsGeneration = ~quint64(0);
}

bool TDurvel3XMLDoc::HasMoreRows()
{
    return FCurrent < FTotal;
}

bool TDurvel3XMLDoc::SkipRow()
{
    return SkipFirstRows >= 1 && FCurrent < SkipFirstRows;
}

void TDurvel3XMLDoc::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    if (row->Generation() != FColumnsGeneration) {
        for (Column& c : FColumns)
            c.Position = row->MapPosition(c.Name);
        FColumnsGeneration = row->Generation();
    }
    for (const Column& c : FColumns)
        if (c.Position >= 0)
            row->SetValueAt(c.Position, FFile->Cell(c.Col, FCurrent));
    ApplyFieldFormats();
}

void TDurvel3XMLDoc::NextRow()
{
    ++FCurrent;
}

void TDurvel3XMLDoc::EndImport()
{
    FFile.reset();
    FColumns.clear();
    FTotal = 0;
    TDurvel3::EndImport();
}

void TDurvel3XMLDoc::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
}

void TDurvel3XMLDoc::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    SkipFirstRows = Ini.readCount(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
}
