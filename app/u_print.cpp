#include "app/u_print.h"

#include "app/u_dm.h"

Tfrm_print* frm_print = nullptr;

Tfrm_print::Tfrm_print(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("frm_print"));
    QuickRep1 = new Report(this);
    QuickRep1->setTitle(QStringLiteral("نمونه فايل ارسالي"));
    QuickRep1->setPageSize(QPageSize::A5);
    QuickRep1->setOrientation(QPageLayout::Portrait);
    QuickRep1->setMargins(QMarginsF(10, 10, 10, 10));
    QFont f(QStringLiteral("Noto Sans Arabic"), 10);
    QuickRep1->setFont(f);

    // A5 is 148 mm wide: 128 mm between the margins.
    ReportBand* header = QuickRep1->band(Report::PageHeader);
    header->setHeight(24);
    QRLabel1 =
        header->addLabel(QRectF(48, 0, 80, 8), QStringLiteral("نمونه فايل ارسالي"), Qt::AlignRight);
    QFont bold = f;
    bold.setBold(true);
    bold.setPointSize(12);
    QRLabel1->setFont(bold);
    QRSysData1 = header->addSysData(QRectF(0, 0, 40, 8), ReportSysData::Time, Qt::AlignLeft);
    QRLabel6 = header->addLabel(QRectF(0, 10, 128, 8), QStringLiteral("... "), Qt::AlignHCenter);
    QRLabel6->setLayoutDirection(Qt::LeftToRight);
    header->addShape(QRectF(0, 20, 128, 2), ReportShape::HorizontalLine);

    ReportBand* detail = QuickRep1->band(Report::Detail);
    detail->setHeight(7);
    QRSysData2 =
        detail->addSysData(QRectF(113, 0, 15, 7), ReportSysData::DetailNumber, Qt::AlignHCenter);
    detail->addShape(QRectF(110, 0, 2, 7), ReportShape::VerticalLine);
    QRDBText1 = detail->addDataText(QRectF(0, 0, 108, 7), QStringLiteral("txt"), Qt::AlignLeft);
    QRDBText1->setLayoutDirection(Qt::LeftToRight);

    ReportBand* summary = QuickRep1->band(Report::Summary);
    summary->setHeight(12);
    summary->addShape(QRectF(0, 0, 128, 2), ReportShape::HorizontalLine);
    QRLabel5 = summary->addLabel(QRectF(98, 3, 30, 8), QStringLiteral("جمع مبلغ:"), Qt::AlignRight);
    QRLabel4 = summary->addLabel(QRectF(40, 3, 56, 8), QStringLiteral("..."), Qt::AlignRight);
    QRLabel4->setLayoutDirection(Qt::LeftToRight);

    QuickRep1->setDataSource(
        [this] {
            const int rows =
                frm_dm && frm_dm->detail_ado->isActive() ? frm_dm->detail_ado->recordCount() : 0;
            return rows + (m_lastLine.isEmpty() ? 0 : 1);
        },
        [this](int record, const QString& field) {
            db::DataSet* d = frm_dm->detail_ado;
            if (record >= d->recordCount())
                return m_lastLine;
            return d->valueAt(record, d->fieldIndex(field)).toString();
        });
}
