#pragma once
// Small routines shared by the import readers and the wizard.

#include <QByteArray>
#include <QString>
#include <bitset>
#include <functional>
#include <vector>

class IniFile;
class TWideStrings;

using TDurvelCharBitSet = std::bitset<256>;

// A character of 256 or more is never in a set.
bool IsCharInSet(QChar Ch, const TDurvelCharBitSet& Set);

// "A" = 1, "Z" = 26, "AA" = 27 ... "ZZZ"; empty, longer texts or non-letters give 0.
int ColumnLettersToNumber(const QString& Letters);

// Characters 33..127 stand for themselves, any other is "#" and its decimal code.
QString CharToSepText(QChar Ch);
// The reverse: empty -> Default, one character -> itself, "#n" -> character n.
QChar SepTextToChar(const QString& Text, QChar Default);

// The list separator of the current locale: ";" where the decimal point is ",", else ",".
QChar GetListSeparator();

// Tabs to spaces so that the character after a tab starts at a position 8k + 1.
void ExpandTabs(QString& Line);

// Splits one delimited line into Fields honouring Quote (#0 = no quoting); with Separator #0
// Fields is left untouched.
void SplitDelimitedLine(const QString& Line, QChar Quote, QChar Separator, TWideStrings& Fields);
// The same into a plain vector of copies; empty fields are null.
void SplitDelimitedLine(QStringView Line, QChar Quote, QChar Separator,
                        std::vector<QString>& Fields);
// The same as views: of Line where a field stands in it as it is, else of a text made in Built
// (a quoted field with doubled quotes). The views last while Line and Built are unchanged.
void SplitDelimitedLine(QStringView Line, QChar Quote, QChar Separator,
                        std::vector<QStringView>& Fields, std::vector<QString>& Built);
// The same over the bytes of a line in an encoding whose bytes below 0x80 stand for
// themselves wherever they occur (codepage::Codec::asciiCompatible), Quote and Separator both
// below 0x80: the fields are the bytes of the fields the decoded line has.
void SplitDelimitedBytes(QByteArrayView Line, QChar Quote, QChar Separator,
                         std::vector<QByteArrayView>& Fields, std::vector<QByteArray>& Built);

bool FolderExists(const QString& Path);

// A file name read from a template that will be written: one that is absolute or goes up with
// ".." is refused, as a template may come from anyone; its bare file name, to be placed in the
// program's folder, is returned and Notice names both. Other names come back as they are.
QString TemplateWritableName(const QString& Name, QString* Notice = nullptr);

// Erases every section of the file (in memory), so that a save writes only what follows.
void EraseAllSections(IniFile& Ini);

// Value rules of the per-field pipeline.
QString AddQuotes(const QString& S, const QString& Left, const QString& Right);
// Removes a leading Left and a trailing Right, each only where present (case-sensitive).
QString RemoveQuotes(const QString& S, const QString& Left, const QString& Right);
// First character upper case, the rest lower case.
QString UpperFirst(const QString& S);
// The first character and every one after a space upper case, the rest unchanged.
QString UpperFirstWord(const QString& S);
QString RemoveThousandSeparators(const QString& S, QChar ThousandSeparator);

// Shortens a path for display by replacing leading folders with "...", as long as TextWidth
// says it is wider than MaxWidth.
void ShortenFileName(const QString& FileName, const std::function<int(const QString&)>& TextWidth,
                     int MaxWidth, QString& Result);
