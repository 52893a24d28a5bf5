#pragma once

#include "platform/report/Report.h"

#include <QObject>

// Holds the one report: the sample print of the current list, which the list windows fill
// in and preview. Never shown itself.
class Tfrm_print : public QObject
{
    Q_OBJECT
public:
    explicit Tfrm_print(QObject* parent = nullptr);

    // A line shown after the list's rows (a template's last line); empty for none.
    void setLastLine(const QString& line) { m_lastLine = line; }

    Report* QuickRep1;
    ReportLabel* QRLabel1;
    ReportSysData* QRSysData1;
    ReportLabel* QRLabel6; // the bank file's header line
    ReportSysData* QRSysData2;
    ReportDataText* QRDBText1;
    ReportLabel* QRLabel5;
    ReportLabel* QRLabel4; // the total

private:
    QString m_lastLine;
};

extern Tfrm_print* frm_print;
