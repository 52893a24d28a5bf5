#pragma once
// The 64 text encodings offered for text imports, in the order the wizard lists them.
// Templates store the ordinal, so the order never changes.

#include <QString>
#include <array>

enum TDurvelCharsetType : quint8 {
    ctWinDefined = 0,
    ctLatin1 = 1,
    ctArmscii8 = 2,
    ctAscii = 3,
    ctCp850 = 4,
    ctCp852 = 5,
    ctCp866 = 6,
    ctCp1250 = 7,
    ctCp1251 = 8,
    ctCp1256 = 9,
    ctCp1257 = 10,
    ctDec8 = 11,
    ctGeostd8 = 12,
    ctGreek = 13,
    ctHebrew = 14,
    ctHp8 = 15,
    ctKeybcs2 = 16,
    ctKoi8r = 17,
    ctKoi8u = 18,
    ctLatin2 = 19,
    ctLatin5 = 20,
    ctLatin7 = 21,
    ctMacce = 22,
    ctMacroman = 23,
    ctSwe7 = 24,
    ctUtf8 = 25,
    ctUtf16 = 26,
    ctUtf32 = 27,
    ctLatin3 = 28,
    ctLatin4 = 29,
    ctLatin6 = 30,
    ctLatin8 = 31,
    ctIso8859_5 = 32,
    ctIso8859_6 = 33,
    ctCp1026 = 34,
    ctCp1254 = 35,
    ctCp1255 = 36,
    ctCp1258 = 37,
    ctCp437 = 38,
    ctCp500 = 39,
    ctCp737 = 40,
    ctCp855 = 41,
    ctCp856 = 42,
    ctCp857 = 43,
    ctCp860 = 44,
    ctCp862 = 45,
    ctCp863 = 46,
    ctCp864 = 47,
    ctCp865 = 48,
    ctCp869 = 49,
    ctCp874 = 50,
    ctCp875 = 51,
    ctIceland = 52,
    ctBig5 = 53,
    ctKSC5601 = 54,
    ctEUC = 55,
    ctGB2312 = 56,
    ctSJIS_0208 = 57,
    ctLatin9 = 58,
    ctLatin13 = 59,
    ctCp1252 = 60,
    ctCp1253 = 61,
    ctCp775 = 62,
    ctCp858 = 63,
};

constexpr int CodePageTableSize = 64;

struct TCodePageEntry
{
    const char* DisplayName;
    int CodePage; // for ctWinDefined the system ANSI page is used instead
};

extern const std::array<TCodePageEntry, CodePageTableSize> CodePageTable;

// The code page of an entry; ctWinDefined gives the system ANSI page. An index outside the
// table raises ECodePageError.
int CodePageByIndex(int Index);
QString CodePageDisplayName(int Index);
