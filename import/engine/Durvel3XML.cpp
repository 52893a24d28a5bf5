#include "import/engine/Durvel3XML.h"

#include "import/engine/support/SheetValues.h"
#include "platform/ini/IniFile.h"
#include "platform/xml/Xml.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

namespace {

const QString kOptions = QStringLiteral("XML_OPTIONS");

[[noreturn]] void fail(const QString& text)
{
    throw EDurvelError(text);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u':' || c == u'-' || c == u'.';
}

// The declaration's checks that the parser itself does not make: it must come first, with
// version as its first attribute and only standalone and encoding after it.
// Returns the declared encoding (empty when none).
QString checkDeclaration(const QString& head)
{
    if (!head.startsWith(QLatin1String("<?xml")) ||
        (head.size() > 5 && !isBlank(head.at(5)) && head.at(5) != u'?'))
        fail(QStringLiteral("XML header failed"));
    const qsizetype end = head.indexOf(QLatin1String("?>"));
    if (end < 0)
        fail(QStringLiteral("XML header failed"));
    const QString inner = head.mid(5, end - 5);
    QSet<QString> seen;
    QString encoding;
    qsizetype i = 0;
    bool first = true;
    while (true) {
        while (i < inner.size() && isBlank(inner.at(i)))
            ++i;
        if (i >= inner.size())
            break;
        const qsizetype start = i;
        while (i < inner.size() && isNameChar(inner.at(i)))
            ++i;
        const QString name = inner.mid(start, i - start);
        if (name.isEmpty())
            fail(QStringLiteral("Unexpected symbol %1 at position %2")
                     .arg(inner.at(i))
                     .arg(5 + i + 1));
        if (first && name != QLatin1String("version"))
            fail(QStringLiteral("Version attribute expected but %1 found").arg(name));
        if (!first && name != QLatin1String("standalone") && name != QLatin1String("encoding"))
            fail(QStringLiteral("Unexpected attriute name %1").arg(name));
        if (seen.contains(name))
            fail(QStringLiteral("Attribute %1 duplicates").arg(name));
        seen.insert(name);
        first = false;
        while (i < inner.size() && isBlank(inner.at(i)))
            ++i;
        if (i >= inner.size() || inner.at(i) != u'=')
            fail(QStringLiteral("XML header failed"));
        ++i;
        while (i < inner.size() && isBlank(inner.at(i)))
            ++i;
        if (i >= inner.size() || (inner.at(i) != u'"' && inner.at(i) != u'\''))
            fail(QStringLiteral("XML header failed"));
        const QChar quote = inner.at(i);
        const qsizetype close = inner.indexOf(quote, i + 1);
        if (close < 0)
            fail(QStringLiteral("XML header failed"));
        if (name == QLatin1String("encoding"))
            encoding = inner.mid(i + 1, close - i - 1);
        i = close + 1;
    }
    if (first)
        fail(QStringLiteral("Version attribute expected but  found"));
    return encoding;
}

// XML layer errors in the reader's words.
[[noreturn]] void rethrowXml(const xml::XmlError& e)
{
    if (e.code() == xml::ErrTagNameMismatch)
        fail(QStringLiteral("/%1 - corresponding tag not found").arg(e.detail2()));
    fail(e.message());
}

void fillTag(TXMLTag* tag, const xml::Node& node)
{
    tag->Name = node.name();
    for (const xml::Attribute& a : node.attributes())
        tag->Attributes.Add(a.name + u'=' + a.value);
    for (xml::Node child = node.firstChildElement(); child; child = child.nextSiblingElement())
        fillTag(tag->AddChild(), child);
}

} // namespace

// ---- TXMLTag ------------------------------------------------------------------------------------

TXMLTag::TXMLTag(TXMLTag* Parent) : FParent(Parent), FLevel(Parent ? Parent->FLevel + 1 : 0) {}

TXMLTag::~TXMLTag() = default;

TXMLTag* TXMLTag::AddChild()
{
    FChildren.push_back(std::make_unique<TXMLTag>(this));
    return FChildren.back().get();
}

TXMLTag* TXMLTag::FindChild(const QString& Name) const
{
    for (const auto& c : FChildren) {
        if (c->Name.compare(Name, Qt::CaseInsensitive) == 0)
            return c.get();
    }
    return nullptr;
}

QString TXMLTag::Attribute(const QString& Name, bool* Found) const
{
    for (int i = 0; i < Attributes.Count(); ++i) {
        const QString line = Attributes.Strings(i);
        const qsizetype eq = line.indexOf(u'=');
        if (QStringView(line).left(eq).compare(Name, Qt::CaseInsensitive) == 0) {
            if (Found)
                *Found = true;
            return line.mid(eq + 1);
        }
    }
    if (Found)
        *Found = false;
    return {};
}

// ---- TXMLFile -----------------------------------------------------------------------------------

TXMLFile::TXMLFile() = default;

TXMLFile::~TXMLFile() = default;

void TXMLFile::Load()
{
    if (FileName.isEmpty())
        fail(QStringLiteral("File name is not defined"));
    QFile file(FileName);
    if (!QFileInfo(FileName).isFile())
        fail(QStringLiteral("File %1 not found").arg(FileName));
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("File %1 cannot be opened: %2").arg(FileName, file.errorString()));
    FText = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("File %1 cannot be read: %2").arg(FileName, file.errorString()));

    // White space may stand before the declaration; the parser wants it first.
    QString head;
    if (FText.startsWith("\xFF\xFE") || FText.startsWith("\xFE\xFF")) {
        auto decoder = QStringDecoder(FText.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                                   : QStringDecoder::Utf16BE);
        head = decoder(FText.mid(2, 4096));
    } else {
        qsizetype start = FText.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        while (start < FText.size() && isBlank(QChar::fromLatin1(FText.at(start))))
            ++start;
        FText.remove(0, start);
        head = QString::fromLatin1(FText.left(4096));
    }
    const QString declared = checkDeclaration(head);
    // Without a declared encoding text that is not UTF-8 is in the ANSI page.
    FEncoding.clear();
    if (declared.isEmpty() && !head.isEmpty() && !FText.startsWith("\xFF\xFE") &&
        !FText.startsWith("\xFE\xFF") && !xml::isValidUtf8(FText))
        FEncoding = "windows-1256";
    FHasText = true;
}

void TXMLFile::Open()
{
    Clear();
    Load();
    try {
        const auto doc = xml::Document::parse(FText, {FEncoding, QFileInfo(FileName).fileName()});
        auto top = std::make_unique<TXMLTag>();
        fillTag(top.get(), doc->root());
        FTop.push_back(std::move(top));
    } catch (const xml::XmlError& e) {
        rethrowXml(e);
    }
    FText.clear();
    FHasText = false;
    FLoaded = true;
}

void TXMLFile::BeginOnFly()
{
    if (!FHasText)
        Load();
    try {
        FReader = xml::Reader::fromMemory(FText, {FEncoding, QFileInfo(FileName).fileName()});
    } catch (const xml::XmlError& e) {
        rethrowXml(e);
    }
}

TXMLTag* TXMLFile::NextElement()
{
    FCurrent.reset();
    if (!FReader)
        return nullptr;
    try {
        while (FReader->read()) {
            if (!FReader->isElement())
                continue;
            FCurrent = std::make_unique<TXMLTag>();
            FCurrent->Name = FReader->name();
            FDepth = FReader->depth();
            for (const xml::Attribute& a : FReader->attributes())
                FCurrent->Attributes.Add(a.name + u'=' + a.value);
            return FCurrent.get();
        }
    } catch (const xml::XmlError& e) {
        FReader.reset();
        rethrowXml(e);
    }
    FReader.reset();
    return nullptr;
}

void TXMLFile::Clear()
{
    FTop.clear();
    FReader.reset();
    FCurrent.reset();
    FLoaded = false;
}

TXMLTag* TXMLFile::Find(const QString& Parent, const QString& Child) const
{
    for (const auto& top : FTop) {
        if (top->Name.compare(QLatin1String("DATAPACKET"), Qt::CaseInsensitive) != 0)
            continue;
        if (TXMLTag* p = top->FindChild(Parent))
            return Child.isEmpty() ? p : p->FindChild(Child);
    }
    return nullptr;
}

TXMLTag* TXMLFile::Fields() const
{
    return Find(QStringLiteral("METADATA"), QStringLiteral("FIELDS"));
}

TXMLTag* TXMLFile::Rows() const
{
    return Find(QStringLiteral("ROWDATA"), QString());
}

int TXMLFile::FieldCount() const
{
    const TXMLTag* f = FLoaded ? Fields() : nullptr;
    return f ? f->ChildCount() : 0;
}

int TXMLFile::RowCount() const
{
    const TXMLTag* r = Rows();
    return r ? r->ChildCount() : 0;
}

TXMLTag* TXMLFile::Row(int Index) const
{
    const TXMLTag* r = Rows();
    return r && Index >= 0 && Index < r->ChildCount() ? r->Child(Index) : nullptr;
}

QStringList TXMLFile::FieldNames() const
{
    const TXMLTag* fields = Fields();
    if (!fields || fields->ChildCount() == 0)
        fail(QStringLiteral("XML field list is empty"));
    QStringList names;
    for (int i = 0; i < fields->ChildCount(); ++i) {
        bool found = false;
        QString name = fields->Child(i)->Attribute(QStringLiteral("attrname"), &found);
        if (!found)
            name = fields->Child(i)->Attribute(QStringLiteral("FieldName"), &found);
        if (!found)
            fail(QStringLiteral("XML read with errors"));
        names << name;
    }
    return names;
}

QStringList TXMLFile::ReadFieldNames()
{
    Clear();
    Load();
    BeginOnFly();
    // The definitions are the children of the first FIELDS of the first METADATA of the packet.
    bool packet = false;
    bool inMeta = false;
    bool metaSeen = false;
    bool inFields = false;
    bool fieldsSeen = false;
    QStringList names;
    while (const TXMLTag* tag = NextElement()) {
        const int depth = CurrentDepth();
        const auto is = [&](const char* name) {
            return tag->Name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
        };
        if (depth == 0) {
            packet = is("DATAPACKET");
            continue;
        }
        if (!packet)
            break;
        if (inFields && depth <= 2)
            break;
        if (depth == 1) {
            if (metaSeen)
                break;
            inMeta = is("METADATA");
            metaSeen = inMeta;
        } else if (depth == 2 && inMeta && !fieldsSeen && is("FIELDS")) {
            inFields = fieldsSeen = true;
        } else if (depth == 3 && inFields) {
            bool found = false;
            QString name = tag->Attribute(QStringLiteral("attrname"), &found);
            if (!found)
                name = tag->Attribute(QStringLiteral("FieldName"), &found);
            if (!found)
                fail(QStringLiteral("XML read with errors"));
            names << name;
        }
    }
    FReader.reset();
    FText.clear();
    FHasText = false;
    if (names.isEmpty())
        fail(QStringLiteral("XML field list is empty"));
    return names;
}

// ---- TDurvel3XML --------------------------------------------------------------------------------

TDurvel3XML::TDurvel3XML() = default;

TDurvel3XML::~TDurvel3XML() = default;

void TDurvel3XML::PrepareImport()
{
    FFile = std::make_unique<TXMLFile>();
    FFile->FileName = FileName();
    if (WriteOnFly) {
        FFile->Load();
        FFile->BeginOnFly();
    } else {
        FFile->Open();
    }
    SetTotalRecCount(FFile->RowCount());
    TDurvel3::PrepareImport();
}

void TDurvel3XML::OpenSource()
{
    FColumns.clear();
    const TWideStringList& map = Map();
    const QChar sep = map.NameValueSeparator();
    for (int i = 0; i < map.Count(); ++i) {
        const QString line = map.Strings(i);
        const qsizetype eq = line.indexOf(sep);
        if (eq >= 0)
            FColumns.push_back({DurvelTrimName(line.left(eq)), line.mid(eq + 1).trimmed(), -1});
    }
    // A field the packet does not define would leave its column blank in every row stored.
    QStringList defined;
    try {
        TXMLFile head;
        head.FileName = FileName();
        defined = head.ReadFieldNames();
    } catch (const std::exception&) {
        // A packet without definitions is read by its rows' attributes alone.
    }
    if (!defined.isEmpty())
        for (const Column& c : FColumns)
            if (Row()->ColumnByName(c.Name) && !defined.contains(c.Attribute, Qt::CaseInsensitive))
                throw EDurvelError(QStringLiteral("The field %1 that the map gives for %2 is not "
                                                  "defined in %3")
                                       .arg(c.Attribute, c.Name, QFileInfo(FileName()).fileName()));
    FColumnsGeneration = ~quint64(0);
    FCurrentRow = 0;
    FRowTag = nullptr;
    FInPacket = FInRows = FRowDataSeen = false;
    FInMetadata = FInFields = false;
    FNumberFields.clear();
    FNumbersResolved = false;
    if (!WriteOnFly)
        if (const TXMLTag* fields = FFile->Fields())
            for (int i = 0; i < fields->ChildCount(); ++i)
                NoteField(fields->Child(i));
}

void TDurvel3XML::NoteField(const TXMLTag* Field)
{
    // The packet's numbers are written with "."; the import reads them with its own separator.
    static const QSet<QString> numberTypes{"i1",  "i2",  "i4", "i8", "ui1",   "ui2",
                                           "ui4", "ui8", "r4", "r8", "fixed", "fixedfmt"};
    bool found = false;
    QString name = Field->Attribute(QStringLiteral("attrname"), &found);
    if (!found)
        name = Field->Attribute(QStringLiteral("FieldName"));
    if (numberTypes.contains(Field->Attribute(QStringLiteral("fieldtype")).toLower())) {
        FNumberFields.insert(name.toLower());
        FNumbersResolved = false;
    }
}

bool TDurvel3XML::HasMoreRows()
{
    if (!WriteOnFly)
        return FFile->RowCount() > FCurrentRow;
    // The rows read whole are the children of the packet's ROWDATA: the same here.
    FRowTag = nullptr;
    while (TXMLTag* tag = FFile->NextElement()) {
        const int depth = FFile->CurrentDepth();
        if (depth == 0) {
            FInPacket = tag->Name.compare(QLatin1String("DATAPACKET"), Qt::CaseInsensitive) == 0;
        } else if (depth == 1) {
            FInRows = FInPacket && !FRowDataSeen &&
                      tag->Name.compare(QLatin1String("ROWDATA"), Qt::CaseInsensitive) == 0;
            FRowDataSeen = FRowDataSeen || FInRows;
            FInMetadata =
                FInPacket && tag->Name.compare(QLatin1String("METADATA"), Qt::CaseInsensitive) == 0;
            FInFields = false;
        } else if (depth == 2 && FInMetadata) {
            FInFields = tag->Name.compare(QLatin1String("FIELDS"), Qt::CaseInsensitive) == 0;
        } else if (depth == 3 && FInFields) {
            NoteField(tag);
        } else if (depth == 2 && FInRows) {
            FRowTag = tag;
            return true;
        }
    }
    return false;
}

bool TDurvel3XML::SkipRow()
{
    return SkipFirstRows >= 1 && FCurrentRow < SkipFirstRows;
}

void TDurvel3XML::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    // Both ways read the same ROW element's attributes, by the names the map gives.
    const TXMLTag* tag = WriteOnFly ? FRowTag : FFile->Row(FCurrentRow);
    if (tag) {
        FindMapPositions(FColumns, FColumnsGeneration);
        if (!FNumbersResolved) {
            for (Column& c : FColumns)
                c.Number = FNumberFields.contains(c.Attribute.toLower());
            FNumbersResolved = true;
        }
        const QChar decimal = RunFormats().DecimalSeparator;
        for (const Column& c : FColumns) {
            if (c.Position < 0)
                continue;
            const QString value = tag->Attribute(c.Attribute);
            QString number;
            row->SetValueAt(c.Position,
                            c.Number && DecimalNumberText(value, decimal, number) ? number : value);
        }
    }
    ApplyFieldFormats();
}

void TDurvel3XML::CloseSource()
{
    FRowTag = nullptr;
    TDurvel3::CloseSource();
}

void TDurvel3XML::EndImport()
{
    TDurvel3::EndImport();
    FRowTag = nullptr;
    FFile.reset();
}

void TDurvel3XML::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
    Ini.writeBool(kOptions, QStringLiteral("WriteOnFly"), WriteOnFly);
}

void TDurvel3XML::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    const qint64 skip = Ini.readInteger(kOptions, QStringLiteral("SkipLines"), SkipFirstRows);
    if (skip >= 0 && skip <= std::numeric_limits<int>::max())
        SkipFirstRows = int(skip);
    WriteOnFly = Ini.readBool(kOptions, QStringLiteral("WriteOnFly"), WriteOnFly);
}
