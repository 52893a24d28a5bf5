#pragma once

#include <QString>

// The rows the data-layer benchmark posts and the shell script inserts: the same text in both,
// shaped like list lines of a plain template (account-amount+), every line different.
inline QString benchAccount(int i)
{
    return QString::number(1000000 + i % 9000000);
}
inline QString benchAmount(int i)
{
    return QString::number(1000 + (i * 7919) % 99000000);
}
inline QString benchLine(int i)
{
    return QStringLiteral("%1-%2+").arg(benchAccount(i), 7, u'0').arg(benchAmount(i), 10, u'0');
}

// One line of the register CSV: personnel number, first name, last name (Persian), account,
// amount, checked flag. Names cycle through short lists so lines differ.
inline QString benchCsvLine(int i)
{
    static const char* const first[] = {"علی",  "محمد", "زهرا", "فاطمه", "حسین",  "مریم",    "رضا",
                                        "نرگس", "مهدی", "سارا", "یوسف",  "کیمیا", "امیرحسین"};
    static const char* const last[] = {"رضایی", "محمدی", "حسینی", "کریمی",  "موسوی", "احمدی",
                                       "جعفری", "صادقی", "نوری",  "یزدانی", "کاظمی", "شیرازی"};
    const int nf = int(sizeof first / sizeof *first), nl = int(sizeof last / sizeof *last);
    return QString::number(100000 + i) + u',' + QString::fromUtf8(first[i % nf]) + u',' +
           QString::fromUtf8(last[(i / nf) % nl]) + u',' +
           QString::number(3100000000LL + i * 37LL) + u',' + benchAmount(i) + u',' +
           QChar(i % 3 ? u'0' : u'1');
}
