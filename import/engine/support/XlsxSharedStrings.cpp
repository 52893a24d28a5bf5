#include "import/engine/support/XlsxFile.h"

#include "import/engine/support/XlsxParts.h"
#include "platform/queue/BoundedQueue.h"

using namespace xlsx;

// The string items read one at a time from their own handle on the archive (the sheet's part
// streams meanwhile): each item's runs' texts, phonetic guides left out.
struct TXlsxSharedStrings::TSource
{
    QString File, Part;
    std::unique_ptr<TMiniZip> Zip;
    std::unique_ptr<ZipReadAhead> Stream;
    std::unique_ptr<xml::Reader> Xml;
    bool More = true;
    std::string Item, T;
    XlsxName SiName{"si"}, TName{"t"}, RName{"r"};
    const char* MainKey = nullptr;
    std::vector<QString> Batch; // being handed out
    std::size_t Index = 0;
    // Last: its thread stops before the parts it reads go.
    std::unique_ptr<queue::ReadAhead<std::vector<QString>>> Ahead;

    // The next item's text, the items read on a thread of their own a few batches ahead (the
    // sheet's rows are made meanwhile); false after the last.
    bool Take(QString& Text)
    {
        while (Index >= Batch.size()) {
            if (!Ahead)
                Ahead = std::make_unique<queue::ReadAhead<std::vector<QString>>>(
                    [this](std::vector<QString>& batch, const queue::StopFlag& stop) {
                        return Fill(batch, stop);
                    },
                    4);
            if (!Ahead->take(Batch))
                return false;
            Index = 0;
        }
        Text = std::move(Batch[Index++]);
        return true;
    }

    bool Fill(std::vector<QString>& Out, const queue::StopFlag& Stop)
    {
        Out.clear();
        qsizetype bytes = 0;
        QString text;
        while (Out.size() < 1024 && bytes < (qsizetype(1) << 20)) {
            Stop.check();
            if (!Next(text))
                return false;
            bytes += text.size() * 2;
            Out.push_back(std::move(text));
        }
        return true;
    }

    // The next item's text; false after the last.
    bool Next(QString& Text)
    {
        if (!Xml) {
            if (!More)
                return false;
            Zip = std::make_unique<TMiniZip>(File);
            Zip->Open();
            if (!Zip->Contains(Part)) {
                More = false;
                return false;
            }
            // Parsed by the thread that reads the items ahead.
            Xml = streamedPart(*Zip, Part, Stream, false);
            More = Xml->read();
        }
        xml::Reader& r = *Xml;
        while (More && (!r.isElement() || r.depth() != 1 || !isMain(r, SiName, MainKey)))
            More = r.read();
        if (!More) {
            Xml.reset();
            Stream.reset();
            Zip.reset();
            return false;
        }
        Item.clear();
        if (!r.isEmptyElement()) {
            const int depth = r.depth();
            More = r.read();
            while (More && !(r.isEndElement() && r.depth() == depth)) {
                if (r.isElement() && (r.depth() == depth + 1 || r.depth() == depth + 2) &&
                    isMain(r, TName, MainKey)) {
                    // the item's text or a run's (a phonetic guide's runs are skipped whole)
                    if (!readElementUtf8(r, T) || qint64(Item.size() + T.size()) > kMaxTextBytes)
                        tooLong(File, Part);
                    Item += T;
                } else if (r.isElement() && r.depth() == depth + 1 && !isMain(r, RName, MainKey)) {
                    More = r.skipSubtree();
                    continue;
                } else if (r.isElement() && r.depth() == depth + 2) {
                    More = r.skipSubtree();
                    continue;
                }
                More = r.read();
            }
        }
        if (More)
            More = r.read();
        Text = QString::fromUtf8(Item.data(), qsizetype(Item.size()));
        return true;
    }
};

TXlsxSharedStrings::TXlsxSharedStrings() = default;
TXlsxSharedStrings::~TXlsxSharedStrings() = default;

void TXlsxSharedStrings::SetSource(const QString& FileName, const QString& Part)
{
    Clear();
    if (Part.isEmpty())
        return;
    FSource = std::make_unique<TSource>();
    FSource->File = FileName;
    FSource->Part = Part;
}

bool TXlsxSharedStrings::Has(int Index) const
{
    if (Index < 0)
        return false;
    QString text;
    while (Index >= Count() && FSource) {
        if (!FSource->Take(text)) {
            FSource.reset();
            FItems.shrink_to_fit();
            break;
        }
        if (!Append(text))
            damaged(FSource->File,
                    QStringLiteral("its shared strings take more than %1 MiB").arg(Budget >> 20));
    }
    return Index < Count();
}

QString TXlsxSharedStrings::Text(int Index) const
{
    const TItem& item = FItems[std::size_t(Index)];
    return FBuffers[item.Buffer].mid(item.Offset, item.Length);
}

void TXlsxSharedStrings::Clear()
{
    FSource.reset();
    FBuffers.clear();
    FItems.clear();
    FBufferBytes = 0;
}

bool TXlsxSharedStrings::Append(QStringView Text) const
{
    if (FBuffers.empty() || FBuffers.back().size() + Text.size() > FBuffers.back().capacity()) {
        const qsizetype last = FBuffers.empty() ? 0 : FBuffers.back().capacity();
        const qsizetype chars =
            qMax(qBound(kFirstBufferChars, 2 * last, kBufferChars), Text.size());
        if (FBufferBytes + qint64(chars) * 2 + qint64(FItems.size() + 1) * 12 > Budget)
            return false;
        FBuffers.emplace_back().reserve(chars);
        FBufferBytes += qint64(FBuffers.back().capacity()) * 2;
    }
    if (FBufferBytes + qint64(FItems.size() + 1) * 12 > Budget)
        return false;
    QString& buffer = FBuffers.back();
    FItems.push_back({quint32(FBuffers.size() - 1), quint32(buffer.size()), quint32(Text.size())});
    buffer.append(Text);
    return true;
}

