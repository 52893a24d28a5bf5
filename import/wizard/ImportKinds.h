#pragma once
// The twelve source kinds of the wizard, in their fixed order, and what the wizard knows of
// each: its radio button, extension, open-dialog filter and whether its reader exists.

#include <QString>

enum TAllowedImport : quint8 {
    aiXLS,
    aiDBF,
    aiXML,
    aiTXT,
    aiCSV,
    aiAccess,
    aiHTML,
    aiXMLDoc,
    aiXLSX,
    aiDOCX,
    aiODS,
    aiODT
};

constexpr int ImportKindCount = 12;

// A set of kinds.
class TAllowedImports
{
public:
    constexpr TAllowedImports() = default;
    static constexpr TAllowedImports All() { return TAllowedImports((1u << ImportKindCount) - 1); }
    constexpr bool Contains(int Kind) const
    {
        return Kind >= 0 && Kind < ImportKindCount && (FBits >> Kind) & 1u;
    }
    constexpr bool IsEmpty() const { return FBits == 0; }
    constexpr TAllowedImports& operator<<(TAllowedImport Kind)
    {
        FBits |= 1u << Kind;
        return *this;
    }
    constexpr TAllowedImports& Remove(TAllowedImport Kind)
    {
        FBits &= ~(1u << Kind);
        return *this;
    }
    constexpr bool operator==(const TAllowedImports&) const = default;

private:
    constexpr explicit TAllowedImports(quint16 Bits) : FBits(Bits) {}
    quint16 FBits = 0;
};

struct ImportKindInfo
{
    const char* RadioButton; // object name of its button on the first page
    const char* Extension;   // the kind's own extension, lower case, with the dot
    const char* Also;        // another extension its files carry, or nullptr
    const char* Filter;      // open-dialog filter, "|"-separated pairs
};

const ImportKindInfo& ImportKind(int Kind);

// The file's extension, in any letter case, is one the kind's files carry.
bool FitsKind(const QString& FileName, int Kind);

// The kinds whose reader is built; the first page offers only these.
TAllowedImports AvailableImports();

// The order in which the first page checks the first enabled kind.
extern const TAllowedImport ImportKindCheckOrder[ImportKindCount];
