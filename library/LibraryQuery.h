#pragma once

#include "library/LibraryDocument.h"
#include "model/PatchUses.h"

#include <QByteArray>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

// The operators between the terms of a library search, numbered as they are chosen.
enum class SearchOp : std::uint8_t { End = 0, And = 1, Or = 2, AndNot = 3, OrNot = 4 };

// A search over the entries of a library: a name filter and up to four keys joined by
// operators. The terms are, in order, the name match and the matches of keys 1 to 4;
// operator i stands between term i and term i + 1. Only the operators before the
// first END count. AND binds more tightly than OR, and NOT applies to the key after it.
struct CLibrarySearch
{
    static constexpr int kTerms = 4;
    static constexpr int kMaxName = 12;

    QByteArray name; // a case-sensitive part of the name; empty matches every name
    std::array<std::uint8_t, kTerms> keys{};
    std::array<SearchOp, kTerms> ops{};
    // What the patch uses, on top of name and keys: a wave whose name holds a text
    // (null: any), a board it needs (0: none at all, -1: any), and only patches the
    // installed boards can play (none given: every patch).
    std::shared_ptr<const patchuses::CWaveMatcher> waves;
    int needs = -1;
    std::optional<std::set<int>> playableWith;
    int category = -1; // the JV-2080 category byte the patch must have; -1: any

    // The texts of the operator lists, in the order of their codes.
    static QStringList opTexts(); // "END", "AND", "OR", "AND NOT", "OR NOT"

    bool nameMatches(const CLibraryEntry& entry) const;
    bool usesMatch(const CLibraryEntry& entry) const;
    bool matches(const CLibraryEntry& entry) const;
    // The expression for given term values.
    static bool evaluate(bool nameMatch, const std::array<bool, kTerms>& keyMatches,
                         const std::array<SearchOp, kTerms>& ops);

    // Whether every entry matches (no name part, no key term).
    bool isAll() const;
    // The search as a line reads it: "PAD AND Warm", with keyText naming key numbers.
    QString text(const std::function<QString(int)>& keyText) const;

    bool operator==(const CLibrarySearch& other) const = default;
};

// The columns of the library list and what they sort by.
namespace libcol {
constexpr int kName = 0;
constexpr int kDate = 1;
constexpr int kComment = 2;
constexpr int kFirstKey = 3; // Key 1 .. Key 8, or Category while categories are shown
constexpr int kKeyColumns = 8;
constexpr int kColumnCount = kFirstKey + kKeyColumns;
constexpr int kColumnCountWithCategories = kFirstKey + 1;
// Not a column: the order by category names whether or not the list shows them.
constexpr int kCategory = kColumnCount;
} // namespace libcol

// The order of entries by one column, ascending; entries that compare equal keep
// their file order. Names and comments compare as text byte by byte, dates by year,
// month, day, hour and minute, key columns by the key texts (or by the category
// names while the document shows categories).
class CLibraryOrder
{
public:
    CLibraryOrder(const CLibraryDocument& document, int column);

    bool less(int a, int b) const;
    // Sorts entry numbers in this order.
    void sort(std::vector<int>& entries) const;

private:
    enum class By { Name, Date, Comment, Rank };
    // An entry with its sort key packed into numbers that compare in the same order,
    // side by side in memory: sorting many entries then touches no entry at all.
    struct Item
    {
        std::array<std::uint64_t, 3> key;
        int entry;
    };
    int compare(int a, int b) const;
    Item itemOf(int entry) const;
    std::uint8_t rankedByte(const CLibraryEntry& e) const;

    const CLibraryDocument& m_document;
    By m_by = By::Name;
    int m_slot = 0;
    bool m_categories = false;
    std::array<int, 256> m_rank{}; // of key numbers or category bytes, by their texts
};

// The entries a search lists, in the order of a column.
std::vector<int> listEntries(const CLibraryDocument& document, const CLibrarySearch& search, int column);
