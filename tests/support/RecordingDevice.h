#pragma once

#include <QList>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QStringList>

#include <algorithm>

// A page-sized paint device that keeps what is drawn on it, page by page, so that the
// layout can be checked without any outside tool. 254 dpi makes one millimetre ten pixels.
class RecordingDevice : public QPaintDevice
{
public:
    // One piece of text as drawn: the painter splits a string into runs where the font
    // or the script changes, so touching runs on one baseline are joined again.
    struct Text
    {
        QString text;
        QRectF box;
        qreal baseline = 0;
        QList<std::pair<qreal, QString>> runs; // left edge, text

        void join()
        {
            std::sort(runs.begin(), runs.end(),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
            bool rightToLeft = false;
            for (const auto& run : runs)
                for (QChar c : run.second)
                    rightToLeft |= c.script() == QChar::Script_Arabic;
            if (rightToLeft)
                std::reverse(runs.begin(), runs.end());
            text.clear();
            for (const auto& run : runs)
                text += run.second;
        }
    };
    struct Page
    {
        QList<Text> texts;
        QList<QLineF> lines;
        QList<QRectF> rects;
    };

    RecordingDevice(qreal widthMm, qreal heightMm)
        : m_width(qRound(widthMm * 10)), m_height(qRound(heightMm * 10)), m_engine(this)
    {
        pages.append(Page());
    }

    QPaintEngine* paintEngine() const override { return const_cast<Engine*>(&m_engine); }
    bool newPage()
    {
        pages.append(Page());
        return true;
    }

    QList<Page> pages;

    // All the text drawn on a page, in drawing order.
    QStringList texts(int page) const
    {
        QStringList all;
        for (const Text& t : pages.at(page).texts)
            all << t.text;
        return all;
    }
    const Text* find(int page, const QString& text) const
    {
        for (const Text& t : pages.at(page).texts)
            if (t.text == text)
                return &t;
        return nullptr;
    }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_width;
        case PdmHeight:
            return m_height;
        case PdmWidthMM:
            return m_width / 10;
        case PdmHeightMM:
            return m_height / 10;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 254;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(RecordingDevice* device) : QPaintEngine(AllFeatures), m_device(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        Type type() const override { return User; }
        void drawTextItem(const QPointF& p, const QTextItem& item) override
        {
            const QPointF at = painter()->transform().map(p);
            const QRectF box(at.x(), at.y() - item.ascent(), item.width(),
                             item.ascent() + item.descent());
            QList<Text>& texts = m_device->pages.last().texts;
            if (!texts.isEmpty()) {
                Text& last = texts.last();
                if (qAbs(last.baseline - at.y()) < 0.5 &&
                    (qAbs(last.box.right() - box.left()) < 1 ||
                     qAbs(box.right() - last.box.left()) < 1)) {
                    last.box = last.box.united(box);
                    last.runs.append({box.left(), item.text()});
                    last.join();
                    return;
                }
            }
            Text text;
            text.box = box;
            text.baseline = at.y();
            text.runs.append({box.left(), item.text()});
            text.join();
            texts.append(text);
        }
        void drawLines(const QLineF* lines, int count) override
        {
            for (int i = 0; i < count; ++i)
                m_device->pages.last().lines.append(painter()->transform().map(lines[i]));
        }
        void drawRects(const QRectF* rects, int count) override
        {
            for (int i = 0; i < count; ++i)
                m_device->pages.last().rects.append(painter()->transform().mapRect(rects[i]));
        }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}

    private:
        RecordingDevice* m_device;
    };

    int m_width;
    int m_height;
    Engine m_engine;
};
