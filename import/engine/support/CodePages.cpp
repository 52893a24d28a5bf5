#include "import/engine/support/CodePages.h"

#include "platform/codepage/CodePage.h"

// "latin2" is ISO 8859-2 (28592), as its name says; every entry has a page that decodes.
const std::array<TCodePageEntry, CodePageTableSize> CodePageTable = {{
    {"Windows default", 0},
    {"latin1 (ISO 8859-1 West European)", 1252},
    {"armscii8 (ARMSCII-8 Armenian)", codepage::Armscii8},
    {"ascii (US ASCII)", 20127},
    {"cp850 (DOS West European)", 850},
    {"cp852 (DOS Central European)", 852},
    {"cp866 (DOS Russian)", 866},
    {"cp1250 (Windows Central European)", 1250},
    {"cp1251 (Windows Cyrillic)", 1251},
    {"cp1256 (Windows Arabic)", 1256},
    {"cp1257 (Windows Baltic)", 1257},
    {"dec8 (DEC West European)", codepage::Dec8},
    {"geostd8 (GEOSTD8 Georgian)", codepage::Geostd8},
    {"greek (ISO 8859-7 Greek)", 28597},
    {"hebrew (ISO 8859-8 Hebrew)", 28598},
    {"hp8 (HP West European)", codepage::HpRoman8},
    {"keybcs2 (DOS Kamenicky Czech-Slova)", codepage::Keybcs2},
    {"koi8r (KOI8-R Relcom Russian)", 20866},
    {"koi8u (KOI8-U Ukrainian)", 21866},
    {"latin2 (ISO 8859-2 Central European)", 28592},
    {"latin5 (ISO 8859-9 Turkish)", 28599},
    {"latin7 (ISO 8859-13 Baltic)", 28603},
    {"macce (Mac Central European)", 10029},
    {"macroman (Mac West European)", 10000},
    {"swe7 (7bit Swedish)", 20107},
    {"Unicode (UTF-8)", 65001},
    {"Unicode (UTF-16)", 1200},
    {"Unicode (UTF-32)", 12000},
    {"latin3 (ISO 8859-3)", 28593},
    {"latin4 (ISO 8859-4)", 28594},
    {"latin6 (ISO 8859-10)", codepage::Latin6},
    {"latin8 (ISO 8859-14)", codepage::Latin8},
    {"iso8859-5 (Cyrillic)", 28595},
    {"iso8859-6 (Arabic)", 28596},
    {"CCSID 1026 - EBCDIC Turkey Latin-5", 1026},
    {"Codepage 1254 - Windows Turkish", 1254},
    {"Codepage 1255 - Windows Hebrew", 1255},
    {"Codepage 1258 - Windows Vietnamese", 1258},
    {"Codepage 437 - US, Europe", 437},
    {"CCSID 500 - EBCDIC Latin-1", 500},
    {"Codepage 737 - WIN Greece", 737},
    {"Codepage 855 - OS2 Cyrillic", 855},
    {"Codepage 856 - Hebrew", 856},
    {"Codepage 857 - OS2 Turkey", 857},
    {"Codepage 860 - Portuguese", 860},
    {"Codepage 862 - OS2 Hebrew", 862},
    {"Codepage 863 - Canadian-French", 863},
    {"Codepage 864 - OS2 Arabic", 864},
    {"Codepage 865 - Norway, Denmark", 865},
    {"Codepage 869 - OS2 Greece", 869},
    {"Codepage 874 - OS2/AIX Thailand", 874},
    {"CCSID 875 - EBCDIC Greece", 875},
    {"CCSID 871 - EBCDIC Iceland", 871},
    {"Big5", 950},
    {"Korean (Unified Hangeul)", 949},
    {"EUC Japanese", 20932},
    {"Simplified Chinese (Hong Kong, PRC)", 936},
    {"Japanese", 932},
    {"iso8859-9 (Turkish)", 28599},
    {"iso8859-4 (Baltic)", 28594},
    {"Codepage 1252 - Western Europe, Amerika", 1252},
    {"Codepage 1253 - Modern Greek", 1253},
    {"Codepage 775 - Baltic", 775},
    {"Codepage 858 - Latin-1", 858},
}};

namespace {

void checkIndex(int Index)
{
    if (Index < 0 || Index >= CodePageTableSize)
        throw ECodePageError(
            QStringLiteral("Encoding number %1 is not in the table of encodings (0 to %2)")
                .arg(Index)
                .arg(CodePageTableSize - 1));
}

} // namespace

int CodePageByIndex(int Index)
{
    checkIndex(Index);
    if (Index == ctWinDefined)
        return codepage::SystemAnsi;
    return CodePageTable[size_t(Index)].CodePage;
}

QString CodePageDisplayName(int Index)
{
    checkIndex(Index);
    return QString::fromLatin1(CodePageTable[size_t(Index)].DisplayName);
}
